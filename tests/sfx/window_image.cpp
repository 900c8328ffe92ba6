#include "window_image.h"

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "gdi_handles.h"

namespace sfxtest {

bool SaveWindowImage(HWND window, const std::string& path) {
    RECT rect;
    if (!::GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const ScreenDc screen(::GetDC(nullptr));
    const MemoryDc memory(::CreateCompatibleDC(screen.Get()));
    const Bitmap bitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
    if (!screen || !memory || !bitmap) return false;
    const HGDIOBJ previous = ::SelectObject(memory.Get(), bitmap.Get());
    ::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory.Get(), previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = DWORD((width * 3 + 3) & ~3);
    std::vector<char> pixels(size_t(stride) * height);
    if (!::GetDIBits(memory.Get(), bitmap.Get(), 0, UINT(height), pixels.data(),
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
