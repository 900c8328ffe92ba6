// The rows of `vexa list`.
#pragma once

#include <cstdint>
#include <string>

#include "codepage.h"
#include "format.h"

namespace vexa::cli {

// "RHSVDA" with a dot for each attribute bit not set.
std::string FormatAttributes(uint32_t attributes);

// Packed size as a percentage of the original; "-" for empty content.
std::string FormatRatio(uint64_t original, uint64_t packed);

std::string ListingHeader();
std::string ListingRule();
// The name is converted from `codePage` and made safe to print.
std::string ListingRow(const VEXA_ENTRY& entry, const CodePage& codePage);
std::string ListingTotal(uint64_t entries, uint64_t original, uint64_t packed);

}  // namespace vexa::cli
