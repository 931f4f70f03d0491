#include "devicesettings/devicesettings.h"
#include "devicesettings/buttonlabels.h"

#include "device/hid_thread.h"
#include "devicesettings/commandfamily.h"
#include "devicesettings/devicecoding.h"
#include "devicesettings/keynames.h"
#include "devicesettings/mousedevice.h"
#include "platform/pointersettings.h"
#include "settings/settingsstore.h"

#include <QDebug>

#include <limits>

using namespace DeviceCoding;

namespace {

// The items of button n of a matrix list as they were given, missing ones as 0.
QVariantList entryItems(const QVariantList &matrix, int n)
{
    QVariantList items;
    for (int i = kItemsPerEntry * n; i < kItemsPerEntry * (n + 1); ++i)
        items << (i < matrix.size() ? matrix.at(i) : QVariant(0));
    return items;
}

QString indexedKey(const char *group, int n)
{
    return QLatin1String(group) + QLatin1Char('/') + QString::number(n);
}

QString stageColourKey(uchar type)
{
    return QStringLiteral("mouse/dpiColorType") + QString::number(type);
}

} // namespace

DeviceSettings::DeviceSettings(MouseDevice *device, QObject *parent)
    : QObject(parent), m_device(device), m_store(&device->store()), m_hid(&device->hid()),
      m_pointer(PointerSettings::createSystem())
{
}

DeviceSettings::~DeviceSettings() = default;

void DeviceSettings::setPointerSettings(std::unique_ptr<PointerSettings> pointer)
{
    m_pointer = std::move(pointer);
}

PointerSettings *DeviceSettings::pointerSettings() const
{
    return m_pointer.get();
}

const CommandFamily &DeviceSettings::family() const
{
    return m_device->family();
}

// ---- button assignment ----

void DeviceSettings::mouseSetKeyMatrix(QVariant mouseMode, QVariantList src64, QVariantList src64_2,
                                       bool isSendData, QVariantList otherParam)
{
    storeKeyMatrix(mouseMode, src64, src64_2);
    if (isSendData)
        sendKeyMatrix(mouseMode, src64, src64_2, otherParam);
}

bool DeviceSettings::storeKeyMatrix(const QVariant &mouseMode, const QVariantList &src64,
                                    const QVariantList &src64_2)
{
    // 33 keys, one write of the profile (a failure is reported there).
    SettingsStore::WriteBatch batch(m_store);
    m_store->setData(QStringLiteral("mouse/mouseMode"), mouseMode);
    for (int n = 0; n < kButtons; ++n) {
        m_store->setDataList(indexedKey("mouseKeyMatrix", n), entryItems(src64, n));
        m_store->setDataList(indexedKey("mouseKeyMatrix2", n), entryItems(src64_2, n));
    }
    return batch.commit();
}

void DeviceSettings::sendKeyMatrix(const QVariant &mouseMode, const QVariantList &src64,
                                   const QVariantList &src64_2, const QVariantList &otherParam)
{
    const CommandFamily &commands = family();
    const QVariantList &source = mouseMode.toLongLong() != 0 ? src64_2 : src64;
    KeyMatrix main = buildMainMatrix(source, commands.sniperEntry());
    if (!hasWeaponKey(main)) {
        commands.sendKeyLayer(*m_device, main, 1);
        return;
    }

    std::array<QVariantList, kButtons> firmware;
    for (int n = 0; n < kButtons; ++n)
        firmware[n] = m_store->getDataList(indexedKey("mouseFwKeyMatrix", n), false);
    WeaponLayers set = startWeaponLayers(main, firmwareLayer(firmware));
    commands.applyWeaponKeys(set);
    setFirePeriods(set, otherParam);
    commands.sendWeaponLayers(*m_device, set);
}

void DeviceSettings::mouseResetKeyMatrix()
{
    std::array<QVariantList, kButtons> firmware;
    for (int n = 0; n < kButtons; ++n)
        firmware[n] = m_store->getDataList(indexedKey("mouseFwKeyMatrix", n), false);
    KeyLayer layer = firmwareLayer(firmware);
    const CommandFamily &commands = family();
    for (uchar l = 2; l <= 4; ++l)
        commands.sendKeyLayer(*m_device, layer.matrix, l);
}

void DeviceSettings::mouseSwitchKeyMatrix(int indexNo)
{
    family().switchKeyMatrix(*m_device, indexNo);
}

QVariantList DeviceSettings::mouseGetKeydefine(QVariant mouseMode, QVariant index, bool isRecovery)
{
    const char *group = mouseMode.toLongLong() == 0 ? "mouseKeyMatrix" : "mouseKeyMatrix2";
    const QString key = QLatin1String(group) + QLatin1Char('/') + index.toString();
    return m_store->getDataList(key, isRecovery);
}

QStringList DeviceSettings::getButtonLabels()
{
    return ButtonLabels::labels();
}

QVariantList DeviceSettings::getKeyCodes()
{
    QVariantList codes;
    for (int code : KeyNames::codes())
        codes.append(code);
    return codes;
}

QStringList DeviceSettings::getKeyNames()
{
    return KeyNames::names();
}

// ---- DPI ----

void DeviceSettings::mouseSetDpi(int dpiCount, QString sensorType, QVariantList dpiValueArray,
                                 QVariantList dpiEnableArray)
{
    const DpiCoding coding = codeDpiStages(sensorType, dpiValueArray);
    family().sendDpiStages(*m_device, coding, dpiCount, dpiEnableArray);
}

void DeviceSettings::mouseSetCurrentDPI(uchar currentDPI)
{
    family().setCurrentDpi(*m_device, currentDPI);
}

QVariant DeviceSettings::mouseGetCurrentDPI()
{
    return int(family().readCurrentDpi(*m_device));
}

// ---- lighting ----

void DeviceSettings::mouseSetLedType(uchar effect, uchar brightness, uchar speed, uchar direction,
                                     QVariantList rgbArray)
{
    qDebug() << "effect = " << int(effect);
    qDebug() << "brightness = " << int(brightness);
    qDebug() << "speed = " << int(speed);
    qDebug() << "direction = " << int(direction);
    qDebug() << "rgbArray = " << rgbArray;
    // The same command on both families.
    AttributeRecord record = lightAttributeRecord(effect, brightness, speed, direction, rgbArray);
    m_hid->hid553_16H_SetSlaveAttritube(record.data());
}

void DeviceSettings::mouseSetRGBEffect(uchar effect, uchar option1, uchar option2)
{
    if (m_store->isColorful)
        family().sendColorfulEffect(*m_device, colorfulEffect(effect, option1, option2));
    else
        family().sendPlainEffect(*m_device, plainEffect(effect, option1, option2));
}

void DeviceSettings::mouseSetRGBColor(uchar type, QVariantList src24)
{
    ColourBlock block = colourBlock(src24);
    family().sendStageColours(*m_device, type, block);
}

void DeviceSettings::ui_10H_SetLED8StageColor(uchar type, QVariantList src24)
{
    m_store->setDataList(stageColourKey(type), src24);
    ColourBlock block = colourBlock(src24);
    if (type == 2)
        block = packStageNibbles(block);
    m_hid->hid553_10H_SetLED8StageColor(type, block.data());
}

QVariantList DeviceSettings::ui_90H_GetLED8StageColor(uchar type)
{
    // A one-item list is stored with the padding item after it; that item
    // is not a colour.
    const QStringList stored = SettingsStore::dropPadding(
        SettingsStore::toTextList(m_store->getDataList(stageColourKey(type), false)));
    QVariantList values;
    for (const QString &item : stored)
        values << item.toUInt();
    return values;
}

bool DeviceSettings::chkIsLogoLedWork()
{
    uchar option1 = 0, option2 = 0, option3 = 0;
    const bool answered = m_hid->hid_87H_GetLEDInstructFunction(0, option1, option2, option3);
    return answered && option1 == 0;
}

// ---- on-board profiles, rates, keyboard options ----

void DeviceSettings::mouseSetProfile(uint profileNo)
{
    m_device->sendProfile(profileNo);
}

void DeviceSettings::mouseReadProfile(uint profileNo)
{
    m_device->readProfile(profileNo);
}

QVariant DeviceSettings::mouseReadCurrentProfile()
{
    uchar profile = 0;
    m_hid->hid560_82H_GetCurrentProfile(profile);
    return int(profile);
}

void DeviceSettings::mouseSetReportRate(uchar rate)
{
    family().setReportRate(*m_device, rate);
}

void DeviceSettings::mouseSetLodValue(uchar rate, uchar en)
{
    qDebug() << "test" << int(rate) << int(en);
    family().setLiftOff(*m_device, rate, en);
}

void DeviceSettings::mouseSetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4)
{
    m_hid->hid553_03H_SetKeyboardoption(byte1, byte2, byte3, byte4);
}

QVariantList DeviceSettings::GetKeyboardoption()
{
    // A failed read hands back these zeros.
    uchar byte1 = 0, byte2 = 0, byte3 = 0, byte4 = 0;
    m_hid->hid553_83H_GetKeyboardoption(byte1, byte2, byte3, byte4);
    return {int(byte1), int(byte2), int(byte3), int(byte4)};
}

// ---- pointer settings ----

void DeviceSettings::mouseSetCursorSpeed(uint cursorSpeed)
{
    if (!m_pointer || !m_pointer->setCursorSpeed(pointerSpeed(cursorSpeed)))
        qDebug() << "setCursorSpeed Failed";
}

void DeviceSettings::mouseSetDoubleClickSpeed(uint speed)
{
    if (!m_pointer || !m_pointer->setDoubleClickTime(doubleClickMs(speed)))
        qDebug() << "setDoubleClickSpeed Failed";
}

void DeviceSettings::mouseSetVerticalScrollLines(uint lines)
{
    const int clamped = lines > uint(std::numeric_limits<int>::max())
                            ? std::numeric_limits<int>::max()
                            : int(lines);
    if (!m_pointer || !m_pointer->setWheelScrollLines(clamped))
        qDebug() << "setVerticalScrollLines Failed";
}
