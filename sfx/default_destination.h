// The initial destination directory.
#pragma once

// 256 bytes in initialised data. As built it holds an empty string ("\0???" and zeros); a text
// placed there in the executable file after the build becomes the initial destination.
extern "C" char DefaultDestination[256];

namespace sfx {

// Writes the drive and directory of the program's own executable, ending with a backslash,
// into `out` (256 bytes). False (and `out` empty) when the ANSI code page cannot spell that
// folder exactly: a look-alike ("dl" for "ｄｌ") may be another folder.
bool GetDefaultDestination(char* out);

}  // namespace sfx
