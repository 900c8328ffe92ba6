#include "run_vexa.h"

#include <sstream>

#include "commands.h"

namespace vexa::cli::testing {

Outcome Vexa(const std::vector<std::string>& args, bool terminal,
             const std::string& programDirectory) {
    std::ostringstream out, err;
    Console console{out, err, terminal, programDirectory};
    const int status = RunVexa(args, console);
    return {status, out.str(), err.str()};
}

}  // namespace vexa::cli::testing
