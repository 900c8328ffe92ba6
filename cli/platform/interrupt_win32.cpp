// Windows interrupt handling: the console control events (Ctrl+C, Ctrl+Break, a closed
// console, logoff, shutdown) remove the registered files and end the process. The handler
// runs on its own thread while the files are still open: they are opened shareable for
// deletion, and the removal completes when the process ends.
#include <windows.h>

#include "interrupt.h"
#include "long_path.h"
#include "wide_text.h"

namespace vexa::cli::interrupt_detail {

namespace {

BOOL WINAPI OnControlEvent(DWORD) {
    RemoveRegisteredFiles();
    ::ExitProcess(STATUS_CONTROL_C_EXIT);
    return TRUE;
}

}  // namespace

void RemoveFile(const char* path) {
    const std::wstring wide = WidePath(path);
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(wide.c_str());
}

void InstallPlatformHandlers() {
    ::SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

}  // namespace vexa::cli::interrupt_detail
