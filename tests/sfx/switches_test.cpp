// The self-extractor's command line as deployment tools and people type it.
#include "switches.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace sfx
