// Block encoder: mirrors the decoder's prediction steps exactly, taking at every position the
// longest match the predicted position offers (greedy), else a literal.
#include <memory>
#include <stdexcept>

#include "bit_writer.h"
#include "coder_rules.h"
#include "writer.h"

namespace vexa::pack {

namespace {

constexpr uint8_t kLiteral = 0;

unsigned BitLength(uint32_t value) {
    unsigned bits = 0;
    while (value >> bits) ++bits;
    return bits;
}

// Each encoding thread keeps its own table and scratch buffers, reused block after block: the
// decoder's shared table is not touched, and memory stays a few block sizes per thread.
PredictionTable& ThreadTable() {
    thread_local std::unique_ptr<PredictionTable> table(new PredictionTable);
    return *table;
}

// Tokens as bytes: 0 for a literal, else the match length as a little-endian base-128 number
// (its first byte is never 0), so that a block's tokens take at most one byte per input byte.
void AppendMatch(std::vector<uint8_t>& tokens, size_t length) {
    while (length >= 0x80) {
        tokens.push_back(uint8_t(length | 0x80));
        length >>= 7;
    }
    tokens.push_back(uint8_t(length));
}

size_t ReadMatch(const uint8_t*& token) {
    size_t length = 0;
    for (unsigned shift = 0;; shift += 7) {
        const uint8_t byte = *token++;
        length |= size_t(byte & 0x7F) << shift;
        if (byte < 0x80) return length;
    }
}

}  // namespace

std::vector<uint8_t> EncodeBlock(std::span<const uint8_t> plain) {
    if (plain.size() > kBlockSize) throw std::invalid_argument("block larger than 4 MiB");
    const size_t n = plain.size();
    thread_local std::vector<uint8_t> stored;
    thread_local std::vector<uint8_t> tokens;
    stored.assign(plain.begin(), plain.end());
    for (auto& byte : stored) byte ^= kScrambleMask;

    // First pass: choose the tokens exactly as the decoder will meet them, and find the widest
    // literal.
    PredictionTable& table = ThreadTable();
    table.Clear();
    tokens.clear();
    tokens.reserve(n);
    uint32_t widest = 0;
    for (size_t pos = 0; pos < n;) {
        uint32_t predicted = kNoPrediction;
        if (pos >= 3)
            predicted =
                table.Predict(stored[pos - 3], stored[pos - 2], stored[pos - 1], uint32_t(pos));
        size_t length = 0;
        if (predicted != kNoPrediction) {
            // Copying from the prediction one byte at a time reproduces stored[predicted + i]
            // for as long as it equals stored[pos + i], overlapping or not.
            while (pos + length < n && stored[predicted + length] == stored[pos + length]) ++length;
        }
        if (length > 0) {
            AppendMatch(tokens, length);
            pos += length;
        } else {
            tokens.push_back(kLiteral);
            widest |= stored[pos];
            ++pos;
        }
    }
    const unsigned width = BitLength(widest);

    // Second pass: the bits, after room for the block header. A literal costs at most 9 bits a
    // byte and a match no more, so the reserve holds the whole block.
    BitWriter bits;
    bits.Reserve(kBlockHeaderSize + n + n / 8 + 16);
    bits.Write(0, 8 * kBlockHeaderSize);
    bits.Write(width, 8);
    size_t pos = 0;
    for (const uint8_t* token = tokens.data(); token != tokens.data() + tokens.size();) {
        if (*token == kLiteral) {
            ++token;
            bits.Write(0, 1);
            bits.Write(stored[pos], width);
            ++pos;
        } else {
            const size_t length = ReadMatch(token);
            bits.Write(1, 1);
            EmitMatchLength(length,
                            [&](uint64_t value, unsigned count) { bits.Write(value, count); });
            pos += length;
        }
    }
    const uint64_t payloadBits = bits.BitCount() - 8 * kBlockHeaderSize;
    std::vector<uint8_t> block = bits.Finish();
    StoreLE32(block.data(), uint32_t(payloadBits << 3) | 1);
    return block;
}

}  // namespace vexa::pack
