// sfx_drive [--browse] [--show-pid] SELF-EXTRACTOR DESTINATION OUTPUT.bmp [TITLE]
// Extracts a self-extractor the way a person does: finds its dialog by its title (TITLE for a
// branded one, ASCII), with --browse opens the folder picker and cancels it (so the DLLs the
// picker brings are loaded too), types the destination into it,
// presses Extract, agrees to create the folder, answers No to the completion question, saves a
// picture of the dialog (unless OUTPUT is "-") and closes it. Any error box ends the run with its
// text. The picture needs a real display driver (Xvfb). --show-pid first prints "process XXXX",
// the self-extractor's process id as Wine's +pid traces write it (four hex digits at least).
#include <windows.h>

#include <cstdio>
#include <string>

#include "gui_session.h"
#include "resource.h"
#include "win_paths.h"
#include "window_image.h"

namespace {

using namespace sfxtest;

int Fail(const std::string& what) {
    std::fprintf(stderr, "sfx_drive: %s\n", what.c_str());
    return 1;
}

// Opens the folder picker and closes it with Cancel.
bool BrowseAndCancel(SfxProcess& sfx) {
    sfx.Press(IDC_BROWSE);
    HWND picker = nullptr;
    if (!WaitUntil([&] {
            const std::vector<HWND> dialogs = sfx.OtherDialogs();
            picker = dialogs.empty() ? nullptr : dialogs.front();
            return picker != nullptr;
        }))
        return false;
    ::PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
    return WaitUntil([&] { return sfx.OtherDialogs().empty(); });
}

}  // namespace

int main(int argc, char** argv) {
    bool browse = false;
    bool showPid = false;
    for (; argc > 1 && argv[1][0] == '-' && argv[1][1] == '-'; --argc, ++argv) {
        const std::string option = argv[1];
        if (option == "--browse")
            browse = true;
        else if (option == "--show-pid")
            showPid = true;
        else
            return Fail("unknown option " + option);
    }
    if (argc != 4 && argc != 5)
        return Fail(
            "usage: sfx_drive [--browse] [--show-pid] SELF-EXTRACTOR DESTINATION OUTPUT.bmp "
            "[TITLE]");
    const std::string exe = WindowsPath(argv[1]);
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    SfxProcess sfx(exe, folder);
    if (!sfx.Started()) return Fail("the self-extractor did not start");
    if (showPid) {
        std::printf("process %04lx\n", static_cast<unsigned long>(sfx.ProcessId()));
        std::fflush(stdout);
    }
    if (!(argc == 5 ? sfx.WaitForDialog(argv[4]) : sfx.WaitForDialog()))
        return Fail("no dialog with the expected title appeared");
    if (browse && !BrowseAndCancel(sfx)) return Fail("the folder picker did not open and close");
    sfx.SetText(IDC_DESTINATION, WindowsPath(argv[2]));
    sfx.Press(IDC_EXTRACT);

    // Whatever box comes next: the folder question, an error, or the completion question.
    for (;;) {
        std::vector<MessageBoxView> boxes;
        // Polled gently, as a long run would otherwise share the machine with its watcher.
        if (!WaitUntil([&] { return !(boxes = sfx.MessageBoxes()).empty(); }, kWaitLimit * 8,
                       std::chrono::milliseconds(20)))
            return Fail("the extraction did not finish");
        const MessageBoxView& box = boxes.front();
        if (box.text == "This directory does not exist, create now?") {
            sfx.Answer(box, IDYES);
        } else if (box.caption == "Done") {
            sfx.Answer(box, IDNO);
            break;
        } else {
            const std::string text = box.caption + ": " + box.text;
            sfx.Answer(box, box.buttons.empty() ? IDOK : box.buttons.front());
            return Fail(text);
        }
    }
    if (!WaitUntil([&] { return sfx.Enabled(IDC_EXTRACT); })) return Fail("not idle after the run");
    std::printf("%s\n", sfx.Text(IDC_COMPLETED).c_str());
    if (std::string(argv[3]) != "-") {
        SettlePainting(sfx.Dialog());
        if (!SaveWindowImage(sfx.Dialog(), WindowsPath(argv[3]))) return Fail("capture failed");
    }
    sfx.Press(IDC_CLOSE);
    return sfx.WaitForExit() ? 0 : Fail("the self-extractor did not exit");
}
