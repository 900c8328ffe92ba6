#include "dialog_template.h"

#include "pe/pe_image.h"
#include "pe/utf16.h"

namespace vexa::pe {

namespace {

constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT, also part of DS_SHELLFONT
constexpr size_t kExtendedHeaderSize = 26;
constexpr size_t kPlainHeaderSize = 18;

struct CaptionPlace {
    size_t start = 0;      // the caption's first unit
    size_t end = 0;        // after its NUL
    size_t headerEnd = 0;  // after the font, where the controls' padding begins
};

// Skips a NUL-terminated UTF-16 string from `at`; nothing when it runs past the end.
std::optional<size_t> SkipString(std::span<const uint8_t> dialog, size_t at) {
    for (; at + 2 <= dialog.size(); at += 2)
        if (LoadLe(dialog, at, 2) == 0) return at + 2;
    return std::nullopt;
}

// A menu or class field: none (0), an ordinal (0xFFFF and a number) or a string.
std::optional<size_t> SkipStringOrOrdinal(std::span<const uint8_t> dialog, size_t at) {
    if (at + 2 > dialog.size()) return std::nullopt;
    const uint32_t first = LoadLe(dialog, at, 2);
    if (first == 0) return at + 2;
    if (first == 0xFFFF) return at + 4 <= dialog.size() ? std::optional(at + 4) : std::nullopt;
    return SkipString(dialog, at);
}

std::optional<CaptionPlace> FindCaption(std::span<const uint8_t> dialog) {
    if (dialog.size() < kPlainHeaderSize) return std::nullopt;
    const bool extended = LoadLe(dialog, 0, 2) == 1 && LoadLe(dialog, 2, 2) == 0xFFFF;
    if (extended && dialog.size() < kExtendedHeaderSize) return std::nullopt;
    const uint32_t style = LoadLe(dialog, extended ? 12 : 0, 4);
    auto at = SkipStringOrOrdinal(dialog, extended ? kExtendedHeaderSize : kPlainHeaderSize);
    if (at) at = SkipStringOrOrdinal(dialog, *at);  // the window class
    if (!at) return std::nullopt;
    CaptionPlace place;
    place.start = *at;
    at = SkipString(dialog, *at);
    if (!at) return std::nullopt;
    place.end = *at;
    if (style & kSetFont) {
        // Point size, and in the extended form weight, italic flag and character set.
        const size_t fontFields = extended ? 6 : 2;
        at = SkipString(dialog, place.end + fontFields);
        if (!at || place.end + fontFields > dialog.size()) return std::nullopt;
    }
    place.headerEnd = *at;
    return place;
}

}  // namespace

std::optional<std::u16string> DialogCaption(std::span<const uint8_t> dialog) {
    const auto place = FindCaption(dialog);
    if (!place) return std::nullopt;
    return LoadUtf16(dialog.subspan(place->start, place->end - 2 - place->start));
}

std::optional<std::vector<uint8_t>> WithDialogCaption(std::span<const uint8_t> dialog,
                                                      std::u16string_view caption) {
    const auto place = FindCaption(dialog);
    if (!place) return std::nullopt;
    std::vector<uint8_t> out(dialog.begin(), dialog.begin() + place->start);
    AppendUtf16(caption, out);
    out.push_back(0);
    out.push_back(0);
    out.insert(out.end(), dialog.begin() + place->end, dialog.begin() + place->headerEnd);
    // The controls start on a 4-byte boundary from the template's start, in both.
    const size_t controls = (place->headerEnd + 3) & ~size_t(3);
    if (controls < dialog.size()) {
        out.resize((out.size() + 3) & ~size_t(3), 0);
        out.insert(out.end(), dialog.begin() + controls, dialog.end());
    }
    return out;
}

}  // namespace vexa::pe
