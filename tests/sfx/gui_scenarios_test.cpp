// End-to-end runs of real self-extractors: each scenario forms one from the stub and an
// archive, starts it, operates its dialog and message boxes like a user, and checks the
// controls and the files on disk.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "gui_session.h"
#include "resource.h"
#include "sfx_maker.h"
#include "win_paths.h"

namespace sfxtest {
namespace {

constexpr char kCaption[] = "Tarnwick Archiver SFX";
constexpr char kCreateQuestion[] = "This directory does not exist, create now?";
constexpr char kDoneQuestion[] = "Extraction Complete, Exit?";
constexpr char kCancelQuestion[] = "Are you sure you wish to cancel extraction?";
constexpr uint32_t kReadOnlyArchive = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
constexpr uint32_t kHiddenArchive = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;

// One scenario's world: its folder, the running self-extractor, and checks on both.
class ScenarioRun {
  public:
    ScenarioRun(std::string folder, SfxProcess& sfx) : folder_(std::move(folder)), sfx_(sfx) {}

    SfxProcess& sfx() { return sfx_; }
    const std::string& Folder() const { return folder_; }
    // The default destination of the scenarios: <folder>\out.
    std::string Out(const std::string& relative = "") const {
        return folder_ + "\\out" + (relative.empty() ? "" : "\\" + relative);
    }

    // Waits for the next message box (with `caption`, or any when empty) and checks it.
    MessageBoxView ExpectBox(const std::string& caption, const std::string& text, bool owned,
                             std::vector<int> buttons) {
        std::optional<MessageBoxView> box;
        WaitUntil([&] {
            for (const MessageBoxView& view : sfx_.MessageBoxes())
                if (view.caption == caption) box = view;
            if (!box && !sfx_.MessageBoxes().empty()) box = sfx_.MessageBoxes().front();
            return box.has_value() || !sfx_.Running();
        });
        if (!box) {
            ADD_FAILURE() << "no message box \"" << caption << "\": " << text;
            return {};
        }
        EXPECT_EQ(box->caption, caption) << box->text;
        EXPECT_EQ(box->text, text);
        EXPECT_EQ(box->owner, owned ? sfx_.Dialog() : nullptr) << box->text;
        std::sort(buttons.begin(), buttons.end());
        std::sort(box->buttons.begin(), box->buttons.end());
        EXPECT_EQ(box->buttons, buttons) << box->text;
        return *box;
    }
    void Answer(const MessageBoxView& box, int button) {
        if (box.window) {
            EXPECT_TRUE(sfx_.Answer(box, button)) << box.text;
        }
    }
    void ExpectAndAnswer(const std::string& caption, const std::string& text, bool owned,
                         std::vector<int> buttons, int answer) {
        Answer(ExpectBox(caption, text, owned, std::move(buttons)), answer);
    }
    void ExpectDone(int answer) {
        ExpectAndAnswer("Done", kDoneQuestion, true, {IDYES, IDNO}, answer);
        if (answer == IDNO) ExpectIdle();
    }
    void ExpectOverwrite(const std::string& relative, int answer) {
        ExpectAndAnswer(kCaption, "File " + Out(relative) + " exists already, ovewrite it?", true,
                        {IDYES, IDNO, IDCANCEL}, answer);
    }
    void ExpectError(const std::string& text) {
        ExpectAndAnswer("Error", text, false, {IDOK}, IDOK);
    }
    void ExpectDecompressError(const std::string& name, const std::string& message) {
        ExpectError("sfxstub :: ExtractThread :: 159\n\nerror during decompressing file:\n'" +
                    name + "'\n\n" + message);
    }
    void ExpectIdle() {
        EXPECT_TRUE(WaitUntil([&] { return sfx_.Enabled(IDC_EXTRACT); }))
            << "Extract did not become enabled";
        EXPECT_TRUE(sfx_.MessageBoxes().empty());
    }
    // The exit code tells a script how the run went: closing before anything was extracted
    // is a cancel, a failed entry or an unreadable archive is never a success.
    void ExpectExit(DWORD expected) {
        const std::optional<DWORD> code = sfx_.WaitForExit();
        ASSERT_TRUE(code.has_value()) << "the self-extractor did not exit";
        EXPECT_EQ(*code, expected);
    }
    void ExpectStillRunning() {
        EXPECT_FALSE(sfx_.WaitForExit(std::chrono::milliseconds(50)).has_value());
    }
    void ExpectCounts(uint64_t completed, uint64_t total) {
        EXPECT_EQ(sfx_.Text(IDC_COMPLETED),
                  "Extracted files completed: " + std::to_string(completed) + " of " +
                      std::to_string(total));
    }
    void ExpectList(const std::vector<std::string>& names) {
        EXPECT_EQ(sfx_.ListItems(IDC_EXTRACTED_LIST), names);
    }
    void ExpectProgressControlsEnabled(bool enabled) {
        for (int id : {IDC_PROGRESS, IDC_CURRENT_FILE, IDC_COMPLETED, IDC_EXTRACTED_LIST})
            EXPECT_EQ(sfx_.Enabled(id), enabled) << "control " << id;
    }
    void ExpectFile(const std::string& relative, const std::string& content,
                    uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE) {
        EXPECT_EQ(ReadTextFile(Out(relative)).value_or("<missing>"), content) << relative;
        EXPECT_EQ(Attributes(Out(relative)), attributes) << relative;
    }
    void ExpectMissing(const std::string& path) {
        EXPECT_EQ(Attributes(path), INVALID_FILE_ATTRIBUTES) << path;
    }

  private:
    std::string folder_;
    SfxProcess& sfx_;
};

struct Scenario {
    const char* name;
    std::vector<ArchiveEntry> entries;
    // Text placed into the initial destination field; "{out}" stands for <folder>\out, and
    // an empty text leaves the field as built.
    std::string initialDestination = "{out}";
    // Files present before the run, relative to <folder>\out (which exists when this is set
    // or the destination is the default).
    std::vector<std::pair<std::string, std::string>> existingFiles = {};
    std::function<void(ScenarioRun&)> script;
    bool appendArchive = true;
};

void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << scenario.name;
}

std::string EnvironmentValue(const char* name) {
    char value[MAX_PATH] = "";
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? value : "";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
    return text;
}

const std::vector<ArchiveEntry> kThreeFiles = {
    {"a.txt", "first file\r\n"},
    {"b.txt", "second file, new\r\n"},
    {"c.txt", "third file\r\n"},
};

// Archive order differs from the sorted order of the list.
const std::vector<ArchiveEntry> kTree = {
    {"zeta.txt", "last in the list\r\n", kHiddenArchive},
    {"docs\\readme.txt", "read me\r\n"},
    {"alpha.bin", std::string("\0\x01\x02\xFF binary\0", 13), kReadOnlyArchive},
    {"docs\\img\\logo.dat", std::string(5000, 'x') + "tail"},
};
const std::vector<std::string> kTreeSorted = {"alpha.bin", "docs\\img\\logo.dat",
                                              "docs\\readme.txt", "zeta.txt"};

void ExpectTreeExtracted(ScenarioRun& run) {
    run.ExpectFile("zeta.txt", "last in the list\r\n", kHiddenArchive);
    run.ExpectFile("docs\\readme.txt", "read me\r\n");
    run.ExpectFile("alpha.bin", std::string("\0\x01\x02\xFF binary\0", 13), kReadOnlyArchive);
    run.ExpectFile("docs\\img\\logo.dat", std::string(5000, 'x') + "tail");
}

// Existing b.txt with the box unchecked: the three answers to the overwrite question.
struct OverwriteCase {
    int answer;
    std::vector<std::string> listed;
    uint64_t completed;
    const char* bContent;
    bool cExtracted;
    DWORD exitCode;
};

Scenario ExistingFileScenario(const char* name, OverwriteCase expected) {
    return {name, kThreeFiles, "{out}", {{"b.txt", "old content"}}, [expected](ScenarioRun& run) {
                run.sfx().Press(IDC_EXTRACT);
                run.ExpectOverwrite("b.txt", expected.answer);
                run.ExpectDone(IDNO);
                run.ExpectList(expected.listed);
                run.ExpectCounts(expected.completed, 3);
                EXPECT_EQ(ReadTextFile(run.Out("b.txt")), expected.bContent);
                if (expected.cExtracted)
                    run.ExpectFile("c.txt", "third file\r\n");
                else
                    run.ExpectMissing(run.Out("c.txt"));
                run.ExpectFile("a.txt", "first file\r\n");
                run.sfx().Press(IDC_CLOSE);
                run.ExpectExit(expected.exitCode);
            }};
}

// The Close button pressed while a run waits in its overwrite question.
Scenario CloseDuringRunScenario(const char* name, int cancelAnswer) {
    return {
        name, kThreeFiles, "{out}", {{"b.txt", "old content"}}, [cancelAnswer](ScenarioRun& run) {
            run.sfx().Press(IDC_EXTRACT);
            const std::optional<MessageBoxView> overwrite = run.sfx().WaitForMessageBox(kCaption);
            ASSERT_TRUE(overwrite.has_value());
            run.sfx().Press(IDC_CLOSE);
            const std::optional<MessageBoxView> cancel = run.sfx().WaitForMessageBox("Cancel");
            ASSERT_TRUE(cancel.has_value());
            EXPECT_EQ(cancel->text, kCancelQuestion);
            EXPECT_EQ(cancel->owner, run.sfx().Dialog());
            run.Answer(*cancel, cancelAnswer);
            if (cancelAnswer == IDYES) {
                run.ExpectExit(sfx::kExitCancelled);
                run.ExpectMissing(run.Out("c.txt"));
                return;
            }
            run.ExpectStillRunning();
            EXPECT_TRUE(run.sfx().Enabled(IDC_CLOSE));
            run.Answer(*overwrite, IDYES);
            run.ExpectDone(IDYES);
            run.ExpectExit(sfx::kExitSuccess);
            run.ExpectFile("b.txt", "second file, new\r\n");
            run.ExpectFile("c.txt", "third file\r\n");
        }};
}

std::vector<Scenario> Scenarios() {
    std::vector<Scenario> list;
    list.push_back(
        {"EmptyFieldShowsTheExecutablesFolder", {{"f.txt", "f"}}, "", {}, [](ScenarioRun& run) {
             EXPECT_EQ(run.sfx().Text(IDC_DESTINATION), run.Folder() + "\\pkg\\");
             EXPECT_TRUE(run.sfx().Enabled(IDC_EXTRACT));
             EXPECT_FALSE(run.sfx().Checked(IDC_OVERWRITE));
             run.ExpectProgressControlsEnabled(false);
             run.sfx().Press(IDC_CLOSE);  // idle: no question
             run.ExpectExit(sfx::kExitCancelled);
         }});
    list.push_back({"PatchedFieldShownUnchanged",
                    {{"f.txt", "f"}},
                    "Q:\\Some where\\odd name",
                    {},
                    [](ScenarioRun& run) {
                        EXPECT_EQ(run.sfx().Text(IDC_DESTINATION), "Q:\\Some where\\odd name");
                        run.sfx().PressKey(VK_ESCAPE);  // Escape is Close
                        run.ExpectExit(sfx::kExitCancelled);
                    }});
    list.push_back({"BrowseCancelledLeavesTheEditUnchanged",
                    {{"f.txt", "f"}},
                    "{out}",
                    {},
                    [](ScenarioRun& run) {
                        const std::string before = run.sfx().Text(IDC_DESTINATION);
                        run.sfx().Press(IDC_BROWSE);
                        HWND picker = nullptr;
                        ASSERT_TRUE(WaitUntil([&] {
                            const std::vector<HWND> dialogs = run.sfx().OtherDialogs();
                            picker = dialogs.empty() ? nullptr : dialogs.front();
                            return picker != nullptr;
                        })) << "no folder picker";
                        EXPECT_EQ(::GetWindow(picker, GW_OWNER), run.sfx().Dialog());
                        ::PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
                        EXPECT_TRUE(WaitUntil([&] { return run.sfx().OtherDialogs().empty(); }));
                        EXPECT_EQ(run.sfx().Text(IDC_DESTINATION), before);
                        EXPECT_TRUE(run.sfx().Enabled(IDC_EXTRACT));
                        run.sfx().Press(IDC_CLOSE);
                        run.ExpectExit(sfx::kExitCancelled);
                    }});
    list.push_back({"MissingDirectoriesYesCreatesEveryLevel",
                    {{"f.txt", "deep"}},
                    "{out}\\a\\b\\c",
                    {},
                    [](ScenarioRun& run) {
                        run.sfx().Press(IDC_EXTRACT);
                        run.ExpectAndAnswer("Error", kCreateQuestion, true, {IDYES, IDNO}, IDYES);
                        run.ExpectDone(IDYES);
                        run.ExpectExit(sfx::kExitSuccess);
                        run.ExpectFile("a\\b\\c\\f.txt", "deep");
                    }});
    list.push_back({"MissingDirectoriesNoLeavesTheDialogIdle",
                    {{"f.txt", "deep"}},
                    "{out}\\a\\b\\c",
                    {},
                    [](ScenarioRun& run) {
                        run.sfx().Press(IDC_EXTRACT);
                        run.ExpectAndAnswer("Error", kCreateQuestion, true, {IDYES, IDNO}, IDNO);
                        run.ExpectIdle();
                        run.ExpectProgressControlsEnabled(false);
                        run.ExpectMissing(run.Out());
                        run.sfx().CloseBox();  // idle: no question
                        run.ExpectExit(sfx::kExitCancelled);
                    }});
    list.push_back(
        {"FullExtractionWithSubdirectories", kTree, "{out}", {}, [](ScenarioRun& run) {
             run.sfx().Press(IDC_EXTRACT);
             const MessageBoxView done = run.ExpectBox("Done", kDoneQuestion, true, {IDYES, IDNO});
             run.ExpectList(kTreeSorted);
             EXPECT_EQ(run.sfx().Text(IDC_CURRENT_FILE), "Current file: docs\\img\\logo.dat");
             run.ExpectCounts(4, 4);
             EXPECT_EQ(run.sfx().ProgressPosition(), 100);
             run.ExpectProgressControlsEnabled(true);
             EXPECT_TRUE(run.sfx().Enabled(IDC_EXTRACT));
             EXPECT_TRUE(run.sfx().Enabled(IDC_CLOSE));
             ExpectTreeExtracted(run);
             run.Answer(done, IDYES);  // Yes ends the program
             run.ExpectExit(sfx::kExitSuccess);
         }});
    list.push_back(
        {"SecondAndThirdExtractAfterAFinishedRun", kThreeFiles, "{out}", {}, [](ScenarioRun& run) {
             run.sfx().Press(IDC_EXTRACT);
             run.ExpectDone(IDNO);
             ASSERT_TRUE(WriteTextFile(run.Out("a.txt"), "edited"));
             // Ticked: everything is written again without a question.
             run.sfx().Click(IDC_OVERWRITE);
             run.sfx().Press(IDC_EXTRACT);
             run.ExpectDone(IDNO);
             run.ExpectList({"a.txt", "b.txt", "c.txt"});
             run.ExpectCounts(3, 3);
             run.ExpectFile("a.txt", "first file\r\n");
             // Unticked: the first existing file brings the question; Cancel
             // stops the run with fresh counters and an emptied list.
             run.sfx().Click(IDC_OVERWRITE);
             run.sfx().Press(IDC_EXTRACT);
             run.ExpectOverwrite("a.txt", IDCANCEL);
             run.ExpectDone(IDNO);
             run.ExpectList({});
             run.ExpectCounts(0, 3);
             run.sfx().Press(IDC_CLOSE);
             run.ExpectExit(sfx::kExitCancelled);
         }});
    list.push_back(ExistingFileScenario(
        "ExistingFileAnsweredYes",
        {IDYES, {"a.txt", "b.txt", "c.txt"}, 3, "second file, new\r\n", true, sfx::kExitSuccess}));
    list.push_back(ExistingFileScenario(
        "ExistingFileAnsweredNoSkipsIt",
        {IDNO, {"a.txt", "c.txt"}, 2, "old content", true, sfx::kExitSuccess}));
    list.push_back(
        ExistingFileScenario("ExistingFileAnsweredCancelStops",
                             {IDCANCEL, {"a.txt"}, 1, "old content", false, sfx::kExitCancelled}));
    list.push_back({"OverwriteBoxTickedOverwritesSilently",
                    kThreeFiles,
                    "{out}",
                    {{"b.txt", "old content"}},
                    [](ScenarioRun& run) {
                        run.sfx().Click(IDC_OVERWRITE);
                        run.sfx().Press(IDC_EXTRACT);
                        run.ExpectDone(IDYES);
                        run.ExpectExit(sfx::kExitSuccess);
                        run.ExpectFile("b.txt", "second file, new\r\n");
                    }});
    list.push_back({"CorruptEntryIsReportedAndLeavesTheFileItWouldReplace",
                    {{"ok1.txt", "good one"},
                     {"bad.txt", "content with a wrong crc", FILE_ATTRIBUTE_READONLY, true},
                     {"ok2.txt", "good two"}},
                    "{out}",
                    {{"bad.txt", "the file before"}},
                    [](ScenarioRun& run) {
                        run.sfx().Press(IDC_EXTRACT);
                        run.ExpectOverwrite("bad.txt", IDYES);
                        run.ExpectDecompressError("bad.txt", "Archive is corrupt");
                        run.ExpectDone(IDNO);
                        // Listed only when extracted; counted as done with all the same.
                        run.ExpectList({"ok1.txt", "ok2.txt"});
                        run.ExpectCounts(3, 3);
                        run.ExpectFile("bad.txt", "the file before");
                        run.ExpectFile("ok2.txt", "good two");
                        EXPECT_EQ(DirectoryEntries(run.Out()),
                                  (std::vector<std::string>{"bad.txt", "ok1.txt", "ok2.txt"}));
                        run.sfx().Press(IDC_CLOSE);
                        run.ExpectExit(sfx::kExitSomeEntriesFailed);
                    }});
    list.push_back({"SecondRunWithOverwriteTickedReplacesReadOnlyFiles",
                    {{"docs\\readme.txt", "read me", kReadOnlyArchive}, {"b.txt", "b"}},
                    "{out}",
                    {},
                    [](ScenarioRun& run) {
                        run.sfx().Press(IDC_EXTRACT);
                        run.ExpectDone(IDNO);
                        const std::string readme = run.Out("docs\\readme.txt");
                        ASSERT_TRUE(::SetFileAttributesA(readme.c_str(), FILE_ATTRIBUTE_NORMAL));
                        ASSERT_TRUE(WriteTextFile(readme, "stale"));
                        ASSERT_TRUE(::SetFileAttributesA(readme.c_str(), FILE_ATTRIBUTE_READONLY));
                        run.sfx().Click(IDC_OVERWRITE);
                        run.sfx().Press(IDC_EXTRACT);
                        run.ExpectDone(IDNO);
                        run.ExpectList({"b.txt", "docs\\readme.txt"});
                        run.ExpectFile("docs\\readme.txt", "read me", kReadOnlyArchive);
                        run.sfx().Press(IDC_CLOSE);
                        run.ExpectExit(sfx::kExitSuccess);
                    }});
    list.push_back({"ExecutableWithoutArchive",
                    {},
                    "{out}",
                    {},
                    [](ScenarioRun& run) {
                        run.sfx().Press(IDC_EXTRACT);
                        run.ExpectError("Error opening file: Archive is corrupt");
                        EXPECT_FALSE(run.sfx().Enabled(IDC_EXTRACT));
                        run.ExpectProgressControlsEnabled(false);
                        EXPECT_TRUE(run.sfx().MessageBoxes().empty());
                        run.sfx().Press(IDC_CLOSE);  // no stream: no question
                        run.ExpectExit(sfx::kExitArchiveUnreadable);
                    },
                    false});
    list.push_back({"EmptyArchive", {}, "{out}", {}, [](ScenarioRun& run) {
                        run.sfx().Press(IDC_EXTRACT);
                        run.ExpectBox("Done", kDoneQuestion, true, {IDYES, IDNO});
                        run.ExpectProgressControlsEnabled(true);
                        run.ExpectList({});
                        EXPECT_EQ(run.sfx().Text(IDC_CURRENT_FILE), "Current File:");
                        EXPECT_EQ(run.sfx().Text(IDC_COMPLETED), "Extracted files completed:");
                        EXPECT_EQ(DirectoryEntries(run.Out()), std::vector<std::string>{});
                    }});
    list.push_back(CloseDuringRunScenario("CloseDuringRunAnsweredNoGoesOn", IDNO));
    list.push_back(CloseDuringRunScenario("CloseDuringRunAnsweredYesExits", IDYES));
    list.push_back(
        {"HostileNamesAreRefused",
         {{"..\\up.txt", "x"},
          {"good.txt", "good"},
          {"\\rooted.txt", "x"},
          {"C:\\drive.txt", "x"},
          {"sub\\..\\..\\up2.txt", "x"},
          {"stream.txt:hidden", "x"},
          {"dir/../../up3.txt", "x"},
          {"sub\\\\double.txt", "x"},
          {"CON", "x"},
          {"trailing.\\x.txt", "x"},
          {"sub\\fine.txt", "fine"}},
         "{out}",
         {},
         [](ScenarioRun& run) {
             run.sfx().Press(IDC_EXTRACT);
             for (const char* name :
                  {"..\\up.txt", "\\rooted.txt", "C:\\drive.txt", "sub\\..\\..\\up2.txt",
                   "stream.txt:hidden", "dir/../../up3.txt", "sub\\\\double.txt", "CON",
                   "trailing.\\x.txt"}) {
                 run.ExpectError(std::string("Entry not extracted:\n'") + name +
                                 "'\n\nIts name leads outside the destination directory.");
             }
             run.ExpectDone(IDNO);
             run.ExpectList({"good.txt", "sub\\fine.txt"});
             run.ExpectCounts(2, 11);
             run.ExpectFile("sub\\fine.txt", "fine");
             EXPECT_EQ(DirectoryEntries(run.Out()), (std::vector<std::string>{"good.txt", "sub"}));
             EXPECT_EQ(DirectoryEntries(run.Folder()), (std::vector<std::string>{"out", "pkg"}));
             EXPECT_EQ(DirectoryEntries(run.Out("sub")), std::vector<std::string>{"fine.txt"});
             run.sfx().Press(IDC_CLOSE);
             run.ExpectExit(sfx::kExitSomeEntriesFailed);
         }});
    list.push_back(
        {"TempVariableIsExpandedWhenExtractStarts",
         {{"f.txt", "temp"}, {"sub\\g.txt", "g"}},
         "%TEMP%\\App",
         {},
         [](ScenarioRun& run) {
             const std::string app = EnvironmentValue("TEMP") + "\\App";
             ASSERT_NE(app, "\\App");
             RemoveTree(app);
             EXPECT_EQ(run.sfx().Text(IDC_DESTINATION), "%TEMP%\\App");  // shown as preset
             run.sfx().Press(IDC_EXTRACT);
             run.ExpectAndAnswer("Error", kCreateQuestion, true, {IDYES, IDNO}, IDYES);
             run.ExpectDone(IDNO);
             EXPECT_EQ(run.sfx().Text(IDC_DESTINATION), app);
             EXPECT_EQ(ReadTextFile(app + "\\f.txt"), "temp");
             EXPECT_EQ(ReadTextFile(app + "\\sub\\g.txt"), "g");
             EXPECT_EQ(DirectoryEntries(run.Folder()), (std::vector<std::string>{"pkg"}));
             run.sfx().Press(IDC_CLOSE);
             run.ExpectExit(sfx::kExitSuccess);
             RemoveTree(app);
         }});
    list.push_back({"UnknownVariableIsReportedAndNothingExtracted",
                    {{"f.txt", "f"}},
                    "{out}\\%VEXA_NO_SUCH_VARIABLE%\\App",
                    {},
                    [](ScenarioRun& run) {
                        const std::string typed = run.Out("%VEXA_NO_SUCH_VARIABLE%\\App");
                        EXPECT_EQ(run.sfx().Text(IDC_DESTINATION), typed);
                        run.sfx().Press(IDC_EXTRACT);
                        run.ExpectAndAnswer(
                            "Error",
                            "The destination uses the environment variable "
                            "%VEXA_NO_SUCH_VARIABLE%, which is not set on this computer.",
                            true, {IDOK}, IDOK);
                        run.ExpectIdle();
                        run.ExpectProgressControlsEnabled(false);
                        EXPECT_EQ(run.sfx().Text(IDC_DESTINATION), typed);
                        run.ExpectMissing(run.Out());
                        run.sfx().Press(IDC_CLOSE);  // idle: no question
                        run.ExpectExit(sfx::kExitCancelled);
                    }});
    list.push_back({"DestinationChangedDuringTheRunAppliesFromTheNextEntry",
                    kThreeFiles,
                    "{out}",
                    {{"b.txt", "old content"}},
                    [](ScenarioRun& run) {
                        const std::string other = run.Folder() + "\\other\\sub";
                        run.sfx().Press(IDC_EXTRACT);
                        const MessageBoxView question = run.ExpectBox(
                            kCaption, "File " + run.Out("b.txt") + " exists already, ovewrite it?",
                            true, {IDYES, IDNO, IDCANCEL});
                        EXPECT_EQ(run.sfx().Text(IDC_CURRENT_FILE), "Current file: b.txt");
                        run.ExpectCounts(1, 3);
                        run.sfx().SetText(IDC_DESTINATION, other);
                        run.Answer(question, IDYES);
                        run.ExpectDone(IDNO);
                        run.ExpectList({"a.txt", "b.txt", "c.txt"});
                        run.ExpectCounts(3, 3);
                        run.ExpectFile("b.txt", "second file, new\r\n");
                        run.ExpectMissing(run.Out("c.txt"));
                        // Created without a question.
                        EXPECT_EQ(ReadTextFile(other + "\\c.txt"), "third file\r\n");
                        run.sfx().Press(IDC_CLOSE);
                        run.ExpectExit(sfx::kExitSuccess);
                    }});
    list.push_back(
        {"SlashSeparatesLevelsLikeABackslash",
         {{"fs/x.txt", "x"}, {"fs/deep/y.txt", "y"}, {"mixed/sub\\z.txt", "z"}},
         "{out}",
         {},
         [](ScenarioRun& run) {
             run.sfx().Press(IDC_EXTRACT);
             run.ExpectDone(IDNO);
             run.ExpectList({"fs/deep/y.txt", "fs/x.txt", "mixed/sub\\z.txt"});
             run.ExpectCounts(3, 3);
             run.ExpectFile("fs\\x.txt", "x");
             run.ExpectFile("fs\\deep\\y.txt", "y");
             run.ExpectFile("mixed\\sub\\z.txt", "z");
             EXPECT_EQ(DirectoryEntries(run.Out()), (std::vector<std::string>{"fs", "mixed"}));
             // A second run finds the first file where the first run put it.
             run.sfx().Press(IDC_EXTRACT);
             run.ExpectOverwrite("fs\\x.txt", IDCANCEL);
             run.ExpectDone(IDNO);
             run.sfx().Press(IDC_CLOSE);
             run.ExpectExit(sfx::kExitCancelled);  // the second run
         }});
    list.push_back(
        {"RelativeDestinationIsResolvedOnce",
         {{"f.txt", "rel"}},
         "out\\rel",
         {},
         [](ScenarioRun& run) {
             run.sfx().Click(IDC_OVERWRITE);
             for (int pass = 0; pass < 2; ++pass) {
                 run.sfx().Press(IDC_EXTRACT);
                 if (pass == 0)
                     run.ExpectAndAnswer("Error", kCreateQuestion, true, {IDYES, IDNO}, IDYES);
                 run.ExpectDone(IDNO);
                 EXPECT_EQ(run.sfx().Text(IDC_DESTINATION), run.Out("rel"));
             }
             run.ExpectFile("rel\\f.txt", "rel");
             EXPECT_EQ(DirectoryEntries(run.Out("rel")), std::vector<std::string>{"f.txt"});
             run.sfx().Press(IDC_CLOSE);
             run.ExpectExit(sfx::kExitSuccess);
         }});
    list.push_back({"LongPathsAreNeverTruncated",
                    {{std::string(95, 'n') + ".txt", "long"}},
                    "{out}\\" + std::string(150, 'd'),
                    {},
                    [](ScenarioRun& run) {
                        const std::string name = std::string(95, 'n') + ".txt";
                        const std::string directory = run.Out(std::string(150, 'd'));
                        ASSERT_TRUE(MakeDirectories(directory));
                        run.sfx().Press(IDC_EXTRACT);
                        // The full path passes the platform's limit: the extraction fails as a
                        // whole (or succeeds under the full name), but no shortened name is ever
                        // written.
                        std::optional<MessageBoxView> box;
                        WaitUntil([&] {
                            const auto boxes = run.sfx().MessageBoxes();
                            if (!boxes.empty()) box = boxes.front();
                            return box.has_value();
                        });
                        ASSERT_TRUE(box.has_value());
                        const bool failed = box->caption == "Error";
                        if (failed) {
                            EXPECT_EQ(box->text.rfind("sfxstub :: ExtractThread :: 159", 0), 0u)
                                << box->text;
                            EXPECT_NE(box->text.find(name), std::string::npos) << box->text;
                            run.Answer(*box, IDOK);
                            box = run.ExpectBox("Done", kDoneQuestion, true, {IDYES, IDNO});
                        }
                        EXPECT_EQ(box->caption, "Done");
                        for (const std::string& entry : DirectoryEntries(directory))
                            EXPECT_EQ(entry, name);
                        run.ExpectCounts(1, 1);
                        run.Answer(*box, IDYES);
                        run.ExpectExit(failed ? sfx::kExitSomeEntriesFailed : sfx::kExitSuccess);
                    }});
    return list;
}

class GuiScenario : public ::testing::TestWithParam<Scenario> {};

TEST_P(GuiScenario, Runs) {
    const Scenario& scenario = GetParam();
    const std::string folder = WindowsPath(SFX_GUI_WORK_DIR) + "\\" + scenario.name;
    RemoveTree(folder);
    ASSERT_TRUE(MakeDirectories(folder + "\\pkg"));
    const bool defaultOut = scenario.initialDestination == "{out}";
    if (defaultOut || !scenario.existingFiles.empty()) {
        ASSERT_TRUE(MakeDirectories(folder + "\\out"));
    }
    for (const auto& [relative, content] : scenario.existingFiles)
        ASSERT_TRUE(WriteTextFile(folder + "\\out\\" + relative, content));

    const std::string exe = folder + "\\pkg\\setup.exe";
    const std::vector<uint8_t> archive =
        scenario.appendArchive ? BuildArchive(scenario.entries) : std::vector<uint8_t>{};
    ASSERT_EQ(FormSelfExtractor(WindowsPath(SFXSTUB_PATH), archive, exe,
                                Replace(scenario.initialDestination, "{out}", folder + "\\out")),
              "");

    SfxProcess sfx(exe, folder);
    ASSERT_TRUE(sfx.Started());
    ASSERT_NE(sfx.WaitForDialog(), nullptr) << "the dialog did not appear";
    ScenarioRun run(folder, sfx);
    scenario.script(run);
}

INSTANTIATE_TEST_SUITE_P(Sfx, GuiScenario, ::testing::ValuesIn(Scenarios()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sfxtest
