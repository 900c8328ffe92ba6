#include "resource_section.h"

#include <algorithm>

#include "pe_checksum.h"

namespace vexa::pe {

namespace {

constexpr uint32_t kExecutable = 0x20000000;  // section characteristics: code runs there
constexpr size_t kPageSize = 4096;            // a base relocation block covers one page
constexpr uint64_t kAddressSpaceEnd = uint64_t(1) << 32;  // relative addresses are 32-bit

// Windows loads file alignments that are powers of two up to 64 KiB, with sections aligned at
// least as coarsely. The new section's size is rounded up to them, so a hostile value would ask
// for gigabytes.
bool LoadableAlignments(const PeLayout& layout) {
    constexpr uint32_t kMaxFileAlignment = 0x10000;
    const auto powerOfTwo = [](uint32_t value) { return value != 0 && (value & (value - 1)) == 0; };
    return powerOfTwo(layout.fileAlignment) && powerOfTwo(layout.sectionAlignment) &&
           layout.fileAlignment <= kMaxFileAlignment &&
           layout.sectionAlignment >= layout.fileAlignment;
}

// How much of the address space the loader gives a section.
uint64_t MappedSize(const PeSection& section) {
    return section.virtualSize != 0 ? section.virtualSize : section.rawSize;
}

// Only the sections after the resources in the section table move, so they must lie after
// them in memory and in the file, and the others before them; one that overlaps the resources
// would lose its bytes to the new section.
std::string PlacementProblem(const PeLayout& layout, const PeSection& resources,
                             const PeSection& section, bool listedAfter) {
    const auto mappedEnd = [&](const PeSection& s) {
        return s.virtualAddress + AlignUp(MappedSize(s), layout.sectionAlignment);
    };
    const auto rawEnd = [](const PeSection& s) { return uint64_t(s.rawPointer) + s.rawSize; };
    const bool inPlace =
        listedAfter ? section.virtualAddress >= mappedEnd(resources) &&
                          (section.rawSize == 0 || section.rawPointer >= rawEnd(resources))
                    : mappedEnd(section) <= resources.virtualAddress &&
                          (section.rawSize == 0 || rawEnd(section) <= resources.rawPointer);
    if (inPlace) return {};
    return "section " + section.name + " is not " + (listedAfter ? "after" : "before") +
           " the resources in memory and in the file, as the section table has it";
}

// Sections after the resources move to other RVAs. That is safe for one that holds the base
// relocations and nothing else a directory points at (no code refers to it), as long as no
// relocation falls into the resources or after them.
std::string MovableProblem(std::span<const uint8_t> image, const PeLayout& layout,
                           const PeSection& section, uint32_t resourceRva) {
    const std::string name = "section " + section.name + " after the resources";
    if (section.characteristics & kExecutable) return name + " holds code";
    for (uint32_t d = 0; d < layout.directories.size(); ++d) {
        const DataDirectory entry = layout.directories[d];
        if (d == kCertificateDirectory || (entry.address == 0 && entry.size == 0)) continue;
        if (layout.SectionAt(entry.address) == &section && d != kBaseRelocationDirectory)
            return name + " holds data directory " + std::to_string(d);
    }
    const DataDirectory relocations = layout.Directory(kBaseRelocationDirectory);
    if (layout.SectionAt(relocations.address) != &section)
        return name + " is not the base relocation table";
    const auto at = layout.FileOffset(relocations.address, relocations.size);
    if (!at) return "the base relocation table lies outside its section";
    for (size_t block = 0; block + 8 <= relocations.size;) {
        const uint32_t page = LoadLe(image, *at + block, 4);
        const uint32_t size = LoadLe(image, *at + block + 4, 4);
        if (size < 8) break;
        if (uint64_t(page) + kPageSize > resourceRva && size > 8)
            return "the base relocations reach into the resources";
        block += size;
    }
    return {};
}

}  // namespace

std::string ReplaceResources(std::vector<uint8_t>& image, const std::vector<Resource>& resources) {
    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    if (!layout) return fault;
    if (layout->Directory(kCertificateDirectory).size != 0)
        return "the image is signed; resources are replaced before signing";
    if (!LoadableAlignments(*layout))
        return "the image's alignments (file " + std::to_string(layout->fileAlignment) +
               ", sections " + std::to_string(layout->sectionAlignment) +
               ") are not ones Windows loads";
    const DataDirectory directory = layout->Directory(kResourceDirectory);
    const auto found =
        std::find_if(layout->sections.begin(), layout->sections.end(),
                     [&](const PeSection& s) { return s.virtualAddress == directory.address; });
    if (directory.address == 0 || found == layout->sections.end())
        return "the image has no resource section of its own";
    const PeSection& resourceSection = *found;
    const std::span<const PeSection> following(found + 1, layout->sections.end());
    for (const PeSection& section : layout->sections)
        if (&section != &resourceSection)
            if (std::string problem = PlacementProblem(*layout, resourceSection, section,
                                                       &section > &resourceSection);
                !problem.empty())
                return problem;
    for (const PeSection& section : following)
        if (std::string problem = MovableProblem(image, *layout, section, directory.address);
            !problem.empty())
            return problem;
    // Whatever else a directory finds in the resource section's pages would be lost in the new
    // layout: the padding after its data is rewritten too, and the new data may grow into it.
    // A directory counts by every byte it names, not only where it starts.
    const uint64_t ownedStart = resourceSection.virtualAddress;
    const uint64_t ownedEnd =
        ownedStart + AlignUp(MappedSize(resourceSection), layout->sectionAlignment);
    for (uint32_t d = 0; d < layout->directories.size(); ++d) {
        const DataDirectory entry = layout->directories[d];
        if (d == kResourceDirectory || d == kCertificateDirectory || entry.address == 0) continue;
        const uint64_t entryEnd = uint64_t(entry.address) + std::max<uint32_t>(entry.size, 1);
        if (entryEnd > kAddressSpaceEnd)
            return "data directory " + std::to_string(d) + " runs past the 4 GiB address space";
        if (entry.address < ownedEnd && entryEnd > ownedStart)
            return "data directory " + std::to_string(d) +
                   " lies in the resource section, which is laid out anew";
    }
    if (layout->RawEnd() != image.size()) return "the image has data after its last section";

    const std::vector<uint8_t> section =
        BuildResourceSection(resources, resourceSection.virtualAddress);
    const uint64_t oldRaw = resourceSection.rawSize;
    const uint64_t newRaw = AlignUp(section.size(), layout->fileAlignment);
    const int64_t rawShift = int64_t(newRaw) - int64_t(oldRaw);
    const int64_t virtualShift =
        int64_t(AlignUp(section.size(), layout->sectionAlignment)) -
        int64_t(AlignUp(MappedSize(resourceSection), layout->sectionAlignment));

    // What moves must stay inside the address space, or its new address would wrap around.
    uint64_t imageEnd = layout->sizeOfHeaders;
    for (const PeSection& s : layout->sections) {
        const bool isResources = &s == &resourceSection;
        const uint64_t start =
            s.virtualAddress +
            (s.virtualAddress > resourceSection.virtualAddress ? virtualShift : 0);
        const uint64_t size = isResources ? section.size() : MappedSize(s);
        imageEnd = std::max(imageEnd, start + size);
    }
    if (AlignUp(imageEnd, layout->sectionAlignment) > kAddressSpaceEnd)
        return "the image would end past the 4 GiB address space";
    for (uint32_t d = 0; d < layout->directories.size(); ++d) {
        const DataDirectory entry = layout->directories[d];
        if (d != kCertificateDirectory && entry.address > resourceSection.virtualAddress &&
            uint64_t(entry.address) + entry.size + virtualShift > kAddressSpaceEnd)
            return "data directory " + std::to_string(d) +
                   " would move past the 4 GiB address space";
    }

    std::vector<uint8_t> result(image.begin(), image.begin() + resourceSection.rawPointer);
    result.insert(result.end(), section.begin(), section.end());
    result.resize(resourceSection.rawPointer + newRaw, 0);
    result.insert(result.end(), image.begin() + resourceSection.rawPointer + oldRaw, image.end());

    StoreLe(result, resourceSection.headerOffset + 8, 4, uint32_t(section.size()));
    StoreLe(result, resourceSection.headerOffset + 16, 4, uint32_t(newRaw));
    for (const PeSection& moved : following) {
        StoreLe(result, moved.headerOffset + 12, 4, uint32_t(moved.virtualAddress + virtualShift));
        if (moved.rawSize != 0)
            StoreLe(result, moved.headerOffset + 20, 4, uint32_t(moved.rawPointer + rawShift));
    }
    for (uint32_t d = 0; d < layout->directories.size(); ++d) {
        const size_t at = layout->directoriesOffset + 8 * d;
        const DataDirectory entry = layout->directories[d];
        if (d == kResourceDirectory) {
            StoreLe(result, at + 4, 4, uint32_t(section.size()));
        } else if (d != kCertificateDirectory && entry.address > resourceSection.virtualAddress) {
            StoreLe(result, at, 4, uint32_t(entry.address + virtualShift));
        }
    }
    StoreLe(result, layout->sizeOfImageOffset, 4,
            uint32_t(AlignUp(imageEnd, layout->sectionAlignment)));
    const uint32_t initializedData = LoadLe(result, layout->initializedDataOffset, 4);
    StoreLe(result, layout->initializedDataOffset, 4, uint32_t(initializedData + rawShift));
    if (LoadLe(result, layout->checksumOffset, 4) != 0)
        StoreLe(result, layout->checksumOffset, 4, PeChecksum(result, layout->checksumOffset));
    image = std::move(result);
    return {};
}

}  // namespace vexa::pe
