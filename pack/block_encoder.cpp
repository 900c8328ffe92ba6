// Block encoder: mirrors the decoder's prediction steps exactly, taking at every position the
// longest match the predicted position offers (greedy), else a literal.
#include <memory>
#include <stdexcept>

#include "bit_writer.h"
#include "coder_rules.h"
#include "writer.h"

namespace vexa::pack {

namespace {

constexpr uint32_t kLiteral = 0;

unsigned BitLength(uint32_t value) {
    unsigned bits = 0;
    while (value >> bits) ++bits;
    return bits;
}

// Each encoding thread keeps its own table; the decoder's shared table is not touched.
PredictionTable& ThreadTable() {
    thread_local std::unique_ptr<PredictionTable> table(new PredictionTable);
    return *table;
}

}  // namespace

std::vector<uint8_t> EncodeBlock(std::span<const uint8_t> plain) {
    if (plain.size() > kBlockSize) throw std::invalid_argument("block larger than 4 MiB");
    const size_t n = plain.size();
    std::vector<uint8_t> stored(plain.begin(), plain.end());
    for (auto& byte : stored) byte ^= kScrambleMask;

    // First pass: choose the tokens (match length, or kLiteral) exactly as the decoder will
    // meet them, and find the widest literal.
    PredictionTable& table = ThreadTable();
    table.Clear();
    std::vector<uint32_t> tokens;
    tokens.reserve(n / 2 + 16);
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
            tokens.push_back(uint32_t(length));
            pos += length;
        } else {
            tokens.push_back(kLiteral);
            widest |= stored[pos];
            ++pos;
        }
    }
    const unsigned width = BitLength(widest);

    // Second pass: the bits.
    BitWriter bits;
    bits.Reserve(n + 16);
    bits.Write(width, 8);
    size_t pos = 0;
    for (uint32_t token : tokens) {
        if (token == kLiteral) {
            bits.Write(0, 1);
            bits.Write(stored[pos], width);
            ++pos;
        } else {
            bits.Write(1, 1);
            EmitMatchLength(token,
                            [&](uint64_t value, unsigned count) { bits.Write(value, count); });
            pos += token;
        }
    }
    const uint64_t bitCount = bits.BitCount();
    std::vector<uint8_t> payload = bits.Finish();

    std::vector<uint8_t> block(kBlockHeaderSize + payload.size());
    StoreLE32(block.data(), uint32_t(bitCount << 3) | 1);
    std::copy(payload.begin(), payload.end(), block.begin() + kBlockHeaderSize);
    return block;
}

}  // namespace vexa::pack
