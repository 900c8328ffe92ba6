#include "crc32.h"

#include <cstring>

#include "format.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VEXA_CRC_CLMUL 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace vexa {

namespace crc_detail {

uint32_t FoldByTables(uint32_t crc, const uint8_t* bytes, size_t count, uint8_t mask,
                      uint8_t* unmasked) {
    const auto& t = kTables;
    const uint64_t mask8 = 0x0101010101010101ull * mask;
    while (count >= 8) {
        uint64_t word;
        std::memcpy(&word, bytes, 8);
        word ^= mask8;  // the same in either byte order
        if (unmasked) {
            std::memcpy(unmasked, &word, 8);
            unmasked += 8;
        }
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        word = __builtin_bswap64(word);
#endif
        word ^= crc;
        crc = t[7][word & 0xFF] ^ t[6][(word >> 8) & 0xFF] ^ t[5][(word >> 16) & 0xFF] ^
              t[4][(word >> 24) & 0xFF] ^ t[3][(word >> 32) & 0xFF] ^ t[2][(word >> 40) & 0xFF] ^
              t[1][(word >> 48) & 0xFF] ^ t[0][word >> 56];
        bytes += 8;
        count -= 8;
    }
    for (; count > 0; --count) {
        const uint8_t byte = *bytes++ ^ mask;
        if (unmasked) *unmasked++ = byte;
        crc = t[0][(crc ^ byte) & 0xFF] ^ (crc >> 8);
    }
    return crc;
}

#ifdef VEXA_CRC_CLMUL

namespace {

// x^n modulo the CRC polynomial, as a plain polynomial (bit i holds the coefficient of x^i).
constexpr uint32_t PowerOfX(unsigned n) {
    uint32_t r = 1;
    while (n--) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
    return r;
}

// A polynomial of degree below 32 in the bit order of the data: bit j stands for x^(63 - j).
constexpr uint64_t Reflected(uint32_t poly) {
    uint64_t r = 0;
    for (unsigned i = 0; i < 32; ++i)
        if (poly >> i & 1) r |= uint64_t{1} << (63 - i);
    return r;
}

// A 16-byte lane, read in data order, is a polynomial whose first bit has the highest degree.
// Moving it `distance` bits further on multiplies its high half by x^(distance + 64) and its
// low half by x^distance; the product of two reflected halves comes out one degree short,
// hence the - 1.
struct FoldConstants {
    uint64_t high, low;
};
constexpr FoldConstants Fold(unsigned distance) {
    return {Reflected(PowerOfX(distance + 63)), Reflected(PowerOfX(distance - 1))};
}
constexpr FoldConstants kFold512 = Fold(512), kFold128 = Fold(128);

__attribute__((target("sse2,pclmul"))) inline __m128i FoldLane(__m128i lane, __m128i k,
                                                               __m128i next) {
    const __m128i high = _mm_clmulepi64_si128(lane, k, 0x00);  // first 8 bytes x k.high
    const __m128i low = _mm_clmulepi64_si128(lane, k, 0x11);   // last 8 bytes x k.low
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

__attribute__((target("sse2,pclmul"))) inline __m128i Constants(FoldConstants f) {
    return _mm_set_epi64x(int64_t(f.low), int64_t(f.high));
}

bool DetectCarrylessMultiply() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    return (c & bit_PCLMUL) && (d & bit_SSE2);
}

const bool kHasCarrylessMultiply = DetectCarrylessMultiply();

}  // namespace

bool HasCarrylessMultiply() {
    return kHasCarrylessMultiply;
}

__attribute__((target("sse2,pclmul"))) uint32_t FoldByCarrylessMultiply(uint32_t crc,
                                                                        const uint8_t* bytes,
                                                                        size_t count, uint8_t mask,
                                                                        uint8_t* unmasked) {
    if (count < 64) return FoldByTables(crc, bytes, count, mask, unmasked);
    const __m128i maskLane = _mm_set1_epi8(char(mask));
    auto load = [&](size_t at) {
        const __m128i lane =
            _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at)), maskLane);
        if (unmasked) _mm_storeu_si128(reinterpret_cast<__m128i*>(unmasked + at), lane);
        return lane;
    };
    // Four lanes 64 bytes apart; the register so far joins the first four bytes.
    __m128i x0 = _mm_xor_si128(load(0), _mm_cvtsi32_si128(int(crc)));
    __m128i x1 = load(16), x2 = load(32), x3 = load(48);
    size_t at = 64;
    const __m128i k512 = Constants(kFold512);
    for (; count - at >= 64; at += 64) {
        x0 = FoldLane(x0, k512, load(at));
        x1 = FoldLane(x1, k512, load(at + 16));
        x2 = FoldLane(x2, k512, load(at + 32));
        x3 = FoldLane(x3, k512, load(at + 48));
    }
    const __m128i k128 = Constants(kFold128);
    __m128i x = FoldLane(FoldLane(FoldLane(x0, k128, x1), k128, x2), k128, x3);
    for (; count - at >= 16; at += 16) x = FoldLane(x, k128, load(at));
    // The last lane, with a register of zero, leaves exactly the register its bytes give.
    alignas(16) uint8_t last[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), x);
    crc = FoldByTables(0, last, 16, 0, nullptr);
    return FoldByTables(crc, bytes + at, count - at, mask, unmasked ? unmasked + at : nullptr);
}

#else

bool HasCarrylessMultiply() {
    return false;
}

uint32_t FoldByCarrylessMultiply(uint32_t crc, const uint8_t* bytes, size_t count, uint8_t mask,
                                 uint8_t* unmasked) {
    return FoldByTables(crc, bytes, count, mask, unmasked);
}

#endif

}  // namespace crc_detail

namespace {
uint32_t Fold(uint32_t crc, const uint8_t* bytes, size_t count, uint8_t mask, uint8_t* unmasked) {
    return crc_detail::HasCarrylessMultiply()
               ? crc_detail::FoldByCarrylessMultiply(crc, bytes, count, mask, unmasked)
               : crc_detail::FoldByTables(crc, bytes, count, mask, unmasked);
}
}  // namespace

uint32_t CrcAccumulator::Update(const uint8_t* bytes, size_t count, uint8_t mask) {
    register_ = Fold(register_, bytes, count, mask, nullptr);
    return ~register_;
}

uint32_t CrcAccumulator::UpdateUnmasking(uint8_t* bytes, size_t count, uint8_t mask) {
    register_ = Fold(register_, bytes, count, mask, bytes);
    return ~register_;
}

uint32_t Crc32(const uint8_t* bytes, size_t count) {
    CrcAccumulator crc;
    return crc.Update(bytes, count);
}

}  // namespace vexa
