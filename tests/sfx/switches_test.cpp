// The self-extractor's command line as deployment tools and people type it.
#include "switches.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "command_line_text.h"

namespace sfx {
namespace {

struct Expected {
    bool silent = false;
    bool help = false;
    OverwritePolicy overwrite = OverwritePolicy::Unset;
    const char* destination = "";
    const char* logPath = "";
    const char* programArguments = nullptr;
    const char* fault = "";
};

struct Case {
    const char* line;
    Expected expected;
};

TEST(ParseSwitches, ReadsWhatInstallersAreGiven) {
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"/S", {.silent = true}},
        {"-s", {.silent = true}},
        {"/?", {.help = true}},
        {"-H", {.help = true}},
        {"/O=replace", {.overwrite = OverwritePolicy::Replace}},
        {"/o=SKIP", {.overwrite = OverwritePolicy::Skip}},
        {"-O=Ask", {.overwrite = OverwritePolicy::Ask}},
        {"/LOG=C:\\logs\\setup.log", {.logPath = "C:\\logs\\setup.log"}},
        {"/log=\"C:\\my logs\\a.log\" /S", {.silent = true, .logPath = "C:\\my logs\\a.log"}},
        // The folder takes the rest of the line, spaces and all, as installers expect.
        {"/S /D=C:\\Program Files\\Acme",
         {.silent = true, .destination = "C:\\Program Files\\Acme"}},
        {"/D=\"C:\\Program Files\\Acme\"", {.destination = "C:\\Program Files\\Acme"}},
        {"\"/D=C:\\Program Files\\Acme\"", {.destination = "C:\\Program Files\\Acme"}},
        {"/d=%TEMP%\\acme  ", {.destination = "%TEMP%\\acme"}},
        {"/S /D=C:\\a b -- /quiet x",
         {.silent = true, .destination = "C:\\a b", .programArguments = "/quiet x"}},
        {"-- \"a b\" c", {.programArguments = "\"a b\" c"}},
        {"/S --", {.silent = true, .programArguments = ""}},
        // A switch typed after the folder still counts; words that only look alike do not.
        {"/D=C:\\a b /LOG=C:\\l.txt -s",
         {.silent = true, .destination = "C:\\a b", .logPath = "C:\\l.txt"}},
        {"/D=C:\\x /Silent /Logs", {.destination = "C:\\x /Silent /Logs"}},
        {"/D=C:\\x -o=skip", {.overwrite = OverwritePolicy::Skip, .destination = "C:\\x"}},
        {"/D=C:\\x -z", {.destination = "C:\\x", .fault = "-z"}},
        // Quoted or not, a switch ends the folder.
        {"/D=C:\\t\\o161 \"/S\"", {.silent = true, .destination = "C:\\t\\o161"}},
        {"/D=C:\\a b \"/LOG=C:\\my logs\\l.txt\"",
         {.destination = "C:\\a b", .logPath = "C:\\my logs\\l.txt"}},
        {"/D=C:\\x \"-z\"", {.destination = "C:\\x", .fault = "\"-z\""}},
        // A "--" that is part of a word is no separator.
        {"/D=C:\\x--y", {.destination = "C:\\x--y"}},
        {"/X", {.fault = "/X"}},
        {"/Silent", {.fault = "/Silent"}},
        {"S", {.fault = "S"}},
        {"/S extra", {.silent = true, .fault = "extra"}},
        {"/O=always", {.fault = "/O=always"}},
        {"/O=", {.fault = "/O="}},
        {"/D=", {.fault = "/D="}},
        {"/D=\"\"", {.fault = "/D=\"\""}},
        {"/LOG=", {.fault = "/LOG="}},
    };
    for (const Case& c : cases) {
        Switches switches;
        ParseSwitches(c.line, switches);
        const Expected& e = c.expected;
        EXPECT_EQ(switches.silent, e.silent) << c.line;
        EXPECT_EQ(switches.help, e.help) << c.line;
        EXPECT_EQ(switches.overwrite, e.overwrite) << c.line;
        EXPECT_STREQ(switches.destination, e.destination) << c.line;
        EXPECT_STREQ(switches.logPath, e.logPath) << c.line;
        if (e.programArguments)
            EXPECT_STREQ(switches.programArguments, e.programArguments) << c.line;
        else
            EXPECT_EQ(switches.programArguments, nullptr) << c.line;
        EXPECT_STREQ(switches.fault, e.fault) << c.line;
    }
}

TEST(ParseSwitches, RefusesControlCharactersAndOverlongValues) {
    const std::string lines[] = {
        "/D=C:\\a\x01"
        "b",
        "/LOG=a\x7f.log",
        "/D=C:\\" + std::string(300, 'x'),
        "/LOG=C:\\" + std::string(300, 'x'),
    };
    for (const std::string& line : lines) {
        Switches switches;
        ParseSwitches(line.c_str(), switches);
        EXPECT_NE(switches.fault[0], '\0') << line;
        EXPECT_STREQ(switches.destination, "") << line;
    }
}

// The wide command line in the ANSI code page: what it cannot hold becomes '?', never a
// look-alike, and the word that holds it is named for the refusal.
TEST(CommandLineText, NamesTheFirstWordTheCodePageCannotCarry) {
    if (::GetACP() != 1252) GTEST_SKIP() << "the cases are written for code page 1252";
    struct WideCase {
        const wchar_t* line;
        const char* ansi;
        const char* inexact;
    };
    const WideCase cases[] = {
        {L"/S /D=C:\\caf\xE9 dir", "/S /D=C:\\caf\xE9 dir", ""},
        {L"/S /D=C:\\t\\o71\\\xFF0E\xFF0E\\o72", "/S /D=C:\\t\\o71\\??\\o72",
         "/D=C:\\t\\o71\\??\\o72"},
        {L"\xFF0F\xFF33 /D=x", "?? /D=x", "??"},
        {L"/S -- \xFF02x\xFF02 \xFF06", "/S -- ?x? ?", "?x?"},
        {L"/D=C:\\\x65E5\x672C", "/D=C:\\??", "/D=C:\\??"},
    };
    for (const WideCase& c : cases) {
        EXPECT_STREQ(AnsiArguments(c.line), c.ansi) << c.ansi;
        char word[64] = "";
        EXPECT_EQ(FindInexactWord(c.line, word, sizeof word), c.inexact[0] != '\0') << c.ansi;
        EXPECT_STREQ(word, c.inexact) << c.ansi;
    }
}

}  // namespace
}  // namespace sfx
