// The block code as a reader of the format would first write it: one bit at a time, the whole
// 2^20-slot table, no shortcuts and no code shared with the decoder. The decoder's tests and the
// block decoder's fuzz target hold the decoder against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "result.h"

namespace vexa::model {

struct Outcome {
    Result result;
    std::vector<uint8_t> output;
    uint64_t bitsRead;
    bool operator==(const Outcome&) const = default;
};

// `payload` holds the block's payload bytes, `n` is N from its header.
inline Outcome DecodeBlock(const std::vector<uint8_t>& payload, uint64_t n, size_t capacity) {
    const Outcome corrupt{Result::ArchiveCorrupt, {}, 0};
    uint64_t b = 0;
    bool failed = false;
    auto read = [&](unsigned count) -> uint64_t {
        uint64_t v = 0;
        if (b + count > payload.size() * 8) {
            failed = true;
            return 0;
        }
        for (unsigned i = 0; i < count; ++i, ++b) v |= uint64_t(payload[b / 8] >> (b % 8) & 1) << i;
        return v;
    };
    std::unordered_map<uint32_t, int64_t> slots;  // an absent slot is empty
    std::vector<uint8_t> out;
    const uint64_t width = read(8);
    if (failed) return corrupt;
    while (b < n) {
        int64_t predicted = -1;
        const size_t pos = out.size();
        if (pos >= 3) {
            const uint32_t x = out[pos - 3], y = out[pos - 2], z = out[pos - 1];
            const uint32_t a = ((x * 16) ^ y) * 256 ^ z, slotB = y * 256 ^ z;
            if (const auto filled = slots.find(a); filled != slots.end()) {
                predicted = filled->second;
                filled->second = int64_t(pos);
            } else {
                const auto inB = slots.find(slotB);
                predicted = inB == slots.end() ? -1 : inB->second;
                slots[slotB] = int64_t(pos);
            }
        }
        const uint64_t flag = read(1);
        if (failed) return corrupt;
        if (flag == 0) {
            if (width > 32) return corrupt;
            const uint64_t v = read(unsigned(width));
            if (failed || out.size() >= capacity) return corrupt;
            out.push_back(uint8_t(v));
            continue;
        }
        if (predicted < 0) return corrupt;
        unsigned k = 2;
        uint64_t sum = 0, v = read(k);
        while (!failed && v == (uint64_t{1} << k) - 1) {
            sum += v;
            if (++k > 32) return corrupt;
            v = read(k);
        }
        if (failed) return corrupt;
        const uint64_t length = v + sum + 1;
        if (length > capacity - out.size()) return corrupt;
        for (uint64_t i = 0; i < length; ++i) out.push_back(out[size_t(predicted + int64_t(i))]);
    }
    return {Result::Success, out, b};
}

}  // namespace vexa::model
