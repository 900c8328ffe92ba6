// The one place where blocks are encoded on several threads. Callers submit jobs and wait for
// the ones they need, in the order they need them, so the output order stays theirs and the
// result never depends on the thread count.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace vexa::pack {

class EncoderPool {
  public:
    // One block to encode. The plain bytes must stay valid, and the job in place, until Wait
    // returned for it.
    struct Job {
        std::span<const uint8_t> plain;
        std::vector<uint8_t> encoded;  // block header and payload, once done
      private:
        friend class EncoderPool;
        std::exception_ptr failure;
        bool done = false;
    };

    // With `threads` above 1 the pool starts that many encoding threads; otherwise (or when no
    // thread can be started) Submit encodes in the caller's thread.
    explicit EncoderPool(unsigned threads);
    // Jobs not started yet are dropped; running ones finish first.
    ~EncoderPool();
    EncoderPool(const EncoderPool&) = delete;
    EncoderPool& operator=(const EncoderPool&) = delete;

    void Submit(Job& job);
    // Blocks until `job` is encoded; rethrows what its encoder threw.
    void Wait(Job& job);
    // True when `job` is encoded (Wait would not block).
    bool IsDone(const Job& job);

  private:
    void Work();

    std::mutex lock_;
    std::condition_variable jobArrived_;
    std::condition_variable jobDone_;
    std::deque<Job*> queue_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

// The number of encoding threads to use on this machine.
unsigned DefaultThreadCount();

}  // namespace vexa::pack
