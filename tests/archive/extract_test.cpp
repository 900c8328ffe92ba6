// Extraction of entries to files: creation, refusal, attributes and write failures.
#include <gtest/gtest.h>

#include "result.h"
#include "test_support.h"
#include "vexa.h"

namespace vexa::test {
namespace {

bool IsReadOnly(const fs::path& path) {
    return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
}

class ExtractTest : public ::testing::Test {
  protected:
    void TearDown() override {
        if (handle_) {
            EXPECT_EQ(vexa_CloseStream(handle_), 0u);
        }
    }
    void Open(const std::vector<RawEntry>& entries) {
        WriteFile(dir_ / "archive", Concat(ToBytes("host image"), MakeArchive(entries)));
        ASSERT_EQ(vexa_OpenStream(&handle_, (dir_ / "archive").string().c_str(), VEXA_MODE_READ),
                  0u);
    }
    Result Extract(const std::string& name, const fs::path& to) {
        return Result(vexa_DecompressToFile(handle_, name.c_str(), to.string().c_str(), nullptr));
    }
    TempDir dir_;
    void* handle_ = nullptr;
};

TEST_F(ExtractTest, RoundTripOfManyBlocksAndAnEmptyEntry) {
    const Bytes text = SampleText(9 * 1024 * 1024 + 17, 1);
    const Bytes binary = SampleBinary(5 * 1024 * 1024, 2);
    Open({EncodedEntry("text", text), EncodedEntry("binary", binary), EncodedEntry("empty", {})});
    for (const auto& [name, content] : {std::pair{"text", &text}, {"binary", &binary}}) {
        ASSERT_EQ(Extract(name, dir_ / name), Result::Success) << name;
        EXPECT_TRUE(ReadFile(dir_ / name) == *content) << name;
    }
    ASSERT_EQ(Extract("empty", dir_ / "empty"), Result::Success);
    EXPECT_EQ(fs::file_size(dir_ / "empty"), 0u);
}

TEST_F(ExtractTest, RefusalsAndWhatTheyLeave) {
    RawEntry huge = EncodedEntry("huge", ToBytes("small really"));
    huge.originalSize = uint64_t{1} << 62;  // more than any disk has free
    RawEntry badCrc = EncodedEntry("bad crc", ToBytes("content that arrives whole"),
                                   kAttributeReadOnly | kAttributeArchive);
    badCrc.crc ^= 0x80;
    // The CRC matches, but the record promises one byte more than the blocks hold.
    RawEntry cut = EncodedEntry("cut", ToBytes("shorter than recorded"), kAttributeReadOnly);
    cut.originalSize += 1;
    Open({EncodedEntry("a", ToBytes("alpha")), huge, badCrc, cut});

    EXPECT_EQ(Extract(std::string(101, 'a'), dir_ / "long"), Result::InvalidArgument);
    EXPECT_FALSE(fs::exists(dir_ / "long"));

    EXPECT_EQ(Extract("a", dir_ / "no such dir" / "a"), Result::InvalidArgument);

    WriteFile(dir_ / "missing", ToBytes("old content"));
    EXPECT_EQ(Extract("missing", dir_ / "missing"), Result::NotFound);
    EXPECT_EQ(fs::file_size(dir_ / "missing"), 0u);  // created (truncated) before the lookup

    EXPECT_EQ(Extract("huge", dir_ / "huge"), Result::OutOfDiskSpace);
    EXPECT_EQ(fs::file_size(dir_ / "huge"), 0u);

    EXPECT_EQ(Extract("bad crc", dir_ / "bad"), Result::ArchiveCorrupt);
    EXPECT_EQ(ReadFile(dir_ / "bad"), ToBytes("content that arrives whole"));
    EXPECT_FALSE(IsReadOnly(dir_ / "bad"));  // attributes only after success

    EXPECT_EQ(Extract("cut", dir_ / "cut"), Result::ArchiveCorrupt);
    EXPECT_EQ(ReadFile(dir_ / "cut"), ToBytes("shorter than recorded"));
    EXPECT_FALSE(IsReadOnly(dir_ / "cut"));
}

TEST_F(ExtractTest, ReadOnlyAttributeAppliedThenBlocksOverwrite) {
    Open({EncodedEntry("ro", ToBytes("locked"), kAttributeReadOnly | kAttributeArchive),
          EncodedEntry("rw", ToBytes("free"))});
    ASSERT_EQ(Extract("ro", dir_ / "ro"), Result::Success);
    EXPECT_TRUE(IsReadOnly(dir_ / "ro"));
    EXPECT_EQ(Extract("ro", dir_ / "ro"), Result::InvalidArgument);
    EXPECT_EQ(Extract("rw", dir_ / "ro"), Result::InvalidArgument);
    EXPECT_EQ(ReadFile(dir_ / "ro"), ToBytes("locked"));
    ASSERT_EQ(Extract("rw", dir_ / "rw"), Result::Success);
    EXPECT_FALSE(IsReadOnly(dir_ / "rw"));
}

TEST_F(ExtractTest, OverwriteTruncatesAndDuplicateNamesGiveTheFirst) {
    Open({EncodedEntry("same", ToBytes("first")), EncodedEntry("same", ToBytes("second, longer"))});
    WriteFile(dir_ / "out", Bytes(100000, 'z'));
    ASSERT_EQ(Extract("same", dir_ / "out"), Result::Success);
    EXPECT_EQ(ReadFile(dir_ / "out"), ToBytes("first"));
}

TEST_F(ExtractTest, CancelBeforeTheCallIsDiscarded) {
    Open({EncodedEntry("a", SampleText(3 * kBlockSize, 4))});
    EXPECT_EQ(vexa_CancelOperation(handle_), 0u);
    EXPECT_EQ(Extract("a", dir_ / "a"), Result::Success);
}

TEST_F(ExtractTest, FailedWriteIsReportedAndNoAttributesApplied) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a device that is always full";
#else
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Open({EncodedEntry("a", SampleText(100000, 5), kAttributeReadOnly)});
    const auto before = fs::status("/dev/full").permissions();
    EXPECT_EQ(Extract("a", "/dev/full"), Result::OutOfDiskSpace);
    EXPECT_EQ(fs::status("/dev/full").permissions(), before);
#endif
}

}  // namespace
}  // namespace vexa::test
