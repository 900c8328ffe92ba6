// The state the dialog and the extraction worker share. The program's entry owns the one
// instance and hands it to the dialog, which hands it to each worker it starts.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string_view>

#include "buffer_sizes.h"
#include "exit_codes.h"
#include "switches.h"

namespace sfx {

// A slim reader/writer lock used exclusively (a BasicLockable for std::lock_guard). Statically
// initialised and never destroyed, so it stays usable while the process exits around a
// running worker.
class StreamLock {
  public:
    void lock() { ::AcquireSRWLockExclusive(&lock_); }
    void unlock() { ::ReleaseSRWLockExclusive(&lock_); }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

struct ExtractionState {
    std::atomic<HWND> dialog{nullptr};
    // The stream of the running extraction, or null; read and written only under streamLock,
    // together with any cancel request made on it.
    void* currentStream = nullptr;
    StreamLock streamLock;
    std::atomic<int> cancelRequested{0};
    std::atomic<uint64_t> completedCount{0};
    std::atomic<uint64_t> totalCount{0};
    // Counts the changes of the destination edit, so that a worker reads the edit again only
    // after it changed.
    std::atomic<unsigned> destinationEdits{0};
    // How the last run ended, as the program's exit code. The entry sets it to cancelled before
    // the dialog starts, so a dialog closed before any extraction counts as cancelled. (Every
    // member starts as zero, which keeps the state out of the program file.)
    std::atomic<unsigned> exitCode{0};
    // The folder the program to run after extraction was extracted into (or found in, the
    // same byte for byte): it starts there, whatever the destination edit says by then. Only
    // with programReady does it run at all.
    char extractedTo[kEditBufferSize] = {};
    bool programReady = false;

    // Set before the dialog starts and only read afterwards.
    // Existing files when "Overwrite files automatically" is not ticked: ask, or skip them.
    OverwritePolicy existingFiles = OverwritePolicy::Unset;  // (asks, as Ask does)
    // A program runs after a successful extraction, instead of the completion question.
    bool runAfterExtraction = false;
    // That program's entry name, as the run command gives it.
    std::string_view programEntry;
    // The destination the dialog starts with.
    const char* initialDestination = nullptr;
    // The destination came from the command line: it is created without a question.
    bool createWithoutAsking = false;
    // "Overwrite files automatically" starts ticked.
    bool overwriteTicked = false;
    // The destination is the program's own (a private temporary folder): the dialog extracts at
    // once, and the destination cannot be changed.
    bool extractAtOnce = false;
};

}  // namespace sfx
