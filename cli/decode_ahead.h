// Decodes the small entries of an extraction on a second thread, ahead of the thread that
// writes them, so that decoding overlaps the file system's work on the files before. The
// entries are taken in archive order; a large entry is decoded by the taker itself, block by
// block as before, while the second thread waits. The content held ahead is bounded.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "reader_helpers.h"

namespace vexa::cli {

class DecodeAhead {
  public:
    using Sink = std::function<Result(const uint8_t* data, size_t count)>;

    // `handle` is an open stream that only this object uses until it is destroyed; `entries`
    // are those to be taken, in order.
    DecodeAhead(void* handle, std::vector<const VEXA_ENTRY*> entries);
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // Hands the content of the `index`-th entry to `sink` and gives the decode's result, as
    // DecodeEntryTo would. Indexes only grow; entries passed over are dropped.
    Result Decode(size_t index, const Sink& sink);

  private:
    struct Decoded {
        size_t index;
        bool large;  // left to the taker
        Result result;
        std::vector<uint8_t> content;
    };

    void Run();
    // The taker is done with the front entry; the lock is held. Each side wakes the other only
    // when that one waits, and the worker only once half the content held was taken, so that
    // thousands of small entries cost a handful of wake-ups rather than one each.
    Decoded TakeFront();

    void* handle_;
    std::vector<const VEXA_ENTRY*> entries_;
    std::mutex mutex_;
    std::condition_variable workerWakes_;
    std::condition_variable takerWakes_;
    std::deque<Decoded> ready_;
    uint64_t heldBytes_ = 0;
    bool largePending_ = false;  // a large entry waits for the taker
    bool workerWaits_ = false;
    bool takerWaits_ = false;
    bool stop_ = false;
    std::thread worker_;
};

}  // namespace vexa::cli
