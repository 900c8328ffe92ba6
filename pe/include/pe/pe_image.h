// The headers of a PE image (a Windows program): COFF header, optional header of either kind
// (PE32 for 32-bit programs, PE32+ for 64-bit ones), data directories and the section table, as
// far as rewriting a program's resources needs them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pe/byte_fields.h"

namespace vexa::pe {

constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kMachineAmd64 = 0x8664;

constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kCertificateDirectory = 4;
constexpr uint32_t kBaseRelocationDirectory = 5;

struct PeSection {
    std::string name;
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawPointer = 0;
    uint32_t characteristics = 0;
    size_t headerOffset = 0;  // file offset of its entry in the section table
};

struct DataDirectory {
    uint32_t address = 0;  // an RVA, but a file offset for the certificate table
    uint32_t size = 0;
};

struct PeLayout {
    uint16_t machine = 0;
    bool pe32Plus = false;
    size_t optionalOffset = 0;  // file offset of the optional header
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t sizeOfImage = 0;
    uint32_t sizeOfHeaders = 0;
    size_t checksumOffset = 0;  // file offsets of header fields rewritten with the resources
    size_t sizeOfImageOffset = 0;
    size_t initializedDataOffset = 0;
    size_t directoriesOffset = 0;            // file offset of data directory entry 0
    std::vector<DataDirectory> directories;  // the entries the optional header holds
    std::vector<PeSection> sections;

    // Zero when the header has no such entry.
    DataDirectory Directory(uint32_t index) const {
        return index < directories.size() ? directories[index] : DataDirectory{};
    }
    // The section holding `rva`, if any.
    const PeSection* SectionAt(uint32_t rva) const;
    // The section whose raw data holds all `size` bytes at `rva`, if any.
    const PeSection* SectionHolding(uint32_t rva, uint32_t size) const;
    // The file offset of `size` bytes at `rva`, when they all lie in one section's raw data.
    std::optional<size_t> FileOffset(uint32_t rva, uint32_t size) const;
    // Where the last section's raw data ends (the headers' end when there is none).
    uint64_t RawEnd() const;
};

// The layout of `image`; none when it is not a complete PE image: `fault` then says what is
// wrong. Values are checked only as far as reading them safely needs.
std::optional<PeLayout> ReadPeLayout(std::span<const uint8_t> image, std::string& fault);

// "x86", "x64", or the machine number.
std::string MachineName(uint16_t machine);

}  // namespace vexa::pe
