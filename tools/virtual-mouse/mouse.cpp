#include "mouse.h"

#include "control_line.h"
#include "settings_io.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvm {

const char *const commandPath = "/dev/hidraw-kesta-0";
const char *const notifyPath = "/dev/hidraw-kesta-1";

namespace {

// A long-running program keeps its listener reading every half second; keep the
// in-memory log bounded (the file keeps everything).
constexpr size_t maxWireEntries = 200000;

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// Never destroyed: the listener thread of a program may still be inside a read when
// the process ends, and the FIFO reader blocks until then.
template <class T> class Immortal
{
public:
    Immortal() { ::new (static_cast<void *>(storage_)) T(); }
    T &get() { return *std::launder(reinterpret_cast<T *>(storage_)); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

// The FIFO is created and the environment read when the library is loaded, before
// the program makes its first hidapi call.
[[maybe_unused]] const bool loadedAtStart = (Mouse::instance(), true);

} // namespace

UniqueFd &UniqueFd::operator=(UniqueFd &&other) noexcept
{
    reset(other.release());
    return *this;
}

int UniqueFd::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::reset(int fd)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

double monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void warn(const std::string &text)
{
    std::fprintf(stderr, "kesta-virtual-mouse: %s\n", text.c_str());
}

Mouse &Mouse::instance()
{
    static Immortal<Mouse> mouse;
    return mouse.get();
}

Mouse::Mouse()
{
    loadEnvironment(true);
}

void Mouse::reset(const Config &config)
{
    firmware.reset(config);
    faults = Faults{};
    callsUntilUnplug = -1;
    plugged = true;
    firmware.state().plugged = true;
    wire.clear();
    inputChanged.notify_all();
}

void Mouse::loadEnvironment(bool atLoad)
{
    Config config = defaultConfig();
    const std::string configPath = environment("KESTA_VM_CONFIG");
    if (!configPath.empty()) {
        std::string errors;
        if (!loadConfigFile(configPath, config, &errors))
            warn("cannot read config file " + configPath + "; using the defaults");
        else if (!errors.empty())
            warn("config file " + configPath + ":\n" + errors);
    }
    const std::string controlPath = environment("KESTA_VM_CONTROL");
    bool wasPlugged = true;
    {
        std::lock_guard<std::mutex> lock(mutex);
        wasPlugged = plugged;
        reset(config);
        statePath = environment("KESTA_VM_STATE");
        std::string text;
        if (!statePath.empty() && readTextFile(statePath, text)) {
            std::string errors;
            stateFromText(text, firmware.state(), errors);
            if (!errors.empty())
                warn("state file " + statePath + ":\n" + errors);
        }
        logFile.reset();
        const std::string logPath = environment("KESTA_VM_LOG");
        if (!logPath.empty()) {
            logFile.reset(::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
            if (logFile.get() < 0)
                warn("cannot open log file " + logPath + ": " + std::strerror(errno));
        }
    }
    if (controlPath.empty()) {
        control.stop();
    } else {
        const std::string why = atLoad ? control.arm(controlPath) : control.start(controlPath);
        if (!why.empty())
            warn("cannot use " + controlPath + " as the control FIFO: " + why);
    }
    if (!wasPlugged)
        fireChange();
}

void Mouse::logLine(const std::string &line)
{
    if (logFile.get() < 0)
        return;
    const std::string text = line + "\n";
    // One write per line on an O_APPEND file: lines of two processes never mix.
    if (::write(logFile.get(), text.data(), text.size()) < 0)
        logFile.reset();
}

void Mouse::log(WireEntry entry)
{
    entry.t = monotonicMs();
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", entry.t);
    logLine(std::string("{\"t\":") + time + ",\"call\":" + jsonString(entry.call) +
            ",\"iface\":" + jsonString(entry.iface) +
            ",\"bytes\":" + jsonString(hexBytes(entry.bytes.data(), entry.bytes.size())) +
            ",\"plain\":" + jsonString(hexBytes(entry.plain.data(), entry.plain.size())) +
            ",\"result\":" + std::to_string(entry.result) +
            ",\"verdict\":" + jsonString(entry.verdict) + "}");
    if (wire.size() >= maxWireEntries)
        wire.erase(wire.begin(), wire.begin() + maxWireEntries / 10);
    wire.push_back(std::move(entry));
}

void Mouse::persist()
{
    if (statePath.empty())
        return;
    if (!writeFileAtomically(statePath, stateToText(firmware.state())))
        warn("cannot write state file " + statePath);
}

bool Mouse::setPlugged(bool on)
{
    if (plugged == on)
        return false;
    plugged = on;
    firmware.state().plugged = on;
    firmware.detach();
    if (!on)
        ++generation; // what was open before stays dead, as a removed hidraw node
    inputChanged.notify_all();
    return true;
}

bool Mouse::countCall()
{
    if (callsUntilUnplug < 0)
        return false;
    if (callsUntilUnplug-- > 0)
        return false;
    return setPlugged(false);
}

std::shared_ptr<Handle> Mouse::find(const hid_device *dev) const
{
    const auto it = handles.find(dev);
    return it == handles.end() ? nullptr : it->second.handle;
}

bool Mouse::alive(const Handle &handle) const
{
    return !handle.closed && plugged && handle.generation == generation;
}

void Mouse::fireChange()
{
    void (*callback)(void *) = nullptr;
    void *context = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        callback = changeCallback;
        context = changeContext;
    }
    if (callback)
        callback(context);
}

Call::Call() : m(Mouse::instance())
{
    m.control.startIfArmed();
    lock = std::unique_lock<std::mutex>(m.mutex);
    unplugged = m.countCall();
}

Call::~Call()
{
    lock.unlock();
    if (unplugged)
        m.fireChange();
}

// --- Control FIFO -----------------------------------------------------------

namespace {

std::string makeFifo(const std::string &path)
{
    struct stat info {
    };
    if (::stat(path.c_str(), &info) == 0)
        return S_ISFIFO(info.st_mode) ? "" : "it exists and is not a FIFO";
    if (::mkfifo(path.c_str(), 0600) != 0)
        return std::strerror(errno);
    return {};
}

} // namespace

std::string Control::start(const std::string &path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
    stopLocked();
    return startLocked(path);
}

std::string Control::arm(const std::string &path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    stopLocked();
    const std::string why = makeFifo(path);
    armedPath_ = path;
    armed_ = why.empty();
    return why;
}

void Control::startIfArmed()
{
    if (!armed_)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!armed_)
        return;
    armed_ = false;
    const std::string why = startLocked(armedPath_);
    if (!why.empty())
        warn("cannot use " + armedPath_ + " as the control FIFO: " + why);
}

void Control::stop()
{
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
    stopLocked();
}

std::string Control::startLocked(const std::string &path)
{
    if (std::string why = makeFifo(path); !why.empty())
        return why;
    // Read and write: writers that come and go never leave the reader at end of file.
    UniqueFd fifo(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (fifo.get() < 0)
        return std::strerror(errno);
    // Two programs running with the library must not take each other's lines: the
    // first to serve the FIFO keeps it.
    if (::flock(fifo.get(), LOCK_EX | LOCK_NB) != 0)
        return "another process serves it";
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0)
        return std::strerror(errno);
    fifo_ = std::move(fifo);
    wakeRead_.reset(wake[0]);
    wakeWrite_.reset(wake[1]);
    thread_ = std::thread(&Control::run, this, fifo_.get(), wakeRead_.get());
    return {};
}

void Control::stopLocked()
{
    if (!thread_.joinable())
        return;
    const char stopByte = 'q';
    if (::write(wakeWrite_.get(), &stopByte, 1) != 1)
        warn("cannot stop the control reader");
    thread_.join();
    fifo_.reset();
    wakeRead_.reset();
    wakeWrite_.reset();
}

void Control::run(int fifo, int wake)
{
    std::string pending;
    pollfd fds[2] = {{fifo, POLLIN, 0}, {wake, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        char buffer[512];
        const ssize_t count = ::read(fifo, buffer, sizeof buffer);
        if (count <= 0)
            continue;
        pending.append(buffer, static_cast<size_t>(count));
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!handleControlLine(line))
                warn("unknown control line \"" + line + "\"");
        }
    }
}

bool handleControlLine(const std::string &text)
{
    ControlCommand command;
    if (!parseControlLine(text, &command))
        return false;
    switch (command.kind) {
    case ControlCommand::Empty:
        break;
    case ControlCommand::Dpi:
        pressDpiButton(command.stage);
        break;
    case ControlCommand::Notify:
        queueNotification(command.report);
        break;
    case ControlCommand::Unplug:
        unplug();
        break;
    case ControlCommand::Plug:
        plug();
        break;
    case ControlCommand::Dump: {
        Mouse &m = Mouse::instance();
        const std::string json = dumpJson();
        std::lock_guard<std::mutex> lock(m.mutex);
        if (m.logFile.get() >= 0)
            m.logLine(dumpLogLine(monotonicMs(), json));
        else
            std::fprintf(stderr, "%s\n", json.c_str());
        break;
    }
    case ControlCommand::Quit:
        return false; // the in-process mouse ends with its program
    }
    return true;
}

// --- The in-process API -------------------------------------------------------

Config defaultConfig()
{
    return Config{};
}

bool loadConfigFile(const std::string &path, Config &config, std::string *error)
{
    std::string text;
    if (!readTextFile(path, text)) {
        if (error)
            *error = "cannot read " + path;
        return false;
    }
    std::string errors;
    parseConfigText(text, config, errors);
    if (error)
        *error = errors;
    return true;
}

void configure(const Config &config)
{
    Mouse &m = Mouse::instance();
    bool wasPlugged = true;
    {
        std::lock_guard<std::mutex> lock(m.mutex);
        wasPlugged = m.plugged;
        m.reset(config);
        m.persist();
    }
    if (!wasPlugged)
        m.fireChange();
}

void restart()
{
    Mouse::instance().loadEnvironment(false);
}

void setFaults(const Faults &faults)
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    m.faults = faults;
    m.callsUntilUnplug = faults.unplugAfterCalls;
    m.firmware.setDropInputReports(faults.dropInputReports);
}

void clearFaults()
{
    setFaults(Faults{});
}

void pressDpiButton(int stage)
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    if (!m.plugged)
        return;
    m.firmware.pressDpiButton(stage);
    m.persist();
    m.inputChanged.notify_all();
}

void queueNotification(const std::vector<uint8_t> &report)
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    if (!m.plugged)
        return;
    m.firmware.queueNotification(report);
    m.inputChanged.notify_all();
}

static void setPlugged(bool on)
{
    Mouse &m = Mouse::instance();
    bool changed = false;
    {
        std::lock_guard<std::mutex> lock(m.mutex);
        changed = m.setPlugged(on);
    }
    if (changed)
        m.fireChange();
}

void unplug()
{
    setPlugged(false);
}
void plug()
{
    setPlugged(true);
}

State state()
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    return m.firmware.state();
}

std::string dumpJson()
{
    return stateToJson(state());
}

std::vector<WireEntry> wireLog()
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    return m.wire;
}

void clearWireLog()
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    m.wire.clear();
}

std::vector<std::string> errorLog()
{
    Mouse &m = Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    return m.firmware.errorLog();
}

bool startControl(const std::string &path)
{
    const std::string why = Mouse::instance().control.start(path);
    if (!why.empty())
        warn("cannot use " + path + " as the control FIFO: " + why);
    return why.empty();
}
void stopControl()
{
    Mouse::instance().control.stop();
}

} // namespace kvm

extern "C" void kesta_vm_set_change_callback(void (*cb)(void *ctx), void *ctx)
{
    kvm::Mouse &m = kvm::Mouse::instance();
    std::lock_guard<std::mutex> lock(m.mutex);
    m.changeCallback = cb;
    m.changeContext = ctx;
}
