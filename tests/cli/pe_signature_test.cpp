// Removing an Authenticode certificate table from a stub image.
#include "pe_signature.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "commands.h"
#include "scratch_dir.h"

namespace vexa::cli {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kPeOffset = 0x80;
constexpr size_t kOptional = kPeOffset + 24;

void Store32(Bytes& image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = uint8_t(value >> (8 * i));
}

uint32_t Load32(const Bytes& image, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= uint32_t(image[at + i]) << (8 * i);
    return value;
}

// A PE32 (or PE32+) header with 16 data directories, a checksum, and `body` bytes of sections.
Bytes PeImage(bool wide = false, size_t body = 1024) {
    Bytes image(0x400 + body, 0xCC);
    std::memset(image.data(), 0, 0x400);
    image[0] = 'M';
    image[1] = 'Z';
    Store32(image, 0x3C, kPeOffset);
    std::memcpy(&image[kPeOffset], "PE\0\0", 4);
    const size_t optionalSize = wide ? 240 : 224;
    image[kPeOffset + 20] = uint8_t(optionalSize);
    image[kOptional] = 0x0B;
    image[kOptional + 1] = wide ? 0x02 : 0x01;
    Store32(image, kOptional + 64, 0x0001F00D);  // checksum
    Store32(image, kOptional + (wide ? 108 : 92), 16);
    return image;
}

size_t SecurityEntry(bool wide) {
    return kOptional + (wide ? 112 : 96) + 4 * 8;
}

// Appends a certificate table and points the directory entry at it.
Bytes Signed(Bytes image, bool wide, size_t certificate) {
    Store32(image, SecurityEntry(wide), uint32_t(image.size()));
    Store32(image, SecurityEntry(wide) + 4, uint32_t(certificate));
    image.insert(image.end(), certificate, 0x5A);
    return image;
}

TEST(RemoveSignature, CutsTheTableAndClearsItsEntryAndTheChecksum) {
    for (bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "PE32+" : "PE32");
        const Bytes unsigned_ = PeImage(wide);
        Bytes image = Signed(unsigned_, wide, 1544);
        const SignatureRemoval removal = RemoveSignature(image);
        EXPECT_TRUE(removal.removed);
        EXPECT_EQ(removal.error, "");
        EXPECT_EQ(removal.certificateBytes, 1544u);
        ASSERT_EQ(image.size(), unsigned_.size());
        EXPECT_EQ(Load32(image, SecurityEntry(wide)), 0u);
        EXPECT_EQ(Load32(image, SecurityEntry(wide) + 4), 0u);
        EXPECT_EQ(Load32(image, kOptional + 64), 0u);
        Bytes expected = unsigned_;
        Store32(expected, kOptional + 64, 0);
        EXPECT_EQ(image, expected);
    }
}

TEST(RemoveSignature, LeavesImagesWithoutATableAsTheyAre) {
    Bytes truncatedHeaders = PeImage();
    truncatedHeaders.resize(kOptional + 40);
    Bytes noDirectories = PeImage();
    Store32(noDirectories, kOptional + 92, 4);  // entry 4 is beyond the directories
    Store32(noDirectories, SecurityEntry(false), 0x400);
    Store32(noDirectories, SecurityEntry(false) + 4, 0x400);
    Bytes unknownMagic = Signed(PeImage(), false, 64);
    unknownMagic[kOptional + 1] = 0x07;
    Bytes farOffset = PeImage();
    Store32(farOffset, 0x3C, 0xFFFFFFF0);
    const struct {
        const char* what;
        Bytes image;
    } cases[] = {
        {"not a PE file", Bytes(3000, 'p')},
        {"unsigned", PeImage()},
        {"headers cut short", truncatedHeaders},
        {"too few directories", noDirectories},
        {"unknown optional header", unknownMagic},
        {"PE header beyond the file", farOffset},
        {"empty", {}},
    };
    for (const auto& c : cases) {
        Bytes image = c.image;
        const SignatureRemoval removal = RemoveSignature(image);
        EXPECT_FALSE(removal.removed) << c.what;
        EXPECT_EQ(removal.error, "") << c.what;
        EXPECT_EQ(image, c.image) << c.what;
    }
}

TEST(RemoveSignature, RefusesATableThatIsNotAtTheEnd) {
    Bytes followed = Signed(PeImage(), false, 512);
    followed.insert(followed.end(), 100, 0x11);  // something appended after signing
    Bytes inHeaders = PeImage();
    Store32(inHeaders, SecurityEntry(false), 0x40);
    Store32(inHeaders, SecurityEntry(false) + 4, uint32_t(inHeaders.size() - 0x40));
    for (Bytes* image : {&followed, &inHeaders}) {
        const Bytes before = *image;
        const SignatureRemoval removal = RemoveSignature(*image);
        EXPECT_FALSE(removal.removed);
        EXPECT_NE(removal.error.find("is not at the end of the file"), std::string::npos)
            << removal.error;
        EXPECT_EQ(*image, before);
    }
}

// A signed stub gives an unsigned self-extractor, with a warning that says to sign the result.
TEST(RemoveSignature, SfxWarnsAndWritesTheStubUnsigned) {
    testing::ScratchDir dir;
    Bytes stub = PeImage(false, 2048);
    const uint8_t field[4] = {0, '?', '?', '?'};
    std::memcpy(&stub[0x500], field, 4);
    std::memset(&stub[0x504], 0, 252);
    const std::string stubPath = dir / "signed-stub.exe";
    testing::WriteFile(stubPath, Signed(stub, false, 904));
    testing::WriteFile(dir.Path() / "pkg" / "a.txt", "alpha\n");

    std::ostringstream out, err;
    Console console{out, err, false, ""};
    const std::string exe = dir / "setup.exe";
    ASSERT_EQ(RunVexa({"sfx", "-q", exe, "--stub", stubPath, dir / "pkg"}, console), 0)
        << err.str();
    EXPECT_NE(err.str().find("warning: " + stubPath +
                             " carries an Authenticode signature (904 "
                             "bytes)"),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("sign it after 'vexa sfx'"), std::string::npos) << err.str();

    const Bytes result = testing::ReadFile(exe);
    Bytes expectedStub = stub;
    Store32(expectedStub, kOptional + 64, 0);
    ASSERT_GT(result.size(), expectedStub.size());
    EXPECT_TRUE(std::equal(expectedStub.begin(), expectedStub.end(), result.begin()));
    EXPECT_EQ(
        std::string(result.begin() + long(stub.size()), result.begin() + long(stub.size()) + 4),
        "VEXA");
    Bytes again = result;
    EXPECT_FALSE(RemoveSignature(again).removed);
}

}  // namespace
}  // namespace vexa::cli
