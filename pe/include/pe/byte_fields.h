// Fields of Windows file formats: little-endian numbers of 1 to 4 bytes, and offsets rounded up
// to an alignment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vexa::pe {

inline uint32_t LoadLe(std::span<const uint8_t> bytes, size_t at, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= uint32_t(bytes[at + i]) << (8 * i);
    return value;
}

inline void StoreLe(std::span<uint8_t> bytes, size_t at, size_t width, uint32_t value) {
    for (size_t i = 0; i < width; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

// `alignment` is not 0.
constexpr uint64_t AlignUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace vexa::pe
