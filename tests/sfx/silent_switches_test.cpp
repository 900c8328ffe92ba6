// Unattended extraction through the command line of a self-extractor made with --switches (and
// --silent): every outcome shows in the exit code, the files and the log, and a silent run
// never shows a window.
#include <gtest/gtest.h>

#include "resource.h"
#include "unattended_fixture.h"
#include "win_paths.h"
#include "window_watch.h"

namespace sfxtest {
namespace {

std::vector<ArchiveEntry> Without(const std::vector<ArchiveEntry>& entries, size_t index) {
    std::vector<ArchiveEntry> rest = entries;
    rest.erase(rest.begin() + std::ptrdiff_t(index));
    return rest;
}

// A silent command line on the sample archive, whole or with bad.txt damaged; "{out}" stands
// for the test's destination.
struct SilentCase {
    const char* name;
    std::string arguments;
    bool damaged;
    DWORD exitCode;
};

void PrintTo(const SilentCase& c, std::ostream* out) {
    *out << c.name;
}

class SilentSwitches : public UnattendedTest, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentSwitches, ExtractWithoutAnyWindow) {
    const SilentCase& c = GetParam();
    const std::vector<ArchiveEntry>& entries = c.damaged ? EntriesWithBad() : SampleEntries();
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(entries));
    const WatchedRun run = RunWatched(exe, Replace(c.arguments, "{out}", Out()));
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (c.exitCode == kExitBadCommandLine) {
        EXPECT_EQ(Attributes(Out()), INVALID_FILE_ATTRIBUTES) << "extracted after a bad switch";
    } else if (c.damaged) {
        ExpectExtracted(Out(), Without(entries, kBadIndex));
        EXPECT_EQ(Attributes(Out("bad.txt")), INVALID_FILE_ATTRIBUTES) << "damaged entry kept";
    } else {
        ExpectExtracted(Out(), entries);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sfx, SilentSwitches,
    ::testing::Values(
        SilentCase{"Extracts", "/S /D={out}", false, kExitSuccess},
        SilentCase{"DashesAndLowerCase", "-s -d={out}", false, kExitSuccess},
        SilentCase{"QuotedDestination", "/S /D=\"{out}\"", false, kExitSuccess},
        // A switch ends the folder, quoted or not: this run is silent.
        SilentCase{"QuotedSwitchEndsTheFolder", "/D={out} \"/S\"", false, kExitSuccess},
        SilentCase{"OverwriteReplaceNamed", "/S /O=replace /D={out}", false, kExitSuccess},
        SilentCase{"DamagedEntrySkipped", "/S /D={out}", true, kExitSomeFailed},
        SilentCase{"UnknownSwitch", "/S /X /D={out}", false, kExitBadCommandLine},
        SilentCase{"BadOverwriteValue", "/S /O=sometimes /D={out}", false, kExitBadCommandLine},
        SilentCase{"EmptyDestination", "/S /D=", false, kExitBadCommandLine}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnattendedTest, SilentDestinationWithSpacesVariableAndAccentedName) {
    // %VEXA_RUN_LEVEL% is expanded from the self-extractor's environment; "café" is in code
    // page 1252, the one Wine's ANSI functions use under a UTF-8 locale.
    ::SetEnvironmentVariableA("VEXA_RUN_LEVEL", "from variable");
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    for (const bool quoted : {false, true}) {
        SCOPED_TRACE(quoted ? "quoted" : "unquoted");
        const std::string typed = Path("with space\\%VEXA_RUN_LEVEL%\\caf\xE9 dir");
        const std::string expanded = Path("with space\\from variable\\caf\xE9 dir");
        RemoveTree(Path("with space"));
        const WatchedRun run =
            RunWatched(exe, quoted ? "/S /D=\"" + typed + "\"" : "/S /D=" + typed);
        ExpectNoWindow(run);
        EXPECT_EQ(run.exitCode, kExitSuccess);
        ExpectExtracted(expanded, SampleEntries());
        EXPECT_EQ(DirectoryEntries(Path("with space")), std::vector<std::string>{"from variable"});
    }
}

// An existing tree, and what each overwrite choice leaves of it.
struct OverwriteCase {
    const char* name;
    const char* switches;
    bool replaced;
};

class SilentOverwrite : public UnattendedTest,
                        public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(SilentOverwrite, ExistingTree) {
    const OverwriteCase& c = GetParam();
    ASSERT_TRUE(MakeDirectories(Out("docs")));
    ASSERT_TRUE(WriteTextFile(Out("readme.txt"), "old readme"));
    ASSERT_TRUE(WriteTextFile(Out("docs\\guide.txt"), "old guide"));
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    const WatchedRun run = RunWatched(exe, std::string(c.switches) + " /D=" + Out());
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitSuccess);
    if (c.replaced) {
        ExpectExtracted(Out(), SampleEntries());
    } else {
        EXPECT_EQ(ReadTextFile(Out("readme.txt")), "old readme");
        EXPECT_EQ(ReadTextFile(Out("docs\\guide.txt")), "old guide");
        ExpectExtracted(Out(), {SampleEntries()[2], SampleEntries()[3]});
    }
}

INSTANTIATE_TEST_SUITE_P(Sfx, SilentOverwrite,
                         ::testing::Values(OverwriteCase{"Replace", "/S /O=replace", true},
                                           OverwriteCase{"Skip", "/S /O=skip", false},
                                           OverwriteCase{"SilentDefaultReplaces", "/S", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnattendedTest, DamagedEntryLeavesTheFileItWouldReplace) {
    // A download cut short damages every entry after the cut: the files of an earlier
    // installation stay as they were, and nothing temporary is left beside them.
    ASSERT_TRUE(MakeDirectories(Out()));
    ASSERT_TRUE(WriteTextFile(Out("bad.txt"), "the file before"));
    const std::string exe =
        MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(EntriesWithBad()));
    const WatchedRun run = RunWatched(exe, "/S /D=" + Out());
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitSomeFailed);
    EXPECT_EQ(ReadTextFile(Out("bad.txt")), "the file before");
    EXPECT_EQ(DirectoryEntries(Out()),
              (std::vector<std::string>{"bad.txt", "bin", "caf\xE9.txt", "docs", "readme.txt"}));
}

// A second run over the files of the first: read-only files are replaced as any other when the
// overwrite is agreed, and take the archive's attributes.
class SilentRerun : public UnattendedTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SilentRerun, ReplacesReadOnlyFilesOfTheFirstRun) {
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    const std::string arguments = std::string(GetParam()) + " /D=" + Out();
    WatchedRun run = RunWatched(exe, arguments);
    ASSERT_EQ(run.exitCode, kExitSuccess);
    const std::string tool = Out("bin\\tool.dat");
    ASSERT_NE(Attributes(tool) & FILE_ATTRIBUTE_READONLY, 0u);
    ASSERT_TRUE(::SetFileAttributesA(tool.c_str(), FILE_ATTRIBUTE_NORMAL)) << ::GetLastError();
    ASSERT_TRUE(WriteTextFile(tool, "stale"));
    ASSERT_TRUE(::SetFileAttributesA(tool.c_str(), FILE_ATTRIBUTE_READONLY));
    run = RunWatched(exe, arguments);
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitSuccess);
    ExpectExtracted(Out(), SampleEntries());
}

INSTANTIATE_TEST_SUITE_P(Sfx, SilentRerun, ::testing::Values("/S", "/S /O=replace"),
                         [](const auto& info) {
                             return std::string(info.index == 0 ? "SilentDefault" : "Replace");
                         });

TEST_F(UnattendedTest, SilentLogNamesTheDamagedEntry) {
    const std::string exe =
        MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(EntriesWithBad()));
    const std::string log = Path("run log.txt");
    const WatchedRun run = RunWatched(exe, "/S /LOG=\"" + log + "\" /D=" + Out());
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitSomeFailed);
    const std::string text = ReadTextFile(log).value_or("<no log>");
    EXPECT_NE(text.find("bad.txt"), std::string::npos) << text;
}

TEST_F(UnattendedTest, SilentFailuresShowOnlyInTheExitCode) {
    // A destination below a file cannot be created; a stub without an archive has nothing to
    // read. Neither may bring up a box.
    ASSERT_TRUE(WriteTextFile(Path("a file"), "in the way"));
    const std::string withArchive =
        MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    WatchedRun run = RunWatched(withArchive, "/S /D=" + Path("a file\\below"));
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitDestinationFailed);

    std::vector<uint8_t> stub = ReadFileBytes(WindowsPath(SFXSTUB_PATH));
    ASSERT_EQ(WithStubSettings(stub, StubSettingsSpec{kSwitches, ""}), "");
    const std::string bare = Path("pkg\\bare.exe");
    ASSERT_TRUE(WriteFileBytes(bare, stub));
    run = RunWatched(bare, "/S /D=" + Out());
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitArchiveUnreadable);
    ExpectNothingAt(Out());
}

TEST_F(UnattendedTest, AlwaysSilentExtractsToItsDefaultDestination) {
    const std::string exe =
        MakeSfx(StubSettingsSpec{kSilent, ""}, BuildArchive(SampleEntries()), Out());
    const WatchedRun run = RunWatched(exe, "");
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitSuccess);
    ExpectExtracted(Out(), SampleEntries());
}

// The switch box: its text names every switch and the exit codes.
void ExpectSwitchList(const MessageBoxView& box) {
    for (const char* mention : {"/S", "/D=", "/O=", "/LOG=", "--", "1602", "1639"})
        EXPECT_NE(box.text.find(mention), std::string::npos) << mention << " in: " << box.text;
}

std::optional<MessageBoxView> WaitForAnyBox(SfxProcess& sfx) {
    std::optional<MessageBoxView> found;
    WaitUntil([&] {
        const std::vector<MessageBoxView> boxes = sfx.MessageBoxes();
        if (!boxes.empty()) found = boxes.front();
        return found.has_value() || !sfx.Running();
    });
    return found;
}

struct SwitchBoxCase {
    const char* name;
    const char* arguments;
    DWORD exitCode;
};

class SwitchBox : public UnattendedTest, public ::testing::WithParamInterface<SwitchBoxCase> {};

TEST_P(SwitchBox, ListsTheSwitchesAndExtractsNothing) {
    const SwitchBoxCase& c = GetParam();
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    SfxProcess sfx(exe, Folder(), std::string(c.arguments) + " /D=" + Out());
    ASSERT_TRUE(sfx.Started());
    const std::optional<MessageBoxView> box = WaitForAnyBox(sfx);
    ASSERT_TRUE(box.has_value()) << "no box listing the switches";
    ExpectSwitchList(*box);
    EXPECT_FALSE(box->buttons.empty());
    if (!box->buttons.empty()) {
        EXPECT_TRUE(sfx.Answer(*box, box->buttons.front()));
    }
    EXPECT_EQ(sfx.WaitForExit(), c.exitCode);
    EXPECT_EQ(Attributes(Out()), INVALID_FILE_ATTRIBUTES);
}

INSTANTIATE_TEST_SUITE_P(Sfx, SwitchBox,
                         ::testing::Values(SwitchBoxCase{"UnknownSwitch", "/X",
                                                         kExitBadCommandLine},
                                           SwitchBoxCase{"Help", "/?", kExitSuccess},
                                           SwitchBoxCase{"HelpH", "/h", kExitSuccess}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnattendedTest, DestinationSwitchInTheDialogIsCreatedWithoutAQuestion) {
    // Without /S the dialog comes up with the /D= folder in its edit; Extract then creates it
    // without the question a typed folder brings.
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    const std::string destination = Path("new folder\\level");
    SfxProcess sfx(exe, Folder(), "/D=" + destination);
    ASSERT_TRUE(sfx.Started());
    ASSERT_NE(sfx.WaitForDialog(), nullptr) << "no dialog";
    EXPECT_EQ(sfx.Text(IDC_DESTINATION), destination);
    sfx.Press(IDC_EXTRACT);
    std::optional<MessageBoxView> box;
    WaitUntil([&] {
        const std::vector<MessageBoxView> boxes = sfx.MessageBoxes();
        if (!boxes.empty()) box = boxes.front();
        return box.has_value() || !sfx.Running();
    });
    ASSERT_TRUE(box.has_value()) << "no completion question";
    EXPECT_EQ(box->text, "Extraction Complete, Exit?");
    EXPECT_TRUE(sfx.Answer(*box, IDYES));
    EXPECT_EQ(sfx.WaitForExit(), kExitSuccess);
    ExpectExtracted(destination, SampleEntries());
}

TEST_F(UnattendedTest, WithoutSwitchesTheCommandLineIsIgnored) {
    // Made without --switches, with no settings at all or with settings that only name a
    // program: /S and /D change nothing, the dialog comes up as always.
    for (const std::optional<StubSettingsSpec>& settings :
         {std::optional<StubSettingsSpec>(),
          std::optional<StubSettingsSpec>(StubSettingsSpec{0, "bin\\run_probe.exe"})}) {
        SCOPED_TRACE(settings ? "settings without switches" : "no settings");
        const std::string exe = MakeSfx(settings, BuildArchive({ProbeEntry()}));
        SfxProcess sfx(exe, Folder(), "/S /D=" + Out());
        ASSERT_TRUE(sfx.Started());
        WindowWatch watch(sfx.ProcessId());
        ASSERT_NE(sfx.WaitForDialog(), nullptr) << "no dialog";
        // The watch that finds no window in the silent runs sees this one.
        EXPECT_TRUE(WaitUntil([&] { return !watch.Seen().empty(); }));
        sfx.Press(IDC_CLOSE);
        EXPECT_EQ(sfx.WaitForExit(), kExitCancelled);
        EXPECT_EQ(Attributes(Out()), INVALID_FILE_ATTRIBUTES);
    }
}

}  // namespace
}  // namespace sfxtest
