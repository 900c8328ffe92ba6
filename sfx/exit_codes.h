// What the self-extractor's exit code tells whoever started it: a person's shell, a script or
// a deployment tool, in every mode (dialog or silent). The codes above 1600 are the ones
// deployment tools already know from Windows Installer. A run that failed or was cancelled
// never exits 0. After a program run after extraction, the self-extractor exits with that
// program's own code instead.
#pragma once

namespace sfx {

enum ExitCode : unsigned {
    kExitSuccess = 0,            // every entry extracted (and checked)
    kExitSomeEntriesFailed = 1,  // some entries could not be extracted; the others were
    kExitArchiveUnreadable = 2,  // the appended archive or the stub's settings cannot be read
    kExitOutOfMemory = 3,        // not enough memory to go on
    kExitInternalError = 4,      // the runtime met a fault it cannot recover from
    kExitDestinationFailed = 5,  // the destination folder cannot be created or used
    kExitRunFailed = 6,          // the program to run after extraction could not be started
    kExitCancelled = 1602,       // the user cancelled, or closed the dialog before extracting
    kExitBadCommandLine = 1639,  // a switch the self-extractor does not know, or a bad value
};

}  // namespace sfx
