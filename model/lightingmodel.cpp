#include "model/lightingmodel.h"

#include "devicesettings/devicesettings.h"
#include "model/models.h"
#include "settings/settingsstore.h"

#include <QRegularExpression>
#include <array>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Entry k of the page's effect list stands for kEffects[k]; kesta-ctl names
// the entries with kWords.
constexpr int kEffects[LightingModel::kEntries] = {0, 1, 2, 3, 5, 6};
const char *const kWords[LightingModel::kEntries] = {"static", "breath",    "neon",
                                                     "flow",   "symmetric", "off"};
const char *const kDirectionWords[2] = {"cw", "ccw"};

const QString kPadding = QStringLiteral("loaderquiver");

QString key(const char *name, int preset)
{
    return QLatin1String("mouseLight/") + QLatin1String(name) +
           (preset == 0 ? QString() : QString::number(preset));
}

// A stored value as a number, the way the page always read it: blanks
// around it are ignored, an empty text is 0, anything else that is no
// number (or nothing stored) is NaN.
double numberOf(const QVariant &v)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        return kNaN;
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    case QMetaType::QString: {
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            return 0;
        bool ok = false;
        const double d = text.toDouble(&ok);
        return ok ? d : kNaN;
    }
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        const QVariantList items = v.toList();
        if (items.isEmpty())
            return 0;
        return items.size() == 1 ? numberOf(items.first()) : kNaN;
    }
    default: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        return ok ? d : kNaN;
    }
    }
}

// floor(number) kept to low..high; the fallback when it is no number.
int clampInt(const QVariant &v, int low, int high, int fallback)
{
    const double d = numberOf(v);
    if (std::isnan(d))
        return fallback;
    return int(std::clamp(std::floor(d), double(low), double(high)));
}

// The low byte of a stored colour component, as the page kept it.
int componentOf(const QVariant &v)
{
    const double d = numberOf(v);
    if (!std::isfinite(d))
        return 0;
    return int(std::fmod(std::trunc(d), 256.0) + 256.0) & 0xFF;
}

QString hexColour(int r, int g, int b)
{
    return QStringLiteral("#%1%2%3")
        .arg(r, 2, 16, QLatin1Char('0'))
        .arg(g, 2, 16, QLatin1Char('0'))
        .arg(b, 2, 16, QLatin1Char('0'));
}

// R, G, B of "#rrggbb"; black for anything else.
std::array<int, 3> rgbOf(const QString &text)
{
    bool ok = true;
    std::array<int, 3> rgb{};
    for (int i = 0; i < 3; ++i) {
        rgb[size_t(i)] = text.mid(1 + 2 * i, 2).toInt(&ok, 16);
        if (!ok)
            rgb[size_t(i)] = 0;
    }
    return rgb;
}

} // namespace

LightingModel::LightingModel(Operations &ops, QObject *parent) : PageModel(ops, parent) {}

LightingModel *LightingModel::create(QQmlEngine *, QJSEngine *)
{
    Models *models = Models::instance();
    return models ? Models::expose(models->light()) : nullptr;
}

QStringList LightingModel::textDefaults()
{
    return {QStringLiteral("靜態"),       QStringLiteral("呼吸"),
            QStringLiteral("霓虹"),       QStringLiteral("循環流水"),
            QStringLiteral("對稱流水"),   QStringLiteral("滅燈"),
            QStringLiteral("clockwise"),  QStringLiteral("anti clockwise"),
            QStringLiteral("up"),         QStringLiteral("down"),
            QStringLiteral("Effect"),     QStringLiteral("Speed"),
            QStringLiteral("Brightness"), QStringLiteral("Direction"),
            QStringLiteral("Color"),      QStringLiteral("Preset"),
            QStringLiteral("Add"),        QStringLiteral("Delete"),
            QStringLiteral("Rename"),     QStringLiteral("Lighting")};
}

// ---- Units ------------------------------------------------------------------

int LightingModel::effectOfEntry(int entry)
{
    return kEffects[std::clamp(entry, 0, kEntries - 1)];
}

int LightingModel::entryOfEffect(int effect)
{
    for (int k = 0; k < kEntries; ++k) {
        if (kEffects[k] == effect)
            return k;
    }
    return 0;
}

int LightingModel::speedOfShown(int shown)
{
    return std::clamp(shown - 1, 0, kMaxSpeed);
}

int LightingModel::percentOf(int brightness)
{
    // round(brightness * 100 / 51) in integers; no step lies on a half.
    return (std::clamp(brightness, 0, kMaxBrightness) * 200 + kMaxBrightness) /
           (2 * kMaxBrightness);
}

int LightingModel::brightnessOfPercent(int percent)
{
    return (std::clamp(percent, 0, 100) * kMaxBrightness + 50) / 100;
}

QStringList LightingModel::effectWords()
{
    QStringList out;
    for (const char *w : kWords)
        out.append(QLatin1String(w));
    return out;
}

QString LightingModel::effectWord(int effect)
{
    for (int k = 0; k < kEntries; ++k) {
        if (kEffects[k] == effect)
            return QLatin1String(kWords[k]);
    }
    return QString::number(effect);
}

int LightingModel::effectOfWord(const QString &word)
{
    for (int k = 0; k < kEntries; ++k) {
        if (word == QLatin1String(kWords[k]))
            return kEffects[k];
    }
    return -1;
}

QStringList LightingModel::directionWords()
{
    return {QLatin1String(kDirectionWords[0]), QLatin1String(kDirectionWords[1])};
}

QString LightingModel::directionWord(int direction)
{
    return direction == 0 || direction == 1 ? QLatin1String(kDirectionWords[direction])
                                            : QString::number(direction);
}

int LightingModel::directionOfWord(const QString &word)
{
    return directionWords().indexOf(word);
}

// ---- Loading and storing ---------------------------------------------------------

void LightingModel::loadPreset(int number, bool isRecovery)
{
    SettingsStore *s = store();
    m_colorIndex = clampInt(s->getData(key("colorIndex", number), isRecovery), 0, kBlocks - 1, 0);
    const QVariantList value = s->getDataList(key("lightValue", number), isRecovery);
    const double e = value.isEmpty() ? 0 : numberOf(value.at(0));
    m_effectEntry = 0;
    for (int k = 0; k < kEntries; ++k) {
        if (kEffects[k] == e)
            m_effectEntry = k;
    }
    m_speed = clampInt(value.value(1), 0, kMaxSpeed, 2);
    m_brightness = clampInt(value.value(2), 0, kMaxBrightness, kMaxBrightness);
    m_direction = clampInt(value.value(3), 0, 1, 0);
    const QVariantList rgb = s->getDataList(key("colorValue", number), isRecovery);
    m_blocks.clear();
    for (int i = 0; i < kBlocks; ++i)
        m_blocks.append(hexColour(componentOf(rgb.value(3 * i)), componentOf(rgb.value(3 * i + 1)),
                                  componentOf(rgb.value(3 * i + 2))));
    emit valuesChanged();
}

void LightingModel::init(bool isSendData, bool isRecovery)
{
    SettingsStore *s = store();
    if (!isRecovery) {
        const int count =
            clampInt(s->getData(QStringLiteral("mouseLight/lightCount"), false), 1, kMaxPresets, 1);
        m_lightNo =
            clampInt(s->getData(QStringLiteral("mouseLight/lightNo"), false), 0, count - 1, 0);
        QStringList list;
        const QVariantList raw = s->getDataList(QStringLiteral("mouseLight/lightName"), false);
        for (const QVariant &item : raw) {
            if (item.toString() != kPadding && list.size() < count)
                list.append(item.toString());
        }
        while (list.size() < count)
            list.append(QStringLiteral("Light %1").arg(list.size() + 1));
        m_names = list;
    }
    loadPreset(m_lightNo, isRecovery);
    m_loaded = true;
    emit presetsChanged();
    if (isSendData)
        saveData(true, 0);
}

QVariantList LightingModel::colourValues() const
{
    QVariantList list;
    for (const QString &block : m_blocks) {
        for (int c : rgbOf(block))
            list.append(c);
    }
    return list;
}

void LightingModel::storeValues()
{
    SettingsStore *s = store();
    const int p = m_lightNo;
    s->setData(QStringLiteral("mouseLight/lightNo"), p);
    s->setData(QStringLiteral("mouseLight/lightCount"), lightCount());
    s->setData(key("colorIndex", p), m_colorIndex);
    s->setDataList(key("lightValue", p),
                   QVariantList{effect(), m_speed, m_brightness, m_direction});
    s->setDataList(key("colorValue", p), colourValues());
    QVariantList names;
    for (const QString &n : m_names)
        names.append(n);
    if (names.size() == 1)
        names.append(kPadding);
    s->setDataList(QStringLiteral("mouseLight/lightName"), names);
}

bool LightingModel::saveData(bool isSendData, int)
{
    if (!m_loaded)
        return false;
    SettingsStore::WriteBatch batch(store());
    storeValues();
    if (!batch.commit())
        return false;
    if (isSendData)
        sendData();
    return true;
}

void LightingModel::sendData()
{
    DeviceSettings *dev = device();
    if (!m_loaded || !dev)
        return;
    const std::array<int, 3> rgb = rgbOf(selectedColour());
    QVariantList colours;
    for (int i = 0; i < kBlocks; ++i)
        colours << rgb[0] << rgb[1] << rgb[2];
    dev->mouseSetLedType(uchar(effect()), uchar(m_brightness * 5), uchar(m_speed),
                         uchar(m_direction), colours);
}

// ---- User edits ------------------------------------------------------------------

void LightingModel::chooseEffect(int entry)
{
    m_effectEntry = std::clamp(entry, 0, kEntries - 1);
    emit valuesChanged();
    setSave(true);
}

void LightingModel::setSpeed(int speed)
{
    m_speed = std::clamp(speed, 0, kMaxSpeed);
    emit valuesChanged();
    setSave(true);
}

void LightingModel::setBrightness(int brightness)
{
    m_brightness = std::clamp(brightness, 0, kMaxBrightness);
    emit valuesChanged();
    setSave(true);
}

void LightingModel::setDirection(int direction)
{
    m_direction = std::clamp(direction, 0, 1);
    emit valuesChanged();
    setSave(true);
}

void LightingModel::selectBlock(int index)
{
    m_colorIndex = std::clamp(index, 0, kBlocks - 1);
    emit valuesChanged();
    setSave(true);
}

bool LightingModel::setBlockColour(int index, const QString &colour)
{
    static const QRegularExpression pattern(QStringLiteral("^#[0-9a-fA-F]{6}$"));
    if (index < 0 || index >= m_blocks.size() || !pattern.match(colour).hasMatch())
        return false;
    m_blocks[index] = colour.toLower();
    emit valuesChanged();
    setSave(true);
    return true;
}

// ---- Presets ---------------------------------------------------------------------

void LightingModel::choosePreset(int number)
{
    if (number < 0 || number >= lightCount() || number == m_lightNo)
        return;
    // The preset left and what follows reach the file in one write.
    SettingsStore::WriteBatch batch(store());
    saveData(false, 0);
    m_lightNo = number;
    loadPreset(number, false);
    saveData(false, 0);
    emit presetsChanged();
    setSave(true);
}

QString LightingModel::freeName() const
{
    for (int k = 1;; ++k) {
        const QString candidate = QStringLiteral("Light %1").arg(k);
        if (!m_names.contains(candidate))
            return candidate;
    }
}

bool LightingModel::addPreset()
{
    if (lightCount() >= kMaxPresets)
        return false;
    // The preset left and what follows reach the file in one write.
    SettingsStore::WriteBatch batch(store());
    saveData(false, 0);
    m_names.append(freeName());
    m_lightNo = lightCount() - 1;
    saveData(false, 0);
    emit presetsChanged();
    setSave(true);
    return true;
}

bool LightingModel::renamePreset(int number, const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || number < 0 || number >= lightCount())
        return false;
    m_names[number] = trimmed;
    saveData(false, 0);
    emit presetsChanged();
    setSave(true);
    return true;
}

bool LightingModel::deletePreset(int number)
{
    // Before the first init there is nothing of the profile's to move.
    if (!m_loaded || lightCount() <= 1 || number < 0 || number >= lightCount())
        return false;
    // The preset left and what follows reach the file in one write.
    SettingsStore::WriteBatch batch(store());
    saveData(false, 0);
    SettingsStore *s = store();
    for (int q = number; q < lightCount() - 1; ++q) {
        s->setData(key("colorIndex", q), s->getData(key("colorIndex", q + 1), false));
        s->setDataList(key("lightValue", q), s->getDataList(key("lightValue", q + 1), false));
        s->setDataList(key("colorValue", q), s->getDataList(key("colorValue", q + 1), false));
    }
    m_names.removeAt(number);
    m_lightNo = std::min(m_lightNo > number ? m_lightNo - 1 : m_lightNo, lightCount() - 1);
    loadPreset(m_lightNo, false);
    saveData(false, 0);
    emit presetsChanged();
    setSave(true);
    return true;
}
