// Where a command writes: data to `out`, messages to `err`. The program binds them to the
// standard streams; tests bind them to strings.
#pragma once

#include <ostream>
#include <string>

#include "progress.h"

namespace vexa::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitSomeFailed = 1,  // some entries failed; the rest was done
    kExitUsage = 2,       // bad command line, or the archive cannot be opened or written
};

struct Console {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;
    std::string programDirectory;  // where the default stub is looked for

    // "vexa COMMAND: text" on the error stream.
    void Error(const std::string& command, const std::string& text) const {
        err << "vexa " << command << ": " << text << '\n';
    }
    ProgressStyle StyleFor(bool quiet) const {
        if (quiet) return ProgressStyle::Quiet;
        return errIsTerminal ? ProgressStyle::Bar : ProgressStyle::Lines;
    }
};

}  // namespace vexa::cli
