// A self-extractor whose settings were tampered with after vexa sfx wrote them (or written by
// another tool) refuses to run: it says it is damaged, extracts nothing, runs nothing, and
// exits with the code of an unreadable archive. Also the settings vexa sfx would refuse.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "gui_session.h"
#include "resource_section.h"
#include "resource_tree.h"
#include "sfx_maker.h"
#include "vexa_pe.h"
#include "win_paths.h"

namespace sfxtest {
namespace {

using vexa::pe::kStubSettingsResource;
using vexa::pe::Resource;
using vexa::pe::ResourceId;

constexpr char kDamagedText[] = "This self-extractor is damaged: its settings cannot be read.";

std::vector<uint8_t> SettingsBytes(uint32_t flags, const std::string& command,
                                   uint32_t declaredLength) {
    std::vector<uint8_t> bytes = {'V', 'X', 'S', '1'};
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(flags >> (8 * i)));
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(declaredLength >> (8 * i)));
    bytes.insert(bytes.end(), command.begin(), command.end());
    bytes.push_back(0);
    return bytes;
}

std::vector<uint8_t> Settings(uint32_t flags, const std::string& command) {
    return SettingsBytes(flags, command, uint32_t(command.size()));
}

// The stub with resource 130 holding `settings`.
std::vector<uint8_t> StubWithSettings(const std::vector<uint8_t>& settings) {
    std::vector<uint8_t> image = ReadFileBytes(WindowsPath(SFXSTUB_PATH));
    std::string fault;
    const auto layout = vexa::pe::ReadPeLayout(image, fault);
    EXPECT_TRUE(layout) << fault;
    auto resources = vexa::pe::ReadResources(image, *layout, fault);
    EXPECT_TRUE(resources) << fault;
    resources->push_back({ResourceId::Number(vexa::pe::kRcDataType),
                          ResourceId::Number(kStubSettingsResource), resources->front().language, 0,
                          settings});
    const std::string error = vexa::pe::ReplaceResources(image, *resources);
    EXPECT_EQ(error, "");
    return image;
}

struct HostileCase {
    const char* name;
    std::vector<uint8_t> settings;
};

std::vector<HostileCase> HostileCases() {
    using namespace vexa::pe;
    std::vector<uint8_t> badMagic = Settings(kHonourSwitches, "");
    badMagic[3] = '2';
    std::vector<uint8_t> cut = Settings(kHonourSwitches, "setup.exe");
    cut.resize(cut.size() - 4);
    return {
        {"CommandOf100KB", Settings(kHonourSwitches, std::string(100 * 1024, 'a') + ".exe")},
        {"ControlCharacterInCommand", Settings(0, "setup.exe\r\ndel *")},
        {"ProgramOutsideTheDestination", Settings(0, "..\\..\\Windows\\evil.exe")},
        {"ProgramOnAnotherDrive", Settings(0, "C:\\Windows\\system32\\cmd.exe /c")},
        {"UnknownFlag", Settings(1u << 7, "")},
        {"TempWithoutProgram", Settings(kExtractToTemp, "")},
        {"LengthBeyondTheData", SettingsBytes(0, "setup.exe", 4000)},
        {"CutShort", cut},
        {"NotTheMagic", badMagic},
    };
}

// The stub says it is damaged, and ends with the code of an unreadable archive once the box is
// answered.
void ExpectRefusedAsDamaged(SfxProcess& sfx) {
    ASSERT_TRUE(sfx.Started());
    const std::optional<MessageBoxView> box = sfx.WaitForMessageBox("Error");
    ASSERT_TRUE(box.has_value()) << "no box; exit code " << sfx.WaitForExit().value_or(~0u);
    EXPECT_EQ(box->text, kDamagedText);
    EXPECT_TRUE(sfx.Answer(*box, IDOK));
    EXPECT_EQ(sfx.WaitForExit(), std::optional<DWORD>(sfx::kExitArchiveUnreadable));
}

class HostileSettings : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileSettings, AreRefusedBeforeAnythingHappens) {
    const std::string folder = WindowsPath(SFX_UNIT_WORK_DIR) + "\\hostile-" + GetParam().name;
    RemoveTree(folder);
    ASSERT_TRUE(MakeDirectories(folder));
    const std::string stub = folder + "\\stub.exe";
    ASSERT_TRUE(WriteFileBytes(stub, StubWithSettings(GetParam().settings)));
    const std::string exe = folder + "\\setup.exe";
    ASSERT_EQ(FormSelfExtractor(stub, BuildArchive({{"setup.exe", "not a program"}}), exe,
                                folder + "\\out"),
              "");
    // Silent and a destination on the command line: a readable stub would extract at once. A
    // command line that asks for silence gets it, so that no deployment waits on a box, and its
    // log (in a folder made for it) says why.
    {
        const std::string log = folder + "\\logs\\run.log";
        SfxProcess sfx(exe, folder, "/S /LOG=" + log + " /D=" + folder + "\\out");
        ASSERT_TRUE(sfx.Started());
        EXPECT_EQ(sfx.WaitForExit(), std::optional<DWORD>(sfx::kExitArchiveUnreadable))
            << "a box waits";
        EXPECT_NE(ReadTextFile(log).value_or("").find(kDamagedText), std::string::npos);
        EXPECT_FALSE(IsDirectory(folder + "\\out"));
    }
    SfxProcess sfx(exe, folder, "/D=" + folder + "\\out");
    ExpectRefusedAsDamaged(sfx);
    EXPECT_FALSE(IsDirectory(folder + "\\out"));
}

INSTANTIATE_TEST_SUITE_P(Stub, HostileSettings, ::testing::ValuesIn(HostileCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The initial destination field with a control character in it, as no vexa sfx writes it.
TEST(HostileDefaultDestination, IsRefusedLikeDamagedSettings) {
    const std::string folder = WindowsPath(SFX_UNIT_WORK_DIR) + "\\hostile-destination";
    RemoveTree(folder);
    ASSERT_TRUE(MakeDirectories(folder));
    const std::string exe = folder + "\\setup.exe";
    ASSERT_EQ(FormSelfExtractor(WindowsPath(SFXSTUB_PATH), BuildArchive({{"a.txt", "a"}}), exe,
                                folder + "\\out\x07"
                                         "bell"),
              "");
    SfxProcess sfx(exe, folder);
    ExpectRefusedAsDamaged(sfx);
}

// The same stub with good settings does run: the refusals above come from the values.
TEST(GoodSettings, SilentRunExtractsAndExitsZero) {
    const std::string folder = WindowsPath(SFX_UNIT_WORK_DIR) + "\\good-settings";
    RemoveTree(folder);
    ASSERT_TRUE(MakeDirectories(folder));
    const std::string stub = folder + "\\stub.exe";
    ASSERT_TRUE(WriteFileBytes(stub, StubWithSettings(Settings(vexa::pe::kHonourSwitches, ""))));
    const std::string exe = folder + "\\setup.exe";
    ASSERT_EQ(FormSelfExtractor(stub, BuildArchive({{"a.txt", "alpha"}}), exe), "");
    SfxProcess sfx(exe, folder, "/S /D=" + folder + "\\out dir");
    ASSERT_TRUE(sfx.Started());
    EXPECT_EQ(sfx.WaitForExit(), std::optional<DWORD>(sfx::kExitSuccess));
    EXPECT_EQ(ReadTextFile(folder + "\\out dir\\a.txt"), std::optional<std::string>("alpha"));
}

}  // namespace
}  // namespace sfxtest
