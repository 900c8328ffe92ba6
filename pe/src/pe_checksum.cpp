#include "pe_checksum.h"

namespace vexa::pe {

uint32_t PeChecksum(std::span<const uint8_t> image, size_t checksumOffset) {
    uint64_t sum = 0;
    for (size_t i = 0; i < image.size(); i += 2) {
        if (i == checksumOffset || i == checksumOffset + 2) continue;
        sum += image[i] | (i + 1 < image.size() ? uint32_t(image[i + 1]) << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return uint32_t(sum + image.size());
}

}  // namespace vexa::pe
