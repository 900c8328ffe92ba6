#include "pe/icon_file.h"

#include <cstring>
#include <iterator>

#include "crc32.h"
#include "pe/byte_fields.h"

namespace vexa::pe {

namespace {

constexpr size_t kIconDirSize = 6;  // reserved, type, count
constexpr size_t kIconDirEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr uint16_t kIconType = 1;
constexpr uint16_t kCursorType = 2;
// Icon files list at most a few dozen sizes; a cap keeps a hostile count from making thousands
// of resources.
constexpr size_t kMaxImages = 256;

constexpr uint32_t kBitmapInfoHeaderSize = 40;
constexpr size_t kDibPlanesField = 12;
constexpr size_t kDibBitCountField = 14;

constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kPngSignatureSize = sizeof kPngSignature;
// IHDR must be the first chunk: length, type, its 13 bytes of fields, CRC.
constexpr uint32_t kIhdrFieldsSize = 13;
constexpr size_t kIhdrChunkEnd = kPngSignatureSize + 8 + kIhdrFieldsSize + 4;

uint32_t LoadBe(std::span<const uint8_t> bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = (value << 8) | bytes[at + i];
    return value;
}

void AppendLe(std::vector<uint8_t>& out, uint32_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// 1234567 as "1,234,567": offsets and sizes in messages read at a glance.
std::string Grouped(uint64_t number) {
    const std::string digits = std::to_string(number);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
        grouped.push_back(digits[i]);
    }
    return grouped;
}

// Samples per pixel of a PNG colour type; 0 for a type PNG does not have.
unsigned PngChannels(uint8_t colourType) {
    // 0 gray, 2 RGB, 3 palette index, 4 gray and alpha, 6 RGBA
    constexpr unsigned kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    return colourType < std::size(kChannels) ? kChannels[colourType] : 0;
}

// Gray takes any of 1, 2, 4, 8 and 16 bits a sample, a palette index up to 8, the others 8 or 16.
bool PngBitDepthAllowed(uint8_t colourType, uint8_t depth) {
    const bool powerOfTwo = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    if (colourType == 0) return powerOfTwo;
    if (colourType == 3) return powerOfTwo && depth <= 8;
    return depth == 8 || depth == 16;
}

bool StartsAsPng(std::span<const uint8_t> image) {
    return image.size() >= kPngSignatureSize &&
           std::memcmp(image.data(), kPngSignature, kPngSignatureSize) == 0;
}

// What is wrong with the IHDR chunk that must follow a PNG's signature; empty when it is sound,
// and then `bitsPerPixel` is set.
std::string CheckPngHeader(std::span<const uint8_t> image, unsigned& bitsPerPixel) {
    if (image.size() < kIhdrChunkEnd)
        return "it ends after " + Grouped(image.size()) + " bytes, before its " +
               std::to_string(kIhdrChunkEnd) + "-byte header is complete";
    const size_t typeAt = kPngSignatureSize + 4;
    if (std::memcmp(image.data() + typeAt, "IHDR", 4) != 0) return "its first chunk is not IHDR";
    const uint32_t length = LoadBe(image, kPngSignatureSize);
    if (length != kIhdrFieldsSize)
        return "its IHDR chunk has " + Grouped(length) + " bytes instead of 13";
    const auto chunk = image.subspan(typeAt, 4 + kIhdrFieldsSize);
    if (Crc32(chunk.data(), chunk.size()) != LoadBe(image, typeAt + 4 + kIhdrFieldsSize))
        return "its IHDR chunk fails its CRC";
    const size_t fields = typeAt + 4;
    const uint32_t width = LoadBe(image, fields);
    const uint32_t height = LoadBe(image, fields + 4);
    const uint8_t depth = image[fields + 8];
    const uint8_t colourType = image[fields + 9];
    if (width == 0 || height == 0)
        return "its IHDR gives a size of " + Grouped(width) + " x " + Grouped(height) + " pixels";
    const unsigned channels = PngChannels(colourType);
    if (channels == 0) return "its IHDR gives colour type " + std::to_string(colourType);
    if (!PngBitDepthAllowed(colourType, depth))
        return "its IHDR gives bit depth " + std::to_string(depth) + " with colour type " +
               std::to_string(colourType);
    bitsPerPixel = depth * channels;
    return {};
}

// Checks one image's bytes and fills in what its directory entry leaves at 0; the fault, without
// naming the image, or empty.
std::string TakeImageHeader(IconImage& image) {
    const std::span<const uint8_t> bytes = image.data;
    if (StartsAsPng(bytes)) {
        unsigned bitsPerPixel = 0;
        if (std::string problem = CheckPngHeader(bytes, bitsPerPixel); !problem.empty())
            return "is a PNG without a valid IHDR chunk: " + problem;
        image.png = true;
        if (image.planes == 0) image.planes = 1;
        if (image.bitCount == 0) image.bitCount = uint16_t(bitsPerPixel);
        return {};
    }
    const uint32_t headerSize = bytes.size() >= 4 ? LoadLe(bytes, 0, 4) : 0;
    if (headerSize < kBitmapInfoHeaderSize)
        return "is neither a PNG nor a DIB: it has no PNG signature, and a DIB starts with the "
               "size of its header, 40 or more, where this image has " +
               (bytes.size() >= 4 ? Grouped(headerSize)
                                  : "only " + Grouped(bytes.size()) + " bytes");
    if (headerSize > bytes.size())
        return "is a DIB cut short: its header takes " + Grouped(headerSize) + " bytes";
    if (image.planes == 0) image.planes = uint16_t(LoadLe(bytes, kDibPlanesField, 2));
    if (image.bitCount == 0) image.bitCount = uint16_t(LoadLe(bytes, kDibBitCountField, 2));
    return {};
}

std::string HeaderFault(std::span<const uint8_t> bytes) {
    if (bytes.size() < kIconDirSize)
        return "not an icon file: it has only " + Grouped(bytes.size()) + " bytes";
    const uint32_t reserved = LoadLe(bytes, 0, 2);
    const uint32_t type = LoadLe(bytes, 2, 2);
    if (reserved != 0 || type != kIconType) {
        if (reserved == 0 && type == kCursorType) return "not an icon file: it is a cursor file";
        // The usual mistakes: a picture or a program given where its icon was meant.
        if (StartsAsPng(bytes))
            return "not an icon file but a PNG image (make an icon of it, for example with "
                   "ImageMagick: convert IMAGE.png -define icon:auto-resize=256,48,32,16 "
                   "app.ico)";
        if (bytes[0] == 'M' && bytes[1] == 'Z')
            return "not an icon file but a Windows program (take its icon out with wrestool "
                   "-x -t14, or give the .ico it was built with)";
        return "not an icon file: its header holds " + std::to_string(reserved) + " and " +
               std::to_string(type) + " where an icon file has 0 and 1";
    }
    const size_t count = LoadLe(bytes, 4, 2);
    if (count == 0) return "the icon file holds no images";
    if (count > kMaxImages)
        return "the icon file lists " + Grouped(count) + " images, more than the " +
               std::to_string(kMaxImages) + " taken";
    const size_t directoryEnd = kIconDirSize + count * kIconDirEntrySize;
    if (directoryEnd > bytes.size())
        return "the directory of " + Grouped(count) + " images takes " + Grouped(directoryEnd) +
               " bytes, but the file has only " + Grouped(bytes.size());
    return {};
}

}  // namespace

std::optional<std::vector<IconImage>> ParseIconFile(std::span<const uint8_t> bytes,
                                                    std::string& fault) {
    if (fault = HeaderFault(bytes); !fault.empty()) return std::nullopt;
    const size_t count = LoadLe(bytes, 4, 2);
    const size_t directoryEnd = kIconDirSize + count * kIconDirEntrySize;
    std::vector<IconImage> images(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = kIconDirSize + i * kIconDirEntrySize;
        IconImage& image = images[i];
        image.width = bytes[entry];
        image.height = bytes[entry + 1];
        image.colorCount = bytes[entry + 2];
        image.planes = uint16_t(LoadLe(bytes, entry + 4, 2));
        image.bitCount = uint16_t(LoadLe(bytes, entry + 6, 2));
        const uint32_t size = LoadLe(bytes, entry + 8, 4);
        const uint32_t offset = LoadLe(bytes, entry + 12, 4);

        const std::string name = "image " + std::to_string(i + 1) + " (" + Grouped(size) +
                                 " bytes at offset " + Grouped(offset) + ")";
        // Compared without adding offset and size, which may wrap on a 32-bit host.
        if (size == 0) {
            fault = name + " is empty";
        } else if (size > bytes.size() || offset > bytes.size() - size) {
            fault = name + " lies past the end of the file of " + Grouped(bytes.size()) + " bytes";
        } else if (offset < directoryEnd) {
            fault = name + " overlaps the directory, which ends at offset " + Grouped(directoryEnd);
        } else {
            image.data.assign(bytes.begin() + offset, bytes.begin() + offset + size);
            if (std::string problem = TakeImageHeader(image); !problem.empty())
                fault = name + " " + problem;
        }
        if (!fault.empty()) return std::nullopt;
    }
    return images;
}

std::vector<uint8_t> BuildIconGroup(const std::vector<IconImage>& images,
                                    const std::vector<uint16_t>& ids) {
    std::vector<uint8_t> group;
    group.reserve(kIconDirSize + images.size() * kGroupEntrySize);
    AppendLe(group, 0, 2);
    AppendLe(group, kIconType, 2);
    AppendLe(group, uint32_t(images.size()), 2);
    for (size_t i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        group.push_back(image.width);
        group.push_back(image.height);
        group.push_back(image.colorCount);
        group.push_back(0);
        AppendLe(group, image.planes, 2);
        AppendLe(group, image.bitCount, 2);
        AppendLe(group, uint32_t(image.data.size()), 4);
        AppendLe(group, ids.at(i), 2);
    }
    return group;
}

std::optional<std::vector<IconGroupEntry>> ParseIconGroup(std::span<const uint8_t> group) {
    if (group.size() < kIconDirSize || LoadLe(group, 0, 2) != 0 || LoadLe(group, 2, 2) != kIconType)
        return std::nullopt;
    const size_t count = LoadLe(group, 4, 2);
    if (kIconDirSize + count * kGroupEntrySize > group.size()) return std::nullopt;
    std::vector<IconGroupEntry> entries(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t at = kIconDirSize + i * kGroupEntrySize;
        IconGroupEntry& entry = entries[i];
        entry.width = group[at] == 0 ? 256 : group[at];
        entry.height = group[at + 1] == 0 ? 256 : group[at + 1];
        entry.bitCount = LoadLe(group, at + 6, 2);
        entry.bytes = LoadLe(group, at + 8, 4);
        entry.id = uint16_t(LoadLe(group, at + 12, 2));
    }
    return entries;
}

}  // namespace vexa::pe
