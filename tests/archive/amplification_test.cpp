// Hostile archives cost no more than honest ones: whatever the headers claim, what a decode
// reads, allocates and produces stays within a small multiple of the archive's size and its
// real output. Work is counted, not timed.
#include <gtest/gtest.h>

#include <map>

#include "decode_entry.h"
#include "test_support.h"
#include "vexa.h"

namespace vexa::test {
namespace {

// Buffers a stream allocates once, whatever the number of entries it decodes.
constexpr uint64_t kOnceAllocated = sizeof(PredictionTable) + kOutputBufferSize + kReadAheadSize;

// A block header claiming `bits` payload bits, followed by only `present` payload bytes.
Bytes LyingBlock(uint64_t bits, size_t present) {
    Bytes block(4 + present, 0x5A);
    StoreLE32(block.data(), uint32_t(bits << 3) | 1);
    block[4] = 8;  // a literal width, should the payload ever be decoded
    return block;
}

RawEntry Lying(const std::string& name, std::vector<Bytes> blocks) {
    RawEntry e;
    e.name = name;
    e.blocks = std::move(blocks);
    e.originalSize = uint64_t{1} << 26;
    return e;
}

struct Case {
    const char* what;
    Bytes archive;
    Result expected;  // of every entry's decode
};

// prefix + i, built by appending: GCC 12's restrict check misreads "e" + std::to_string(i) on
// 64-bit MinGW.
std::string Numbered(const char* prefix, int i) {
    std::string text = prefix;
    text += std::to_string(i);
    return text;
}

std::vector<Case> HostileArchives() {
    std::vector<Case> cases;
    {
        // Every entry's one block claims the largest payload (64 MiB) and holds one byte.
        std::vector<RawEntry> entries;
        for (int i = 0; i < 1000; ++i)
            entries.push_back(Lying(Numbered("e", i), {LyingBlock(kMaxPayloadBits, 1)}));
        cases.push_back({"1,000 entries claiming 64 MiB payloads", MakeArchive(entries),
                         Result::ArchiveCorrupt});
    }
    {
        // The payloads fit the file but not their entries: each would run into the records and
        // data of the entries after it.
        std::vector<RawEntry> entries;
        for (int i = 0; i < 300; ++i)
            entries.push_back(Lying(Numbered("e", i), {LyingBlock(8 * 30000, 10)}));
        cases.push_back(
            {"payloads past their entry's data", MakeArchive(entries), Result::ArchiveCorrupt});
    }
    {
        // A compressed size that reaches past the end of the file, with a payload to match.
        RawEntry e = Lying("e", {LyingBlock(kMaxPayloadBits, 3)});
        e.compressedSize = uint64_t{1} << 62;
        cases.push_back(
            {"compressed size past the file's end", MakeArchive({e}), Result::ArchiveCorrupt});
    }
    {
        // A block count of 2^40 over blocks without tokens: the count is never trusted beyond
        // the bytes that are there.
        std::vector<Bytes> blocks(2000, Bytes{4 << 3, 0, 0, 0, 8});
        RawEntry e = Lying("endless", blocks);
        e.blockCount = uint64_t{1} << 40;
        cases.push_back(
            {"2^40 blocks claimed, 2,000 present", MakeArchive({e, e}), Result::ArchiveCorrupt});
    }
    {
        // Honest blocks that expand most: runs of one byte, 4 MiB of output per block.
        std::vector<RawEntry> entries;
        for (int i = 0; i < 3; ++i)
            entries.push_back(EncodedEntry("run" + std::to_string(i), Bytes(3 * kBlockSize, 'a')));
        cases.push_back({"honest runs of one byte", MakeArchive(entries), Result::Success});
    }
    return cases;
}

TEST(Amplification, WorkStaysWithinTheArchiveAndItsOutput) {
    TempDir dir;
    for (const Case& c : HostileArchives()) {
        SCOPED_TRACE(c.what);
        WriteFile(dir / "a", c.archive);
        void* handle = nullptr;
        ASSERT_EQ(vexa_OpenStream(&handle, (dir / "a").string().c_str(), VEXA_MODE_READ), 0u);
        std::map<Result, int> results;
        uint64_t handedOver = 0;
        const uint64_t count = vexa_GetNumFiles(handle);
        for (uint64_t i = 0; i < count; ++i) {
            VEXA_ENTRY entry;
            ASSERT_EQ(vexa_EnumerateFiles(handle, &entry, i), 0u);
            ++results[DecodeEntryTo(handle, entry.name, [&](const uint8_t*, size_t n) {
                handedOver += n;
                return Result::Success;
            })];
        }
        EXPECT_EQ(results, (std::map<Result, int>{{c.expected, int(count)}}));

        const DecodeWork work = WorkOf(handle);
        const uint64_t size = c.archive.size();
        EXPECT_EQ(work.bytesProduced, handedOver);
        // The search reads the file once, enumeration and lookup each read every record once,
        // and the decodes read each entry's data once.
        EXPECT_LE(work.archiveBytesRead, 3 * size);
        EXPECT_LE(work.bytesAllocated, kOnceAllocated + 2 * (size + work.bytesProduced));
        EXPECT_EQ(vexa_CloseStream(handle), 0u);
    }
}

TEST(Amplification, ManySmallEntriesAllocateOnce) {
    TempDir dir;
    std::vector<RawEntry> entries;
    for (int i = 0; i < 2000; ++i)
        entries.push_back(EncodedEntry(Numbered("f", i), ToBytes(Numbered("small ", i))));
    WriteFile(dir / "a", MakeArchive(entries));
    void* handle = nullptr;
    ASSERT_EQ(vexa_OpenStream(&handle, (dir / "a").string().c_str(), VEXA_MODE_READ), 0u);
    for (const RawEntry& e : entries)
        ASSERT_EQ(DecodeEntryTo(handle, e.name.c_str(),
                                [](const uint8_t*, size_t) { return Result::Success; }),
                  Result::Success);
    // One table, one output buffer, one read-ahead buffer and one small payload buffer.
    EXPECT_LE(WorkOf(handle).bytesAllocated, kOnceAllocated + 4096 + kPayloadSlack);
    EXPECT_EQ(vexa_CloseStream(handle), 0u);
}

}  // namespace
}  // namespace vexa::test
