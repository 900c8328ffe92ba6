#include "streaming_writer.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "crc32.h"

namespace vexa::pack {

namespace {

// Records and ends of entries waiting behind a block that is still being encoded; a cap keeps
// a long run of empty files from piling them up.
constexpr size_t kMaxPendingSteps = 4096;

}  // namespace

StreamingWriter::StreamingWriter(platform::File& out, unsigned threads)
    : out_(out), slots_(size_t(std::max(threads, 1u)) + 2), pool_(threads) {}

StreamingWriter::~StreamingWriter() = default;

WriteStatus StreamingWriter::Begin() {
    headerPosition_ = out_.Position();
    const uint8_t placeholder[kHeaderSize] = {};
    return Write(placeholder, sizeof placeholder);
}

WriteStatus StreamingWriter::AddEntry(const EntryMeta& meta, platform::File& in,
                                      const ProgressFn& progress) {
    PendingEntry entry;
    try {
        entry.record = NewRecord(meta);
    } catch (const std::invalid_argument& e) {
        return {e.what(), true};
    }
    while (steps_.size() >= kMaxPendingSteps)
        if (WriteStatus status = WriteReady(true); !status.Ok()) return status;
    entries_.push_back(entry);
    ++entryCount_;
    steps_.push_back({Step::Record, 0});

    CrcAccumulator crc;
    uint64_t total = 0;
    for (;;) {
        WriteStatus status;
        Slot& slot = NextFreeSlot(status);
        if (!status.Ok()) return status;
        if (!slot.buffer) slot.buffer = std::make_unique_for_overwrite<uint8_t[]>(kBlockSize);
        const size_t got = in.ReadFully(slot.buffer.get(), kBlockSize);
        if (got == 0) break;
        crc.Update(slot.buffer.get(), got);
        total += got;
        slot.job.plain = {slot.buffer.get(), got};
        slot.busy = true;
        pool_.Submit(slot.job);
        steps_.push_back({Step::Block, nextSlot_});
        nextSlot_ = (nextSlot_ + 1) % slots_.size();
        if (progress) progress(total);
        if (got < kBlockSize) break;
    }
    // A read that stops early is an error, not the end of the file.
    const auto size = in.Size();
    if (!size || *size != in.Position()) return {"read error", true};

    entries_.back().record.originalSize = total;
    entries_.back().record.crc = total == 0 ? 0 : crc.Value();
    steps_.push_back({Step::EndEntry, 0});
    return WriteReady(false);
}

WriteStatus StreamingWriter::Finish() {
    while (!steps_.empty())
        if (WriteStatus status = WriteReady(true); !status.Ok()) return status;
    const uint64_t end = out_.Position();
    const auto header = HeaderBytes(entryCount_);
    if (!out_.Seek(headerPosition_)) return {"cannot seek in the output"};
    if (WriteStatus status = Write(header.data(), header.size()); !status.Ok()) return status;
    if (!out_.Seek(end)) return {"cannot seek in the output"};
    return {};
}

StreamingWriter::Slot& StreamingWriter::NextFreeSlot(WriteStatus& status) {
    // Slots are taken in turn and blocks written in order, so the next slot is the one whose
    // block is the first still to be written.
    Slot& slot = slots_[nextSlot_];
    while (slot.busy && status.Ok()) status = WriteReady(true);
    return slot;
}

WriteStatus StreamingWriter::WriteReady(bool wait) {
    while (!steps_.empty()) {
        const PendingStep step = steps_.front();
        if (step.step == Step::Block) {
            Slot& slot = slots_[step.slot];
            if (!wait && !pool_.IsDone(slot.job)) break;
            wait = false;  // one block waited for is enough progress
            try {
                pool_.Wait(slot.job);
            } catch (const std::exception& e) {
                return {std::string("encoding failed: ") + e.what()};
            }
        }
        if (WriteStatus status = WriteStep(step); !status.Ok()) return status;
        steps_.pop_front();
    }
    return {};
}

WriteStatus StreamingWriter::WriteStep(const PendingStep& step) {
    PendingEntry& entry = entries_.front();
    switch (step.step) {
        case Step::Record: {
            entry.recordPosition = out_.Position();
            const uint8_t placeholder[kRecordSize] = {};
            return Write(placeholder, sizeof placeholder);
        }
        case Step::Block: {
            Slot& slot = slots_[step.slot];
            const std::vector<uint8_t>& block = slot.job.encoded;
            if (WriteStatus status = Write(block.data(), block.size()); !status.Ok()) return status;
            entry.record.blockCount += 1;
            entry.record.compressedSize += block.size();
            compressedBytes_ += block.size();
            slot.job.encoded = {};
            slot.busy = false;
            return {};
        }
        case Step::EndEntry: {
            const uint64_t end = out_.Position();
            const auto bytes = RecordBytes(entry.record);
            if (!out_.Seek(entry.recordPosition)) return {"cannot seek in the output"};
            if (WriteStatus status = Write(bytes.data(), bytes.size()); !status.Ok()) return status;
            if (!out_.Seek(end)) return {"cannot seek in the output"};
            entries_.pop_front();
            return {};
        }
    }
    return {};
}

WriteStatus StreamingWriter::Write(const void* data, size_t count) {
    const auto result = out_.Write(data, count);
    if (result.written == count) return {};
    return {result.diskFull ? "the disk is full" : "write error"};
}

}  // namespace vexa::pack
