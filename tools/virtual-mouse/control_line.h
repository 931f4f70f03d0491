// The control pipe's text commands, shared by the hidapi shim and the uhid
// front-end: "dpi <stage>", "notify <hex bytes>", "unplug", "plug", "dump",
// "quit".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvm {

struct ControlCommand {
    enum Kind { Empty, Dpi, Notify, Unplug, Plug, Dump, Quit };
    Kind kind = Empty;
    int stage = 0;               // Dpi: 0..255
    std::vector<uint8_t> report; // Notify: one or more bytes
};

// Parses one line (surrounding blanks ignored; an empty line is Empty). False
// for anything else than the commands above with their arguments.
bool parseControlLine(const std::string &text, ControlCommand *command);

// The wire-log line that records a dump: the state as JSON under "state".
std::string dumpLogLine(double monotonicMs, const std::string &stateJson);

} // namespace kvm
