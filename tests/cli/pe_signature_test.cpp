// Removing an Authenticode certificate table from a stub image.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "commands.h"
#include "scratch_dir.h"
#include "vexa_pe.h"

namespace vexa::cli {

using namespace vexa::pe;
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

// The header checksum written the long way: all 16-bit words summed, carries folded at the end.
Bytes WithChecksum(Bytes image) {
    const size_t field = kOptional + 64;
    Store32(image, field, 0);
    uint64_t sum = 0;
    for (size_t i = 0; i < image.size(); i += 2)
        sum += image[i] + (i + 1 < image.size() ? image[i + 1] * 256u : 0u);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    Store32(image, field, uint32_t(sum + image.size()));
    return image;
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
    Store32(image, kOptional + (wide ? 108 : 92), 16);
    for (size_t i = 0x400; i < image.size(); i += 7) image[i] = uint8_t(i * 31);
    return WithChecksum(image);
}

size_t SecurityEntry(bool wide) {
    return kOptional + (wide ? 112 : 96) + 4 * 8;
}

// Appends a certificate table and points the directory entry at it; a signer also writes the
// checksum of the signed file (kept zero when it was zero).
Bytes Signed(Bytes image, bool wide, size_t certificate) {
    Store32(image, SecurityEntry(wide), uint32_t(image.size()));
    Store32(image, SecurityEntry(wide) + 4, uint32_t(certificate));
    image.insert(image.end(), certificate, 0x5A);
    return Load32(image, kOptional + 64) == 0 ? image : WithChecksum(image);
}

TEST(RemoveSignature, GivesBackTheImageAsItWasBeforeSigning) {
    Bytes noChecksum = PeImage(false, 999);  // odd length: the last byte is a word of its own
    Store32(noChecksum, kOptional + 64, 0);
    const struct {
        const char* what;
        bool wide;
        Bytes image;
    } cases[] = {
        {"PE32", false, PeImage(false)},
        {"PE32+", true, PeImage(true, 3001)},
        {"no checksum", false, noChecksum},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes image = Signed(c.image, c.wide, 1544);
        ASSERT_NE(image, c.image);
        const SignatureRemoval removal = RemoveSignature(image);
        EXPECT_TRUE(removal.removed);
        EXPECT_EQ(removal.error, "");
        EXPECT_EQ(removal.certificateBytes, 1544u);
        EXPECT_EQ(Load32(image, SecurityEntry(c.wide)), 0u);
        EXPECT_EQ(Load32(image, SecurityEntry(c.wide) + 4), 0u);
        EXPECT_EQ(image, c.image);  // the checksum too
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
    stub = WithChecksum(stub);
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
    ASSERT_GT(result.size(), stub.size());
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), result.begin()));
    EXPECT_EQ(
        std::string(result.begin() + long(stub.size()), result.begin() + long(stub.size()) + 4),
        "VEXA");
    Bytes again = result;
    EXPECT_FALSE(RemoveSignature(again).removed);
}

}  // namespace
}  // namespace vexa::cli
