// The folders kept open from one entry to the next, and a final name examined only when the file
// moves into place: neither may follow a link or replace what it must not.
#include "entry_output.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "format.h"
#include "run_vexa.h"
#include "scratch_dir.h"
#include "writer.h"

namespace vexa::cli {
namespace {

namespace fsys = std::filesystem;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;
using Status = EntryOutput::Status;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string Text(const fsys::path& path) {
    const std::vector<uint8_t> bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Every path below `root`, relative, '/' between levels, sorted.
std::vector<std::string> Tree(const fsys::path& root) {
    std::vector<std::string> names;
    for (const auto& entry : fsys::recursive_directory_iterator(root))
        names.push_back(entry.path().lexically_relative(root).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

// Writes one entry through `folders`: the status of the first step that is not Ready, with
// its reason in `why`.
Status Put(OutputFolders& folders, const std::vector<std::string>& levels,
           const std::string& content, bool overwrite, std::string& why) {
    EntryOutput output;
    if (const Status s = output.Prepare(folders, levels, overwrite, why); s != Status::Ready)
        return s;
    const auto* bytes = reinterpret_cast<const uint8_t*>(content.data());
    if (!output.Write(bytes, content.size(), why)) return Status::Failed;
    return output.Commit(kAttributeArchive, 0, why);
}

TEST(OutputFolders, AFolderTurnedIntoALinkDuringTheRunIsNeverFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need an administrator on Windows";
#else
    ScratchDir dir;
    const fsys::path out = dir.Path() / "out";
    fsys::create_directories(out);
    fsys::create_directories(dir.Path() / "elsewhere");
    OutputFolders folders(out.string());
    std::string why;
    ASSERT_EQ(Put(folders, {"sub", "a.txt"}, "a", false, why), Status::Ready) << why;

    // The folder is moved away and a link to another place takes its name.
    fsys::rename(out / "sub", out / "moved");
    fsys::create_directory_symlink("../elsewhere", out / "sub");

    // The next entry of the same folder goes to the folder that was checked, wherever it is now.
    EXPECT_EQ(Put(folders, {"sub", "b.txt"}, "b", false, why), Status::Ready) << why;
    EXPECT_EQ(Text(out / "moved" / "b.txt"), "b");

    // Once the run has left the folder, coming back opens it afresh and meets the link.
    EXPECT_EQ(Put(folders, {"top.txt"}, "t", false, why), Status::Ready) << why;
    EXPECT_EQ(Put(folders, {"sub", "c.txt"}, "c", false, why), Status::Refused);
    EXPECT_TRUE(Contains(why, "sub is a symbolic link")) << why;
    EXPECT_EQ(Put(folders, {"sub", "deeper", "d.txt"}, "d", false, why), Status::Refused);

    EXPECT_EQ(Tree(dir.Path() / "elsewhere"), std::vector<std::string>{});
    EXPECT_EQ(Tree(out),
              (std::vector<std::string>{"moved", "moved/a.txt", "moved/b.txt", "sub", "top.txt"}));
#endif
}

TEST(OutputFolders, ANameTakenInAFolderOfThisRunIsFoundAtTheRename) {
    ScratchDir dir;
    const fsys::path out = dir.Path() / "out";
    fsys::create_directories(out);
    OutputFolders folders(out.string());
    std::string why;
    // "new" is made by this run, so its names are examined only at the rename.
    ASSERT_EQ(Put(folders, {"new", "x.txt"}, "first", false, why), Status::Ready) << why;
    EXPECT_EQ(Put(folders, {"new", "x.txt"}, "second", false, why), Status::Exists);
    EXPECT_EQ(Text(out / "new" / "x.txt"), "first");
    EXPECT_EQ(Put(folders, {"new", "x.txt"}, "third", true, why), Status::Ready) << why;
    EXPECT_EQ(Text(out / "new" / "x.txt"), "third");

    ASSERT_EQ(Put(folders, {"new", "dir", "y.txt"}, "y", false, why), Status::Ready) << why;
    EXPECT_EQ(Put(folders, {"new", "dir"}, "file over a folder", true, why), Status::Refused);
    EXPECT_TRUE(Contains(why, "dir is a directory")) << why;

    // A name taken while the content was being written is examined, not replaced.
    {
        EntryOutput output;
        ASSERT_EQ(output.Prepare(folders, {"new", "late.txt"}, false, why), Status::Ready) << why;
        WriteFile(out / "new" / "late.txt", "planted");
#ifndef _WIN32  // Windows examines every name before the content is written
        EXPECT_EQ(output.CheckFinalName(why), Status::Exists);
#endif
        EXPECT_EQ(output.Commit(kAttributeArchive, 0, why), Status::Exists);
    }
    EXPECT_EQ(Text(out / "new" / "late.txt"), "planted");
#ifndef _WIN32
    {
        EntryOutput output;
        ASSERT_EQ(output.Prepare(folders, {"new", "link.txt"}, true, why), Status::Ready) << why;
        fsys::create_symlink("x.txt", out / "new" / "link.txt");
        EXPECT_EQ(output.Commit(kAttributeArchive, 0, why), Status::Refused);
        EXPECT_TRUE(Contains(why, "is a symbolic link")) << why;
    }
    EXPECT_TRUE(fsys::is_symlink(out / "new" / "link.txt"));
#endif
    // No temporary file outlives its entry.
    for (const std::string& name : Tree(out)) EXPECT_FALSE(Contains(name, ".part")) << name;
}

// The same folded check seen from the command: two entries naming one file (the separators
// differ), and a file over a folder of the same run.
TEST(OutputFolders, ExtractReportsNamesTakenByEarlierEntriesOfTheRun) {
    ScratchDir dir;
    const std::string archive = dir / "a.vexa";
    std::vector<pack::EncodedEntry> encoded;
    for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
             {"d\\x.txt", "one"}, {"d/x.txt", "two"}, {"d\\sub\\y.txt", "y"}, {"d\\sub", "s"}})
        encoded.push_back(pack::EncodeEntry({name, kAttributeArchive, 0},
                                            std::vector<uint8_t>(content.begin(), content.end())));
    WriteFile(archive, pack::BuildArchive(encoded));

    const testing::Outcome kept = testing::Vexa({"extract", archive, "-o", dir / "kept"});
    EXPECT_EQ(kept.status, 1);
    EXPECT_TRUE(Contains(kept.err, "d/x.txt: skipped, file exists (use --overwrite to replace it)"))
        << kept.err;
    EXPECT_TRUE(Contains(kept.err, "d\\sub: ")) << kept.err;
    EXPECT_TRUE(Contains(kept.err, "sub is a directory")) << kept.err;
    EXPECT_TRUE(
        Contains(kept.err, "Extracted 2 files to " + (dir / "kept") + ", 1 skipped, 1 failed"))
        << kept.err;
    EXPECT_EQ(Text(dir.Path() / "kept" / "d" / "x.txt"), "one");

    const testing::Outcome replaced =
        testing::Vexa({"extract", "-y", archive, "-o", dir / "replaced"});
    EXPECT_EQ(replaced.status, 1);
    EXPECT_TRUE(Contains(replaced.err, "Extracted 3 files")) << replaced.err;
    EXPECT_EQ(Text(dir.Path() / "replaced" / "d" / "x.txt"), "two");
    for (const std::string& name : Tree(dir.Path())) EXPECT_FALSE(Contains(name, ".part")) << name;
}

}  // namespace
}  // namespace vexa::cli
