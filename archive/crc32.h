// CRC-32 (the ISO-HDLC variant of zip and PNG) with the scramble mask folded in, so that the
// stored (scrambled) bytes can be checked against the CRC of the plain content.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vexa {

namespace crc_detail {
// Eight tables for slicing by 8; table 0 is the classic byte table.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeTables() {
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (int s = 1; s < 8; ++s) t[s][i] = t[0][t[s - 1][i] & 0xFF] ^ (t[s - 1][i] >> 8);
    return t;
}
inline constexpr auto kTables = MakeTables();

// The two ways of folding bytes into a register (not complemented), exposed so that tests can
// hold each against the other: eight table lookups per word, anywhere; and carry-less multiplies
// of 16-byte lanes, only where HasCarrylessMultiply(). Each byte is XORed with `mask` before it
// is folded in; when `unmasked` is not null, the XORed bytes are also stored there, which may be
// `bytes` itself, so that one pass both checks and restores the content.
uint32_t FoldByTables(uint32_t crc, const uint8_t* bytes, size_t count, uint8_t mask,
                      uint8_t* unmasked);
bool HasCarrylessMultiply();
uint32_t FoldByCarrylessMultiply(uint32_t crc, const uint8_t* bytes, size_t count, uint8_t mask,
                                 uint8_t* unmasked);
}  // namespace crc_detail

class CrcAccumulator {
  public:
    // Folds `count` bytes, each XORed with `mask` first, into the register; returns the CRC of
    // everything folded in so far.
    uint32_t Update(const uint8_t* bytes, size_t count, uint8_t mask = 0);
    // The same, and leaves each byte XORed with `mask` in place.
    uint32_t UpdateUnmasking(uint8_t* bytes, size_t count, uint8_t mask);
    uint32_t Value() const { return ~register_; }
    void Restart() { register_ = 0xFFFFFFFFu; }

  private:
    uint32_t register_ = 0xFFFFFFFFu;
};

// CRC-32 of a plain buffer.
uint32_t Crc32(const uint8_t* bytes, size_t count);

}  // namespace vexa
