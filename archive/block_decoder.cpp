#include "block_decoder.h"

#include <cstring>

#include "bit_reader.h"

namespace vexa {

namespace {

constexpr BlockOutcome Corrupt() {
    return {Result::ArchiveCorrupt, 0, 0};
}

bool ReadMatchLength(BitReader& reader, uint64_t& length) {
    unsigned k = 2;
    uint64_t sum = 0;
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
// source that overlaps the destination repeats what this copy has already written.
void CopyMatch(uint8_t* out, size_t from, size_t to, size_t length) {
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

}  // namespace

BlockOutcome DecodeBlock(const uint8_t* payload, size_t payloadBytes, uint64_t bits, uint8_t* out,
                         size_t capacity, PredictionTable& table) {
    BitReader reader(payload, payloadBytes);
    uint32_t width;
    if (!reader.Read(8, width)) return Corrupt();
    table.Clear();

    size_t position = 0;
    uint32_t context = 0;  // the last three output bytes, newest lowest, kept out of memory
    while (reader.Consumed() < bits) {
        // The flag is read before the prediction step: the step consumes no bits, and knowing
        // the flag lets a literal skip the table lookup.
        uint32_t flag;
        if (!reader.Read(1, flag)) return Corrupt();
        uint32_t predicted = kNoPrediction;
        if (position >= 3) {
            predicted = table.Step(context >> 16 & 0xFF, context >> 8 & 0xFF, context & 0xFF,
                                   uint32_t(position), flag != 0);
        }
        if (flag == 0) {
            uint32_t literal;
            if (width > 32 || !reader.Read(width, literal) || position >= capacity)
                return Corrupt();
            out[position++] = uint8_t(literal);
            context = context << 8 | (literal & 0xFF);
            continue;
        }
        uint64_t length;
        if (predicted == kNoPrediction || !ReadMatchLength(reader, length) ||
            length > capacity - position)
            return Corrupt();
        CopyMatch(out, predicted, position, size_t(length));
        position += size_t(length);
        // A match follows at least four literals, so three bytes are always there.
        context = uint32_t(out[position - 3]) << 16 | uint32_t(out[position - 2]) << 8 |
                  out[position - 1];
    }
    return {Result::Success, position, reader.Consumed()};
}

}  // namespace vexa
