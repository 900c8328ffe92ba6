#include "windows_command_line.h"

namespace vexa::cli {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The program's name: a path, so quotes only group and backslashes stay as they are.
size_t ProgramName(std::wstring_view line, std::wstring& name) {
    bool quoted = false;
    size_t at = 0;
    for (; at < line.size() && (quoted || !IsBlank(line[at])); ++at) {
        if (line[at] == L'"')
            quoted = !quoted;
        else
            name += line[at];
    }
    return at;
}

}  // namespace

std::vector<std::wstring> SplitWindowsCommandLine(std::wstring_view line) {
    std::vector<std::wstring> words(1);
    size_t at = ProgramName(line, words[0]);
    for (;;) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size()) return words;
        std::wstring word;
        bool quoted = false;
        while (at < line.size() && (quoted || !IsBlank(line[at]))) {
            size_t backslashes = 0;
            while (at < line.size() && line[at] == L'\\') ++backslashes, ++at;
            if (at == line.size() || line[at] != L'"') {
                // Backslashes not before a quote are themselves.
                word.append(backslashes, L'\\');
                if (at < line.size() && !(IsBlank(line[at]) && !quoted)) word += line[at++];
                continue;
            }
            // Before a quote, each pair is one backslash; an odd one out makes the quote literal.
            word.append(backslashes / 2, L'\\');
            if (backslashes % 2 == 1) {
                word += L'"';
            } else if (quoted && at + 1 < line.size() && line[at + 1] == L'"') {
                // Two quotes inside a quoted part: one literal quote, still quoted.
                word += L'"';
                ++at;
            } else {
                quoted = !quoted;
            }
            ++at;
        }
        words.push_back(std::move(word));
    }
}

}  // namespace vexa::cli
