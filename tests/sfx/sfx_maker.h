// Forms self-extractors: the stub executable followed by an archive built with the writer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format.h"

namespace sfxtest {

struct ArchiveEntry {
    std::string name;  // as stored in the record, backslash-separated
    std::string content;
    uint32_t attributes = vexa::kAttributeArchive;
    bool wrongCrc = false;     // store a CRC that does not match the content
    bool damagedData = false;  // flip bytes of the stored blocks past the first block header
};

std::vector<uint8_t> BuildArchive(const std::vector<ArchiveEntry>& entries);

// Offset of the initial destination field in a stub image: 256 bytes holding NUL, "???" and
// zeros. Empty when the field is missing or not unique.
std::optional<size_t> FindDefaultDestination(const std::vector<uint8_t>& image);

// Writes stub + archive to `output`. A non-empty `initialDestination` (at most 255 characters)
// is placed into the stub's initial destination field. Returns an error text, empty on success.
std::string FormSelfExtractor(const std::string& stubPath, const std::vector<uint8_t>& archive,
                              const std::string& output,
                              const std::string& initialDestination = "");

std::vector<uint8_t> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace sfxtest
