#include "codepage.h"

#include <cstdio>

namespace vexa::cli {

namespace {

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

std::string Hex(unsigned char c) {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", c);
    return text;
}

std::string HexBytes(const std::string& bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (!text.empty()) text += ' ';
        text += Hex(c).substr(2);
    }
    return text;
}

}  // namespace

std::optional<CodePage> CodePage::FromNumber(unsigned number) {
    switch (number) {
        case 874:
        case 932:
        case 936:
        case 949:
        case 950:
            return CodePage(number);
        default:
            if (number >= 1250 && number <= 1258) return CodePage(number);
            return std::nullopt;
    }
}

std::optional<CodePage> CodePage::Parse(const std::string& text) {
    std::string digits = text;
    for (const char* prefix : {"cp", "CP", "windows-", "Windows-", "WINDOWS-"}) {
        const std::string p = prefix;
        if (digits.compare(0, p.size(), p) == 0) {
            digits = digits.substr(p.size());
            break;
        }
    }
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    unsigned number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + unsigned(c - '0');
    }
    return FromNumber(number);
}

bool CodePage::IsDoubleByte() const {
    return number_ == 932 || number_ == 936 || number_ == 949 || number_ == 950;
}

std::optional<std::string> CodePage::EncodeLevel(const std::string& utf8,
                                                 std::string& problem) const {
    const auto whole = codepage_detail::FromUtf8(utf8, number_);
    // Separators in the stored bytes of a level can only be the trail bytes of double-byte
    // characters: the stub and the name rule would cut the name there.
    if (whole && whole->find_first_of("\\/") == std::string::npos) return whole;
    // Find the character at fault, one at a time.
    for (size_t at = 0; at < utf8.size();) {
        const size_t length = SequenceLength(static_cast<unsigned char>(utf8[at]));
        const std::string character = utf8.substr(at, length);
        const auto stored = codepage_detail::FromUtf8(character, number_);
        if (!stored) {
            problem = "the character '" + character + "' cannot be stored in code page " +
                      std::to_string(number_);
            return std::nullopt;
        }
        if (stored->size() > 1 && stored->find_first_of("\\/", 1) != std::string::npos) {
            problem = "the character '" + character + "' is stored in code page " +
                      std::to_string(number_) + " as the bytes " + HexBytes(*stored) +
                      ", whose second byte reads as a path separator on extraction";
            return std::nullopt;
        }
        at += length;
    }
    problem = "the name cannot be stored in code page " + std::to_string(number_);
    return std::nullopt;
}

std::optional<std::string> CodePage::Decode(const std::string& bytes) const {
    bool ascii = true;
    for (unsigned char c : bytes) ascii = ascii && c < 0x80;
    if (ascii) return bytes;  // every supported code page agrees with ASCII
    return codepage_detail::ToUtf8(bytes, number_);
}

std::string CodePage::Show(const std::string& bytes) const {
    if (const auto text = Decode(bytes)) return *text;
    std::string shown;
    for (unsigned char c : bytes) shown += c < 0x80 ? std::string(1, char(c)) : Hex(c);
    return shown;
}

}  // namespace vexa::cli
