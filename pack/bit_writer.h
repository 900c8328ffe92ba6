// Writes a bit stream least-significant-bit first, the order the block reader expects.
#pragma once

#include <cstdint>
#include <vector>

namespace vexa::pack {

class BitWriter {
  public:
    // Appends the low `count` bits of `value` (count 0 to 32).
    void Write(uint64_t value, unsigned count) {
        bits_ |= (value & ((uint64_t{1} << count) - 1)) << pending_;
        pending_ += count;
        total_ += count;
        while (pending_ >= 8) {
            bytes_.push_back(uint8_t(bits_));
            bits_ >>= 8;
            pending_ -= 8;
        }
    }

    uint64_t BitCount() const { return total_; }

    // The bytes written so far, the last one padded with zero bits.
    std::vector<uint8_t> Finish() {
        if (pending_ > 0) bytes_.push_back(uint8_t(bits_));
        bits_ = 0;
        pending_ = 0;
        return std::move(bytes_);
    }

    void Reserve(size_t bytes) { bytes_.reserve(bytes); }

  private:
    std::vector<uint8_t> bytes_;
    uint64_t bits_ = 0;
    unsigned pending_ = 0;
    uint64_t total_ = 0;
};

}  // namespace vexa::pack
