#include <array>
#include <cctype>

#include "reader_helpers.h"

namespace vexa {

namespace {

bool IsForbiddenChar(unsigned char c) {
    if (c < 0x20 || c == 0x7F) return true;
    switch (c) {
        case ':':
        case '<':
        case '>':
        case '"':
        case '|':
        case '?':
        case '*':
            return true;
        default:
            return false;
    }
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Windows opens a device for these names whatever extension follows them.
bool IsReservedDeviceName(std::string_view level) {
    const std::string_view stem = level.substr(0, level.find('.'));
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    for (auto reserved : kPlain)
        if (EqualsIgnoreCase(stem, reserved)) return true;
    if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9') {
        const std::string_view prefix = stem.substr(0, 3);
        if (EqualsIgnoreCase(prefix, "COM") || EqualsIgnoreCase(prefix, "LPT")) return true;
    }
    return false;
}

bool IsSafeLevel(std::string_view level) {
    if (level.empty()) return false;
    const char last = level.back();
    if (last == '.' || last == ' ') return false;  // also "." and ".."
    for (char c : level)
        if (IsForbiddenChar(static_cast<unsigned char>(c))) return false;
    return !IsReservedDeviceName(level);
}

}  // namespace

bool IsSafeEntryName(std::string_view name) {
    if (name.empty()) return false;
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        if (!IsSafeLevel(name.substr(start, end - start))) return false;
        if (end == name.size()) return true;
        start = end + 1;
    }
}

}  // namespace vexa
