// Turning the destination the user typed into an absolute directory path.
#pragma once

#include <windows.h>

#include <cstddef>

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

}  // namespace sfx
