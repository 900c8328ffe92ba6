// vexa sfx --switches, --silent, --run and --temp, in-process: what is written into the stub's
// settings, what vexa info shows of them, what is refused (and then nothing is written), and
// that the other commands read such a self-extractor as any other.
#include <gtest/gtest.h>

#include "host_fs.h"
#include "run_vexa.h"
#include "scratch_dir.h"
#include "test_image.h"
#include "vexa_pe.h"

namespace vexa::cli {

using namespace vexa::pe;
namespace {

using testing::Outcome;
using testing::ScratchDir;

class StubSettingsCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::WriteFile(dir.Path() / "pkg" / "setup.exe", "MZ setup\n");
        testing::WriteFile(dir.Path() / "pkg" / "Sub Dir" / "tool.exe", "MZ tool\n");
        testing::WriteFile(dir.Path() / "pkg" / "Sub Dir" / "setup.exe", "MZ setup too\n");
        testing::WriteFile(dir.Path() / "pkg" / "readme.txt", "read me\n");
        stub = dir / "stub.exe";
        testing::WriteFile(stub, StubImage(pe::testing::StubLikeResources()));
        // The folder's contents, stored under their own names ("setup.exe", "Sub Dir\tool.exe").
        contents = dir / "pkg" + std::string(1, fs::Separator()) + ".";
    }
    static std::vector<uint8_t> StubImage(const std::vector<Resource>& resources) {
        return pe::testing::TestImage(resources, {.destinationField = true});
    }
    Outcome Sfx(const std::vector<std::string>& options, const std::string& input = "",
                bool quiet = true) {
        std::vector<std::string> args = {"sfx", "--stub", stub};
        if (quiet) args.push_back("-q");
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(out);
        if (!options.empty() && options.front() == "--archive") return testing::Vexa(args);
        args.push_back(input.empty() ? contents : input);
        return testing::Vexa(args);
    }
    std::optional<OwnedStubSettings> WrittenSettings() {
        const auto image = testing::ReadFile(out);
        std::string fault;
        const auto summary = ReadBranding(image, fault);
        EXPECT_TRUE(summary) << fault;
        return summary ? summary->settings : std::nullopt;
    }
    ScratchDir dir;
    std::string stub;
    std::string contents;
    std::string out = dir / "out.exe";
};

TEST_F(StubSettingsCommand, SettingsAreWrittenShownAndTheArchiveStillReads) {
    const Outcome made =
        Sfx({"--switches", "--silent", "--run", "setup.exe /quiet", "--temp"}, "", false);
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_NE(made.err.find("4 entries, with the command-line switches, always silent and "
                            "'setup.exe /quiet' run after extraction in a private folder under "
                            "%TEMP%, removed afterwards\n"),
              std::string::npos)
        << made.err;
    EXPECT_EQ(
        WrittenSettings(),
        (OwnedStubSettings{kHonourSwitches | kAlwaysSilent | kExtractToTemp, "setup.exe /quiet"}));

    const Outcome info = testing::Vexa({"info", out});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Switches: /S /D=DIR /O=replace|skip|ask /LOG=FILE /?\n"
                            "Silent: always\n"
                            "Run after extraction: setup.exe /quiet\n"
                            "Extract to: a new private folder under %TEMP%, removed afterwards\n"
                            "Exports: none\n"  // a test image exports nothing
                            "Archive offset: "),
              std::string::npos)
        << info.out;

    const Outcome list = testing::Vexa({"list", out});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("Sub Dir\\tool.exe"), std::string::npos) << list.out;
    EXPECT_EQ(testing::Vexa({"test", "-q", out}).status, 0);
    const Outcome extract = testing::Vexa({"extract", "-q", "-o", dir / "x", out});
    EXPECT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(testing::ReadFile(dir.Path() / "x" / "Sub Dir" / "tool.exe"),
              testing::ReadFile(dir.Path() / "pkg" / "Sub Dir" / "tool.exe"));
}

TEST_F(StubSettingsCommand, EachOptionAloneAndWhatInfoSaysOfIt) {
    const struct {
        std::vector<std::string> options;
        OwnedStubSettings settings;
        const char* lines;
    } cases[] = {
        {{"--switches"},
         {kHonourSwitches, ""},
         "Switches: /S /D=DIR /O=replace|skip|ask /LOG=FILE /?\nSilent: with /S\n"
         "Run after extraction: nothing\nExtract to: the folder chosen in the dialog, or /D=DIR\n"},
        {{"--silent"},
         {kAlwaysSilent, ""},
         "Switches: ignored\nSilent: always\nRun after extraction: nothing\n"
         "Extract to: the default destination\n"},
        {{"--run", "\"Sub Dir\\tool.exe\" --log \"a b.txt\""},
         {0, "\"Sub Dir\\tool.exe\" --log \"a b.txt\""},
         "Switches: ignored\nSilent: never\n"
         "Run after extraction: \"Sub Dir\\tool.exe\" --log \"a b.txt\"\n"
         "Extract to: the folder chosen in the dialog\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.back());
        ASSERT_EQ(Sfx(c.options).status, 0);
        EXPECT_EQ(WrittenSettings(), c.settings);
        const Outcome info = testing::Vexa({"info", out});
        EXPECT_NE(info.out.find(c.lines), std::string::npos) << info.out;
    }
}

TEST_F(StubSettingsCommand, WithoutTheOptionsTheStubIsWrittenAsBefore) {
    ASSERT_EQ(Sfx({}).status, 0);
    const auto written = testing::ReadFile(out);
    const auto image = testing::ReadFile(stub);
    ASSERT_GT(written.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
    EXPECT_FALSE(WrittenSettings());
    const Outcome info = testing::Vexa({"info", out});
    EXPECT_NE(info.out.find("Switches: ignored\nSilent: never\nRun after extraction: nothing\n"
                            "Extract to: the folder chosen in the dialog\n"),
              std::string::npos)
        << info.out;
}

// The program is looked for as Windows would find it: case ignored, either separator.
TEST_F(StubSettingsCommand, TheProgramIsFoundAmongTheEntriesAsWindowsWouldFindIt) {
    ASSERT_EQ(testing::Vexa({"create", "-q", dir / "pkg.vexa", contents}).status, 0);
    const char* commands[] = {"SETUP.EXE", "\"sub dir/TOOL.exe\"", "\"Sub Dir\\tool.exe\" /x"};
    for (const char* command : commands) {
        EXPECT_EQ(Sfx({"--run", command}).status, 0) << command;
        const Outcome fromArchive = Sfx({"--archive", dir / "pkg.vexa", "--run", command});
        EXPECT_EQ(fromArchive.status, 0) << command << fromArchive.err;
        EXPECT_EQ(WrittenSettings()->runCommand, command);
    }
}

TEST_F(StubSettingsCommand, RefusesWhatCannotRunAndWritesNothing) {
    ASSERT_EQ(testing::Vexa({"create", "-q", dir / "pkg.vexa", contents}).status, 0);
    const std::string tooLong = "setup.exe /" + std::string(1014, 'a');
    const std::string huge = "setup.exe " + std::string(100 * 1024 - 10, 'a');
    const std::string pkg = dir / "pkg";
    const struct {
        std::vector<std::string> options;
        std::string message;
        std::string input = "";
    } cases[] = {
        {{"--temp"}, "--temp needs --run"},
        {{"--temp", "--switches"}, "--temp needs --run"},
        {{"--run", ""}, "--run: the command is empty"},
        {{"--run", tooLong}, "the command has 1025 bytes; at most 1024 fit"},
        {{"--run", huge}, "...' (102400 bytes): the command has 102400 bytes; at most 1024 fit"},
        {{"--run", "setup.exe\t/q"},
         "--run 'setup.exe\\x09/q': the command holds a control "
         "character (0x09)"},
        {{"--run", "setup.exe\n"}, "control character (0x0A)"},
        {{"--run", "setup.exe \x1B[2J"}, "control character (0x1B)"},
        {{"--run", "setup.exe \xC2\x85"}, "control character (0x85)"},
        {{"--run", "setup.exe \xC3"}, "the command is not valid UTF-8"},
        {{"--run", "\\Windows\\system32\\cmd.exe /c"}, "is an absolute path"},
        {{"--run", "/bin/sh"}, "the program '/bin/sh' is an absolute path"},
        {{"--run", "C:\\setup.exe"}, "the program 'C:\\setup.exe' names a drive"},
        {{"--run", "..\\setup.exe"}, "climbs out of the destination with '..'"},
        {{"--run", "\"Sub Dir/../../setup.exe\""}, "climbs out of the destination with '..'"},
        {{"--run", "*.exe"}, "the program '*.exe' holds a wildcard"},
        {{"--run", "setup?.exe"}, "holds a wildcard"},
        {{"--run", "bin.\\setup.exe"}, "is not a usable path inside the archive"},
        {{"--run", "\"Sub Dir\\tool.exe /q"}, "the quote before the program is not closed"},
        {{"--run", "\"setup.exe\"/q"}, "put a space between the program's closing quote"},
        {{"--run", "setup.exe \"/dir=a b"}, "a quote in the arguments is not closed"},
        {{"--run", " setup.exe"}, "the command starts with a space"},
        {{"--run", "missing.exe /q"},
         "--run 'missing.exe /q': the program 'missing.exe' is not among the files being packed"},
        {{"--run", "tool.exe"}, "'tool.exe' is not among the files being packed"},
        // Unquoted, the program ends at the first space.
        {{"--run", "Sub Dir\\tool.exe"}, "the program 'Sub' is not among the files being packed"},
        {{"--archive", dir / "pkg.vexa", "--run", "missing.exe"},
         "is not among the entries of " + dir / "pkg.vexa"},
        // Packed as a folder, the entries are named below it.
        {{"--run", "tool.exe"}, "(did you mean 'pkg\\Sub Dir\\tool.exe'?)", pkg},
        {{"--run", "SETUP.exe"},
         "(did you mean 'pkg\\setup.exe' or 'pkg\\Sub Dir\\setup.exe'?)",
         pkg},
        {{"--run", "\"Sub Dir\""}, "'Sub Dir' is not among the files being packed"},
        {{"--codepage", "1252", "--run", "\xD0\x9F.exe"},
         "the character '\xD0\x9F' cannot be stored in code page 1252 (see --codepage)"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Sfx(c.options, c.input);
        EXPECT_EQ(outcome.status, 2) << c.message;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.message;
    }
}

TEST_F(StubSettingsCommand, TheCommandIsStoredInTheArchivesCodePage) {
    // A narrow path on Windows is read in the ANSI code page: give the name as UTF-8.
    const std::string program = "\xD0\x9F\xD1\x83\xD1\x81\xD0\xBA.exe";  // Пуск.exe
    testing::WriteFile(dir.Path() / "pkg" / std::u8string(program.begin(), program.end()), "MZ\n");
    const std::string command = program + " /\xD1\x8F";  // Пуск.exe /я
    const Outcome made = Sfx({"--codepage", "1251", "--run", command});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(WrittenSettings()->runCommand, "\xCF\xF3\xF1\xEA.exe /\xFF");
    const Outcome info = testing::Vexa({"info", "--codepage", "1251", out});
    EXPECT_NE(info.out.find("Run after extraction: " + command + "\n"), std::string::npos)
        << info.out;
}

TEST_F(StubSettingsCommand, InfoNamesUnreadableSettings) {
    auto resources = pe::testing::StubLikeResources();
    resources.push_back({ResourceId::Number(kRcDataType),
                         ResourceId::Number(kStubSettingsResource),
                         ResourceId::Number(0x409),
                         0,
                         {'V', 'X', 'S', '1', 0}});
    testing::WriteFile(stub, StubImage(resources));
    const Outcome info = testing::Vexa({"info", stub});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Fault: the self-extractor's settings (resource 130) are malformed: "
                            "its size does not match"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("Settings: unreadable (the self-extractor stops with exit code 2)\n"),
              std::string::npos)
        << info.out;
    EXPECT_EQ(info.out.find("Switches:"), std::string::npos) << info.out;
}

}  // namespace
}  // namespace vexa::cli
