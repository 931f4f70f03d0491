#include "model/systemsettingsmodel.h"

#include "model/interfacetexts.h"

#include "model/lodmodel.h"
#include "model/models.h"

#include "devicesettings/devicesettings.h"
#include "settings/settingsstore.h"

#include <QRegularExpression>

#include <cmath>

namespace {
constexpr int kThresholds[] = {4, 37, 70, 104, 138, 172, 205, 239, 272, 305, 338};
constexpr int kThresholdCount = int(sizeof kThresholds / sizeof kThresholds[0]);
// Older versions stored the middle of the slider as 174.
constexpr int kOldMiddle = 174;
} // namespace

SystemSettingsModel::SystemSettingsModel(Operations &ops, LodModel &lod, QObject *parent)
    : PageModel(ops, parent), m_lod(lod)
{
}

QString SystemSettingsModel::pointerNote() const
{
    if (m_support.speed && m_support.doubleClick && m_support.scrollLines)
        return QString();
    return InterfaceTexts::localised(m_support.reason);
}

SystemSettingsModel *SystemSettingsModel::create(QQmlEngine *, QJSEngine *)
{
    return Models::expose(Models::instance()->systemSettings());
}

int SystemSettingsModel::speedIndex(int x)
{
    for (int i = 0; i < kThresholdCount; ++i) {
        if (kThresholds[i] > x)
            return i;
    }
    return kThresholdCount - 1;
}

int SystemSettingsModel::positionForIndex(int index)
{
    index = qBound(0, index, kFastest);
    return index == 0 ? kFirstPosition : kThresholds[index - 1];
}

int SystemSettingsModel::clampPosition(const QVariant &value, int fallback)
{
    if (!value.isValid())
        return fallback;
    const QString text = value.toString().trimmed();
    bool ok = text.isEmpty();
    const double v = ok ? 0 : text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return fallback;
    return qBound(kFirstPosition, int(std::round(v)), kLastPosition);
}

void SystemSettingsModel::setPointer(int x)
{
    m_mouseRate = clampPosition(x, m_mouseRate);
    emit changed();
    setSave(true);
}

void SystemSettingsModel::setDoubleClick(int x)
{
    m_doubleRate = clampPosition(x, m_doubleRate);
    emit changed();
    setSave(true);
}

void SystemSettingsModel::setScrollWhole(bool whole)
{
    m_scrollWhole = whole;
    emit changed();
    setSave(true);
}

bool SystemSettingsModel::setScrollLines(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch())
        return false;
    const int n = t.toInt();
    if (n < 1 || n > kMostLines)
        return false;
    m_scrollLines = n;
    m_scrollWhole = false;
    emit changed();
    setSave(true);
    return true;
}

void SystemSettingsModel::setScrollValue(int lines)
{
    if (lines > kMostLines)
        setScrollWhole(true);
    else
        setScrollLines(QString::number(lines));
}

void SystemSettingsModel::init(bool isSendData, bool isRecovery)
{
    SettingsStore *s = store();
    auto stored = [&](const char *key, int fallback) {
        QVariant v = s->getData(QLatin1String(key), isRecovery);
        if (v.isValid() && v.toString().trimmed().toDouble() == kOldMiddle)
            v = fallback;
        return clampPosition(v, fallback);
    };
    m_mouseRate = stored("mouse/mouseRate", 163);
    m_doubleRate = stored("mouse/doubleRate", 161);
    m_lod.load(isRecovery);
    bool ok = false;
    const double scroll =
        s->getData(QStringLiteral("mouse/scrollRate"), isRecovery).toString().toDouble(&ok);
    const int lines = ok && std::isfinite(scroll) ? int(std::floor(scroll)) : 0;
    if (lines > kMostLines) {
        m_scrollWhole = true;
    } else {
        m_scrollWhole = false;
        m_scrollLines = lines >= 1 ? lines : 3;
    }
    m_isLoaded = true;
    emit changed();
    if (isSendData)
        saveData(true, 0);
}

bool SystemSettingsModel::saveData(bool isSendData, int step)
{
    if (!m_isLoaded)
        return false;
    SettingsStore::WriteBatch batch(store());
    storeData();
    if (!batch.commit())
        return false;
    if (isSendData)
        sendData(step);
    return true;
}

void SystemSettingsModel::storeData()
{
    if (!m_isLoaded)
        return;
    SettingsStore *s = store();
    s->setData(QStringLiteral("mouse/mouseRate"), m_mouseRate);
    s->setData(QStringLiteral("mouse/doubleRate"), m_doubleRate);
    s->setData(QStringLiteral("mouse/scrollRate"), scrollValue());
    m_lod.store();
}

void SystemSettingsModel::sendPointer(int step)
{
    DeviceSettings *dev = device();
    if (!dev)
        return;
    if (step == 0 || step == 1)
        dev->mouseSetCursorSpeed(uint(speedIndex(m_mouseRate)));
    if (step == 0 || step == 2)
        dev->mouseSetDoubleClickSpeed(uint(speedIndex(m_doubleRate)));
    if (step == 0 || step == 3)
        dev->mouseSetVerticalScrollLines(uint(scrollValue()));
}

void SystemSettingsModel::sendData(int step)
{
    sendPointer(step);
    m_lod.send();
}

void SystemSettingsModel::readSupport()
{
    DeviceSettings *settings = device();
    PointerSettings *pointer = settings ? settings->pointerSettings() : nullptr;
    if (!pointer)
        return;
    const PointerSettings::Support now = pointer->support();
    if (now.speed == m_support.speed && now.doubleClick == m_support.doubleClick &&
        now.scrollLines == m_support.scrollLines && now.reason == m_support.reason)
        return;
    m_support = now;
    emit supportChanged();
}
