// What the extraction worker shows in the dialog: the two labels, the list of extracted names
// and the progress bar. The worker gathers its changes and the dialog's thread applies them in
// batches, a few dozen times a second instead of several times per file, since every change
// made from the worker's thread costs a round trip to the dialog's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "buffer_sizes.h"

namespace sfx {

// Sent by the worker to the dialog, with a `const DialogUpdate*` as the second parameter.
constexpr UINT kApplyUpdateMessage = WM_APP + 2;

// One batch. Each label and the bar hold their latest value and the names come in order, so
// applying a batch leaves the controls as applying every change on its own would have.
struct DialogUpdate {
    bool hasCurrentFile = false;
    char currentFile[kLabelSize] = "";
    bool hasCompleted = false;
    char completed[kLabelSize] = "";
    std::vector<std::string> extracted;  // names to add to the sorted list
    int progress = -1;                   // -1: unchanged
};

// On the dialog's thread: applies one batch to the controls.
void ApplyDialogUpdate(HWND dialog, const DialogUpdate& update);

// The worker's side: gathers changes and hands them over when enough time has passed since the
// last batch, and whenever the worker flushes.
class DialogUpdates {
  public:
    explicit DialogUpdates(HWND dialog);
    DialogUpdates(const DialogUpdates&) = delete;
    DialogUpdates& operator=(const DialogUpdates&) = delete;

    // "Current file: NAME".
    void SetCurrentFile(const char* name);
    // "Extracted files completed: N of M".
    void SetCompleted(uint64_t completed, uint64_t total);
    void AddExtracted(const char* name);
    void SetProgress(int percent);
    // Hands over everything gathered and returns once the dialog shows it: before anything the
    // user has to read or answer, and at the end of a run.
    void Flush();
    // False in a silent run, which has no dialog to update.
    bool HasDialog() const { return dialog_ != nullptr; }

  private:
    void FlushWhenDue();

    HWND dialog_;
    DialogUpdate pending_;
    DWORD lastFlush_;
};

}  // namespace sfx
