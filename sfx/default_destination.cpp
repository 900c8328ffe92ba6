#include "default_destination.h"

#include <windows.h>

#include <cstdlib>

#include "text_format.h"

extern "C" {
char DefaultDestination[256] = "\0???";
}

namespace sfx {

void GetDefaultDestination(char* out) {
    char path[256];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        out[0] = '\0';
        return;
    }
    char drive[_MAX_DRIVE];
    char directory[_MAX_DIR];
    ::_splitpath(path, drive, directory, nullptr, nullptr);
    FormatText(out, 256, "%s%s", drive, directory);
}

}  // namespace sfx
