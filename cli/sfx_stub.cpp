#include "sfx_stub.h"

#include <algorithm>
#include <cstring>

#include "reader_helpers.h"

namespace vexa::cli {

namespace {

bool IsEmptyField(const uint8_t* p) {
    if (p[0] != 0 || p[1] != '?' || p[2] != '?' || p[3] != '?') return false;
    for (size_t i = 4; i < kDestinationFieldSize; ++i)
        if (p[i] != 0) return false;
    return true;
}

}  // namespace

FieldSearch FindDestinationField(std::span<const uint8_t> image) {
    FieldSearch search;
    if (image.size() < kDestinationFieldSize) return search;
    for (size_t i = 0; i + kDestinationFieldSize <= image.size(); ++i) {
        if (image[i + 1] != '?' || !IsEmptyField(image.data() + i)) continue;
        if (search.count++ == 0) search.offset = i;
    }
    return search;
}

std::optional<size_t> FindSignature(std::span<const uint8_t> bytes) {
    if (bytes.size() < 8) return std::nullopt;
    const uint8_t* at = FindSignatureStart(bytes.data(), bytes.data() + bytes.size() - 7);
    if (!at) return std::nullopt;
    return size_t(at - bytes.data());
}

std::string DestinationProblem(const std::string& destination) {
    if (destination.empty()) return "the default destination is empty";
    if (destination.size() > kMaxDestinationLength)
        return "the default destination is " + std::to_string(destination.size()) +
               " bytes; at most " + std::to_string(kMaxDestinationLength) + " fit";
    // The edit field of the stub's dialog shows one line; a NUL would also cut the field short.
    for (size_t i = 0; i < destination.size(); ++i) {
        const auto byte = uint8_t(destination[i]);
        if (byte == 0) return "the default destination holds a NUL byte";
        if (byte < 0x20 || byte == 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            return std::string("the default destination holds a control character (0x") +
                   kHex[byte >> 4] + kHex[byte & 15] + " at byte " + std::to_string(i + 1) + ")";
        }
    }
    return {};
}

std::string PrepareStub(std::vector<uint8_t>& image,
                        const std::optional<std::string>& destination) {
    if (const auto at = FindSignature(image))
        return "the stub already holds an archive signature (at offset " + std::to_string(*at) +
               "); use a stub as built";
    const FieldSearch field = FindDestinationField(image);
    if (field.count == 0)
        return "the stub has no empty initial-destination field (not a stub as built, or one "
               "already given a destination)";
    if (field.count > 1)
        return "the stub holds the initial-destination field " + std::to_string(field.count) +
               " times; cannot tell which one to use";
    if (!destination) return {};
    if (std::string problem = DestinationProblem(*destination); !problem.empty()) return problem;
    uint8_t* slot = image.data() + field.offset;
    std::memset(slot, 0, kDestinationFieldSize);
    std::memcpy(slot, destination->data(), destination->size());
    return {};
}

}  // namespace vexa::cli
