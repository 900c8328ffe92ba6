// The self-extractor's own settings, chosen by its maker with vexa sfx and kept in the stub's
// resources (an RT_RCDATA resource, number 130), so the archive format stays as it is. Without
// the resource a self-extractor behaves as it always did: one dialog, its command line ignored.
//
// Layout, little-endian, exactly 12 + length + 1 bytes:
//   0  4  magic, the bytes "VXS1"
//   4  4  flags (StubFlag bits; any other bit set makes the settings unreadable)
//   8  4  length of the run command in bytes, at most kMaxRunCommand; 0 for none
//  12  n  the run command, bytes in the archive's code page, then one NUL
//
// Header-only and allocation-free: the stub reads its settings with this very code, built with
// its own flags, and vexa sfx, vexa info and the fuzz target use the same rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace vexa::pe {

constexpr uint16_t kRcDataType = 10;  // RT_RCDATA
constexpr uint16_t kStubSettingsResource = 130;
constexpr uint8_t kStubSettingsMagic[4] = {'V', 'X', 'S', '1'};
constexpr size_t kStubSettingsHeaderSize = 12;
// A command names a program inside the archive and its fixed arguments; Windows' own limit
// for a whole command line is 32,767 characters, and the user's arguments come on top.
constexpr size_t kMaxRunCommand = 1024;

enum StubFlag : uint32_t {
    kHonourSwitches = 1u << 0,  // vexa sfx --switches: the command line is read
    kAlwaysSilent = 1u << 1,    // vexa sfx --silent: no window, no box, ever
    kExtractToTemp = 1u << 2,   // vexa sfx --temp: a new private folder under %TEMP%, removed after
};
constexpr uint32_t kKnownStubFlags = kHonourSwitches | kAlwaysSilent | kExtractToTemp;

struct StubSettings {
    uint32_t flags = 0;
    std::string_view runCommand;  // empty: nothing runs after extraction

    bool Has(StubFlag flag) const { return (flags & flag) != 0; }
};

enum class StubSettingsFault {
    None,
    Size,              // shorter than the header, or not header + command + NUL
    Magic,             // not "VXS1"
    UnknownFlags,      // a bit this version does not know
    CommandTooLong,    // over kMaxRunCommand
    NotTerminated,     // no NUL right after the command, or a NUL inside it
    ControlCharacter,  // a byte below 0x20 or 0x7F in the command
    BadProgramPath,    // the program is not a relative path inside the destination
    TempWithoutRun,    // --temp extracts into a folder that is removed: only with a program to run
};

// What is wrong with settings that cannot be read, for vexa info and the stub's log.
inline const char* StubSettingsFaultText(StubSettingsFault fault) {
    switch (fault) {
        case StubSettingsFault::None:
            return "readable";
        case StubSettingsFault::Size:
            return "its size does not match the command length it gives";
        case StubSettingsFault::Magic:
            return "it does not start with VXS1";
        case StubSettingsFault::UnknownFlags:
            return "it sets flags this version does not know";
        case StubSettingsFault::CommandTooLong:
            return "the run command is longer than 1024 bytes";
        case StubSettingsFault::NotTerminated:
            return "the run command is not followed by exactly one NUL";
        case StubSettingsFault::ControlCharacter:
            return "the run command holds a control character";
        case StubSettingsFault::BadProgramPath:
            return "the program to run is not a relative path inside the destination";
        case StubSettingsFault::TempWithoutRun:
            return "it extracts into a temporary folder without a program to run";
    }
    return "unknown fault";
}

// Where the program part of a run command ends: after the closing quote when the command starts
// with one (the whole command when that quote is not closed), else at the first space.
inline size_t RunProgramEnd(std::string_view command) {
    const bool quoted = !command.empty() && command.front() == '"';
    const size_t end = quoted ? command.find('"', 1) : command.find(' ');
    if (end == std::string_view::npos) return command.size();
    return quoted ? end + 1 : end;
}

// The program part of a run command: the first word, or the text between the first pair of
// double quotes when the command starts with one. Empty when a quote is not closed.
inline std::string_view RunProgram(std::string_view command) {
    const size_t end = RunProgramEnd(command);
    if (command.empty() || command.front() != '"') return command.substr(0, end);
    if (end < 2 || command[end - 1] != '"') return std::string_view();
    return command.substr(1, end - 2);
}

// The fixed arguments of a run command: what follows the program part, without the spaces
// that separate them from it.
inline std::string_view RunArguments(std::string_view command) {
    std::string_view rest = command.substr(RunProgramEnd(command));
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    return rest;
}

// A program path inside the destination: relative, every level an ordinary name (no drive,
// colon, empty, "." or ".." level, no level ending in a dot or a space, no wildcard).
inline bool IsSafeProgramPath(std::string_view path) {
    if (path.empty()) return false;
    const char* level = path.data();
    const char* const end = level + path.size();
    for (const char* p = level;; ++p) {
        if (p == end || *p == '\\' || *p == '/') {
            // An empty level, or one ending in a dot or a space ("." and ".." among them).
            if (p == level || p[-1] == '.' || p[-1] == ' ') return false;
            if (p == end) return true;
            level = p + 1;
        } else if (std::strchr(":*?\"<>|", *p)) {
            return false;  // (a NUL matches the terminator: refused too)
        }
    }
}

inline uint32_t LoadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads settings from the resource's bytes; `settings.runCommand` points into `bytes`.
inline StubSettingsFault ParseStubSettings(std::span<const uint8_t> bytes, StubSettings& settings) {
    if (bytes.size() < kStubSettingsHeaderSize + 1) return StubSettingsFault::Size;
    for (size_t i = 0; i < 4; ++i)
        if (bytes[i] != kStubSettingsMagic[i]) return StubSettingsFault::Magic;
    const uint32_t flags = LoadLe32(bytes.data() + 4);
    if (flags & ~kKnownStubFlags) return StubSettingsFault::UnknownFlags;
    const uint32_t length = LoadLe32(bytes.data() + 8);
    if (length > kMaxRunCommand) return StubSettingsFault::CommandTooLong;
    if (bytes.size() != kStubSettingsHeaderSize + length + 1) return StubSettingsFault::Size;
    const char* command = reinterpret_cast<const char*>(bytes.data() + kStubSettingsHeaderSize);
    if (command[length] != '\0') return StubSettingsFault::NotTerminated;
    for (uint32_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(command[i]);
        if (c == 0) return StubSettingsFault::NotTerminated;
        if (c < 0x20 || c == 0x7F) return StubSettingsFault::ControlCharacter;
    }
    const std::string_view run(command, length);
    if (!run.empty() && !IsSafeProgramPath(RunProgram(run)))
        return StubSettingsFault::BadProgramPath;
    if ((flags & kExtractToTemp) && run.empty()) return StubSettingsFault::TempWithoutRun;
    settings.flags = flags;
    settings.runCommand = run;
    return StubSettingsFault::None;
}

}  // namespace vexa::pe
