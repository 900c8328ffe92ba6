// Reads a block's payload least-significant-bit first. Bits sit in a 64-bit register that is
// refilled a word at a time; every read is checked against the payload's end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vexa {

class BitReader {
  public:
    BitReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

    // Reads n bits (0 to 32). False, with nothing consumed, when the payload holds fewer.
    bool Read(unsigned n, uint32_t& value) {
        if (count_ < n) {
            Refill();
            if (count_ < n) return false;
        }
        value = uint32_t(bits_ & ((uint64_t{1} << n) - 1));
        bits_ >>= n;
        count_ -= n;
        return true;
    }

    // Bits consumed since the start of the payload.
    uint64_t Consumed() const { return uint64_t(next_) * 8 - count_; }

  private:
    void Refill() {
        if (next_ + 8 <= size_) {
            uint64_t word;
            std::memcpy(&word, bytes_ + next_, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
            word = __builtin_bswap64(word);
#endif
            bits_ |= word << count_;
            const unsigned taken = (63 - count_) >> 3;
            next_ += taken;
            count_ += taken * 8;
            return;
        }
        while (count_ <= 56 && next_ < size_) {
            bits_ |= uint64_t(bytes_[next_++]) << count_;
            count_ += 8;
        }
    }

    const uint8_t* bytes_;
    size_t size_;
    size_t next_ = 0;
    uint64_t bits_ = 0;
    unsigned count_ = 0;
};

}  // namespace vexa
