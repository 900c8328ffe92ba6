// The commands of the vexa tool. Each takes the arguments after its name and returns the exit
// status.
#pragma once

#include <string>
#include <vector>

#include "console.h"

namespace vexa::cli {

using Args = std::vector<std::string>;

int RunCreate(const Args& args, Console& console);
int RunList(const Args& args, Console& console);
int RunTest(const Args& args, Console& console);
int RunExtract(const Args& args, Console& console);
int RunSfx(const Args& args, Console& console);
int RunInfo(const Args& args, Console& console);

// The whole tool: `args` excludes the program name. Never throws.
int RunVexa(const Args& args, Console& console);

}  // namespace vexa::cli
