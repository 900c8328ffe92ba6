#include "switches.h"

#include <cstring>
#include <string_view>

namespace sfx {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// A value with the quotes a caller may have put around it, or around the whole switch, taken
// out (a quote cannot be part of a Windows path), and without blanks at either end.
std::string Unquoted(std::string_view text) {
    std::string value;
    for (char c : text)
        if (c != '"') value += c;
    const size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
}

// A control character has no place in a path or a file name.
bool HasControlCharacter(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

// One word of the command line: [begin, end), quotes included; a quoted part may hold blanks.
size_t WordEnd(const char* line, size_t begin) {
    bool quoted = false;
    size_t i = begin;
    for (; line[i]; ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (!quoted && IsBlank(line[i])) break;
    }
    return i;
}

bool ReadValueSwitch(std::string_view name, std::string_view word, std::string_view key,
                     std::string& value) {
    if (!EqualsIgnoringCase(name, key)) return false;
    value = Unquoted(word.substr(key.size() + 2));  // after the lead and '='
    return true;
}

}  // namespace

Switches ParseSwitches(const char* line) {
    Switches switches;
    size_t i = 0;
    while (line[i]) {
        while (IsBlank(line[i])) ++i;
        if (!line[i]) break;
        const size_t end = WordEnd(line, i);
        const std::string_view word(line + i, end - i);
        if (word == "--") {
            size_t rest = end;
            while (IsBlank(line[rest])) ++rest;
            switches.programArguments = line + rest;
            break;
        }
        // A switch may come quoted whole: "/D=C:\Program Files\App".
        const std::string bare = Unquoted(word);
        if (bare.size() < 2 || (bare[0] != '/' && bare[0] != '-')) {
            switches.fault = std::string(word);
            return switches;
        }
        const size_t equals = bare.find('=');
        const std::string_view name =
            std::string_view(bare).substr(1, equals == std::string::npos ? bare.npos : equals - 1);
        if (equals == std::string::npos) {
            if (EqualsIgnoringCase(name, "s")) {
                switches.silent = true;
            } else if (name == "?" || EqualsIgnoringCase(name, "h")) {
                switches.help = true;
            } else {
                switches.fault = bare;
                return switches;
            }
        } else if (EqualsIgnoringCase(name, "d")) {
            // The rest of the line up to a lone "--" is the folder, blanks and all.
            size_t stop = end;
            while (line[stop]) {
                size_t next = stop;
                while (IsBlank(line[next])) ++next;
                const size_t nextEnd = WordEnd(line, next);
                if (std::string_view(line + next, nextEnd - next) == "--") break;
                stop = nextEnd;
            }
            const size_t valueStart = std::strchr(line + i, '=') - line + 1;
            switches.destination = Unquoted(std::string_view(line + valueStart, stop - valueStart));
            switches.hasDestination = true;
            if (switches.destination.empty() || HasControlCharacter(switches.destination)) {
                switches.fault = bare;
                return switches;
            }
            i = stop;
            continue;
        } else if (EqualsIgnoringCase(name, "o")) {
            const std::string value = Unquoted(std::string_view(bare).substr(equals + 1));
            if (EqualsIgnoringCase(value, "replace")) {
                switches.overwrite = OverwritePolicy::Replace;
            } else if (EqualsIgnoringCase(value, "skip")) {
                switches.overwrite = OverwritePolicy::Skip;
            } else if (EqualsIgnoringCase(value, "ask")) {
                switches.overwrite = OverwritePolicy::Ask;
            } else {
                switches.fault = bare;
                return switches;
            }
        } else if (ReadValueSwitch(name, bare, "log", switches.logPath)) {
            if (switches.logPath.empty() || HasControlCharacter(switches.logPath)) {
                switches.fault = bare;
                return switches;
            }
        } else {
            switches.fault = bare;
            return switches;
        }
        i = end;
    }
    return switches;
}

}  // namespace sfx
