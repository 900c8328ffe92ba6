// Saves what a window shows on the screen as a 24-bit BMP file (needs a real display driver).
#pragma once

#include <windows.h>

#include <string>

namespace sfxtest {

bool SaveWindowImage(HWND window, const std::string& path);

// Repaints the window and its children and gives the other process a moment to finish.
void SettlePainting(HWND window);

}  // namespace sfxtest
