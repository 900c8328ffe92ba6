// The writer: every block it encodes decodes back to its input through the reader's decoder.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "../archive/test_support.h"
#include "block_decoder.h"
#include "writer.h"

namespace vexa::test {
namespace {

// Decodes one encoded block (header + payload) and descrambles it.
Bytes DecodeBack(const Bytes& block) {
    static auto table = std::make_unique<PredictionTable>();
    static auto out = std::make_unique<uint8_t[]>(kOutputBufferSize);
    const uint64_t bits = LoadLE32(block.data()) >> 3;
    EXPECT_EQ(block.size() - 4, (bits + 7) / 8);
    EXPECT_EQ(block[0] & 7, 1);  // writers store 1 in the low bits
    const BlockOutcome o =
        DecodeBlock(block.data() + 4, block.size() - 4, bits, out.get(), kOutputBufferSize, *table);
    EXPECT_EQ(o.result, Result::Success);
    EXPECT_EQ(o.bitsRead, bits);  // the last token ends exactly at N
    return Scrambled(Bytes(out.get(), out.get() + o.produced));
}

TEST(EncodeBlock, RoundTripsThroughTheDecoder) {
    Bytes periodic;
    for (int i = 0; i < 100000; ++i) periodic.push_back(uint8_t("abcabd"[i % 6]));
    struct Case {
        const char* what;
        Bytes plain;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"one byte", {42}},
        {"three bytes", {1, 2, 3}},
        {"runs", Concat(Bytes(5000, 0x6D), Bytes(3000, 0))},
        {"periodic", periodic},
        {"text", SampleText(300000, 7)},
        {"binary", SampleBinary(300000, 8)},
        {"every byte value",
         [] {
             Bytes b;
             for (int r = 0; r < 40; ++r)
                 for (int v = 0; v < 256; ++v) b.push_back(uint8_t(v * (r + 1)));
             return b;
         }()},
        {"a whole block", SampleBinary(kBlockSize, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(DecodeBack(pack::EncodeBlock(c.plain)) == c.plain);
    }
    EXPECT_THROW(pack::EncodeBlock(Bytes(kBlockSize + 1)), std::invalid_argument);
}

TEST(EncodeBlock, LiteralWidthIsTheSmallestThatHoldsEveryLiteral) {
    struct Case {
        Bytes stored;  // the decoder's output bytes
        unsigned width;
    };
    const Case cases[] = {
        {Bytes(1000, 0), 0},            // all zero: one bit a literal
        {{0x0F, 0x01, 0x02, 0x03}, 4},  // four literals, the widest 0x0F
        {{0x10, 0x01, 0x02, 0x03}, 5}, {ToBytes("plain ascii text only"), 7}, {{0x80, 1, 2, 3}, 8},
    };
    for (const Case& c : cases) {
        const Bytes block = pack::EncodeBlock(Scrambled(c.stored));
        EXPECT_EQ(block[4], c.width);
    }
}

TEST(EncodeEntry, DeterministicWhateverTheThreadCount) {
    const Bytes content = Concat(SampleText(6 * 1024 * 1024, 3), SampleBinary(3 * 1024 * 1024, 4));
    const pack::EntryMeta meta{"dir\\file.txt", kAttributeArchive | kAttributeReadOnly,
                               0x01D9000000000000ull};
    const auto one = pack::EncodeEntry(meta, content, 1);
    const auto four = pack::EncodeEntry(meta, content, 4);
    EXPECT_TRUE(one.data == four.data);
    EXPECT_EQ(std::memcmp(&one.record, &four.record, sizeof(VEXA_ENTRY)), 0);
    EXPECT_EQ(one.record.blockCount, 3u);
    EXPECT_EQ(one.record.originalSize, content.size());
    EXPECT_EQ(one.record.compressedSize, one.data.size());
    EXPECT_EQ(one.record.crc, Crc32(content.data(), content.size()));
    EXPECT_EQ(one.record.attributes, meta.attributes);
    EXPECT_EQ(one.record.modificationTime, meta.modificationTime);
    EXPECT_STREQ(one.record.name, "dir\\file.txt");
    EXPECT_LT(one.data.size(), content.size() * 3 / 4);  // matches are found, not only literals

    // Blocks split at 4 MiB boundaries decode back in order.
    Bytes decoded;
    size_t at = 0;
    for (uint64_t b = 0; b < one.record.blockCount; ++b) {
        const uint32_t bits = LoadLE32(one.data.data() + at) >> 3;
        const size_t size = 4 + (bits + 7) / 8;
        const Bytes back = DecodeBack(Bytes(one.data.begin() + at, one.data.begin() + at + size));
        decoded.insert(decoded.end(), back.begin(), back.end());
        at += size;
    }
    EXPECT_EQ(at, one.data.size());
    EXPECT_TRUE(decoded == content);
}

TEST(EncodeEntry, EmptyContentHasNoBlocksAndCrcZero) {
    const auto e = pack::EncodeEntry({"empty", kAttributeArchive, 0}, {});
    EXPECT_EQ(e.record.blockCount, 0u);
    EXPECT_EQ(e.record.compressedSize, 0u);
    EXPECT_EQ(e.record.crc, 0u);
    EXPECT_TRUE(e.data.empty());
}

TEST(EncodeEntry, NamesMustFitTheRecord) {
    EXPECT_NO_THROW(pack::EncodeEntry({std::string(99, 'n'), 0, 0}, {}));
    EXPECT_THROW(pack::EncodeEntry({std::string(100, 'n'), 0, 0}, {}), std::invalid_argument);
    EXPECT_THROW(pack::EncodeEntry({"", 0, 0}, {}), std::invalid_argument);
    EXPECT_THROW(pack::EncodeEntry({std::string("a\0b", 3), 0, 0}, {}), std::invalid_argument);
}

TEST(Container, HeaderAndRecordLayout) {
    const Bytes header = pack::HeaderBytes(3, 2);
    EXPECT_EQ(header, (Bytes{'V', 'E', 'X', 'A', 0x01, 0, 0, 0x8F, 3, 0, 0, 0,
                             0,   0,   0,   0,   2,    0, 0, 0,    0, 0, 0, 0}));
    VEXA_ENTRY r{};
    std::memcpy(r.name, "n", 1);
    r.crc = 0x11223344;
    r.blockCount = 5;
    r.compressedSize = 0x0102030405060708ull;
    r.originalSize = 9;
    r.modificationTime = 10;
    r.attributes = 0x21;
    const Bytes bytes = pack::RecordBytes(r);
    ASSERT_EQ(bytes.size(), 144u);
    EXPECT_EQ(bytes[0], 'n');
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(LoadLE32(&bytes[100]), 0x11223344u);
    EXPECT_EQ(LoadLE64(&bytes[104]), 5u);
    EXPECT_EQ(LoadLE64(&bytes[112]), 0x0102030405060708ull);
    EXPECT_EQ(LoadLE64(&bytes[120]), 9u);
    EXPECT_EQ(LoadLE64(&bytes[128]), 10u);
    EXPECT_EQ(LoadLE32(&bytes[136]), 0x21u);
    EXPECT_EQ(LoadLE32(&bytes[140]), 0u);
}

}  // namespace
}  // namespace vexa::test
