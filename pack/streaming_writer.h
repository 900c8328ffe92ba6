// Writes an archive into an open file, entry by entry and block by block, so that inputs of any
// number and size pass through a bounded amount of memory: a fixed set of block buffers (one
// per encoding thread and two more, so that reading and writing overlap the encoding) that are
// reused for every block. Each record is written as a placeholder first and completed once its
// entry's blocks are out. The writer knows nothing of the host's file system: it reads each
// entry's content from a file the caller opened.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "encoder_pool.h"
#include "format.h"
#include "platform.h"
#include "writer.h"

namespace vexa::pack {

// What went wrong; `error` is empty on success. `inInput` tells a fault of the entry (its
// content could not be read, its name does not fit) from a fault of the archive's file.
struct WriteStatus {
    std::string error;
    bool inInput = false;
    bool Ok() const { return error.empty(); }
};

class StreamingWriter {
  public:
    // Told how many bytes of the current entry have been read so far.
    using ProgressFn = std::function<void(uint64_t entryBytes)>;

    // The archive starts at the file's current position (after a stub, for a self-extractor).
    StreamingWriter(platform::File& out, unsigned threads);
    ~StreamingWriter();
    StreamingWriter(const StreamingWriter&) = delete;
    StreamingWriter& operator=(const StreamingWriter&) = delete;

    // After an error the output is unusable.
    WriteStatus Begin();
    // Stores the rest of `in` (to its end) as the content of a new entry.
    WriteStatus AddEntry(const EntryMeta& meta, platform::File& in,
                         const ProgressFn& progress = {});
    WriteStatus Finish();

    uint64_t EntryCount() const { return entryCount_; }
    uint64_t CompressedBytes() const { return compressedBytes_; }

  private:
    struct Slot {
        std::unique_ptr<uint8_t[]> buffer;  // kBlockSize bytes, allocated on first use
        EncoderPool::Job job;
        bool busy = false;
    };
    // What is still to be written, in archive order.
    enum class Step { Record, Block, EndEntry };
    struct PendingStep {
        Step step;
        size_t slot;  // for Block
    };
    struct PendingEntry {
        VEXA_ENTRY record;
        uint64_t recordPosition = 0;
    };

    Slot& NextFreeSlot(WriteStatus& status);
    // Writes out the steps that are ready; with `wait`, waits for the first block if needed.
    WriteStatus WriteReady(bool wait);
    WriteStatus WriteStep(const PendingStep& step);
    WriteStatus Write(const void* data, size_t count);

    platform::File& out_;
    uint64_t headerPosition_ = 0;
    uint64_t entryCount_ = 0;
    uint64_t compressedBytes_ = 0;
    std::vector<Slot> slots_;
    size_t nextSlot_ = 0;
    std::deque<PendingStep> steps_;
    std::deque<PendingEntry> entries_;  // entries whose record is not complete yet
    EncoderPool pool_;                  // after the slots: stops before their buffers go
};

}  // namespace vexa::pack
