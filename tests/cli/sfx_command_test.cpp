// vexa sfx: where it finds its stub and what it accepts as the default destination.
#include <gtest/gtest.h>

#include <algorithm>

#include "host_fs.h"
#include "run_vexa.h"
#include "scratch_dir.h"

namespace vexa::cli {
namespace {

using testing::ScratchDir;

using testing::Outcome;

Outcome Vexa(const std::vector<std::string>& args, const std::string& programDirectory = "") {
    return testing::Vexa(args, false, programDirectory);
}

class SfxCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::WriteFile(dir.Path() / "pkg" / "a.txt", "alpha\n");
        stub = dir / "stub.exe";
        testing::WriteFile(stub, testing::FakeStub());
    }
    ScratchDir dir;
    std::string stub;
};

TEST_F(SfxCommand, DefaultDestinationRefusesControlCharacters) {
    const struct {
        std::string destination;
        const char* message;
    } cases[] = {
        {"C:\\a\tb", "control character (0x09 at byte 5)"},
        {"line\nbreak", "control character (0x0A at byte 5)"},
        {"\x1B[31mred", "control character (0x1B at byte 1)"},
        {"C:\\del\x7F", "control character (0x7F at byte 7)"},
    };
    for (const auto& c : cases) {
        const Outcome outcome =
            Vexa({"sfx", "-q", dir / "out.exe", "--stub", stub, "-d", c.destination, dir / "pkg"});
        EXPECT_EQ(outcome.status, 2) << c.message;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.exe")) << c.message;
    }
    // Variables are the user's machine's business: stored as written.
    const std::string exe = dir / "vars.exe";
    ASSERT_EQ(Vexa({"sfx", "-q", exe, "--stub", stub, "-d", "%TEMP%\\App é", dir / "pkg"}).status,
              0);
    const auto bytes = testing::ReadFile(exe);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find(std::string("%TEMP%\\App é\0", 14)),
              std::string::npos);
}

// The fake stub made a PE header's worth of a program for `machine` (i386 or AMD64).
std::vector<uint8_t> FakeStubFor(uint16_t machine) {
    auto stub = testing::FakeStub();
    const uint8_t header[] = {'P', 'E', 0, 0, uint8_t(machine), uint8_t(machine >> 8)};
    stub[0x3C] = 0x40;
    stub[0x3D] = stub[0x3E] = stub[0x3F] = 0;
    std::copy(std::begin(header), std::end(header), stub.begin() + 0x40);
    return stub;
}

TEST_F(SfxCommand, FindsTheStubOfEachWidthBesideTheProgramThenInTheInstallLocation) {
    const struct {
        std::vector<std::string> options;
        const char* fileName;
        const char* kind;
        uint16_t machine, otherMachine;
    } widths[] = {
        {{}, "sfxstub.exe", "32-bit", 0x14C, 0x8664},
        {{"--x64"}, "sfxstub64.exe", "64-bit", 0x8664, 0x14C},
    };
    const std::string sep(1, fs::Separator());
    for (const auto& w : widths) {
        SCOPED_TRACE(w.fileName);
        std::filesystem::remove_all(dir.Path() / "prefix");
        const std::string bin = dir / "prefix" + sep + "bin" + sep;
        std::filesystem::create_directories(bin);
        const std::string installed = bin + ".." + sep + "share" + sep + "vexa" + sep + w.fileName;
        const std::string beside = bin + w.fileName;
        const auto sfx = [&](const std::string& output) {
            std::vector<std::string> args = {"sfx", "-q"};
            args.insert(args.end(), w.options.begin(), w.options.end());
            args.push_back(dir / output);
            args.push_back(dir / "pkg");
            return Vexa(args, bin);
        };

        const Outcome none = sfx("none.exe");
        EXPECT_EQ(none.status, 2);
        EXPECT_NE(none.err.find("no " + std::string(w.kind) + " stub found (" + beside +
                                ": cannot open the stub; " + installed +
                                ": cannot open the stub) (give the stub with --stub)"),
                  std::string::npos)
            << none.err;

        std::filesystem::create_directories(dir.Path() / "prefix" / "share" / "vexa");
        testing::WriteFile(installed, FakeStubFor(w.machine));
        EXPECT_EQ(sfx("installed.exe").status, 0);

        auto other = FakeStubFor(w.machine);
        other[10] = 'B';  // beside the program wins
        testing::WriteFile(beside, other);
        ASSERT_EQ(sfx("beside.exe").status, 0);
        EXPECT_EQ(testing::ReadFile(dir / "beside.exe")[10], 'B');
        EXPECT_NE(testing::ReadFile(dir / "installed.exe")[10], 'B');

        // A program of the other width under the default name is refused, not shipped.
        testing::WriteFile(beside, FakeStubFor(w.otherMachine));
        const Outcome wrong = sfx("wrong.exe");
        EXPECT_EQ(wrong.status, 2);
        EXPECT_NE(wrong.err.find(beside + ": not a " + std::string(w.kind) + " stub"),
                  std::string::npos)
            << wrong.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "wrong.exe"));
    }
}

TEST_F(SfxCommand, TakesEitherAGivenStubOrTheWidthOfTheDefaultOne) {
    const Outcome both =
        Vexa({"sfx", "-q", "--x64", "--stub", stub, dir / "both.exe", dir / "pkg"});
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("give either --stub FILE or --x64, not both"), std::string::npos)
        << both.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "both.exe"));
}

}  // namespace
}  // namespace vexa::cli
