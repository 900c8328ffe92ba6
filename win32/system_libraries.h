// DLLs from the system folder only. A program started from a download folder must not load a
// DLL that someone dropped beside it: Windows looks for a DLL that is not a KnownDLL (comctl32,
// version, uxtheme, ...) in the program's own folder first. So the programs import statically
// only KnownDLLs (kernel32, user32, msvcrt), restrict the search before anything else runs, and
// load every other system DLL by its System32 path through LoadSystemLibrary.
#pragma once

#include <windows.h>

namespace vexa::win32 {

// Makes System32 the only place a DLL named without a path comes from, for every module of the
// process (also the DLLs that user32, comctl32 or shell32 load by name later, such as the theme
// machinery): SetDefaultDllDirectories, on Windows 8 and later and on Windows 7 and Vista with
// KB2533623. Where that is missing (Vista, 7 without it, XP from SP1), SetDllDirectoryW(L"")
// takes the current directory out of the search (the program's folder stays in it for loads
// this process does not make itself). Call it as the program's first act.
void RestrictDllSearch();

// The system DLL `name` ("comctl32.dll", ASCII) loaded by its full System32 path, with its own
// dependencies taken from System32 too; null when it cannot be loaded. It stays loaded for the
// rest of the process: windows and COM objects it made may outlive any caller.
HMODULE LoadSystemLibrary(const char* name);

// The address of the function `name` of the system DLL `library`, or null when the DLL or the
// function is missing.
FARPROC SystemProcedure(const char* library, const char* name);

// The same typed by the function's declaration (decltype(::CoInitialize)): the caller decides
// how to do without it when it is null.
template <typename Function>
Function* SystemFunction(const char* library, const char* name) {
    // (through the one function type GCC lets any function pointer become)
    return reinterpret_cast<Function*>(
        reinterpret_cast<void (*)()>(SystemProcedure(library, name)));
}

}  // namespace vexa::win32
