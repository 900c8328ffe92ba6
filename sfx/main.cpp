// The self-extractor's entry: settles the initial destination and runs the dialog.
#include <windows.h>
// (commctrl.h needs the types of windows.h)
#include <commctrl.h>

#include "default_destination.h"
#include "destination.h"
#include "dialog.h"
#include "extraction_state.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (DefaultDestination[0] == '\0') sfx::GetDefaultDestination(DefaultDestination);
    sfx::RememberStartDirectory();
    (void)sfx::State();
    ::InitCommonControls();
    ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_EXTRACT), nullptr, sfx::ExtractDialogProc, 0);
    return 0;
}
