#pragma once

#include "singleinstance/qtlockedfile.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

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
        QString
            serverName; // what the server listens on: the socket's path (a pipe name on Windows)
    };

    // An empty appId derives the id from the executable's path.
    explicit QtLocalPeer(QObject *parent = nullptr, const QString &appId = QString());
    // The peer of another program: its names derive from applicationFilePath
    // instead of this process's executable.
    QtLocalPeer(QObject *parent, const QString &appId, const QString &applicationFilePath);

    // Whether an instance of the program at applicationFilePath runs: it
    // holds the lock this guard takes for it, in any of lockFolders(). Neither
    // takes the lock for long nor listens; no lock file means no instance.
    static bool isRunningElsewhere(const QString &appId, const QString &applicationFilePath);

    // True when another instance holds the lock. Otherwise this peer takes
    // the lock, listens and keeps both until it is destroyed.
    bool isClient();
    bool sendMessage(const QString &message, int timeout);

    QString applicationId() const { return m_id; }
    QString socketName() const { return m_socketName; } // the server name clients connect to

    // sessionSuffix may be empty; applicationFilePath is used only when appId is.
    static Names deriveNames(const QString &appId, const QString &applicationFilePath,
                             const QString &sessionSuffix, const QString &runtimeDir);

    // Where the lock file and the socket live: a folder no other user can
    // write to (XDG_RUNTIME_DIR when it is private, else a 0700 folder of
    // ours). Empty, with what went wrong in problem, when there is none.
    static QString privateRuntimeDir(QString *problem = nullptr);

    // The private folders where an instance of this user may keep its lock,
    // whichever environment it was started in; none is created.
    static QStringList lockFolders();

    // A message is the path of a file at most; anything longer is refused.
    static constexpr qint64 kMaxMessageLength = 64 * 1024;

    // The time a connection has to deliver its whole message; a connection
    // is read as its bytes arrive, never waited for. Tests shorten it.
    void setConnectionDeadline(int msecs) { m_connectionDeadline = msecs; }

signals:
    void messageReceived(const QString &message);

public slots:
    void receiveConnection();

private:
    struct Reception;
    void readFrom(QLocalSocket *socket, Reception &reception);
    void deliver(const QByteArray &body);

    QString m_id;
    QString m_socketName;
    QLocalServer *m_server; // child of the peer
    QtLP_Private::QtLockedFile m_lockFile;
    int m_connectionDeadline = 5000;
    QString m_problem; // why the guard cannot work, if it cannot
    bool m_problemReported = false;
};
