// sfx_time LABEL SELF-EXTRACTOR DIALOG-DESTINATION VEXA.EXE TOOL-DESTINATION
// Times the self-extractor extracting through its dialog (started, destination typed, Extract
// pressed, the folder question answered, Done answered No, closed) against `vexa.exe extract`
// of the same file, each from its start to its exit, and prints one tab-separated "row:" line.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "gui_session.h"
#include "resource.h"
#include "win_paths.h"

namespace {

using namespace sfxtest;
using Clock = std::chrono::steady_clock;

int Fail(const std::string& what) {
    std::fprintf(stderr, "sfx_time: %s\n", what.c_str());
    return 1;
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds the dialog takes, or a negative number when the run fails.
double TimeDialog(const std::string& exe, const std::string& destination) {
    const auto start = Clock::now();
    SfxProcess sfx(exe, exe.substr(0, exe.find_last_of('\\')));
    if (!sfx.Started() || !sfx.WaitForDialog()) return -1;
    sfx.SetText(IDC_DESTINATION, destination);
    sfx.Press(IDC_EXTRACT);
    for (;;) {
        std::vector<MessageBoxView> boxes;
        if (!WaitUntil([&] { return !(boxes = sfx.MessageBoxes()).empty(); }, kWaitLimit * 60))
            return -1;
        const MessageBoxView& box = boxes.front();
        if (box.text == "This directory does not exist, create now?") {
            sfx.Answer(box, IDYES);
        } else if (box.caption == "Done") {
            sfx.Answer(box, IDNO);
            break;
        } else {
            std::fprintf(stderr, "sfx_time: %s: %s\n", box.caption.c_str(), box.text.c_str());
            return -1;
        }
    }
    if (!WaitUntil([&] { return sfx.Enabled(IDC_EXTRACT); })) return -1;
    sfx.Press(IDC_CLOSE);
    if (!sfx.WaitForExit()) return -1;
    return Since(start);
}

// Seconds `command` runs, or a negative number when it cannot start or fails.
double TimeCommand(std::string command) {
    const auto start = Clock::now();
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0 ? Since(start) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6)
        return Fail(
            "usage: sfx_time LABEL SELF-EXTRACTOR DIALOG-DESTINATION VEXA.EXE "
            "TOOL-DESTINATION");
    const std::string exe = WindowsPath(argv[2]);
    const double dialog = TimeDialog(exe, WindowsPath(argv[3]));
    if (dialog < 0) return Fail("the dialog run failed");
    std::string command;
    for (const std::string& part : {WindowsPath(argv[4]), std::string("extract"), std::string("-q"),
                                    std::string("-o"), WindowsPath(argv[5]), exe})
        command.append(command.empty() ? "\"" : " \"").append(part).append("\"");
    const double tool = TimeCommand(command);
    if (tool < 0) return Fail("vexa.exe extract failed");
    std::printf("row:\tstub dialog, %s\t%.1f s\tvexa.exe extract %.1f s\t%.2f\n", argv[1], dialog,
                tool, dialog / tool);
    return 0;
}
