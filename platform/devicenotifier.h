// Tells the window that HID devices came or went, in place of the
// device-change window message. Sources: a udev monitor on hidraw, and the
// virtual mouse when the program runs against it.
#pragma once

#include <QObject>
#include <memory>

class DeviceChangeNotifier : public QObject
{
    Q_OBJECT
public:
    explicit DeviceChangeNotifier(QObject *parent = nullptr);
    ~DeviceChangeNotifier() override;

signals:
    // Always emitted on the notifier's own thread.
    void deviceChanged();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
