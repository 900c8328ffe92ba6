#include "decode_entry.h"

#include <algorithm>
#include <cstring>

#include "block_decoder.h"
#include "coder_rules.h"
#include "crc32.h"
#include "read_ahead.h"
#include "stream.h"

namespace vexa {

namespace {

void ReportProgress(ProgressCallback progress, uint64_t block, uint64_t blocks) {
    if (progress) progress(int(double(block) / double(blocks) * 100.0));
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
    return a + b < a ? ~uint64_t{0} : a + b;
}

}  // namespace

Result DecodeEntry(VEXA_STREAM& stream, const char* name, uint8_t* buffer, const BlockSink& sink,
                   ProgressCallback progress) {
    VEXA_ENTRY entry;
    uint64_t recordOffset;
    if (std::strlen(name) > kNameFieldSize ||
        FindRecord(stream, name, &entry, &recordOffset) != Result::Success)
        return Result::NotFound;

    DecodeScratch& scratch = stream.scratch;
    PredictionTable* table = scratch.Table();
    uint8_t* readAheadBuffer = scratch.ReadAhead();
    if (!table || !readAheadBuffer) return Result::Unknown;

    // Every payload lies inside the entry's data and inside the file. A block header may still
    // be read just past the data (a record claiming more blocks than it holds); its payload is
    // then refused.
    const uint64_t dataStart = recordOffset + kRecordSize;
    const uint64_t dataEnd = SaturatingAdd(dataStart, entry.compressedSize);
    const uint64_t fileEnd = stream.window.FileSize();
    const uint64_t payloadLimit = std::min(dataEnd, fileEnd);
    RangeReader archive(stream.window, readAheadBuffer, kReadAheadSize, dataStart,
                        std::min(SaturatingAdd(dataEnd, kBlockHeaderSize), fileEnd));

    CrcAccumulator crc;
    uint64_t produced = 0;
    size_t pending = 0;

    for (uint64_t block = 0; block < entry.blockCount; ++block) {
        uint8_t headerBytes[kBlockHeaderSize];
        if (archive.Read(headerBytes, kBlockHeaderSize) != kBlockHeaderSize)
            return Result::ArchiveCorrupt;
        ReportProgress(progress, block, entry.blockCount);
        // The previous block is handed over, and a cancel honoured, only once the next block's
        // header has arrived.
        if (pending > 0) {
            if (const Result r = sink(buffer, pending); r != Result::Success) return r;
            pending = 0;
        }
        if (stream.cancel.PollAndReset()) return Result::InvalidArgument;

        // A payload the archive cannot hold is refused before any memory is spent on it.
        const uint64_t bits = LoadLE32(headerBytes) >> 3;
        const uint64_t payloadBytes = (bits + 7) / 8;
        const uint64_t at = archive.Position();
        if (payloadBytes == 0 || at > payloadLimit || payloadBytes > payloadLimit - at)
            return Result::ArchiveCorrupt;
        uint8_t* payload = scratch.Payload(size_t(payloadBytes));
        if (!payload) return Result::Unknown;
        if (archive.Read(payload, size_t(payloadBytes)) != payloadBytes)
            return Result::ArchiveCorrupt;

        const BlockOutcome outcome =
            DecodeBlock(payload, size_t(payloadBytes), bits, buffer, kOutputBufferSize, *table);
        if (outcome.result != Result::Success) return outcome.result;
        // One pass checks the block and restores its plain bytes for the sink.
        crc.UpdateUnmasking(buffer, outcome.produced, kScrambleMask);
        produced += outcome.produced;
        scratch.Work().bytesProduced += outcome.produced;
        pending = outcome.produced;
    }
    if (pending > 0) {
        if (const Result r = sink(buffer, pending); r != Result::Success) return r;
    }
    if (progress) progress(100);
    // With no content the register was never fed and its complement is 0, the crc of nothing.
    // Content of another length than the record's is corrupt even when its CRC matches: a
    // cut or padded file must never pass as whole.
    const bool intact = crc.Value() == entry.crc && produced == entry.originalSize;
    return intact ? Result::Success : Result::ArchiveCorrupt;
}

DecodeWork WorkOf(void* handle) {
    VEXA_STREAM& stream = *static_cast<VEXA_STREAM*>(handle);
    DecodeWork work = stream.scratch.Work();
    work.archiveBytesRead = stream.archive.BytesRead();
    return work;
}

Result DecodeEntryTo(void* handle, const char* name,
                     const std::function<Result(const uint8_t* data, size_t count)>& sink,
                     ProgressCallback progress) {
    VEXA_STREAM& stream = *static_cast<VEXA_STREAM*>(handle);
    uint8_t* buffer = stream.scratch.Output();
    if (!buffer) return Result::Unknown;
    return DecodeEntry(stream, name, buffer, sink, progress);
}

}  // namespace vexa
