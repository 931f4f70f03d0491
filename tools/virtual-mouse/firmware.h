// The mouse's firmware: frames in, replies and input reports out. No threads and
// no hidapi here; the hidapi layer owns the lock, the handles and the wire log.
#pragma once

#include "virtual_mouse.h"

#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>

namespace kvm {

enum class Iface { Command, Notify };

using Frame = std::array<uint8_t, 9>;
using Report = std::vector<uint8_t>;

// What one report did to the device.
struct Outcome {
    std::vector<std::string> errors; // protocol faults of the host, each counted once
    std::string note;                // neither ok nor a fault (e.g. a dropped data phase)
    bool stall = false;              // the transfer itself fails, as a stalled control pipe
    bool changed = false;            // on-board memory changed
    std::optional<Frame> plain;      // the deciphered frame
    std::string verdict() const;
};

struct ReplyRead {
    Frame wire{};       // as it crosses the wire (scrambled when the device is encoded)
    Frame plain{};      // deciphered
    bool fresh = false; // false: no query prepared it, the last reply is repeated
};

class Firmware
{
public:
    void reset(const Config &config);
    const Config &config() const { return config_; }
    State &state() { return state_; }
    const State &state() const { return state_; }
    const std::vector<std::string> &errorLog() const { return errorLog_; }

    Outcome receiveFeature(const uint8_t *data, size_t length);
    Outcome receiveOutput(const uint8_t *data, size_t length);
    ReplyRead readReply();
    Outcome reject(const std::string &error); // a fault found outside the firmware

    bool hasInput(Iface iface) const;
    Report takeInput(Iface iface);
    void queueNotification(const Report &report);
    void pressDpiButton(int stage);
    void setDropInputReports(int count) { dropInputReports_ = count; }

    // Unplugged or re-plugged: exchanges in flight and queued reports are lost.
    void detach();

private:
    using Apply = std::function<void(const std::vector<uint8_t> &)>;
    struct Phase {
        uint8_t code = 0;
        size_t length = 0;
        int reports = 0;
        int received = 0;
        std::vector<uint8_t> payload;
        Apply apply; // empty: the command was rejected, its data is dropped
    };
    class Check;

    void fail(Outcome &out, const std::string &error);
    void dispatch(const Frame &f, Outcome &out);
    bool runShared(const Frame &f, Check &c);
    bool run553(const Frame &f, Check &c);
    bool run560(const Frame &f, Check &c);
    void announce(const Frame &f, bool accepted, size_t length, Apply apply);
    void prepareReply(const Frame &f, std::initializer_list<std::pair<int, uint8_t>> values);
    void queueProfile(uint8_t profile);
    int reportsFor(size_t length) const;

    Config config_;
    State state_;
    std::vector<std::string> errorLog_;
    std::optional<Phase> phase_;
    Frame replyPlain_{};
    Frame replyWire_{};
    bool replyReady_ = false;
    std::deque<Report> commandInput_;
    std::deque<Report> notifyInput_;
    int dropInputReports_ = 0;
};

std::string hexBytes(const uint8_t *data, size_t length); // "00 8b 00"
std::string hexByte(uint8_t value);                       // "8b"

} // namespace kvm
