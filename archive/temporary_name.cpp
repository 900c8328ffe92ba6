#include "platform.h"

namespace vexa::platform {

namespace {

// Appends `value` in decimal at `out`; returns the end.
char* AppendDecimal(char* out, unsigned long value) {
    char digits[20];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    while (count) *out++ = digits[--count];
    return out;
}

char* Append(char* out, const char* text) {
    while (*text) *out++ = *text++;
    return out;
}

}  // namespace

size_t TemporaryName(char (&out)[kTemporaryNameSize], unsigned long processId, unsigned serial) {
    char* end = Append(out, ".vexa-");
    end = AppendDecimal(end, processId);
    end = Append(end, "-");
    end = AppendDecimal(end, serial);
    end = Append(end, ".part");
    *end = '\0';
    return size_t(end - out);
}

}  // namespace vexa::platform
