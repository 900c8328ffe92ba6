// The archive writer: encodes content into blocks the reader decodes, and lays out the
// container (header, records, block data).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format.h"

namespace vexa::pack {

// Encodes one block of plain content (at most kBlockSize bytes) into its stored form: the
// 4-byte block header followed by the payload. Scrambling happens inside. Deterministic.
std::vector<uint8_t> EncodeBlock(std::span<const uint8_t> plain);

// What a record says about an entry besides its content.
struct EntryMeta {
    std::string name;  // backslash-separated, at most kMaxNameLength bytes
    uint32_t attributes = kAttributeArchive;
    uint64_t modificationTime = 0;  // FILETIME units
};

// A record for `meta` with the content fields still zero. Throws std::invalid_argument for a
// name that does not fit the record.
VEXA_ENTRY NewRecord(const EntryMeta& meta);

struct EncodedEntry {
    VEXA_ENTRY record{};        // name, crc, block count, sizes, time, attributes filled in
    std::vector<uint8_t> data;  // all blocks, back to back (record.compressedSize bytes)
};

// Cuts content into blocks of kBlockSize and encodes them, on up to `threads` threads.
// The result does not depend on the thread count. Throws std::invalid_argument for a name
// that does not fit the record.
EncodedEntry EncodeEntry(const EntryMeta& meta, std::span<const uint8_t> content,
                         unsigned threads = 1);

// 24-byte header bytes for an archive of `entryCount` entries.
std::vector<uint8_t> HeaderBytes(uint64_t entryCount, uint64_t headerWord = 2);

// 144-byte record bytes.
std::vector<uint8_t> RecordBytes(const VEXA_ENTRY& record);

// A whole archive in memory: header, then each entry's record and data.
std::vector<uint8_t> BuildArchive(const std::vector<EncodedEntry>& entries,
                                  uint64_t headerWord = 2);

}  // namespace vexa::pack
