#include "app/quitsignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end the handler uses; -1 while no instance lives.
volatile sig_atomic_t g_writeFd = -1;

// A file descriptor closed with its owner.
struct Fd {
    int fd = -1;
    Fd() = default;
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() { reset(); }
    void reset()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

struct State {
    Fd read;
    Fd write;
    struct sigaction old[std::size(kSignals)] = {};
};
State *g_state = nullptr;

extern "C" void onQuitSignal(int signal)
{
    const int savedErrno = errno;
    const int fd = g_writeFd;
    if (fd >= 0) {
        const char byte = char(signal);
        // A full pipe already holds a byte that will end the program.
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals(QObject *parent) : QObject(parent)
{
    if (g_state)
        return; // another instance has them
    auto state = std::make_unique<State>();
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
        return;
    state->read.fd = fds[0];
    state->write.fd = fds[1];
    g_state = state.release();
    g_writeFd = g_state->write.fd;
    m_notifier = new QSocketNotifier(g_state->read.fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::readSignals);

    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &g_state->old[i]);
    m_active = true;
}

QuitSignals::~QuitSignals()
{
    if (!m_active)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &g_state->old[i], nullptr);
    g_writeFd = -1;
    delete m_notifier;
    m_notifier = nullptr;
    delete g_state;
    g_state = nullptr;
}

void QuitSignals::readSignals()
{
    char bytes[16];
    ssize_t n = 0;
    int last = 0;
    while ((n = ::read(g_state->read.fd, bytes, sizeof bytes)) > 0)
        last = bytes[n - 1];
    if (last)
        emit quitRequested(last);
}

#else

QuitSignals::QuitSignals(QObject *parent) : QObject(parent) {}
QuitSignals::~QuitSignals() = default;
void QuitSignals::readSignals() {}

#endif
