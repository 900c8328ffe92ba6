// Extraction through the tool's own file sink: what lands on disk when entries are damaged,
// shadowed, selected by pattern or written through a link, and what goes to standard output.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "commands.h"
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

using testing::Outcome;
using testing::Vexa;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every path below `root`, relative, with '/' between levels, sorted.
std::vector<std::string> Tree(const fsys::path& root) {
    std::vector<std::string> names;
    if (!fsys::exists(root)) return names;
    for (const auto& entry : fsys::recursive_directory_iterator(root))
        names.push_back(fsys::relative(entry.path(), root).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> Content(const std::string& name) {
    std::vector<uint8_t> content =
        testing::SampleContent(300 + name.size() * 7, uint32_t(name.size()));
    content.insert(content.end(), name.begin(), name.end());
    return content;
}

struct Entry {
    std::string name;
    std::vector<uint8_t> content;
};

// An archive of the given entries; `damage` may change the encoded form of each.
void WriteArchive(const std::string& path, const std::vector<Entry>& entries,
                  void (*damage)(pack::EncodedEntry&) = nullptr) {
    std::vector<pack::EncodedEntry> encoded;
    for (const Entry& entry : entries) {
        encoded.push_back(pack::EncodeEntry({entry.name, kAttributeArchive, 0}, entry.content));
        if (damage && entry.name.find("bad") != std::string::npos) damage(encoded.back());
    }
    WriteFile(path, pack::BuildArchive(encoded));
}

std::vector<Entry> Named(const std::vector<std::string>& names) {
    std::vector<Entry> entries;
    for (const std::string& name : names) entries.push_back({name, Content(name)});
    return entries;
}

TEST(Extract, AFailedEntryLeavesNeitherItsFileNorATemporaryOne) {
    ScratchDir dir;
    const std::string archive = dir / "a.vexa";
    // One entry with a wrong CRC, one whose data is cut short inside its only block.
    WriteArchive(archive, Named({"good.txt", "bad-crc.txt"}),
                 [](pack::EncodedEntry& e) { e.record.crc ^= 1; });
    const Outcome crc = Vexa({"extract", archive, "-o", dir / "out"});
    EXPECT_EQ(crc.status, 1);
    EXPECT_TRUE(Contains(crc.err, "bad-crc.txt: CRC mismatch")) << crc.err;
    EXPECT_EQ(Tree(dir.Path() / "out"), std::vector<std::string>{"good.txt"});

    // Replacing an existing file with a damaged entry keeps the old file whole.
    WriteFile(dir.Path() / "out" / "bad-crc.txt", "the old content");
    EXPECT_EQ(Vexa({"extract", "-y", archive, "-o", dir / "out"}).status, 1);
    const std::string old = "the old content";
    EXPECT_EQ(ReadFile(dir.Path() / "out" / "bad-crc.txt"),
              std::vector<uint8_t>(old.begin(), old.end()));
    EXPECT_EQ(Tree(dir.Path() / "out"), (std::vector<std::string>{"bad-crc.txt", "good.txt"}));
}

TEST(Extract, NeverWritesThroughASymbolicLinkInTheDestination) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need an administrator on Windows";
#else
    ScratchDir dir;
    const std::string archive = dir / "a.vexa";
    WriteArchive(archive, Named({"first.txt", "sub\\x.txt", "deep\\link\\y.txt", "file-link.txt",
                                 "last.txt"}));
    fsys::create_directories(dir.Path() / "elsewhere");
    fsys::create_directories(dir.Path() / "out" / "deep");
    fsys::create_directory_symlink("../elsewhere", dir.Path() / "out" / "sub");
    fsys::create_directory_symlink("../../elsewhere", dir.Path() / "out" / "deep" / "link");
    fsys::create_symlink("../elsewhere/target.txt", dir.Path() / "out" / "file-link.txt");

    const Outcome extracted = Vexa({"extract", "-y", archive, "-o", dir / "out"});
    EXPECT_EQ(extracted.status, 1);
    for (const char* refused :
         {"sub\\x.txt: refused: ", "deep\\link\\y.txt: refused: ", "file-link.txt: refused: "})
        EXPECT_TRUE(Contains(extracted.err, refused)) << refused << "\n" << extracted.err;
    EXPECT_TRUE(Contains(extracted.err, "is a symbolic link")) << extracted.err;
    EXPECT_TRUE(Contains(extracted.err, "Extracted 2 files")) << extracted.err;
    EXPECT_EQ(Tree(dir.Path() / "elsewhere"), std::vector<std::string>{});
    EXPECT_TRUE(fsys::is_regular_file(dir.Path() / "out" / "first.txt"));
    EXPECT_TRUE(fsys::is_regular_file(dir.Path() / "out" / "last.txt"));
    EXPECT_TRUE(fsys::is_symlink(dir.Path() / "out" / "file-link.txt"));
#endif
}

TEST(Extract, ADirectoryInTheWayIsNamed) {
    ScratchDir dir;
    const std::string archive = dir / "a.vexa";
    WriteArchive(archive, Named({"taken", "free.txt"}));
    fsys::create_directories(dir.Path() / "out" / "taken");
    const Outcome extracted = Vexa({"extract", archive, "-o", dir / "out"});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_TRUE(Contains(extracted.err, "taken: ")) << extracted.err;
    EXPECT_TRUE(Contains(extracted.err, "taken is a directory")) << extracted.err;
    EXPECT_TRUE(fsys::is_regular_file(dir.Path() / "out" / "free.txt"));
}

TEST(Extract, AShadowedEntryIsReportedByExtractTestAndList) {
    ScratchDir dir;
    const std::string archive = dir / "a.vexa";
    std::vector<Entry> entries = Named({"same.txt", "other.txt"});
    entries.push_back({"same.txt", {'s', 'e', 'c', 'o', 'n', 'd'}});
    WriteArchive(archive, entries);

    const Outcome extracted = Vexa({"extract", archive, "-o", dir / "out"});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_TRUE(Contains(extracted.err, "same.txt: entry 3 has the same name as entry 1"))
        << extracted.err;
    EXPECT_TRUE(Contains(extracted.err, "Extracted 2 files")) << extracted.err;
    EXPECT_EQ(ReadFile(dir.Path() / "out" / "same.txt"), entries[0].content);

    const Outcome tested = Vexa({"test", archive});
    EXPECT_EQ(tested.status, 1);
    EXPECT_TRUE(Contains(tested.err, "same.txt: entry 3 has the same name as entry 1"))
        << tested.err;

    const Outcome listed = Vexa({"list", archive});
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(Contains(listed.out, "same.txt  (shadowed: entry 3")) << listed.out;
    EXPECT_TRUE(Contains(listed.err, "1 entry is shadowed")) << listed.err;
}

TEST(Extract, PatternsSelectByWildcardAndFolderIgnoringCase) {
    ScratchDir dir;
    const std::string archive = dir / "a.vexa";
    WriteArchive(archive, Named({"docs\\Guide.txt", "docs\\img\\logo.png", "docsx.txt",
                                 "src\\main.c", "src\\util\\x.c", "README"}));
    struct Case {
        std::vector<std::string> patterns;
        std::vector<std::string> selected;
    };
    const Case cases[] = {
        {{"docs"}, {"docs/Guide.txt", "docs/img/logo.png"}},
        {{"DOCS/"}, {"docs/Guide.txt", "docs/img/logo.png"}},
        {{"*.c"}, {"src/main.c", "src/util/x.c"}},
        {{"src/*.c"}, {"src/main.c", "src/util/x.c"}},
        {{"src\\??????.c"}, {"src/util/x.c"}},  // '?' matches a separator too
        {{"readme", "docs\\guide.TXT"}, {"README", "docs/Guide.txt"}},
        {{"docs*"}, {"docs/Guide.txt", "docs/img/logo.png", "docsx.txt"}},
        {{"*/img"}, {"docs/img/logo.png"}},
    };
    int run = 0;
    for (const Case& c : cases) {
        const std::string out = dir / ("out" + std::to_string(run++));
        std::vector<std::string> args = {"extract", "-q", archive, "-o", out};
        args.insert(args.end(), c.patterns.begin(), c.patterns.end());
        const Outcome extracted = Vexa(args);
        EXPECT_EQ(extracted.status, 0) << c.patterns[0] << "\n" << extracted.err;
        std::vector<std::string> files;
        for (const std::string& path : Tree(out))
            if (fsys::is_regular_file(fsys::path(out) / path)) files.push_back(path);
        std::vector<std::string> expected = c.selected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(files, expected) << c.patterns[0];

        std::vector<std::string> listArgs = {"list", archive};
        listArgs.insert(listArgs.end(), c.patterns.begin(), c.patterns.end());
        const Outcome listed = Vexa(listArgs);
        EXPECT_TRUE(Contains(listed.out, std::to_string(c.selected.size()) +
                                             (c.selected.size() == 1 ? " file" : " files")))
            << c.patterns[0] << "\n"
            << listed.out;
    }
    const Outcome none = Vexa({"list", archive, "*.none"});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(Contains(none.err, "*.none: not found in the archive")) << none.err;
}

TEST(Extract, StdoutCarriesTheSelectedContentInArchiveOrder) {
    ScratchDir dir;
    const std::string archive = dir / "a.vexa";
    std::vector<Entry> entries = Named({"a.bin", "b.txt", "c.bin"});
    // Every byte value, CR and LF included, must come through unchanged.
    entries[0].content.clear();
    for (int i = 0; i < 4096; ++i) entries[0].content.push_back(uint8_t(i * 7));
    WriteArchive(archive, entries);
    for (const std::string flag : {"-c", "--stdout"}) {
        const Outcome piped = Vexa({"extract", flag, archive, "*.bin"});
        EXPECT_EQ(piped.status, 0) << piped.err;
        std::string expected(entries[0].content.begin(), entries[0].content.end());
        expected.append(entries[2].content.begin(), entries[2].content.end());
        EXPECT_EQ(piped.out, expected);
        EXPECT_EQ(piped.err, "");
    }
    EXPECT_EQ(Tree(dir.Path()), std::vector<std::string>{"a.vexa"});
    EXPECT_EQ(Vexa({"extract", "-c", "-o", dir / "x", archive}).status, 2);
}

TEST(Create, ExcludePatternsLeaveOutFilesAndFolders) {
    ScratchDir dir;
    for (const char* file :
         {"pkg/a.txt", "pkg/a.tmp", "pkg/cache/x.txt", "pkg/sub/b.TMP", "pkg/sub/keep.txt"})
        WriteFile(dir.Path() / file, std::string(file));
    const std::string archive = dir / "a.vexa";
    const Outcome created =
        Vexa({"create", "-q", "--exclude", "*.tmp", "-x", "pkg\\cache", archive, dir / "pkg"});
    ASSERT_EQ(created.status, 0) << created.err;
    const Outcome listed = Vexa({"list", archive});
    EXPECT_TRUE(Contains(listed.out, "pkg\\a.txt"));
    EXPECT_TRUE(Contains(listed.out, "pkg\\sub\\keep.txt"));
    EXPECT_TRUE(Contains(listed.out, "2 files")) << listed.out;
}

}  // namespace
}  // namespace vexa::cli

namespace vexa::cli {
namespace {

// Each way an archive or an entry can fail, and the words every command uses for it.
TEST(Messages, SayWhatHappened) {
    ScratchDir dir;
    WriteFile(dir.Path() / "plain.txt", std::string(5000, 'x'));
    fsys::create_directories(dir.Path() / "folder");
    WriteArchive(dir / "crc.vexa", Named({"ok.txt", "bad.txt"}),
                 [](pack::EncodedEntry& e) { e.record.crc ^= 0x80; });
    WriteArchive(dir / "cut.vexa", Named({"ok.txt", "gone.txt"}));
    auto cut = ReadFile(dir / "cut.vexa");
    cut.resize(cut.size() - Content("gone.txt").size() / 2 - kRecordSize);
    WriteFile(dir.Path() / "cut.vexa", cut);
    // 0x95 0x5C is one character in code page 932; its second byte still splits the name.
    WriteArchive(dir / "split.vexa", Named({"\x95\\x.txt"}));

    struct Case {
        std::string command;
        std::string archive;
        int status;
        std::string message;
    };
    const std::string out = dir / "out";
    const Case cases[] = {
        {"list", "plain.txt", 2, "plain.txt: not a Vexa archive (no signature found)"},
        {"test", "plain.txt", 2, "plain.txt: not a Vexa archive (no signature found)"},
        {"extract", "plain.txt", 2, "plain.txt: not a Vexa archive (no signature found)"},
        {"list", "folder", 2, "folder: is a directory"},
        {"test", "folder", 2, "folder: is a directory"},
        {"extract", "folder", 2, "folder: is a directory"},
        {"test", "crc.vexa", 1, "bad.txt: CRC mismatch"},
        {"extract", "crc.vexa", 1, "bad.txt: CRC mismatch"},
        {"list", "cut.vexa", 1, "cut.vexa: entry 2 of 2: record cut short"},
        {"test", "cut.vexa", 1, "cut.vexa: entry 2 of 2: record cut short"},
        {"extract", "cut.vexa", 1, "cut.vexa: entry 2 of 2: record cut short"},
        {"extract", "split.vexa", 1, "refused: the name is not text in code page 932"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {c.command, "--codepage", "932", dir / c.archive};
        if (c.command == "extract") args.insert(args.end(), {"-o", out});
        const Outcome outcome = Vexa(args);
        EXPECT_EQ(outcome.status, c.status) << c.command << " " << c.archive << "\n" << outcome.err;
        EXPECT_TRUE(Contains(outcome.err, c.message)) << c.command << " " << c.archive << "\n"
                                                      << outcome.err;
    }
    EXPECT_EQ(Tree(out), std::vector<std::string>{"ok.txt"});
}

}  // namespace
}  // namespace vexa::cli
