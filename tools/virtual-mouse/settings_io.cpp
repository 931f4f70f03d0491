#include "settings_io.h"

#include "firmware.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace kvm {

namespace {

std::string trim(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Calls f(lineNumber, key, value) for every "key = value" line; comments and
// [section] lines are skipped.
template <class F> void forEachEntry(const std::string &text, std::string &errors, F f)
{
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[')
            continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            errors += "line " + std::to_string(number) + ": no '=' in \"" + line + "\"\n";
            continue;
        }
        const std::string key = trim(line.substr(0, eq));
        const std::string problem = f(key, trim(line.substr(eq + 1)));
        if (!problem.empty())
            errors += "line " + std::to_string(number) + ": " + key + ": " + problem + "\n";
    }
}

bool parseHexDigits(const std::string &token, unsigned long &value)
{
    std::string digits = token;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 8)
        return false;
    for (char ch : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(ch)))
            return false;
    }
    value = std::stoul(digits, nullptr, 16);
    return true;
}

// "00 8b 1f", "00,8b,1f" or "008b1f"; up to max bytes.
std::string parseBytes(const std::string &text, size_t max, std::vector<uint8_t> &bytes)
{
    std::vector<std::string> tokens;
    std::string token;
    for (char ch : text + " ") {
        if (ch == ' ' || ch == ',' || ch == '\t' || ch == ':') {
            if (!token.empty())
                tokens.push_back(token);
            token.clear();
        } else {
            token += ch;
        }
    }
    if (tokens.size() == 1 && tokens[0].size() > 2) {
        const std::string run = tokens[0];
        if (run.size() % 2)
            return "odd number of hex digits";
        tokens.clear();
        for (size_t i = 0; i < run.size(); i += 2)
            tokens.push_back(run.substr(i, 2));
    }
    bytes.clear();
    for (const auto &t : tokens) {
        unsigned long value = 0;
        if (t.size() > 2 || !parseHexDigits(t, value))
            return "\"" + t + "\" is not a hex byte";
        bytes.push_back(static_cast<uint8_t>(value));
    }
    if (bytes.size() > max)
        return std::to_string(bytes.size()) + " bytes, at most " + std::to_string(max) + " allowed";
    return {};
}

template <size_t N> std::string parseArray(const std::string &text, std::array<uint8_t, N> &out)
{
    std::vector<uint8_t> bytes;
    std::string problem = parseBytes(text, N, bytes);
    if (problem.empty()) {
        out.fill(0);
        std::copy(bytes.begin(), bytes.end(), out.begin());
    }
    return problem;
}

std::string parseHex16(const std::string &text, uint16_t &out)
{
    unsigned long value = 0;
    if (!parseHexDigits(text, value) || value > 0xffff)
        return "\"" + text + "\" is not a 16-bit hex number";
    out = static_cast<uint16_t>(value);
    return {};
}

std::string parseBool(const std::string &text, bool &out)
{
    std::string lower;
    for (char ch : text)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (lower == "true" || lower == "1" || lower == "yes" || lower == "on")
        out = true;
    else if (lower == "false" || lower == "0" || lower == "no" || lower == "off")
        out = false;
    else
        return "\"" + text + "\" is not true or false";
    return {};
}

std::string parseInt(const std::string &text, int low, int high, int &out)
{
    try {
        size_t used = 0;
        const int value = std::stoi(text, &used, 10);
        if (used == text.size() && value >= low && value <= high) {
            out = value;
            return {};
        }
    } catch (const std::exception &) {
    }
    return "\"" + text + "\" is not a number from " + std::to_string(low) + " to " +
           std::to_string(high);
}

std::string parseByte(const std::string &text, uint8_t &out)
{
    int value = 0;
    std::string problem = parseInt(text, 0, 255, value);
    if (problem.empty())
        out = static_cast<uint8_t>(value);
    return problem;
}

// Keys numbered from base: "profile0".."profile4", "macro1".."macro12".
bool numberedKey(const std::string &key, const std::string &stem, int base, int count, int &index)
{
    if (key.size() <= stem.size() || key.compare(0, stem.size(), stem) != 0)
        return false;
    const std::string digits = key.substr(stem.size());
    for (char ch : digits) {
        if (!std::isdigit(static_cast<unsigned char>(ch)))
            return false;
    }
    if (digits.size() > 2)
        return false;
    const int number = std::stoi(digits);
    if (number < base || number >= base + count)
        return false;
    index = number - base;
    return true;
}

std::string hexOf(const uint8_t *data, size_t length)
{
    return hexBytes(data, length);
}
template <size_t N> std::string hexOf(const std::array<uint8_t, N> &a)
{
    return hexBytes(a.data(), N);
}

} // namespace

void parseConfigText(const std::string &text, Config &config, std::string &errors)
{
    forEachEntry(text, errors, [&config](const std::string &key, const std::string &value) {
        int index = 0;
        if (key == "vid")
            return parseHex16(value, config.vid);
        if (key == "pid")
            return parseHex16(value, config.pid);
        if (key == "usagePage")
            return parseHex16(value, config.usagePage);
        if (key == "usage")
            return parseHex16(value, config.usage);
        if (key == "usagePage2")
            return parseHex16(value, config.usagePage2);
        if (key == "usage2")
            return parseHex16(value, config.usage2);
        if (key == "notifyInterface")
            return parseBool(value, config.notifyInterface);
        if (key == "encoded")
            return parseBool(value, config.encoded);
        if (key == "family") {
            if (value != "553" && value != "560")
                return std::string("\"" + value + "\" is neither 553 nor 560");
            config.family = std::stoi(value);
            return std::string();
        }
        if (key == "secrecyCode") {
            if (value.size() != 6)
                return std::string("\"" + value + "\" does not have six characters");
            config.secrecyCode = value;
            return std::string();
        }
        if (key == "reportLength") {
            if (value != "32" && value != "64")
                return std::string("\"" + value + "\" is neither 32 nor 64");
            config.reportLength = std::stoi(value);
            return std::string();
        }
        if (key == "keyboardOptions")
            return parseArray(value, config.keyboardOptions);
        if (key == "ledInstruct")
            return parseArray(value, config.ledInstruct);
        if (numberedKey(key, "profile", 0, 5, index))
            return parseArray(value, config.profiles[index]);
        return std::string("unknown key");
    });
}

std::string stateToText(const State &s)
{
    std::ostringstream out;
    out << "# On-board memory of the virtual mouse; rewritten at every change.\n";
    out << "family = " << s.family << "\n";
    out << "keyboardOptions = " << hexOf(s.keyboardOptions) << "\n";
    out << "currentProfile = " << int(s.currentProfile) << "\n";
    for (size_t i = 0; i < s.profiles.size(); ++i)
        out << "profile" << i << " = " << hexOf(s.profiles[i]) << "\n";
    for (size_t i = 0; i < s.keyMatrix.size(); ++i)
        out << "keyMatrix" << i + 1 << " = " << hexOf(s.keyMatrix[i]) << "\n";
    out << "currentKeyMatrix = " << int(s.currentKeyMatrix) << "\n";
    for (size_t i = 0; i < s.macros.size(); ++i)
        out << "macro" << i + 1 << " = " << hexOf(s.macros[i]) << "\n";
    out << "dpiCodes = " << hexOf(s.dpiCodes) << "\n";
    out << "dpiStageArg = " << int(s.dpiStageArg) << "\n";
    out << "currentDpi = " << int(s.currentDpi) << "\n";
    out << "ledEffect = " << hexOf(s.ledEffect) << "\n";
    out << "attribute = " << hexOf(s.attribute) << "\n";
    for (size_t i = 0; i < s.stageColors.size(); ++i)
        out << "stageColors" << i << " = "
            << hexOf(s.stageColors[i].data(), s.stageColors[i].size()) << "\n";
    out << "fixedColor = " << hexOf(s.fixedColor) << "\n";
    for (size_t i = 0; i < s.gunData.size(); ++i)
        out << "gunData" << i << " = " << hexOf(s.gunData[i]) << "\n";
    out << "lodStage = " << int(s.lodStage) << "\n";
    out << "lodEnable = " << int(s.lodEnable) << "\n";
    out << "reportRate = " << int(s.reportRate) << "\n";
    return out.str();
}

void stateFromText(const std::string &text, State &s, std::string &errors)
{
    forEachEntry(text, errors, [&s](const std::string &key, const std::string &value) {
        int i = 0;
        if (key == "family")
            return std::string(); // the device's identity comes from its config
        if (key == "keyboardOptions")
            return parseArray(value, s.keyboardOptions);
        if (key == "currentProfile")
            return parseByte(value, s.currentProfile);
        if (numberedKey(key, "profile", 0, 5, i))
            return parseArray(value, s.profiles[i]);
        if (numberedKey(key, "keyMatrix", 1, 4, i))
            return parseArray(value, s.keyMatrix[i]);
        if (key == "currentKeyMatrix")
            return parseByte(value, s.currentKeyMatrix);
        if (numberedKey(key, "macro", 1, 12, i))
            return parseArray(value, s.macros[i]);
        if (key == "dpiCodes")
            return parseArray(value, s.dpiCodes);
        if (key == "dpiStageArg")
            return parseByte(value, s.dpiStageArg);
        if (key == "currentDpi")
            return parseByte(value, s.currentDpi);
        if (key == "ledEffect")
            return parseArray(value, s.ledEffect);
        if (key == "attribute")
            return parseArray(value, s.attribute);
        if (numberedKey(key, "stageColors", 0, 3, i)) {
            std::vector<uint8_t> bytes;
            std::string problem = parseBytes(value, 24, bytes);
            if (problem.empty())
                s.stageColors[i] = bytes;
            return problem;
        }
        if (key == "fixedColor")
            return parseArray(value, s.fixedColor);
        if (numberedKey(key, "gunData", 0, 3, i))
            return parseArray(value, s.gunData[i]);
        if (key == "lodStage")
            return parseByte(value, s.lodStage);
        if (key == "lodEnable")
            return parseByte(value, s.lodEnable);
        if (key == "reportRate")
            return parseByte(value, s.reportRate);
        return std::string("unknown key");
    });
}

std::string jsonString(const std::string &text)
{
    std::string out = "\"";
    for (char ch : text) {
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(ch) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", ch);
                out += escaped;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

std::string stateToJson(const State &s)
{
    std::ostringstream out;
    auto hex = [](const auto &a) { return jsonString(hexOf(a.data(), a.size())); };
    auto list = [&hex](const auto &arrays) {
        std::string text = "[";
        for (size_t i = 0; i < arrays.size(); ++i)
            text += (i ? "," : "") + hex(arrays[i]);
        return text + "]";
    };
    out << "{\"family\":" << s.family << ",\"encoded\":" << (s.encoded ? "true" : "false")
        << ",\"secrecyCode\":" << jsonString(s.secrecyCode)
        << ",\"reportLength\":" << s.reportLength
        << ",\"plugged\":" << (s.plugged ? "true" : "false")
        << ",\"keyboardOptions\":" << hex(s.keyboardOptions)
        << ",\"currentProfile\":" << int(s.currentProfile) << ",\"profiles\":" << list(s.profiles)
        << ",\"keyMatrix\":" << list(s.keyMatrix)
        << ",\"currentKeyMatrix\":" << int(s.currentKeyMatrix) << ",\"macros\":" << list(s.macros)
        << ",\"dpiCodes\":" << hex(s.dpiCodes) << ",\"dpiStageArg\":" << int(s.dpiStageArg)
        << ",\"currentDpi\":" << int(s.currentDpi) << ",\"ledEffect\":" << hex(s.ledEffect)
        << ",\"attribute\":" << hex(s.attribute) << ",\"stageColors\":" << list(s.stageColors)
        << ",\"fixedColor\":" << hex(s.fixedColor) << ",\"gunData\":" << list(s.gunData)
        << ",\"lodStage\":" << int(s.lodStage) << ",\"lodEnable\":" << int(s.lodEnable)
        << ",\"reportRate\":" << int(s.reportRate) << ",\"errors\":" << s.errors
        << ",\"commands\":" << s.commands << "}";
    return out.str();
}

bool readTextFile(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

bool writeFileAtomically(const std::string &path, const std::string &text)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << text;
        out.flush();
        if (!out)
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace kvm
