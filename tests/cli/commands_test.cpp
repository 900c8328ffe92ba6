// The commands run in-process, as the program runs them: exit status, what they print and
// what they leave on disk.
#include "commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

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

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

std::vector<std::string> Listing(const fsys::path& root) {
    std::vector<std::string> names;
    for (const auto& entry : fsys::recursive_directory_iterator(root))
        names.push_back(fsys::relative(entry.path(), root).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

// An archive written by the writer library, for names and records the tool would never
// create itself.
void WriteArchive(const std::string& path, const std::vector<std::string>& names) {
    std::vector<pack::EncodedEntry> entries;
    for (const std::string& name : names)
        entries.push_back(pack::EncodeEntry({name, kAttributeArchive, 0},
                                            testing::SampleContent(100 + name.size(), 7)));
    WriteFile(path, pack::BuildArchive(entries));
}

class Commands : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteFile(dir.Path() / "pkg" / "a.txt", "alpha\n");
        WriteFile(dir.Path() / "pkg" / "empty.txt", "");
        WriteFile(dir.Path() / "pkg" / "sub" / "b.bin", testing::SampleContent(70000, 1));
        WriteFile(dir.Path() / "pkg" / "sub" / "ro.txt", "read only\n");
        fsys::permissions(dir.Path() / "pkg" / "sub" / "ro.txt", fsys::perms::owner_write,
                          fsys::perm_options::remove);
        archive = dir / "pkg.vexa";
    }

    void ExpectSameTree(const fsys::path& extracted) {
        const fsys::path source = dir.Path() / "pkg";
        ASSERT_EQ(Listing(extracted), Listing(source));
        for (const auto& entry : fsys::recursive_directory_iterator(source)) {
            if (!entry.is_regular_file()) continue;
            const fsys::path copy = extracted / fsys::relative(entry.path(), source);
            EXPECT_EQ(ReadFile(copy), ReadFile(entry.path())) << copy;
            const auto age = fsys::last_write_time(entry.path()) - fsys::last_write_time(copy);
            EXPECT_LT(std::chrono::abs(age), std::chrono::microseconds(1)) << copy;
            const bool writable =
                (fsys::status(copy).permissions() & fsys::perms::owner_write) != fsys::perms::none;
            EXPECT_EQ(writable, entry.path().filename() != "ro.txt") << copy;
        }
    }

    ScratchDir dir;
    std::string archive;
};

TEST_F(Commands, RoundTripThroughCreateListTestExtract) {
    const Outcome created = Vexa({"create", archive, dir / "pkg"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out, "");

    const Outcome listed = Vexa({"list", archive});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.err, "");
    for (const char* row : {"     6 ", "pkg\\a.txt", "pkg\\empty.txt", "pkg\\sub\\b.bin", "R....A",
                            "pkg\\sub\\ro.txt", "70016 ", "4 files"})
        EXPECT_NE(listed.out.find(row), std::string::npos) << row << "\n" << listed.out;
    EXPECT_LT(listed.out.find("pkg\\a.txt"), listed.out.find("pkg\\empty.txt"));

    const Outcome tested = Vexa({"test", archive});
    EXPECT_EQ(tested.status, 0) << tested.err;
    EXPECT_NE(tested.err.find("All 4 entries OK"), std::string::npos) << tested.err;

    const Outcome extracted = Vexa({"extract", archive, "-o", dir / "out"});
    EXPECT_EQ(extracted.status, 0) << extracted.err;
    ExpectSameTree(dir.Path() / "out" / "pkg");
}

TEST_F(Commands, SameInputsGiveTheSameBytes) {
    ASSERT_EQ(Vexa({"create", "-j1", archive, dir / "pkg"}).status, 0);
    const auto first = ReadFile(archive);
    ASSERT_EQ(Vexa({"create", "--threads=4", dir / "again.vexa", dir / "pkg/"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "again.vexa"), first);
    // Replacing an archive leaves no temporary file behind.
    ASSERT_EQ(Vexa({"create", "-q", archive, dir / "pkg"}).status, 0);
    EXPECT_EQ(ReadFile(archive), first);
    EXPECT_EQ(Listing(dir.Path()).size(), Listing(dir.Path() / "pkg").size() + 3);
}

TEST_F(Commands, AnInputThatCannotBeStoredWritesNothing) {
    WriteFile(dir.Path() / "pkg" / std::string(95, 'n'), "x");
    ASSERT_EQ(Vexa({"create", archive, dir / "pkg"}).status, 0) << "95 + 4 bytes still fit";
    fsys::remove(archive);
    WriteFile(dir.Path() / "pkg" / std::string(96, 'n'), "x");  // 100 bytes with "pkg\"
    const auto before = Listing(dir.Path());
    const Outcome created = Vexa({"create", archive, dir / "pkg"});
    EXPECT_EQ(created.status, 2);
    EXPECT_NE(created.err.find(std::string(96, 'n') + "' is 100 bytes; at most 99"),
              std::string::npos)
        << created.err;
    EXPECT_NE(created.err.find("nothing written"), std::string::npos);
    EXPECT_EQ(Listing(dir.Path()), before);
}

TEST_F(Commands, ExitStatusOfUsageAndUnreadableArchives) {
    WriteFile(dir.Path() / "not-an-archive", std::string(1000, 'x'));
    WriteFile(dir.Path() / "tiny", "VEXA");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{}, 2, "Usage: vexa COMMAND"},
        {{"frob"}, 2, "unknown command 'frob'"},
        {{"list"}, 2, "needs an archive"},
        {{"test", "a", "b"}, 2, "needs exactly one archive"},
        {{"list", dir / "pkg"}, 2, "pkg: is a directory"},
        {{"extract", "--nope", "x"}, 2, "unknown option '--nope'"},
        {{"create", dir / "x.vexa"}, 2, "at least one path"},
        {{"create", "-j", "0", dir / "x.vexa", dir / "pkg"}, 2, "--threads"},
        {{"list", dir / "missing.vexa"}, 2, "Not found"},
        {{"test", dir / "not-an-archive"},
         2,
         "not-an-archive: not a Vexa archive (no signature found)"},
        {{"extract", dir / "tiny"}, 2, "tiny: not a Vexa archive (no signature found)"},
        {{"list", "--codepage", "65001", dir / "tiny"},
         2,
         "--codepage needs a Windows ANSI code page"},
        {{"sfx", dir / "o.exe"}, 2, "either --archive ARCHIVE or paths"},
        {{"create", dir / "x.vexa", dir / "nothing-here"}, 2, "nothing-here"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Vexa(c.args);
        const std::string what = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(outcome.status, c.status) << what << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << what << "\n" << outcome.err;
        EXPECT_EQ(outcome.out, "") << what;
    }
    EXPECT_FALSE(fsys::exists(dir / "x.vexa"));
}

TEST_F(Commands, HelpGoesToStandardOutput) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--help"}, "Usage: vexa COMMAND"},
        {{"create", "--help"}, "Usage: vexa create"},
        {{"list", "-h"}, "Usage: vexa list"},
        {{"test", "--help"}, "Usage: vexa test"},
        {{"extract", "x", "--help"}, "Usage: vexa extract"},
        {{"sfx", "--help"}, "Usage: vexa sfx"},
    };
    for (const auto& [args, usage] : cases) {
        const Outcome outcome = Vexa(args);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.out.find(usage), 0u) << outcome.out;
        EXPECT_EQ(outcome.err, "");
    }
}

TEST_F(Commands, ProgressIsABarOnATerminalLinesElsewhereAndNothingWhenQuiet) {
    const Outcome lines = Vexa({"create", archive, dir / "pkg"});
    EXPECT_NE(lines.err.find("adding pkg\\sub\\b.bin\n"), std::string::npos) << lines.err;
    EXPECT_EQ(lines.err.find('\r'), std::string::npos);

    const Outcome bar = Vexa({"extract", archive, "-o", dir / "bar"}, true);
    EXPECT_NE(bar.err.find("\r["), std::string::npos) << bar.err;
    EXPECT_NE(bar.err.find("ETA"), std::string::npos) << bar.err;
    EXPECT_NE(bar.err.find("Extracted 4 files"), std::string::npos) << bar.err;

    for (const std::string command : {"test", "extract"}) {
        std::vector<std::string> args = {command, "-q", archive};
        if (command == "extract") args.insert(args.end(), {"-o", dir / "quiet"});
        const Outcome quiet = Vexa(args, true);
        EXPECT_EQ(quiet.status, 0);
        EXPECT_EQ(quiet.err, "") << command;
    }
}

TEST_F(Commands, ExtractRefusesHostileNamesAndGoesOn) {
    const std::vector<std::string> hostile = {"..\\evil1.txt", "sub\\..\\..\\evil2.txt",
                                              "C:\\evil3.txt", "\\evil4.txt",
                                              "../evil5.txt",  "aux.txt"};
    std::vector<std::string> names = {"first.txt"};
    names.insert(names.end(), hostile.begin(), hostile.end());
    names.push_back("deep\\last.txt");
    WriteArchive(archive, names);

    const fsys::path target = dir.Path() / "nest" / "target";
    const Outcome extracted = Vexa({"extract", archive, "-o", target.string()});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_EQ(Count(extracted.err, ": refused:"), hostile.size()) << extracted.err;
    for (const std::string& name : hostile)
        EXPECT_NE(extracted.err.find(name + ": refused"), std::string::npos) << name;
    EXPECT_NE(extracted.err.find(", " + std::to_string(hostile.size()) + " failed"),
              std::string::npos);
    EXPECT_EQ(Listing(dir.Path() / "nest"),
              (std::vector<std::string>{"target", "target/deep", "target/deep/last.txt",
                                        "target/first.txt"}));
}

TEST_F(Commands, DamagedEntriesAreReportedAndTheOthersGoOn) {
    WriteArchive(archive, {"a.txt", "b.txt", "c.txt"});
    auto bytes = ReadFile(archive);
    // Entry b's record follows a's record and data.
    const size_t recordB = kHeaderSize + kRecordSize + LoadLE64(&bytes[kHeaderSize + 112]);
    bytes[recordB + 100] ^= 1;  // its crc
    WriteFile(archive, bytes);

    const Outcome tested = Vexa({"test", archive});
    EXPECT_EQ(tested.status, 1);
    EXPECT_NE(tested.err.find("b.txt: CRC mismatch"), std::string::npos) << tested.err;
    EXPECT_NE(tested.err.find("1 problem found"), std::string::npos) << tested.err;

    const Outcome extracted = Vexa({"extract", archive, "-o", dir / "out"});
    EXPECT_EQ(extracted.status, 1);
    EXPECT_NE(extracted.err.find("b.txt: CRC mismatch"), std::string::npos);
    EXPECT_EQ(Listing(dir.Path() / "out"), (std::vector<std::string>{"a.txt", "c.txt"}));

    // Cut inside c's record: list shows what it can read and fails.
    bytes.resize(recordB + kRecordSize + LoadLE64(&bytes[recordB + 112]) + 50);
    WriteFile(archive, bytes);
    const Outcome listed = Vexa({"list", archive});
    EXPECT_EQ(listed.status, 1);
    EXPECT_NE(listed.out.find("2 files"), std::string::npos) << listed.out;
    EXPECT_NE(listed.err.find("entry 3 of 3: record cut short"), std::string::npos) << listed.err;
    EXPECT_EQ(Vexa({"test", archive}).status, 1);
    EXPECT_EQ(Vexa({"extract", archive, "-o", dir / "cut"}).status, 1);
}

TEST_F(Commands, ExistingFilesAreSkippedUnlessOverwriting) {
    ASSERT_EQ(Vexa({"create", archive, dir / "pkg"}).status, 0);
    const std::string out = dir / "out";
    ASSERT_EQ(Vexa({"extract", "-q", archive, "-o", out}).status, 0);
    WriteFile(dir.Path() / "out" / "pkg" / "a.txt", "changed");

    const Outcome again = Vexa({"extract", archive, "-o", out});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(Count(again.err, "skipped, file exists"), 4u) << again.err;
    const std::string kept = "changed";
    EXPECT_EQ(ReadFile(dir.Path() / "out" / "pkg" / "a.txt"),
              std::vector<uint8_t>(kept.begin(), kept.end()));

    const Outcome overwritten = Vexa({"extract", "-y", archive, "-o", out});
    EXPECT_EQ(overwritten.status, 0) << overwritten.err;  // the read-only file too
    ExpectSameTree(dir.Path() / "out" / "pkg");
}

TEST_F(Commands, ExtractsNamedEntriesOnly) {
    ASSERT_EQ(Vexa({"create", archive, dir / "pkg"}).status, 0);
    const Outcome some =
        Vexa({"extract", archive, "pkg/sub/b.bin", "pkg\\a.txt", "-o", dir / "some"});
    EXPECT_EQ(some.status, 0) << some.err;
    EXPECT_EQ(Listing(dir.Path() / "some"),
              (std::vector<std::string>{"pkg", "pkg/a.txt", "pkg/sub", "pkg/sub/b.bin"}));

    const Outcome missing = Vexa({"extract", archive, "pkg\\nope", "pkg\\a.txt", "-o", dir / "m"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("pkg\\nope: not found in the archive"), std::string::npos);
    EXPECT_TRUE(fsys::exists(dir.Path() / "m" / "pkg" / "a.txt"));
}

class Sfx : public Commands {
  protected:
    void SetUp() override {
        Commands::SetUp();
        stub = dir / "stub.exe";
        WriteFile(stub, testing::FakeStub());
    }
    std::string stub;
};

TEST_F(Sfx, PacksPathsBehindTheStubAndTheResultExtracts) {
    const std::string exe = dir / "setup.exe";
    const Outcome made = Vexa({"sfx", exe, "--stub", stub, "-d", "C:\\Tarnwick", dir / "pkg"});
    ASSERT_EQ(made.status, 0) << made.err;
    const auto bytes = ReadFile(exe);
    auto expectedStub = testing::FakeStub();
    std::memcpy(&expectedStub[300], "C:\\Tarnwick", 12);
    ASSERT_GT(bytes.size(), expectedStub.size());
    EXPECT_TRUE(std::equal(expectedStub.begin(), expectedStub.end(), bytes.begin()));

    EXPECT_NE(Vexa({"list", exe}).out.find("4 files"), std::string::npos);
    EXPECT_EQ(Vexa({"test", exe}).status, 0);
    ASSERT_EQ(Vexa({"extract", exe, "-o", dir / "out"}).status, 0);
    ExpectSameTree(dir.Path() / "out" / "pkg");
}

TEST_F(Sfx, AppendsAnExistingArchiveUnchanged) {
    ASSERT_EQ(Vexa({"create", "-q", archive, dir / "pkg"}).status, 0);
    // The stub is looked for beside the program when not given.
    WriteFile(dir.Path() / "bin" / "sfxstub.exe", testing::FakeStub());
    const std::string exe = dir / "setup.exe";
    const Outcome made = Vexa({"sfx", exe, "--archive", archive}, false, dir / "bin/");
    ASSERT_EQ(made.status, 0) << made.err;
    auto expected = testing::FakeStub();
    const auto archived = ReadFile(archive);
    expected.insert(expected.end(), archived.begin(), archived.end());
    EXPECT_EQ(ReadFile(exe), expected);

    // An archive that is itself behind a stub is taken from its signature on.
    const Outcome again = Vexa({"sfx", dir / "again.exe", "--stub", stub, "--archive", exe});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ReadFile(dir / "again.exe"), expected);
}

TEST_F(Sfx, RefusesUnsuitableStubsAndWritesNothing) {
    ASSERT_EQ(Vexa({"sfx", dir / "made.exe", "--stub", stub, dir / "pkg"}).status, 0);
    WriteFile(dir / "plain.exe", std::string(2000, 'p'));
    struct Case {
        std::vector<std::string> options;
        const char* message;
    };
    const Case cases[] = {
        {{"--stub", dir / "plain.exe"}, "no empty initial-destination field"},
        {{"--stub", dir / "made.exe"}, "already holds an archive signature"},
        {{"--stub", dir / "missing.exe"}, "cannot open the stub"},
        {{}, "sfxstub.exe: cannot open the stub"},
        {{"--stub", stub, "-d", std::string(256, 'd')}, "1 to 255 bytes, not 256"},
        {{"--stub", stub, "--archive", archive}, "either --archive ARCHIVE or paths"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"sfx", dir / "out.exe"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(dir / "pkg");
        const Outcome outcome = Vexa(args, false, dir / "nowhere/");
        EXPECT_EQ(outcome.status, 2) << c.message;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
        EXPECT_FALSE(fsys::exists(dir / "out.exe")) << c.message;
    }
    EXPECT_EQ(
        Vexa({"sfx", dir / "out.exe", "--stub", stub, "-d", std::string(255, 'd'), dir / "pkg"})
            .status,
        0);
}

#ifdef VEXA_SFX_STUB
TEST_F(Sfx, TheBuiltStubTakesTheArchiveAndTheDestination) {
    const std::string exe = dir / "setup.exe";
    const Outcome made =
        Vexa({"sfx", exe, "--stub", VEXA_SFX_STUB, "-d", "C:\\Tarnwick Test", dir / "pkg"});
    ASSERT_EQ(made.status, 0) << made.err;
    const auto bytes = ReadFile(exe);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find(std::string("C:\\Tarnwick Test\0\0\0", 19)), std::string::npos);
    ASSERT_EQ(Vexa({"extract", exe, "-o", dir / "out"}).status, 0);
    ExpectSameTree(dir.Path() / "out" / "pkg");
}
#endif

}  // namespace
}  // namespace vexa::cli
