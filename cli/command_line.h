// Option handling shared by the commands: help, usage errors and common values.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archive_reader.h"
#include "codepage.h"
#include "commands.h"
#include "options.h"

namespace vexa::cli {

// Parses a command's arguments. Returns nothing when the command should end at once with
// `exitCode`: after printing its help (0), or after a usage error (2).
std::optional<ParsedArgs> ParseCommand(const std::string& command, const Args& args,
                                       const std::vector<OptionDef>& defs, const char* usage,
                                       Console& console, int& exitCode);

// Reports a usage error of `command` and returns the usage exit status.
int UsageError(const std::string& command, const std::string& text, Console& console);

// The --threads value, or the machine's default; nothing (reported) when it is not a number
// from 1 to 64.
std::optional<unsigned> ThreadsOption(const std::string& command, const ParsedArgs& parsed,
                                      Console& console);

// The option that names the code page of entry names, for every command that reads or writes
// them.
extern const OptionDef kCodePageOption;

// The --codepage value, or the default; nothing (reported) when it is not a supported code page.
std::optional<CodePage> CodePageOption(const std::string& command, const ParsedArgs& parsed,
                                       Console& console);

// Opens `path` read-only for `command`; when it cannot be opened, says why (naming the file)
// and returns false, and the command ends with the usage exit status.
bool OpenArchive(const std::string& command, const std::string& path, ArchiveReader& reader,
                 Console& console);

}  // namespace vexa::cli
