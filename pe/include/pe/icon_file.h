// Windows icon files (.ico) and the icon group resource of a program. An .ico file is a
// directory of images, each a DIB (led by a BITMAPINFOHEADER) or a PNG file; in a program each
// image is an RT_ICON resource of its own, and an RT_GROUP_ICON resource lists them by id.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexa::pe {

struct IconImage {
    uint8_t width = 0;  // pixels; 0 stands for 256
    uint8_t height = 0;
    uint8_t colorCount = 0;  // palette entries; 0 for 256 colours or more
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    bool png = false;
    std::vector<uint8_t> data;  // the image as the RT_ICON resource holds it
};

// The images of an .ico file, in file order. On a fault returns nothing and sets `fault` to a
// message naming it (bad header, no images, an image outside the file, an image that is neither
// a DIB nor a PNG), in one line that leaves the file's name to the caller. Planes and bit count
// the file leaves at 0 are taken from the image itself.
std::optional<std::vector<IconImage>> ParseIconFile(std::span<const uint8_t> bytes,
                                                    std::string& fault);

// The RT_GROUP_ICON resource listing `images`, image i stored as RT_ICON resource `ids[i]`
// (`ids` holds an id for every image).
std::vector<uint8_t> BuildIconGroup(const std::vector<IconImage>& images,
                                    const std::vector<uint16_t>& ids);

// One image of an icon group resource as the group describes it.
struct IconGroupEntry {
    unsigned width = 0;  // 1 to 256
    unsigned height = 0;
    unsigned bitCount = 0;
    uint32_t bytes = 0;
    uint16_t id = 0;  // the RT_ICON resource holding it
};

// The entries of an RT_GROUP_ICON resource; nothing when it is malformed.
std::optional<std::vector<IconGroupEntry>> ParseIconGroup(std::span<const uint8_t> group);

}  // namespace vexa::pe
