// The export table read as `vexa info` reads it: names in table order, hostile tables refused.
#include "pe/pe_exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "test_image.h"

namespace vexa::pe {
namespace {

using testing::StubLikeResources;
using testing::TestImage;

// A test image whose first section holds an export table naming "alpha" and "beta", after
// `damage` had its say over the image and the offsets involved.
struct ExportImage {
    std::vector<uint8_t> image;
    PeLayout layout;
    size_t table = 0;  // file offset of the export directory
    uint32_t rva = 0;  // its RVA
};

ExportImage MakeExportImage() {
    ExportImage e;
    e.image = TestImage(StubLikeResources());
    std::string fault;
    e.layout = *ReadPeLayout(e.image, fault);
    const PeSection& first = e.layout.sections.front();
    e.rva = first.virtualAddress + 0x10;
    e.table = first.rawPointer + 0x10;
    StoreLe(e.image, e.table + 24, 4, 2);               // number of names
    StoreLe(e.image, e.table + 32, 4, e.rva + 0x30);    // the list of names
    StoreLe(e.image, e.table + 0x30, 4, e.rva + 0x50);  // -> "alpha"
    StoreLe(e.image, e.table + 0x34, 4, e.rva + 0x60);  // -> "beta"
    std::memcpy(e.image.data() + e.table + 0x50, "alpha", 6);
    std::memcpy(e.image.data() + e.table + 0x60, "beta", 5);
    StoreLe(e.image, e.layout.directoriesOffset, 4, e.rva);
    StoreLe(e.image, e.layout.directoriesOffset + 4, 4, 40);
    e.layout = *ReadPeLayout(e.image, fault);
    return e;
}

TEST(ReadExportNames, ListsTheNamesInTableOrder) {
    const ExportImage e = MakeExportImage();
    std::string fault;
    const auto names = ReadExportNames(e.image, e.layout, fault);
    ASSERT_TRUE(names) << fault;
    EXPECT_EQ(*names, (std::vector<std::string>{"alpha", "beta"}));
}

TEST(ReadExportNames, AnImageWithoutExportsHasNone) {
    const std::vector<uint8_t> image = TestImage(StubLikeResources());
    std::string fault;
    const auto names = ReadExportNames(image, *ReadPeLayout(image, fault), fault);
    ASSERT_TRUE(names) << fault;
    EXPECT_TRUE(names->empty());
}

TEST(ReadExportNames, RefusesHostileTables) {
    const struct {
        const char* name;
        std::function<void(ExportImage&)> damage;
        const char* fault;
    } cases[] = {
        {"table outside the sections",
         [](ExportImage& e) { StoreLe(e.image, e.layout.directoriesOffset, 4, 0x7FFFFF00); },
         "the export table lies outside"},
        {"millions of names", [](ExportImage& e) { StoreLe(e.image, e.table + 24, 4, 5000000); },
         "names 5000000 functions"},
        {"list of names outside",
         [](ExportImage& e) { StoreLe(e.image, e.table + 32, 4, 0x7FFFFF00); },
         "list of names lies outside"},
        {"a name outside", [](ExportImage& e) { StoreLe(e.image, e.table + 0x34, 4, 0xFFFFFFF0); },
         "export name 1 lies outside"},
        {"a name that runs to the section's end",
         [](ExportImage& e) {
             const PeSection& first = e.layout.sections.front();
             const size_t end = size_t(first.rawPointer) + first.rawSize;
             std::memset(e.image.data() + e.table + 0x60, 'b', end - (e.table + 0x60));
         },
         "export name 1 does not end"},
    };
    for (const auto& c : cases) {
        ExportImage e = MakeExportImage();
        c.damage(e);
        std::string fault;
        const auto layout = ReadPeLayout(e.image, fault);  // the directory as damaged
        ASSERT_TRUE(layout) << c.name << ": " << fault;
        const auto names = ReadExportNames(e.image, *layout, fault);
        EXPECT_FALSE(names) << c.name;
        EXPECT_NE(fault.find(c.fault), std::string::npos) << c.name << ": " << fault;
    }
}

}  // namespace
}  // namespace vexa::pe
