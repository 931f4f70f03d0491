// What every page model shares: the operations it loads, stores and sends
// through, and the page protocol's "unsaved edits" flag (isSave). The
// operations' device-bound parts (DeviceSettings, MacroLibrary, RecoilData)
// exist only once a device was attached: a model asks for them when it
// needs them and does nothing without them.
#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

class Operations;
class SettingsStore;
class DeviceSettings;
class MacroLibrary;
class RecoilData;

class PageModel : public QObject
{
    Q_OBJECT
    QML_ANONYMOUS
    // True while the page holds edits that are neither stored nor sent.
    Q_PROPERTY(bool isSave READ isSave WRITE setSave NOTIFY isSaveChanged)

public:
    explicit PageModel(Operations &ops, QObject *parent = nullptr);

    bool isSave() const { return m_isSave; }
    void setSave(bool isSave);

signals:
    void isSaveChanged();

protected:
    Operations &ops() const { return m_ops; }
    SettingsStore *store() const;
    DeviceSettings *device() const; // null until a device is attached
    MacroLibrary *macros() const;   // null until a device is attached
    RecoilData *recoil() const;     // null until a device is attached

private:
    Operations &m_ops;
    bool m_isSave = false;
};
