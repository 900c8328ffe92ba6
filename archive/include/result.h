// Result codes shared by the whole library, with fixed numbers.
#pragma once

#include <cstdint>

namespace vexa {

enum class [[nodiscard]] Result : uint32_t{
    Success = 0,     Unknown = 1,        InvalidArgument = 2, ArchiveCorrupt = 3, NotFound = 4,
    EntryExists = 5, OutOfDiskSpace = 6, ModeConflict = 7,    ArchiveLocked = 8,
};

// The static message of a code; values outside the table give "Unknown <?>".
const char* ResultMessage(int code);

}  // namespace vexa
