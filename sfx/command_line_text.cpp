#include "command_line_text.h"

#include <windows.h>

#include <cstring>
#include <memory>

namespace sfx {

namespace {

// A code page that is UTF-8 takes no conversion flags.
DWORD NoBestFit() {
    return ::GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
}

// `length` characters of `text` (-1: up to and with its NUL) in the ANSI code page, '?' for
// what it lacks, into a new buffer; `size` is set to the bytes written.
std::unique_ptr<char[]> ToAnsi(const wchar_t* text, int length, int& size) {
    size = ::WideCharToMultiByte(CP_ACP, NoBestFit(), text, length, nullptr, 0, "?", nullptr);
    if (size < 0) size = 0;
    std::unique_ptr<char[]> ansi(new char[size_t(size) + 1]());
    ::WideCharToMultiByte(CP_ACP, NoBestFit(), text, length, ansi.get(), size, "?", nullptr);
    return ansi;
}

// True when `size` bytes of `ansi` read back as exactly `length` characters of `text`.
bool RoundTrips(const char* ansi, int size, const wchar_t* text, int length) {
    if (::MultiByteToWideChar(CP_ACP, 0, ansi, size, nullptr, 0) != length) return false;
    std::unique_ptr<wchar_t[]> back(new wchar_t[size_t(length) + 1]);
    ::MultiByteToWideChar(CP_ACP, 0, ansi, size, back.get(), length);
    return std::memcmp(back.get(), text, size_t(length) * sizeof(wchar_t)) == 0;
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

}  // namespace

char* AnsiArguments(const wchar_t* arguments) {
    int size;
    return ToAnsi(arguments, -1, size).release();
}

bool FindInexactWord(const wchar_t* arguments, char* word, size_t wordSize) {
    for (const wchar_t* start = arguments; *start;) {
        if (IsBlank(*start)) {
            ++start;
            continue;
        }
        const wchar_t* end = start;
        while (*end && !IsBlank(*end)) ++end;
        const int length = int(end - start);
        int size;
        const std::unique_ptr<char[]> ansi = ToAnsi(start, length, size);
        if (!RoundTrips(ansi.get(), size, start, length)) {
            const size_t copied = size_t(size) < wordSize ? size_t(size) : wordSize - 1;
            std::memcpy(word, ansi.get(), copied);
            word[copied] = '\0';
            return true;
        }
        start = end;
    }
    return false;
}

}  // namespace sfx
