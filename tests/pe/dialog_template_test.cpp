// The caption of a dialog template replaced with everything else kept.
#include "dialog_template.h"

#include <gtest/gtest.h>

#include "pe/pe_image.h"
#include "pe/utf16.h"

namespace vexa::pe {
namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& out, size_t width, uint32_t value) {
    for (size_t i = 0; i < width; ++i) out.push_back(uint8_t(value >> (8 * i)));
}
void PutText(Bytes& out, std::u16string_view text) {
    AppendUtf16(text, out);
    Put(out, 2, 0);
}
void Align4(Bytes& out) {
    out.resize((out.size() + 3) & ~size_t(3), 0);
}

struct Template {
    Bytes bytes;
    size_t controls = 0;  // where the controls start
};

// A template laid out as a resource compiler writes it: header, no menu, the default class,
// the caption, the font when the style asks for one, and two push buttons.
Template MakeTemplate(bool extended, std::u16string_view caption, bool font = true) {
    const uint32_t style = 0x80C80000 | (font ? 0x48 : 0);  // popup, caption, sysmenu, shell font
    Template t;
    Bytes& out = t.bytes;
    if (extended) {
        Put(out, 2, 1);
        Put(out, 2, 0xFFFF);
        Put(out, 4, 0);        // help id
        Put(out, 4, 0x40000);  // extended style
        Put(out, 4, style);
    } else {
        Put(out, 4, style);
        Put(out, 4, 0x40000);
    }
    Put(out, 2, 2);  // controls
    for (int v : {0, 0, 224, 210}) Put(out, 2, uint32_t(v));
    Put(out, 2, 0);  // no menu
    Put(out, 2, 0);  // the default dialog class
    PutText(out, caption);
    if (font) {
        Put(out, 2, 8);
        if (extended) {
            Put(out, 2, 400);
            Put(out, 1, 0);
            Put(out, 1, 1);
        }
        PutText(out, u"MS Shell Dlg");
    }
    Align4(out);
    t.controls = out.size();
    for (int id : {1, 2}) {
        Align4(out);
        if (extended) Put(out, 4, 0);  // help id
        Put(out, 4, extended ? 0 : 0x50010000);
        Put(out, 4, extended ? 0x50010000 : 0);
        for (int v : {9, 188, 50, 14}) Put(out, 2, uint32_t(v));
        Put(out, extended ? 4 : 2, uint32_t(id));
        Put(out, 2, 0xFFFF);
        Put(out, 2, 0x80);  // button
        PutText(out, id == 1 ? u"Extract" : u"Close");
        Put(out, 2, 0);  // no creation data
    }
    return t;
}

TEST(DialogTemplate, CaptionIsReplacedAndTheRestKept) {
    const std::u16string captions[] = {u"A", u"Acme Setup", u"Acme Setup!", u"日本語のセットアップ",
                                       std::u16string(300, u'x')};
    for (const bool extended : {true, false}) {
        for (const bool font : {true, false}) {
            const Template original =
                MakeTemplate(extended, u"Tarnwick Archiver self-extractor", font);
            EXPECT_EQ(DialogCaption(original.bytes), u"Tarnwick Archiver self-extractor");
            for (const std::u16string& caption : captions) {
                SCOPED_TRACE(std::to_string(extended) + std::to_string(font) + " " +
                             std::to_string(caption.size()));
                const auto replaced = WithDialogCaption(original.bytes, caption);
                ASSERT_TRUE(replaced);
                // Byte for byte what a resource compiler writes for that caption.
                EXPECT_EQ(*replaced, MakeTemplate(extended, caption, font).bytes);
                EXPECT_EQ(DialogCaption(*replaced), caption);
            }
        }
    }
}

TEST(DialogTemplate, MalformedTemplatesAreRefused) {
    const Template good = MakeTemplate(true, u"Title");
    const size_t captionEnd = 26 + 4 + 2 * 6;
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"header cut short", Bytes(good.bytes.begin(), good.bytes.begin() + 20)},
        {"caption without its NUL", Bytes(good.bytes.begin(), good.bytes.begin() + captionEnd - 2)},
        {"font name cut short", Bytes(good.bytes.begin(), good.bytes.begin() + captionEnd + 10)},
        {"menu ordinal cut short", Bytes(good.bytes.begin(), good.bytes.begin() + 28)},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(DialogCaption(c.bytes)) << c.what;
        EXPECT_FALSE(WithDialogCaption(c.bytes, u"x")) << c.what;
    }
}

}  // namespace
}  // namespace vexa::pe
