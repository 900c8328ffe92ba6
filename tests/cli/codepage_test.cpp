// Entry names in the Windows code pages: conversion both ways, the names `create` must refuse,
// and names through create, list and extract.
#include "codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "archive_reader.h"
#include "commands.h"
#include "run_vexa.h"
#include "scratch_dir.h"

namespace vexa::cli {
namespace {

namespace fsys = std::filesystem;
using testing::ScratchDir;
using testing::WriteFile;

// UTF-8 text as a path on every platform (a narrow path on Windows is read in the ANSI code
// page).
fsys::path U8(const fsys::path& base, const std::string& utf8) {
    return base / fsys::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const fsys::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

CodePage Page(unsigned number) {
    return *CodePage::FromNumber(number);
}

using testing::Outcome;
using testing::Vexa;

struct Stored {
    unsigned codePage;
    const char* utf8;
    const char* bytes;
};

// Names in the code pages their users meet, with the bytes Windows uses for them.
const Stored kStoredNames[] = {
    {1252, "café.txt", "caf\xE9.txt"},
    {1252, "Grüße ü €",
     "Gr\xFC\xDF"
     "e \xFC \x80"},
    {1251, "Привет.txt", "\xCF\xF0\xE8\xE2\xE5\xF2.txt"},
    {1250, "Łódź", "\xA3\xF3\x64\x9F"},
    {932, "日本.txt", "\x93\xFA\x96\x7B.txt"},
    {949, "한국", "\xC7\xD1\xB1\xB9"},
    {874, "ไทย", "\xE4\xB7\xC2"},
};

TEST(CodePage, ConvertsNamesBothWays) {
    for (const Stored& s : kStoredNames) {
        std::string problem;
        const auto stored = Page(s.codePage).EncodeLevel(s.utf8, problem);
        ASSERT_TRUE(stored) << s.utf8 << ": " << problem;
        EXPECT_EQ(*stored, s.bytes) << s.utf8;
        EXPECT_EQ(Page(s.codePage).Decode(s.bytes), std::string(s.utf8)) << s.codePage;
    }
}

TEST(CodePage, RefusesWhatTheCodePageCannotHold) {
    struct Case {
        unsigned codePage;
        const char* name;
        const char* problem;
    };
    const Case cases[] = {
        {1252, "a日b.txt", "'日' cannot be stored in code page 1252"},
        {1250, "日", "'日' cannot be stored in code page 1250"},
        {1251, "café", "'é' cannot be stored in code page 1251"},
        {1253, "ß", "'ß' cannot be stored in code page 1253"},
        {874, "é", "'é' cannot be stored in code page 874"},
        {936, "ไ", "'ไ' cannot be stored in code page 936"},
        {949, "ไ", "'ไ' cannot be stored in code page 949"},
        {950, "ไ", "'ไ' cannot be stored in code page 950"},
        {932, "ไ", "'ไ' cannot be stored in code page 932"},
        // Its second byte is 0x5C: the stub would cut the name inside the character.
        {932, "表.txt", "'表' is stored in code page 932 as the bytes 95 5C"},
    };
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_FALSE(Page(c.codePage).EncodeLevel(c.name, problem)) << c.name;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
    // Best fit would turn these into look-alikes; they must fail instead.
    std::string problem;
    EXPECT_FALSE(Page(1252).EncodeLevel("\xC4\x80", problem));      // Ā is not A
    EXPECT_FALSE(Page(1252).EncodeLevel("\xE2\x88\x92", problem));  // minus sign is not '-'
}

TEST(CodePage, ShowsUndecodableBytesEscaped) {
    EXPECT_EQ(Page(1252).Show("ok.txt"), "ok.txt");
    EXPECT_EQ(Page(932).Show("\x93\xFA"), "日");
    EXPECT_EQ(Page(932).Show("a\x95"), "a\\x95");  // a lead byte without its trail byte
    EXPECT_FALSE(CodePage::Parse("65001"));
    EXPECT_FALSE(CodePage::Parse("12x"));
    EXPECT_EQ(CodePage::Parse("cp1251")->Number(), 1251u);
    EXPECT_EQ(CodePage::Parse("windows-932")->Number(), 932u);
    EXPECT_EQ(CodePage::Parse("1258")->Number(), 1258u);
}

// Names from the file system through create, list and extract in each code page: stored as the
// code page's bytes, shown and extracted under the same UTF-8 names.
TEST(CodePage, NamesSurviveCreateListAndExtract) {
    struct Case {
        unsigned codePage;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {1252, {"café.txt", "Grüße/naïve.txt", "ß€.txt"}},
        {1251, {"Привет/мир.txt"}},
        {932, {"日本語/テスト.txt", "ｶﾀｶﾅ.txt"}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        for (const std::string& file : c.files) WriteFile(U8(dir.Path() / "in", file), file);
        const std::string archive = dir / "a.vexa";
        const std::string cp = std::to_string(c.codePage);
        const Outcome created = Vexa({"create", "-q", "--codepage", cp, archive, dir / "in"});
        ASSERT_EQ(created.status, 0) << created.err;

        // The records hold the code page's bytes.
        ArchiveReader reader;
        ASSERT_EQ(reader.Open(archive), Result::Success);
        Result error;
        std::vector<std::string> stored;
        for (const VEXA_ENTRY& entry : reader.AllEntries(error)) stored.push_back(EntryName(entry));
        std::vector<std::string> expectedStored;
        for (const std::string& file : c.files) {
            std::string bytes = "in";
            std::istringstream levels(file);
            for (std::string level; std::getline(levels, level, '/');) {
                std::string problem;
                bytes += '\\';
                bytes += Page(c.codePage).EncodeLevel(level, problem).value_or("?");
            }
            expectedStored.push_back(bytes);
        }
        std::sort(stored.begin(), stored.end());
        std::sort(expectedStored.begin(), expectedStored.end());
        EXPECT_EQ(stored, expectedStored) << cp;

        const Outcome listed = Vexa({"list", "--codepage", cp, archive});
        for (std::string file : c.files) {
            std::replace(file.begin(), file.end(), '/', '\\');
            EXPECT_NE(listed.out.find("in\\" + file), std::string::npos) << file << listed.out;
        }
        const Outcome extracted =
            Vexa({"extract", "-q", "--codepage", cp, archive, "-o", dir / "out"});
        EXPECT_EQ(extracted.status, 0) << extracted.err;
        for (const std::string& file : c.files)
            EXPECT_TRUE(fsys::is_regular_file(U8(dir.Path() / "out" / "in", file))) << file;
    }
}

TEST(CodePage, CreateRefusesNamesThatWouldGoWrongOnWindowsAndWritesNothing) {
    struct Case {
        std::vector<std::string> files;
        const char* codePage;
        const char* message;
    };
    const Case cases[] = {
        {{"ok.txt", "日本.txt"}, "1252", "'日' cannot be stored in code page 1252"},
        {{"表.txt"}, "932", "'表' is stored in code page 932 as the bytes 95 5C"},
        {{"Readme.txt", "README.TXT"}, "1252", "differ only in case"},
        {{"Äpfel.txt", "äpfel.txt"}, "1252", "differ only in case"},
    };
    for (const Case& c : cases) {
#ifdef _WIN32
        // Names equal but for case are one file here already.
        if (std::string(c.message) == "differ only in case") continue;
#endif
        ScratchDir dir;
        for (const std::string& file : c.files) WriteFile(U8(dir.Path() / "in", file), file);
        const std::string archive = dir / "a.vexa";
        const Outcome created = Vexa({"create", "--codepage", c.codePage, archive, dir / "in"});
        EXPECT_EQ(created.status, 2) << c.message;
        EXPECT_NE(created.err.find(c.message), std::string::npos) << created.err;
        EXPECT_NE(created.err.find("nothing written"), std::string::npos) << created.err;
        EXPECT_FALSE(fsys::exists(archive));
    }
}

TEST(CodePage, ExtractShowsAndCreatesTheConvertedNames) {
    // An archive made on a Western Windows machine: names in code page 1252.
    ScratchDir dir;
    WriteFile(U8(dir.Path() / "in", "naïve café.txt"), "x");
    const std::string archive = dir / "a.vexa";
    ASSERT_EQ(Vexa({"create", "-q", archive, dir / "in"}).status, 0);
    const Outcome listed = Vexa({"list", archive});
    EXPECT_NE(listed.out.find("in\\naïve café.txt"), std::string::npos) << listed.out;
    // Read as Cyrillic, the same bytes are other letters, still valid text.
    const Outcome cyrillic = Vexa({"list", "--codepage", "1251", archive});
    EXPECT_NE(cyrillic.out.find("in\\naпve cafй.txt"), std::string::npos) << cyrillic.out;
    ASSERT_EQ(Vexa({"extract", "-q", archive, "-o", dir / "out"}).status, 0);
    std::vector<std::string> names;
    for (const auto& entry : fsys::recursive_directory_iterator(dir.Path() / "out"))
        names.push_back(Utf8(fsys::relative(entry.path(), dir.Path() / "out")));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"in", "in/naïve café.txt"}));
}

}  // namespace
}  // namespace vexa::cli
