// How the window behaves while the mouse takes its time. Loads the real scene
// in the main window with the real operations and the virtual mouse, starts
// the scene's busy indicator as the pages do, and calls, from an event as a
// page's handler would:
//   - a full key-matrix save with a weapon key (four layers and the switch),
//   - a DPI save (all eight stages),
//   - a macro send (128 bytes),
//   - a profile change, back and forth between the stored profile and
//     another, so that every repetition changes and sends every page.
// For each it reports the wall time of the call, the pauses the link mandates
// for what went over the wire, the time the same call spends without the
// device (the settings writes), the longest gap between two frames the scene
// rendered and between two ticks of a 16 ms timer during the transfer (from
// the first hidapi call to the last; frames counted there too), the longest
// frame gap over the whole call, settings writes included, and the syncs to
// disk (fdatasync, fsync) made on the GUI thread and on other threads from
// the call until the next repetition.
//
//   bench-transfer [--sync-delay-ms N] [repetitions]
//       repetitions: default 3; worst gap and mean time shown
//       --sync-delay-ms N: runs again under strace, which delays every
//       fdatasync and fsync of the process by N ms (a slow disk)
//
// Runs on whatever platform Qt picks (QT_QPA_PLATFORM=offscreen works without
// a display) with the software scene renderer. Ends with 1 when a call left a
// frame gap above 50 ms (over the whole call) or spent 5 % or more beyond its
// pauses plus its settings writes; with 2 when it cannot run, with 3 when
// strace is missing for --sync-delay-ms.
#include "app/widget.h"
#include "model/models.h"
#include "model/sessionmodel.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/myqquickview.h"

#include "../../tests/stagemodules.h"

#include <QApplication>
#include <QDir>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr double kGoalFrameGapMs = 50;
constexpr double kGoalOverhead = 0.05;
// Set in the copy that runs under strace (see reexecUnderStrace).
constexpr const char *kTracedVariable = "KESTA_BENCH_SYNC_DELAY_TRACED";

// Syncs to disk the process made, by thread, and the time they took.
struct SyncCounter {
    std::atomic<int> count{0};
    std::atomic<long long> ns{0};
};
SyncCounter guiSyncs;
SyncCounter otherSyncs;

void resetSyncs()
{
    for (SyncCounter *c : {&guiSyncs, &otherSyncs}) {
        c->count = 0;
        c->ns = 0;
    }
}

// CLOCK_MONOTONIC in milliseconds, the wire log's clock.
double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Lets the event loop run for a while (or until done() holds).
void spin(int ms, const std::function<bool()> &done = {})
{
    const double end = nowMs() + ms;
    while (nowMs() < end && !(done && done()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Pauses the link makes for the commands in the wire log: 128 ms after a
// frame sent with pause, 120 ms after each output report, 128 ms after the
// data phase of a command with pause.
double mandatedPauses(int family)
{
    const std::set<int> pause553 = {0x01, 0x02, 0x07, 0x0B, 0x0C, 0x0D,
                                    0x10, 0x11, 0x12, 0x13, 0x16};
    const std::set<int> pause560 = {0x03, 0x04, 0x09, 0x0C, 0x0D, 0x0F, 0x10, 0x16};
    const std::set<int> &withPause = family == 560 ? pause560 : pause553;
    double total = 0;
    bool pause = false;
    int reports = 0;
    auto close = [&] {
        if (pause && reports > 0)
            total += 128;
        reports = 0;
    };
    for (const kvm::WireEntry &e : kvm::wireLog()) {
        if (e.iface != "command")
            continue;
        if (e.call == "send_feature" && e.plain.size() > 1) {
            close();
            const int code = e.plain[1];
            pause = code < 0x80 && code != 0x00 && withPause.count(code) > 0;
            if (pause)
                total += 128;
        } else if (e.call == "write" && e.result > 0) {
            ++reports;
            total += 120;
        }
    }
    close();
    return total;
}

struct Sample {
    double wall = 0;
    double mandated = 0;
    double frameGap = 0; // from the first hidapi call to the last
    double tickGap = 0;
    double callFrameGap = 0; // over the whole call, settings writes included
    int frames = 0;
};

// Longest distance between consecutive stamps over [from, to], the edges
// counting as stamps when nothing came in between.
double longestGap(const QList<double> &stamps, double from, double to)
{
    double last = from;
    double worst = 0;
    for (double t : stamps) {
        if (t <= from)
            continue;
        if (t > to)
            break;
        worst = std::max(worst, t - last);
        last = t;
    }
    return std::max(worst, to - last);
}

struct Scenario {
    const char *name;
    std::function<void(myQQuickView *, bool send)> run;
    bool hasStoreOnlyVariant;
};

QVariantList gameMatrixWithWeapons()
{
    QVariantList m;
    for (int n = 0; n < 16; ++n)
        m << 0 << 0 << 0xF0 << 0;
    m[4 * 9] = 8; // three weapons on button 9
    m[4 * 9 + 2] = 3;
    return m;
}

QVariantList macroBlock()
{
    QVariantList block;
    for (int k = 0; k < 128; ++k)
        block << (k * 7 + 3) % 256;
    return block;
}

// Runs this program again under strace, which delays every fdatasync and
// fsync by delayMs on entry. The filter runs in the kernel (--seccomp-bpf):
// without it every system call of the process would stop for the tracer
// and the figures would say nothing. Returns only when it cannot.
int reexecUnderStrace(int delayMs, const std::vector<std::string> &args)
{
    const std::string inject =
        "inject=fdatasync,fsync:delay_enter=" + std::to_string(delayMs) + "ms";
    std::vector<std::string> argv = {"strace",    "-f", "--seccomp-bpf",         "-qq", "-o",
                                     "/dev/null", "-e", "trace=fdatasync,fsync", "-e",  inject,
                                     "--"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> cargv;
    for (std::string &a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    setenv(kTracedVariable, "1", 1);
    std::fflush(nullptr);
    execvp("strace", cargv.data());
    if (errno == ENOENT) {
        std::fprintf(stderr, "bench-transfer: --sync-delay-ms needs strace, which is not "
                             "installed (scripts/install-deps.sh installs it)\n");
        return 3;
    }
    std::fprintf(stderr, "bench-transfer: cannot start strace: %s\n", std::strerror(errno));
    return 2;
}

// Whether a tracer is attached to this process.
bool traced()
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return false;
    char line[256];
    bool yes = false;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "TracerPid:", 10) == 0) {
            yes = std::atoi(line + 10) != 0;
            break;
        }
    }
    std::fclose(f);
    return yes;
}

// Cost of a system call the tracer does not ask for, in microseconds: well
// under one when the kernel filters, tens when every call stops. The best
// of a few batches, so that a busy machine does not pass for a tracer.
double untracedSyscallUs()
{
    constexpr int n = 500;
    double best = 1e9;
    for (int batch = 0; batch < 5; ++batch) {
        const double t0 = nowMs();
        for (int k = 0; k < n; ++k)
            syscall(SYS_getppid);
        best = std::min(best, (nowMs() - t0) * 1000 / n);
    }
    return best;
}

// Counts the process's syncs to disk (the settings files are written with
// fdatasync) before passing them on: this program's definitions come first
// for the libraries it loads.
template <typename Fn> int countedSync(const char *name, int fd)
{
    static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    const double t0 = nowMs();
    const int result = real(fd);
    SyncCounter &c = gettid() == getpid() ? guiSyncs : otherSyncs;
    c.ns += (long long)((nowMs() - t0) * 1e6);
    ++c.count;
    return result;
}
} // namespace

extern "C" int fdatasync(int fd)
{
    return countedSync<int (*)(int)>("fdatasync", fd);
}

extern "C" int fsync(int fd)
{
    return countedSync<int (*)(int)>("fsync", fd);
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    int repetitions = 3;
    int syncDelayMs = 0;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--sync-delay-ms") == 0 && k + 1 < argc) {
            syncDelayMs = std::max(0, atoi(argv[++k]));
        } else if (argv[k][0] != '-') {
            repetitions = std::max(1, atoi(argv[k]));
        } else {
            std::fprintf(stderr, "usage: bench-transfer [--sync-delay-ms N] [repetitions]\n");
            return 2;
        }
    }
    if (syncDelayMs > 0 && qEnvironmentVariableIsEmpty(kTracedVariable)) {
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) {
            std::fprintf(stderr, "bench-transfer: cannot find its own executable\n");
            return 2;
        }
        self[n] = 0;
        std::vector<std::string> args = {self};
        args.insert(args.end(), argv + 1, argv + argc);
        return reexecUnderStrace(syncDelayMs, args);
    }
    if (syncDelayMs > 0 && !traced()) {
        std::fprintf(stderr, "bench-transfer: %s is set but no tracer delays the syncs\n",
                     kTracedVariable);
        return 2;
    }
    // Under a tracer that stops the process at every system call the times
    // would be the tracer's.
    const double syscallUs = untracedSyscallUs();
    const bool slowSyscalls = syncDelayMs > 0 && syscallUs > 10;

    QApplication app(argc, argv);

    QTemporaryDir dir;
    qputenv("KESTA_SOURCE_DIR", KESTA_SOURCE_DIR);
    if (!dir.isValid() || !stageModules(dir.path())) {
        std::fprintf(stderr, "bench-transfer: cannot stage the modules folder\n");
        return 2;
    }
    QDir::setCurrent(dir.path());
    kvm::configure(kvm::defaultConfig());
    const int family = kvm::defaultConfig().family;

    // Quiet: the link writes a debug line per command.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });

    Widget widget;
    widget.showNormal();
    widget.checkDevice();
    myQQuickView *view = widget.view();
    if (!widget.isDeviceConnected() || !view->rootObject()) {
        std::fprintf(stderr, "bench-transfer: the virtual mouse did not connect\n");
        return 2;
    }
    QQuickItem *root = view->rootObject();
    spin(5000, [root] { return root->property("startupDone").toBool(); });

    QList<double> frames;
    QList<double> ticks;
    QObject::connect(view, &QQuickWindow::frameSwapped, [&frames] { frames << nowMs(); });
    QTimer tick;
    tick.setInterval(16);
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ticks << nowMs(); });
    tick.start();

    // The profile change goes back and forth, so that each one changes.
    SessionModel *session = Models::instance() ? Models::instance()->session() : nullptr;
    if (!session) {
        std::fprintf(stderr, "bench-transfer: the program made no models\n");
        return 2;
    }
    const int storedProfile = session->profileNo();
    const int otherProfile = storedProfile == 0 ? 1 : 0;
    bool profileChangeRefused = false;

    const std::vector<Scenario> scenarios = {
        {"key matrix, weapon key (4 layers)",
         [](myQQuickView *v, bool send) {
             v->mouseSetKeyMatrix(1, QVariantList(64, 0), gameMatrixWithWeapons(), send, {12, 34});
         },
         true},
        {"DPI, 8 stages",
         [](myQQuickView *v, bool) {
             v->mouseSetDpi(8, QStringLiteral("3325"),
                            {400, 800, 1200, 1600, 2400, 3200, 4000, 5000},
                            {1, 1, 1, 1, 1, 1, 1, 1});
         },
         false},
        {"macro send, 128 bytes",
         [](myQQuickView *v, bool) { v->mouseSendMacroData(macroBlock(), 3); }, false},
        {"profile change (every page sent)",
         [&](myQQuickView *, bool) {
             if (!session->changeProfile(session->profileNo() == storedProfile ? otherProfile
                                                                               : storedProfile))
                 profileChangeRefused = true;
         },
         false},
    };

    QTextStream out(stdout);
    out << "Transfers in the scene (" << repetitions << " repetitions, platform "
        << QGuiApplication::platformName() << "; "
        << (syncDelayMs > 0
                ? QStringLiteral("every fdatasync and fsync delayed by %1 ms with strace, "
                                 "other system calls %2 us each")
                      .arg(syncDelayMs)
                      .arg(syscallUs, 0, 'f', 2)
                : QStringLiteral("syncs not delayed"))
        << ")\n\n";
    if (slowSyscalls)
        out << "Warning: every system call stops for the tracer ("
            << QString::number(syscallUs, 'f', 1) << " us each): these times are the tracer's.\n\n";
    out << "| Operation | Wall time | Mandated pauses | Settings writes | Overhead | Longest "
           "frame gap | Longest 16 ms tick gap | Frames | Syncs, GUI thread | Syncs, other "
           "threads | Longest frame gap, whole call | Goal |\n";
    out << "|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    bool goalMet = true;
    for (const Scenario &s : scenarios) {
        Sample worst;
        double wallSum = 0;
        double storeSum = 0;
        int guiSyncSum = 0;
        int otherSyncSum = 0;
        double guiSyncMsSum = 0;
        double otherSyncMsSum = 0;
        for (int r = 0; r < repetitions; ++r) {
            // The settings writes alone: the same call with nothing to send.
            if (s.hasStoreOnlyVariant) {
                const double t0 = nowMs();
                s.run(view, false);
                storeSum += nowMs() - t0;
            }
            // The busy indicator turns, as during any page's save.
            view->setBusy(600000);
            spin(400);
            kvm::clearWireLog();
            double t0 = 0, t1 = 0;
            bool done = false;
            // Started from an event, as a page's handler would.
            QTimer::singleShot(0, view, [&] {
                resetSyncs();
                t0 = nowMs();
                s.run(view, true);
                t1 = nowMs();
                done = true;
            });
            spin(20000, [&done] { return done; });
            spin(200);
            Sample sample;
            sample.wall = t1 - t0;
            sample.mandated = mandatedPauses(family);
            double w0 = t1, w1 = t0; // the command interface's first and last call
            for (const kvm::WireEntry &e : kvm::wireLog()) {
                if (e.iface == "command") {
                    w0 = std::min(w0, e.t);
                    w1 = std::max(w1, e.t);
                }
            }
            sample.frameGap = longestGap(frames, w0, w1);
            sample.tickGap = longestGap(ticks, w0, w1);
            sample.callFrameGap = longestGap(frames, t0, t1);
            sample.frames = int(std::count_if(frames.begin(), frames.end(),
                                              [&](double t) { return t > w0 && t <= w1; }));
            wallSum += sample.wall;
            worst.mandated = sample.mandated;
            worst.frameGap = std::max(worst.frameGap, sample.frameGap);
            worst.tickGap = std::max(worst.tickGap, sample.tickGap);
            worst.callFrameGap = std::max(worst.callFrameGap, sample.callFrameGap);
            worst.frames = r == 0 ? sample.frames : std::min(worst.frames, sample.frames);
            frames.clear();
            ticks.clear();
            // The scene's protect timer ends the busy state.
            view->setBusy(1);
            spin(100);
            // Syncs from the call until now, writes the call left to
            // another thread included.
            guiSyncSum += guiSyncs.count;
            otherSyncSum += otherSyncs.count;
            guiSyncMsSum += double(guiSyncs.ns) / 1e6;
            otherSyncMsSum += double(otherSyncs.ns) / 1e6;
        }
        const double wall = wallSum / repetitions;
        const double storeOnly = storeSum / repetitions;
        // A call without a variant that only stores counts its settings
        // writes as overhead.
        const double overhead = (wall - worst.mandated - storeOnly) / worst.mandated;
        const bool met = worst.callFrameGap <= kGoalFrameGapMs && overhead < kGoalOverhead;
        goalMet = goalMet && met;
        auto syncs = [repetitions](int count, double ms) {
            return QStringLiteral("%1 (%2 ms)")
                .arg(QString::number(double(count) / repetitions, 'f', 1),
                     QString::number(ms / repetitions, 'f', 1));
        };
        out << "| " << s.name << " | " << QString::number(wall, 'f', 1) << " ms | "
            << QString::number(worst.mandated, 'f', 0) << " ms | "
            << (s.hasStoreOnlyVariant ? QString::number(storeOnly, 'f', 1) + " ms"
                                      : QStringLiteral("in the overhead"))
            << " | " << QString::number(overhead * 100, 'f', 2) << " % | "
            << QString::number(worst.frameGap, 'f', 1) << " ms | "
            << QString::number(worst.tickGap, 'f', 1) << " ms | " << worst.frames << " | "
            << syncs(guiSyncSum, guiSyncMsSum) << " | " << syncs(otherSyncSum, otherSyncMsSum)
            << " | " << QString::number(worst.callFrameGap, 'f', 1)
            << " ms | frame gap over the whole call at most " << kGoalFrameGapMs
            << " ms, overhead below " << kGoalOverhead * 100 << " %: " << (met ? "met" : "MISSED")
            << " |\n";
        out.flush();
    }
    if (profileChangeRefused) {
        std::fprintf(stderr, "bench-transfer: the session refused a profile change\n");
        return 2;
    }
    out << "\nSyncs are fdatasync and fsync calls per call (their time in brackets), from the "
           "call until the next repetition.\n";
    out << "\nGoal: frame gaps over the whole call at most " << kGoalFrameGapMs
        << " ms, overhead below " << kGoalOverhead * 100 << " %"
        << (syncDelayMs > 0 ? QStringLiteral(", with %1 ms per sync").arg(syncDelayMs) : QString())
        << ": " << (goalMet ? "met" : "NOT met") << "\n";
    return goalMet ? 0 : 1;
}
