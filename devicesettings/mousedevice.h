// The configured mouse as every device operation sees it: the protocol
// object, the command family and capability flags read from the global file,
// and the program's copies of the on-board profiles. It also runs the
// presence check with its connect sequence and passes on what the
// notification listener finds, as signals for the window.
#pragma once

#include "device/profileimage.h"

#include <QObject>
#include <QString>

class CommandFamily;
class Hid_Thread;
class SettingsStore;

class MouseDevice : public QObject
{
    Q_OBJECT
public:
    MouseDevice(SettingsStore *store, Hid_Thread *hid, QObject *parent = nullptr);
    ~MouseDevice() override;

    Hid_Thread &hid() const { return *m_hid; }
    SettingsStore &store() const { return *m_store; }
    // Chosen once, when this object is made.
    const CommandFamily &family() const { return *m_family; }
    bool isGun() const;
    bool isColorful() const;
    bool is55328() const;

    // The five on-board profile images of a 560-family mouse, filled when it
    // connects; image n travels as profile n.
    ProfileImages images{};
    // Sends image n as profile n, or reads it from the mouse (8CH fills the
    // image only when the read completes). Nothing happens for n above 4.
    void sendProfile(uint n);
    void readProfile(uint n);
    // The images the family reads when the mouse connects (none on a 553).
    void readProfilesOnConnect();

    // The presence check: reads the device list, matches it with the HID
    // interfaces present and connects the first listed mouse that passes the
    // handshake; with none, reports it absent. A mouse still connected as
    // before (only another device came or went) is left as it is.
    void check();
    bool isConnected() const { return m_connected; }
    // The node of a listed mouse that the last check found present but
    // could not open for lack of permission; empty otherwise.
    QString refusedNode() const { return m_refusedNode; }

signals:
    // A listed mouse passed the handshake; the connect sequence follows.
    void connecting();
    // The connect sequence is over: the scene may initialise.
    void connected();
    // No listed mouse is present (or none answered the handshake, or none
    // could be opened: see refusedNode).
    void absent();
    // From the notification listener, delivered on this object's thread.
    void dpiStageReported(int stage);
    void removed();

private:
    void connectSequence();

    SettingsStore *m_store;
    Hid_Thread *m_hid;
    const CommandFamily *m_family;
    bool m_connected = false;
    QString m_refusedNode;
};
