// Writes an archive into an open file, file by file and block by block, so that inputs of any
// size pass through a bounded amount of memory. Blocks are queued across files and encoded in
// parallel batches; each record is written as a placeholder first and completed once its
// entry's blocks are out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format.h"
#include "input_walk.h"
#include "platform.h"
#include "progress.h"

namespace vexa::cli {

class StreamingWriter {
  public:
    // The archive starts at the file's current position (after a stub, for a self-extractor).
    StreamingWriter(platform::File& out, unsigned threads);

    // Each returns an error message, empty on success; after an error the output is unusable.
    std::string Begin();
    std::string AddFile(const InputFile& input, Progress& progress);
    std::string Finish();

    uint64_t EntryCount() const { return entries_.size(); }
    uint64_t CompressedBytes() const { return compressedBytes_; }

  private:
    enum class Step { Record, Block, EndEntry };
    struct Queued {
        Step step;
        size_t entry;
        std::vector<uint8_t> plain;
    };
    struct Entry {
        VEXA_ENTRY record;
        uint64_t recordPosition = 0;
    };

    std::string Flush();
    std::string Write(const void* data, size_t count);

    platform::File& out_;
    unsigned threads_;
    uint64_t headerPosition_ = 0;
    std::vector<Entry> entries_;
    std::vector<Queued> queue_;
    size_t queuedBytes_ = 0;
    size_t queuedBlocks_ = 0;
    uint64_t compressedBytes_ = 0;
};

}  // namespace vexa::cli
