// What the stub's entry point hands WinMain as its command line: everything after the program
// name, however the name was written.
#include "program_arguments.h"

#include <gtest/gtest.h>

namespace sfx {
namespace {

TEST(SkipProgramName, LeavesWhatFollowsTheFirstWord) {
    const struct {
        const char* commandLine;
        const char* arguments;
    } cases[] = {
        {"", ""},
        {"setup.exe", ""},
        {"setup.exe /S", "/S"},
        {"\"C:\\Program Files\\setup.exe\" /S /D=C:\\a b", "/S /D=C:\\a b"},
        {"\"C:\\Program Files\\setup.exe\"", ""},
        // Blanks and tabs after the name go, those inside and at the end of the rest stay.
        {"setup.exe \t  /LOG=x.txt  ", "/LOG=x.txt  "},
        // A quoted stretch belongs to the word around it, as in the C runtime.
        {"\"C:\\a b\"\\setup.exe /S", "/S"},
        {"\"C:\\a b\\setup.exe\"/S -- x", "-- x"},
        // A quote left open takes the rest of the line into the name.
        {"\"C:\\a b\\setup.exe /S", ""},
        // Bytes above 0x7F are part of the name, not blanks.
        {"C:\\caf\xe9\\setup.exe /S", "/S"},
        {"C:\\\xe9\xe9 /S", "/S"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(SkipProgramName(c.commandLine), c.arguments) << c.commandLine;
}

}  // namespace
}  // namespace sfx
