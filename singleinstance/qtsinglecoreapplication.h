#pragma once

#include <QApplication>

#include <memory>

class QtLocalPeer;

// The application object of a program that runs once per user: a later
// start asks isRunning(), hands its message to the first one and ends.
class QtSingleCoreApplication : public QApplication
{
    Q_OBJECT

public:
    QtSingleCoreApplication(int &argc, char **argv);
    QtSingleCoreApplication(const QString &appId, int &argc, char **argv);
    ~QtSingleCoreApplication() override;

    bool isRunning();
    QString id() const;

public slots:
    bool sendMessage(const QString &message, int timeout);
    bool sendMessage(const QString &message);

signals:
    void messageReceived(const QString &message);

private:
    // A child of the application, released before the application itself
    // goes so that its server and socket never outlive the event dispatcher.
    std::unique_ptr<QtLocalPeer> m_peer;
};
