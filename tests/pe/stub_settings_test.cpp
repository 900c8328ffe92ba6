// The stub's settings resource: its bytes, read by the stub's own reader and written by the
// encoder, and how branding puts it into a stub image and reads it back.
#include "pe/stub_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "pe/branding.h"
#include "pe/stub_settings_encoding.h"
#include "test_image.h"

namespace vexa::pe {
namespace {

using Bytes = std::vector<uint8_t>;

// Settings bytes as the layout spells them: magic, flags, length, command, and what follows.
Bytes Raw(uint32_t flags, uint32_t length, std::string_view command, std::string_view tail = {},
          std::string_view magic = "VXS1") {
    Bytes bytes(magic.begin(), magic.end());
    for (uint32_t v : {flags, length})
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    bytes.insert(bytes.end(), command.begin(), command.end());
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

Bytes Terminated(uint32_t flags, std::string_view command) {
    return Raw(flags, uint32_t(command.size()), command, std::string_view("\0", 1));
}

TEST(StubSettings, EncodesTheLayoutAndReadsBackWhatItWrote) {
    EXPECT_EQ(EncodeStubSettings({kHonourSwitches | kExtractToTemp, "setup.exe /q"}),
              Terminated(5, "setup.exe /q"));
    const std::string longest = "bin\\" + std::string(kMaxRunCommand - 8, 'a') + ".exe";
    const OwnedStubSettings cases[] = {
        {},
        {kHonourSwitches, ""},
        {kAlwaysSilent, ""},
        {kHonourSwitches | kAlwaysSilent | kExtractToTemp, "setup.exe /quiet /norestart"},
        {0, "\"My App\\setup.exe\" --log \"C:\\x y.txt\""},
        {kExtractToTemp, "caf\xE9\\\x83\x5C.exe"},  // code page bytes, a trail byte 0x5C too
        {kExtractToTemp, longest},
    };
    for (const OwnedStubSettings& want : cases) {
        SCOPED_TRACE(want.runCommand);
        const Bytes bytes = EncodeStubSettings(want.View());
        EXPECT_EQ(bytes.size(), kStubSettingsHeaderSize + want.runCommand.size() + 1);
        StubSettings got;
        ASSERT_EQ(ParseStubSettings(bytes, got), StubSettingsFault::None);
        EXPECT_EQ(got.flags, want.flags);
        EXPECT_EQ(got.runCommand, want.runCommand);
        EXPECT_EQ(EncodeStubSettings(got), bytes);
    }
}

TEST(StubSettings, HostileBytesAreRefusedWithTheirFault) {
    using F = StubSettingsFault;
    const std::string tooLong(kMaxRunCommand + 1, 'a');
    const struct {
        const char* what;
        Bytes bytes;
        StubSettingsFault fault;
    } cases[] = {
        {"empty", {}, F::Size},
        {"header only", Raw(0, 0, ""), F::Size},
        {"command cut short", Raw(0, 10, "a.exe", std::string_view("\0", 1)), F::Size},
        {"bytes after the NUL", Raw(0, 5, "a.exe", std::string_view("\0\0", 2)), F::Size},
        {"length far beyond the data", Raw(0, 0xFFFFFFFF, "a.exe"), F::CommandTooLong},
        {"other magic", Raw(0, 0, "", {"\0", 1}, "VXS2"), F::Magic},
        {"lower-case magic", Raw(0, 0, "", {"\0", 1}, "vxs1"), F::Magic},
        {"unknown flag", Terminated(1u << 3, ""), F::UnknownFlags},
        {"top flag", Terminated(1u << 31, "a.exe"), F::UnknownFlags},
        {"command over the limit", Terminated(0, tooLong), F::CommandTooLong},
        {"no NUL after the command", Raw(0, 5, "a.exe", "x"), F::NotTerminated},
        {"NUL inside the command", Terminated(0, std::string_view("a.e\0e", 5)), F::NotTerminated},
        {"tab", Terminated(0, "a.exe\t/q"), F::ControlCharacter},
        {"escape", Terminated(0, "a.exe \x1B[2J"), F::ControlCharacter},
        {"delete", Terminated(0, "a.exe\x7F"), F::ControlCharacter},
        {"absolute", Terminated(0, "\\Windows\\system32\\cmd.exe"), F::BadProgramPath},
        {"drive", Terminated(0, "C:setup.exe"), F::BadProgramPath},
        {"UNC", Terminated(0, "\\\\server\\share\\a.exe"), F::BadProgramPath},
        {"parent level", Terminated(0, "bin\\..\\..\\a.exe"), F::BadProgramPath},
        {"parent level, forward slash", Terminated(0, "../a.exe"), F::BadProgramPath},
        {"wildcard", Terminated(0, "*.exe"), F::BadProgramPath},
        {"quote not closed", Terminated(0, "\"My App\\setup.exe /q"), F::BadProgramPath},
        {"empty quotes", Terminated(0, "\"\" /q"), F::BadProgramPath},
        {"leading space", Terminated(0, " setup.exe"), F::BadProgramPath},
        {"level ending in a dot", Terminated(0, "bin.\\a.exe"), F::BadProgramPath},
        {"temp without a program", Terminated(kExtractToTemp, ""), F::TempWithoutRun},
    };
    for (const auto& c : cases) {
        StubSettings settings{kAlwaysSilent, "untouched"};
        EXPECT_EQ(ParseStubSettings(c.bytes, settings), c.fault) << c.what;
        EXPECT_EQ(settings.runCommand, "untouched") << c.what;
        EXPECT_STRNE(StubSettingsFaultText(c.fault), "readable") << c.what;
    }
}

Branding WithSettings(const OwnedStubSettings& settings) {
    Branding branding;
    branding.settings = settings;
    return branding;
}

std::optional<BrandingSummary> Read(const Bytes& image) {
    std::string fault;
    auto summary = ReadBranding(image, fault);
    EXPECT_TRUE(summary) << fault;
    return summary;
}

size_t SettingsResources(const Bytes& image) {
    std::string fault;
    const auto resources = ReadResources(image, *ReadPeLayout(image, fault), fault);
    return size_t(std::count_if(resources->begin(), resources->end(), [](const Resource& r) {
        return r.type == ResourceId::Number(kRcDataType) &&
               r.name == ResourceId::Number(kStubSettingsResource);
    }));
}

TEST(StubSettingsBranding, WritesReplacesAndReadsBackResource130) {
    Bytes image = testing::TestImage(testing::StubLikeResources());
    const auto plain = Read(image);
    EXPECT_FALSE(plain->hasSettings);
    EXPECT_FALSE(plain->settings);

    const OwnedStubSettings first{kHonourSwitches | kExtractToTemp, "setup.exe /quiet"};
    ASSERT_EQ(ApplyBranding(image, WithSettings(first)), "");
    EXPECT_EQ(Read(image)->settings, first);
    // The test image's dialog is no template; that is the only fault.
    EXPECT_EQ(Read(image)->faults, std::vector<std::string>{"dialog 129 is malformed"});

    // Branded again: one resource 130 with the new settings, the other resources kept.
    const OwnedStubSettings second{kAlwaysSilent, ""};
    ASSERT_EQ(ApplyBranding(image, WithSettings(second)), "");
    EXPECT_EQ(SettingsResources(image), 1u);
    const auto summary = Read(image);
    EXPECT_EQ(summary->settings, second);
    EXPECT_EQ(summary->icons.size(), 2u);
}

TEST(StubSettingsBranding, WhatTheStubWouldRefuseIsNotWritten) {
    const Bytes original = testing::TestImage(testing::StubLikeResources());
    Bytes image = original;
    const std::string error =
        ApplyBranding(image, WithSettings(OwnedStubSettings{kExtractToTemp, ""}));
    EXPECT_NE(error.find("settings cannot be used: it extracts into a temporary folder"),
              std::string::npos)
        << error;
    EXPECT_EQ(image, original);
    image = original;
    EXPECT_NE(ApplyBranding(image, WithSettings(OwnedStubSettings{0, "..\\x.exe"})), "");
    EXPECT_EQ(image, original);
}

TEST(StubSettingsBranding, AMalformedResourceIsNamedAndTheRestStillShown) {
    auto resources = testing::StubLikeResources();
    resources.push_back({ResourceId::Number(kRcDataType), ResourceId::Number(kStubSettingsResource),
                         ResourceId::Number(0x409), 0, Terminated(1u << 9, "")});
    const auto summary = Read(testing::TestImage(resources));
    EXPECT_TRUE(summary->hasSettings);
    EXPECT_FALSE(summary->settings);
    EXPECT_EQ(summary->icons.size(), 2u);
    const std::string want =
        "the self-extractor's settings (resource 130) are malformed: it sets flags this version "
        "does not know";
    EXPECT_NE(std::find(summary->faults.begin(), summary->faults.end(), want),
              summary->faults.end());
}

}  // namespace
}  // namespace vexa::pe
