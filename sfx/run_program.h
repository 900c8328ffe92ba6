// The program a self-extractor made with --run starts after a successful extraction.
#pragma once

#include <string_view>

namespace sfx {

// Starts the program of `command` (a path relative to `folder`, then its fixed arguments) with
// `extraArguments` (may be null) appended, in `folder`; waits for it and for every process it
// started, and returns its exit code. A program whose manifest asks for elevation is started
// through the shell, which asks the user; then only the program itself is waited for. Returns
// kExitRunFailed when it cannot be started (reported to the user, or to the log when silent).
// Reports that the program `program` is not run, as this run neither extracted it nor found a
// file the same as the archive's in its place (one was skipped, or it failed); returns
// kExitRunFailed.
unsigned RefuseProgramNotExtracted(std::string_view program);

unsigned RunProgramAndWait(const char* folder, std::string_view command,
                           const char* extraArguments);

}  // namespace sfx
