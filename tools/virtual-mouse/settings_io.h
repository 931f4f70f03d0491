// Text formats of the virtual mouse: config INI, state file, JSON dump.
#pragma once

#include "virtual_mouse.h"

namespace kvm {

// Errors are appended to *errors, one line each; a bad value keeps what was there.
void parseConfigText(const std::string &text, Config &config, std::string &errors);

// The on-board memory as "key = value" lines, and back.
std::string stateToText(const State &state);
void stateFromText(const std::string &text, State &state, std::string &errors);

std::string stateToJson(const State &state);
std::string jsonString(const std::string &text); // quoted and escaped

bool readTextFile(const std::string &path, std::string &text);
bool writeFileAtomically(const std::string &path, const std::string &text);

} // namespace kvm
