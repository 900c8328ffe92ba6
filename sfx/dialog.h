// The extraction dialog: destination, Extract, Browse and Close.
#pragma once

#include <windows.h>

namespace sfx {

// Posted by a worker to end the dialog (the first parameter is the dialog's result): the
// dialog is ended on its own thread.
constexpr UINT kEndDialogMessage = WM_APP + 1;

// The last parameter of WM_INITDIALOG is the ExtractionState the dialog and its workers share.
INT_PTR CALLBACK ExtractDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace sfx
