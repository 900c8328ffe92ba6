#include "pe/pe_exports.h"

namespace vexa::pe {

namespace {

constexpr uint32_t kExportDirectory = 0;
constexpr uint32_t kExportDirectorySize = 40;
constexpr size_t kNameCountField = 24;
constexpr size_t kNameTableField = 32;

// The file offset of `size` bytes at `rva`, when they lie in one section's raw data within
// the image as read.
std::optional<size_t> Within(std::span<const uint8_t> image, const PeLayout& layout, uint32_t rva,
                             uint32_t size) {
    const auto at = layout.FileOffset(rva, size);
    if (!at || *at > image.size() || image.size() - *at < size) return std::nullopt;
    return at;
}

}  // namespace

std::optional<std::vector<std::string>> ReadExportNames(std::span<const uint8_t> image,
                                                        const PeLayout& layout,
                                                        std::string& fault) {
    const DataDirectory directory = layout.Directory(kExportDirectory);
    if (directory.address == 0 && directory.size == 0) return std::vector<std::string>();
    const auto table = Within(image, layout, directory.address, kExportDirectorySize);
    if (!table) {
        fault = "the export table lies outside the sections' data";
        return std::nullopt;
    }
    const uint32_t count = LoadLe(image, *table + kNameCountField, 4);
    if (count > kMaxExportNames) {
        fault = "the export table names " + std::to_string(count) + " functions";
        return std::nullopt;
    }
    const uint32_t namesRva = LoadLe(image, *table + kNameTableField, 4);
    const auto names =
        count ? Within(image, layout, namesRva, count * 4) : std::optional<size_t>(0);
    if (!names) {
        fault = "the export table's list of names lies outside the sections' data";
        return std::nullopt;
    }
    std::vector<std::string> result;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t nameRva = LoadLe(image, *names + 4 * i, 4);
        const PeSection* section = layout.SectionHolding(nameRva, 1);
        const auto at = Within(image, layout, nameRva, 1);
        if (!section || !at) {
            fault = "export name " + std::to_string(i) + " lies outside the sections' data";
            return std::nullopt;
        }
        // The name ends with a NUL within its section's raw data.
        const size_t sectionEnd = size_t(section->rawPointer) + section->rawSize;
        std::string name;
        size_t p = *at;
        while (p < sectionEnd && p < image.size() && image[p] != 0 &&
               name.size() < kMaxExportNameLength)
            name += char(image[p++]);
        if (p >= sectionEnd || p >= image.size() || image[p] != 0) {
            fault = "export name " + std::to_string(i) + " does not end";
            return std::nullopt;
        }
        result.push_back(std::move(name));
    }
    return result;
}

}  // namespace vexa::pe
