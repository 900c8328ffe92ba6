// Entry names are stored in the ANSI code page of the Windows machines that will extract the
// archive; the tool itself holds names as UTF-8 (the Linux file system, and the Windows wide
// functions through UTF-16). This converts between the two.
#pragma once

#include <optional>
#include <string>

namespace vexa::cli {

class CodePage {
  public:
    static constexpr unsigned kDefault = 1252;

    CodePage() : number_(kDefault) {}

    // The supported Windows ANSI code pages: 874, 932, 936, 949, 950 and 1250-1258.
    static std::optional<CodePage> FromNumber(unsigned number);
    // Parses a --codepage value ("1252", "cp932" and "windows-1251" are accepted).
    static std::optional<CodePage> Parse(const std::string& text);

    unsigned Number() const { return number_; }
    // The double-byte code pages, where the second byte of a character may be 0x5C.
    bool IsDoubleByte() const;

    // One level of a name (no separators) in the code page. On failure returns nothing and sets
    // `problem`: the character that cannot be stored and why.
    std::optional<std::string> EncodeLevel(const std::string& utf8, std::string& problem) const;
    // Stored bytes as UTF-8; nothing when they are not valid text in the code page.
    std::optional<std::string> Decode(const std::string& bytes) const;
    // Stored bytes for a message: decoded, or with the undecodable bytes shown as \xHH.
    std::string Show(const std::string& bytes) const;

  private:
    explicit CodePage(unsigned number) : number_(number) {}
    unsigned number_;
};

namespace codepage_detail {

// The whole text converted by the platform (iconv, or the Win32 conversion functions); nothing
// when some character has no exact counterpart.
std::optional<std::string> FromUtf8(const std::string& utf8, unsigned codePage);
std::optional<std::string> ToUtf8(const std::string& bytes, unsigned codePage);

}  // namespace codepage_detail

}  // namespace vexa::cli
