// The one virtual mouse of the process: firmware, handles, wire log, control FIFO.
// Everything here is guarded by Mouse::mutex unless said otherwise.
#pragma once

#include "firmware.h"

#include <hidapi.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

struct hid_device_ {
    int unused = 0; // an identity only: the state lives in kvm::Handle
};

namespace kvm {

// Owns a file descriptor.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd &&other) noexcept : fd_(other.release()) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept;
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    ~UniqueFd() { reset(); }
    int get() const { return fd_; }
    int release();
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

struct InfoDeleter {
    void operator()(hid_device_info *info) const { hid_free_enumeration(info); }
};

struct Handle {
    Iface iface = Iface::Command;
    unsigned generation = 0; // the plug-in it was opened in; dead after an unplug
    bool nonblocking = false;
    bool closed = false;
    std::wstring error; // last error, empty for "Success"
    std::unique_ptr<hid_device_info, InfoDeleter> info;
};

// Reads control lines from a FIFO on a thread of its own. Has its own lock, taken
// before Mouse::mutex and never while holding it (the reader may be waiting for it).
class Control
{
public:
    // Creates the FIFO if absent and starts the reader; returns why not, or "".
    std::string start(const std::string &path);
    // Creates the FIFO now; the reader starts with the process's first hidapi call,
    // so wrappers that inherit LD_PRELOAD (a shell, timeout) never serve it.
    std::string arm(const std::string &path);
    void startIfArmed();
    void stop();

private:
    std::string startLocked(const std::string &path);
    void stopLocked();
    void run(int fifo, int wake);

    std::mutex mutex_;
    std::atomic<bool> armed_{false};
    std::string armedPath_;
    std::thread thread_;
    UniqueFd fifo_, wakeRead_, wakeWrite_;
};

class Mouse
{
public:
    static Mouse &instance();
    Mouse(); // reads the environment; use instance()
    Mouse(const Mouse &) = delete;
    Mouse &operator=(const Mouse &) = delete;

    std::mutex mutex;
    std::condition_variable inputChanged; // input queued, unplug, close

    Firmware firmware;
    Faults faults;
    int callsUntilUnplug = -1;
    bool plugged = true;
    unsigned generation = 0;
    struct Registered {
        std::unique_ptr<hid_device> token;
        std::shared_ptr<Handle> handle;
    };
    std::map<const hid_device *, Registered> handles;
    std::vector<WireEntry> wire;
    UniqueFd logFile;
    std::string statePath;
    std::wstring globalError;
    void (*changeCallback)(void *) = nullptr;
    void *changeContext = nullptr;
    Control control; // own lock

    // With the mutex held:
    void reset(const Config &config);
    void log(WireEntry entry);
    void logLine(const std::string &line); // into the log file only
    void persist();
    bool setPlugged(bool on); // true when it changed
    bool countCall();         // true when an armed unplugAfterCalls fault fired now
    std::shared_ptr<Handle> find(const hid_device *dev) const;
    bool alive(const Handle &handle) const;

    // Without the mutex held:
    void fireChange();
    void loadEnvironment(bool atLoad);
};

// One hidapi call: holds the lock, counts the call for unplugAfterCalls and tells the
// program about an unplug the call caused once the lock is released.
class Call
{
public:
    Call();
    ~Call();
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;

    Mouse &m;
    std::unique_lock<std::mutex> lock;

private:
    bool unplugged = false;
};

double monotonicMs();
void warn(const std::string &text); // on stderr, for the person running the program
bool handleControlLine(const std::string &line);

} // namespace kvm
