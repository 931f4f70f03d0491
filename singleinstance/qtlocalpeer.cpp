#include "singleinstance/qtlocalpeer.h"

#include "singleinstance/sessionsuffix.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QDebug>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <limits>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <memory>

namespace {
const char ack[] = "ack";
constexpr qint64 ackLength = 3;
} // namespace

QtLocalPeer::Names QtLocalPeer::deriveNames(const QString &appId,
                                            const QString &applicationFilePath,
                                            const QString &sessionSuffix, const QString &runtimeDir)
{
    Names names;
    QString prefix;
    if (appId.isEmpty()) {
        names.id = applicationFilePath.toLower();
        prefix = names.id.mid(names.id.lastIndexOf(QLatin1Char('/')) + 1);
    } else {
        names.id = appId;
        prefix = appId;
    }
    static const QRegularExpression nonLetters(QStringLiteral("[^a-zA-Z]"));
    prefix.remove(nonLetters);
    prefix.truncate(6);

    const quint16 idNum = qChecksum(names.id.toUtf8());
    names.socketName =
        QStringLiteral("qtsingleapp-") + prefix + QLatin1Char('-') + QString::number(idNum, 16);
    if (!sessionSuffix.isEmpty())
        names.socketName += QLatin1Char('-') + sessionSuffix;

    const QString dir = QDir(runtimeDir).absolutePath() + QLatin1Char('/');
    names.lockFileName = dir + names.socketName + QStringLiteral("-lockfile");
#ifdef Q_OS_WIN
    names.serverName = names.socketName; // a pipe name, not a path
#else
    names.serverName = dir + names.socketName;
#endif
    return names;
}

#ifdef Q_OS_UNIX
namespace {

// A folder only this user can enter: a real folder (not a link), ours, and
// closed to group and others.
bool isPrivateFolder(const QString &path)
{
    struct stat info {
    };
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// path made as a private folder when it is not there; whether it is one.
bool makePrivateFolder(const QString &path, QStringList &problems)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        problems << path + QStringLiteral(": ") + qt_error_string(errno);
    if (isPrivateFolder(path))
        return true;
    if (QFileInfo::exists(path))
        problems << path + QStringLiteral(": not a folder of this user closed to others");
    return false;
}

} // namespace
#endif

QString QtLocalPeer::privateRuntimeDir(QString *problem)
{
#ifdef Q_OS_UNIX
    // The session's runtime folder; otherwise one of ours in the shared
    // temporary folder, or under the home folder when someone else took that
    // name first.
    QStringList problems;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        if (isPrivateFolder(runtime))
            return QDir(runtime).absolutePath();
        problems << runtime + QStringLiteral(": XDG_RUNTIME_DIR is not private to this user");
    }
    const QString user = QString::number(qulonglong(::geteuid()));
    const QString inTemp = QDir::tempPath() + QStringLiteral("/kesta-config-") + user;
    if (makePrivateFolder(inTemp, problems))
        return inTemp;
    const QString home = QDir::homePath() + QStringLiteral("/.kesta-config-run");
    if (makePrivateFolder(home, problems))
        return home;
    if (problem)
        *problem = problems.join(QStringLiteral("; "));
    return QString();
#else
    Q_UNUSED(problem);
    return QDir::tempPath(); // the user's own temporary folder
#endif
}

QtLocalPeer::QtLocalPeer(QObject *parent, const QString &appId)
    : QtLocalPeer(parent, appId, QCoreApplication::applicationFilePath())
{
}

QtLocalPeer::QtLocalPeer(QObject *parent, const QString &appId, const QString &applicationFilePath)
    : QObject(parent), m_server(new QLocalServer(this))
{
    QString problem;
    const QString runtimeDir = privateRuntimeDir(&problem);
    const Names names = deriveNames(appId, applicationFilePath, sessionSuffix(), runtimeDir);
    m_id = names.id;
    m_socketName = names.serverName;

    // Only processes of this user may talk to the first instance.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);

    if (runtimeDir.isEmpty()) {
        m_problem = QStringLiteral("no private folder for the lock: ") + problem;
        return;
    }
    m_lockFile.setFileName(names.lockFileName);
    if (!m_lockFile.open(QIODevice::ReadWrite))
        m_problem = QStringLiteral("cannot open the lock file ") + names.lockFileName +
                    QStringLiteral(": ") + m_lockFile.errorString();
}

QStringList QtLocalPeer::lockFolders()
{
    QStringList folders;
#ifdef Q_OS_UNIX
    // The runtime folder an instance chose depends on its environment: a
    // program started in the desktop session has XDG_RUNTIME_DIR, a script
    // run from cron or over ssh often has not (or another TMPDIR). Every
    // place this user's guard may have used is looked at; only private
    // folders count, so nobody else can plant a lock there.
    const QString user = QString::number(qulonglong(::geteuid()));
    const QStringList candidates{qEnvironmentVariable("XDG_RUNTIME_DIR"),
                                 QStringLiteral("/run/user/") + user,
                                 QDir::tempPath() + QStringLiteral("/kesta-config-") + user,
                                 QStringLiteral("/tmp/kesta-config-") + user,
                                 QDir::homePath() + QStringLiteral("/.kesta-config-run")};
    for (const QString &candidate : candidates) {
        if (!isPrivateFolder(candidate))
            continue;
        const QString folder = QDir(candidate).absolutePath();
        if (!folders.contains(folder))
            folders << folder;
    }
#else
    folders << QDir::tempPath();
#endif
    return folders;
}

bool QtLocalPeer::isRunningElsewhere(const QString &appId, const QString &applicationFilePath)
{
    for (const QString &runtimeDir : lockFolders()) {
        const Names names = deriveNames(appId, applicationFilePath, sessionSuffix(), runtimeDir);
        if (!QFileInfo::exists(names.lockFileName))
            continue;
        QtLP_Private::QtLockedFile lock(names.lockFileName);
        if (!lock.open(QIODevice::ReadWrite))
            continue;
        // A shared lock: the program's lock refuses it, while checks of
        // other runs made at the same moment do not see each other.
        if (lock.lock(QtLP_Private::QtLockedFile::ReadLock, false)) {
            lock.unlock();
            continue;
        }
        if (lock.heldElsewhere())
            return true;
    }
    return false;
}

bool QtLocalPeer::isClient()
{
    if (m_lockFile.isLocked())
        return false;
    // A guard that cannot work is no sign of another instance: this one runs,
    // and says why it is not guarded.
    if (!m_lockFile.isOpen()) {
        if (!m_problemReported)
            qWarning("QtLocalPeer: running without the single-instance guard: %s",
                     qPrintable(m_problem));
        m_problemReported = true;
        return false;
    }

    if (!m_lockFile.lock(QtLP_Private::QtLockedFile::WriteLock, false)) {
        if (m_lockFile.heldElsewhere())
            return true;
        qWarning("QtLocalPeer: running without the single-instance guard: cannot lock %s",
                 qPrintable(m_lockFile.fileName()));
        return false;
    }

    // Holding the lock means no live instance owns the name; a socket left
    // behind by one that crashed would make listen() fail for every later start.
    QLocalServer::removeServer(m_socketName);
    if (!m_server->listen(m_socketName))
        qWarning("QtSingleCoreApplication: listen on local socket failed, %s",
                 qPrintable(m_server->errorString()));
    connect(m_server, &QLocalServer::newConnection, this, &QtLocalPeer::receiveConnection,
            Qt::UniqueConnection);
    return false;
}

bool QtLocalPeer::sendMessage(const QString &message, int timeout)
{
    if (!isClient())
        return false;

    QLocalSocket socket;
    bool connected = false;
    for (int attempt = 0; attempt < 2 && !connected; ++attempt) {
        if (attempt > 0)
            QThread::msleep(250); // the first instance may still be starting up
        socket.connectToServer(m_socketName);
        connected = socket.waitForConnected(timeout / 2);
    }
    if (!connected)
        return false;

    const QByteArray body = message.toUtf8();
    if (quint64(body.size()) >= std::numeric_limits<quint32>::max())
        return false;
    QByteArray block(sizeof(quint32), Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(body.size()), block.data());
    block += body;

    if (socket.write(block) != block.size() || !socket.waitForBytesWritten(timeout))
        return false;

    QByteArray answer;
    while (answer.size() < ackLength &&
           (socket.bytesAvailable() > 0 || socket.waitForReadyRead(timeout)))
        answer += socket.read(ackLength - answer.size());
    return answer == ack;
}

// One connection of a later instance: its bytes as they arrive.
struct QtLocalPeer::Reception {
    QByteArray bytes;
    qint64 length = -1; // the declared body length once its four bytes are in
    bool done = false;
};

void QtLocalPeer::receiveConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // The socket is a child of the server; every way out below ends in
        // deleteLater, and the deadline makes sure one is taken.
        auto reception = std::make_shared<Reception>();
        auto *deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, [socket, reception] {
            if (!reception->done)
                qDebug("QtLocalPeer: a connection sent no whole message in time; dropped");
            reception->done = true;
            socket->abort();
            socket->deleteLater();
        });
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, reception] { readFrom(socket, *reception); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, reception] {
            // A sender that closes early hands over what it sent, as long as
            // its length came first.
            if (!reception->done) {
                readFrom(socket, *reception);
                if (!reception->done && reception->length >= 0) {
                    reception->done = true;
                    deliver(reception->bytes);
                }
                reception->done = true;
            }
            socket->deleteLater();
        });
        deadline->start(m_connectionDeadline);
        readFrom(socket, *reception);
        if (socket->state() == QLocalSocket::UnconnectedState && !reception->done) {
            if (reception->length >= 0)
                deliver(reception->bytes);
            reception->done = true;
            socket->deleteLater();
        }
    }
}

void QtLocalPeer::readFrom(QLocalSocket *socket, Reception &reception)
{
    if (reception.done)
        return;
    if (reception.length < 0) {
        if (socket->bytesAvailable() < qint64(sizeof(quint32)))
            return;
        char lengthBytes[sizeof(quint32)];
        socket->read(lengthBytes, sizeof lengthBytes);
        reception.length = qFromBigEndian<quint32>(lengthBytes);
        if (reception.length > kMaxMessageLength) {
            reception.done = true;
            qDebug("QtLocalPeer: a connection announced %lld bytes, more than a message may "
                   "have (%lld); dropped",
                   static_cast<long long>(reception.length),
                   static_cast<long long>(kMaxMessageLength));
            socket->abort();
            socket->deleteLater();
            return;
        }
    }
    const qint64 missing = reception.length - reception.bytes.size();
    if (missing > 0)
        reception.bytes += socket->read(missing);
    if (reception.bytes.size() < reception.length)
        return;

    reception.done = true;
    // The sender closes once it has the answer (the socket goes then), or
    // the deadline closes it.
    if (socket->state() == QLocalSocket::ConnectedState) {
        socket->write(ack, ackLength);
        socket->flush();
    } else {
        socket->deleteLater();
    }
    deliver(reception.bytes);
}

void QtLocalPeer::deliver(const QByteArray &body)
{
    const qsizetype end = body.indexOf('\0');
    emit messageReceived(QString::fromUtf8(end < 0 ? body : body.left(end)));
}
