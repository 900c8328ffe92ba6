// The box that lists the self-extractor's switches and exit codes: for /? and for a command
// line it cannot use.
#pragma once

namespace sfx {

// `fault`: the switch at fault, or null when the help was asked for.
void ShowUsageBox(const char* fault);

}  // namespace sfx
