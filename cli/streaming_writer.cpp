#include "streaming_writer.h"

#include <cstring>
#include <exception>

#include "crc32.h"
#include "parallel_blocks.h"
#include "writer.h"

namespace vexa::cli {

StreamingWriter::StreamingWriter(platform::File& out, unsigned threads)
    : out_(out), threads_(threads == 0 ? 1 : threads) {}

std::string StreamingWriter::Begin() {
    headerPosition_ = out_.Position();
    const uint8_t placeholder[kHeaderSize] = {};
    return Write(placeholder, sizeof placeholder);
}

std::string StreamingWriter::AddFile(const InputFile& input, Progress& progress) {
    platform::File in = platform::File::Open(input.path.c_str(), platform::File::Access::Read);
    if (!in.IsOpen()) return input.path + ": cannot open for reading";

    const size_t index = entries_.size();
    Entry entry;
    std::memset(&entry.record, 0, sizeof entry.record);
    std::memcpy(entry.record.name, input.name.data(), input.name.size());
    entry.record.modificationTime = input.meta.modificationTime;
    entry.record.attributes = input.meta.attributes;
    entries_.push_back(entry);
    queue_.push_back({Step::Record, index, {}});

    CrcAccumulator crc;
    uint64_t total = 0;
    for (;;) {
        std::vector<uint8_t> block(kBlockSize);
        const size_t got = in.ReadFully(block.data(), block.size());
        if (got == 0) break;
        block.resize(got);
        crc.Update(block.data(), block.size());
        total += got;
        queuedBytes_ += got;
        ++queuedBlocks_;
        queue_.push_back({Step::Block, index, std::move(block)});
        progress.Advance(total);
        // Enough work for every thread, and a bound on memory for many small files too.
        if (queuedBytes_ >= size_t(threads_) * kBlockSize || queuedBlocks_ >= 64u * threads_) {
            if (std::string error = Flush(); !error.empty()) return error;
        }
        if (got < kBlockSize) break;
    }
    // A read that stops early is an error, not the end of the file.
    const auto size = in.Size();
    if (!size || *size != in.Position()) return input.path + ": read error";

    entries_[index].record.originalSize = total;
    entries_[index].record.crc = total == 0 ? 0 : crc.Value();
    queue_.push_back({Step::EndEntry, index, {}});
    return {};
}

std::string StreamingWriter::Finish() {
    if (std::string error = Flush(); !error.empty()) return error;
    const uint64_t end = out_.Position();
    const auto header = pack::HeaderBytes(entries_.size());
    if (!out_.Seek(headerPosition_)) return "cannot seek in the output";
    if (std::string error = Write(header.data(), header.size()); !error.empty()) return error;
    if (!out_.Seek(end)) return "cannot seek in the output";
    return {};
}

std::string StreamingWriter::Flush() {
    std::vector<const std::vector<uint8_t>*> plain;
    for (const Queued& item : queue_)
        if (item.step == Step::Block) plain.push_back(&item.plain);
    std::vector<std::vector<uint8_t>> encoded;
    try {
        encoded = EncodeBlocks(plain, threads_);
    } catch (const std::exception& e) {
        return std::string("encoding failed: ") + e.what();
    }

    size_t nextBlock = 0;
    for (const Queued& item : queue_) {
        Entry& entry = entries_[item.entry];
        switch (item.step) {
            case Step::Record: {
                entry.recordPosition = out_.Position();
                const uint8_t placeholder[kRecordSize] = {};
                if (std::string error = Write(placeholder, sizeof placeholder); !error.empty())
                    return error;
                break;
            }
            case Step::Block: {
                const std::vector<uint8_t>& block = encoded[nextBlock++];
                if (std::string error = Write(block.data(), block.size()); !error.empty())
                    return error;
                entry.record.blockCount += 1;
                entry.record.compressedSize += block.size();
                compressedBytes_ += block.size();
                break;
            }
            case Step::EndEntry: {
                const uint64_t end = out_.Position();
                const auto bytes = pack::RecordBytes(entry.record);
                if (!out_.Seek(entry.recordPosition)) return "cannot seek in the output";
                if (std::string error = Write(bytes.data(), bytes.size()); !error.empty())
                    return error;
                if (!out_.Seek(end)) return "cannot seek in the output";
                break;
            }
        }
    }
    queue_.clear();
    queuedBytes_ = 0;
    queuedBlocks_ = 0;
    return {};
}

std::string StreamingWriter::Write(const void* data, size_t count) {
    const auto result = out_.Write(data, count);
    if (result.written == count) return {};
    return result.diskFull ? "the disk is full" : "write error";
}

}  // namespace vexa::cli
