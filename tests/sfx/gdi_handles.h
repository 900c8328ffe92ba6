// Owners of the GDI handles the test drivers use.
#pragma once

#include <windows.h>

#include "unique_handle.h"

namespace sfxtest {

// The screen's device context.
struct ScreenDcTraits {
    using Handle = HDC;
    static Handle Empty() { return nullptr; }
    static void Release(Handle dc) { ::ReleaseDC(nullptr, dc); }
};
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Empty() { return nullptr; }
    static void Release(Handle dc) { ::DeleteDC(dc); }
};
struct BitmapTraits {
    using Handle = HBITMAP;
    static Handle Empty() { return nullptr; }
    static void Release(Handle bitmap) { ::DeleteObject(bitmap); }
};
using ScreenDc = vexa::win32::UniqueHandle<ScreenDcTraits>;
using MemoryDc = vexa::win32::UniqueHandle<MemoryDcTraits>;
using Bitmap = vexa::win32::UniqueHandle<BitmapTraits>;

}  // namespace sfxtest
