#include "pe/pe_signature.h"

#include <cstring>

#include "pe_checksum.h"

namespace vexa::pe {

namespace {

constexpr size_t kDirectoryEntrySize = 8;

}  // namespace

SignatureRemoval RemoveSignature(std::vector<uint8_t>& image) {
    SignatureRemoval removal;
    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    if (!layout || layout->directories.size() <= kCertificateDirectory) return removal;
    const size_t entry = layout->directoriesOffset + kCertificateDirectory * kDirectoryEntrySize;
    // The entry holds a file offset (not an address) and the table's size.
    const uint64_t offset = layout->Directory(kCertificateDirectory).address;
    const uint64_t size = layout->Directory(kCertificateDirectory).size;
    if (offset == 0 && size == 0) return removal;
    if (offset + size != image.size() || offset < entry + kDirectoryEntrySize) {
        removal.error = "its certificate table (" + std::to_string(size) + " bytes at offset " +
                        std::to_string(offset) + ") is not at the end of the file, after the image";
        return removal;
    }
    image.resize(size_t(offset));
    std::memset(image.data() + entry, 0, kDirectoryEntrySize);
    // A checksum the signer wrote covers the signed file; the image gets the one of its own
    // bytes back, as the linker wrote it (zero stays zero: "none").
    if (LoadLe(image, layout->checksumOffset, 4) != 0)
        StoreLe(image, layout->checksumOffset, 4, PeChecksum(image, layout->checksumOffset));
    removal.removed = true;
    removal.certificateBytes = size;
    return removal;
}

std::optional<uint16_t> PeMachine(const std::vector<uint8_t>& image) {
    // Only the COFF header's first field is needed, so a file cut short after it still tells.
    constexpr size_t kNewHeaderOffsetField = 0x3C;
    if (image.size() < kNewHeaderOffsetField + 4 || image[0] != 'M' || image[1] != 'Z')
        return std::nullopt;
    const size_t pe = LoadLe(image, kNewHeaderOffsetField, 4);
    if (pe > image.size() || image.size() - pe < 6 || std::memcmp(&image[pe], "PE\0\0", 4) != 0)
        return std::nullopt;
    return uint16_t(LoadLe(image, pe + 4, 2));
}

}  // namespace vexa::pe
