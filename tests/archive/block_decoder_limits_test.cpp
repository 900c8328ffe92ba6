// The block decoder near the ends of its buffers, where it switches between its word-at-a-time
// loop and its careful steps, checked against the plain model of the block code. Output buffers and
// payloads are allocated at their exact sizes, so the sanitizers see any access past them.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "block_code_model.h"
#include "block_decoder.h"
#include "test_support.h"

namespace vexa::test {
namespace {

using model::Outcome;

Outcome FastDecode(const Bytes& block, size_t capacity) {
    static auto table = std::make_unique<PredictionTable>();
    const uint64_t n = LoadLE32(block.data()) >> 3;
    const Bytes payload(block.begin() + 4, block.end());  // exactly the payload's bytes
    const std::unique_ptr<uint8_t[]> out(new uint8_t[capacity]);
    const BlockOutcome o =
        DecodeBlock(payload.data(), payload.size(), n, out.get(), capacity, *table);
    if (o.result != Result::Success) return {o.result, {}, 0};
    return {o.result, Bytes(out.get(), out.get() + o.produced), o.bitsRead};
}

Outcome ModelDecodeBlock(const Bytes& block, size_t capacity) {
    return model::DecodeBlock(Bytes(block.begin() + 4, block.end()), LoadLE32(block.data()) >> 3,
                              capacity);
}

// The first `count` bytes of a sequence of period `distance` over distinct letters.
std::string Periodic(size_t distance, size_t count) {
    std::string s;
    for (size_t i = 0; i < count; ++i) s.push_back(char('A' + i % distance));
    return s;
}

TEST(DecoderLimits, MatchesOfEveryShortDistanceEndingAtOrNearTheBufferEnd) {
    // distance + 3 periodic literals make the context at position distance + 3 repeat the one at
    // position 3, so the match that follows copies from `distance` bytes back (overlapping when
    // shorter than the match). Literals after it put its end at every distance from the
    // buffer's end, with the output filling the buffer exactly.
    for (size_t distance = 1; distance <= 40; ++distance) {
        for (size_t length : {1, 2, 3, 4, 7, 15, 16, 17, 31, 32, 33, 48, 100, 300}) {
            for (size_t after = 0; after <= 24; ++after) {
                const std::string literals = Periodic(distance, distance + 3);
                const std::string tail = Periodic(5, after);
                const Bytes block =
                    TokenBlock(8).Literals(literals).Match(length).Literals(tail).Block();
                const Bytes expected =
                    Concat(ToBytes(Periodic(distance, literals.size() + length)), ToBytes(tail));
                SCOPED_TRACE(testing::Message() << "distance " << distance << ", length " << length
                                                << ", " << after << " literals after");
                const Outcome exact = FastDecode(block, expected.size());
                ASSERT_EQ(exact.result, Result::Success);
                ASSERT_EQ(exact.output, expected);
                ASSERT_EQ(FastDecode(block, expected.size() + after % 5), exact);
                ASSERT_EQ(FastDecode(block, expected.size() - 1).result, Result::ArchiveCorrupt);
            }
        }
    }
}

TEST(DecoderLimits, LiteralsAndMatchesRunningIntoTheBufferEnd) {
    // A long run of tokens, decoded into buffers that end at every position near where its
    // output ends and in its middle: what fits is decoded, one byte too few is corrupt.
    std::mt19937 rng(11);
    TokenBlock t(8);
    std::string text;
    for (int i = 0; i < 200; ++i) text.push_back(char('a' + rng() % 3));
    t.Literals(text.substr(0, 100)).Match(40).Literals(text.substr(100)).Match(3).Match(1);
    const Bytes block = t.Block();
    const Outcome whole = ModelDecodeBlock(block, kOutputBufferSize);
    ASSERT_EQ(whole.result, Result::Success);
    for (size_t capacity = 1; capacity <= whole.output.size() + 20; ++capacity) {
        SCOPED_TRACE(capacity);
        ASSERT_EQ(FastDecode(block, capacity), ModelDecodeBlock(block, capacity));
    }
}

TEST(DecoderLimits, TokensEndingAtOrNearThePayloadEnd) {
    // The same tokens with N cut at every bit: tokens that start before N decode, reading into
    // the last byte if they must; a token needing a byte the payload lacks is corrupt.
    TokenBlock t(8);
    t.Literals("the quick brown fox jumps over the quick brown fox");
    t.Match(30).Literals("abcdefgh").Literal(0x7F).Match(2).Literals("xyz");
    const uint64_t total = t.Bits();
    const Bytes full = t.Block();
    for (uint64_t n = 1; n <= total; ++n) {
        SCOPED_TRACE(n);
        Bytes block = full;
        block.resize(4 + size_t((n + 7) / 8));
        StoreLE32(block.data(), uint32_t(n << 3) | 1);
        ASSERT_EQ(FastDecode(block, 4096), ModelDecodeBlock(block, 4096));
    }
}

// A random block: literals from a small alphabet so that contexts repeat, matches wherever a
// prediction is likely, now and then a match where none can be, a token cut off by N, or a
// literal width the loop cannot take. The widths on either side of the loop's limits: a literal
// and its flag within one refill (23 bits on a 32-bit machine) and two of them (27 on 64 bits).
Bytes RandomBlock(std::mt19937& rng) {
    static const unsigned kWidths[] = {0, 1, 3, 7, 8, 8, 8, 12, 23, 24, 27, 28, 31, 32, 33};
    const unsigned width = kWidths[rng() % std::size(kWidths)];
    TokenBlock t(width);
    const int tokens = int(rng() % 400);
    const uint32_t alphabet = 1 + rng() % 6;
    for (int i = 0; i < tokens; ++i) {
        const uint32_t kind = rng() % 16;
        if (kind < 9 || i < 4) {
            t.Literal(rng() % alphabet + (rng() % 2 ? 0 : 0x60) + (rng() % 8 == 0 ? 0x100 : 0));
        } else if (kind < 15) {
            static const uint64_t kLengths[] = {1,  2,  3,   4,   10,  11,  25, 26,
                                                56, 57, 119, 120, 246, 247, 600};
            t.Match(rng() % 3 ? 1 + rng() % 20 : kLengths[rng() % std::size(kLengths)]);
        } else {
            t.Raw(rng(), rng() % 33);  // arbitrary bits
        }
    }
    const uint64_t bits = t.Bits();
    const uint64_t n = rng() % 4 ? bits : bits - std::min<uint64_t>(bits, rng() % 24) + rng() % 3;
    return t.Block(std::max<uint64_t>(n, 1));
}

TEST(DecoderLimits, RandomBlocksDecodeAsTheModelDoes) {
    std::mt19937 rng(2026);
    for (int i = 0; i < 3000; ++i) {
        const Bytes block = RandomBlock(rng);
        const Outcome model = ModelDecodeBlock(block, kOutputBufferSize);
        const size_t produced = model.output.size();
        for (size_t capacity : {kOutputBufferSize, produced + 1 + rng() % 40, produced,
                                produced > 0 ? produced - 1 - rng() % produced : 1}) {
            SCOPED_TRACE(testing::Message() << "block " << i << ", capacity " << capacity);
            if (capacity == 0) continue;
            ASSERT_EQ(FastDecode(block, capacity), ModelDecodeBlock(block, capacity));
        }
    }
}

}  // namespace
}  // namespace vexa::test
