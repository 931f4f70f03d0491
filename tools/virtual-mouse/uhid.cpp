// kesta-vm-uhid: the virtual mouse's firmware as a real HID device, through the
// kernel's uhid driver. The command and notification interfaces become two uhid
// devices (two hidraw nodes); the kernel's feature, output and input reports are
// answered by the same firmware model the hidapi shim uses. Reads the same
// KESTA_VM_* environment and writes the same wire log and state file.
#include "firmware.h"
#include "control_line.h"
#include "settings_io.h"

#include <linux/uhid.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvm {
namespace {

constexpr uint16_t busUsb = 0x03;

// A USB mouse hands over one report per poll of its interrupt endpoint, and the
// host polls only while a program holds the node open; the kernel drops what a
// handle had not read when it is closed. So one report goes to the kernel when a
// program opens the node (the program reopens its handle before every call), the
// next after this long if the node stays open. The data phase of a query waits
// until its reply was read: the handle that reads the reply is closed next.
constexpr long pollIntervalMs = 250;
// A notification goes at the next open of its node, or after this long if the node
// stays open: longer than the program's listener cycle (500 ms), so that it reaches
// a fresh read and not one that is about to end with its handle.
constexpr long notifyDelayMs = 1000;

class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    void reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

void warn(const std::string &text)
{
    std::fprintf(stderr, "kesta-vm-uhid: %s\n", text.c_str());
}

double monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

const char *ifaceName(Iface iface)
{
    return iface == Iface::Command ? "command" : "notify";
}

// One vendor collection without report IDs: input and output reports of the
// configured length, a feature report of the 8 frame bytes.
std::vector<uint8_t> reportDescriptor(uint16_t usagePage, uint16_t usage, int reportLength,
                                      bool command)
{
    const auto lo = [](uint16_t v) { return static_cast<uint8_t>(v & 0xff); };
    const auto hi = [](uint16_t v) { return static_cast<uint8_t>(v >> 8); };
    const uint8_t length = static_cast<uint8_t>(reportLength);
    std::vector<uint8_t> d = {
        0x06, lo(usagePage), hi(usagePage),             // Usage Page
        0x0a, lo(usage),     hi(usage),                 // Usage
        0xa1, 0x01,                                     // Collection (Application)
        0x15, 0x00,          0x26,          0xff, 0x00, // Logical Minimum 0, Maximum 255
        0x75, 0x08,                                     // Report Size 8
    };
    if (command) {
        const uint8_t rest[] = {
            0x95, length, 0x09, 0x01, 0x81, 0x02, // Input: the data phases of queries
            0x95, length, 0x09, 0x02, 0x91, 0x02, // Output: the data phases of commands
            0x95, 0x08,   0x09, 0x03, 0xb1, 0x02, // Feature: the command frame
        };
        d.insert(d.end(), std::begin(rest), std::end(rest));
    } else {
        const uint8_t rest[] = {0x95, 0x04, 0x09, 0x01, 0x81, 0x02}; // Input: notifications
        d.insert(d.end(), std::begin(rest), std::end(rest));
    }
    d.push_back(0xc0); // End Collection
    return d;
}

class UhidMouse
{
public:
    bool start();
    int run();

private:
    struct Node {
        Iface iface = Iface::Command;
        Fd fd;
        bool created = false;
        int opened = 0; // hidraw readers (UHID_OPEN / UHID_CLOSE)
        Fd poll;        // timerfd: the next poll while the node stays open
    };

    bool create(Node &node);
    void destroy(Node &node);
    void setPlugged(bool on);
    bool send(Node &node, uhid_event &event);
    void handleEvent(Node &node);
    void deliver(Node &node);
    void schedule(Node &node, bool on);
    bool controlLine(const std::string &line);
    void readControl();
    void log(const char *call, Iface iface, const uint8_t *data, size_t length, int result,
             const std::string &verdict, const Frame *plain = nullptr);
    void logLine(const std::string &line);
    void persist();

    Firmware firmware_;
    Node nodes_[2];
    bool plugged_ = true;
    bool quit_ = false;
    std::string statePath_;
    Fd logFile_;
    Fd control_;
    Fd signals_;
    bool replyRead_ = false; // the reply of the last frame was read: its data phase may go
    std::string pending_;
};

bool UhidMouse::start()
{
    Config config;
    const std::string configPath = environment("KESTA_VM_CONFIG");
    if (!configPath.empty()) {
        std::string text, errors;
        if (!readTextFile(configPath, text))
            warn("cannot read config file " + configPath + "; using the defaults");
        else
            parseConfigText(text, config, errors);
        if (!errors.empty())
            warn("config file " + configPath + ":\n" + errors);
    }
    firmware_.reset(config);
    statePath_ = environment("KESTA_VM_STATE");
    std::string text;
    if (!statePath_.empty() && readTextFile(statePath_, text)) {
        std::string errors;
        stateFromText(text, firmware_.state(), errors);
        if (!errors.empty())
            warn("state file " + statePath_ + ":\n" + errors);
    }
    const std::string logPath = environment("KESTA_VM_LOG");
    if (!logPath.empty()) {
        logFile_.reset(::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
        if (logFile_.get() < 0)
            warn("cannot open log file " + logPath + ": " + std::strerror(errno));
    }
    const std::string controlPath = environment("KESTA_VM_CONTROL");
    if (!controlPath.empty()) {
        struct stat info {
        };
        if (::stat(controlPath.c_str(), &info) != 0 && ::mkfifo(controlPath.c_str(), 0600) != 0) {
            warn("cannot create the control FIFO " + controlPath + ": " + std::strerror(errno));
            return false;
        }
        // Read and write: writers that come and go never leave us at end of file.
        const int fd = ::open(controlPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            warn("cannot open the control FIFO " + controlPath + ": " + std::strerror(errno));
            return false;
        }
        control_.reset(fd);
    }

    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    signals_.reset(::signalfd(-1, &set, SFD_CLOEXEC));

    nodes_[0].iface = Iface::Command;
    nodes_[1].iface = Iface::Notify;
    for (Node &node : nodes_) {
        if (node.iface == Iface::Notify && !config.notifyInterface)
            continue;
        const int fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            warn(std::string("cannot open /dev/uhid: ") + std::strerror(errno));
            return false;
        }
        node.fd.reset(fd);
        node.poll.reset(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
        if (!create(node))
            return false;
    }
    return true;
}

bool UhidMouse::send(Node &node, uhid_event &event)
{
    const ssize_t written = ::write(node.fd.get(), &event, sizeof event);
    if (written == static_cast<ssize_t>(sizeof event))
        return true;
    warn(std::string("write to /dev/uhid failed: ") +
         (written < 0 ? std::strerror(errno) : "short write"));
    return false;
}

bool UhidMouse::create(Node &node)
{
    const Config &config = firmware_.config();
    const bool command = node.iface == Iface::Command;
    const std::vector<uint8_t> descriptor =
        reportDescriptor(command ? config.usagePage : config.usagePage2,
                         command ? config.usage : config.usage2, config.reportLength, command);
    uhid_event event{};
    event.type = UHID_CREATE2;
    auto &req = event.u.create2;
    std::snprintf(reinterpret_cast<char *>(req.name), sizeof req.name, "KESTA MOUSE");
    std::snprintf(reinterpret_cast<char *>(req.phys), sizeof req.phys, "kesta-vm-uhid/input%d",
                  command ? 1 : 2);
    std::snprintf(reinterpret_cast<char *>(req.uniq), sizeof req.uniq, "KVM-0001");
    req.rd_size = static_cast<uint16_t>(descriptor.size());
    req.bus = busUsb;
    req.vendor = config.vid;
    req.product = config.pid;
    req.version = 0x0100;
    std::memcpy(req.rd_data, descriptor.data(), descriptor.size());
    if (!send(node, event))
        return false;
    node.created = true;
    node.opened = 0;
    log("create", node.iface, nullptr, 0, 0, "ok");
    return true;
}

void UhidMouse::destroy(Node &node)
{
    if (!node.created)
        return;
    uhid_event event{};
    event.type = UHID_DESTROY;
    send(node, event);
    node.created = false;
    node.opened = 0;
    log("destroy", node.iface, nullptr, 0, 0, "ok");
}

void UhidMouse::setPlugged(bool on)
{
    if (plugged_ == on)
        return;
    plugged_ = on;
    firmware_.state().plugged = on;
    firmware_.detach();
    replyRead_ = false;
    for (Node &node : nodes_)
        schedule(node, false);
    for (Node &node : nodes_) {
        if (node.fd.get() < 0)
            continue;
        if (on)
            create(node);
        else
            destroy(node);
    }
}

void UhidMouse::schedule(Node &node, bool on)
{
    const long ms = node.iface == Iface::Notify ? notifyDelayMs : pollIntervalMs;
    itimerspec when{};
    when.it_value.tv_sec = on ? ms / 1000 : 0;
    when.it_value.tv_nsec = on ? (ms % 1000) * 1000000L : 0;
    timerfd_settime(node.poll.get(), 0, &when, nullptr);
}

// One queued report to the kernel, if a program holds the node open.
void UhidMouse::deliver(Node &node)
{
    schedule(node, false);
    if (!node.created || node.opened == 0 || !firmware_.hasInput(node.iface))
        return;
    if (node.iface == Iface::Command && !replyRead_)
        return;
    const Report report = firmware_.takeInput(node.iface);
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<uint16_t>(std::min<size_t>(report.size(), UHID_DATA_MAX));
    std::memcpy(event.u.input2.data, report.data(), event.u.input2.size);
    const bool ok = send(node, event);
    log("input", node.iface, report.data(), report.size(), ok ? int(report.size()) : -1,
        ok ? "ok" : "write to /dev/uhid failed");
    if (firmware_.hasInput(node.iface))
        schedule(node, true);
}

void UhidMouse::handleEvent(Node &node)
{
    uhid_event event{};
    const ssize_t got = ::read(node.fd.get(), &event, sizeof event);
    if (got <= 0)
        return;
    switch (event.type) {
    case UHID_OPEN:
        ++node.opened;
        log("open", node.iface, nullptr, 0, 0, "ok");
        deliver(node);
        break;
    case UHID_CLOSE:
        node.opened = std::max(0, node.opened - 1);
        if (node.opened == 0)
            schedule(node, false); // no longer polled: the rest waits for the next open
        log("close", node.iface, nullptr, 0, 0, "ok");
        break;
    case UHID_OUTPUT: {
        const auto &req = event.u.output;
        const size_t size = std::min<size_t>(req.size, UHID_DATA_MAX);
        const Outcome out = node.iface == Iface::Notify
                                ? firmware_.reject("output report on the notification interface")
                                : firmware_.receiveOutput(req.data, size);
        if (out.changed)
            persist();
        log("write", node.iface, req.data, size, static_cast<int>(size), out.verdict());
        break;
    }
    case UHID_GET_REPORT: {
        const auto &req = event.u.get_report;
        uhid_event reply{};
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = req.id;
        const uint8_t reportId = req.rnum;
        if (node.iface == Iface::Notify || req.rnum != 0 || req.rtype != UHID_FEATURE_REPORT) {
            const Outcome out = firmware_.reject(
                node.iface == Iface::Notify ? "feature report read on the notification interface"
                : req.rtype != UHID_FEATURE_REPORT
                    ? "GET_REPORT for a report type the mouse does not answer"
                    : "feature report ID 0x" + hexByte(req.rnum) + " read, only 0x00 exists");
            reply.u.get_report_reply.err = EPIPE;
            send(node, reply);
            log("get_feature", node.iface, &reportId, 1, -1, out.verdict());
            break;
        }
        const ReplyRead read = firmware_.readReply();
        reply.u.get_report_reply.size = static_cast<uint16_t>(read.wire.size());
        std::memcpy(reply.u.get_report_reply.data, read.wire.data(), read.wire.size());
        send(node, reply);
        log("get_feature", node.iface, read.wire.data(), read.wire.size(),
            static_cast<int>(read.wire.size()),
            read.fresh ? "ok" : "no reply prepared: the last one is repeated", &read.plain);
        replyRead_ = true;
        if (firmware_.hasInput(Iface::Command) && node.opened > 0)
            schedule(node, true);
        break;
    }
    case UHID_SET_REPORT: {
        const auto &req = event.u.set_report;
        const size_t size = std::min<size_t>(req.size, UHID_DATA_MAX);
        Outcome out;
        if (node.iface == Iface::Notify) {
            out = firmware_.reject("feature report on the notification interface");
            out.stall = true;
        } else if (req.rtype != UHID_FEATURE_REPORT) {
            out = firmware_.reject("SET_REPORT for a report type the mouse does not take");
            out.stall = true;
        } else {
            out = firmware_.receiveFeature(req.data, size);
            replyRead_ = false;
        }
        if (out.changed)
            persist();
        uhid_event reply{};
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = req.id;
        reply.u.set_report_reply.err = out.stall ? EPIPE : 0;
        send(node, reply);
        log("send_feature", node.iface, req.data, size, out.stall ? -1 : static_cast<int>(size),
            out.verdict(), out.plain ? &*out.plain : nullptr);
        break;
    }
    default: // UHID_START, UHID_STOP
        break;
    }
}

bool UhidMouse::controlLine(const std::string &text)
{
    ControlCommand command;
    if (!parseControlLine(text, &command))
        return false;
    switch (command.kind) {
    case ControlCommand::Empty:
        return true;
    case ControlCommand::Dpi:
        if (plugged_) {
            firmware_.pressDpiButton(command.stage);
            persist();
        }
        break;
    case ControlCommand::Notify:
        if (plugged_)
            firmware_.queueNotification(command.report);
        break;
    case ControlCommand::Unplug:
        setPlugged(false);
        break;
    case ControlCommand::Plug:
        setPlugged(true);
        break;
    case ControlCommand::Dump: {
        const std::string json = stateToJson(firmware_.state());
        if (logFile_.get() >= 0)
            logLine(dumpLogLine(monotonicMs(), json));
        else
            std::fprintf(stderr, "%s\n", json.c_str());
        break;
    }
    case ControlCommand::Quit:
        quit_ = true;
        break;
    }
    if (plugged_ && firmware_.hasInput(Iface::Notify) && nodes_[1].opened > 0)
        schedule(nodes_[1], true);
    return true;
}

void UhidMouse::readControl()
{
    char buffer[512];
    const ssize_t count = ::read(control_.get(), buffer, sizeof buffer);
    if (count <= 0)
        return;
    pending_.append(buffer, static_cast<size_t>(count));
    for (auto end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n')) {
        const std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (!controlLine(line))
            warn("unknown control line \"" + line + "\"");
    }
}

int UhidMouse::run()
{
    while (!quit_) {
        pollfd fds[6] = {{nodes_[0].fd.get(), POLLIN, 0},   {nodes_[1].fd.get(), POLLIN, 0},
                         {control_.get(), POLLIN, 0},       {signals_.get(), POLLIN, 0},
                         {nodes_[0].poll.get(), POLLIN, 0}, {nodes_[1].poll.get(), POLLIN, 0}};
        if (::poll(fds, 6, -1) < 0) {
            if (errno == EINTR)
                continue;
            warn(std::string("poll: ") + std::strerror(errno));
            return 1;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                warn("/dev/uhid closed on us");
                return 1;
            }
            if (fds[i].revents & POLLIN)
                handleEvent(nodes_[i]);
        }
        if (fds[2].revents & POLLIN)
            readControl();
        if (fds[3].revents & POLLIN)
            quit_ = true;
        for (int i = 0; i < 2; ++i) {
            uint64_t expirations = 0;
            if ((fds[4 + i].revents & POLLIN) &&
                ::read(nodes_[i].poll.get(), &expirations, sizeof expirations) > 0)
                deliver(nodes_[i]);
        }
    }
    for (Node &node : nodes_)
        destroy(node);
    return 0;
}

void UhidMouse::logLine(const std::string &line)
{
    if (logFile_.get() < 0)
        return;
    const std::string text = line + "\n";
    // One write per line on an O_APPEND file: lines of two processes never mix.
    if (::write(logFile_.get(), text.data(), text.size()) < 0)
        warn(std::string("cannot write the wire log: ") + std::strerror(errno));
}

void UhidMouse::log(const char *call, Iface iface, const uint8_t *data, size_t length, int result,
                    const std::string &verdict, const Frame *plain)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", monotonicMs());
    logLine(std::string("{\"t\":") + time + ",\"call\":" + jsonString(call) +
            ",\"iface\":" + jsonString(ifaceName(iface)) +
            ",\"bytes\":" + jsonString(data ? hexBytes(data, length) : "") +
            ",\"plain\":" + jsonString(plain ? hexBytes(plain->data(), plain->size()) : "") +
            ",\"result\":" + std::to_string(result) + ",\"verdict\":" + jsonString(verdict) + "}");
}

void UhidMouse::persist()
{
    if (!statePath_.empty() && !writeFileAtomically(statePath_, stateToText(firmware_.state())))
        warn("cannot write state file " + statePath_);
}

} // namespace
} // namespace kvm

int main(int argc, char **argv)
{
    if (argc > 1) {
        std::fprintf(stderr,
                     "usage: %s\n"
                     "Creates the virtual mouse as two uhid devices and serves them until\n"
                     "SIGTERM, SIGINT or the control line \"quit\". Environment: KESTA_VM_CONFIG,\n"
                     "KESTA_VM_STATE, KESTA_VM_LOG, KESTA_VM_CONTROL "
                     "(see docs/virtual-mouse.md).\n",
                     argv[0]);
        return 2;
    }
    kvm::UhidMouse mouse;
    if (!mouse.start())
        return 1;
    return mouse.run();
}
