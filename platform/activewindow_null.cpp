#include "platform/activewindow.h"

// No watcher on this system: the rules are kept, nothing follows them.
struct ActiveWindowWatcher::Private {
};

ActiveWindowWatcher::ActiveWindowWatcher(QObject *parent) : QObject(parent) {}

ActiveWindowWatcher::~ActiveWindowWatcher() = default;

ActiveWindowWatcher::Support ActiveWindowWatcher::start(const QByteArray &)
{
    return Support::Unsupported;
}

ActiveWindowWatcher::Support ActiveWindowWatcher::support() const
{
    return Support::Unsupported;
}

QStringList ActiveWindowWatcher::openWindowClasses() const
{
    return {};
}
