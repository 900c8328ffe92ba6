#include "dialog.h"

#include <cstring>
#include <mutex>

#include "buffer_sizes.h"
#include "default_destination.h"
#include "destination_edit.h"
#include "dialog_updates.h"
#include "exit_codes.h"
#include "extraction_state.h"
#include "folder_picker.h"
#include "paths.h"
#include "resource.h"
#include "text_format.h"
#include "unique_handle.h"
#include "vexa.h"
#include "worker.h"

namespace sfx {

using vexa::win32::KernelObject;

namespace {

ExtractionState& StateOf(HWND dialog) {
    return *reinterpret_cast<ExtractionState*>(::GetWindowLongPtrA(dialog, DWLP_USER));
}

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
    // The worker takes its destination from the edit, which now holds the absolute path.
    if (std::strcmp(destination.typed, destination.path) != 0)
        ::SetDlgItemTextA(dialog, IDC_DESTINATION, destination.path);
    ExtractionState& state = StateOf(dialog);
    // A destination refused here leaves the dialog open for another; closing it then counts as
    // cancelled, as nothing was extracted.
    if (!EnsureDirectoryPath(dialog, destination.path, !state.createWithoutAsking)) return;

    state.completedCount = 0;
    state.totalCount = 0;
    state.cancelRequested = 0;
    {
        const std::lock_guard guard(state.streamLock);
        state.currentStream = nullptr;
    }
    ::EnableWindow(::GetDlgItem(dialog, IDC_EXTRACT), FALSE);
    // The worker is never waited for; its handle is not needed.
    const KernelObject thread(::CreateThread(nullptr, 0, ExtractThread, &state, 0, nullptr));
}

bool ExtractionRunning(ExtractionState& state) {
    const std::lock_guard guard(state.streamLock);
    return state.currentStream != nullptr;
}

void OnClose(HWND dialog) {
    ExtractionState& state = StateOf(dialog);
    if (ExtractionRunning(state)) {
        if (::MessageBoxA(dialog, "Are you sure you wish to cancel extraction?", "Cancel",
                          MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        state.cancelRequested = 1;
        state.exitCode = kExitCancelled;
        {
            const std::lock_guard guard(state.streamLock);
            if (state.currentStream) (void)vexa_CancelOperation(state.currentStream);
        }
        ::EnableWindow(::GetDlgItem(dialog, IDC_CLOSE), FALSE);
    }
    ::EndDialog(dialog, IDC_CLOSE);
}

void OnBrowse(HWND dialog) {
    // Cancelled, or an item without a file-system path: the destination stays as it was.
    char path[MAX_PATH] = "";
    const FolderPick pick = PickFolder(dialog, path);
    if (pick == FolderPick::Picked) ::SetDlgItemTextA(dialog, IDC_DESTINATION, path);
    // Without the system's picker the destination can still be typed.
    if (pick == FolderPick::Unavailable) ::EnableWindow(::GetDlgItem(dialog, IDC_BROWSE), FALSE);
}

}  // namespace

INT_PTR CALLBACK ExtractDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            ExtractionState& state = StateOf(dialog);
            state.dialog = dialog;
            ::SetDlgItemTextA(dialog, IDC_DESTINATION, state.initialDestination);
            if (state.overwriteTicked) ::CheckDlgButton(dialog, IDC_OVERWRITE, BST_CHECKED);
            if (state.extractAtOnce) {
                ::EnableWindow(::GetDlgItem(dialog, IDC_DESTINATION), FALSE);
                ::EnableWindow(::GetDlgItem(dialog, IDC_BROWSE), FALSE);
                ::PostMessageA(dialog, WM_COMMAND, IDC_EXTRACT, 0);
            }
            return TRUE;
        }
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
                case IDC_DESTINATION:
                    if (HIWORD(wParam) == EN_CHANGE) StateOf(dialog).destinationEdits.fetch_add(1);
                    break;
                default:
                    break;
            }
            return TRUE;
        case kApplyUpdateMessage:
            ApplyDialogUpdate(dialog, *reinterpret_cast<const DialogUpdate*>(lParam));
            return TRUE;
        case kEndDialogMessage:
            ::EndDialog(dialog, INT_PTR(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace sfx
