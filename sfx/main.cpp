// The self-extractor's entry: settles the initial destination and runs the dialog.
#include <windows.h>
// (commctrl.h needs the types of windows.h)
#include <commctrl.h>

#include "default_destination.h"
#include "destination_edit.h"
#include "dialog.h"
#include "extraction_state.h"
#include "folder_picker.h"
#include "resource.h"
#include "runtime_failures.h"
#include "system_libraries.h"

namespace {
// Static and without a destructor: the program exits without waiting for a worker that may
// still use it.
constinit sfx::ExtractionState g_state;
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL: none may come from the folder this program was run from.
    vexa::win32::RestrictDllSearch();
    if (DefaultDestination[0] == '\0') sfx::GetDefaultDestination(DefaultDestination);
    sfx::RememberStartDirectory();
    // The dialog's progress bar is a common control: without comctl32 there is no dialog.
    const auto initCommonControls = vexa::win32::SystemFunction<decltype(::InitCommonControls)>(
        "comctl32.dll", "InitCommonControls");
    if (!initCommonControls) sfx::StopForInternalError();
    initCommonControls();
    // The input method code (imm32) loads ole32 when the dialog's first window is made. Wine
    // resolves such a delayed import in the old order, program folder first, whatever the
    // search was restricted to: ole32 and what it imports come from System32 now instead.
    (void)vexa::win32::LoadSystemLibrary(sfx::kComLibrary);
    ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_EXTRACT), nullptr, sfx::ExtractDialogProc,
                      reinterpret_cast<LPARAM>(&g_state));
    return 0;
}
