// The device operations of the settings pages: button assignment, DPI,
// lighting, on-board profiles, rates, keyboard options and the desktop's
// pointer settings. The scene and the command-line tool call the slots by
// name, so names and parameter types are fixed.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <memory>

class Hid_Thread;
class MouseDevice;
class SettingsStore;
class PointerSettings;
class CommandFamily;

class DeviceSettings : public QObject
{
    Q_OBJECT
public:
    explicit DeviceSettings(MouseDevice *device, QObject *parent = nullptr);
    ~DeviceSettings() override;

    // Replaces the desktop's pointer settings (tests inject a fake).
    void setPointerSettings(std::unique_ptr<PointerSettings> pointer);
    PointerSettings *pointerSettings() const;

    // The two halves of mouseSetKeyMatrix, for a caller that sends only
    // what was stored: false when the profile file could not be written.
    bool storeKeyMatrix(const QVariant &mouseMode, const QVariantList &src64,
                        const QVariantList &src64_2);
    void sendKeyMatrix(const QVariant &mouseMode, const QVariantList &src64,
                       const QVariantList &src64_2, const QVariantList &otherParam);

public slots:
    // Button assignment.
    void mouseSetKeyMatrix(QVariant mouseMode, QVariantList src64, QVariantList src64_2,
                           bool isSendData, QVariantList otherParam);
    void mouseResetKeyMatrix();
    void mouseSwitchKeyMatrix(int indexNo);
    QVariantList mouseGetKeydefine(QVariant mouseMode, QVariant index, bool isRecovery);
    // The label of every matrix position ("①".., empty for the fixed ones).
    QStringList getButtonLabels();
    // The key-name table as two parallel lists (codes, built-in names).
    QVariantList getKeyCodes();
    QStringList getKeyNames();

    // DPI.
    void mouseSetDpi(int dpiCount, QString sensorType, QVariantList dpiValueArray,
                     QVariantList dpiEnableArray);
    void mouseSetCurrentDPI(uchar currentDPI);
    QVariant mouseGetCurrentDPI();

    // Lighting.
    void mouseSetLedType(uchar effect, uchar brightness, uchar speed, uchar direction,
                         QVariantList rgbArray);
    void mouseSetRGBEffect(uchar effect, uchar option1, uchar option2);
    void mouseSetRGBColor(uchar type, QVariantList src24);
    void ui_10H_SetLED8StageColor(uchar type, QVariantList src24);
    QVariantList ui_90H_GetLED8StageColor(uchar type);
    bool chkIsLogoLedWork();

    // On-board profiles, rates, keyboard options.
    void mouseSetProfile(uint profileNo);
    void mouseReadProfile(uint profileNo);
    QVariant mouseReadCurrentProfile();
    void mouseSetReportRate(uchar rate);
    void mouseSetLodValue(uchar rate, uchar en);
    void mouseSetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4);
    QVariantList GetKeyboardoption();

    // The desktop's pointer settings.
    void mouseSetCursorSpeed(uint cursorSpeed);
    void mouseSetDoubleClickSpeed(uint speed);
    void mouseSetVerticalScrollLines(uint lines);

private:
    const CommandFamily &family() const;

    MouseDevice *m_device;
    SettingsStore *m_store;
    Hid_Thread *m_hid;
    std::unique_ptr<PointerSettings> m_pointer;
};
