#include "dialog_updates.h"

#include <commctrl.h>

#include "resource.h"
#include "text_format.h"

namespace sfx {

namespace {
// Often enough to look continuous, rarely enough to cost nothing next to the extraction.
constexpr DWORD kFlushIntervalMs = 50;
}  // namespace

void ApplyDialogUpdate(HWND dialog, const DialogUpdate& update) {
    if (update.hasCurrentFile) ::SetDlgItemTextA(dialog, IDC_CURRENT_FILE, update.currentFile);
    if (!update.extracted.empty()) {
        const HWND list = ::GetDlgItem(dialog, IDC_EXTRACTED_LIST);
        // One repaint for the batch rather than one per name.
        ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        for (const std::string& name : update.extracted)
            ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list, nullptr, TRUE);
    }
    if (update.hasCompleted) ::SetDlgItemTextA(dialog, IDC_COMPLETED, update.completed);
    if (update.progress >= 0)
        ::SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, WPARAM(update.progress), 0);
}

DialogUpdates::DialogUpdates(HWND dialog) : dialog_(dialog), lastFlush_(::GetTickCount()) {}

void DialogUpdates::SetCurrentFile(const char* name) {
    FormatText(pending_.currentFile, sizeof pending_.currentFile, "Current file: %s", name);
    pending_.hasCurrentFile = true;
    FlushWhenDue();
}

void DialogUpdates::SetCompleted(uint64_t completed, uint64_t total) {
    FormatText(pending_.completed, sizeof pending_.completed,
               "Extracted files completed: %I64u of %I64u", completed, total);
    pending_.hasCompleted = true;
    FlushWhenDue();
}

void DialogUpdates::AddExtracted(const char* name) {
    pending_.extracted.emplace_back(name);
    FlushWhenDue();
}

void DialogUpdates::SetProgress(int percent) {
    pending_.progress = percent;
    FlushWhenDue();
}

void DialogUpdates::Flush() {
    lastFlush_ = ::GetTickCount();
    if (!pending_.hasCurrentFile && !pending_.hasCompleted && pending_.extracted.empty() &&
        pending_.progress < 0)
        return;
    // A silent run has no dialog; it only drops what it gathered.
    if (dialog_)
        ::SendMessageA(dialog_, kApplyUpdateMessage, 0, reinterpret_cast<LPARAM>(&pending_));
    pending_.hasCurrentFile = false;
    pending_.hasCompleted = false;
    pending_.extracted.clear();
    pending_.progress = -1;
}

void DialogUpdates::FlushWhenDue() {
    if (::GetTickCount() - lastFlush_ >= kFlushIntervalMs) Flush();
}

}  // namespace sfx
