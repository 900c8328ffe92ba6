// Turning the destination the user typed into an absolute directory path.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "buffer_sizes.h"

namespace sfx {

// Remembers the directory the program started in; relative destinations are taken from it,
// however often the current directory moves while directories are tested and created.
void RememberStartDirectory();
const char* StartDirectory();

// Resolves `text` against `base` (an absolute directory): an empty text names the root of the
// base's drive, a text starting with a separator a path on the base's drive, and any other
// relative text a path below `base`; "." and ".." levels are folded. Writes at most
// `outSize` - 1 characters; false when the result does not fit or cannot be formed.
bool ResolveDestination(const char* text, const char* base, char* out, size_t outSize);

// Reads the destination edit of `dialog` (at most `outSize` - 2 characters, leaving room for
// a trailing backslash). False when the edit holds more than that.
bool ReadDestinationEdit(HWND dialog, char* out, size_t outSize);

// The destination edit's text as typed, and as the absolute directory it names once its
// environment variables are expanded and it is resolved against the start directory.
struct ResolvedDestination {
    enum class Problem { None, TooLong, UnknownVariable };
    Problem problem = Problem::None;
    char typed[kEditBufferSize] = "";
    // At most kEditChars characters, with room for the trailing backslash.
    char path[kEditBufferSize] = "";
    std::string unknownVariable;  // its name, for UnknownVariable
};
ResolvedDestination ReadResolvedDestination(HWND dialog);
// The same for a destination given as text (the /D= switch, or the default destination).
ResolvedDestination ResolveDestinationText(const char* typed);

// What the user is told about a destination that names a variable not set (name in %s).
constexpr char kUnknownVariableFormat[] =
    "The destination uses the environment variable %%%s%%, which is not set on this computer.";

}  // namespace sfx
