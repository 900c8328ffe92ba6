#include "destination_edit.h"

#include <cstring>
#include <string>
#include <vector>

#include "environment_variables.h"
#include "reader_helpers.h"
#include "resource.h"

namespace sfx {

namespace {

char g_startDirectory[MAX_PATH + 1];

using vexa::IsSeparator;

bool HasDrive(const char* path) {
    const unsigned char c = static_cast<unsigned char>(path[0]);
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':';
}

// The part of `base` that names its volume: "X:" or "\\server\share".
std::string VolumeOf(const char* base) {
    if (HasDrive(base)) return std::string(base, 2);
    if (IsSeparator(base[0]) && IsSeparator(base[1])) {
        const char* end = base + 2;
        for (int levels = 0; *end; ++end)
            if (IsSeparator(*end) && ++levels == 2) break;
        return std::string(base, end);
    }
    return std::string();
}

}  // namespace

void RememberStartDirectory() {
    const DWORD length = ::GetCurrentDirectoryA(sizeof g_startDirectory, g_startDirectory);
    if (length == 0 || length >= sizeof g_startDirectory) g_startDirectory[0] = '\0';
}

const char* StartDirectory() {
    return g_startDirectory;
}

bool ResolveDestination(const char* text, const char* base, char* out, size_t outSize) {
    std::string combined;
    if (HasDrive(text) && IsSeparator(text[2])) {
        combined = text;  // absolute with drive
    } else if (IsSeparator(text[0]) && IsSeparator(text[1])) {
        combined = text;  // network path
    } else if (text[0] == '\0' || IsSeparator(text[0])) {
        combined = VolumeOf(base) + (text[0] ? text : "\\");
    } else if (HasDrive(text)) {
        combined = text;  // "X:name" is relative to that drive's own directory
    } else {
        combined = base;
        if (!combined.empty() && !IsSeparator(combined.back())) combined += '\\';
        combined += text;
    }
    std::vector<char> full(combined.size() + MAX_PATH + 2);
    const DWORD length =
        ::GetFullPathNameA(combined.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size() || length >= outSize) return false;
    std::memcpy(out, full.data(), length + 1);
    return true;
}

bool ReadDestinationEdit(HWND dialog, char* out, size_t outSize) {
    const HWND edit = ::GetDlgItem(dialog, IDC_DESTINATION);
    const int length = ::GetWindowTextLengthA(edit);
    if (length < 0 || size_t(length) + 2 > outSize) return false;
    ::GetDlgItemTextA(dialog, IDC_DESTINATION, out, int(outSize - 1));
    return true;
}

ResolvedDestination ResolveDestinationText(const char* typed) {
    using Problem = ResolvedDestination::Problem;
    ResolvedDestination destination;
    if (std::strlen(typed) > kEditChars) {
        destination.problem = Problem::TooLong;
        return destination;
    }
    std::strcpy(destination.typed, typed);
    char expanded[kEditBufferSize];
    switch (ExpandEnvironmentVariables(destination.typed, expanded, kEditChars + 1,
                                       destination.unknownVariable)) {
        case Expansion::Done:
            break;
        case Expansion::UnknownVariable:
            destination.problem = Problem::UnknownVariable;
            return destination;
        case Expansion::TooLong:
            destination.problem = Problem::TooLong;
            return destination;
    }
    if (!ResolveDestination(expanded, StartDirectory(), destination.path, kEditChars + 1))
        destination.problem = Problem::TooLong;
    return destination;
}

ResolvedDestination ReadResolvedDestination(HWND dialog) {
    char typed[kEditBufferSize];
    if (!ReadDestinationEdit(dialog, typed, sizeof typed)) {
        ResolvedDestination destination;
        destination.problem = ResolvedDestination::Problem::TooLong;
        return destination;
    }
    return ResolveDestinationText(typed);
}

}  // namespace sfx
