// The rules both sides of the block code must agree on: the context slots of the prediction
// table and the variable-length match length code. The decoder and the encoder include this
// one definition so that they cannot drift apart.
#pragma once

#include <cstdint>
#include <cstring>

namespace vexa {

// Slot A of the context (x, y, z) is written only while it is already filled, and every slot
// at or above 2^16 starts empty, so only the lower 2^16 slots are ever used. Keeping just those
// gives the same predictions as the full 2^20-slot table.
constexpr uint32_t kUsedSlots = 1u << 16;
constexpr uint32_t kNoPrediction = 0xFFFFFFFFu;

constexpr uint32_t SlotA(uint32_t x, uint32_t y, uint32_t z) {
    return (((x << 4) ^ y) << 8) ^ z;
}
constexpr uint32_t SlotB(uint32_t y, uint32_t z) {
    return (y << 8) ^ z;
}

// Prediction table whose clearing costs O(1): each slot carries the generation in which it was
// last written beside the position, and a slot of an older generation reads as empty. Positions
// stay below 2^23 (the output buffer holds 4,194,560 bytes), which leaves 9 bits for the
// generation in a 32-bit slot; the small table stays in cache.
class PredictionTable {
  public:
    PredictionTable() { Reset(); }

    void Clear() {
        if (++generation_ == kGenerations) Reset();  // every 511 clears, start afresh
    }

    // One prediction step at output position `position` with the three previous bytes x, y, z:
    // returns the predicted position (or kNoPrediction) and records `position` in the slot used.
    uint32_t Predict(uint32_t x, uint32_t y, uint32_t z, uint32_t position) {
        return Step(x, y, z, position, true);
    }

    // The same step, looking the prediction up only when `wanted` (a literal needs none). For
    // contexts whose slot A cannot be filled (x >= 16) the table is then only written.
    uint32_t Step(uint32_t x, uint32_t y, uint32_t z, uint32_t position, bool wanted) {
        if (x < 16) {
            const uint32_t a = SlotA(x, y, z);
            const uint32_t slot = slots_[a];
            if (slot >> kPositionBits == generation_) {
                slots_[a] = Stamp(position);
                return slot & kPositionMask;
            }
        }
        const uint32_t b = SlotB(y, z);
        uint32_t predicted = kNoPrediction;
        if (wanted && slots_[b] >> kPositionBits == generation_)
            predicted = slots_[b] & kPositionMask;
        slots_[b] = Stamp(position);
        return predicted;
    }

  private:
    static constexpr unsigned kPositionBits = 23;
    static constexpr uint32_t kPositionMask = (1u << kPositionBits) - 1;
    static constexpr uint32_t kGenerations = 1u << (32 - kPositionBits);

    uint32_t Stamp(uint32_t position) const { return generation_ << kPositionBits | position; }
    void Reset() {
        std::memset(slots_, 0, sizeof(slots_));
        generation_ = 1;
    }

    uint32_t slots_[kUsedSlots];
    uint32_t generation_ = 1;
};

// Match length code: groups of 2, 3, 4, ... bits, every group but the last all ones.
// The decoder refuses group sizes above this.
constexpr unsigned kMaxLengthGroupBits = 32;

// Calls emit(value, bitCount) for each group that codes `length` (length >= 1).
template <class Emit>
void EmitMatchLength(uint64_t length, Emit&& emit) {
    uint64_t rest = length - 1;
    unsigned k = 2;
    while (rest >= (uint64_t{1} << k) - 1) {
        emit((uint64_t{1} << k) - 1, k);
        rest -= (uint64_t{1} << k) - 1;
        ++k;
    }
    emit(rest, k);
}

// Total bits of the code for `length`.
constexpr unsigned MatchLengthBits(uint64_t length) {
    uint64_t rest = length - 1;
    unsigned k = 2, bits = 0;
    while (rest >= (uint64_t{1} << k) - 1) {
        bits += k;
        rest -= (uint64_t{1} << k) - 1;
        ++k;
    }
    return bits + k;
}

}  // namespace vexa
