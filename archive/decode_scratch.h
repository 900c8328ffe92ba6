// The working memory of a stream's decodes: prediction table, output buffer, payload buffer and
// read-ahead buffer. Each is allocated at the first decode that needs it and reused for every
// later entry, so an archive of many small entries pays no allocation per entry, and each stream
// has its own, so decodes of different streams may run on different threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "coder_rules.h"
#include "format.h"
#include "reader_helpers.h"

namespace vexa {

// Spare bytes kept after every payload, zeroed, so that a bit reader may load a whole word at
// the payload's end.
constexpr size_t kPayloadSlack = 16;
constexpr size_t kReadAheadSize = 64 * 1024;

class DecodeScratch {
  public:
    // Each accessor gives null when its allocation fails.
    PredictionTable* Table() {
        if (!table_) table_ = Allocate<PredictionTable>();
        return table_.get();
    }
    uint8_t* Output() { return Bytes(output_, kOutputBufferSize); }
    uint8_t* ReadAhead() { return Bytes(readAhead_, kReadAheadSize); }

    // A buffer for `bytes` payload bytes and the zeroed slack after them; its other contents
    // are left as they are, since the payload is about to be read over them.
    uint8_t* Payload(size_t bytes) {
        if (bytes > payloadCapacity_) {
            payload_.reset();
            payloadCapacity_ = 0;
            // Rounded up, so that slowly growing payloads do not reallocate at every block.
            const size_t capacity = (bytes | (kGrowthStep - 1)) + 1;
            if (capacity < bytes || !Bytes(payload_, capacity + kPayloadSlack)) return nullptr;
            payloadCapacity_ = capacity;
        }
        std::memset(payload_.get() + bytes, 0, kPayloadSlack);
        return payload_.get();
    }

    DecodeWork& Work() { return work_; }

    // A closing stream leaves its buffers for the next stream that opens, so that a process
    // opening many archives in turn allocates (and faults in) the 4.5 MiB only once. Only one
    // set is kept; a stream takes it whole, so no two streams ever share a buffer.
    static void KeepForNextStream(DecodeScratch&& scratch) {
        if (!scratch.table_ && !scratch.output_) return;
        DecodeScratch* kept = new (std::nothrow) DecodeScratch(std::move(scratch));
        delete kept_.exchange(kept);
    }
    static void TakeKept(DecodeScratch& into) {
        if (DecodeScratch* kept = kept_.exchange(nullptr)) {
            into = std::move(*kept);
            into.work_ = DecodeWork{};
            delete kept;
        }
    }

  private:
    static constexpr size_t kGrowthStep = 4096;

    template <class T>
    std::unique_ptr<T> Allocate() {
        std::unique_ptr<T> made(new (std::nothrow) T);
        if (made) work_.bytesAllocated += sizeof(T);
        return made;
    }
    // Allocates `size` bytes into `buffer` when it is empty; no byte is filled.
    uint8_t* Bytes(std::unique_ptr<uint8_t[]>& buffer, size_t size) {
        if (!buffer) {
            buffer.reset(new (std::nothrow) uint8_t[size]);
            if (buffer) work_.bytesAllocated += size;
        }
        return buffer.get();
    }

    std::unique_ptr<PredictionTable> table_;
    std::unique_ptr<uint8_t[]> output_;
    std::unique_ptr<uint8_t[]> readAhead_;
    std::unique_ptr<uint8_t[]> payload_;
    size_t payloadCapacity_ = 0;
    DecodeWork work_;
    static inline std::atomic<DecodeScratch*> kept_{nullptr};
};

}  // namespace vexa
