#include "default_destination.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "command_line_text.h"
#include "text_format.h"

extern "C" {
char DefaultDestination[256] = "\0???";
}

namespace sfx {

bool GetDefaultDestination(char* out) {
    out[0] = '\0';
    wchar_t wide[256];
    const DWORD length = ::GetModuleFileNameW(nullptr, wide, 256);
    char inexact[2];
    if (length == 0 || length >= 256 || FindInexactWord(wide, inexact, sizeof inexact))
        return false;
    const std::unique_ptr<char[]> path(AnsiArguments(wide));
    if (std::strlen(path.get()) >= 256) return false;
    char drive[_MAX_DRIVE];
    char directory[_MAX_DIR];
    ::_splitpath(path.get(), drive, directory, nullptr, nullptr);
    FormatText(out, 256, "%s%s", drive, directory);
    return true;
}

}  // namespace sfx
