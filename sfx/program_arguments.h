// The part of a process's command line that WinMain receives: what follows the program name.
#pragma once

namespace sfx {

// Skips the program name (a first word that may hold quoted stretches with blanks in them) and
// the blanks after it, as the C runtime does for WinMain. Bytes compare unsigned, so a name with
// characters above 0x7F is skipped whole.
constexpr const char* SkipProgramName(const char* commandLine) {
    const char* p = commandLine;
    bool quoted = false;
    while (*p != '\0' && (quoted || static_cast<unsigned char>(*p) > ' ')) {
        if (*p == '"') quoted = !quoted;
        ++p;
    }
    while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
    return p;
}

}  // namespace sfx
