#include "tool_run.h"

#include <sstream>

#include "commands.h"

namespace vexa::cli::testing {

ToolOutcome RunTool(const std::vector<std::string>& args, const std::string& programDirectory) {
    std::ostringstream out, err;
    Console console{out, err, false, programDirectory};
    ToolOutcome outcome;
    outcome.status = RunVexa(args, console);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

}  // namespace vexa::cli::testing
