// The options of vexa sfx that choose how the self-extractor runs: --switches (it honours its
// command line), --silent (never a window), --run "COMMAND [ARGUMENTS]" (a program from the
// archive started after a successful extraction) and --temp (extraction into a private folder
// under %TEMP%, removed after the program ends).
#pragma once

#include <string>
#include <vector>

#include "codepage.h"
#include "options.h"
#include "vexa_pe.h"

namespace vexa::cli {

// Reads and checks these options of `parsed` into `branding.settings` (left empty when none is
// given, so the stub stays as built). The run command is stored in `codePage`, as entry names
// are. Returns a message naming the option, the value and what is wrong with it; empty when the
// settings can be used.
std::string ReadStubSettingsOptions(const ParsedArgs& parsed, const CodePage& codePage,
                                    pe::Branding& branding);

// Whether the program of `settings`' run command is among `storedNames` (entry names in
// `codePage`), compared as Windows compares paths: case ignored, '/' and '\' alike. Returns a
// message naming the command and `source` (what the names come from) when it is not; empty when
// it is, or when nothing runs.
std::string RunProgramProblem(const pe::OwnedStubSettings& settings, const CodePage& codePage,
                              const std::vector<std::string>& storedNames,
                              const std::string& source);

// The closing line's words for the settings: "the command-line switches", "always silent", ...
std::vector<std::string> StubSettingsParts(const pe::OwnedStubSettings& settings,
                                           const CodePage& codePage);

}  // namespace vexa::cli
