#include "crc32.h"

#include <cstring>

#include "format.h"

namespace vexa {

uint32_t CrcAccumulator::Update(const uint8_t* bytes, size_t count, uint8_t mask) {
    const auto& t = crc_detail::kTables;
    uint32_t crc = register_;
    const uint64_t mask8 = 0x0101010101010101ull * mask;
    while (count >= 8) {
        uint64_t word = uint64_t(LoadLE32(bytes)) | uint64_t(LoadLE32(bytes + 4)) << 32;
        word ^= mask8 ^ crc;
        crc = t[7][word & 0xFF] ^ t[6][(word >> 8) & 0xFF] ^ t[5][(word >> 16) & 0xFF] ^
              t[4][(word >> 24) & 0xFF] ^ t[3][(word >> 32) & 0xFF] ^ t[2][(word >> 40) & 0xFF] ^
              t[1][(word >> 48) & 0xFF] ^ t[0][word >> 56];
        bytes += 8;
        count -= 8;
    }
    while (count--) crc = t[0][(crc ^ *bytes++ ^ mask) & 0xFF] ^ (crc >> 8);
    register_ = crc;
    return ~crc;
}

uint32_t Crc32(const uint8_t* bytes, size_t count) {
    CrcAccumulator crc;
    return crc.Update(bytes, count);
}

}  // namespace vexa
