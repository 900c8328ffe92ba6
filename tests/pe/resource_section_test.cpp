// The resource tree read from and laid out into a section, and a new resource section put into
// an image with everything after it moved.
#include "resource_section.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "pe/branding.h"
#include "pe/utf16.h"
#include "pe_checksum.h"
#include "test_image.h"

namespace vexa::pe {
namespace {

using testing::StubLikeResources;
using testing::TestImage;
using testing::TestImageOptions;

std::vector<Resource> ReadBack(const std::vector<uint8_t>& image) {
    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    EXPECT_TRUE(layout) << fault;
    if (!layout) return {};
    auto resources = ReadResources(image, *layout, fault);
    EXPECT_TRUE(resources) << fault;
    return resources.value_or(std::vector<Resource>{});
}

void ExpectSameResources(const std::vector<Resource>& got, const std::vector<Resource>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].type, want[i].type) << i;
        EXPECT_EQ(got[i].name, want[i].name) << i;
        EXPECT_EQ(got[i].language, want[i].language) << i;
        EXPECT_EQ(got[i].codePage, want[i].codePage) << i;
        EXPECT_EQ(got[i].data, want[i].data) << i;
    }
}

TEST(ResourceTree, NamesNumbersAndLanguagesRoundTripInTreeOrder) {
    const auto number = ResourceId::Number;
    const ResourceId named{true, 0, u"SETUP"};
    const ResourceId otherName{true, 0, u"ABOUT"};
    // Given out of order; the tree wants names first (in unit order), then numbers ascending.
    const std::vector<Resource> given = {
        {number(16), number(1), number(0x409), 1200, {1, 2, 3}},
        {named, number(7), number(0x407), 0, {4}},
        {number(5), otherName, number(0x409), 0, {5, 6}},
        {number(5), number(129), number(0x407), 0, {7}},
        {number(5), number(129), number(0x409), 0, {8, 9, 10, 11, 12}},
        {number(5), named, number(0x409), 0, {}},
    };
    const std::vector<Resource> sorted = {given[1], given[2], given[5],
                                          given[3], given[4], given[0]};
    const auto image = TestImage(given);
    ExpectSameResources(ReadBack(image), sorted);

    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    const size_t root = *layout->FileOffset(testing::kTestResourceRva, 16);
    EXPECT_EQ(LoadLe(image, root + 12, 2), 1u);  // one named type
    EXPECT_EQ(LoadLe(image, root + 14, 2), 2u);  // two numbered ones
}

// A plain dialog template without font or controls: header, no menu, the default class, caption.
std::vector<uint8_t> CaptionOnlyDialog(std::u16string_view caption) {
    std::vector<uint8_t> dialog(18 + 4, 0);
    AppendUtf16(caption, dialog);
    dialog.insert(dialog.end(), {0, 0});
    return dialog;
}

// Windows searches a tree sorted by id; a tree stored otherwise is read in that order all the
// same, so that the dialog branding edits is the one the rewritten image shows.
TEST(ResourceTree, EntriesStoredOutOfOrderAreReadInTreeOrder) {
    const auto number = ResourceId::Number;
    auto resources = StubLikeResources();
    std::erase_if(resources, [&](const Resource& r) { return r.type == number(kDialogType); });
    for (const uint16_t language : {0x407, 0x409})
        resources.push_back({number(kDialogType), number(kStubDialog), number(language), 0,
                             CaptionOnlyDialog(language == 0x407 ? u"Entpacker" : u"Extractor")});
    auto image = TestImage(resources);
    // Swap the two language entries of dialog 129: 0x409 is then stored first.
    const std::vector<uint8_t> german = {0x07, 0x04, 0, 0};
    auto at = std::search(image.begin(), image.end(), german.begin(), german.end());
    ASSERT_NE(at, image.end());
    ASSERT_EQ(LoadLe(image, size_t(at - image.begin()) + 8, 4), 0x409u);
    std::swap_ranges(at, at + 8, at + 8);

    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    const auto read = ReadResources(image, *layout, fault);
    ASSERT_TRUE(read) << fault;
    std::vector<uint16_t> dialogLanguages;
    for (const Resource& r : *read)
        if (r.type == number(kDialogType)) dialogLanguages.push_back(r.language.number);
    EXPECT_EQ(dialogLanguages, (std::vector<uint16_t>{0x407, 0x409}));

    Branding branding;
    branding.title = u"Neuer Titel";
    ASSERT_EQ(ApplyBranding(image, branding), "");
    const auto summary = ReadBranding(image, fault);
    ASSERT_TRUE(summary) << fault;
    EXPECT_EQ(summary->title, branding.title);
}

// The layout puts data last; an empty datum then starts where the section ends.
TEST(ResourceTree, EmptyDatumAtTheSectionsEndReadsBack) {
    const std::vector<Resource> resources = {
        {ResourceId::Number(10), ResourceId::Number(1), ResourceId::Number(0), 0, {}}};
    const size_t size = BuildResourceSection(resources, testing::kTestResourceRva).size();
    auto image = TestImage(resources);
    std::string fault;
    // The section's raw data ends with the laid-out bytes, as with a file alignment that small.
    StoreLe(image, ReadPeLayout(image, fault)->sections[1].headerOffset + 16, 4, uint32_t(size));
    const auto layout = ReadPeLayout(image, fault);
    const auto read = ReadResources(image, *layout, fault);
    ASSERT_TRUE(read) << fault;
    ExpectSameResources(*read, resources);
}

// Sections may overlap in memory; the tree is read within the raw data that holds its root,
// never bounded by another section's.
TEST(ResourceTree, IsReadInTheSectionWhoseDataHoldsItsRoot) {
    auto image = TestImage(StubLikeResources());
    std::string fault;
    // .text claims 6 KB of memory, reaching over the resources' RVA, with 512 bytes of data.
    StoreLe(image, ReadPeLayout(image, fault)->sections[0].headerOffset + 8, 4, 0x1800);
    const auto layout = ReadPeLayout(image, fault);
    ASSERT_EQ(layout->SectionAt(testing::kTestResourceRva), &layout->sections[0]);
    const auto read = ReadResources(image, *layout, fault);
    ASSERT_TRUE(read) << fault;
    ExpectSameResources(*read, ReadBack(TestImage(StubLikeResources())));
}

TEST(ResourceTree, DataIsAlignedToEightBytes) {
    std::vector<Resource> resources;
    for (uint16_t i = 1; i <= 5; ++i)
        resources.push_back({ResourceId::Number(10), ResourceId::Number(i), ResourceId::Number(0),
                             0, std::vector<uint8_t>(i * 3, uint8_t(i))});
    const uint32_t rva = 0x5000;
    const auto section = BuildResourceSection(resources, rva);
    // Down the tree: the one type, its five names, each name's one language.
    const size_t types = LoadLe(section, 16 + 4, 4) & 0x7FFFFFFF;
    for (size_t i = 0; i < resources.size(); ++i) {
        const size_t languages = LoadLe(section, types + 16 + 8 * i + 4, 4) & 0x7FFFFFFF;
        const size_t entry = LoadLe(section, languages + 16 + 4, 4);
        const uint32_t data = LoadLe(section, entry, 4);
        EXPECT_EQ(data % 8, 0u) << i;
        EXPECT_EQ(LoadLe(section, entry + 4, 4), resources[i].data.size());
        EXPECT_EQ(section.at(data - rva), uint8_t(i + 1));
    }
}

// Hostile trees: each is refused with a fault, never read outside the section or multiplied.
TEST(ResourceTree, MalformedTreesAreRefused) {
    struct Case {
        const char* what;
        size_t at;  // offset in the section to overwrite
        uint32_t value;
    };
    // The stub-like tree: the root table at 0 lists four types (3, 5, 14, 24) from offset 16.
    const Case cases[] = {
        {"type's subdirectory outside the section", 20, 0x8000F000},
        {"a type entry pointing at a data entry", 20, 0x00000040},
        {"an entry count running past the section", 14, 0xFFFF},
        {"a name string outside the section", 16, 0x8000FFF0},
    };
    for (const Case& c : cases) {
        auto image = TestImage(StubLikeResources());
        std::string fault;
        const auto layout = ReadPeLayout(image, fault);
        const size_t root = *layout->FileOffset(testing::kTestResourceRva, 16);
        StoreLe(image, root + c.at, 4, c.value);
        EXPECT_FALSE(ReadResources(image, *layout, fault)) << c.what;
        EXPECT_FALSE(fault.empty()) << c.what;
    }
}

TEST(ResourceTree, SubdirectoryLoopingBackToTheRootIsRefused) {
    auto image = TestImage(StubLikeResources());
    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    const size_t root = *layout->FileOffset(testing::kTestResourceRva, 16);
    // The first type's first name entry points back at the root directory table.
    const size_t typeDirectory = LoadLe(image, root + 20, 4) & 0x7FFFFFFF;
    StoreLe(image, root + typeDirectory + 16 + 4, 4, 0x80000000);
    EXPECT_FALSE(ReadResources(image, *layout, fault));
    EXPECT_NE(fault.find("three levels"), std::string::npos) << fault;
}

TEST(ResourceTree, DataEntryOutsideTheSectionsIsRefused) {
    auto image = TestImage(StubLikeResources());
    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    const auto section = BuildResourceSection(StubLikeResources(), testing::kTestResourceRva);
    const size_t root = *layout->FileOffset(testing::kTestResourceRva, 16);
    // Data entries hold RVAs into the section; move the first one far away.
    for (size_t at = 0; at + 16 <= section.size(); at += 4)
        if (LoadLe(section, at + 4, 4) == 744 && LoadLe(section, at, 4) > 0x2000) {
            StoreLe(image, root + at, 4, 0x7FFF0000);
            break;
        }
    EXPECT_FALSE(ReadResources(image, *layout, fault));
    EXPECT_NE(fault.find("outside"), std::string::npos) << fault;
}

TEST(ResourceTree, SharedSubdirectoriesCannotMultiplyWithoutBound) {
    // One directory table at each level with 200 entries, every one pointing at the next
    // level's one table: 200^3 leaves from a few kilobytes.
    const size_t fan = 200;
    const size_t level = 16 + 8 * fan;
    std::vector<uint8_t> section(3 * level + 16 + 8, 0);
    for (size_t l = 0; l < 3; ++l) {
        StoreLe(section, l * level + 14, 2, uint32_t(fan));
        for (size_t i = 0; i < fan; ++i) {
            const size_t entry = l * level + 16 + 8 * i;
            StoreLe(section, entry, 4, uint32_t(i + 1));
            StoreLe(section, entry + 4, 4,
                    l < 2 ? uint32_t(0x80000000 | (l + 1) * level) : uint32_t(3 * level));
        }
    }
    StoreLe(section, 3 * level, 4, testing::kTestResourceRva + uint32_t(3 * level) + 16);
    StoreLe(section, 3 * level + 4, 4, 8);
    auto image = TestImage({});
    std::string fault;
    auto layout = ReadPeLayout(image, fault);
    // Put the hostile tree where the (empty) resource section is, growing the image to hold it.
    ASSERT_EQ(ReplaceResources(
                  image, {{ResourceId::Number(1), ResourceId::Number(1), ResourceId::Number(0), 0,
                           std::vector<uint8_t>(section.size(), 0)}}),
              "");
    layout = ReadPeLayout(image, fault);
    const size_t root = *layout->FileOffset(testing::kTestResourceRva, 16);
    std::copy(section.begin(), section.end(), image.begin() + root);
    EXPECT_FALSE(ReadResources(image, *layout, fault));
    EXPECT_NE(fault.find("implausibly large"), std::string::npos) << fault;
}

// The headers of an image after its resources were replaced, checked field by field.
void ExpectConsistentImage(const std::vector<uint8_t>& image, const std::vector<Resource>& want) {
    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    ASSERT_TRUE(layout) << fault;
    EXPECT_EQ(layout->RawEnd(), image.size());
    uint32_t expectedVa = 0x1000;
    uint32_t expectedRaw = 0x400;
    for (const PeSection& s : layout->sections) {
        EXPECT_EQ(s.virtualAddress, expectedVa) << s.name;
        EXPECT_EQ(s.rawPointer, expectedRaw) << s.name;
        EXPECT_EQ(s.rawSize % testing::kTestFileAlignment, 0u) << s.name;
        EXPECT_GE(s.rawSize, s.virtualSize) << s.name;
        expectedVa += (s.virtualSize + 0xFFF) & ~0xFFFu;
        expectedRaw += s.rawSize;
    }
    EXPECT_EQ(layout->sizeOfImage, expectedVa);
    const PeSection& resources = layout->sections[1];
    EXPECT_EQ(layout->Directory(kResourceDirectory).address, resources.virtualAddress);
    EXPECT_EQ(layout->Directory(kResourceDirectory).size, resources.virtualSize);
    const PeSection& relocations = layout->sections.back();
    EXPECT_EQ(relocations.name, ".reloc");
    EXPECT_EQ(layout->Directory(kBaseRelocationDirectory).address, relocations.virtualAddress);
    // The relocation block still says what it said.
    EXPECT_EQ(LoadLe(image, relocations.rawPointer, 4), 0x1000u);
    EXPECT_EQ(LoadLe(image, relocations.rawPointer + 8, 2), 0x3010u);
    const uint32_t checksum = LoadLe(image, layout->checksumOffset, 4);
    if (checksum != 0) {
        EXPECT_EQ(checksum, PeChecksum(image, layout->checksumOffset));
    }
    ExpectSameResources(ReadBack(image), want);
}

TEST(ResourceSection, GrowsAndShrinksWithRelocationsMovedInBothWidths) {
    for (const bool wide : {false, true}) {
        for (const size_t size : {size_t(10), size_t(5000), size_t(70000)}) {
            SCOPED_TRACE(std::string(wide ? "PE32+ " : "PE32 ") + std::to_string(size));
            auto image = TestImage(StubLikeResources(), {.pe32Plus = wide});
            auto resources = StubLikeResources();
            resources[0].data.assign(size, 0xAB);
            resources.push_back({ResourceId::Number(kVersionType), ResourceId::Number(1),
                                 ResourceId::Number(0x409), 0, std::vector<uint8_t>(92, 7)});
            ASSERT_EQ(ReplaceResources(image, resources), "");
            auto sorted = resources;
            std::swap(sorted[4], sorted[5]);  // version (16) before manifest (24)
            ExpectConsistentImage(image, sorted);
            // Back to the original resources: the image as laid out at first.
            ASSERT_EQ(ReplaceResources(image, StubLikeResources()), "");
            EXPECT_EQ(image, TestImage(StubLikeResources(), {.pe32Plus = wide}));
        }
    }
}

// A directory after the resources moves with them; one that would move past 4 GiB is refused
// before anything is written.
TEST(ResourceSection, DirectoryMovedPastTheAddressSpaceIsRefused) {
    const auto original = TestImage(StubLikeResources());
    auto image = original;
    std::string fault;
    const size_t at = ReadPeLayout(image, fault)->directoriesOffset + 8 * 7;
    StoreLe(image, at, 4, 0xFFFFF800);
    StoreLe(image, at + 4, 4, 0x100);
    const auto before = image;
    auto grown = StubLikeResources();
    grown[0].data.assign(70000, 0xAB);
    EXPECT_NE(ReplaceResources(image, grown).find("data directory 7 would move past the 4 GiB"),
              std::string::npos);
    EXPECT_EQ(image, before);
    // Where nothing grows, nothing moves, and the same directory is no obstacle.
    EXPECT_EQ(ReplaceResources(image, StubLikeResources()), "");
}

TEST(ResourceSection, ChecksumStaysZeroWhenTheImageHadNone) {
    auto image = TestImage(StubLikeResources(), {.checksum = false});
    auto resources = StubLikeResources();
    resources[2].data.resize(300, 9);
    ASSERT_EQ(ReplaceResources(image, resources), "");
    std::string fault;
    EXPECT_EQ(LoadLe(image, ReadPeLayout(image, fault)->checksumOffset, 4), 0u);
}

TEST(ResourceSection, ImagesThatCannotBeRewrittenSafelyAreLeftAlone) {
    struct Case {
        const char* what;
        std::vector<uint8_t> image;
        const char* expected;
    };
    auto appended = TestImage(StubLikeResources());
    appended.push_back(1);
    auto signedImage = TestImage(StubLikeResources());
    {
        std::string fault;
        const auto layout = ReadPeLayout(signedImage, fault);
        StoreLe(signedImage, layout->directoriesOffset + 8 * kCertificateDirectory, 4,
                uint32_t(signedImage.size()));
        StoreLe(signedImage, layout->directoriesOffset + 8 * kCertificateDirectory + 4, 4, 8);
    }
    auto withDirectory = [](uint32_t directory, uint32_t address, uint32_t size) {
        auto image = TestImage(StubLikeResources());
        std::string fault;
        const size_t at = ReadPeLayout(image, fault)->directoriesOffset + 8 * directory;
        StoreLe(image, at, 4, address);
        StoreLe(image, at + 4, 4, size);
        return image;
    };
    auto withAlignments = [](uint32_t file, uint32_t section) {
        auto image = TestImage(StubLikeResources());
        std::string fault;
        const size_t optional = ReadPeLayout(image, fault)->optionalOffset;
        StoreLe(image, optional + 32, 4, section);
        StoreLe(image, optional + 36, 4, file);
        return image;
    };
    // Section 0 is .text, 1 .rsrc, 2 .reloc; fields by their offset in the section header.
    auto withSectionField = [](size_t section, size_t field, uint32_t value) {
        auto image = TestImage(StubLikeResources());
        std::string fault;
        StoreLe(image, ReadPeLayout(image, fault)->sections[section].headerOffset + field, 4,
                value);
        return image;
    };
    constexpr size_t kVirtualAddress = 12, kRawSize = 16, kRawPointer = 20;
    const Case cases[] = {
        // Only the sections after the resources in the table move.
        {"code placed after the resources", withSectionField(0, kVirtualAddress, 0x5000),
         "not before the resources"},
        {"code whose file bytes run into the resources", withSectionField(0, kRawSize, 0xA00),
         "not before the resources"},
        {"relocations placed in the file before the resources",
         withSectionField(2, kRawPointer, 0x400), "not after the resources"},
        {"relocations inside the resources' pages", withSectionField(2, kVirtualAddress, 0x2800),
         "not after the resources"},
        // Rounding the new section up to these would take gigabytes.
        {"a file alignment of 1.7 GB", withAlignments(0x66006E00, 0x80000000), "alignments"},
        {"a file alignment past 64 KiB", withAlignments(0x20000, 0x20000), "alignments"},
        {"a zero file alignment", withAlignments(0, 0x1000), "alignments"},
        {"sections aligned finer than the file", withAlignments(0x200, 0x100), "alignments"},
        {"code after the resources", TestImage(StubLikeResources(), {.codeAfterResources = true}),
         "holds code"},
        {"data after the last section", appended, "after its last section"},
        {"a certificate table", signedImage, "signed"},
        // The whole of the resources' pages is laid out anew, the padding after the data too.
        {"another directory in the resources",
         withDirectory(6, testing::kTestResourceRva + 0x10, 28),
         "data directory 6 lies in the resource section"},
        {"a directory in the padding after the resources' data",
         withDirectory(10, testing::kTestResourceRva + 0xFFF, 12),
         "data directory 10 lies in the resource section"},
        {"a directory running from the code into the resources",
         withDirectory(10, testing::kTestResourceRva - 8, 12),
         "data directory 10 lies in the resource section"},
        // Relative addresses are 32-bit: one that wraps around would land anywhere.
        {"a directory running past 4 GiB", withDirectory(7, 0xFFFFFFF9, 0xFFFFFFFF),
         "data directory 7 runs past the 4 GiB address space"},
        {"not a PE image", std::vector<uint8_t>(300, 'M'), "not a Windows program"},
    };
    for (const Case& c : cases) {
        auto image = c.image;
        const std::string error = ReplaceResources(image, StubLikeResources());
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(image, c.image) << c.what;
    }
}

}  // namespace
}  // namespace vexa::pe
