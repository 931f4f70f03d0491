#include "singleinstance/qtsinglecoreapplication.h"

#include "singleinstance/qtlocalpeer.h"

QtSingleCoreApplication::QtSingleCoreApplication(int &argc, char **argv)
    : QtSingleCoreApplication(QString(), argc, argv)
{
}

QtSingleCoreApplication::QtSingleCoreApplication(const QString &appId, int &argc, char **argv)
    : QApplication(argc, argv), m_peer(std::make_unique<QtLocalPeer>(this, appId))
{
    connect(m_peer.get(), &QtLocalPeer::messageReceived, this,
            &QtSingleCoreApplication::messageReceived);
}

QtSingleCoreApplication::~QtSingleCoreApplication() = default;

bool QtSingleCoreApplication::isRunning()
{
    return m_peer->isClient();
}

QString QtSingleCoreApplication::id() const
{
    return m_peer->applicationId();
}

bool QtSingleCoreApplication::sendMessage(const QString &message, int timeout)
{
    return m_peer->sendMessage(message, timeout);
}

bool QtSingleCoreApplication::sendMessage(const QString &message)
{
    return sendMessage(message, 5000);
}
