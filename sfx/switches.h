// The self-extractor's command line, read only when its maker asked for it (vexa sfx
// --switches). The switches are the ones deployment tools already pass to installers:
//   /S               silent: no window and no message box at all
//   /D=FOLDER        the destination; takes the rest of the command line up to a lone "--" or
//                    the next switch, so a path with spaces needs no quotes
//   /O=replace|skip|ask   what to do with files that exist already
//   /LOG=FILE        a log of what happened
//   /? or /H         a box that lists the switches and exit codes
//   -- ARGUMENTS     passed on to the program run after extraction
// Case is ignored, and '-' may stand for '/'.
#pragma once

#include <windows.h>

#include "buffer_sizes.h"

namespace sfx {

enum class OverwritePolicy { Unset, Ask, Replace, Skip };

struct Switches {
    bool silent = false;
    bool help = false;
    OverwritePolicy overwrite = OverwritePolicy::Unset;
    char destination[kEditBufferSize] = {};  // empty: none given
    char logPath[MAX_PATH] = {};             // empty: no log
    // Verbatim, after the lone "--"; points into the command line. Null when there is none.
    const char* programArguments = nullptr;
    // Not empty when the command line cannot be used: the switch or value at fault.
    char fault[64] = {};
};

// Reads the command line after the program's own name into `switches` (default-constructed).
void ParseSwitches(const char* commandLine, Switches& switches);

}  // namespace sfx
