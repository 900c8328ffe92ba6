#include "decode_entry.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "block_decoder.h"
#include "coder_rules.h"
#include "crc32.h"
#include "stream.h"

namespace vexa {

namespace {

// One decode runs at a time per process (callers serialise extractions), so the table lives in
// static storage rather than being allocated for every entry.
PredictionTable& SharedTable() {
    static PredictionTable table;
    return table;
}

void ReportProgress(ProgressCallback progress, uint64_t block, uint64_t blocks) {
    if (progress) progress(int(double(block) / double(blocks) * 100.0));
}

}  // namespace

Result DecodeEntry(VEXA_STREAM& stream, const char* name, uint8_t* buffer, const BlockSink& sink,
                   ProgressCallback progress) {
    VEXA_ENTRY entry;
    uint64_t recordOffset;
    if (std::strlen(name) > kNameFieldSize ||
        FindRecord(stream, name, &entry, &recordOffset) != Result::Success)
        return Result::NotFound;
    if (!stream.archive.Seek(recordOffset + kRecordSize)) return Result::ArchiveCorrupt;

    PredictionTable& table = SharedTable();
    CrcAccumulator crc;
    size_t pending = 0;
    std::vector<uint8_t> payload;

    for (uint64_t block = 0; block < entry.blockCount; ++block) {
        uint8_t headerBytes[kBlockHeaderSize];
        if (stream.archive.ReadFully(headerBytes, kBlockHeaderSize) != kBlockHeaderSize)
            return Result::ArchiveCorrupt;
        ReportProgress(progress, block, entry.blockCount);
        // The previous block is handed over, and a cancel honoured, only once the next block's
        // header has arrived.
        if (pending > 0) {
            if (const Result r = sink(buffer, pending); r != Result::Success) return r;
            pending = 0;
        }
        if (stream.cancel.PollAndReset()) return Result::InvalidArgument;

        const uint64_t bits = LoadLE32(headerBytes) >> 3;
        const size_t payloadBytes = size_t((bits + 7) / 8);
        if (payloadBytes == 0) return Result::ArchiveCorrupt;
#if __cpp_exceptions
        try {
            payload.resize(payloadBytes);
        } catch (const std::bad_alloc&) {
            return Result::Unknown;
        }
#else
        payload.resize(payloadBytes);  // the self-extractor stops with a message box instead
#endif
        if (stream.archive.ReadFully(payload.data(), payloadBytes) != payloadBytes)
            return Result::ArchiveCorrupt;

        const BlockOutcome outcome =
            DecodeBlock(payload.data(), payloadBytes, bits, buffer, kOutputBufferSize, table);
        if (outcome.result != Result::Success) return outcome.result;
        crc.Update(buffer, outcome.produced, kScrambleMask);
        pending = outcome.produced;
    }
    if (pending > 0) {
        if (const Result r = sink(buffer, pending); r != Result::Success) return r;
    }
    if (progress) progress(100);
    // With no content the register was never fed and its complement is 0, the crc of nothing.
    return crc.Value() == entry.crc ? Result::Success : Result::ArchiveCorrupt;
}

void Descramble(uint8_t* data, size_t count) {
    // Whole words first, then the 0-7 bytes left over; the same as a byte-wise XOR.
    constexpr uint64_t kMaskWord = 0x0101010101010101ull * kScrambleMask;
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, 8);
        word ^= kMaskWord;
        std::memcpy(data + i, &word, 8);
    }
    for (; i < count; ++i) data[i] ^= kScrambleMask;
}

Result DecodeEntryTo(void* handle, const char* name,
                     const std::function<Result(const uint8_t* data, size_t count)>& sink,
                     ProgressCallback progress) {
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kOutputBufferSize]);
    if (!buffer) return Result::Unknown;
    return DecodeEntry(
        *static_cast<VEXA_STREAM*>(handle), name, buffer.get(),
        [&](uint8_t* data, size_t count) {
            Descramble(data, count);
            return sink(data, count);
        },
        progress);
}

}  // namespace vexa
