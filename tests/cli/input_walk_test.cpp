// The walk that decides what `create` stores and under which names, and where `extract` puts
// entries.
#include "input_walk.h"

#include <gtest/gtest.h>

#include "extract_paths.h"
#include "scratch_dir.h"

namespace vexa::cli {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

std::vector<std::string> Names(const InputList& list) {
    std::vector<std::string> names;
    for (const InputFile& file : list.files) names.push_back(file.name);
    return names;
}

TEST(RootEntryName, TakesTheLastLevel) {
    struct Case {
        const char* path;
        bool windows;
        const char* name;
    };
    const Case cases[] = {
        {"docs", false, "docs"},
        {"a/b/docs/", false, "docs"},
        {"/abs/docs//", false, "docs"},
        {".", false, ""},
        {"..", false, ""},
        {"a/..", false, ""},
        {"/", false, ""},
        {"a\\b", false, "a\\b"},
        {"a\\b", true, "b"},
        {"C:\\x\\docs\\", true, "docs"},
        {"C:docs", true, "docs"},
        {"C:\\", true, ""},
        {"C:", true, ""},
        {"a/b\\c", true, "c"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RootEntryName(c.path, c.windows), c.name) << c.path << " " << c.windows;
}

TEST(InputWalk, WalksDepthFirstInByteOrderWithBackslashes) {
    ScratchDir dir;
    for (const char* file :
         {"pkg/b.txt", "pkg/a/z.txt", "pkg/a/B.txt", "pkg/C/x", "pkg/a.txt", "single.dat"})
        WriteFile(dir.Path() / file, std::string(file));
    std::filesystem::create_directories(dir.Path() / "pkg" / "empty");

    const InputList list = CollectInputs({dir / "pkg", dir / "single.dat"}, std::nullopt);
    EXPECT_TRUE(list.errors.empty());
    EXPECT_EQ(Names(list), (std::vector<std::string>{"pkg\\C\\x", "pkg\\a\\B.txt", "pkg\\a\\z.txt",
                                                     "pkg\\a.txt", "pkg\\b.txt", "single.dat"}));
    ASSERT_EQ(list.warnings.size(), 1u);
    EXPECT_NE(list.warnings[0].find("empty directory"), std::string::npos);
    EXPECT_EQ(list.files[0].meta.size, 7u);  // "pkg/C/x"

    // "." stores the contents under their own names.
    std::filesystem::current_path(dir.Path() / "pkg");
    EXPECT_EQ(Names(CollectInputs({"."}, std::nullopt))[0], "C\\x");
    std::filesystem::current_path(dir.Path().parent_path());
}

TEST(InputWalk, ReportsEveryInputThatCannotBeStored) {
    ScratchDir dir;
    // "in\\" and two 40-byte levels take 85 bytes of the name.
    const std::string deep = std::string(40, 'd') + "/" + std::string(40, 'e') + "/";
    const auto deepFile = [&](size_t length, char c) {
        std::string name = deep;
        name.append(length, c);
        return name;
    };
    WriteFile(dir.Path() / "in" / deepFile(14, 'n'), "x");  // 99 bytes: fits
    WriteFile(dir.Path() / "in" / deepFile(16, 'l'), "x");  // 101 bytes
    WriteFile(dir.Path() / "in" / "ok.txt", "x");
    WriteFile(dir.Path() / "other" / "in" / "ok.txt", "x");  // the same name again
    // A device name can only be created where it is not one.
    const bool deviceNameFile = fs::Separator() == '/';
    if (deviceNameFile) WriteFile(dir.Path() / "in" / "con.txt", "x");

    const InputList list =
        CollectInputs({dir / "in", dir / "missing", dir / "other/in"}, std::nullopt);
    std::string all;
    for (const std::string& error : list.errors) all += error + "\n";
    EXPECT_EQ(list.errors.size(), deviceNameFile ? 4u : 3u) << all;
    EXPECT_NE(all.find(std::string(16, 'l') + "' is 101 bytes; at most 99"), std::string::npos)
        << all;
    EXPECT_NE(all.find("missing"), std::string::npos) << all;
    EXPECT_NE(all.find("'in\\ok.txt' is already taken"), std::string::npos) << all;
    if (deviceNameFile) {
        EXPECT_NE(all.find("con.txt' would be refused"), std::string::npos) << all;
    }
    const auto names = Names(list);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].size(), 99u);
    EXPECT_EQ(names[1], "in\\ok.txt");
}

TEST(InputWalk, LeavesOutTheArchiveBeingReplaced) {
    ScratchDir dir;
    WriteFile(dir.Path() / "in" / "a.txt", "a");
    WriteFile(dir.Path() / "in" / "out.vexa", "old archive");
    const InputList list = CollectInputs({dir / "in"}, fs::FileIdentity(dir / "in/out.vexa"));
    EXPECT_EQ(Names(list), std::vector<std::string>{"in\\a.txt"});
    EXPECT_EQ(list.warnings.size(), 1u);
}

TEST(Destination, SplitsStoredNamesAtEitherSeparatorByteByByte) {
    using Levels = std::vector<std::string>;
    EXPECT_EQ(StoredLevels("a\\b/c.txt"), (Levels{"a", "b", "c.txt"}));
    EXPECT_EQ(StoredLevels("c.txt"), (Levels{"c.txt"}));
    // The second byte of a double-byte character cuts the name, as it does in the stub.
    EXPECT_EQ(StoredLevels("\x95\\x.txt"), (Levels{"\x95", "x.txt"}));
}

TEST(Destination, MakesNestedDirectories) {
    ScratchDir dir;
    EXPECT_TRUE(MakeDirectories(dir / "x/y/z"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "x" / "y" / "z"));
    EXPECT_TRUE(MakeDirectories(dir / "x/y"));
    WriteFile(dir.Path() / "file", "x");
    EXPECT_FALSE(MakeDirectories(dir / "file/sub"));
}

}  // namespace
}  // namespace vexa::cli
