// The extraction worker and the two routines it reports through.
#pragma once

#include <windows.h>

#include "destination_edit.h"
#include "extraction_state.h"

namespace sfx {

// Extracts the archive appended to the program's own executable into the dialog's
// destination. Runs on its own thread; the parameter is the ExtractionState shared with the
// dialog.
DWORD WINAPI ExtractThread(LPVOID parameter);

// Extracts the archive appended to the program's own executable into `destination` without
// any window or box (errors go to the log). Returns the run's exit code.
unsigned ExtractSilently(ExtractionState& state, const ResolvedDestination& destination,
                         OverwritePolicy existingFiles);

// Moves the dialog's progress bar to `percent` (0-100).
void ShowProgress(int percent);

// Shows a formatted error in a message box without owner, captioned "Error".
[[gnu::format(ms_printf, 1, 2)]] void ReportError(const char* format, ...);

}  // namespace sfx
