// Extraction of entries to files: creation, refusal, attributes and write failures.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "result.h"
#include "test_support.h"
#include "vexa.h"

namespace vexa::test {
namespace {

bool IsReadOnly(const fs::path& path) {
    return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
}

// The names in a folder: what an extraction left there, temporary files included.
std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(folder))
        names.insert(item.path().filename().string());
    return names;
}

std::set<std::string> With(std::set<std::string> names, std::initializer_list<const char*> more) {
    names.insert(more.begin(), more.end());
    return names;
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

// Every refusal leaves the destination as it was: missing stays missing, an old file keeps its
// bytes, and no temporary file is left beside it.
TEST_F(ExtractTest, RefusalsLeaveTheDestinationAsItWas) {
    RawEntry huge = EncodedEntry("huge", ToBytes("small really"));
    huge.originalSize = uint64_t{1} << 62;  // more than any disk has free
    RawEntry badCrc = EncodedEntry("bad crc", ToBytes("content that arrives whole"),
                                   kAttributeReadOnly | kAttributeArchive);
    badCrc.crc ^= 0x80;
    // The CRC matches, but the record promises one byte more than the blocks hold.
    RawEntry cut = EncodedEntry("cut", ToBytes("shorter than recorded"), kAttributeReadOnly);
    cut.originalSize += 1;
    // Damaged data in the middle of three blocks: the blocks before it were written.
    RawEntry damaged = EncodedEntry("damaged", SampleText(3 * kBlockSize, 6));
    damaged.blocks.at(0)[damaged.blocks[0].size() / 2] ^= 0x5A;
    Open({EncodedEntry("a", ToBytes("alpha")), huge, badCrc, cut, damaged});
    const std::set<std::string> before = Names(dir_.path());

    EXPECT_EQ(Extract(std::string(101, 'a'), dir_ / "long"), Result::InvalidArgument);
    EXPECT_EQ(Extract("a", dir_ / "no such dir" / "a"), Result::InvalidArgument);
    EXPECT_EQ(Extract("missing", dir_ / "new"), Result::NotFound);
    EXPECT_EQ(Names(dir_.path()), before);

    const Bytes old = ToBytes("old content, kept through every failure");
    struct Failure {
        const char* name;
        Result result;
    };
    for (const Failure& failure :
         {Failure{"missing", Result::NotFound}, Failure{"huge", Result::OutOfDiskSpace},
          Failure{"bad crc", Result::ArchiveCorrupt}, Failure{"cut", Result::ArchiveCorrupt},
          Failure{"damaged", Result::ArchiveCorrupt}}) {
        SCOPED_TRACE(failure.name);
        const fs::path fresh = dir_ / (std::string("fresh ") + failure.name);
        EXPECT_EQ(Extract(failure.name, fresh), failure.result);
        EXPECT_FALSE(fs::exists(fresh));
        WriteFile(dir_ / "old", old);
        EXPECT_EQ(Extract(failure.name, dir_ / "old"), failure.result);
        EXPECT_EQ(ReadFile(dir_ / "old"), old);
        EXPECT_FALSE(IsReadOnly(dir_ / "old"));
        EXPECT_EQ(Names(dir_.path()), With(before, {"old"}));
    }
}

TEST_F(ExtractTest, CancelledExtractionLeavesTheOldFile) {
    Open({EncodedEntry("a", SampleText(3 * kBlockSize, 7))});
    const Bytes old = ToBytes("the file before");
    WriteFile(dir_ / "a", old);
    // The progress routine cancels its own stream before the second block.
    static void* cancelled;
    cancelled = handle_;
    const auto cancelAtOnce = [](int) { (void)vexa_CancelOperation(cancelled); };
    EXPECT_EQ(
        Result(vexa_DecompressToFile(handle_, "a", (dir_ / "a").string().c_str(), cancelAtOnce)),
        Result::InvalidArgument);
    EXPECT_EQ(ReadFile(dir_ / "a"), old);
    EXPECT_EQ(Names(dir_.path()), (std::set<std::string>{"a", "archive"}));
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

TEST_F(ExtractTest, DirectoryInTheWayIsLeftAndNothingStays) {
    Open({EncodedEntry("a", ToBytes("alpha"), kAttributeReadOnly)});
    fs::create_directory(dir_ / "taken");
    WriteFile(dir_ / "taken" / "inside", ToBytes("kept"));
    EXPECT_NE(Extract("a", dir_ / "taken"), Result::Success);
    EXPECT_EQ(ReadFile(dir_ / "taken" / "inside"), ToBytes("kept"));
    EXPECT_EQ(Names(dir_.path()), (std::set<std::string>{"archive", "taken"}));
}

}  // namespace
}  // namespace vexa::test
