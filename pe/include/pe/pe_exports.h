// The names a program image exports. The self-extractor exports its eight archive functions by
// name; they can be called only inside its own process, but tools may list them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pe/pe_image.h"

namespace vexa::pe {

// The exported names in the order of the export table (sorted, as linkers write it); empty when
// the image exports nothing. None when the export table is malformed: `fault` says how. At most
// kMaxExportNames names of at most kMaxExportNameLength bytes each are read.
constexpr size_t kMaxExportNames = 4096;
constexpr size_t kMaxExportNameLength = 1024;
std::optional<std::vector<std::string>> ReadExportNames(std::span<const uint8_t> image,
                                                        const PeLayout& layout, std::string& fault);

}  // namespace vexa::pe
