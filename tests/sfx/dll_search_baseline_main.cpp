// The calibration of the DLL planting test: a program that imports only kernel32, user32 and
// the C runtime and restricts the DLL search as its first act, as the self-extractor does, and
// does nothing else: whatever it loads, Wine loads for any such program before its first
// instruction (version.dll, for one), and the test leaves those names out of its verdict.
#include <windows.h>

#include "system_libraries.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    vexa::win32::RestrictDllSearch();
    // A call into user32 that loads nothing, so user32 is imported as the stub imports it.
    return ::IsWindow(nullptr) ? 1 : 0;
}
