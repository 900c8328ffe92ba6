#include "system_libraries.h"

namespace vexa::win32 {

namespace {

// Taken by name: it is missing from Windows 7 and Vista without KB2533623, and a missing static
// import stops a program before its first instruction. (SetDllDirectoryW, from Windows XP SP1
// on, is imported.)
using SetDefaultDllDirectoriesFunction = BOOL WINAPI(DWORD);

// Whether SetDefaultDllDirectories took effect; the LOAD_LIBRARY_SEARCH_* flags are refused
// where it did not.
bool g_systemFolderOnly = false;

}  // namespace

void RestrictDllSearch() {
    auto* setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction*>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        g_systemFolderOnly = true;
        return;
    }
    ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const char* name) {
    // The folder in UTF-16, whatever the code page; the name is ASCII.
    wchar_t path[MAX_PATH];
    size_t length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    path[length++] = L'\\';
    for (; *name; ++name) {
        if (length + 1 >= MAX_PATH) return nullptr;
        path[length++] = wchar_t(*name);
    }
    path[length] = L'\0';
    // A full path loads that file; the flag decides where its own imports come from. The
    // altered search path looks in the DLL's folder (System32) before the program's.
    return ::LoadLibraryExW(
        path, nullptr,
        g_systemFolderOnly ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC SystemProcedure(const char* library, const char* name) {
    const HMODULE module = LoadSystemLibrary(library);
    return module ? ::GetProcAddress(module, name) : nullptr;
}

}  // namespace vexa::win32
