// The extraction dialog: destination, Extract, Browse and Close.
#pragma once

#include <windows.h>

namespace sfx {

INT_PTR CALLBACK ExtractDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace sfx
