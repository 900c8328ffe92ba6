// Code page conversion through the Win32 functions, by way of UTF-16.
#include <windows.h>

#include "codepage.h"
#include "wide_text.h"

namespace vexa::cli::codepage_detail {

std::optional<std::string> FromUtf8(const std::string& utf8, unsigned codePage) {
    if (utf8.empty()) return std::string();
    const int utf16 = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                            int(utf8.size()), nullptr, 0);
    if (utf16 <= 0) return std::nullopt;
    const std::wstring wide = Widen(utf8);
    // No best fit: a character without an exact counterpart must fail, not turn into a
    // look-alike (or '?').
    BOOL usedDefault = FALSE;
    const int length = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                             int(wide.size()), nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string bytes(size_t(length), '\0');
    ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()),
                          bytes.data(), length, nullptr, &usedDefault);
    if (usedDefault) return std::nullopt;
    return bytes;
}

std::optional<std::string> ToUtf8(const std::string& bytes, unsigned codePage) {
    if (bytes.empty()) return std::string();
    const int length = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                             int(bytes.size()), nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(size_t(length), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()),
                          wide.data(), length);
    return Narrow(wide);
}

}  // namespace vexa::cli::codepage_detail
