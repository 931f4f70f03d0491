#include "control_line.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace kvm {

bool parseControlLine(const std::string &text, ControlCommand *command)
{
    ControlCommand out;
    std::string line = text;
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos) {
        *command = out; // empty lines are harmless
        return true;
    }
    line = line.substr(start);
    const auto blank = line.find(' ');
    const std::string word = line.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);

    if (word == "dpi") {
        char *end = nullptr;
        const long stage = std::strtol(rest.c_str(), &end, 10);
        if (rest.empty() || *end != '\0' || stage < 0 || stage > 255)
            return false;
        out.kind = ControlCommand::Dpi;
        out.stage = static_cast<int>(stage);
    } else if (word == "notify") {
        char *end = nullptr;
        for (const char *p = rest.c_str(); *p; p = end) {
            const long value = std::strtol(p, &end, 16);
            if (end == p || value < 0 || value > 255)
                return false;
            out.report.push_back(static_cast<uint8_t>(value));
        }
        if (out.report.empty())
            return false;
        out.kind = ControlCommand::Notify;
    } else if (rest.empty() && word == "unplug") {
        out.kind = ControlCommand::Unplug;
    } else if (rest.empty() && word == "plug") {
        out.kind = ControlCommand::Plug;
    } else if (rest.empty() && word == "dump") {
        out.kind = ControlCommand::Dump;
    } else if (rest.empty() && word == "quit") {
        out.kind = ControlCommand::Quit;
    } else {
        return false;
    }
    *command = out;
    return true;
}

std::string dumpLogLine(double monotonicMs, const std::string &stateJson)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", monotonicMs);
    return std::string("{\"t\":") + time +
           ",\"call\":\"dump\",\"iface\":\"\",\"bytes\":\"\",\"plain\":\"\","
           "\"result\":0,\"verdict\":\"ok\",\"state\":" +
           stateJson + "}";
}

} // namespace kvm
