// Environment variables in the destination the user typed or the author preset ("%TEMP%\App").
#pragma once

#include <cstddef>
#include <string>

namespace sfx {

enum class Expansion { Done, UnknownVariable, TooLong };

// Replaces every %NAME% in `text` by the value of the variable NAME, writing at most
// `outSize` - 1 characters to `out`. A percent sign without a partner, an empty name ("%%")
// and a name holding a path separator are plain text, so folder names with percent signs stay
// as they are. A variable that is not set gives UnknownVariable with its name in `unknown`.
Expansion ExpandEnvironmentVariables(const char* text, char* out, size_t outSize,
                                     std::string& unknown);

}  // namespace sfx
