// vexa sfx: where it finds its stub and what it accepts as the default destination.
#include <gtest/gtest.h>

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

TEST_F(SfxCommand, FindsTheStubBesideTheProgramThenInTheInstallLocation) {
    const std::string sep(1, fs::Separator());
    const std::string bin = dir / "prefix" + sep + "bin" + sep;
    std::filesystem::create_directories(bin);
    const std::string installed = bin + ".." + sep + "share" + sep + "vexa" + sep + "sfxstub.exe";
    const std::string beside = bin + "sfxstub.exe";

    const Outcome none = Vexa({"sfx", "-q", dir / "none.exe", dir / "pkg"}, bin);
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("no stub found (" + beside + ": cannot open the stub; " + installed +
                            ": cannot open the stub) (give the stub with --stub)"),
              std::string::npos)
        << none.err;

    std::filesystem::create_directories(dir.Path() / "prefix" / "share" / "vexa");
    testing::WriteFile(installed, testing::FakeStub());
    EXPECT_EQ(Vexa({"sfx", "-q", dir / "installed.exe", dir / "pkg"}, bin).status, 0);

    auto other = testing::FakeStub();
    other[10] = 'B';  // beside the program wins
    testing::WriteFile(beside, other);
    ASSERT_EQ(Vexa({"sfx", "-q", dir / "beside.exe", dir / "pkg"}, bin).status, 0);
    EXPECT_EQ(testing::ReadFile(dir / "beside.exe")[10], 'B');
    EXPECT_NE(testing::ReadFile(dir / "installed.exe")[10], 'B');
}

}  // namespace
}  // namespace vexa::cli
