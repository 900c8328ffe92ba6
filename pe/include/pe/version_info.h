// The version resource (RT_VERSION): the fixed block with the numeric file and product versions,
// and the string tables whose fields Windows shows under Properties, Details (and that
// reputation services read).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexa::pe {

using FourPartVersion = std::array<uint16_t, 4>;

// "1", "1.2", "1.2.3" or "1.2.3.4", each part a decimal number up to 65535; missing parts are 0.
std::optional<FourPartVersion> ParseVersionNumber(const std::string& text);
std::string FormatVersionNumber(const FourPartVersion& version);  // always four parts

// The string field names a version resource is given, in their usual spelling; `key` is matched
// without regard to case. Nothing for an unknown key.
std::optional<std::string> CanonicalVersionKey(const std::string& key);
const std::vector<std::string>& VersionKeys();

struct VersionField {
    std::string key;    // as CanonicalVersionKey spells it
    std::string value;  // UTF-8

    bool operator==(const VersionField&) const = default;
};

// A version resource: `existing` (empty when the program has none, which then gets a new one in
// US English, Unicode) with `fields` replaced or added in every string table and every other
// field kept. FileVersion and ProductVersion also set the numeric versions in the fixed block
// when their text parses as a version number. Returns an error message (a malformed existing
// resource, a value that is no valid UTF-8), empty on success.
std::string ApplyVersionFields(std::span<const uint8_t> existing,
                               const std::vector<VersionField>& fields, std::vector<uint8_t>& out);

struct VersionSummary {
    FourPartVersion fileVersion{};
    FourPartVersion productVersion{};
    std::vector<VersionField> strings;  // the first string table's fields, in stored order
};

// What a version resource holds; nothing when it is malformed.
std::optional<VersionSummary> ReadVersionInfo(std::span<const uint8_t> resource);

}  // namespace vexa::pe
