// vexa sfx with branding options and vexa info, in-process: what is written, what is refused
// (and then nothing is written), and what info reads back.
#include <gtest/gtest.h>

#include "run_vexa.h"
#include "scratch_dir.h"
#include "test_image.h"
#include "vexa_pe.h"

namespace vexa::cli {

using namespace vexa::pe;
namespace {

using testing::Outcome;
using testing::ScratchDir;

// A one-image icon file: a 1x1 32-bit DIB (colour and mask rows).
std::vector<uint8_t> TinyIcon() {
    std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0,  // header: one image
                                1, 1, 0, 0, 1, 0, 32, 0};
    const uint32_t size = 40 + 4 + 4;
    for (uint32_t v : {size, 22u})
        for (int i = 0; i < 4; ++i) ico.push_back(uint8_t(v >> (8 * i)));
    std::vector<uint8_t> dib(size, 0);
    dib[0] = 40;
    dib[4] = 1;    // width
    dib[8] = 2;    // height: colour and mask
    dib[12] = 1;   // planes
    dib[14] = 32;  // bits
    dib[40] = 0x20;
    ico.insert(ico.end(), dib.begin(), dib.end());
    return ico;
}

class BrandingCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::WriteFile(dir.Path() / "pkg" / "a.txt", "alpha\n");
        stub = dir / "stub.exe";
        testing::WriteFile(stub, pe::testing::TestImage(pe::testing::StubLikeResources(),
                                                        {.destinationField = true}));
        icon = dir / "app.ico";
        testing::WriteFile(icon, TinyIcon());
    }
    Outcome Sfx(const std::vector<std::string>& options) {
        std::vector<std::string> args = {"sfx", "-q", "--stub", stub};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(dir / "out.exe");
        args.push_back(dir / "pkg");
        return testing::Vexa(args);
    }
    ScratchDir dir;
    std::string stub;
    std::string icon;
};

TEST_F(BrandingCommand, IconAndVersionFieldsAreWrittenAndReadBack) {
    const Outcome made =
        Sfx({"--icon", icon, "--version-info", "companyname=Acme", "--version-info",
             "FileVersion=2.1", "--version-info", "CompanyName=Acme Ltd"});
    ASSERT_EQ(made.status, 0) << made.err;
    const Outcome info = testing::Vexa({"info", dir / "out.exe"});
    ASSERT_EQ(info.status, 0) << info.err;
    // The last value of a field given twice wins; a key in any case takes its usual spelling.
    for (const char* line :
         {"Machine: x86 (32-bit)", "Icon: 1x1, 32 bits, 48 bytes\n", "CompanyName: Acme Ltd\n",
          "FileVersion: 2.1\n", "File version: 2.1.0.0", "Entries: 1"})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << " in\n" << info.out;
    EXPECT_EQ(info.out.find("CompanyName: Acme\n"), std::string::npos) << info.out;
    // The old icon group's two images are gone, the new one took the lowest free id.
    const auto image = testing::ReadFile(dir / "out.exe");
    std::string fault;
    const auto summary = ReadBranding(image, fault);
    ASSERT_TRUE(summary) << fault;
    ASSERT_EQ(summary->icons.size(), 1u);
    EXPECT_EQ(summary->icons[0].id, 1);
}

TEST_F(BrandingCommand, WhatCannotBeBrandedIsRefusedAndNothingWritten) {
    const std::string notPe = dir / "not-pe.exe";
    testing::WriteFile(notPe, testing::FakeStub());
    const struct {
        std::vector<std::string> options;
        const char* message;
    } cases[] = {
        // The test stub's dialog is no template.
        {{"--title", "Acme"}, "dialog 129 is malformed"},
        {{"--title", "Acme", "--stub", notPe}, "not a Windows program"},
        {{"--title", "Acme\xC2\x85"}, "control character (0x85)"},
        {{"--title", "Acme \xC3"}, "the title is not valid UTF-8"},
        {{"--version-info", "Comments=bad\xFF"}, "the value is not valid UTF-8"},
        {{"--version-info", "Comments="}, "the value is empty"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Sfx(c.options);
        EXPECT_EQ(outcome.status, 2) << c.message;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.exe")) << c.message;
    }
}

TEST_F(BrandingCommand, InfoRefusesWhatIsNoProgram) {
    testing::WriteFile(dir / "plain.vexa", std::vector<uint8_t>(100, 'x'));
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"info"}, "give one self-extractor or program"},
        {{"info", dir / "pkg"}, "is a directory"},
        {{"info", dir / "missing.exe"}, "cannot open"},
        {{"info", dir / "plain.vexa"}, "not a Windows program"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = testing::Vexa(c.args);
        EXPECT_EQ(outcome.status, 2) << c.message;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
    }
    // A program without archive says so; resources it cannot read are named, the rest shown.
    const Outcome bare = testing::Vexa({"info", stub});
    EXPECT_EQ(bare.status, 0) << bare.err;
    for (const char* line :
         {"Archive: none", "Version information: none", "Icon: 32x32, 4 bits, 744 bytes",
          "Icon: 16x16, 4 bits, 296 bytes", "Fault: dialog 129 is malformed"})
        EXPECT_NE(bare.out.find(line), std::string::npos) << line << " in\n" << bare.out;
    // It is no self-extractor, so it has no way of running to show.
    for (const char* line : {"Switches:", "Silent:", "Run after extraction:", "Extract to:"})
        EXPECT_EQ(bare.out.find(line), std::string::npos) << line << " in\n" << bare.out;
}

}  // namespace
}  // namespace vexa::cli
