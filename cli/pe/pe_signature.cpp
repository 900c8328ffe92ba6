#include "pe/pe_signature.h"

#include <cstring>
#include <optional>

#include "pe/pe_checksum.h"

namespace vexa::cli {

namespace {

constexpr size_t kNewHeaderOffsetField = 0x3C;
constexpr size_t kCoffHeaderSize = 20;  // after the 4-byte "PE\0\0"
constexpr uint16_t kOptionalMagic32 = 0x10B;
constexpr uint16_t kOptionalMagic64 = 0x20B;
constexpr size_t kChecksumField = 64;  // within the optional header, both kinds
constexpr uint32_t kSecurityDirectory = 4;
constexpr size_t kDirectoryEntrySize = 8;

uint32_t Load(const std::vector<uint8_t>& image, size_t at, size_t bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i) value |= uint32_t(image[at + i]) << (8 * i);
    return value;
}

void Zero(std::vector<uint8_t>& image, size_t at, size_t bytes) {
    std::memset(image.data() + at, 0, bytes);
}

// Where the "PE\0\0" header starts, if the image is a PE file with room for its COFF header and
// the optional header's magic.
std::optional<size_t> PeHeaderOffset(const std::vector<uint8_t>& image) {
    if (image.size() < kNewHeaderOffsetField + 4 || image[0] != 'M' || image[1] != 'Z')
        return std::nullopt;
    const size_t pe = Load(image, kNewHeaderOffsetField, 4);
    if (pe > image.size() || image.size() - pe < 4 + kCoffHeaderSize + 2) return std::nullopt;
    if (std::memcmp(image.data() + pe, "PE\0\0", 4) != 0) return std::nullopt;
    return pe;
}

// Where the security directory entry sits in the file, if the image is a PE file that has one.
std::optional<size_t> SecurityEntryOffset(const std::vector<uint8_t>& image,
                                          size_t& checksumOffset) {
    const auto header = PeHeaderOffset(image);
    if (!header) return std::nullopt;
    const size_t pe = *header;
    const size_t optionalSize = Load(image, pe + 4 + 16, 2);
    const size_t optional = pe + 4 + kCoffHeaderSize;
    if (image.size() - optional < optionalSize) return std::nullopt;
    const uint16_t magic = uint16_t(Load(image, optional, 2));
    size_t countField = 0;
    if (magic == kOptionalMagic32)
        countField = 92;
    else if (magic == kOptionalMagic64)
        countField = 108;
    else
        return std::nullopt;
    const size_t directories = countField + 4;
    if (optionalSize < directories) return std::nullopt;
    const uint32_t count = Load(image, optional + countField, 4);
    const size_t entry = directories + kSecurityDirectory * kDirectoryEntrySize;
    if (count <= kSecurityDirectory || optionalSize < entry + kDirectoryEntrySize)
        return std::nullopt;
    checksumOffset = optional + kChecksumField;
    return optional + entry;
}

}  // namespace

SignatureRemoval RemoveSignature(std::vector<uint8_t>& image) {
    SignatureRemoval removal;
    size_t checksumOffset = 0;
    const auto entry = SecurityEntryOffset(image, checksumOffset);
    if (!entry) return removal;
    // The entry holds a file offset (not an address) and the table's size.
    const uint64_t offset = Load(image, *entry, 4);
    const uint64_t size = Load(image, *entry + 4, 4);
    if (offset == 0 && size == 0) return removal;
    if (offset + size != image.size() || offset < *entry + kDirectoryEntrySize) {
        removal.error = "its certificate table (" + std::to_string(size) + " bytes at offset " +
                        std::to_string(offset) + ") is not at the end of the file, after the image";
        return removal;
    }
    image.resize(size_t(offset));
    Zero(image, *entry, kDirectoryEntrySize);
    // A checksum the signer wrote covers the signed file; the image gets the one of its own
    // bytes back, as the linker wrote it (zero stays zero: "none").
    if (Load(image, checksumOffset, 4) != 0) {
        const uint32_t checksum = PeChecksum(image, checksumOffset);
        for (size_t i = 0; i < 4; ++i) image[checksumOffset + i] = uint8_t(checksum >> (8 * i));
    }
    removal.removed = true;
    removal.certificateBytes = size;
    return removal;
}

std::optional<uint16_t> PeMachine(const std::vector<uint8_t>& image) {
    const auto pe = PeHeaderOffset(image);
    if (!pe) return std::nullopt;
    return uint16_t(Load(image, *pe + 4, 2));
}

}  // namespace vexa::cli
