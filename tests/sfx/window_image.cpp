#include "window_image.h"

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

namespace sfxtest {

namespace {

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

}  // namespace

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

void SettlePainting(HWND window) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Painting happens asynchronously in the other process.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

}  // namespace sfxtest
