#include "switches.h"

#include <cstring>

namespace sfx {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// One word of the command line from `begin`: up to a blank outside quotes.
const char* WordEnd(const char* begin) {
    bool quoted = false;
    for (; *begin; ++begin) {
        if (*begin == '"') quoted = !quoted;
        if (!quoted && IsBlank(*begin)) break;
    }
    return begin;
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) ++p;
    return p;
}

bool IsLoneDashes(const char* begin, const char* end) {
    return end - begin == 2 && begin[0] == '-' && begin[1] == '-';
}

// Copies [begin, end) into `out` without quotes (around the value or the whole switch; a quote
// is never part of a Windows path) and without blanks at either end. False when it is empty,
// does not fit, or holds a control character.
bool CopyValue(const char* begin, const char* end, char* out, size_t outSize) {
    size_t length = 0;
    for (; begin < end; ++begin) {
        const unsigned char c = static_cast<unsigned char>(*begin);
        if (c == '"') continue;
        if (c < 0x20 || c == 0x7F || length + 1 >= outSize) {
            out[0] = '\0';  // nothing of a refused value is kept
            return false;
        }
        if (length == 0 && IsBlank(char(c))) continue;
        out[length++] = char(c);
    }
    while (length && IsBlank(out[length - 1])) --length;
    out[length] = '\0';
    return length != 0;
}

// The switch's name (after the lead, up to '=' or the end) is `name`, case ignored.
bool NameIs(const char* word, size_t nameLength, const char* name) {
    return std::strlen(name) == nameLength &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, word, int(nameLength), name,
                            int(nameLength)) == CSTR_EQUAL;
}

// A word shaped like another switch, quoted or not: a lead and one character ("/S", "-?"), or
// a lead and a name with a value ("/LOG=FILE"). A folder name holds no such word of its own, so
// the folder of /D= ends before one, and a switch typed after /D= still counts (an unknown one
// is refused).
bool LooksLikeSwitch(const char* word, const char* end) {
    if (word[0] == '"') {
        ++word;
        if (end > word && end[-1] == '"') --end;
    }
    return word < end && (word[0] == '/' || word[0] == '-') &&
           (end - word == 2 || std::memchr(word, '=', size_t(end - word)));
}

}  // namespace

void ParseSwitches(const char* line, Switches& switches) {
    for (const char* word = SkipBlanks(line); *word; word = SkipBlanks(word)) {
        const char* end = WordEnd(word);
        if (IsLoneDashes(word, end)) {
            switches.programArguments = SkipBlanks(end);
            return;
        }
        // A switch may come quoted whole: "/D=C:\Program Files\App".
        const char* lead = word[0] == '"' ? word + 1 : word;
        const char* name = lead + 1;
        const char* equals = name;
        while (equals < end && *equals != '=' && *equals != '"') ++equals;
        const size_t nameLength = size_t(equals - name);
        const bool hasValue = equals < end && *equals == '=';
        const char* value = equals + 1;
        bool ok = *lead == '/' || *lead == '-';
        if (!ok) {
        } else if (!hasValue) {
            if (NameIs(name, nameLength, "s"))
                switches.silent = true;
            else if (NameIs(name, nameLength, "?") || NameIs(name, nameLength, "h"))
                switches.help = true;
            else
                ok = false;
        } else if (NameIs(name, nameLength, "d")) {
            // The rest of the line up to a lone "--" or another switch is the folder, blanks
            // and all.
            while (*end) {
                const char* next = SkipBlanks(end);
                const char* nextEnd = WordEnd(next);
                if (IsLoneDashes(next, nextEnd) || LooksLikeSwitch(next, nextEnd)) break;
                end = nextEnd;
            }
            ok = CopyValue(value, end, switches.destination, sizeof switches.destination);
        } else if (NameIs(name, nameLength, "log")) {
            ok = CopyValue(value, end, switches.logPath, sizeof switches.logPath);
        } else if (NameIs(name, nameLength, "o")) {
            char policy[8];
            ok = CopyValue(value, end, policy, sizeof policy);
            const size_t length = ok ? std::strlen(policy) : 0;
            if (NameIs(policy, length, "replace"))
                switches.overwrite = OverwritePolicy::Replace;
            else if (NameIs(policy, length, "skip"))
                switches.overwrite = OverwritePolicy::Skip;
            else if (NameIs(policy, length, "ask"))
                switches.overwrite = OverwritePolicy::Ask;
            else
                ok = false;
        } else {
            ok = false;
        }
        if (!ok) {
            const size_t length = size_t(end - word) < sizeof switches.fault - 1
                                      ? size_t(end - word)
                                      : sizeof switches.fault - 1;
            std::memcpy(switches.fault, word, length);
            switches.fault[length] = '\0';
            return;
        }
        word = end;
    }
}

}  // namespace sfx
