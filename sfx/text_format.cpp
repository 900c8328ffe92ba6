#include "text_format.h"

#include <cstdio>

namespace sfx {

void FormatTextV(char* out, size_t size, const char* format, va_list arguments) {
    if (size == 0) return;
    // _vsnprintf leaves the buffer unterminated when the text fills it.
    ::_vsnprintf(out, size - 1, format, arguments);
    out[size - 1] = '\0';
}

void FormatText(char* out, size_t size, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    FormatTextV(out, size, format, arguments);
    va_end(arguments);
}

}  // namespace sfx
