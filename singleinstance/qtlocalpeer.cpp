#include "singleinstance/qtlocalpeer.h"

#include "singleinstance/sessionsuffix.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QThread>
#include <QtEndian>

#include <limits>
#include <memory>

namespace {
const char ack[] = "ack";
constexpr qint64 ackLength = 3;
constexpr int bodyWaitTimeout = 2000;
constexpr int answerTimeout = 1000;
} // namespace

QtLocalPeer::Names QtLocalPeer::deriveNames(const QString &appId,
                                            const QString &applicationFilePath,
                                            const QString &sessionSuffix, const QString &tempPath)
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

    names.lockFileName = QDir(tempPath).absolutePath() + QLatin1Char('/') + names.socketName +
                         QStringLiteral("-lockfile");
    return names;
}

QtLocalPeer::QtLocalPeer(QObject *parent, const QString &appId)
    : QObject(parent), m_server(new QLocalServer(this))
{
    const Names names = deriveNames(appId, QCoreApplication::applicationFilePath(), sessionSuffix(),
                                    QDir::tempPath());
    m_id = names.id;
    m_socketName = names.socketName;

    // Only processes of this user may talk to the first instance.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);

    m_lockFile.setFileName(names.lockFileName);
    m_lockFile.open(QIODevice::ReadWrite);
}

bool QtLocalPeer::isClient()
{
    if (m_lockFile.isLocked())
        return false;

    if (!m_lockFile.lock(QtLP_Private::QtLockedFile::WriteLock, false))
        return true;

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

void QtLocalPeer::receiveConnection()
{
    std::unique_ptr<QLocalSocket> socket(m_server->nextPendingConnection());
    if (!socket)
        return;

    while (socket->bytesAvailable() < qint64(sizeof(quint32))) {
        if (!socket->waitForReadyRead(m_lengthWaitTimeout))
            return; // silent or gone: drop it
    }
    char lengthBytes[sizeof(quint32)];
    socket->read(lengthBytes, sizeof lengthBytes);
    quint32 remaining = qFromBigEndian<quint32>(lengthBytes);

    // The length comes from the other process: the buffer grows with what
    // actually arrives instead of being reserved up front.
    QByteArray body;
    char chunk[4096];
    qint64 got = 0;
    do {
        while (remaining > 0 &&
               (got = socket->read(chunk, qMin<qint64>(remaining, sizeof chunk))) > 0) {
            body.append(chunk, got);
            remaining -= quint32(got);
        }
    } while (remaining > 0 && got >= 0 && socket->waitForReadyRead(bodyWaitTimeout));
    if (got < 0) {
        qWarning("QtLocalPeer: Message reception failed %s", qPrintable(socket->errorString()));
        return;
    }

    const qsizetype end = body.indexOf('\0');
    const QString message = QString::fromUtf8(end < 0 ? body : body.left(end));

    if (socket->state() == QLocalSocket::ConnectedState) {
        socket->write(ack, ackLength);
        socket->waitForBytesWritten(answerTimeout);
        if (socket->state() != QLocalSocket::UnconnectedState)
            socket->waitForDisconnected(answerTimeout);
    }
    socket.reset();

    // Only now, so that a slow receiver never keeps the sender waiting.
    emit messageReceived(message);
}
