#include "pe/pe_image.h"

#include <algorithm>
#include <cstring>

namespace vexa::pe {

namespace {

constexpr size_t kNewHeaderOffsetField = 0x3C;
constexpr size_t kCoffHeaderSize = 20;  // after the 4-byte "PE\0\0"
constexpr uint16_t kOptionalMagic32 = 0x10B;
constexpr uint16_t kOptionalMagic64 = 0x20B;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kSectionHeaderSize = 40;
// The directory count is the last field before the directories; the fields before it (image
// base, stack and heap sizes) are 8 bytes wide in PE32+.
constexpr size_t kDirectoryCountField32 = 92;
constexpr size_t kDirectoryCountField64 = 108;

}  // namespace

const PeSection* PeLayout::SectionAt(uint32_t rva) const {
    for (const PeSection& section : sections) {
        const uint64_t span = std::max(section.virtualSize, section.rawSize);
        if (rva >= section.virtualAddress && rva - uint64_t(section.virtualAddress) < span)
            return &section;
    }
    return nullptr;
}

const PeSection* PeLayout::SectionHolding(uint32_t rva, uint32_t size) const {
    // Not through SectionAt: an empty range at the very end of a section's data lies in it too
    // (a resource section may end with an empty resource).
    for (const PeSection& section : sections)
        if (rva >= section.virtualAddress &&
            uint64_t(rva - section.virtualAddress) + size <= section.rawSize)
            return &section;
    return nullptr;
}

std::optional<size_t> PeLayout::FileOffset(uint32_t rva, uint32_t size) const {
    const PeSection* section = SectionHolding(rva, size);
    if (!section) return std::nullopt;
    return size_t(section->rawPointer) + (rva - section->virtualAddress);
}

uint64_t PeLayout::RawEnd() const {
    uint64_t end = sizeOfHeaders;
    for (const PeSection& section : sections)
        if (section.rawSize != 0)
            end = std::max(end, uint64_t(section.rawPointer) + section.rawSize);
    return end;
}

std::optional<PeLayout> ReadPeLayout(std::span<const uint8_t> image, std::string& fault) {
    if (image.size() < kNewHeaderOffsetField + 4 || image[0] != 'M' || image[1] != 'Z') {
        fault = "not a Windows program (no MZ header)";
        return std::nullopt;
    }
    const size_t pe = LoadLe(image, kNewHeaderOffsetField, 4);
    if (pe > image.size() || image.size() - pe < 4 + kCoffHeaderSize + 2 ||
        std::memcmp(image.data() + pe, "PE\0\0", 4) != 0) {
        fault = "not a Windows program (no PE header)";
        return std::nullopt;
    }
    const size_t coff = pe + 4;
    PeLayout layout;
    layout.machine = uint16_t(LoadLe(image, coff, 2));
    const size_t sectionCount = LoadLe(image, coff + 2, 2);
    const size_t optionalSize = LoadLe(image, coff + 16, 2);
    layout.optionalOffset = coff + kCoffHeaderSize;
    const size_t optional = layout.optionalOffset;
    const uint16_t magic = uint16_t(LoadLe(image, optional, 2));
    if (magic != kOptionalMagic32 && magic != kOptionalMagic64) {
        fault = "unknown optional header kind";
        return std::nullopt;
    }
    layout.pe32Plus = magic == kOptionalMagic64;
    const size_t countField = layout.pe32Plus ? kDirectoryCountField64 : kDirectoryCountField32;
    if (optionalSize < countField + 4 || image.size() - optional < optionalSize) {
        fault = "the optional header is cut short";
        return std::nullopt;
    }
    layout.sectionAlignment = LoadLe(image, optional + 32, 4);
    layout.fileAlignment = LoadLe(image, optional + 36, 4);
    layout.sizeOfImageOffset = optional + 56;
    layout.sizeOfImage = LoadLe(image, layout.sizeOfImageOffset, 4);
    layout.sizeOfHeaders = LoadLe(image, optional + 60, 4);
    layout.checksumOffset = optional + 64;
    layout.initializedDataOffset = optional + 8;
    layout.directoriesOffset = optional + countField + 4;
    const size_t directoryCount =
        std::min<size_t>(LoadLe(image, optional + countField, 4),
                         (optionalSize - countField - 4) / kDirectoryEntrySize);
    for (size_t i = 0; i < directoryCount; ++i) {
        const size_t at = layout.directoriesOffset + i * kDirectoryEntrySize;
        layout.directories.push_back({LoadLe(image, at, 4), LoadLe(image, at + 4, 4)});
    }

    const size_t table = optional + optionalSize;
    if ((image.size() - table) / kSectionHeaderSize < sectionCount) {
        fault = "the section table is cut short";
        return std::nullopt;
    }
    for (size_t i = 0; i < sectionCount; ++i) {
        const size_t at = table + i * kSectionHeaderSize;
        PeSection section;
        const char* name = reinterpret_cast<const char*>(image.data() + at);
        section.name.assign(name, strnlen(name, 8));
        section.virtualSize = LoadLe(image, at + 8, 4);
        section.virtualAddress = LoadLe(image, at + 12, 4);
        section.rawSize = LoadLe(image, at + 16, 4);
        section.rawPointer = LoadLe(image, at + 20, 4);
        section.characteristics = LoadLe(image, at + 36, 4);
        section.headerOffset = at;
        if (section.rawSize != 0 && uint64_t(section.rawPointer) + section.rawSize > image.size()) {
            fault = "section " + section.name + " lies past the end of the file";
            return std::nullopt;
        }
        layout.sections.push_back(section);
    }
    return layout;
}

std::string MachineName(uint16_t machine) {
    switch (machine) {
        case kMachineI386:
            return "x86";
        case kMachineAmd64:
            return "x64";
        case 0xAA64:
            return "ARM64";
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string name = "machine 0x";
    for (int shift = 12; shift >= 0; shift -= 4) name += kHex[(machine >> shift) & 15];
    return name;
}

}  // namespace vexa::pe
