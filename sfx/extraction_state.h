// The state the dialog and the extraction worker share. The program's entry owns the one
// instance and hands it to the dialog, which hands it to each worker it starts.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

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
};

}  // namespace sfx
