// sfx_screenshot STUB WORK-FOLDER OUTPUT.bmp
// Forms a self-extractor, extracts its archive through the dialog, answers No to the completion
// question and saves the dialog as it then looks; prints the dialog's layout (dialog_layout.h).
// Needs a real display driver (Xvfb).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dialog_layout.h"
#include "gui_session.h"
#include "resource.h"
#include "sfx_maker.h"
#include "win_paths.h"
#include "window_image.h"

namespace {

using namespace sfxtest;

int Fail(const char* what) {
    std::fprintf(stderr, "sfx_screenshot: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: sfx_screenshot STUB WORK-FOLDER OUTPUT.bmp");
    // The dialog's pixels as the screen has them, not scaled down to 96 DPI for this program.
    ::SetProcessDPIAware();
    const std::string folder = WindowsPath(argv[2]);
    RemoveTree(folder);
    if (!MakeDirectories(folder + "\\out")) return Fail("cannot create the work folder");
    const std::string exe = folder + "\\setup.exe";
    const std::vector<ArchiveEntry> entries = {
        {"readme.txt", "Read me first.\r\n"},
        {"bin\\tool.exe", std::string(300000, 'T')},
        {"docs\\manual.txt", std::string(20000, 'm')},
        {"docs\\licence.txt", "Licence text.\r\n"},
        {"data\\sample.dat", std::string(100000, '\x5A')},
    };
    const std::string failure =
        FormSelfExtractor(WindowsPath(argv[1]), BuildArchive(entries), exe, folder + "\\out");
    if (!failure.empty()) return Fail(failure.c_str());

    SfxProcess sfx(exe, folder);
    if (!sfx.Started() || !sfx.WaitForDialog()) return Fail("the dialog did not appear");
    sfx.Press(IDC_EXTRACT);
    const std::optional<MessageBoxView> done = sfx.WaitForMessageBox("Done");
    if (!done) return Fail("no completion question");
    sfx.Answer(*done, IDNO);
    if (!WaitUntil([&] { return sfx.Enabled(IDC_EXTRACT); })) return Fail("not idle");
    SettlePainting(sfx.Dialog());
    if (!SaveWindowImage(sfx.Dialog(), WindowsPath(argv[3]))) return Fail("capture failed");
    std::fputs(DescribeLayout(sfx.Dialog()).c_str(), stdout);
    sfx.Press(IDC_CLOSE);
    return sfx.WaitForExit() ? 0 : Fail("the self-extractor did not exit");
}
