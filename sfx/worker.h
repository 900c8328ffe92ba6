// The extraction worker and the two routines it reports through.
#pragma once

#include <windows.h>

namespace sfx {

// Extracts the archive appended to the program's own executable into the dialog's
// destination. Runs on its own thread; the parameter is the ExtractionState shared with the
// dialog.
DWORD WINAPI ExtractThread(LPVOID parameter);

// Moves the dialog's progress bar to `percent` (0-100).
void ShowProgress(int percent);

// Shows a formatted error in a message box without owner, captioned "Error".
[[gnu::format(ms_printf, 1, 2)]] void ReportError(const char* format, ...);

}  // namespace sfx
