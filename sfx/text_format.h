// Formatting into the front end's fixed text buffers.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace sfx {

// Formats with the system C library's printf (64-bit counts as "%I64u"); the text is cut to
// fit `size` and always terminated. The runtime's own, larger printf stays out of the stub.
[[gnu::format(ms_printf, 3, 4)]] void FormatText(char* out, size_t size, const char* format, ...);
[[gnu::format(ms_printf, 3, 0)]] void FormatTextV(char* out, size_t size, const char* format,
                                                  va_list arguments);

}  // namespace sfx
