/* The DLL an attacker drops beside a downloaded program, copied under each name the program
   loads. It exports nothing; loading it is the fault. When a process loads it, it writes
   NAME.planted beside itself, holding the path of the program that loaded it. */
#include <windows.h>

static void WriteMarker(HINSTANCE self) {
    wchar_t path[MAX_PATH + 16];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    lstrcpyW(path + length, L".planted");
    const HANDLE marker =
        CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (marker == INVALID_HANDLE_VALUE) return;
    char program[MAX_PATH];
    const DWORD programLength = GetModuleFileNameA(NULL, program, MAX_PATH);
    DWORD written = 0;
    WriteFile(marker, program, programLength, &written, NULL);
    CloseHandle(marker);
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) WriteMarker(self);
    return TRUE;
}
