// How the self-extractor ends when the runtime cannot go on: out of memory, or a container
// asked for more than it can ever hold. The stub is built without exceptions, so these end
// the program with a message box instead of throwing.
#pragma once

#include "exit_codes.h"

namespace sfx {

// The exit code of a program stopped by StopForLackOfMemory.
constexpr unsigned kOutOfMemoryExitCode = kExitOutOfMemory;

// Called once before a stop ends the process (the private folder is removed there). Null: none.
void SetCleanupBeforeStop(void (*cleanup)());

// Shows "Not enough memory" in a box without owner and ends the process.
[[noreturn]] void StopForLackOfMemory();

// Shows "internal error" in a box without owner and ends the process with kExitInternalError;
// also where a part of Windows the stub cannot do without is missing.
[[noreturn]] void StopForInternalError();

}  // namespace sfx
