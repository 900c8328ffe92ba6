// sfx_screenshot STUB WORK-FOLDER OUTPUT.bmp
// Forms a self-extractor, extracts its archive through the dialog, answers No to the completion
// question and saves the dialog as it then looks. Needs a real display driver (Xvfb).
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "gui_session.h"
#include "resource.h"
#include "sfx_maker.h"
#include "win_paths.h"

namespace {

using namespace sfxtest;

struct DcReleaser {
    HDC dc;
    ~DcReleaser() { ::ReleaseDC(nullptr, dc); }
};
struct MemoryDc {
    HDC dc;
    ~MemoryDc() { ::DeleteDC(dc); }
};
struct Bitmap {
    HBITMAP bitmap;
    ~Bitmap() { ::DeleteObject(bitmap); }
};

bool SaveWindowImage(HWND window, const std::string& path) {
    RECT rect;
    if (!::GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const DcReleaser screen{::GetDC(nullptr)};
    const MemoryDc memory{::CreateCompatibleDC(screen.dc)};
    const Bitmap bitmap{::CreateCompatibleBitmap(screen.dc, width, height)};
    const HGDIOBJ previous = ::SelectObject(memory.dc, bitmap.bitmap);
    ::BitBlt(memory.dc, 0, 0, width, height, screen.dc, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory.dc, previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = DWORD((width * 3 + 3) & ~3);
    std::vector<char> pixels(size_t(stride) * height);
    if (!::GetDIBits(memory.dc, bitmap.bitmap, 0, UINT(height), pixels.data(),
                     reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = DWORD(file.bfOffBits + pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), std::streamsize(pixels.size()));
    return bool(out);
}

int Fail(const char* what) {
    std::fprintf(stderr, "sfx_screenshot: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: sfx_screenshot STUB WORK-FOLDER OUTPUT.bmp");
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
    // Painting happens asynchronously in the other process; give it a moment.
    ::RedrawWindow(sfx.Dialog(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (!SaveWindowImage(sfx.Dialog(), WindowsPath(argv[3]))) return Fail("capture failed");
    sfx.Press(IDC_CLOSE);
    return sfx.WaitForExit() ? 0 : Fail("the self-extractor did not exit");
}
