// Self-extractors tried as an attacker would: command lines and paths the ANSI code page cannot
// spell, links planted inside the destination, a log named to destroy a file, and destinations
// that take nothing. None may be turned against the user who runs them.
#include <gtest/gtest.h>

#include "unattended_fixture.h"
#include "win_paths.h"

namespace sfxtest {
namespace {

std::wstring Replace(std::wstring text, const std::wstring& from, const std::wstring& to) {
    for (size_t at; (at = text.find(from)) != std::wstring::npos;)
        text.replace(at, from.size(), to);
    return text;
}

// A command line with characters the ANSI code page lacks, which its interface would turn into
// look-alikes ("．．" into "..", "／Ｓ" into "/S", "＂" into a quote): refused whole, silently
// (a real /S is given), and nothing is written anywhere. "{out}" is the destination.
struct InexactCase {
    const char* name;
    std::wstring arguments;
};

void PrintTo(const InexactCase& c, std::ostream* out) {
    *out << c.name;
}

class InexactCommandLine : public UnattendedTest,
                           public ::testing::WithParamInterface<InexactCase> {};

TEST_P(InexactCommandLine, IsRefusedAndNothingIsWritten) {
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    const std::string log = Path("run.log");
    const WatchedRun run = RunWatched(
        Wide(exe), Replace(GetParam().arguments, L"{out}", Wide(Out())) + L" /LOG=" + Wide(log));
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitBadCommandLine);
    EXPECT_EQ(DirectoryEntries(Folder()), std::vector<std::string>{"pkg"});
}

INSTANTIATE_TEST_SUITE_P(
    Sfx, InexactCommandLine,
    ::testing::Values(
        InexactCase{"FullwidthDots", L"/S /D={out}\\x\\\xFF0E\xFF0E\\\xFF0E\xFF0E\\y"},
        InexactCase{"FullwidthSwitch", L"/S \xFF0F\xFF33 /D={out}"},
        InexactCase{"FullwidthQuotesForTheProgram", L"/S /D={out} -- \xFF02x\xFF02 \xFF06"},
        // Never approximated: a folder the code page cannot name is refused.
        InexactCase{"DestinationOutsideTheCodePage", L"/S /D={out}\\\x65E5\x672C"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnattendedTest, OpensItsOwnImageBesideALookAlike) {
    // "ｄｌ" (fullwidth) comes back from the ANSI interface as "dl": the self-extractor there
    // must read its own archive, not that of the one in "dl".
    const std::string decoy =
        MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive({{"decoy.txt", "not mine"}}));
    ASSERT_TRUE(MakeDirectories(Path("dl")));
    ASSERT_TRUE(::CopyFileA(decoy.c_str(), Path("dl\\setup.exe").c_str(), FALSE));
    const std::string own = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    const std::wstring lookAlike = Wide(Folder()) + L"\\\xFF44\xFF4C";
    ASSERT_TRUE(::CreateDirectoryW(lookAlike.c_str(), nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(::CopyFileW(Wide(own).c_str(), (lookAlike + L"\\setup.exe").c_str(), FALSE));
    const WatchedRun run = RunWatched(lookAlike + L"\\setup.exe", L"/S /D=" + Wide(Out()));
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitSuccess);
    ExpectExtracted(Out(), SampleEntries());
    EXPECT_EQ(Attributes(Out("decoy.txt")), INVALID_FILE_ATTRIBUTES);

    // Without /D= its own folder is the destination, which the code page cannot name: refused,
    // rather than extracted into the look-alike "dl".
    const WatchedRun withoutFolder = RunWatched(lookAlike + L"\\setup.exe", L"/S");
    ExpectNoWindow(withoutFolder);
    EXPECT_EQ(withoutFolder.exitCode, kExitDestinationFailed);
    EXPECT_EQ(DirectoryEntries(Path("dl")), std::vector<std::string>{"setup.exe"});
}

TEST_F(UnattendedTest, TempFolderTheCodePageCannotNameIsNotApproximated) {
    // %TEMP% is "Łukasz"; the ANSI interface would give "Lukasz", which another user may own.
    const std::wstring temp = Wide(Folder()) + L"\\\x0141ukasz";
    ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(MakeDirectories(Path("Lukasz")));
    wchar_t before[MAX_PATH];
    ASSERT_GT(::GetEnvironmentVariableW(L"TEMP", before, MAX_PATH), 0u);
    ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
    ::SetEnvironmentVariableW(L"TMP", temp.c_str());
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches | kTemp, "bin\\run_probe.exe"},
                                    BuildArchive({ProbeEntry()}));
    const WatchedRun run = RunWatched(exe, "/S");
    ::SetEnvironmentVariableW(L"TEMP", before);
    ::SetEnvironmentVariableW(L"TMP", before);
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitDestinationFailed);
    EXPECT_EQ(DirectoryEntries(Path("Lukasz")), std::vector<std::string>{});
    EXPECT_EQ(Attributes(RecordPath()), INVALID_FILE_ATTRIBUTES) << "the program ran";
}

TEST_F(UnattendedTest, RefusedCommandLineLeavesTheLogFileAsItWas) {
    const std::string precious = Path("precious.txt");
    ASSERT_TRUE(WriteTextFile(precious, "precious"));
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    const WatchedRun run = RunWatched(exe, "/S /LOG=" + precious + " /BOGUS");
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitBadCommandLine);
    EXPECT_EQ(ReadTextFile(precious), "precious");
}

TEST_F(UnattendedTest, LogInAFolderThatDoesNotExistIsWritten) {
    // Deployment tools name a log folder of their own and expect it made.
    const std::string log = Path("logs\\acme\\setup.log");
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    const WatchedRun run = RunWatched(exe, "/S /LOG=" + log + " /D=" + Out());
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitSuccess);
    ExpectExtracted(Out(), SampleEntries());
    const std::string text = ReadTextFile(log).value_or("<no log>");
    EXPECT_NE(text.find("Extracted: readme.txt"), std::string::npos) << text;
}

TEST_F(UnattendedTest, DestinationThatTakesNothingExitsFive) {
    // Every entry's name is taken by a folder: nothing can be written, for want of the
    // destination rather than for a fault of the archive.
    for (const char* taken : {"readme.txt", "docs\\guide.txt", "bin\\tool.dat", "caf\xE9.txt"})
        ASSERT_TRUE(MakeDirectories(Out(taken)));
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(SampleEntries()));
    const WatchedRun run = RunWatched(exe, "/S /D=" + Out());
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitDestinationFailed);
}

TEST_F(UnattendedTest, StubWithoutArchiveMakesNoDestination) {
    std::vector<uint8_t> stub = ReadFileBytes(WindowsPath(SFXSTUB_PATH));
    ASSERT_EQ(WithStubSettings(stub, StubSettingsSpec{kSwitches, ""}), "");
    const std::string bare = Path("pkg\\bare.exe");
    ASSERT_TRUE(WriteFileBytes(bare, stub));
    const WatchedRun run = RunWatched(bare, "/S /D=" + Out("new"));
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitArchiveUnreadable);
    EXPECT_EQ(Attributes(Out()), INVALID_FILE_ATTRIBUTES);
}

// A link inside the destination, to a folder outside it or named like an entry's file: the
// entries that meet it are refused and the rest extract; nothing lands outside.
TEST_F(UnattendedTest, LinksInsideTheDestinationAreNeverFollowed) {
    const std::string victim = Path("victim");
    ASSERT_TRUE(MakeDirectories(victim));
    ASSERT_TRUE(WriteTextFile(victim + "\\target.txt", "the victim's file"));
    ASSERT_TRUE(MakeDirectories(Out()));
    if (!MakeLink(Out("sub"), "..\\victim", true) ||
        !MakeLink(Out("ok.txt"), "..\\victim\\target.txt", false))
        GTEST_SKIP() << "no symbolic links can be made here";
    const std::vector<ArchiveEntry> entries = {
        {"sub\\data.bin", "planted"}, {"ok.txt", "through a file link"}, {"fine.txt", "fine"}};
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, ""}, BuildArchive(entries));
    const std::string log = Path("run.log");
    const WatchedRun run = RunWatched(exe, "/S /LOG=" + log + " /D=" + Out());
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitSomeFailed);
    EXPECT_EQ(DirectoryEntries(victim), std::vector<std::string>{"target.txt"});
    EXPECT_EQ(ReadTextFile(victim + "\\target.txt"), "the victim's file");
    EXPECT_EQ(ReadTextFile(Out("fine.txt")), "fine");
    // The file link is replaced or refused, never written through.
    EXPECT_NE(ReadTextFile(Out("ok.txt")), std::optional<std::string>("the victim's file"));
    const std::string text = ReadTextFile(log).value_or("<no log>");
    EXPECT_NE(text.find("meets a link"), std::string::npos) << text;
}

}  // namespace
}  // namespace sfxtest
