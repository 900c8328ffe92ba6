// The part of a process's command line that WinMain receives: what follows the program name.
#pragma once

#include <type_traits>

namespace sfx {

// Skips the program name (a first word that may hold quoted stretches with blanks in them) and
// the blanks after it, as the C runtime does for WinMain; for bytes or UTF-16. Characters
// compare unsigned, so a name with characters above 0x7F is skipped whole.
template <class Char>
constexpr const Char* SkipProgramName(const Char* commandLine) {
    using Unsigned = std::make_unsigned_t<Char>;
    const Char* p = commandLine;
    bool quoted = false;
    while (*p != 0 && (quoted || static_cast<Unsigned>(*p) > Unsigned(' '))) {
        if (*p == Char('"')) quoted = !quoted;
        ++p;
    }
    while (*p != 0 && static_cast<Unsigned>(*p) <= Unsigned(' ')) ++p;
    return p;
}

}  // namespace sfx
