#include "sfx_maker.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <span>

#include "writer.h"

namespace sfxtest {

namespace {

constexpr size_t kFieldSize = 256;

bool IsEmptyDestinationField(const uint8_t* p) {
    if (p[0] != 0 || p[1] != '?' || p[2] != '?' || p[3] != '?') return false;
    return std::all_of(p + 4, p + kFieldSize, [](uint8_t b) { return b == 0; });
}

}  // namespace

std::vector<uint8_t> BuildArchive(const std::vector<ArchiveEntry>& entries) {
    std::vector<vexa::pack::EncodedEntry> encoded;
    for (const ArchiveEntry& entry : entries) {
        vexa::pack::EntryMeta meta;
        meta.name = entry.name;
        meta.attributes = entry.attributes;
        const auto* bytes = reinterpret_cast<const uint8_t*>(entry.content.data());
        encoded.push_back(vexa::pack::EncodeEntry(meta, std::span(bytes, entry.content.size())));
        if (entry.wrongCrc) encoded.back().record.crc ^= 0x5A5A5A5Au;
        if (entry.damagedData)
            for (size_t i = 4; i < encoded.back().data.size(); i += 3)
                encoded.back().data[i] ^= 0xA5;
    }
    return vexa::pack::BuildArchive(encoded);
}

std::optional<size_t> FindDefaultDestination(const std::vector<uint8_t>& image) {
    std::optional<size_t> found;
    for (size_t i = 0; i + kFieldSize <= image.size(); ++i) {
        if (!IsEmptyDestinationField(image.data() + i)) continue;
        if (found) return std::nullopt;
        found = i;
    }
    return found;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

std::string FormSelfExtractor(const std::string& stubPath, const std::vector<uint8_t>& archive,
                              const std::string& output, const std::string& initialDestination) {
    std::vector<uint8_t> image = ReadFileBytes(stubPath);
    if (image.empty()) return "cannot read the stub " + stubPath;
    if (!initialDestination.empty()) {
        if (initialDestination.size() >= kFieldSize) return "initial destination too long";
        const std::optional<size_t> field = FindDefaultDestination(image);
        if (!field) return "no unique initial destination field in " + stubPath;
        std::fill_n(image.begin() + std::ptrdiff_t(*field), kFieldSize, 0);
        std::memcpy(image.data() + *field, initialDestination.data(), initialDestination.size());
    }
    image.insert(image.end(), archive.begin(), archive.end());
    if (!WriteFileBytes(output, image)) return "cannot write " + output;
    return {};
}

}  // namespace sfxtest
