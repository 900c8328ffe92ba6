// Records and data past 4 GiB in the host file: file offsets, sizes and record positions stay
// 64-bit all the way to the system calls, also in a 32-bit build. The file is sparse, so the
// gigabytes in between cost no disk space.
#include <gtest/gtest.h>

#include <memory>

#include "result.h"
#include "test_support.h"
#include "vexa.h"

namespace vexa::test {
namespace {

// Writes `head`, then `tail` at `tailAt`, leaving a hole in between.
bool WriteSparseFile(const fs::path& path, const Bytes& head, uint64_t tailAt, const Bytes& tail) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
    out.seekp(std::streamoff(tailAt));
    out.write(reinterpret_cast<const char*>(tail.data()), std::streamsize(tail.size()));
    out.close();
    return out.good();
}

struct CloseStream {
    void operator()(void* handle) const { EXPECT_EQ(vexa_CloseStream(handle), 0u); }
};

TEST(LargeOffsets, EntryBeyondFourGibibytesIsFoundAndExtracted) {
    // The first entry's data is a hole of 2^32 + 4096 bytes, so the second record lies past
    // 4 GiB; a position or size cut to 32 bits would land inside the hole, 2^32 bytes early.
    RawEntry gap;
    gap.name = "gap";
    gap.blockCount = 0;
    gap.compressedSize = (uint64_t{1} << 32) + 4096;
    const Bytes head = MakeArchive({gap}, 2, 2);
    const uint64_t farRecordAt = head.size() + *gap.compressedSize;

    const Bytes content = SampleText(300000, 7);
    const Bytes farEntry = MakeArchive({EncodedEntry("far", content)}, 2, 1);
    const Bytes tail(farEntry.begin() + kHeaderSize, farEntry.end());  // record and blocks

    TempDir dir;
    ASSERT_TRUE(WriteSparseFile(dir / "archive", head, farRecordAt, tail));
    void* handle = nullptr;
    ASSERT_EQ(vexa_OpenStream(&handle, (dir / "archive").string().c_str(), VEXA_MODE_READ), 0u);
    const std::unique_ptr<void, CloseStream> stream(handle);

    VEXA_ENTRY e;
    ASSERT_EQ(vexa_EnumerateFiles(handle, &e, 1), 0u);
    EXPECT_STREQ(e.name, "far");
    uint64_t offset = 0;
    ASSERT_EQ(vexa_GetFileInfo(handle, &e, &offset, "far"), 0u);
    EXPECT_EQ(offset, farRecordAt);
    EXPECT_EQ(e.originalSize, content.size());

    ASSERT_EQ(vexa_DecompressToFile(handle, "far", (dir / "far").string().c_str(), nullptr), 0u);
    EXPECT_TRUE(ReadFile(dir / "far") == content);
}

}  // namespace
}  // namespace vexa::test
