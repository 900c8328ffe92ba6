#include "test_image.h"

#include <algorithm>
#include <cstring>

#include "pe/icon_file.h"
#include "pe/pe_image.h"
#include "pe_checksum.h"

namespace vexa::pe::testing {

namespace {

constexpr size_t kPeOffset = 0x80;
constexpr size_t kHeadersSize = 0x400;

struct Section {
    const char* name;
    uint32_t characteristics;
    std::vector<uint8_t> data;
    uint32_t rva = 0;
    uint32_t raw = 0;
};

}  // namespace

std::vector<uint8_t> TestImage(const std::vector<Resource>& resources,
                               const TestImageOptions& options) {
    std::vector<Section> sections;
    std::vector<uint8_t> code(0x180, 0xCC);
    if (options.destinationField) {
        // A NUL, three question marks and zeros to 256 bytes, as vexa sfx looks for it.
        code.resize(0x300, 0xCC);
        std::fill(code.begin() + 0x40, code.begin() + 0x40 + 256, 0);
        std::fill(code.begin() + 0x41, code.begin() + 0x44, '?');
    }
    sections.push_back({".text", 0x60000020, code});
    sections.push_back({".rsrc", 0x40000040, BuildResourceSection(resources, kTestResourceRva)});
    if (options.codeAfterResources) sections.push_back({".text2", 0x60000020, {0xC3}});
    if (options.relocations) {
        // One block for the code page: two 32-bit fixups and a padding entry.
        std::vector<uint8_t> block(12, 0);
        StoreLe(block, 0, 4, 0x1000);
        StoreLe(block, 4, 4, 12);
        StoreLe(block, 8, 2, 0x3010);
        StoreLe(block, 10, 2, 0x3020);
        sections.push_back({".reloc", 0x42000040, block});
    }
    uint32_t rva = 0x1000;
    uint32_t raw = kHeadersSize;
    for (Section& section : sections) {
        section.rva = rva;
        section.raw = raw;
        rva += uint32_t(AlignUp(section.data.size(), kTestSectionAlignment));
        raw += uint32_t(AlignUp(section.data.size(), kTestFileAlignment));
    }
    std::vector<uint8_t> image(raw, 0);
    image[0] = 'M';
    image[1] = 'Z';
    StoreLe(image, 0x3C, 4, kPeOffset);
    std::memcpy(&image[kPeOffset], "PE\0\0", 4);
    const size_t coff = kPeOffset + 4;
    const size_t optionalSize = options.pe32Plus ? 240 : 224;
    StoreLe(image, coff, 2, options.pe32Plus ? kMachineAmd64 : kMachineI386);
    StoreLe(image, coff + 2, 2, uint32_t(sections.size()));
    StoreLe(image, coff + 16, 2, uint32_t(optionalSize));
    const size_t optional = coff + 20;
    StoreLe(image, optional, 2, options.pe32Plus ? 0x20B : 0x10B);
    StoreLe(image, optional + 8, 4, raw - kHeadersSize - 0x200);  // initialised data
    StoreLe(image, optional + 32, 4, kTestSectionAlignment);
    StoreLe(image, optional + 36, 4, kTestFileAlignment);
    StoreLe(image, optional + 56, 4, rva);
    StoreLe(image, optional + 60, 4, kHeadersSize);
    const size_t countField = optional + (options.pe32Plus ? 108 : 92);
    StoreLe(image, countField, 4, 16);
    const size_t directories = countField + 4;
    const size_t table = optional + optionalSize;
    for (size_t i = 0; i < sections.size(); ++i) {
        const Section& section = sections[i];
        const size_t header = table + 40 * i;
        std::memcpy(&image[header], section.name, std::strlen(section.name));
        StoreLe(image, header + 8, 4, uint32_t(section.data.size()));
        StoreLe(image, header + 12, 4, section.rva);
        StoreLe(image, header + 16, 4, uint32_t(AlignUp(section.data.size(), kTestFileAlignment)));
        StoreLe(image, header + 20, 4, section.raw);
        StoreLe(image, header + 36, 4, section.characteristics);
        std::memcpy(&image[section.raw], section.data.data(), section.data.size());
        const std::string name = section.name;
        if (name == ".rsrc") {
            StoreLe(image, directories + 8 * kResourceDirectory, 4, section.rva);
            StoreLe(image, directories + 8 * kResourceDirectory + 4, 4,
                    uint32_t(section.data.size()));
        } else if (name == ".reloc") {
            StoreLe(image, directories + 8 * kBaseRelocationDirectory, 4, section.rva);
            StoreLe(image, directories + 8 * kBaseRelocationDirectory + 4, 4,
                    uint32_t(section.data.size()));
        }
    }
    if (options.checksum) StoreLe(image, optional + 64, 4, PeChecksum(image, optional + 64));
    return image;
}

std::vector<Resource> StubLikeResources() {
    const ResourceId english = ResourceId::Number(0x409);
    auto bytes = [](size_t size, uint8_t fill) { return std::vector<uint8_t>(size, fill); };
    return {
        {ResourceId::Number(kIconType), ResourceId::Number(1), english, 0, bytes(744, 1)},
        {ResourceId::Number(kIconType), ResourceId::Number(2), english, 0, bytes(296, 2)},
        {ResourceId::Number(kDialogType), ResourceId::Number(129), english, 0, bytes(100, 3)},
        {ResourceId::Number(kIconGroupType), ResourceId::Number(107), english, 0,
         BuildIconGroup(
             {{32, 32, 16, 1, 4, false, bytes(744, 1)}, {16, 16, 16, 1, 4, false, bytes(296, 2)}},
             {1, 2})},
        {ResourceId::Number(24), ResourceId::Number(1), english, 0, bytes(758, 5)},
    };
}

}  // namespace vexa::pe::testing
