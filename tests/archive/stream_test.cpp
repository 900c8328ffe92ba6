// Opening archives inside host files, enumerating, looking up and closing.
#include <gtest/gtest.h>

#include <cstring>

#include "result.h"
#include "test_support.h"
#include "vexa.h"

namespace vexa::test {
namespace {

// An open stream that closes itself.
struct Stream {
    void* handle = nullptr;
    uint32_t openResult;
    Stream(const fs::path& path, uint32_t mode = VEXA_MODE_READ)
        : openResult(vexa_OpenStream(&handle, path.string().c_str(), mode)) {}
    ~Stream() {
        if (openResult == 0) vexa_CloseStream(handle);
    }
};

std::vector<RawEntry> ThreeEntries() {
    return {EncodedEntry("one.txt", ToBytes("first")),
            EncodedEntry("dir\\two.bin", SampleBinary(5000, 2)),
            EncodedEntry("three", ToBytes("third entry"))};
}

const Bytes kSignature = Concat(ToBytes("VEXA"), {0x01, 0x00, 0x00, 0x8F});

TEST(Open, FindsArchiveAtAnyOffsetPastDecoys) {
    const Bytes archive = MakeArchive(ThreeEntries());
    // Decoys: the four letters followed by other tags, one whose real signature starts inside
    // the previous window at each of its bytes 4-7.
    const std::vector<Bytes> prefixes = {
        {},
        Bytes(1000, 0xAB),
        Concat(ToBytes("VEXAVEXA"), Bytes(3, 0)),
        ToBytes("VEXA_ENTRY and VEXAVEX"),
        Concat(ToBytes("VEXA"), {0x01, 0x00, 0x00, 0x8E}),
        ToBytes("VVVVVVVVVVV"),
        Concat(Bytes((1 << 20) - 3, 0x56), ToBytes("VE")),  // straddles the scan's chunks
    };
    TempDir dir;
    for (size_t i = 0; i < prefixes.size(); ++i) {
        SCOPED_TRACE(i);
        const fs::path path = dir / ("host" + std::to_string(i));
        WriteFile(path, Concat(prefixes[i], archive));
        Stream s(path);
        ASSERT_EQ(s.openResult, 0u);
        EXPECT_EQ(vexa_GetNumFiles(s.handle), 3u);
        VEXA_ENTRY e;
        ASSERT_EQ(vexa_EnumerateFiles(s.handle, &e, 2), 0u);
        EXPECT_STREQ(e.name, "three");
    }
}

TEST(Open, FailuresLeaveNoStream) {
    TempDir dir;
    struct Case {
        const char* what;
        Bytes content;
        uint32_t mode;
        Result result;
    };
    const Bytes archive = MakeArchive({});
    const std::vector<Case> cases = {
        {"empty file", {}, VEXA_MODE_READ, Result::ArchiveCorrupt},
        {"eight bytes that are the signature", kSignature, VEXA_MODE_READ, Result::ArchiveCorrupt},
        {"no signature", Bytes(5000, 'V'), VEXA_MODE_READ, Result::ArchiveCorrupt},
        // The signature in the last 8 bytes is past the positions examined.
        {"signature at length - 8", Concat(Bytes(10, 0), kSignature), VEXA_MODE_READ,
         Result::ArchiveCorrupt},
        {"header cut short", Concat(kSignature, Bytes(8, 0)), VEXA_MODE_READ,
         Result::ArchiveCorrupt},
        {"mode 0", archive, 0, Result::Unknown},
        {"mode 2 alone", archive, 2, Result::Unknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path path = dir / "host";
        WriteFile(path, c.content);
        void* handle = nullptr;
        EXPECT_EQ(vexa_OpenStream(&handle, path.string().c_str(), c.mode), uint32_t(c.result));
        // No file stays open: it can be removed at once (this matters on Windows).
        EXPECT_TRUE(fs::remove(path));
    }
    void* handle = nullptr;
    EXPECT_EQ(vexa_OpenStream(&handle, (dir / "missing").string().c_str(), VEXA_MODE_READ),
              uint32_t(Result::NotFound));
    EXPECT_EQ(vexa_OpenStream(&handle, (dir / "missing").string().c_str(), VEXA_MODE_UPDATE),
              uint32_t(Result::NotFound));
    const std::string longPath = (dir / std::string(300, 'x')).string();
    EXPECT_EQ(vexa_OpenStream(&handle, longPath.c_str(), VEXA_MODE_READ),
              uint32_t(Result::InvalidArgument));
}

TEST(Open, MinimalArchiveOfNineBytesIsSearched) {
    // L = 33 for a header and nine trailing bytes: position 0 is below L - 8.
    TempDir dir;
    WriteFile(dir / "a", Concat(MakeArchive({}), Bytes(9, 0)));
    Stream s(dir / "a");
    EXPECT_EQ(s.openResult, 0u);
    EXPECT_EQ(vexa_GetNumFiles(s.handle), 0u);
}

TEST(Open, UpdateModeWritesHeaderBackOnClose) {
    TempDir dir;
    Bytes file = Concat(ToBytes("prefix"), MakeArchive(ThreeEntries(), 0x1122334455667788ull));
    WriteFile(dir / "a", file);
    void* handle;
    ASSERT_EQ(
        vexa_OpenStream(&handle, (dir / "a").string().c_str(), VEXA_MODE_UPDATE | VEXA_MODE_READ),
        0u);
    EXPECT_EQ(vexa_CloseStream(handle), 0u);
    EXPECT_EQ(ReadFile(dir / "a"), file);  // written back unchanged, header word included
}

TEST(Open, BothUpdateBitsOpenNothingAndStillClose) {
    void* handle = nullptr;
    ASSERT_EQ(vexa_OpenStream(&handle, "no such file anywhere",
                              VEXA_MODE_UPDATE | VEXA_MODE_UPDATE_EXTRA),
              0u);
    EXPECT_EQ(vexa_GetNumFiles(handle), 0u);
    VEXA_ENTRY e;
    EXPECT_EQ(vexa_GetFileInfo(handle, &e, nullptr, "x"), uint32_t(Result::NotFound));
    EXPECT_EQ(vexa_CloseStream(handle), 0u);  // released; the sanitizer build sees any leak
}

TEST(Close, NullHandleIsRefused) {
    EXPECT_EQ(vexa_CloseStream(nullptr), uint32_t(Result::InvalidArgument));
}

TEST(Enumerate, CacheServesOrderAndRestartsBackwards) {
    TempDir dir;
    WriteFile(dir / "a", Concat(Bytes(77, 1), MakeArchive(ThreeEntries())));
    Stream s(dir / "a");
    ASSERT_EQ(s.openResult, 0u);
    VEXA_ENTRY e;
    const char* names[] = {"one.txt", "dir\\two.bin", "three"};
    for (uint64_t i : {0, 1, 2, 2, 1, 0, 2, 0}) {
        ASSERT_EQ(vexa_EnumerateFiles(s.handle, &e, i), 0u) << i;
        EXPECT_STREQ(e.name, names[i]);
    }
    EXPECT_EQ(vexa_EnumerateFiles(s.handle, &e, 3), uint32_t(Result::InvalidArgument));
    EXPECT_EQ(vexa_EnumerateFiles(s.handle, &e, ~uint64_t{0}), uint32_t(Result::InvalidArgument));
}

TEST(Enumerate, RecordPastTheFileEndIsUnknown) {
    TempDir dir;
    WriteFile(dir / "a", MakeArchive({EncodedEntry("a", ToBytes("x"))}, 2, 5));
    Stream s(dir / "a");
    ASSERT_EQ(s.openResult, 0u);
    VEXA_ENTRY e;
    EXPECT_EQ(vexa_EnumerateFiles(s.handle, &e, 0), 0u);
    EXPECT_EQ(vexa_EnumerateFiles(s.handle, &e, 1), uint32_t(Result::Unknown));
    EXPECT_EQ(vexa_EnumerateFiles(s.handle, &e, 0), 0u);  // the stream stays usable
}

TEST(Lookup, FirstOfDuplicateNamesAndOffsets) {
    TempDir dir;
    auto entries = ThreeEntries();
    entries.push_back(EncodedEntry("one.txt", ToBytes("second of that name")));
    const Bytes prefix(500, 0);
    WriteFile(dir / "a", Concat(prefix, MakeArchive(entries)));
    Stream s(dir / "a");
    ASSERT_EQ(s.openResult, 0u);
    VEXA_ENTRY e;
    uint64_t offset = 0;
    ASSERT_EQ(vexa_GetFileInfo(s.handle, &e, &offset, "one.txt"), 0u);
    EXPECT_EQ(offset, prefix.size() + 24);
    EXPECT_EQ(e.originalSize, 5u);
    ASSERT_EQ(vexa_GetFileInfo(s.handle, &e, &offset, "three"), 0u);
    EXPECT_EQ(offset, prefix.size() + 24 + 144 * 2 + entries[0].blocks[0].size() +
                          entries[1].blocks[0].size());
    EXPECT_EQ(vexa_GetFileInfo(s.handle, nullptr, nullptr, "dir\\two.bin"), 0u);
    EXPECT_EQ(vexa_GetFileInfo(s.handle, &e, nullptr, "ONE.TXT"), uint32_t(Result::NotFound));
    EXPECT_EQ(vexa_GetFileInfo(s.handle, &e, nullptr, "dir/two.bin"), uint32_t(Result::NotFound));
    // Lookups and enumeration interleave freely.
    ASSERT_EQ(vexa_EnumerateFiles(s.handle, &e, 3), 0u);
    EXPECT_EQ(e.originalSize, 19u);
    ASSERT_EQ(vexa_GetFileInfo(s.handle, &e, nullptr, "one.txt"), 0u);
    EXPECT_EQ(e.originalSize, 5u);
}

TEST(Lookup, NameLengthLimitsAndEmptyArchive) {
    TempDir dir;
    const std::string name100(100, 'n'), name101(101, 'n');
    WriteFile(dir / "some", MakeArchive(ThreeEntries()));
    WriteFile(dir / "none", MakeArchive({}));
    Stream some(dir / "some"), none(dir / "none");
    EXPECT_EQ(vexa_GetFileInfo(some.handle, nullptr, nullptr, name101.c_str()),
              uint32_t(Result::InvalidArgument));
    EXPECT_EQ(vexa_GetFileInfo(some.handle, nullptr, nullptr, name100.c_str()),
              uint32_t(Result::NotFound));
    EXPECT_EQ(vexa_GetFileInfo(none.handle, nullptr, nullptr, name101.c_str()),
              uint32_t(Result::NotFound));
    EXPECT_EQ(vexa_GetFileInfo(none.handle, nullptr, nullptr, name100.c_str()),
              uint32_t(Result::NotFound));
    VEXA_ENTRY e;
    EXPECT_EQ(vexa_EnumerateFiles(none.handle, &e, 0), uint32_t(Result::InvalidArgument));
}

TEST(Lookup, UnreadableRecordGivesUnknownWhereTheWalkStops) {
    TempDir dir;
    // Two real entries, then the header claims a third that is not there.
    WriteFile(
        dir / "a",
        MakeArchive({EncodedEntry("a", ToBytes("1")), EncodedEntry("b", ToBytes("2"))}, 2, 3));
    Stream s(dir / "a");
    ASSERT_EQ(s.openResult, 0u);
    EXPECT_EQ(vexa_GetFileInfo(s.handle, nullptr, nullptr, "missing"), uint32_t(Result::Unknown));
    EXPECT_EQ(vexa_GetFileInfo(s.handle, nullptr, nullptr, "b"), 0u);  // found before the gap
    EXPECT_EQ(vexa_GetFileInfo(s.handle, nullptr, nullptr, "other"), uint32_t(Result::Unknown));
}

TEST(Lookup, NameFilling100BytesHasNoTerminator) {
    TempDir dir;
    RawEntry full = EncodedEntry("placeholder", ToBytes("x"));
    full.name = std::string(100, 'f');  // the whole field, no NUL
    WriteFile(dir / "a", MakeArchive({full}));
    Stream s(dir / "a");
    VEXA_ENTRY e;
    EXPECT_EQ(vexa_GetFileInfo(s.handle, &e, nullptr, full.name.c_str()), 0u);
    EXPECT_EQ(vexa_GetFileInfo(s.handle, &e, nullptr, std::string(99, 'f').c_str()),
              uint32_t(Result::NotFound));
}

TEST(Messages, EveryCodeAndOutOfRange) {
    const std::pair<int, const char*> table[] = {
        {0, "Success"},
        {1, "Unknown"},
        {2, "Invalid argument passed"},
        {3, "Archive is corrupt"},
        {4, "Not found"},
        {5, "Entry exists already"},
        {6, "Out of disk space"},
        {7, "Archive is opened in a mode preventing this operation"},
        {8, "Archive has been locked preventing this operation"},
        {9, "Unknown <?>"},
        {-1, "Unknown <?>"},
        {0x7FFFFFFF, "Unknown <?>"},
    };
    for (const auto& [code, text] : table) EXPECT_STREQ(vexa_GetErrorString(code), text) << code;
}

}  // namespace
}  // namespace vexa::test
