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

// Prediction table whose clearing costs O(1): each slot holds base + position, where the base
// grows by 2^23 at every clear, and a slot below the current base reads as empty. Positions stay
// below 2^23 (the output buffer holds 4,194,560 bytes), so 511 clears fit in a 32-bit slot
// before the table starts afresh; the small table stays in cache.
class PredictionTable {
  public:
    PredictionTable() { Reset(); }

    void Clear() {
        base_ += kPositionLimit;
        if (base_ == 0) Reset();  // every 511 clears, start afresh
    }

    // One prediction step at output position `position` with the three previous bytes x, y, z:
    // returns the predicted position (or kNoPrediction) and records `position` in the slot used.
    uint32_t Predict(uint32_t x, uint32_t y, uint32_t z, uint32_t position) {
        const uint32_t offset = StepContext(x << 16 | y << 8 | z, position);
        return offset < kPositionLimit ? offset : kNoPrediction;
    }

    // The same step with the three bytes packed as x << 16 | y << 8 | z (higher bits ignored).
    // Returns the predicted position, or a value of 2^23 or more for none; below the current
    // position whenever there is one.
    uint32_t StepContext(uint32_t context, uint32_t position) {
        return Step(slots_, base_, context, position);
    }

    // For a hot loop that keeps the slots and the base in registers: a store into the slots
    // cannot then be taken to change the base. `base` is Base() of the table `slots` belong to.
    uint32_t* Slots() { return slots_; }
    uint32_t Base() const { return base_; }
    // Branch-free: whether slot A applies is hard to foresee. When x >= 16 slot A is taken
    // to be slot B itself, so that "slot A if filled, else slot B" needs no test of x.
    static uint32_t Step(uint32_t* slots, uint32_t base, uint32_t context, uint32_t position) {
        const uint32_t b = context & 0xFFFF;
        const uint32_t high = context >> 4 & 0xFF000;  // x << 12
        const uint32_t a = b ^ (high & -uint32_t(high < kUsedSlots));
        const uint32_t inA = slots[a], inB = slots[b];
        const uint32_t useA = -uint32_t(inA >= base);
        slots[b ^ ((a ^ b) & useA)] = base + position;
        return (inB ^ ((inA ^ inB) & useA)) - base;
    }

  private:
    static constexpr uint32_t kPositionLimit = 1u << 23;

    void Reset() {
        std::memset(slots_, 0, sizeof(slots_));
        base_ = kPositionLimit;
    }

    uint32_t slots_[kUsedSlots];
    uint32_t base_ = kPositionLimit;
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
