// On-disk layout of an archive: header, entry record, block framing and the fixed constants
// shared by the reader and the writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The two records, shared with the C header of the library.
#include "vexa_records.h"

namespace vexa {

// The two signature halves are kept as enumerators so that the program image never holds
// the 8-byte sequence: only an appended archive may spell it out.
enum : uint32_t {
    kSignatureWord = 0x41584556u,  // "VEXA" read little-endian
    kFormatTag = 0x8F000001u,
};
enum : uint8_t { kSignatureFirstByte = 0x56 };  // 'V'

constexpr size_t kHeaderSize = sizeof(VEXA_HEADER);
constexpr size_t kRecordSize = sizeof(VEXA_ENTRY);
constexpr size_t kNameFieldSize = 100;
constexpr size_t kMaxNameLength = kNameFieldSize - 1;

constexpr uint8_t kScrambleMask = 0x6D;
constexpr uint32_t kAttributeMask = 0x3F;
constexpr uint32_t kAttributeReadOnly = 0x01;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;

// Output of one block never exceeds the decoder's buffer; writers cut content into blocks of
// kBlockSize bytes.
constexpr size_t kOutputBufferSize = 4194560;  // 4 MiB + 256
constexpr size_t kBlockSize = 4194304;         // 4 MiB
constexpr uint64_t kMaxPayloadBits = (uint64_t{1} << 29) - 1;
constexpr size_t kBlockHeaderSize = 4;

// Little-endian field access, independent of the host's byte order.
inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t LoadLE64(const uint8_t* p) {
    return LoadLE32(p) | uint64_t(LoadLE32(p + 4)) << 32;
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void StoreLE64(uint8_t* p, uint64_t v) {
    StoreLE32(p, uint32_t(v));
    StoreLE32(p + 4, uint32_t(v >> 32));
}

// True when the 8 bytes at p are the archive signature.
inline bool IsSignature(const uint8_t* p) {
    return LoadLE32(p) == kSignatureWord && LoadLE32(p + 4) == kFormatTag;
}

// Records and headers travel as raw bytes; these convert with explicit byte order.
VEXA_HEADER ParseHeader(const uint8_t* bytes);
void SerializeHeader(const VEXA_HEADER& header, uint8_t* bytes);
VEXA_ENTRY ParseEntry(const uint8_t* bytes);
void SerializeEntry(const VEXA_ENTRY& entry, uint8_t* bytes);

// Length of a record's name, never reading past the 100-byte field.
inline size_t EntryNameLength(const VEXA_ENTRY& entry) {
    const void* nul = std::memchr(entry.name, 0, kNameFieldSize);
    return nul ? size_t(static_cast<const char*>(nul) - entry.name) : kNameFieldSize;
}

}  // namespace vexa
