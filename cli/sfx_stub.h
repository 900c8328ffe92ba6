// Checks and patches the self-extractor stub before an archive is appended to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexa::cli {

// The stub's initial-destination field: 256 bytes in its initialised data, built as a NUL,
// three question marks and zeros, so that it can be found in the file and filled in.
constexpr size_t kDestinationFieldSize = 256;
constexpr size_t kMaxDestinationLength = kDestinationFieldSize - 1;

struct FieldSearch {
    size_t count = 0;   // how many times the empty field occurs
    size_t offset = 0;  // where the first one starts
};

FieldSearch FindDestinationField(std::span<const uint8_t> image);

// Offset of the first archive signature in `bytes`, if any.
std::optional<size_t> FindSignature(std::span<const uint8_t> bytes);

// What is wrong with a default destination (empty, too long, a control character), empty when
// nothing is.
std::string DestinationProblem(const std::string& destination);

// Checks that `image` is a stub the archive can be appended to and, when `destination` is
// given, writes it into the field. Returns an error message, empty on success.
std::string PrepareStub(std::vector<uint8_t>& image, const std::optional<std::string>& destination);

}  // namespace vexa::cli
