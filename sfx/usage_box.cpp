#include "usage_box.h"

#include <windows.h>

#include "text_format.h"

namespace sfx {

namespace {

constexpr char kUsage[] =
    "Switches (case is ignored; - may stand for /):\n"
    "/S\tsilent: no window and no message at all\n"
    "/D=FOLDER\textract into FOLDER, created if missing; %NAME% is\n"
    "\tan environment variable; quotes optional\n"
    "/O=replace|skip|ask\tfiles that exist already: replace them,\n"
    "\tkeep them, or ask (silent: replace)\n"
    "/LOG=FILE\twrite what happens to FILE (its folder is made;\n"
    "\tan existing FILE is replaced)\n"
    "/?\tshow this help\n"
    "-- ARGUMENTS\tpassed on to the program run after extraction\n"
    "\n"
    "Exit codes:\n"
    "0\tevery file extracted\n"
    "1\tsome files could not be extracted\n"
    "2\tthe archive cannot be read\n"
    "3\tnot enough memory\n"
    "5\tthe destination folder cannot be created or takes nothing\n"
    "6\tthe program to run cannot be started, or this run did\n"
    "\tnot extract it\n"
    "1602\tcancelled\n"
    "1639\ta switch or value that is not known, or a character\n"
    "\tthis computer's code page lacks\n"
    "Any other: the exit code of the program run after extraction.";

}  // namespace

void ShowUsageBox(const char* fault) {
    char text[sizeof kUsage + 300];
    if (fault)
        FormatText(text, sizeof text, "Unknown switch or value: %.200s\n\n%s", fault, kUsage);
    else
        FormatText(text, sizeof text, "%s", kUsage);
    ::MessageBoxA(nullptr, text, "Tarnwick Archiver SFX",
                  MB_OK | (fault ? MB_ICONERROR : MB_ICONINFORMATION) | MB_SETFOREGROUND);
}

}  // namespace sfx
