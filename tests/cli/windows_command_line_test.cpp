// The Windows command line split into words as the C runtime documents it; the rows marked
// "documented" are the examples of Microsoft's "Parsing C command-line arguments".
#include "windows_command_line.h"

#include <gtest/gtest.h>

namespace vexa::cli {
namespace {

using Words = std::vector<std::wstring>;

TEST(WindowsCommandLine, SplitsArgumentsByTheRuntimeRules) {
    struct Case {
        const wchar_t* line;
        Words arguments;  // after the program's name
    };
    const Case cases[] = {
        {LR"(p "a b c" d e)", {L"a b c", L"d", L"e"}},             // documented
        {LR"(p "ab\"c" "\\" d)", {LR"(ab"c)", LR"(\)", L"d"}},     // documented
        {LR"(p a\\\b d"e f"g h)", {LR"(a\\\b)", L"de fg", L"h"}},  // documented
        {LR"(p a\\\"b c d)", {LR"(a\"b)", L"c", L"d"}},            // documented
        {LR"(p a\\\\"b c" d e)", {LR"(a\\b c)", L"d", L"e"}},      // documented
        {LR"(p a"b"" c d)", {LR"(ab" c d)"}},                      // documented
        {L"p", {}},
        {L"p   ", {}},
        {L"p\ta\t\tb", {L"a", L"b"}},
        {LR"(p "" x "")", {L"", L"x", L""}},
        {LR"(p "unterminated tail)", {L"unterminated tail"}},
        {LR"(p trailing\)", {LR"(trailing\)"}},
        {LR"(p C:\dir\ "C:\Program Files\\")", {LR"(C:\dir\)", LR"(C:\Program Files\)"}},
        {LR"(p /D=C:\a b -- run "x y")", {L"/D=C:\\a", L"b", L"--", L"run", L"x y"}},
        {L"p caf\u00e9 \u65e5\u672c", {L"caf\u00e9", L"\u65e5\u672c"}},
    };
    for (const Case& c : cases) {
        Words expected{L"p"};
        expected.insert(expected.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(SplitWindowsCommandLine(c.line), expected)
            << "line: " << testing::PrintToString(std::wstring(c.line));
    }
}

TEST(WindowsCommandLine, TakesTheProgramNameAsAPath) {
    struct Case {
        const wchar_t* line;
        Words words;
    };
    const Case cases[] = {
        {L"", {L""}},
        {LR"("C:\Program Files\vexa.exe" x)", {LR"(C:\Program Files\vexa.exe)", L"x"}},
        // Backslashes before a quote in the name are kept: a name holds no quotes.
        {LR"("C:\tools\\"vexa.exe list)", {LR"(C:\tools\\vexa.exe)", L"list"}},
        {LR"(C:\a"b c"\vexa.exe)", {LR"(C:\ab c\vexa.exe)"}},
        {L"vexa.exe\tx", {L"vexa.exe", L"x"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitWindowsCommandLine(c.line), c.words)
            << "line: " << testing::PrintToString(std::wstring(c.line));
}

}  // namespace
}  // namespace vexa::cli
