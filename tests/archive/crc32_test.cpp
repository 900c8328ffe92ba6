// CRC-32 over many lengths, alignments and masks, through both ways of folding bytes, held
// against a byte-at-a-time CRC and, where the build has it, zlib's crc32.
#include "crc32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "test_support.h"

#ifdef VEXA_TEST_HAVE_ZLIB
#include <zlib.h>
#endif

namespace vexa::test {
namespace {

// The register after each byte, one table lookup per byte (kTables[0] is pinned to the
// polynomial elsewhere). Starts from the standard 0xFFFFFFFF and returns the complement.
uint32_t ByteAtATime(const uint8_t* bytes, size_t count, uint8_t mask) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < count; ++i)
        crc = crc_detail::kTables[0][(crc ^ bytes[i] ^ mask) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

using Fold = uint32_t (*)(uint32_t, const uint8_t*, size_t, uint8_t, uint8_t*);

std::vector<std::pair<const char*, Fold>> Paths() {
    std::vector<std::pair<const char*, Fold>> paths = {{"tables", crc_detail::FoldByTables}};
    if (crc_detail::HasCarrylessMultiply())
        paths.push_back({"carry-less multiply", crc_detail::FoldByCarrylessMultiply});
    else
        std::printf("note: no carry-less multiply on this processor; its path is not run\n");
    return paths;
}

Bytes Random(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes bytes(size);
    for (auto& b : bytes) b = uint8_t(rng());
    return bytes;
}

TEST(CrcPaths, EveryLengthAndAlignmentMatchesTheByteAtATimeCrc) {
    const Bytes data = Random(4096 + 64, 3);
    for (const auto& [name, fold] : Paths()) {
        SCOPED_TRACE(name);
        for (uint8_t mask : {0x00, 0x6D, 0xFF}) {
            for (size_t offset = 0; offset < 16; ++offset) {
                for (size_t length = 0; length <= 300; ++length) {
                    const uint8_t* bytes = data.data() + offset;
                    ASSERT_EQ(~fold(0xFFFFFFFFu, bytes, length, mask, nullptr),
                              ByteAtATime(bytes, length, mask))
                        << "mask " << int(mask) << ", offset " << offset << ", length " << length;
                }
            }
            for (size_t length : {511, 512, 513, 1000, 4095, 4096}) {
                ASSERT_EQ(~fold(0xFFFFFFFFu, data.data() + 3, length, mask, nullptr),
                          ByteAtATime(data.data() + 3, length, mask))
                    << length;
            }
        }
    }
}

TEST(CrcPaths, UnmaskingStoresEveryByteXoredAndGivesTheSameCrc) {
    // Into another buffer and in place, across the lanes, the word loop and the byte tail; the
    // bytes around the stored range stay untouched.
    const Bytes data = Random(2048, 7);
    for (const auto& [name, fold] : Paths()) {
        SCOPED_TRACE(name);
        for (size_t offset : {0, 5}) {
            for (size_t length : {0, 1, 7, 8, 9, 63, 64, 65, 100, 127, 128, 1000, 2000}) {
                const uint8_t* bytes = data.data() + offset;
                Bytes expected(bytes, bytes + length);
                for (auto& b : expected) b ^= 0x6D;
                const uint32_t crc = ByteAtATime(bytes, length, 0x6D);

                Bytes other(length + 2, 0xAA);
                EXPECT_EQ(~fold(0xFFFFFFFFu, bytes, length, 0x6D, other.data() + 1), crc);
                EXPECT_EQ(Bytes(other.begin() + 1, other.end() - 1), expected) << length;
                EXPECT_EQ(other.front(), 0xAA);
                EXPECT_EQ(other.back(), 0xAA);

                Bytes inPlace(bytes, bytes + length);
                EXPECT_EQ(~fold(0xFFFFFFFFu, inPlace.data(), length, 0x6D, inPlace.data()), crc);
                EXPECT_EQ(inPlace, expected) << length;
            }
        }
    }
    // The accumulator's form, in pieces.
    Bytes stored = data;
    CrcAccumulator crc;
    crc.UpdateUnmasking(stored.data(), 700, 0x6D);
    crc.UpdateUnmasking(stored.data() + 700, stored.size() - 700, 0x6D);
    EXPECT_EQ(crc.Value(), ByteAtATime(data.data(), data.size(), 0x6D));
    for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ(stored[i], data[i] ^ 0x6D) << i;
}

// The test command runs the 32-bit build on emulated processors with and without the carry-less
// multiply and names which in VEXA_EXPECT_CARRYLESS ("1" or "0"), so that each run proves the
// CRC path it meant to cover was taken.
TEST(CrcPaths, ProcessorFeatureIsTheOneThisRunExpects) {
    const char* expected = std::getenv("VEXA_EXPECT_CARRYLESS");
    if (!expected) GTEST_SKIP() << "VEXA_EXPECT_CARRYLESS not set";
    EXPECT_EQ(crc_detail::HasCarrylessMultiply(), std::string(expected) == "1");
}

TEST(CrcPaths, PiecesInAnyCutGiveTheWholeCrc) {
    // The accumulator carries its register from call to call, whichever path each call takes.
    const Bytes data = Random(70000, 4);
    const uint32_t whole = ByteAtATime(data.data(), data.size(), kScrambleMask);
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        CrcAccumulator crc;
        size_t at = 0;
        while (at < data.size()) {
            const size_t piece =
                std::min<size_t>(data.size() - at, rng() % (round < 20 ? 100 : 9000));
            crc.Update(data.data() + at, piece, kScrambleMask);
            at += piece;
        }
        ASSERT_EQ(crc.Value(), whole) << round;
    }
}

#ifdef VEXA_TEST_HAVE_ZLIB
TEST(CrcPaths, AgreesWithZlib) {
    const Bytes data = Random(1 << 20, 6);
    for (size_t offset : {0, 1, 7, 13}) {
        for (size_t length : {0, 1, 15, 16, 63, 64, 65, 127, 1000, 65536, (1 << 20) - 13}) {
            const uint8_t* bytes = data.data() + offset;
            const uint32_t expected = uint32_t(crc32(0, bytes, uInt(length)));
            EXPECT_EQ(Crc32(bytes, length), expected) << offset << " " << length;
            for (const auto& [name, fold] : Paths())
                EXPECT_EQ(~fold(0xFFFFFFFFu, bytes, length, 0, nullptr), expected)
                    << name << " " << length;
        }
    }
    // The mask folded in gives zlib's CRC of the plain bytes.
    const Bytes stored = Scrambled(data);
    CrcAccumulator folded;
    folded.Update(stored.data(), stored.size(), kScrambleMask);
    EXPECT_EQ(folded.Value(), uint32_t(crc32(0, data.data(), uInt(data.size()))));
}
#endif

}  // namespace
}  // namespace vexa::test
