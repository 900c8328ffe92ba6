#include "run_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstring>

#include "buffer_sizes.h"
#include "text_format.h"

namespace sfx {

namespace {

// Never closed: lines may come from any thread until the process ends, and each one is a
// single write, so nothing is lost when the process exits.
HANDLE g_log = INVALID_HANDLE_VALUE;
bool g_silent = false;

}  // namespace

bool OpenRunLog(const char* path) {
    g_log = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    return g_log != INVALID_HANDLE_VALUE;
}

bool RunLogOpen() {
    return g_log != INVALID_HANDLE_VALUE;
}

void LogLine(const char* format, ...) {
    if (g_log == INVALID_HANDLE_VALUE) return;
    char line[kErrorTextSize + 64];
    va_list arguments;
    va_start(arguments, format);
    FormatTextV(line, sizeof line - 2, format, arguments);
    va_end(arguments);
    // A message meant for a box may span lines; the log keeps one event a line.
    for (char* c = line; *c; ++c)
        if (*c == '\r' || *c == '\n') *c = ' ';
    std::strcat(line, "\r\n");
    DWORD written = 0;
    ::WriteFile(g_log, line, DWORD(std::strlen(line)), &written, nullptr);
}

void SetSilent(bool silent) {
    g_silent = silent;
}

bool Silent() {
    return g_silent;
}

}  // namespace sfx
