// Encodes a batch of blocks on several threads; the output does not depend on the thread count.
#pragma once

#include <cstdint>
#include <vector>

namespace vexa::cli {

// Encodes each plain block into its stored form (block header and payload), using up to
// `threads` threads. Rethrows the first exception an encoder threw.
std::vector<std::vector<uint8_t>> EncodeBlocks(
    const std::vector<const std::vector<uint8_t>*>& plain, unsigned threads);

// The number of encoding threads to use on this machine.
unsigned DefaultThreadCount();

}  // namespace vexa::cli
