// A program's resources as a flat list, read from and laid out into a resource section. In the
// image they form a three-level tree (type, name, language) of directory tables whose leaves
// point at the data by RVA.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pe/pe_image.h"

namespace vexa::pe {

// Resource types by number.
constexpr uint16_t kIconType = 3;
constexpr uint16_t kDialogType = 5;
constexpr uint16_t kIconGroupType = 14;
constexpr uint16_t kVersionType = 16;

// A type, name or language: a number or a name.
struct ResourceId {
    bool named = false;
    uint16_t number = 0;
    std::u16string name;

    static ResourceId Number(uint16_t number) { return {false, number, {}}; }
    bool operator==(const ResourceId&) const = default;
    // The order directory tables must keep: names (by their UTF-16 units) before numbers.
    bool operator<(const ResourceId& other) const;
};

struct Resource {
    ResourceId type;
    ResourceId name;
    ResourceId language;
    uint32_t codePage = 0;
    std::vector<uint8_t> data;
};

// The resources of `image` in tree order (by type, name and language, as Windows searches them),
// whatever order the tree stores them in; an empty list when it has no resource directory.
// Nothing when the tree is malformed: `fault` then says how.
std::optional<std::vector<Resource>> ReadResources(std::span<const uint8_t> image,
                                                   const PeLayout& layout, std::string& fault);

// A resource section holding `resources` (sorted into tree order here), for the RVA it will be
// loaded at: directory tables, then names, then data entries, then the data, each datum aligned
// to 8 bytes.
std::vector<uint8_t> BuildResourceSection(std::vector<Resource> resources, uint32_t sectionRva);

}  // namespace vexa::pe
