// The block code, pinned rule by rule with crafted token streams.
#include "block_decoder.h"

#include <gtest/gtest.h>

#include <memory>

#include "bit_reader.h"
#include "test_support.h"

namespace vexa::test {
namespace {

struct Decoded {
    Result result;
    Bytes output;
    uint64_t bitsRead;
};

// Decodes a block given as header + payload, the way the entry decoder splits it.
Decoded DecodeStored(const Bytes& block) {
    static auto table = std::make_unique<PredictionTable>();
    static auto out = std::make_unique<uint8_t[]>(kOutputBufferSize);
    const uint64_t bits = LoadLE32(block.data()) >> 3;
    const BlockOutcome o =
        DecodeBlock(block.data() + 4, block.size() - 4, bits, out.get(), kOutputBufferSize, *table);
    return {o.result, Bytes(out.get(), out.get() + o.produced), o.bitsRead};
}

Bytes Hex(std::initializer_list<int> values) {
    return Bytes(values.begin(), values.end());
}

TEST(WorkedExamples, SixLiteralsThenPredictedMatch) {
    const Bytes block = Concat(Hex({0x09, 0x02, 0, 0}),
                               Hex({0x08, 0xC2, 0x88, 0x19, 0x13, 0x46, 0xCC, 0x58, 0x01}));
    const Decoded d = DecodeStored(block);
    ASSERT_EQ(d.result, Result::Success);
    EXPECT_EQ(d.output, ToBytes("abcabcabc"));
    EXPECT_EQ(d.bitsRead, 65u);
    // The same tokens written by the test's token builder give the same bytes.
    EXPECT_EQ(TokenBlock(8).Literals("abcabc").Match(3).Block(), block);
}

TEST(WorkedExamples, OverlappingMatchRepeatsItsOwnOutput) {
    const Bytes block = Concat(Hex({0x71, 0x01, 0, 0}), Hex({0x07, 0xC2, 0xC2, 0xC2, 0xC2, 0x0F}));
    const Decoded d = DecodeStored(block);
    ASSERT_EQ(d.result, Result::Success);
    EXPECT_EQ(d.output, Bytes(9, 0x61));
    EXPECT_EQ(d.bitsRead, 46u);
    EXPECT_EQ(TokenBlock(7).Literals("aaaa").Match(5).Block(), block);
}

struct TokenCase {
    const char* what;
    Bytes block;
    Result result;
    Bytes output;
};

std::vector<TokenCase> TokenCases() {
    const uint64_t capacity = kOutputBufferSize;
    std::vector<TokenCase> cases = {
        // Context 01 02 03 has slot A = 0x1203, which the earlier context (55 12 03) filled as
        // its slot B with position 3; a filled slot A wins over slot B (0x0203, empty).
        {"filled slot A predicts",
         TokenBlock(8).Literals("\x55\x12\x03\x77\x01\x02\x03").Match(2).Block(), Result::Success,
         ToBytes("\x55\x12\x03\x77\x01\x02\x03\x77\x01")},
        {"match as first token", TokenBlock(8).Match(1).Block(), Result::ArchiveCorrupt, {}},
        {"match as fourth token",
         TokenBlock(8).Literals("abc").Match(1).Block(),
         Result::ArchiveCorrupt,
         {}},
        {"match with empty prediction",
         TokenBlock(8).Literals("abcd").Match(1).Block(),
         Result::ArchiveCorrupt,
         {}},
        {"one behind repeats the last byte", TokenBlock(8).Literals("xzzz").Match(6).Block(),
         Result::Success, ToBytes("xzzzzzzzzz")},
        {"W=0: every literal is 0 and costs one bit", TokenBlock(0).Literal(0).Literal(5).Block(),
         Result::Success, Bytes(2, 0)},
        {"W=7 literals", TokenBlock(7).Literals("az").Block(), Result::Success, ToBytes("az")},
        {"W=32 keeps the low 8 bits",
         TokenBlock(32).Literal(0x12345678).Literal(0xFFFFFF41).Block(), Result::Success,
         ToBytes("\x78\x41")},
        {"W=33 with a literal",
         TokenBlock(33).Raw(0, 1).Raw(0, 32).Raw(0, 1).Block(),
         Result::ArchiveCorrupt,
         {}},
        {"W=33 with no token", TokenBlock(33).Block(), Result::Success, {}},
        // W=4: 8 + 5 + 5 bits; with N=17 the second token starts before N and ends after it,
        // inside the third byte: decoded. With N=14 it needs a third byte there is none of.
        {"token straddling N inside the payload", TokenBlock(4).Literal(1).Literal(2).Block(17),
         Result::Success, ToBytes("\x01\x02")},
        {"token past the payload's bytes",
         TokenBlock(4).Literal(1).Literal(2).Block(14),
         Result::ArchiveCorrupt,
         {}},
        {"output fills the buffer exactly",
         TokenBlock(8).Literals("aaaa").Match(capacity - 4).Block(), Result::Success,
         Bytes(capacity, 'a')},
        {"match past the buffer end",
         TokenBlock(8).Literals("aaaa").Match(capacity - 3).Block(),
         Result::ArchiveCorrupt,
         {}},
        {"literal past the buffer end",
         TokenBlock(8).Literals("aaaa").Match(capacity - 4).Literal('b').Block(),
         Result::ArchiveCorrupt,
         {}},
    };
    for (unsigned n = 1; n <= 8; ++n) {
        cases.push_back({"no tokens below 9 bits", TokenBlock(0xFF).Block(n), Result::Success, {}});
    }
    {
        // Groups of 2..32 bits all ones: the next group would have 33 bits.
        TokenBlock t(8);
        t.Literals("aaaa").Raw(1, 1);
        for (unsigned k = 2; k <= 32; ++k) t.Raw((uint64_t{1} << k) - 1, k);
        t.Raw(0, 32);
        cases.push_back({"length group above 32 bits", t.Block(), Result::ArchiveCorrupt, {}});
    }
    {
        // Groups 2..31 all ones and a final 32-bit group: a length above 2^32, which must not
        // wrap into something that fits.
        TokenBlock t(8);
        t.Literals("aaaa").Raw(1, 1);
        for (unsigned k = 2; k <= 31; ++k) t.Raw((uint64_t{1} << k) - 1, k);
        t.Raw(3, 32);
        cases.push_back({"length above 32 bits", t.Block(), Result::ArchiveCorrupt, {}});
    }
    return cases;
}

TEST(TokenRules, CraftedBlocks) {
    for (const TokenCase& c : TokenCases()) {
        SCOPED_TRACE(c.what);
        const Decoded d = DecodeStored(c.block);
        EXPECT_EQ(d.result, c.result);
        if (c.result == Result::Success) {
            EXPECT_TRUE(d.output == c.output);
        }
    }
}

TEST(TokenRules, EveryBlockStartsFromAnEmptyTable) {
    // X fills slot B of the context (q, q); Y's fourth token is a match in that context, which
    // only a table left over from X could predict. Between them come n blocks that do not touch
    // the table, for every n up to past the point where the table's cheap clearing wraps round.
    const Bytes x = TokenBlock(8).Literals("qqqq").Match(5).Block();
    const Bytes filler = TokenBlock(8).Literals("zz").Block();
    const Bytes y = TokenBlock(8).Literals("rqq").Match(1).Block();
    auto out = std::make_unique<uint8_t[]>(64);
    auto decode = [&](const Bytes& block, PredictionTable& table) {
        return DecodeBlock(block.data() + 4, block.size() - 4, LoadLE32(block.data()) >> 3,
                           out.get(), 64, table)
            .result;
    };
    auto table = std::make_unique<PredictionTable>();
    for (int n = 0; n < 1100; ++n) {
        *table = PredictionTable();
        ASSERT_EQ(decode(x, *table), Result::Success);
        for (int i = 0; i < n; ++i) ASSERT_EQ(decode(filler, *table), Result::Success);
        ASSERT_EQ(decode(y, *table), Result::ArchiveCorrupt) << n << " blocks between";
    }
}

TEST(TokenRules, EmptyPayloadIsCorrupt) {
    PredictionTable table;
    uint8_t out[16];
    EXPECT_EQ(DecodeBlock(nullptr, 0, 0, out, sizeof(out), table).result, Result::ArchiveCorrupt);
}

TEST(MatchLengthCode, CostsPerGroup) {
    struct Row {
        uint64_t length;
        unsigned bits;
    };
    const Row rows[] = {{1, 2},    {3, 2},    {4, 5},    {10, 5},   {11, 9},
                        {25, 9},   {26, 14},  {56, 14},  {57, 20},  {119, 20},
                        {120, 27}, {246, 27}, {247, 35}, {501, 35}, {502, 44}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.length);
        EXPECT_EQ(MatchLengthBits(r.length), r.bits);
        // Decoding "aaaa" + match(length) reads exactly the bits the code costs.
        const Decoded d = DecodeStored(TokenBlock(8).Literals("aaaa").Match(r.length).Block());
        ASSERT_EQ(d.result, Result::Success);
        EXPECT_EQ(d.output.size(), 4 + r.length);
        EXPECT_EQ(d.bitsRead, 8 + 4 * 9 + 1 + r.bits);
    }
}

TEST(BitReader, LeastSignificantBitFirstAcrossWords) {
    Bytes bytes(20);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 37 + 11);
    // Reference: bit i of the stream is bit (i mod 8) of byte (i div 8).
    auto bitAt = [&](uint64_t i) { return (bytes[i / 8] >> (i % 8)) & 1u; };
    BitReader reader(bytes.data(), bytes.size());
    uint64_t position = 0;
    for (unsigned n : {0u, 1u, 7u, 32u, 3u, 31u, 8u, 17u, 32u, 13u}) {
        uint32_t value;
        ASSERT_TRUE(reader.Read(n, value));
        uint32_t expected = 0;
        for (unsigned i = 0; i < n; ++i) expected |= uint32_t(bitAt(position + i)) << i;
        EXPECT_EQ(value, expected) << "n=" << n << " at " << position;
        position += n;
    }
    EXPECT_EQ(reader.Consumed(), position);  // 144 bits of 160
    uint32_t value;
    EXPECT_FALSE(reader.Read(17, value));
    EXPECT_TRUE(reader.Read(16, value));
    EXPECT_FALSE(reader.Read(1, value));
}

}  // namespace
}  // namespace vexa::test
