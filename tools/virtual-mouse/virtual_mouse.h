// In-process control of the virtual mouse, for tests that link
// libkesta-virtual-mouse.so in place of hidapi. The same state is reachable
// from outside through the KESTA_VM_* environment variables (see docs/virtual-mouse.md).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kvm {

using Image = std::array<uint8_t, 128>;

struct Config {
    uint16_t vid = 0x04d9;
    uint16_t pid = 0xa09f;
    uint16_t usagePage = 0xff00; // command interface
    uint16_t usage = 0xff00;
    uint16_t usagePage2 = 0xff01; // notification interface
    uint16_t usage2 = 0xff01;
    bool notifyInterface = true;              // false: the notification interface is absent
    int family = 553;                         // 553 or 560
    bool encoded = true;                      // frames scrambled with secrecyCode
    std::string secrecyCode = "417306";       // six characters
    int reportLength = 32;                    // 32 or 64
    std::array<uint8_t, 4> keyboardOptions{}; // 560 uses the first two
    std::array<Image, 5> profiles{};          // on-board profile images 0..4
    std::array<uint8_t, 3> ledInstruct{};     // answer of query 87H (reply bytes 3..5)
};

// Faults a test can inject; each applies until configure() or clearFaults().
struct Faults {
    bool silent = false;       // feature-report reads fail (-1): the device never answers
    int dropInputReports = 0;  // the input data phase of 8CH sends this many reports fewer
    int unplugAfterCalls = -1; // unplug after this many further hidapi calls (>= 0 arms it)
    bool openDenied = false;   // listed, but opening fails with EACCES: nodes of root only
};

struct WireEntry {
    double t = 0;               // monotonic milliseconds
    std::string call;           // enumerate, open, close, send_feature, get_feature, write, read
    std::string iface;          // command or notify (empty for enumerate)
    std::vector<uint8_t> bytes; // as they crossed the wire (report ID byte included)
    std::vector<uint8_t> plain; // deciphered frame (send_feature, get_feature); else empty
    std::string verdict;        // "ok" or the error text
    int result = 0;             // what the hidapi call returned
};

struct State {
    int family = 553;
    bool encoded = false;
    std::string secrecyCode;
    int reportLength = 32;
    bool plugged = true;
    std::array<uint8_t, 4> keyboardOptions{};
    uint8_t currentProfile = 0;
    std::array<Image, 5> profiles{};
    std::array<Image, 4> keyMatrix{};  // layers 1..4 as received (64 or 128 bytes, rest 0)
    uint8_t currentKeyMatrix = 0;      // 553 02H
    std::array<Image, 12> macros{};    // macros 1..12
    std::array<uint8_t, 8> dpiCodes{}; // 553 11H payload
    uint8_t dpiStageArg = 0;           // 553 11H frame byte 2
    uint8_t currentDpi = 1;
    std::array<uint8_t, 3> ledEffect{};              // 553 0DH
    std::array<uint8_t, 64> attribute{};             // 16H payload
    std::array<std::vector<uint8_t>, 3> stageColors; // 10H payload by type 0..2
    std::array<uint8_t, 3> fixedColor{};             // 553 0CH
    std::array<std::array<uint8_t, 3>, 3> gunData{}; // 553 04H by slot: repeat, X, Y
    uint8_t lodStage = 0, lodEnable = 0;             // 553 07H / 560 09H
    uint8_t reportRate = 0;
    int errors = 0;
    int commands = 0; // frames accepted
};

Config defaultConfig();
// Fresh device: state from config, faults cleared, plugged, log cleared.
void configure(const Config &config);
void setFaults(const Faults &faults);
void clearFaults();

void pressDpiButton(int stage); // queues 06 07 00 stage on the notification interface
void queueNotification(const std::vector<uint8_t> &report); // any raw report
void unplug();
void plug();

State state();
std::string dumpJson();           // the whole state as one JSON object
std::vector<WireEntry> wireLog(); // every call since configure()/clearWireLog()
void clearWireLog();
std::vector<std::string> errorLog(); // error texts in order

// --- Additions for tests and tools ------------------------------------------

// Interface paths as hid_enumerate lists them (stable, whatever the config says).
extern const char *const commandPath; // "/dev/hidraw-kesta-0"
extern const char *const notifyPath;  // "/dev/hidraw-kesta-1"

// The frame arithmetic the device uses, so a test can act as the host.
using Block = std::array<uint8_t, 8>;                   // frame bytes 1..8
uint8_t frameChecksum(const uint8_t *codeAndParams);    // complement of the sum of 7 bytes
void scramble(Block &block, const std::string &code);   // as the host scrambles a frame
void unscramble(Block &block, const std::string &code); // as the device deciphers it

// Reads a config INI (keys in docs/virtual-mouse.md). Unknown keys and bad values are
// reported in *error (one line each) and leave the default; returns false if the file is
// unreadable.
bool loadConfigFile(const std::string &path, Config &config, std::string *error = nullptr);

// Re-reads KESTA_VM_CONFIG, KESTA_VM_STATE, KESTA_VM_LOG and KESTA_VM_CONTROL as the
// library does when it is loaded: a fresh device whose on-board memory comes from the
// state file when there is one.
void restart();

// The control FIFO (see docs/virtual-mouse.md); start replaces a running reader. Returns
// false when the path exists and is not a FIFO, cannot be created, or another process
// serves it.
bool startControl(const std::string &path);
void stopControl();

} // namespace kvm

// Seam for the program's device-change notices: the library calls cb(ctx) after
// every plug or unplug. Looked up at run time with dlsym, so a program that is
// merely preloaded with the library can use it.
extern "C" void kesta_vm_set_change_callback(void (*cb)(void *ctx), void *ctx);
