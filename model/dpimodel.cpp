#include "model/dpimodel.h"

#include "model/models.h"

#include "devicesettings/devicesettings.h"
#include "settings/settingsstore.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

// A stored number; 0 for an empty or unreadable value.
int storedInt(const QVariant &value)
{
    bool ok = false;
    const double v = value.toString().trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? int(v) : 0;
}

// Item i of a stored list, or the fallback when it is missing or empty.
QStringList storedList(SettingsStore *store, const QString &key, bool isRecovery, int size,
                       const QStringList &fallback)
{
    const QVariantList raw = store->getDataList(key, isRecovery);
    QStringList out;
    for (int i = 0; i < size; ++i) {
        const QString item = i < raw.size() ? raw.at(i).toString() : QString();
        out.append(item.isEmpty() ? fallback.at(i) : item);
    }
    return out;
}

QStringList numbers(const QList<int> &list)
{
    QStringList out;
    for (int v : list)
        out.append(QString::number(v));
    return out;
}

QVariantList variants(const QList<int> &list)
{
    QVariantList out;
    for (int v : list)
        out.append(v);
    return out;
}

} // namespace

DpiModel::DpiModel(Operations &ops, QObject *parent) : PageModel(ops, parent) {}

DpiModel *DpiModel::create(QQmlEngine *, QJSEngine *)
{
    return Models::expose(Models::instance()->dpi());
}

QStringList DpiModel::countChoices() const
{
    QStringList out;
    for (int i = 1; i <= stageSlots(); ++i)
        out.append(QString::number(i));
    return out;
}

void DpiModel::setCurrentStage(int stage)
{
    if (m_currentStage == stage)
        return;
    m_currentStage = stage;
    emit currentStageChanged();
}

int DpiModel::valueAt(double x, int minDpi, int maxDpi, int dpiBase)
{
    if (dpiBase <= 0)
        return minDpi;
    const double v = (x - kFirstPosition) * (maxDpi - minDpi) / (kSliderWidth - 18) + minDpi;
    return int(std::floor(v / dpiBase)) * dpiBase;
}

double DpiModel::positionOf(int value, int minDpi, int maxDpi)
{
    if (maxDpi <= minDpi)
        return kFirstPosition;
    const double x =
        kFirstPosition + double(value - minDpi) / (maxDpi - minDpi) * (kSliderWidth - 18);
    return qBound(double(kFirstPosition), x, double(kLastPosition));
}

int DpiModel::steppedValue(int value, int steps, int minDpi, int maxDpi, int dpiBase)
{
    const int lowest = valueAt(kFirstPosition, minDpi, maxDpi, dpiBase);
    const int highest = qMax(lowest, valueAt(kLastPosition, minDpi, maxDpi, dpiBase));
    if (dpiBase <= 0 || steps == 0)
        return qBound(lowest, value, highest);
    // Whole steps below and above the value; equal when it is on a step.
    const int below = int(std::floor(double(value) / dpiBase));
    const int above = int(std::ceil(double(value) / dpiBase));
    const qint64 target = (qint64(steps > 0 ? below : above) + steps) * dpiBase;
    return int(qBound(qint64(lowest), target, qint64(highest)));
}

int DpiModel::gridValue(int value, int minDpi, int maxDpi, int dpiBase)
{
    const qint64 down =
        dpiBase > 0 ? qint64(std::floor(double(value) / dpiBase)) * dpiBase : qint64(value);
    const qint64 held = qBound(qint64(std::numeric_limits<int>::min()), down,
                               qint64(std::numeric_limits<int>::max()));
    return steppedValue(int(held), 0, minDpi, maxDpi, dpiBase);
}

int DpiModel::pageStepsFor(int minDpi, int maxDpi, int dpiBase)
{
    // A tenth of the range, and never less than two steps.
    const int steps = dpiBase > 0 ? (maxDpi - minDpi) / dpiBase : 0;
    return qMax(2, steps / 10);
}

bool DpiModel::acceptsValue(int value) const
{
    return value >= m_minDpi && value <= m_maxDpi && (m_dpiBase <= 0 || value % m_dpiBase == 0);
}

void DpiModel::setStageFromPosition(int stage, double x)
{
    setStageValue(stage, valueForPosition(x));
}

void DpiModel::setStageValue(int stage, int value)
{
    if (stage < 0 || stage >= kStages)
        return;
    m_values[stage] = value;
    emit changed();
    setSave(true);
}

void DpiModel::stepStage(int stage, int steps)
{
    if (stage < 0 || stage >= kStages)
        return;
    const int value = steppedValue(m_values.at(stage), steps, m_minDpi, m_maxDpi, m_dpiBase);
    if (value == m_values.at(stage))
        return;
    setStageValue(stage, value);
}

void DpiModel::chooseCount(int n)
{
    n = qBound(1, n, qMax(1, stageSlots()));
    for (int i = 0; i < kStages; ++i)
        m_enables[i] = i < n ? 1 : 0;
    m_shownCount = n;
    m_currentDpiCount = n;
    emit changed();
    setSave(true);
}

bool DpiModel::setStageEnabled(int stage, bool on)
{
    if (stage < 0 || stage >= m_shownCount || stage >= stageSlots())
        return false;
    QList<int> list = m_enables;
    list[stage] = on ? 1 : 0;
    int count = 0;
    for (int k = 0; k < stageSlots() && k < m_shownCount; ++k)
        count += list.at(k) == 1 ? 1 : 0;
    if (count == 0) {
        emit changed(); // the view puts its box back
        return false;
    }
    m_enables = list;
    m_currentDpiCount = count;
    emit changed();
    setSave(true);
    return true;
}

bool DpiModel::isColour(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^#[0-9a-fA-F]{6}$"));
    return pattern.match(text).hasMatch();
}

bool DpiModel::setColour(int stage, const QString &text)
{
    if (stage < 0 || stage >= kColouredStages || !isColour(text))
        return false;
    m_colours[stage] = text.toLower();
    emit changed();
    setSave(true);
    return true;
}

int DpiModel::enabledAmong(int n) const
{
    int count = 0;
    for (int i = 0; i < n && i < kStages; ++i)
        count += m_enables.at(i) == 1 ? 1 : 0;
    return count;
}

QList<int> DpiModel::sentEnables() const
{
    QList<int> list;
    for (int i = 0; i < kStages; ++i)
        list.append(i < m_shownCount && m_enables.at(i) == 1 ? 1 : 0);
    return list;
}

QVariantList DpiModel::rgbList() const
{
    QVariantList list;
    for (const QString &c : m_colours) {
        // A text that is no colour sends black.
        const bool ok = isColour(c);
        list << (ok ? c.mid(1, 2).toInt(nullptr, 16) : 0)
             << (ok ? c.mid(3, 2).toInt(nullptr, 16) : 0)
             << (ok ? c.mid(5, 2).toInt(nullptr, 16) : 0);
    }
    for (int i = 0; i < 6; ++i)
        list << 255;
    return list;
}

void DpiModel::init(bool isSendData, bool isRecovery)
{
    SettingsStore *s = store();
    auto orElse = [](int v, int fallback) { return v != 0 ? v : fallback; };
    m_dpiCount = orElse(storedInt(s->getData(QStringLiteral("mouse/dpiCount"), isRecovery)), 8);
    m_currentDpiCount =
        orElse(storedInt(s->getData(QStringLiteral("mouse/currentDpiCount"), isRecovery)), 1);
    m_minDpi = orElse(storedInt(s->getGlobalData(QStringLiteral("mouse/minDPI"))), m_minDpi);
    m_maxDpi = orElse(storedInt(s->getGlobalData(QStringLiteral("mouse/maxDPI"))), m_maxDpi);
    const QString sensor = s->getGlobalData(QStringLiteral("mouse/sensorType")).toString();
    if (!sensor.isEmpty())
        m_sensorType = sensor;
    m_dpiBase = orElse(storedInt(s->getGlobalData(QStringLiteral("mouse/dpiBase"))), m_dpiBase);

    const QStringList enables = storedList(s, QStringLiteral("mouse/dpiEnableArray"), isRecovery,
                                           kStages, QStringList(kStages, QStringLiteral("1")));
    // A stage value that is missing or unreadable is the stage's default.
    const QStringList defaults =
        storedList(s, QStringLiteral("mouse/dpiValueArray"), true, kStages, numbers(m_values));
    const QStringList values =
        storedList(s, QStringLiteral("mouse/dpiValueArray"), isRecovery, kStages, defaults);
    const QStringList colours = storedList(s, QStringLiteral("mouse/dpiColorArray"), isRecovery,
                                           kColouredStages, m_colours);
    for (int i = 0; i < kStages; ++i) {
        m_enables[i] = storedInt(enables.at(i)) == 1 ? 1 : 0;
        // Every value is one the slider offers: what the page shows is what
        // a save stores and sends.
        bool ok = false;
        int v = values.at(i).trimmed().toInt(&ok);
        if (!ok)
            v = defaults.at(i).trimmed().toInt(&ok);
        if (ok)
            m_values[i] = v;
        m_values[i] = gridValue(m_values.at(i), m_minDpi, m_maxDpi, m_dpiBase);
    }
    for (int i = 0; i < kColouredStages; ++i)
        m_colours[i] =
            isColour(colours.at(i)) ? colours.at(i).toLower() : QString::fromLatin1(kDefaultColour);
    m_isLoaded = true;
    if (m_dpiCount > kStages) {
        emit changed();
        return;
    }
    // The mouse cycles through enabled stages only.
    m_currentDpiCount = qBound(1, m_currentDpiCount, qMax(1, enabledAmong(stageSlots())));
    // Shown: the fewest stages that hold currentDpiCount enabled ones.
    int n = 1;
    while (n < stageSlots() && enabledAmong(n) < m_currentDpiCount)
        ++n;
    m_shownCount = n;
    emit changed();
    if (isSendData)
        saveData(true);
}

bool DpiModel::saveData(bool isSendData)
{
    if (!m_isLoaded)
        return false;
    SettingsStore::WriteBatch batch(store());
    storeData();
    if (!batch.commit())
        return false;
    if (isSendData) {
        sendStages();
        sendColours();
    }
    return true;
}

void DpiModel::storeData()
{
    if (!m_isLoaded)
        return;
    SettingsStore *s = store();
    s->setDataList(QStringLiteral("mouse/dpiValueArray"), variants(m_values));
    s->setData(QStringLiteral("mouse/currentDpiCount"), m_currentDpiCount);
    s->setDataList(QStringLiteral("mouse/dpiEnableArray"), variants(sentEnables()));
    QVariantList colours;
    for (const QString &c : m_colours)
        colours.append(c);
    s->setDataList(QStringLiteral("mouse/dpiColorArray"), colours);
}

void DpiModel::sendStages()
{
    if (DeviceSettings *dev = device())
        dev->mouseSetDpi(m_currentDpiCount, m_sensorType, variants(m_values),
                         variants(sentEnables()));
}

void DpiModel::sendColours()
{
    if (DeviceSettings *dev = device())
        dev->mouseSetRGBColor(1, rgbList());
}
