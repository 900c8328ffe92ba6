// The PE header checksum: the 16-bit one's-complement-style sum of the file's 16-bit words, the
// checksum field itself left out, plus the file's length. Windows checks it only for drivers
// and system DLLs, but tools and reputation services compare it, so a rewritten image that had
// one gets it recomputed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vexa::pe {

uint32_t PeChecksum(std::span<const uint8_t> image, size_t checksumOffset);

}  // namespace vexa::pe
