// Runs the whole tool in-process, as the program runs it, and keeps what it printed.
#pragma once

#include <string>
#include <vector>

namespace vexa::cli::testing {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome Vexa(const std::vector<std::string>& args, bool terminal = false,
             const std::string& programDirectory = "");

}  // namespace vexa::cli::testing
