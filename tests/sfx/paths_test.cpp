// The destination path routines against the real file system.
#include "paths.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "destination_edit.h"
#include "win_paths.h"

namespace sfx {
namespace {

using sfxtest::IsDirectory;
using sfxtest::MakeDirectories;
using sfxtest::RemoveTree;
using sfxtest::WriteTextFile;

TEST(AppendBackslash, AddsOneOnlyWhenMissing) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {{"", "\\"}, {"C:\\dir", "C:\\dir\\"}, {"C:\\dir\\", "C:\\dir\\"}, {"a", "a\\"}};
    for (const auto& c : cases) {
        char buffer[32];
        std::strcpy(buffer, c.path);
        AppendBackslash(buffer);
        EXPECT_STREQ(buffer, c.expected) << c.path;
    }
}

TEST(GetDirectoryPart, KeepsEverythingUpToTheLastBackslash) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {{"file.txt", ""},
                 {"C:\\dir\\sub\\file.txt", "C:\\dir\\sub\\"},
                 {"C:\\dir\\", "C:\\dir\\"},
                 {"\\file", "\\"},
                 {"", ""}};
    for (const auto& c : cases) {
        char out[64] = "garbage";
        GetDirectoryPart(out, sizeof out, c.path);
        EXPECT_STREQ(out, c.expected) << c.path;
    }
}

TEST(GetDirectoryPart, NeverWritesPastTheOutputBuffer) {
    char out[8];
    GetDirectoryPart(out, sizeof out, "C:\\a-long-directory\\file");
    EXPECT_STREQ(out, "C:\\a-lo");
}

// Records the questions EnsureDirectoryPath asks and answers them as told.
class RecordingPrompts final : public DirectoryPrompts {
  public:
    explicit RecordingPrompts(bool answer) : answer_(answer) {}
    bool ConfirmCreate() override {
        ++questions;
        return answer_;
    }
    void CreationFailed() override { ++failures; }
    int questions = 0;
    int failures = 0;

  private:
    bool answer_;
};

class DestinationFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = sfxtest::WindowsPath(SFX_UNIT_WORK_DIR) + "\\" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveTree(root_);
        ASSERT_TRUE(MakeDirectories(root_));
    }
    void TearDown() override {
        ::SetCurrentDirectoryA(sfxtest::WindowsPath(SFX_UNIT_WORK_DIR).c_str());
        RemoveTree(root_);
    }
    // A writable copy of root + suffix with room for the appended backslash.
    std::string Path(const std::string& suffix) const { return root_ + suffix; }
    bool Ensure(std::string& path, bool ask, DirectoryPrompts& prompts,
                KnownDirectories* known = nullptr) {
        std::vector<char> buffer(path.begin(), path.end());
        buffer.resize(path.size() + 2, '\0');
        const bool result = EnsureDirectoryPath(buffer.data(), ask, prompts, known);
        path = buffer.data();
        return result;
    }
    std::string root_;
};

TEST_F(DestinationFolder, AsksOnceThenCreatesEveryMissingLevel) {
    RecordingPrompts prompts(true);
    std::string path = Path("\\a\\b\\c\\");
    EXPECT_TRUE(Ensure(path, true, prompts));
    EXPECT_EQ(prompts.questions, 1);
    EXPECT_TRUE(IsDirectory(Path("\\a\\b\\c")));
}

TEST_F(DestinationFolder, RefusedQuestionCreatesNothing) {
    RecordingPrompts prompts(false);
    std::string path = Path("\\a\\b\\");
    EXPECT_FALSE(Ensure(path, true, prompts));
    EXPECT_EQ(prompts.questions, 1);
    EXPECT_FALSE(IsDirectory(Path("\\a")));
}

TEST_F(DestinationFolder, WithoutAskingCreatesSilently) {
    RecordingPrompts prompts(false);
    std::string path = Path("\\x\\y\\");
    EXPECT_TRUE(Ensure(path, false, prompts));
    EXPECT_EQ(prompts.questions, 0);
    EXPECT_TRUE(IsDirectory(Path("\\x\\y")));
}

TEST_F(DestinationFolder, ExistingPathNeedsNoQuestion) {
    ASSERT_TRUE(MakeDirectories(Path("\\there")));
    RecordingPrompts prompts(false);
    std::string path = Path("\\there\\");
    EXPECT_TRUE(Ensure(path, true, prompts));
    EXPECT_EQ(prompts.questions, 0);
}

// During a run, levels made sure of once are trusted: no test and no creation again.
TEST_F(DestinationFolder, KnownLevelsAreNeitherTestedNorCreatedAgain) {
    RecordingPrompts prompts(false);
    KnownDirectories known;
    std::string path = Path("\\x\\y");
    EXPECT_TRUE(Ensure(path, false, prompts, &known));
    EXPECT_TRUE(known.Contains(Path("\\x\\")));
    EXPECT_TRUE(known.Contains(Path("\\x\\y\\")));
    EXPECT_TRUE(known.Contains(root_ + "\\"));

    // Gone from the disk, but still known: nothing is tested, so nothing is made again.
    RemoveTree(Path("\\x"));
    path = Path("\\x\\y\\");
    EXPECT_TRUE(Ensure(path, false, prompts, &known));
    EXPECT_FALSE(IsDirectory(Path("\\x")));

    // A new level below known ones is created.
    path = Path("\\z\\w\\");
    EXPECT_TRUE(Ensure(path, false, prompts, &known));
    EXPECT_TRUE(IsDirectory(Path("\\z\\w")));
    EXPECT_EQ(prompts.failures, 0);
}

TEST_F(DestinationFolder, PathWithoutTrailingBackslashGetsOneAndItsLastLevel) {
    RecordingPrompts prompts(true);
    std::string path = Path("\\last");
    EXPECT_TRUE(Ensure(path, false, prompts));
    EXPECT_EQ(path, Path("\\last\\"));
    EXPECT_TRUE(IsDirectory(Path("\\last")));
}

TEST_F(DestinationFolder, LevelThatIsAFileFailsAfterTheQuestion) {
    ASSERT_TRUE(WriteTextFile(Path("\\blocker"), "file"));
    RecordingPrompts prompts(true);
    std::string path = Path("\\blocker\\below\\");
    EXPECT_FALSE(Ensure(path, true, prompts));
    EXPECT_EQ(prompts.questions, 1);
    EXPECT_EQ(prompts.failures, 1);
    EXPECT_FALSE(IsDirectory(Path("\\blocker\\below")));
}

TEST_F(DestinationFolder, EmptyPathIsTheRootOfTheCurrentDrive) {
    RecordingPrompts prompts(true);
    std::string path;
    EXPECT_TRUE(Ensure(path, true, prompts));
    EXPECT_EQ(path, "\\");
    EXPECT_EQ(prompts.questions, 0);
}

TEST_F(DestinationFolder, LeadingDoubleBackslashFailsAtItsSecondCharacter) {
    RecordingPrompts prompts(true);
    std::string path = "\\\\nowhere\\share\\";
    EXPECT_FALSE(Ensure(path, true, prompts));
    EXPECT_EQ(prompts.questions, 1);
    EXPECT_EQ(prompts.failures, 1);
}

TEST_F(DestinationFolder, FileExistsOnlyForReadableFiles) {
    ASSERT_TRUE(WriteTextFile(Path("\\file.txt"), "x"));
    EXPECT_TRUE(FileExists(Path("\\file.txt").c_str()));
    EXPECT_FALSE(FileExists(root_.c_str()));  // a directory
    EXPECT_FALSE(FileExists(Path("\\missing.txt").c_str()));
}

TEST(ResolveDestination, MakesEveryFormAbsoluteAgainstTheBase) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"", "C:\\"},
        {"\\top\\dir", "C:\\top\\dir"},
        {"rel\\dir", "C:\\base\\sub\\rel\\dir"},
        {"..\\up", "C:\\base\\up"},
        {".\\here\\", "C:\\base\\sub\\here\\"},
        {"D:\\abs\\.\\x\\..\\y\\", "D:\\abs\\y\\"},
    };
    for (const auto& c : cases) {
        char out[260];
        ASSERT_TRUE(ResolveDestination(c.text, "C:\\base\\sub", out, sizeof out)) << c.text;
        EXPECT_STREQ(out, c.expected) << c.text;
    }
}

TEST(ResolveDestination, RefusesResultsLongerThanTheBuffer) {
    const std::string text(250, 'r');
    char out[256];
    EXPECT_FALSE(ResolveDestination(text.c_str(), "C:\\base\\sub", out, sizeof out));
    EXPECT_TRUE(ResolveDestination(text.substr(0, 240).c_str(), "C:\\b", out, sizeof out));
}

}  // namespace
}  // namespace sfx
