#include <windows.h>

#include "long_path.h"
#include "wide_text.h"

namespace vexa::cli {

namespace {

// CreateDirectoryW leaves room for an 8.3 name in the folder: MAX_PATH - 12.
constexpr size_t kPlainPathLimit = MAX_PATH - 12;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

}  // namespace

std::wstring WidePath(const std::string& utf8) {
    std::wstring wide = Widen(utf8);
    if (wide.size() < kPlainPathLimit || StartsWith(wide, L"\\\\?\\") ||
        StartsWith(wide, L"\\\\.\\"))
        return wide;
    // \\?\ takes the path as it is: absolute, backslashes only, no "." or ".." levels.
    // GetFullPathNameW makes it so (it only works on the text, whatever its length).
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return wide;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return wide;
    full.resize(length);
    if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share
    return L"\\\\?\\" + full;
}

}  // namespace vexa::cli
