// Runs the whole tool in-process, as the program does, and keeps what it printed.
#pragma once

#include <string>
#include <vector>

namespace vexa::cli::testing {

struct ToolOutcome {
    int status = 0;
    std::string out;
    std::string err;
};

// `programDirectory` is where the tool believes it runs from (with a trailing separator).
ToolOutcome RunTool(const std::vector<std::string>& args, const std::string& programDirectory = "");

}  // namespace vexa::cli::testing
