// The rule that keeps extraction inside the chosen destination. The self-extractor and the
// command-line tool both refuse entries this rule rejects.
#pragma once

#include <string_view>

namespace vexa {

// True when `name` is a relative path whose every level is an ordinary file or directory name:
// no leading separator, no drive or colon (which also rules out alternate data streams), no
// empty, "." or ".." level (either separator), no level ending in a dot or a space, no reserved
// device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without extension), and no control
// or wildcard characters.
bool IsSafeEntryName(std::string_view name);

}  // namespace vexa
