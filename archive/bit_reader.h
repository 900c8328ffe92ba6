// Reads a block's payload least-significant-bit first. Bits sit in a 64-bit register that is
// refilled a word at a time. Read() checks every read against the payload's end; the fast
// operations leave that to their caller, who refills only while a whole word remains.
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
        Skip(n);
        return true;
    }

    // Bits consumed since the start of the payload.
    uint64_t Consumed() const { return uint64_t(next_) * 8 - count_; }

    // Moves to bit `position` of the payload (at most the bits the payload holds).
    void SeekTo(uint64_t position) {
        next_ = size_t(position / 8);
        bits_ = 0;
        count_ = 0;
        Refill();
        Skip(unsigned(position % 8));
    }

    // True while a whole word can still be loaded, so that RefillFast() may run.
    bool CanRefillFast() const { return size_ - next_ >= 8; }

    // Tops the register up to at least 56 bits without a branch. Needs CanRefillFast().
    void RefillFast() {
        bits_ |= LoadWord(bytes_ + next_) << count_;
        next_ += (63 - count_) >> 3;
        count_ |= 56;
    }

    // The register: its low Available() bits are the next bits of the stream.
    uint64_t Peek() const { return bits_; }
    unsigned Available() const { return count_; }
    // Drops n bits (n <= Available()).
    void Skip(unsigned n) {
        bits_ >>= n;
        count_ -= n;
    }

  private:
    static uint64_t LoadWord(const uint8_t* at) {
        uint64_t word;
        std::memcpy(&word, at, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        word = __builtin_bswap64(word);
#endif
        return word;
    }

    void Refill() {
        if (CanRefillFast()) {
            RefillFast();
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

// A register as wide as the machine's word for a hot loop, refilled without a branch: the
// caller makes sure a whole word of payload lies at `at` before each Refill(). No checks.
class WordBitReader {
  public:
    using Word = uintptr_t;
    static constexpr unsigned kWordBits = sizeof(Word) * 8;
    // Bits available at least after Refill().
    static constexpr unsigned kRefilled = kWordBits - 8;

    // Starts at bit `position` of `bytes`; needs a whole word at byte position / 8.
    WordBitReader(const uint8_t* bytes, uint64_t position) : at_(bytes + position / 8) {
        Refill();
        Skip(unsigned(position % 8));
    }

    void Refill() {
        Word word;
        std::memcpy(&word, at_, sizeof(word));
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        word = sizeof(word) == 8 ? Word(__builtin_bswap64(word)) : Word(__builtin_bswap32(word));
#endif
        bits_ |= word << count_;
        at_ += (kWordBits - 1 - count_) >> 3;
        count_ |= kRefilled;
    }
    Word Peek() const {
        return bits_;
    }
    // The next byte Refill() loads.
    const uint8_t* At() const {
        return at_;
    }
    void Skip(unsigned n) {
        bits_ >>= n;
        count_ -= n;
    }
    // The bit position reached, from `bytes`.
    uint64_t Consumed(const uint8_t* bytes) const {
        return uint64_t(at_ - bytes) * 8 - count_;
    }

  private:
    const uint8_t* at_;
    Word bits_ = 0;
    unsigned count_ = 0;
};

}  // namespace vexa
