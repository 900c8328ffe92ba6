// The layout of a dialog as a program outside its process sees it, in physical pixels: the
// client area's size and each control's rectangle in client coordinates, one line each, for
// comparing the dialog at different DPI settings (tests/sfx/check_dialog_scaling.py reads it).
#pragma once

#include <windows.h>

#include <string>

namespace sfxtest {

// Lines "dpi D", "client WIDTH HEIGHT" and, in the controls' order,
// "control INDEX ID CLASS LEFT TOP RIGHT BOTTOM". The calling process must be DPI aware, or
// Windows reports a DPI-aware dialog's pixels scaled down to 96 DPI.
std::string DescribeLayout(HWND dialog);

}  // namespace sfxtest
