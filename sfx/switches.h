// The self-extractor's command line, read only when its maker asked for it (vexa sfx
// --switches). The switches are the ones deployment tools already pass to installers:
//   /S               silent: no window and no message box at all
//   /D=FOLDER        the destination; takes the rest of the command line up to a lone "--",
//                    as installers do, so a path with spaces needs no quotes
//   /O=replace|skip|ask   what to do with files that exist already
//   /LOG=FILE        a log of what happened
//   /? or /H         a box that lists the switches and exit codes
//   -- ARGUMENTS     passed on to the program run after extraction
// Case is ignored, and '-' may stand for '/'.
#pragma once

#include <string>

namespace sfx {

enum class OverwritePolicy { Unset, Ask, Replace, Skip };

struct Switches {
    bool silent = false;
    bool help = false;
    bool hasDestination = false;
    std::string destination;
    OverwritePolicy overwrite = OverwritePolicy::Unset;
    std::string logPath;
    std::string programArguments;  // verbatim, after the lone "--"
    // Not empty when the command line cannot be used: the switch or value at fault.
    std::string fault;
};

// Reads the command line after the program's own name.
Switches ParseSwitches(const char* commandLine);

}  // namespace sfx
