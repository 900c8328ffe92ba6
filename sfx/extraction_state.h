// The state the dialog and the extraction worker share.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace sfx {

// A slim reader/writer lock used exclusively. Statically initialised and never destroyed, so
// it stays usable while the process exits around a running worker.
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
};

// The process-wide instance.
ExtractionState& State();

}  // namespace sfx
