// The words of a Windows command line, split by the rules the C runtime documents for argv
// ("Parsing C command-line arguments"), without shell32's CommandLineToArgvW: a static import
// of shell32 would be looked for in the program's own folder first. Pure, so it is tested on
// every platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexa::cli {

// The program's name first (quotes removed, backslashes kept), then each argument.
std::vector<std::wstring> SplitWindowsCommandLine(std::wstring_view line);

}  // namespace vexa::cli
