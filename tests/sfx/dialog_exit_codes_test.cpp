// The dialog's exit codes, for whoever started the self-extractor: 0 when everything was
// extracted, 1 when some entry failed, 1602 when the user closed it before or during an
// extraction.
#include <gtest/gtest.h>

#include "resource.h"
#include "unattended_fixture.h"
#include "win_paths.h"

namespace sfxtest {
namespace {

constexpr char kDoneQuestion[] = "Extraction Complete, Exit?";
constexpr char kCancelQuestion[] = "Are you sure you wish to cancel extraction?";

class DialogExitCodes : public UnattendedTest {
  protected:
    // A self-extractor without settings, its destination <folder>\out (already there), started
    // and showing its dialog.
    SfxProcess& Start(const std::vector<uint8_t>& archive) {
        EXPECT_TRUE(MakeDirectories(Out()));
        const std::string exe = MakeSfx(std::nullopt, archive, Out());
        sfx_.emplace(exe, Folder());
        EXPECT_TRUE(sfx_->Started());
        EXPECT_NE(sfx_->WaitForDialog(), nullptr) << "no dialog";
        return *sfx_;
    }
    void Answer(const std::string& caption, const std::string& text, int button) {
        const std::optional<MessageBoxView> box = sfx_->WaitForMessageBox(caption);
        ASSERT_TRUE(box.has_value()) << "no box " << caption;
        if (!text.empty()) {
            EXPECT_EQ(box->text, text);
        }
        EXPECT_TRUE(sfx_->Answer(*box, button));
    }

    std::optional<SfxProcess> sfx_;
};

TEST_F(DialogExitCodes, SuccessExitsZero) {
    SfxProcess& sfx = Start(BuildArchive(SampleEntries()));
    sfx.Press(IDC_EXTRACT);
    Answer("Done", kDoneQuestion, IDYES);
    EXPECT_EQ(sfx.WaitForExit(), kExitSuccess);
    ExpectExtracted(Out(), SampleEntries());
}

TEST_F(DialogExitCodes, DamagedEntryExitsOne) {
    SfxProcess& sfx = Start(BuildArchive(EntriesWithBad()));
    sfx.Press(IDC_EXTRACT);
    Answer("Error", "", IDOK);
    Answer("Done", kDoneQuestion, IDYES);
    EXPECT_EQ(sfx.WaitForExit(), kExitSomeFailed);
}

TEST_F(DialogExitCodes, ClosedBeforeExtractingExitsCancelled) {
    // The Close button, the close box and Escape all close the idle dialog.
    const std::vector<std::pair<const char*, std::function<void(SfxProcess&)>>> ways = {
        {"Close button", [](SfxProcess& sfx) { sfx.Press(IDC_CLOSE); }},
        {"close box", [](SfxProcess& sfx) { sfx.CloseBox(); }},
        {"Escape", [](SfxProcess& sfx) { sfx.PressKey(VK_ESCAPE); }},
    };
    for (const auto& [name, close] : ways) {
        SCOPED_TRACE(name);
        SfxProcess& sfx = Start(BuildArchive(SampleEntries()));
        close(sfx);
        EXPECT_EQ(sfx.WaitForExit(), kExitCancelled);
        ExpectNothingAt(Out());
    }
}

TEST_F(DialogExitCodes, ClosedDuringExtractionExitsCancelled) {
    // An existing file holds the extraction in its overwrite question, so Close lands while
    // it runs.
    ASSERT_TRUE(MakeDirectories(Out("docs")));
    ASSERT_TRUE(WriteTextFile(Out("readme.txt"), "old readme"));
    SfxProcess& sfx = Start(BuildArchive(SampleEntries()));
    sfx.Press(IDC_EXTRACT);
    ASSERT_TRUE(sfx.WaitForMessageBox("Tarnwick Archiver SFX").has_value())
        << "no overwrite question";
    sfx.Press(IDC_CLOSE);
    Answer("Cancel", kCancelQuestion, IDYES);
    EXPECT_EQ(sfx.WaitForExit(), kExitCancelled);
    EXPECT_EQ(ReadTextFile(Out("readme.txt")), "old readme");
}

}  // namespace
}  // namespace sfxtest
