// Icon files read into their images, and the icon group resource written and read back.
#include "pe/icon_file.h"

#include <gtest/gtest.h>

#include "crc32.h"

namespace vexa::pe {
namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

void PutBe(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void SetLe(std::vector<uint8_t>& bytes, size_t at, uint32_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

// A square DIB as icons hold it: the header (its height counting the colour and the mask
// rows), the palette, the colour rows and the 1-bit mask rows, filled with a pattern so that
// a copy from the wrong place shows.
std::vector<uint8_t> Dib(uint32_t side, uint16_t bitCount) {
    const uint32_t colourRow = (side * bitCount + 31) / 32 * 4;
    const uint32_t maskRow = (side + 31) / 32 * 4;
    const uint32_t palette = bitCount <= 8 ? (1u << bitCount) * 4 : 0;
    std::vector<uint8_t> dib;
    PutLe(dib, 40, 4);
    PutLe(dib, side, 4);
    PutLe(dib, side * 2, 4);
    PutLe(dib, 1, 2);
    PutLe(dib, bitCount, 2);
    PutLe(dib, 0, 4);  // no compression
    PutLe(dib, side * (colourRow + maskRow), 4);
    dib.insert(dib.end(), 16, 0);  // resolution, colours used and important
    const size_t total = dib.size() + palette + side * (colourRow + maskRow);
    for (size_t i = dib.size(); i < total; ++i) dib.push_back(uint8_t(i * 131 + 7));
    return dib;
}

void PutPngChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    PutBe(png, uint32_t(data.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    PutBe(png, Crc32(typed.data(), typed.size()));
}

// zlib data of `raw` in stored (uncompressed) deflate blocks.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t length = std::min<size_t>(raw.size() - at, 0xFFFF);
        z.push_back(at + length == raw.size() ? 1 : 0);
        PutLe(z, uint32_t(length), 2);
        PutLe(z, uint32_t(~length & 0xFFFF), 2);
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + length);
        at += length;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
    PutBe(z, b << 16 | a);
    return z;
}

// A complete square PNG of one colour (a one-entry palette for colour type 3).
std::vector<uint8_t> Png(uint32_t side, uint8_t depth, uint8_t colourType) {
    const unsigned channels[] = {1, 1, 3, 1, 2, 1, 4};
    const unsigned samples = colourType < 7 ? channels[colourType] : 1;
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBe(header, side);
    PutBe(header, side);
    header.insert(header.end(), {depth, colourType, 0, 0, 0});
    PutPngChunk(png, "IHDR", header);
    if (colourType == 3) PutPngChunk(png, "PLTE", {0xFF, 0, 0});
    const size_t row = 1 + (size_t(side) * depth * samples + 7) / 8;  // filter byte first
    PutPngChunk(png, "IDAT", StoredZlib(std::vector<uint8_t>(side * row, 0)));
    PutPngChunk(png, "IEND", {});
    return png;
}

IconImage Entry(uint8_t side, uint16_t bitCount, std::vector<uint8_t> data, bool png = false) {
    return {side, side, 0, 1, bitCount, png, std::move(data)};
}

// An .ico file of `images`: the directory, then their data in the order given or in reverse.
std::vector<uint8_t> IcoFile(const std::vector<IconImage>& images, bool dataReversed = false) {
    std::vector<uint8_t> file;
    PutLe(file, 0, 2);
    PutLe(file, 1, 2);
    PutLe(file, uint32_t(images.size()), 2);
    std::vector<size_t> offsets(images.size());
    size_t next = 6 + 16 * images.size();
    for (size_t k = 0; k < images.size(); ++k) {
        const size_t i = dataReversed ? images.size() - 1 - k : k;
        offsets[i] = next;
        next += images[i].data.size();
    }
    for (size_t i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        file.insert(file.end(), {image.width, image.height, image.colorCount, 0});
        PutLe(file, image.planes, 2);
        PutLe(file, image.bitCount, 2);
        PutLe(file, uint32_t(image.data.size()), 4);
        PutLe(file, uint32_t(offsets[i]), 4);
    }
    for (size_t k = 0; k < images.size(); ++k) {
        const auto& data = images[dataReversed ? images.size() - 1 - k : k].data;
        file.insert(file.end(), data.begin(), data.end());
    }
    return file;
}

std::vector<IconImage> ParseOrFail(const std::vector<uint8_t>& file) {
    std::string fault;
    auto images = ParseIconFile(file, fault);
    EXPECT_TRUE(images) << fault;
    return images.value_or(std::vector<IconImage>{});
}

TEST(IconFile, ImagesAreTakenInDirectoryOrderFromTheirOffsets) {
    std::vector<IconImage> written = {Entry(16, 4, Dib(16, 4)), Entry(32, 32, Dib(32, 32)),
                                      Entry(0, 32, Png(256, 8, 6), true)};
    written[0].colorCount = 16;
    const auto images = ParseOrFail(IcoFile(written, true));
    ASSERT_EQ(images.size(), written.size());
    for (size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(images[i].width, written[i].width);
        EXPECT_EQ(images[i].height, written[i].height);
        EXPECT_EQ(images[i].colorCount, written[i].colorCount);
        EXPECT_EQ(images[i].planes, 1);
        EXPECT_EQ(images[i].bitCount, written[i].bitCount);
        EXPECT_EQ(images[i].png, written[i].png);
        EXPECT_TRUE(images[i].data == written[i].data);
    }
}

TEST(IconFile, PlanesAndBitCountLeftAtZeroComeFromTheImage) {
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        uint16_t bitCount;
        bool png;
    };
    const Case cases[] = {
        {"DIB 1-bit", Dib(16, 1), 1, false},          {"DIB 4-bit", Dib(16, 4), 4, false},
        {"DIB 8-bit", Dib(16, 8), 8, false},          {"DIB 24-bit", Dib(16, 24), 24, false},
        {"DIB 32-bit", Dib(16, 32), 32, false},       {"PNG gray 1", Png(1, 1, 0), 1, true},
        {"PNG gray 16", Png(1, 16, 0), 16, true},     {"PNG RGB 8", Png(1, 8, 2), 24, true},
        {"PNG RGB 16", Png(1, 16, 2), 48, true},      {"PNG palette 4", Png(1, 4, 3), 4, true},
        {"PNG gray+alpha 8", Png(1, 8, 4), 16, true}, {"PNG RGBA 8", Png(1, 8, 6), 32, true},
        {"PNG RGBA 16", Png(1, 16, 6), 64, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IconImage entry = Entry(16, 0, c.data);
        entry.planes = 0;
        const auto images = ParseOrFail(IcoFile({entry}));
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].planes, 1);
        EXPECT_EQ(images[0].bitCount, c.bitCount);
        EXPECT_EQ(images[0].png, c.png);
    }
}

TEST(IconFile, PlanesAndBitCountTheEntryGivesAreKept) {
    IconImage entry = Entry(16, 8, Png(16, 8, 6));
    entry.planes = 2;
    const auto images = ParseOrFail(IcoFile({entry}));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].planes, 2);
    EXPECT_EQ(images[0].bitCount, 8);
}

// Each image's directory entry: size at +8, offset at +12.
constexpr size_t EntryField(size_t image, size_t field) {
    return 6 + 16 * (image - 1) + field;
}
constexpr size_t kSize = 8;
constexpr size_t kOffset = 12;

// Two images: a 16x16 DIB of 1,128 bytes at offset 38 and a 1x1 PNG of 73 bytes at 1,166.
std::vector<uint8_t> GoodFile() {
    return IcoFile({Entry(16, 32, Dib(16, 32)), Entry(1, 32, Png(1, 8, 6))});
}

std::vector<uint8_t> Patched(std::vector<uint8_t> file, size_t at, uint32_t value, size_t width) {
    SetLe(file, at, value, width);
    return file;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

std::vector<uint8_t> PngWithBadCrc() {
    auto png = Png(1, 8, 6);
    png[16] ^= 1;  // a width byte, covered by the IHDR CRC
    return png;
}

std::vector<uint8_t> PngStartingWithOtherChunk() {
    auto png = Png(1, 8, 6);
    std::copy_n("IHDX", 4, png.begin() + 12);
    return png;
}

TEST(IconFile, MalformedFilesAreRefusedWithTheirFault) {
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        std::string fault;  // the whole message, or its telling end for the faults of an image kind
    };
    const std::vector<uint8_t> header = {0, 0, 1, 0, 1, 0};
    const Case cases[] = {
        {"empty", {}, "not an icon file: it has only 0 bytes"},
        {"header cut", Cut(header, 5), "not an icon file: it has only 5 bytes"},
        {"reserved field set", Patched(header, 0, 1, 2),
         "not an icon file: its header holds 1 and 1 where an icon file has 0 and 1"},
        {"a cursor", Patched(header, 2, 2, 2), "not an icon file: it is a cursor file"},
        {"a PNG image",
         {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13},
         "not an icon file but a PNG image (make an icon of it, for example with ImageMagick: "
         "convert IMAGE.png -define icon:auto-resize=256,48,32,16 app.ico)"},
        {"a program",
         {'M', 'Z', 0x90, 0, 3, 0, 0, 0},
         "not an icon file but a Windows program (take its icon out with wrestool -x -t14, or "
         "give the .ico it was built with)"},
        {"no images", Patched(header, 4, 0, 2), "the icon file holds no images"},
        {"too many images", Patched(header, 4, 257, 2),
         "the icon file lists 257 images, more than the 256 taken"},
        {"directory cut", Cut(GoodFile(), 30),
         "the directory of 2 images takes 38 bytes, but the file has only 30"},
        {"image past the end", Patched(GoodFile(), EntryField(2, kSize), 74, 4),
         "image 2 (74 bytes at offset 1,166) lies past the end of the file of 1,239 bytes"},
        {"offset + size wraps 32 bits", Patched(GoodFile(), EntryField(2, kOffset), 0xFFFFFF00, 4),
         "image 2 (73 bytes at offset 4,294,967,040) lies past the end of the file of 1,239 "
         "bytes"},
        {"size + offset wraps 32 bits", Patched(GoodFile(), EntryField(1, kSize), 0xFFFFFFF0, 4),
         "image 1 (4,294,967,280 bytes at offset 38) lies past the end of the file of 1,239 "
         "bytes"},
        {"empty image", Patched(GoodFile(), EntryField(1, kSize), 0, 4),
         "image 1 (0 bytes at offset 38) is empty"},
        {"image over the directory", Patched(GoodFile(), EntryField(2, kOffset), 30, 4),
         "image 2 (73 bytes at offset 30) overlaps the directory, which ends at offset 38"},
        {"core bitmap header", IcoFile({Entry(16, 8, Patched(Dib(16, 8), 0, 12, 4))}),
         "image 1 (1,384 bytes at offset 22) is neither a PNG nor a DIB: it has no PNG "
         "signature, and a DIB starts with the size of its header, 40 or more, where this image "
         "has 12"},
        {"three bytes", IcoFile({Entry(16, 8, {40, 0, 0})}), "where this image has only 3 bytes"},
        {"DIB header cut", IcoFile({Entry(16, 8, Cut(Dib(16, 8), 39))}),
         "image 1 (39 bytes at offset 22) is a DIB cut short: its header takes 40 bytes"},
        {"PNG signature only", IcoFile({Entry(16, 8, Cut(Png(1, 8, 6), 8))}),
         "image 1 (8 bytes at offset 22) is a PNG without a valid IHDR chunk: it ends after 8 "
         "bytes, before its 33-byte header is complete"},
        {"PNG IHDR CRC", IcoFile({Entry(16, 8, PngWithBadCrc())}), "its IHDR chunk fails its CRC"},
        {"PNG first chunk", IcoFile({Entry(16, 8, PngStartingWithOtherChunk())}),
         "its first chunk is not IHDR"},
        {"PNG of no pixels", IcoFile({Entry(16, 8, Png(0, 8, 6))}),
         "its IHDR gives a size of 0 x 0 pixels"},
        {"PNG colour type", IcoFile({Entry(16, 8, Png(1, 8, 5))}), "its IHDR gives colour type 5"},
        {"PNG bit depth", IcoFile({Entry(16, 8, Png(1, 4, 6))}),
         "its IHDR gives bit depth 4 with colour type 6"},
        {"PNG palette index of 16 bits", IcoFile({Entry(16, 8, Png(1, 16, 3))}),
         "its IHDR gives bit depth 16 with colour type 3"},
        {"PNG gray of 3 bits", IcoFile({Entry(16, 8, Png(1, 3, 0))}),
         "its IHDR gives bit depth 3 with colour type 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string fault;
        EXPECT_FALSE(ParseIconFile(c.file, fault));
        EXPECT_NE(fault.find(c.fault), std::string::npos) << fault;
        EXPECT_EQ(fault.find('\n'), std::string::npos) << fault;
    }
}

TEST(IconGroup, EntriesArePacked14BytesLittleEndian) {
    IconImage image = Entry(0, 32, std::vector<uint8_t>(0x10203, 0xAB), true);
    image.colorCount = 5;
    const std::vector<uint8_t> expected = {0, 0, 1, 0, 1, 0,                            // header
                                           0, 0, 5, 0, 1, 0, 32, 0, 3, 2, 1, 0, 7, 1};  // entry
    EXPECT_EQ(BuildIconGroup({image}, {0x107}), expected);
}

TEST(IconGroup, GroupOfParsedIconReadsBack) {
    const auto images =
        ParseOrFail(IcoFile({Entry(16, 8, Dib(16, 8)), Entry(48, 0, Png(48, 8, 2), true),
                             Entry(0, 32, Png(256, 8, 6))}));
    const std::vector<uint16_t> ids = {1, 2, 300};
    const auto entries = ParseIconGroup(BuildIconGroup(images, ids));
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), images.size());
    const unsigned sides[] = {16, 48, 256};
    const unsigned bitCounts[] = {8, 24, 32};
    for (size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ((*entries)[i].width, sides[i]);
        EXPECT_EQ((*entries)[i].height, sides[i]);
        EXPECT_EQ((*entries)[i].bitCount, bitCounts[i]);
        EXPECT_EQ((*entries)[i].bytes, images[i].data.size());
        EXPECT_EQ((*entries)[i].id, ids[i]);
    }
}

TEST(IconGroup, MalformedGroupsReadAsNothing) {
    const std::vector<uint8_t> good =
        BuildIconGroup({Entry(16, 8, Dib(16, 8)), Entry(32, 8, Dib(32, 8))}, {1, 2});
    ASSERT_TRUE(ParseIconGroup(good));
    const std::vector<uint8_t> cases[] = {
        {},
        Cut(good, 5),
        Patched(good, 0, 1, 2),  // reserved field
        Patched(good, 2, 2, 2),  // a cursor group
        Cut(good, good.size() - 1),
        Patched(good, 4, 0xFFFF, 2),
    };
    for (const auto& group : cases) EXPECT_FALSE(ParseIconGroup(group)) << group.size();
}

}  // namespace
}  // namespace vexa::pe
