// A program run after extraction (vexa sfx --run, --temp): the run probe, extracted with the
// archive, records its arguments, working folder and that folder's DACL, leaves a child behind
// that ends a second later, and exits with 7.
#include <gtest/gtest.h>

#include <map>

#include "resource.h"
#include "unattended_fixture.h"
#include "win_paths.h"

namespace sfxtest {
namespace {

const std::vector<ArchiveEntry>& ProbeArchiveEntries() {
    static const std::vector<ArchiveEntry> entries = {ProbeEntry(), {"readme.txt", "read me\r\n"}};
    return entries;
}

// The probe and a damaged entry: the extraction fails, the probe itself is intact.
std::vector<uint8_t> DamagedProbeArchive() {
    std::vector<ArchiveEntry> entries = ProbeArchiveEntries();
    entries.push_back(EntriesWithBad()[kBadIndex]);
    return BuildArchive(entries);
}

// Access rights an SDDL ACE grants, from its letters or its hexadecimal mask.
uint32_t SddlRights(const std::string& rights) {
    if (rights.rfind("0x", 0) == 0 || rights.rfind("0X", 0) == 0)
        return uint32_t(std::stoul(rights, nullptr, 16));
    static const std::map<std::string, uint32_t> kCodes = {{"GA", GENERIC_ALL},
                                                           {"GR", GENERIC_READ},
                                                           {"GW", GENERIC_WRITE},
                                                           {"GX", GENERIC_EXECUTE},
                                                           {"FA", FILE_ALL_ACCESS},
                                                           {"FR", FILE_GENERIC_READ},
                                                           {"FW", FILE_GENERIC_WRITE},
                                                           {"FX", FILE_GENERIC_EXECUTE},
                                                           {"SD", DELETE},
                                                           {"RC", READ_CONTROL},
                                                           {"WD", WRITE_DAC},
                                                           {"WO", WRITE_OWNER},
                                                           {"CC", 0x1},
                                                           {"DC", 0x2},
                                                           {"LC", 0x4},
                                                           {"SW", 0x8},
                                                           {"RP", 0x10},
                                                           {"WP", 0x20},
                                                           {"DT", 0x40},
                                                           {"LO", 0x80},
                                                           {"CR", 0x100}};
    uint32_t mask = 0;
    for (size_t i = 0; i + 2 <= rights.size(); i += 2) {
        const auto code = kCodes.find(rights.substr(i, 2));
        mask |= code == kCodes.end() ? 0xFFFFFFFFu : code->second;  // unknown: assume the worst
    }
    return mask;
}

// Rights that change a folder or what is in it (add, write, delete, change its security).
constexpr uint32_t kWritingRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_WRITE_EA |
                                    FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC |
                                    WRITE_OWNER | GENERIC_ALL | GENERIC_WRITE;

struct Ace {
    std::string type;
    std::string rights;
    std::string sid;
};

// The ACEs of a "D:flags(ace)(ace)..." SDDL string, and its flags.
std::vector<Ace> ParseDacl(const std::string& sddl, std::string& flags) {
    std::vector<Ace> aces;
    const size_t open = sddl.find('(');
    flags = sddl.substr(2, open == std::string::npos ? std::string::npos : open - 2);
    for (size_t at = open; at != std::string::npos; at = sddl.find('(', at + 1)) {
        const size_t close = sddl.find(')', at);
        std::vector<std::string> fields;
        std::string field;
        for (char c : sddl.substr(at + 1, close - at - 1)) {
            if (c == ';') {
                fields.push_back(field);
                field.clear();
            } else {
                field += c;
            }
        }
        fields.push_back(field);
        if (fields.size() == 6) aces.push_back({fields[0], fields[2], fields[5]});
    }
    return aces;
}

bool IsBroadGroup(const std::string& sid) {
    return sid == "WD" || sid == "BU" || sid == "AU" || sid == "S-1-1-0" || sid == "S-1-5-32-545" ||
           sid == "S-1-5-11";
}

// Only the user may write: a protected DACL (nothing inherited from %TEMP%), a writing ACE for
// the user, and none for anyone else, above all not Everyone, Users or Authenticated Users.
// SYSTEM and Administrators may appear: they can take any folder anyway.
//
// Wine (8.0) keeps no DACL for a file: it sets the Unix mode bits from the DACL it was given and
// later rebuilds one from them (SYSTEM, the owner, Everyone for the "other" bits), without the
// protected flag. There a private folder shows as one where Everyone has no access at all, and a
// folder made without a DACL shows Everyone with read access.
void ExpectOnlyTheUserWrites(const std::string& sddl) {
    ASSERT_EQ(sddl.rfind("D:", 0), 0u) << sddl;
    std::string flags;
    const std::vector<Ace> aces = ParseDacl(sddl, flags);
    const bool wine = UnderWine();
    if (!wine) {
        EXPECT_NE(flags.find('P'), std::string::npos) << "DACL not protected: " << sddl;
    }
    const std::string user = CurrentUserSid();
    ASSERT_FALSE(user.empty());
    bool userWrites = false;
    for (const Ace& ace : aces) {
        if (ace.type != "A" && ace.type != "OA") continue;
        if (wine && IsBroadGroup(ace.sid)) ADD_FAILURE() << ace.sid << " has access: " << sddl;
        if (!(SddlRights(ace.rights) & kWritingRights)) continue;
        if (ace.sid == user) {
            userWrites = true;
        } else if (ace.sid != "SY" && ace.sid != "BA") {
            ADD_FAILURE() << ace.sid << " may write (" << ace.rights << "): " << sddl;
        }
    }
    EXPECT_TRUE(userWrites) << "the user " << user << " may not write: " << sddl;
}

class RunAfterExtraction : public UnattendedTest {};

TEST_F(RunAfterExtraction, SilentRunGetsFixedAndUserArgumentsInTheDestination) {
    const std::string exe =
        MakeSfx(StubSettingsSpec{kSwitches, "bin\\run_probe.exe fixed1 \"fixed two\""},
                BuildArchive(ProbeArchiveEntries()));
    // Unquoted, the destination runs up to the lone "--", spaces and all.
    const std::string destination = Path("run dest");
    const std::optional<ProbeRecord> record =
        ExpectSilentProbeRun(RunWatched(exe, "/S /D=" + destination + " -- user1 \"user two\""),
                             {"fixed1", "fixed two", "user1", "user two"});
    ExpectExtracted(destination, ProbeArchiveEntries());
    ASSERT_TRUE(record.has_value());
    EXPECT_TRUE(SameFolder(record->workingFolder, destination)) << record->workingFolder;
}

TEST_F(RunAfterExtraction, DialogRunsTheProgramInsteadOfAskingToExit) {
    ASSERT_TRUE(MakeDirectories(Out()));
    const std::string exe = MakeSfx(StubSettingsSpec{0, "bin\\run_probe.exe from-dialog"},
                                    BuildArchive(ProbeArchiveEntries()), Out());
    SfxProcess sfx(exe, Folder(), "-- ignored without switches");
    ASSERT_TRUE(sfx.Started());
    ASSERT_NE(sfx.WaitForDialog(), nullptr) << "no dialog";
    sfx.Press(IDC_EXTRACT);
    std::vector<MessageBoxView> boxes;
    WaitUntil([&] {
        boxes = sfx.MessageBoxes();
        return !boxes.empty() || !sfx.Running();
    });
    for (const MessageBoxView& box : boxes) ADD_FAILURE() << box.caption << ": " << box.text;
    EXPECT_EQ(sfx.WaitForExit(), kProbeExitCode);
    EXPECT_NE(Attributes(MarkerPath()), INVALID_FILE_ATTRIBUTES) << "ended before the child";
    const std::optional<ProbeRecord> record = ReadProbeRecord(RecordPath());
    ASSERT_TRUE(record.has_value()) << "the program did not run";
    EXPECT_EQ(record->arguments, std::vector<std::string>{"from-dialog"});
    EXPECT_TRUE(SameFolder(record->workingFolder, Out())) << record->workingFolder;
}

TEST_F(RunAfterExtraction, TempFolderIsPrivateAndRemovedAfterwards) {
    const std::string temp = UsePrivateTemp();
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches | kTemp, "bin\\run_probe.exe t"},
                                    BuildArchive(ProbeArchiveEntries()));
    const std::optional<ProbeRecord> record =
        ExpectSilentProbeRun(RunWatched(exe, "/S -- after"), {"t", "after"});
    ASSERT_TRUE(record.has_value());
    ExpectRanInRemovedTempFolder(*record, temp);
    ExpectOnlyTheUserWrites(record->dacl);
}

TEST_F(RunAfterExtraction, DialogStartsTheProgramWhereItWasExtracted) {
    // The destination edited while the run waits on a question applies to the entries after it;
    // the program, extracted before, starts from the folder it went to.
    ASSERT_TRUE(MakeDirectories(Out()));
    ASSERT_TRUE(WriteTextFile(Out("readme.txt"), "old"));
    const std::string exe = MakeSfx(StubSettingsSpec{0, "bin\\run_probe.exe edited"},
                                    BuildArchive(ProbeArchiveEntries()), Out());
    SfxProcess sfx(exe, Folder(), "");
    ASSERT_TRUE(sfx.Started());
    ASSERT_NE(sfx.WaitForDialog(), nullptr) << "no dialog";
    sfx.Press(IDC_EXTRACT);
    std::optional<MessageBoxView> question;
    WaitUntil([&] {
        const std::vector<MessageBoxView> boxes = sfx.MessageBoxes();
        if (!boxes.empty()) question = boxes.front();
        return question.has_value() || !sfx.Running();
    });
    ASSERT_TRUE(question.has_value()) << "no overwrite question";
    sfx.SetText(IDC_DESTINATION, Path("elsewhere"));
    EXPECT_TRUE(sfx.Answer(*question, IDYES));
    EXPECT_EQ(sfx.WaitForExit(), kProbeExitCode);
    const std::optional<ProbeRecord> record = ReadProbeRecord(RecordPath());
    ASSERT_TRUE(record.has_value()) << "the program did not run";
    EXPECT_TRUE(SameFolder(record->workingFolder, Out())) << record->workingFolder;
    // The question was about the last entry, which went where the question said.
    EXPECT_EQ(ReadTextFile(Out("readme.txt")), "read me\r\n");
    EXPECT_EQ(Attributes(Path("elsewhere")), INVALID_FILE_ATTRIBUTES);
}

// With /O=skip a program already in the destination is run only when it is the archive's own,
// byte for byte; anything else there is left alone and not started.
struct SkippedProgramCase {
    const char* name;
    bool decoy;
    DWORD exitCode;
};

class SkippedProgram : public UnattendedTest,
                       public ::testing::WithParamInterface<SkippedProgramCase> {};

TEST_P(SkippedProgram, RunsOnlyTheArchivesOwnProgram) {
    const SkippedProgramCase& c = GetParam();
    std::string program = ProbeEntry().content;
    if (c.decoy) program += "decoy";  // still a program that runs, but not the archive's
    ASSERT_TRUE(MakeDirectories(Out("bin")));
    ASSERT_TRUE(WriteFileBytes(Out("bin\\run_probe.exe"),
                               std::vector<uint8_t>(program.begin(), program.end())));
    const std::string exe = MakeSfx(StubSettingsSpec{kSwitches, "bin\\run_probe.exe"},
                                    BuildArchive(ProbeArchiveEntries()));
    const std::string log = Path("run.log");
    const WatchedRun run = RunWatched(exe, "/S /O=skip /LOG=" + log + " /D=" + Out());
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(Attributes(RecordPath()) != INVALID_FILE_ATTRIBUTES, !c.decoy) << "ran or not";
    if (c.decoy) {
        const std::string text = ReadTextFile(log).value_or("<no log>");
        EXPECT_NE(text.find("was not extracted by this run"), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(Sfx, SkippedProgram,
                         ::testing::Values(SkippedProgramCase{"Decoy", true, kExitRunFailed},
                                           SkippedProgramCase{"SameBytes", false, kProbeExitCode}),
                         [](const auto& info) { return std::string(info.param.name); });

// Wine's loader takes a DLL away from one program named in its settings.
class DllDisabledFor {
  public:
    DllDisabledFor(const std::string& program, const char* dll)
        : key_("Software\\Wine\\AppDefaults\\" + program + "\\DllOverrides") {
        HKEY key;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        made_ = ::RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) ==
                ERROR_SUCCESS;
        ::RegCloseKey(key);
    }
    ~DllDisabledFor() { ::RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }
    bool Made() const { return made_; }

  private:
    std::string key_;
    bool made_ = false;
};

TEST_F(RunAfterExtraction, InternalErrorLeavesNoTempFolder) {
    // Without comctl32 there is no dialog: the self-extractor stops with its internal-error box
    // (exit 4) after it made its private folder, which must go all the same.
    if (!UnderWine()) GTEST_SKIP() << "needs Wine's DLL overrides to take comctl32 away";
    const std::string temp = UsePrivateTemp();
    const std::string exe = Path("pkg\\stops-at-once.exe");
    ASSERT_TRUE(::CopyFileA(MakeSfx(StubSettingsSpec{kSwitches | kTemp, "bin\\run_probe.exe"},
                                    BuildArchive(ProbeArchiveEntries()))
                                .c_str(),
                            exe.c_str(), FALSE));
    const DllDisabledFor noCommonControls("stops-at-once.exe", "comctl32");
    ASSERT_TRUE(noCommonControls.Made());
    SfxProcess sfx(exe, Folder(), "");
    ASSERT_TRUE(sfx.Started());
    const std::optional<MessageBoxView> box = sfx.WaitForMessageBox("Error");
    ASSERT_TRUE(box.has_value()) << "no box; exit code " << sfx.WaitForExit().value_or(~0u);
    EXPECT_NE(box->text.find("internal error"), std::string::npos) << box->text;
    EXPECT_TRUE(sfx.Answer(*box, IDOK));
    EXPECT_EQ(sfx.WaitForExit(), std::optional<DWORD>(4));
    EXPECT_EQ(DirectoryEntries(temp), std::vector<std::string>{}) << "left in %TEMP%";
}

// A run that cannot go as planned: the extraction fails (nothing runs) or the program is not
// in the archive (exit 6); with --temp the folder goes either way.
struct FailedRunCase {
    const char* name;
    bool temp;
    bool damaged;
    const char* program;
    DWORD exitCode;
};

void PrintTo(const FailedRunCase& c, std::ostream* out) {
    *out << c.name;
}

class FailedRun : public UnattendedTest, public ::testing::WithParamInterface<FailedRunCase> {};

TEST_P(FailedRun, RunsNothingAndLeavesNoTempFolder) {
    const FailedRunCase& c = GetParam();
    const std::string temp = UsePrivateTemp();
    const std::string exe =
        MakeSfx(StubSettingsSpec{kSwitches | (c.temp ? kTemp : 0u), c.program},
                c.damaged ? DamagedProbeArchive() : BuildArchive(ProbeArchiveEntries()));
    const WatchedRun run = RunWatched(exe, c.temp ? "/S" : "/S /D=" + Out());
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(Attributes(RecordPath()), INVALID_FILE_ATTRIBUTES) << "the program ran";
    EXPECT_EQ(DirectoryEntries(temp), std::vector<std::string>{}) << "left in %TEMP%";
}

INSTANTIATE_TEST_SUITE_P(
    Sfx, FailedRun,
    ::testing::Values(
        FailedRunCase{"DamagedEntry", false, true, "bin\\run_probe.exe", kExitSomeFailed},
        FailedRunCase{"DamagedEntryTemp", true, true, "bin\\run_probe.exe", kExitSomeFailed},
        FailedRunCase{"MissingProgram", false, false, "bin\\absent.exe", kExitRunFailed},
        FailedRunCase{"MissingProgramTemp", true, false, "bin\\absent.exe", kExitRunFailed}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sfxtest
