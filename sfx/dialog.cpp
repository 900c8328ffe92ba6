#include "dialog.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <memory>

#include "buffer_sizes.h"
#include "default_destination.h"
#include "destination.h"
#include "extraction_state.h"
#include "paths.h"
#include "resource.h"
#include "text_format.h"
#include "vexa.h"
#include "worker.h"

namespace sfx {

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct ItemIdListFreer {
    void operator()(ITEMIDLIST* list) const { ::CoTaskMemFree(list); }
};

// COM for the folder picker's new dialog style, for the duration of one Browse.
class ComApartment {
  public:
    ComApartment() : initialised_(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (initialised_) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool initialised_;
};

void ShowDestinationTooLong(HWND dialog) {
    ::MessageBoxA(dialog, "The destination directory is too long.", "Error",
                  MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void ShowUnknownVariable(HWND dialog, const std::string& name) {
    char text[kErrorTextSize];
    FormatText(text, sizeof text, kUnknownVariableFormat, name.c_str());
    ::MessageBoxA(dialog, text, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void OnExtract(HWND dialog) {
    ResolvedDestination destination = ReadResolvedDestination(dialog);
    switch (destination.problem) {
        case ResolvedDestination::Problem::None:
            break;
        case ResolvedDestination::Problem::TooLong:
            ShowDestinationTooLong(dialog);
            return;
        case ResolvedDestination::Problem::UnknownVariable:
            ShowUnknownVariable(dialog, destination.unknownVariable);
            return;
    }
    // The worker reads the edit for every entry; it now holds the absolute path.
    if (std::strcmp(destination.typed, destination.path) != 0)
        ::SetDlgItemTextA(dialog, IDC_DESTINATION, destination.path);
    if (!EnsureDirectoryPath(dialog, destination.path, true)) return;

    ExtractionState& state = State();
    state.completedCount = 0;
    state.totalCount = 0;
    state.cancelRequested = 0;
    state.streamLock.lock();
    state.currentStream = nullptr;
    state.streamLock.unlock();
    ::EnableWindow(::GetDlgItem(dialog, IDC_EXTRACT), FALSE);
    // The worker is never waited for; its handle is not needed.
    UniqueHandle thread(::CreateThread(nullptr, 0, ExtractThread, nullptr, 0, nullptr));
}

void OnClose(HWND dialog) {
    ExtractionState& state = State();
    state.streamLock.lock();
    const bool running = state.currentStream != nullptr;
    state.streamLock.unlock();
    if (running) {
        if (::MessageBoxA(dialog, "Are you sure you wish to cancel extraction?", "Cancel",
                          MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        state.cancelRequested = 1;
        state.streamLock.lock();
        if (state.currentStream) (void)vexa_CancelOperation(state.currentStream);
        state.streamLock.unlock();
        ::EnableWindow(::GetDlgItem(dialog, IDC_CLOSE), FALSE);
    }
    ::EndDialog(dialog, IDC_CLOSE);
}

void OnBrowse(HWND dialog) {
    ComApartment com;
    BROWSEINFOA info{};
    info.hwndOwner = dialog;
    info.lpszTitle = "Select the folder to extract to";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_UAHINT;  // 0x0141
    const std::unique_ptr<ITEMIDLIST, ItemIdListFreer> picked(::SHBrowseForFolderA(&info));
    if (!picked) return;
    // A picked item without a file-system path leaves the destination as it was.
    char path[MAX_PATH] = "";
    if (::SHGetPathFromIDListA(picked.get(), path))
        ::SetDlgItemTextA(dialog, IDC_DESTINATION, path);
}

}  // namespace

INT_PTR CALLBACK ExtractDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            State().dialog = dialog;
            ::SetDlgItemTextA(dialog, IDC_DESTINATION, DefaultDestination);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_EXTRACT:
                    OnExtract(dialog);
                    break;
                case IDC_CLOSE:
                    OnClose(dialog);
                    break;
                case IDC_BROWSE:
                    OnBrowse(dialog);
                    break;
                default:
                    break;
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace sfx
