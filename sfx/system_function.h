// A function of a Windows DLL taken from the system folder only, never from the program's own
// folder: a DLL planted beside a downloaded self-extractor must not run inside it.
#pragma once

#include "system_libraries.h"

namespace sfx {

// Null when the DLL or the function is not there.
using vexa::win32::SystemFunction;

}  // namespace sfx
