#include "block_decoder.h"

#include <algorithm>
#include <cstring>

#include "bit_reader.h"

namespace vexa {

namespace {

constexpr BlockOutcome Corrupt() {
    return {Result::ArchiveCorrupt, 0, 0};
}

// A length code starts with a run of all-ones groups of 2, 3, 4, ... bits; the run's length in
// bits tells how many groups are full, where the last group starts and what the full groups
// add up to. kLengthByOnes[t] describes the code whose low bits hold exactly t ones before a
// zero, for t below kShortOnes: then the whole code lies within the 32 bits looked at and
// within the bits a refill guarantees after the flag (55 with a 64-bit word, 23 with a 32-bit
// one). Longer runs (lengths of 247 and more, or 120 and more on 32 bits) take the careful path.
struct LengthShape {
    uint8_t offset;  // bits before the last group
    uint8_t skip;    // the whole token: flag, full groups and last group
    uint16_t base;   // the full groups' sum + 1
    uint32_t mask;   // the last group's bits
};
constexpr unsigned kShortOnes = sizeof(uintptr_t) == 8 ? 27 : 20;
constexpr auto kLengthByOnes = [] {
    struct Table {
        LengthShape shape[kShortOnes];
    } t{};
    for (unsigned ones = 0; ones < kShortOnes; ++ones) {
        unsigned offset = 0, k = 2, sum = 0;
        while (offset + k <= ones) {
            offset += k;
            sum += (1u << k) - 1;
            ++k;
        }
        t.shape[ones] = {uint8_t(offset), uint8_t(1 + offset + k), uint16_t(sum + 1),
                         (1u << k) - 1};
    }
    return t;
}();

// Bytes a fast match may write past its end: whole 16-byte chunks, and the pattern of a short
// distance widened to 16 bytes.
constexpr size_t kCopySlack = 16;

// Continues a length code from group k on, with `sum` the groups read so far.
bool ReadMatchLengthFrom(BitReader& reader, unsigned k, uint64_t sum, uint64_t& length) {
    uint32_t v;
    if (!reader.Read(k, v)) return false;
    while (v == (uint64_t{1} << k) - 1) {
        sum += v;
        if (++k > kMaxLengthGroupBits) return false;
        if (!reader.Read(k, v)) return false;
    }
    length = v + sum + 1;
    return true;
}

// Copies `length` bytes from `from` to `to` (from < to) one position after another, so a
// source that overlaps the destination repeats what this copy has already written. Writes
// nothing past the copy's end.
void CopyMatchExact(uint8_t* out, size_t from, size_t to, size_t length) {
    const size_t distance = to - from;
    uint8_t* dst = out + to;
    const uint8_t* src = out + from;
    if (distance >= length) {
        std::memcpy(dst, src, length);
    } else if (distance == 1) {
        std::memset(dst, *src, length);
    } else {
        // Chunks of `distance` bytes never overlap their own source.
        while (length >= distance) {
            std::memcpy(dst, src, distance);
            dst += distance;
            src += distance;
            length -= distance;
        }
        std::memcpy(dst, src, length);
    }
}

inline void Copy16(uint8_t* dst, const uint8_t* src) {
    std::memcpy(dst, src, 16);
}

// The same result as CopyMatchExact, in 16-byte chunks; may write up to kCopySlack bytes past
// the copy's end, which the caller has room for.
inline void CopyMatchFast(uint8_t* out, size_t from, size_t to, size_t length) {
    uint8_t* dst = out + to;
    size_t distance = to - from;
    if (distance < 16) {
        // Widen the repeating pattern: the first 16 bytes one at a time, after which the
        // output repeats itself at a multiple of the distance that is at least 16.
        static constexpr uint8_t kStride[16] = {0,  16, 16, 18, 16, 20, 18, 21,
                                                16, 18, 20, 22, 24, 26, 28, 30};
        const uint8_t* src = out + from;
        for (size_t i = 0; i < 16; ++i) dst[i] = src[i];
        if (length <= 16) return;
        dst += 16;
        length -= 16;
        distance = kStride[distance];
    }
    // A chunk's source ends at least 16 bytes before the chunk, in bytes already final.
    const uint8_t* src = dst - distance;
    Copy16(dst, src);
    while (length > 16) {
        dst += 16;
        src += 16;
        length -= 16;
        Copy16(dst, src);
    }
}

// The three bytes before `position` as x << 16 | y << 8 | z (needs position >= 4).
inline uint32_t ContextBefore(const uint8_t* out, size_t position) {
    uint32_t word;
    std::memcpy(&word, out + position - 4, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return word;
#else
    return __builtin_bswap32(word);
#endif
}

// The context after a match of `length` bytes from `from`: its last (up to three) bytes are
// the source's, read there rather than from the bytes just stored, and the rest is the old
// context. Needs from >= 3, which holds for every recorded position.
inline uint32_t ContextAfterMatch(const uint8_t* out, size_t from, size_t length,
                                  uint32_t context) {
    const unsigned shift = unsigned(std::min<size_t>(length, 3)) * 8;
    return context << shift | (ContextBefore(out, from + length) & ((1u << shift) - 1));
}

// What the fast loop hands back: where it stopped and why.
struct FastRun {
    // Bounds: out of payload words or output room. Match: a match the loop leaves to its
    // caller, its flag consumed and, unless the length code is a long one, its length read.
    enum class Stop { Bounds, Match, Corrupt } stop;
    size_t position;
    uint32_t context;
    uint64_t consumed;   // bits of the payload consumed
    uint32_t predicted;  // for Match: the match's source
    size_t length;       // for Match: its length, or 0 when the code is still to be read
};

// The most bits a short match token takes: the flag and its length code.
constexpr unsigned kShortTokenBits = [] {
    unsigned longest = 0;
    for (const LengthShape& shape : kLengthByOnes.shape)
        longest = std::max<unsigned>(longest, shape.skip);
    return longest;
}();

// Decodes tokens while a whole word of payload can be loaded below byte `fastEnd`, kTokens of
// them (1 or 2) from each refill of the register, which is refilled without a branch: two when
// two of the longest short tokens fit one refill. Every value the loop needs lives in a local,
// so that the compiler can keep them all in registers. Needs position >= 3 and literals that
// fit a refill (and, for two tokens, half of one).
template <unsigned kTokens>
__attribute__((noinline)) FastRun DecodeFast(const uint8_t* payload, size_t fastEnd,
                                             uint64_t consumed, uint8_t* out, size_t capacity,
                                             size_t position, uint32_t context, uint32_t* slots,
                                             uint32_t base, unsigned width) {
    static_assert(kTokens == 1 || 2 * kShortTokenBits <= WordBitReader::kRefilled);
    const unsigned literalBits = width + 1;
    const uint32_t literalMask = width >= 8 ? 0xFF : (1u << width) - 1;
    WordBitReader word(payload, consumed);
    const uint8_t* const wordsEnd = payload + fastEnd;
    FastRun stopped{FastRun::Stop::Bounds, 0, 0, 0, 0, 0};
    // One token from the register; false when the loop is to stop, with `stopped` filled in.
    auto token = [&]() -> bool {
        const uint32_t predicted = PredictionTable::Step(slots, base, context, uint32_t(position));
        const auto peek = word.Peek();
        if ((peek & 1) == 0) {
            // A token starts before N here, so a full buffer makes the block corrupt.
            if (position >= capacity) {
                stopped = {FastRun::Stop::Corrupt, 0, 0, 0, 0, 0};
                return false;
            }
            const uint32_t literal = uint32_t(peek >> 1) & literalMask;
            word.Skip(literalBits);
            out[position++] = uint8_t(literal);
            context = context << 8 | literal;
            return true;
        }
        // A valid prediction is an earlier position of this block.
        if (predicted >= position) {
            stopped = {FastRun::Stop::Corrupt, 0, 0, 0, 0, 0};
            return false;
        }
        const uint32_t code = uint32_t(peek >> 1);
        const unsigned ones = unsigned(__builtin_ctz(~code | 1u << kShortOnes));
        if (ones >= kShortOnes) {
            word.Skip(1);
            stopped = {FastRun::Stop::Match,   position,  context,
                       word.Consumed(payload), predicted, 0};
            return false;
        }
        const LengthShape shape = kLengthByOnes.shape[ones];
        const size_t length = shape.base + (code >> shape.offset & shape.mask);
        word.Skip(shape.skip);
        // Near the buffer's end the caller copies exactly (or refuses the match).
        if (capacity - position < length + kCopySlack) {
            stopped = {FastRun::Stop::Match,   position,  context,
                       word.Consumed(payload), predicted, length};
            return false;
        }
        CopyMatchFast(out, predicted, position, length);
        position += length;
        context = ContextAfterMatch(out, predicted, length, context);
        return true;
    };
    while (word.At() < wordsEnd) {
        word.Refill();
        if (!token()) return stopped;
        if constexpr (kTokens == 2)
            if (!token()) return stopped;
    }
    return {FastRun::Stop::Bounds, position, context, word.Consumed(payload), 0, 0};
}

}  // namespace

BlockOutcome DecodeBlock(const uint8_t* payload, size_t payloadBytes, uint64_t bits, uint8_t* out,
                         size_t capacity, PredictionTable& table) {
    BitReader reader(payload, payloadBytes);
    uint32_t width;
    if (!reader.Read(8, width)) return Corrupt();
    table.Clear();

    // The fast loop reads a flag and a literal in one go from a register as wide as the
    // machine's word, refilled once per token or two; the careful step below handles everything
    // else (the first three tokens, the payload's and the buffer's last bytes, literals too wide
    // for one refill, long length codes).
    const bool fastWidth = width + 1 <= WordBitReader::kRefilled;
    // Two tokens a refill where the register is wide enough (64 bits) and two literals fit too.
    constexpr unsigned kMostTokens = 2 * kShortTokenBits <= WordBitReader::kRefilled ? 2 : 1;
    const auto decodeFast =
        2 * (width + 1) <= WordBitReader::kRefilled ? DecodeFast<kMostTokens> : DecodeFast<1>;

    size_t position = 0;
    uint32_t context = 0;  // the last three output bytes, newest lowest, kept out of memory
    // The fast loop runs while a whole word can be loaded and no bit of it lies at or past N,
    // so that neither needs a check per token.
    const size_t wordsEnd = payloadBytes >= sizeof(WordBitReader::Word)
                                ? payloadBytes - sizeof(WordBitReader::Word)
                                : 0;
    const size_t fastEnd = size_t(std::min<uint64_t>(wordsEnd, bits / 8));
    for (;;) {
        if (fastWidth && position >= 3 && reader.Consumed() / 8 < fastEnd) {
            const FastRun run = decodeFast(payload, fastEnd, reader.Consumed(), out, capacity,
                                           position, context, table.Slots(), table.Base(), width);
            if (run.stop == FastRun::Stop::Corrupt) return Corrupt();
            position = run.position;
            context = run.context;
            reader.SeekTo(run.consumed);
            if (run.stop == FastRun::Stop::Match) {
                // A length code too long for the register is read with every read checked.
                uint64_t length = run.length;
                if (length == 0 && !ReadMatchLengthFrom(reader, 2, 0, length)) return Corrupt();
                if (length > capacity - position) return Corrupt();
                if (capacity - position - length >= kCopySlack)
                    CopyMatchFast(out, run.predicted, position, size_t(length));
                else
                    CopyMatchExact(out, run.predicted, position, size_t(length));
                position += size_t(length);
                context = ContextAfterMatch(out, run.predicted, size_t(length), context);
                continue;
            }
        }
        if (reader.Consumed() >= bits) break;

        // The careful step: one token, every read checked.
        uint32_t flag;
        if (!reader.Read(1, flag)) return Corrupt();
        uint32_t predicted = kNoPrediction;
        if (position >= 3)
            predicted = table.Predict(context >> 16 & 0xFF, context >> 8 & 0xFF, context & 0xFF,
                                      uint32_t(position));
        if (flag == 0) {
            uint32_t literal;
            if (width > 32 || !reader.Read(width, literal) || position >= capacity)
                return Corrupt();
            out[position++] = uint8_t(literal);
            context = context << 8 | (literal & 0xFF);
            continue;
        }
        uint64_t length;
        BitReader careful = reader;
        if (predicted == kNoPrediction || !ReadMatchLengthFrom(careful, 2, 0, length) ||
            length > capacity - position)
            return Corrupt();
        reader = careful;
        CopyMatchExact(out, predicted, position, size_t(length));
        position += size_t(length);
        // A match follows at least four literals, so four bytes are always there.
        context = ContextBefore(out, position);
    }
    return {Result::Success, position, reader.Consumed()};
}

}  // namespace vexa
