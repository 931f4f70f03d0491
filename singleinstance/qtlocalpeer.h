#pragma once

#include "singleinstance/qtlockedfile.h"

#include <QObject>
#include <QString>

class QLocalServer;

// One side of the single-instance guard. The first instance holds the write
// lock of the lock file and listens on the local socket; every later one
// finds the lock taken and hands its message over through the socket.
class QtLocalPeer : public QObject
{
    Q_OBJECT

public:
    struct Names {
        QString id;           // the application id, or the lower-case executable path
        QString socketName;   // name of the local server
        QString lockFileName; // absolute path of the lock file
    };

    // An empty appId derives the id from the executable's path.
    explicit QtLocalPeer(QObject *parent = nullptr, const QString &appId = QString());

    // True when another instance holds the lock. Otherwise this peer takes
    // the lock, listens and keeps both until it is destroyed.
    bool isClient();
    bool sendMessage(const QString &message, int timeout);

    QString applicationId() const { return m_id; }
    QString socketName() const { return m_socketName; }

    // sessionSuffix may be empty; applicationFilePath is used only when appId is.
    static Names deriveNames(const QString &appId, const QString &applicationFilePath,
                             const QString &sessionSuffix, const QString &tempPath);

    // How long a connection may stay silent before its length arrives.
    // Tests shorten it; the program keeps the default.
    void setLengthWaitTimeout(int msecs) { m_lengthWaitTimeout = msecs; }

signals:
    void messageReceived(const QString &message);

public slots:
    void receiveConnection();

private:
    QString m_id;
    QString m_socketName;
    QLocalServer *m_server; // child of the peer
    QtLP_Private::QtLockedFile m_lockFile;
    int m_lengthWaitTimeout = 30000;
};
