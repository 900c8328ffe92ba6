// UTF-8 to UTF-16 and back, as resource text needs it.
#include "pe/utf16.h"

#include <gtest/gtest.h>

namespace vexa::pe {
namespace {

TEST(Utf16, WellFormedTextRoundTrips) {
    const std::string cases[] = {"",
                                 "Acme Setup",
                                 "Größe",
                                 "日本語のセットアップ",
                                 "emoji \xF0\x9F\x93\xA6 box",
                                 "\xEF\xBF\xBF"};
    for (const std::string& text : cases) {
        const auto wide = Utf8ToUtf16(text);
        ASSERT_TRUE(wide) << text;
        EXPECT_EQ(Utf16ToUtf8(*wide), text);
    }
    EXPECT_EQ(*Utf8ToUtf16("\xF0\x9F\x93\xA6"), std::u16string(u"\xD83D\xDCE6"));
}

TEST(Utf16, MalformedUtf8IsRefused) {
    const std::string cases[] = {
        "\x80",              // continuation without a lead
        "\xC3",              // cut short
        "\xC0\xAF",          // overlong slash
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // past U+10FFFF
        "\xFF",
        "ab\xC3(",  // a lead followed by no continuation
    };
    for (const std::string& text : cases) EXPECT_FALSE(Utf8ToUtf16(text)) << text;
}

TEST(Utf16, LoneSurrogateBecomesReplacementCharacter) {
    EXPECT_EQ(Utf16ToUtf8(u"a\xD800"
                          u"b"),
              "a\xEF\xBF\xBD"
              "b");
}

TEST(Utf16, BytesAreLittleEndian) {
    std::vector<uint8_t> bytes;
    AppendUtf16(u"A\x20AC", bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x41, 0, 0xAC, 0x20}));
    EXPECT_EQ(LoadUtf16(bytes), u"A\x20AC");
}

TEST(Utf16, ControlCharactersAreFound) {
    EXPECT_FALSE(FirstControlCharacter(u"Acme Setup \x00E9"));
    EXPECT_EQ(FirstControlCharacter(u"tab\there"), U'\t');
    EXPECT_EQ(FirstControlCharacter(u"del\x7F"), U'\x7F');
    EXPECT_EQ(FirstControlCharacter(u"c1\x85"), U'\x85');
}

}  // namespace
}  // namespace vexa::pe
