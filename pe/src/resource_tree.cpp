#include "resource_tree.h"

#include <algorithm>
#include <map>

#include "pe/utf16.h"

namespace vexa::pe {

namespace {

constexpr uint32_t kHighBit = 0x80000000;
constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr int kLanguageLevel = 2;
// A program's resources are a few dozen; the bounds keep a hostile tree (directories shared
// between many parents) from multiplying into a huge list.
constexpr size_t kMaxResources = 4096;
constexpr uint64_t kMaxDataBytes = 64u << 20;

// The order Windows searches a tree in: by type, then name, then language.
bool InTreeOrder(const Resource& a, const Resource& b) {
    if (!(a.type == b.type)) return a.type < b.type;
    if (!(a.name == b.name)) return a.name < b.name;
    return a.language < b.language;
}

class TreeReader {
  public:
    TreeReader(std::span<const uint8_t> image, const PeLayout& layout, size_t root, size_t end,
               std::string& fault)
        : image_(image), layout_(layout), root_(root), end_(end), fault_(fault) {}

    bool ReadDirectory(size_t offset, int level, Resource path) {
        if (!Fits(offset, kDirectoryHeaderSize)) return Fail("a directory table");
        const size_t count =
            LoadLe(image_, root_ + offset + 12, 2) + size_t(LoadLe(image_, root_ + offset + 14, 2));
        const size_t entries = offset + kDirectoryHeaderSize;
        if (!Fits(entries, count * kDirectoryEntrySize)) return Fail("a directory table");
        for (size_t i = 0; i < count; ++i) {
            const size_t entry = root_ + entries + i * kDirectoryEntrySize;
            ResourceId id;
            if (!ReadId(LoadLe(image_, entry, 4), id)) return false;
            (level == 0 ? path.type : level == 1 ? path.name : path.language) = id;
            const uint32_t target = LoadLe(image_, entry + 4, 4);
            const bool subdirectory = (target & kHighBit) != 0;
            if (subdirectory != (level < kLanguageLevel)) {
                fault_ = "the resource tree is not three levels deep";
                return false;
            }
            const bool read = subdirectory ? ReadDirectory(target & ~kHighBit, level + 1, path)
                                           : ReadData(target, path);
            if (!read) return false;
        }
        return true;
    }

    std::vector<Resource> Take() { return std::move(resources_); }

  private:
    bool Fits(size_t offset, size_t size) const {
        return offset <= end_ - root_ && size <= end_ - root_ - offset;
    }

    bool Fail(const std::string& what) {
        fault_ = what + " of the resources lies outside their section";
        return false;
    }

    bool ReadId(uint32_t field, ResourceId& id) {
        if (!(field & kHighBit)) {
            id = ResourceId::Number(uint16_t(field));
            return true;
        }
        const size_t offset = field & ~kHighBit;
        if (!Fits(offset, 2)) return Fail("a resource name");
        const size_t length = LoadLe(image_, root_ + offset, 2);
        if (!Fits(offset + 2, 2 * length)) return Fail("a resource name");
        id.named = true;
        id.name = LoadUtf16(image_.subspan(root_ + offset + 2, 2 * length));
        return true;
    }

    bool ReadData(size_t offset, Resource& path) {
        if (!Fits(offset, kDataEntrySize)) return Fail("a data entry");
        const uint32_t rva = LoadLe(image_, root_ + offset, 4);
        const uint32_t size = LoadLe(image_, root_ + offset + 4, 4);
        const auto at = layout_.FileOffset(rva, size);
        if (!at) {
            fault_ = "the data of a resource (" + std::to_string(size) + " bytes at RVA " +
                     std::to_string(rva) + ") lies outside the file's sections";
            return false;
        }
        dataBytes_ += size;
        if (resources_.size() == kMaxResources || dataBytes_ > kMaxDataBytes) {
            fault_ = "the resource tree is implausibly large";
            return false;
        }
        path.codePage = LoadLe(image_, root_ + offset + 8, 4);
        path.data.assign(image_.begin() + *at, image_.begin() + *at + size);
        resources_.push_back(path);
        return true;
    }

    std::span<const uint8_t> image_;
    const PeLayout& layout_;
    size_t root_;
    size_t end_;
    std::string& fault_;
    std::vector<Resource> resources_;
    uint64_t dataBytes_ = 0;
};

// The tree to lay out: types, their names, and the languages of each name.
struct NameNode {
    const ResourceId* id;
    std::vector<const Resource*> languages;
    size_t directory = 0;
};
struct TypeNode {
    const ResourceId* id;
    std::vector<NameNode> names;
    size_t directory = 0;
};

std::vector<TypeNode> GroupIntoTree(const std::vector<Resource>& sorted) {
    std::vector<TypeNode> types;
    for (const Resource& resource : sorted) {
        if (types.empty() || !(*types.back().id == resource.type))
            types.push_back({&resource.type, {}});
        auto& names = types.back().names;
        if (names.empty() || !(*names.back().id == resource.name))
            names.push_back({&resource.name, {}});
        auto& languages = names.back().languages;
        if (languages.empty() || !(languages.back()->language == resource.language))
            languages.push_back(&resource);
    }
    return types;
}

class SectionWriter {
  public:
    explicit SectionWriter(size_t size) : bytes_(size, 0) {}

    void Put(size_t at, size_t width, uint32_t value) { StoreLe(bytes_, at, width, value); }

    // A directory table header followed by room for its entries.
    void Directory(size_t at, const std::vector<const ResourceId*>& ids) {
        const auto named =
            std::count_if(ids.begin(), ids.end(), [](auto* id) { return id->named; });
        Put(at + 12, 2, uint32_t(named));
        Put(at + 14, 2, uint32_t(ids.size() - size_t(named)));
    }

    void Entry(size_t directory, size_t index, uint32_t idField, uint32_t target) {
        const size_t at = directory + kDirectoryHeaderSize + index * kDirectoryEntrySize;
        Put(at, 4, idField);
        Put(at + 4, 4, target);
    }

    void Copy(size_t at, std::span<const uint8_t> data) {
        std::copy(data.begin(), data.end(), bytes_.begin() + at);
    }

    std::vector<uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace

bool ResourceId::operator<(const ResourceId& other) const {
    if (named != other.named) return named;
    return named ? name < other.name : number < other.number;
}

std::optional<std::vector<Resource>> ReadResources(std::span<const uint8_t> image,
                                                   const PeLayout& layout, std::string& fault) {
    const DataDirectory directory = layout.Directory(kResourceDirectory);
    if (directory.address == 0 && directory.size == 0) return std::vector<Resource>{};
    // The tree is read within the raw data of the section that holds its root, and only there.
    const PeSection* section = layout.SectionHolding(directory.address, kDirectoryHeaderSize);
    if (!section) {
        fault = "the resource directory lies outside the file's sections";
        return std::nullopt;
    }
    const size_t root = section->rawPointer + size_t(directory.address - section->virtualAddress);
    const size_t end = size_t(section->rawPointer) + section->rawSize;
    TreeReader reader(image, layout, root, end, fault);
    if (!reader.ReadDirectory(0, 0, {})) return std::nullopt;
    // A tree stored out of order would otherwise read differently once laid out anew: what is
    // edited as the first of its kind must be the first after the rewrite too.
    std::vector<Resource> resources = reader.Take();
    std::stable_sort(resources.begin(), resources.end(), InTreeOrder);
    return resources;
}

std::vector<uint8_t> BuildResourceSection(std::vector<Resource> resources, uint32_t sectionRva) {
    std::stable_sort(resources.begin(), resources.end(), InTreeOrder);
    std::vector<TypeNode> types = GroupIntoTree(resources);

    // Directory tables level by level, then the names, the data entries and the data.
    size_t offset = kDirectoryHeaderSize + types.size() * kDirectoryEntrySize;
    for (TypeNode& type : types) {
        type.directory = offset;
        offset += kDirectoryHeaderSize + type.names.size() * kDirectoryEntrySize;
    }
    for (TypeNode& type : types)
        for (NameNode& name : type.names) {
            name.directory = offset;
            offset += kDirectoryHeaderSize + name.languages.size() * kDirectoryEntrySize;
        }
    std::map<std::u16string, size_t> nameOffsets;
    auto placeName = [&](const ResourceId& id) {
        if (id.named && nameOffsets.emplace(id.name, offset).second)
            offset += 2 + 2 * id.name.size();
    };
    for (const TypeNode& type : types) {
        placeName(*type.id);
        for (const NameNode& name : type.names) {
            placeName(*name.id);
            for (const Resource* leaf : name.languages) placeName(leaf->language);
        }
    }
    offset = size_t(AlignUp(offset, 4));
    std::map<const Resource*, size_t> entryOffsets;
    for (const TypeNode& type : types)
        for (const NameNode& name : type.names)
            for (const Resource* leaf : name.languages) {
                entryOffsets[leaf] = offset;
                offset += kDataEntrySize;
            }
    std::map<const Resource*, size_t> dataOffsets;
    for (const auto& [leaf, entry] : entryOffsets) {
        offset = size_t(AlignUp(offset, 8));
        dataOffsets[leaf] = offset;
        offset += leaf->data.size();
    }

    SectionWriter out(AlignUp(offset, 4));
    auto idField = [&](const ResourceId& id) {
        return id.named ? kHighBit | uint32_t(nameOffsets.at(id.name)) : id.number;
    };
    std::vector<const ResourceId*> ids;
    for (const TypeNode& type : types) ids.push_back(type.id);
    out.Directory(0, ids);
    for (size_t t = 0; t < types.size(); ++t) {
        const TypeNode& type = types[t];
        out.Entry(0, t, idField(*type.id), kHighBit | uint32_t(type.directory));
        ids.clear();
        for (const NameNode& name : type.names) ids.push_back(name.id);
        out.Directory(type.directory, ids);
        for (size_t n = 0; n < type.names.size(); ++n) {
            const NameNode& name = type.names[n];
            out.Entry(type.directory, n, idField(*name.id), kHighBit | uint32_t(name.directory));
            ids.clear();
            for (const Resource* leaf : name.languages) ids.push_back(&leaf->language);
            out.Directory(name.directory, ids);
            for (size_t l = 0; l < name.languages.size(); ++l) {
                const Resource* leaf = name.languages[l];
                const size_t entry = entryOffsets.at(leaf);
                out.Entry(name.directory, l, idField(leaf->language), uint32_t(entry));
                out.Put(entry, 4, sectionRva + uint32_t(dataOffsets.at(leaf)));
                out.Put(entry + 4, 4, uint32_t(leaf->data.size()));
                out.Put(entry + 8, 4, leaf->codePage);
                out.Copy(dataOffsets.at(leaf), leaf->data);
            }
        }
    }
    for (const auto& [name, at] : nameOffsets) {
        out.Put(at, 2, uint32_t(name.size()));
        std::vector<uint8_t> units;
        AppendUtf16(name, units);
        out.Copy(at + 2, units);
    }
    return out.Take();
}

}  // namespace vexa::pe
