// Entry decoding through a sink: block hand-over order, progress, cancel, CRC verdict.
#include "decode_entry.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "vexa.h"

namespace vexa::test {
namespace {

// Progress callbacks are plain function pointers, so what they see is kept here.
std::vector<int> g_progress;
void* g_cancelTarget = nullptr;
int g_cancelAt = -1;  // progress value at which to request a cancel
void Record(int percent) {
    g_progress.push_back(percent);
    if (percent == g_cancelAt) vexa_CancelOperation(g_cancelTarget);
}

class DecodeEntryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_progress.clear();
        g_cancelAt = -1;
    }
    void TearDown() override {
        if (handle_) {
            EXPECT_EQ(vexa_CloseStream(handle_), 0u);
        }
    }
    void Open(const Bytes& archive) {
        WriteFile(dir_ / "a", archive);
        ASSERT_EQ(vexa_OpenStream(&handle_, (dir_ / "a").string().c_str(), VEXA_MODE_READ), 0u);
        g_cancelTarget = handle_;
    }
    // Decodes `name`, collecting the plain content and the size of each hand-over.
    Result Decode(const char* name) {
        content_.clear();
        handovers_.clear();
        return DecodeEntryTo(
            handle_, name,
            [&](const uint8_t* data, size_t count) {
                content_.insert(content_.end(), data, data + count);
                handovers_.push_back(count);
                return Result::Success;
            },
            Record);
    }

    TempDir dir_;
    void* handle_ = nullptr;
    Bytes content_;
    std::vector<size_t> handovers_;
};

// An entry of `blocks` crafted blocks, block i decoding to "blk" + the letter 'a' + i.
RawEntry Blocks(const std::string& name, int blocks, Bytes* plain = nullptr) {
    RawEntry e;
    e.name = name;
    Bytes stored;
    for (int i = 0; i < blocks; ++i) {
        const std::string text = "blk" + std::string(1, char('a' + i % 26));
        e.blocks.push_back(TokenBlock(8).Literals(text).Block());
        stored.insert(stored.end(), text.begin(), text.end());
    }
    const Bytes content = Scrambled(stored);
    e.crc = Crc32(content.data(), content.size());
    e.originalSize = content.size();
    if (plain) *plain = content;
    return e;
}

TEST_F(DecodeEntryTest, ProgressBeforeEachBlockAndHundredAtTheEnd) {
    Open(MakeArchive(
        {Blocks("one", 1), Blocks("four", 4), Blocks("hundred", 100), Blocks("none", 0)}));
    struct Row {
        const char* name;
        std::vector<int> progress;
    };
    const Row rows[] = {{"one", {0, 100}}, {"four", {0, 25, 50, 75, 100}}, {"none", {100}}};
    for (const Row& r : rows) {
        g_progress.clear();
        ASSERT_EQ(Decode(r.name), Result::Success) << r.name;
        EXPECT_EQ(g_progress, r.progress) << r.name;
    }
    g_progress.clear();
    ASSERT_EQ(Decode("hundred"), Result::Success);
    ASSERT_EQ(g_progress.size(), 101u);
    EXPECT_EQ(g_progress[29], 28);  // (29 / 100) * 100 in double precision, truncated
    EXPECT_EQ(handovers_, std::vector<size_t>(100, 4));
}

TEST_F(DecodeEntryTest, ContentAndVerdicts) {
    Bytes plain;
    RawEntry good = Blocks("good", 3, &plain);
    RawEntry badCrc = Blocks("bad crc", 3);
    badCrc.crc ^= 1;
    RawEntry emptyWithCrc = Blocks("empty with crc", 0);
    emptyWithCrc.crc = 5;
    RawEntry sizeAbove = Blocks("size above content", 2);
    sizeAbove.originalSize = 12345;
    RawEntry sizeBelow = Blocks("size below content", 2);
    sizeBelow.originalSize = 7;
    RawEntry emptyWithSize = Blocks("empty with size", 0);
    emptyWithSize.originalSize = 1;
    RawEntry shortData = Blocks("block missing", 2);
    shortData.blockCount = 3;  // claims one more block than the file holds
    RawEntry earlyMatch = Blocks("early match", 1);
    earlyMatch.blocks.push_back(TokenBlock(8).Literals("ab").Match(1).Block());
    RawEntry zeroBits = Blocks("zero-bit block", 1);
    zeroBits.blocks.push_back(Bytes{1, 0, 0, 0});
    RawEntry lowBits = Blocks("low bits vary", 0);
    for (uint32_t low : {0u, 1u, 7u})
        lowBits.blocks.push_back(TokenBlock(8).Literals("xy").Block(std::nullopt, low));
    const Bytes lowPlain = Scrambled(ToBytes("xyxyxy"));
    lowBits.crc = Crc32(lowPlain.data(), lowPlain.size());
    lowBits.originalSize = lowPlain.size();
    Open(MakeArchive({good, badCrc, emptyWithCrc, sizeAbove, sizeBelow, emptyWithSize, shortData,
                      earlyMatch, zeroBits, lowBits}));

    struct Row {
        const char* name;
        Result result;
        size_t handedOver;  // bytes handed to the sink before the verdict
    };
    const Row rows[] = {
        {"good", Result::Success, 12},
        {"bad crc", Result::ArchiveCorrupt, 12},  // everything handed over, then the verdict
        {"empty with crc", Result::ArchiveCorrupt, 0},
        // The CRC matches, but content of another length than the record's is not the file.
        {"size above content", Result::ArchiveCorrupt, 8},
        {"size below content", Result::ArchiveCorrupt, 8},
        {"empty with size", Result::ArchiveCorrupt, 0},
        {"block missing", Result::ArchiveCorrupt, 8},
        {"early match", Result::ArchiveCorrupt, 4},
        {"zero-bit block", Result::ArchiveCorrupt, 4},
        {"low bits vary", Result::Success, 6},
        {"not there", Result::NotFound, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Decode(r.name), r.result) << r.name;
        EXPECT_EQ(content_.size(), r.handedOver) << r.name;
    }
    ASSERT_EQ(Decode("good"), Result::Success);
    EXPECT_EQ(content_, plain);
    EXPECT_EQ(Decode(std::string(101, 'x').c_str()), Result::NotFound);
}

TEST_F(DecodeEntryTest, CancelDuringSecondBlockStopsBeforeThirdPayload) {
    RawEntry e = Blocks("four", 4);
    Open(MakeArchive({e}));
    g_cancelAt = 50;  // reported after the third block's header was read
    EXPECT_EQ(Decode("four"), Result::InvalidArgument);
    EXPECT_EQ(g_progress, (std::vector<int>{0, 25, 50}));
    EXPECT_EQ(handovers_, (std::vector<size_t>{4, 4}));  // the second block still arrives
}

TEST_F(DecodeEntryTest, CancelDuringLastBlockLetsTheEntryFinish) {
    Open(MakeArchive({Blocks("two", 2), Blocks("next", 2)}));
    g_cancelAt = 100;
    EXPECT_EQ(Decode("two"), Result::Success);
    // The request stays pending: a decode without a reset sees it at its first poll.
    g_cancelAt = -1;
    EXPECT_EQ(Decode("next"), Result::InvalidArgument);
    EXPECT_TRUE(handovers_.empty());
    EXPECT_EQ(Decode("next"), Result::Success);  // the poll consumed it
}

TEST_F(DecodeEntryTest, EntryOfFourGibibytesKeepsOneCrcRun) {
    // 1,025 blocks of 4 MiB of zero bytes: more than 2^32 bytes in all. A 32-bit byte count
    // would restart the CRC part-way and reject the entry.
    constexpr uint64_t kBlocks = 1025;
    const Bytes block = pack::EncodeBlock(Bytes(kBlockSize, 0));
    RawEntry e;
    e.name = "huge";
    e.blocks.assign(kBlocks, block);
    e.originalSize = kBlocks * kBlockSize;
    // CRC-32 of 1,025 x 4 MiB zero bytes, as zlib computes it (a restart at 2^32 bytes would
    // give 0x1147406A, the CRC of the last block alone).
    e.crc = 0x7F74208Bu;
    Open(MakeArchive({e}));
    uint64_t total = 0;
    const Result r = DecodeEntryTo(handle_, "huge", [&](const uint8_t*, size_t count) {
        total += count;
        return Result::Success;
    });
    EXPECT_EQ(r, Result::Success);
    EXPECT_EQ(total, kBlocks * kBlockSize);
}

TEST(Crc, StandardCheckValueAndFoldedMask) {
    const Bytes check = ToBytes("123456789");
    EXPECT_EQ(Crc32(check.data(), check.size()), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    // Folding the mask into the update gives the CRC of the plain bytes from the stored ones,
    // across the word loop and the byte tail alike.
    for (size_t size : {1, 7, 8, 13, 64, 1000}) {
        const Bytes plain = SampleBinary(size, 9);
        const Bytes stored = Scrambled(plain);
        CrcAccumulator folded;
        folded.Update(stored.data(), size / 2, kScrambleMask);
        folded.Update(stored.data() + size / 2, size - size / 2, kScrambleMask);
        EXPECT_EQ(folded.Value(), Crc32(plain.data(), plain.size())) << size;
    }
}

TEST(Crc, TableIsTheBitReflectedPolynomial) {
    auto reflect = [](uint32_t v, int bits) {
        uint32_t r = 0;
        for (int i = 0; i < bits; ++i) r |= ((v >> i) & 1u) << (bits - 1 - i);
        return r;
    };
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = reflect(i, 8) << 24;
        for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
        EXPECT_EQ(crc_detail::kTables[0][i], reflect(c, 32)) << i;
    }
}

}  // namespace
}  // namespace vexa::test
