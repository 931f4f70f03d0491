#include "firmware.h"

#include <algorithm>
#include <cstdio>

namespace kvm {

namespace {

constexpr size_t maxPhaseLength = 128; // the largest data phase any command has
constexpr size_t maxQueuedNotifications = 64;

std::string codeName(uint8_t code)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02XH", code);
    return text;
}

Block blockOf(const Frame &f)
{
    Block b;
    std::copy(f.begin() + 1, f.end(), b.begin());
    return b;
}

void putBlock(Frame &f, const Block &b)
{
    std::copy(b.begin(), b.end(), f.begin() + 1);
}

} // namespace

std::string hexByte(uint8_t value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02x", value);
    return text;
}

std::string hexBytes(const uint8_t *data, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        if (i)
            text += ' ';
        text += hexByte(data[i]);
    }
    return text;
}

std::string Outcome::verdict() const
{
    if (!errors.empty()) {
        std::string text = errors.front();
        for (size_t i = 1; i < errors.size(); ++i)
            text += "; " + errors[i];
        return text;
    }
    return note.empty() ? "ok" : note;
}

// Checks on one frame; the first failed check records the frame's one error.
class Firmware::Check
{
public:
    Check(Firmware &fw, const Frame &f, Outcome &out) : fw_(fw), f_(f), out_(out) {}

    Outcome &out() { return out_; }
    bool failed() const { return failed_; }
    std::string name() const { return "command " + codeName(f_[1]); }

    void fail(const std::string &error)
    {
        failed_ = true;
        fw_.fail(out_, error);
    }

    // Parameter bytes 2..7 that the command does not use must be 0x00.
    bool only(std::initializer_list<int> used)
    {
        for (int i = 2; i <= 7; ++i) {
            if (std::find(used.begin(), used.end(), i) != used.end() || f_[i] == 0)
                continue;
            fail(byteText(i) + " is 0x" + hexByte(f_[i]) + ", expected 0x00");
            return false;
        }
        return true;
    }

    bool fixed(int index, uint8_t value)
    {
        if (f_[index] == value)
            return true;
        fail(byteText(index) + " is 0x" + hexByte(f_[index]) + ", expected 0x" + hexByte(value));
        return false;
    }

    bool range(int index, int low, int high, const char *what)
    {
        if (f_[index] >= low && f_[index] <= high)
            return true;
        fail(name() + ": " + what + " " + std::to_string(f_[index]) + " out of range " +
             std::to_string(low) + ".." + std::to_string(high));
        return false;
    }

    // Byte 3 announces the length of the data phase.
    bool phaseLength(size_t expected)
    {
        if (f_[3] == expected)
            return true;
        fail(name() + ": data phase announced as " + std::to_string(f_[3]) + " bytes, expected " +
             std::to_string(expected));
        return false;
    }

private:
    std::string byteText(int index) const
    {
        return "byte " + std::to_string(index) + " of " + name();
    }

    Firmware &fw_;
    const Frame &f_;
    Outcome &out_;
    bool failed_ = false;
};

void Firmware::reset(const Config &config)
{
    config_ = config;
    state_ = State{};
    state_.family = config.family;
    state_.encoded = config.encoded;
    state_.secrecyCode = config.secrecyCode;
    state_.reportLength = config.reportLength;
    state_.keyboardOptions = config.keyboardOptions;
    state_.profiles = config.profiles;
    errorLog_.clear();
    dropInputReports_ = 0;
    detach();
}

void Firmware::detach()
{
    phase_.reset();
    replyReady_ = false;
    commandInput_.clear();
    notifyInput_.clear();
}

void Firmware::fail(Outcome &out, const std::string &error)
{
    out.errors.push_back(error);
    errorLog_.push_back(error);
    ++state_.errors;
}

Outcome Firmware::reject(const std::string &error)
{
    Outcome out;
    fail(out, error);
    return out;
}

int Firmware::reportsFor(size_t length) const
{
    const size_t chunk = std::min(length, static_cast<size_t>(config_.reportLength));
    return chunk ? static_cast<int>((length + chunk - 1) / chunk) : 0;
}

Outcome Firmware::receiveFeature(const uint8_t *data, size_t length)
{
    Outcome out;
    if (length != 9 || data[0] != 0) {
        fail(out, length != 9 ? "feature report of " + std::to_string(length) +
                                    " bytes, expected a 9-byte command frame"
                              : "feature report ID 0x" + hexByte(data[0]) + ", expected 0x00");
        out.stall = true;
        return out;
    }
    Frame f;
    std::copy(data, data + 9, f.begin());
    if (config_.encoded) {
        Block b = blockOf(f);
        unscramble(b, config_.secrecyCode);
        putBlock(f, b);
    }
    out.plain = f;

    if (phase_) {
        fail(out, "data phase of " + codeName(phase_->code) + " cut short after " +
                      std::to_string(phase_->received) + " of " + std::to_string(phase_->reports) +
                      " reports");
        phase_.reset();
    }
    // A new frame starts a new exchange: what the last one left unread is gone.
    replyReady_ = false;
    commandInput_.clear();

    const uint8_t sum = frameChecksum(&f[1]);
    if (sum != f[8]) {
        fail(out, "checksum 0x" + hexByte(f[8]) + ", expected 0x" + hexByte(sum) +
                      (config_.encoded ? " (frame scrambled with another code?)" : ""));
        return out;
    }
    dispatch(f, out);
    return out;
}

void Firmware::dispatch(const Frame &f, Outcome &out)
{
    Check c(*this, f, out);
    const bool known = runShared(f, c) || (config_.family == 560 ? run560(f, c) : run553(f, c));
    if (!known) {
        c.fail("unknown " + c.name() + " for family " + std::to_string(config_.family));
        return;
    }
    if (!c.failed())
        ++state_.commands;
}

bool Firmware::runShared(const Frame &f, Check &c)
{
    switch (f[1]) {
    case 0x00: // handshake: the challenge comes back
        if (c.only({2, 3, 4, 5}))
            prepareReply(f, {{2, f[2]}, {3, f[3]}, {4, f[4]}, {5, f[5]}});
        return true;
    case 0x87: {
        const auto &led = config_.ledInstruct;
        if (c.only({2}))
            prepareReply(f, {{2, f[2]}, {3, led[0]}, {4, led[1]}, {5, led[2]}});
        return true;
    }
    case 0x16: {
        const bool ok = c.only({3}) && c.phaseLength(64);
        announce(f, ok, 64, [this](const std::vector<uint8_t> &p) {
            std::copy(p.begin(), p.end(), state_.attribute.begin());
        });
        return true;
    }
    default:
        return false;
    }
}

bool Firmware::run553(const Frame &f, Check &c)
{
    State &s = state_;
    bool &changed = c.out().changed;
    switch (f[1]) {
    case 0x01:
        if (c.only({2}))
            s.reportRate = f[2], changed = true;
        return true;
    case 0x02:
        if (c.only({2}))
            s.currentKeyMatrix = f[2], changed = true;
        return true;
    case 0x03:
        if (c.only({2, 3, 4, 5})) {
            std::copy(f.begin() + 2, f.begin() + 6, s.keyboardOptions.begin());
            changed = true;
        }
        return true;
    case 0x04:
        if (c.only({3, 4, 5, 6}) && c.range(6, 0, 2, "gun slot")) {
            s.gunData[f[6]] = {f[3], f[4], f[5]};
            changed = true;
        }
        return true;
    case 0x07:
        if (c.only({3, 4, 5}) && c.fixed(4, 0x7D)) {
            s.lodStage = f[3], s.lodEnable = f[5];
            changed = true;
        }
        return true;
    case 0x0B:
        if (c.only({2}))
            s.currentDpi = f[2], changed = true;
        return true;
    case 0x0C:
        if (c.only({2, 3, 4})) {
            s.fixedColor = {f[2], f[3], f[4]};
            changed = true;
        }
        return true;
    case 0x0D:
        if (c.only({2, 3, 4})) {
            s.ledEffect = {f[2], f[3], f[4]};
            changed = true;
        }
        return true;
    case 0x10: {
        const uint8_t type = f[2];
        const size_t length = type == 2 ? 4 : 24;
        const bool ok =
            c.only({2, 3}) && c.range(2, 0, 2, "stage colour type") && c.phaseLength(length);
        announce(f, ok, length,
                 [this, type](const std::vector<uint8_t> &p) { state_.stageColors[type] = p; });
        return true;
    }
    case 0x11: {
        const uint8_t stageArg = f[2];
        const bool ok = c.only({2, 3}) && c.phaseLength(8);
        announce(f, ok, 8, [this, stageArg](const std::vector<uint8_t> &p) {
            std::copy(p.begin(), p.end(), state_.dpiCodes.begin());
            state_.dpiStageArg = stageArg;
        });
        return true;
    }
    case 0x12: {
        const uint8_t layer = f[2];
        const bool ok = c.only({2, 3, 4}) && c.range(2, 1, 4, "key matrix layer") &&
                        c.phaseLength(64) && c.fixed(4, 0x08);
        announce(f, ok, 64, [this, layer](const std::vector<uint8_t> &p) {
            Image &m = state_.keyMatrix[layer - 1];
            m.fill(0);
            std::copy(p.begin(), p.end(), m.begin());
        });
        return true;
    }
    case 0x13: {
        const uint8_t id = f[2];
        const bool ok = c.only({2, 3}) && c.range(2, 1, 12, "macro") && c.phaseLength(128);
        announce(f, ok, 128, [this, id](const std::vector<uint8_t> &p) {
            std::copy(p.begin(), p.end(), state_.macros[id - 1].begin());
        });
        return true;
    }
    case 0x83: {
        const auto &o = s.keyboardOptions;
        if (c.only({}))
            prepareReply(f, {{2, o[0]}, {3, o[1]}, {4, o[2]}, {5, o[3]}});
        return true;
    }
    case 0x8B:
        if (c.only({}))
            prepareReply(f, {{2, s.currentDpi}});
        return true;
    default:
        return false;
    }
}

bool Firmware::run560(const Frame &f, Check &c)
{
    State &s = state_;
    bool &changed = c.out().changed;
    switch (f[1]) {
    case 0x01:
        if (c.only({2, 3})) {
            s.keyboardOptions[0] = f[2], s.keyboardOptions[1] = f[3];
            changed = true;
        }
        return true;
    case 0x02:
        if (c.only({2}))
            s.currentProfile = f[2], changed = true;
        return true;
    case 0x03:
        if (c.only({2, 3}) && c.fixed(2, 0x01))
            s.reportRate = f[3], changed = true;
        return true;
    case 0x04:
        if (c.only({2, 3}) && c.fixed(2, 0x01))
            s.currentDpi = f[3], changed = true;
        return true;
    case 0x09:
        if (c.only({2, 3}) && c.fixed(3, 0x7D)) {
            s.lodStage = f[2], s.lodEnable = f[2] != 0;
            changed = true;
        }
        return true;
    case 0x0C: {
        const uint8_t profile = f[2];
        const bool ok = c.only({2, 3}) && c.range(2, 0, 4, "profile") && c.phaseLength(128);
        announce(f, ok, 128, [this, profile](const std::vector<uint8_t> &p) {
            std::copy(p.begin(), p.end(), state_.profiles[profile].begin());
        });
        return true;
    }
    case 0x0D: {
        const uint8_t layer = f[2];
        const bool ok =
            c.only({2, 3}) && c.range(2, 1, 4, "key matrix layer") && c.phaseLength(128);
        announce(f, ok, 128, [this, layer](const std::vector<uint8_t> &p) {
            std::copy(p.begin(), p.end(), state_.keyMatrix[layer - 1].begin());
        });
        return true;
    }
    case 0x0F: {
        const uint8_t id = f[2];
        const bool ok = c.only({2, 3}) && c.range(2, 1, 12, "macro") && c.phaseLength(128);
        announce(f, ok, 128, [this, id](const std::vector<uint8_t> &p) {
            std::copy(p.begin(), p.end(), state_.macros[id - 1].begin());
        });
        return true;
    }
    case 0x81:
        if (c.only({}))
            prepareReply(f, {{2, s.keyboardOptions[0]}, {3, s.keyboardOptions[1]}});
        return true;
    case 0x82:
        if (c.only({}))
            prepareReply(f, {{2, s.currentProfile}});
        return true;
    case 0x84:
        if (c.only({2}))
            prepareReply(f, {{2, f[2]}, {3, s.currentDpi}});
        return true;
    case 0x8C:
        if (c.only({2}) && c.range(2, 0, 4, "profile")) {
            prepareReply(f, {{2, f[2]}});
            queueProfile(f[2]);
        }
        return true;
    default:
        return false;
    }
}

void Firmware::announce(const Frame &f, bool accepted, size_t length, Apply apply)
{
    Phase phase;
    phase.code = f[1];
    if (accepted) {
        phase.length = length;
        phase.apply = std::move(apply);
    } else {
        // Take in the data the host announced all the same and drop it, so that one
        // bad frame shows as one error rather than one per report that follows.
        phase.length = f[3];
        if (phase.length == 0 || phase.length > maxPhaseLength)
            return;
    }
    phase.reports = reportsFor(phase.length);
    phase_ = std::move(phase);
}

void Firmware::prepareReply(const Frame &f, std::initializer_list<std::pair<int, uint8_t>> values)
{
    Frame r{};
    r[1] = f[1];
    for (const auto &[index, value] : values)
        r[index] = value;
    r[8] = frameChecksum(&r[1]);
    replyPlain_ = r;
    replyWire_ = r;
    if (config_.encoded) {
        Block b = blockOf(r);
        scramble(b, config_.secrecyCode);
        putBlock(replyWire_, b);
    }
    replyReady_ = true;
}

void Firmware::queueProfile(uint8_t profile)
{
    const Image &image = state_.profiles[profile];
    const size_t length = config_.reportLength;
    const size_t chunk = std::min(image.size(), length);
    const int reports = reportsFor(image.size()) - dropInputReports_;
    for (int k = 0; k < reports; ++k) {
        Report report(length, 0);
        const size_t from = k * chunk;
        const size_t count = std::min(chunk, image.size() - from);
        std::copy(image.begin() + from, image.begin() + from + count, report.begin());
        commandInput_.push_back(std::move(report));
    }
}

ReplyRead Firmware::readReply()
{
    ReplyRead r;
    r.wire = replyWire_;
    r.plain = replyPlain_;
    r.fresh = replyReady_;
    replyReady_ = false;
    return r;
}

Outcome Firmware::receiveOutput(const uint8_t *data, size_t length)
{
    Outcome out;
    if (!phase_) {
        fail(out, "output report that no command announced");
        return out;
    }
    Phase &phase = *phase_;
    const size_t reportLength = config_.reportLength;
    const std::string dropped = "; data phase of " + codeName(phase.code) + " dropped";
    if (length != reportLength + 1 || data[0] != 0) {
        fail(out, length != reportLength + 1
                      ? "output report of " + std::to_string(length) + " bytes, expected " +
                            std::to_string(reportLength + 1) + dropped
                      : "output report ID 0x" + hexByte(data[0]) + ", expected 0x00" + dropped);
        phase_.reset();
        return out;
    }
    const size_t chunk = std::min(phase.length, reportLength);
    // Past the piece the host leaves its cleared buffer alone: anything else there is a
    // fault of the host (stale or foreign data on the wire).
    for (size_t i = chunk + 1; i <= reportLength; ++i) {
        if (data[i] != 0) {
            fail(out, "output report byte " + std::to_string(i) + " is 0x" + hexByte(data[i]) +
                          " past the " + std::to_string(chunk) + "-byte piece" + dropped);
            phase_.reset();
            return out;
        }
    }
    const size_t take = std::min(chunk, phase.length - phase.payload.size());
    phase.payload.insert(phase.payload.end(), data + 1, data + 1 + take);
    if (++phase.received < phase.reports)
        return out;

    if (phase.apply) {
        phase.apply(phase.payload);
        out.changed = true;
    } else {
        out.note = "data of rejected " + codeName(phase.code) + " dropped";
    }
    phase_.reset();
    return out;
}

bool Firmware::hasInput(Iface iface) const
{
    return !(iface == Iface::Command ? commandInput_ : notifyInput_).empty();
}

Report Firmware::takeInput(Iface iface)
{
    auto &queue = iface == Iface::Command ? commandInput_ : notifyInput_;
    if (queue.empty())
        return {};
    Report report = std::move(queue.front());
    queue.pop_front();
    return report;
}

void Firmware::queueNotification(const Report &report)
{
    if (!config_.notifyInterface)
        return;
    if (notifyInput_.size() >= maxQueuedNotifications)
        notifyInput_.pop_front();
    notifyInput_.push_back(report);
}

void Firmware::pressDpiButton(int stage)
{
    state_.currentDpi = static_cast<uint8_t>(stage);
    queueNotification({0x06, 0x07, 0x00, static_cast<uint8_t>(stage)});
}

} // namespace kvm
