#include "format.h"

namespace vexa {

VEXA_HEADER ParseHeader(const uint8_t* bytes) {
    VEXA_HEADER header;
    std::memcpy(header.signature, bytes, 4);
    header.formatTag = LoadLE32(bytes + 4);
    header.entryCount = LoadLE64(bytes + 8);
    header.headerWord = LoadLE64(bytes + 16);
    return header;
}

void SerializeHeader(const VEXA_HEADER& header, uint8_t* bytes) {
    std::memcpy(bytes, header.signature, 4);
    StoreLE32(bytes + 4, header.formatTag);
    StoreLE64(bytes + 8, header.entryCount);
    StoreLE64(bytes + 16, header.headerWord);
}

VEXA_ENTRY ParseEntry(const uint8_t* bytes) {
    VEXA_ENTRY entry;
    std::memcpy(entry.name, bytes, kNameFieldSize);
    entry.crc = LoadLE32(bytes + 100);
    entry.blockCount = LoadLE64(bytes + 104);
    entry.compressedSize = LoadLE64(bytes + 112);
    entry.originalSize = LoadLE64(bytes + 120);
    entry.modificationTime = LoadLE64(bytes + 128);
    entry.attributes = LoadLE32(bytes + 136);
    entry.reserved = LoadLE32(bytes + 140);
    return entry;
}

void SerializeEntry(const VEXA_ENTRY& entry, uint8_t* bytes) {
    std::memcpy(bytes, entry.name, kNameFieldSize);
    StoreLE32(bytes + 100, entry.crc);
    StoreLE64(bytes + 104, entry.blockCount);
    StoreLE64(bytes + 112, entry.compressedSize);
    StoreLE64(bytes + 120, entry.originalSize);
    StoreLE64(bytes + 128, entry.modificationTime);
    StoreLE32(bytes + 136, entry.attributes);
    StoreLE32(bytes + 140, entry.reserved);
}

}  // namespace vexa
