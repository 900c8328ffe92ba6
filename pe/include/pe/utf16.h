// UTF-8 and UTF-16 (little-endian in files) for the text inside a Windows program's resources,
// on any host: captions, version strings and resource names are UTF-16 there.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexa::pe {

// Nothing when `utf8` is not well-formed UTF-8 (overlong forms, surrogates and values past
// U+10FFFF are not).
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Little-endian UTF-16 units from and to bytes.
std::u16string LoadUtf16(std::span<const uint8_t> bytes);
void AppendUtf16(std::u16string_view text, std::vector<uint8_t>& out);

// The first control character (C0, DEL or C1) in `text`, if any, for messages.
std::optional<char32_t> FirstControlCharacter(std::u16string_view text);

}  // namespace vexa::pe
