// The block-by-block writer must produce exactly the archive the writer library builds in
// memory, whatever the thread count, the number of entries and wherever the archive starts.
#include "streaming_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "../archive/test_support.h"
#include "encoder_pool.h"

namespace vexa::test {
namespace {

struct Input {
    std::string name;
    Bytes content;
    uint32_t attributes = kAttributeArchive;
    uint64_t time = 0;
};

Bytes InMemory(const std::vector<Input>& inputs) {
    std::vector<pack::EncodedEntry> entries;
    for (const Input& input : inputs)
        entries.push_back(
            pack::EncodeEntry({input.name, input.attributes, input.time}, input.content));
    return pack::BuildArchive(entries);
}

platform::File OpenForReading(const fs::path& path) {
    return platform::File::Open(path.string().c_str(), platform::File::Access::Read);
}

Bytes Streamed(const TempDir& dir, const std::vector<Input>& inputs, unsigned threads,
               const Bytes& prefix) {
    const fs::path out = dir / ("out" + std::to_string(threads));
    {
        auto file =
            platform::File::Open(out.string().c_str(), platform::File::Access::CreateTruncate);
        EXPECT_EQ(file.Write(prefix.data(), prefix.size()).written, prefix.size());
        pack::StreamingWriter writer(file, threads);
        EXPECT_TRUE(writer.Begin().Ok());
        for (size_t i = 0; i < inputs.size(); ++i) {
            const fs::path path = dir / ("input" + std::to_string(i));
            WriteFile(path, inputs[i].content);
            auto in = OpenForReading(path);
            uint64_t reported = 0;
            const auto status =
                writer.AddEntry({inputs[i].name, inputs[i].attributes, inputs[i].time}, in,
                                [&](uint64_t bytes) { reported = bytes; });
            EXPECT_EQ(status.error, "");
            EXPECT_EQ(reported, inputs[i].content.size());
        }
        EXPECT_EQ(writer.Finish().error, "");
        EXPECT_EQ(writer.EntryCount(), inputs.size());
    }
    auto bytes = ReadFile(out);
    EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), bytes.begin()));
    bytes.erase(bytes.begin(), bytes.begin() + long(prefix.size()));
    return bytes;
}

TEST(StreamingWriter, MatchesTheInMemoryArchiveForAnyThreadCount) {
    const std::vector<Input> inputs = {
        {"empty.txt", {}, 0x20, 1},
        {"dir\\two-blocks.bin", SampleBinary(kBlockSize + 1000, 1), 0x21, 2},
        {"dir\\small.txt", SampleText(300, 2), 0x20, 3},
        {"exact-block.bin", SampleBinary(kBlockSize, 3), 0x27, 4},
        {"three-blocks.txt", SampleText(2 * kBlockSize + 5, 4), 0x20, 5},
    };
    const auto expected = InMemory(inputs);
    TempDir dir;
    EXPECT_EQ(Streamed(dir, inputs, 1, {}), expected);
    EXPECT_EQ(Streamed(dir, inputs, 3, Bytes(100, 0x90)), expected);
}

// Far more entries than block buffers: every buffer is reused many times, shorter content
// after longer, with empty entries between blocks still being encoded.
TEST(StreamingWriter, ManySmallEntriesReuseTheBuffersExactly) {
    std::vector<Input> inputs;
    for (uint32_t i = 0; i < 200; ++i) {
        const size_t size = i % 7 == 0 ? 0 : (i * 7919) % 5000 + (i % 13 == 0 ? 70000 : 1);
        inputs.push_back({"f\\" + std::to_string(i), SampleText(size, i), 0x20, i});
    }
    const auto expected = InMemory(inputs);
    TempDir dir;
    for (unsigned threads : {1u, 2u, 4u}) {
        SCOPED_TRACE(threads);
        EXPECT_EQ(Streamed(dir, inputs, threads, {}), expected);
    }
}

TEST(StreamingWriter, ANameThatDoesNotFitIsTheEntrysFault) {
    TempDir dir;
    WriteFile(dir / "in", ToBytes("content"));
    auto out = platform::File::Open((dir / "out").string().c_str(),
                                    platform::File::Access::CreateTruncate);
    pack::StreamingWriter writer(out, 2);
    ASSERT_TRUE(writer.Begin().Ok());
    for (const std::string& name : {std::string(100, 'n'), std::string()}) {
        auto in = OpenForReading(dir / "in");
        const auto status = writer.AddEntry({name, 0x20, 0}, in);
        EXPECT_TRUE(status.inInput);
        EXPECT_NE(status.error.find("entry name must have 1 to 99 bytes"), std::string::npos);
    }
}

#ifdef __linux__
// A file whose reads do not match its size (proc files say 0 bytes) is not stored as if whole.
TEST(StreamingWriter, ContentThatDisagreesWithTheSizeIsAReadError) {
    TempDir dir;
    auto out = platform::File::Open((dir / "out").string().c_str(),
                                    platform::File::Access::CreateTruncate);
    pack::StreamingWriter writer(out, 2);
    ASSERT_TRUE(writer.Begin().Ok());
    auto in = OpenForReading("/proc/self/status");
    ASSERT_TRUE(in.IsOpen());
    const auto status = writer.AddEntry({"status", 0x20, 0}, in);
    EXPECT_EQ(status.error, "read error");
    EXPECT_TRUE(status.inInput);
}
#endif

TEST(EncoderPool, WaitGivesEachJobItsOwnBlockAndRethrowsItsFailure) {
    const Bytes good = SampleText(50000, 9);
    const Bytes tooLarge(kBlockSize + 1, 0);
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        pack::EncoderPool pool(threads);
        std::vector<pack::EncoderPool::Job> jobs(6);
        for (size_t i = 0; i < jobs.size(); ++i) {
            jobs[i].plain = i == 4 ? std::span<const uint8_t>(tooLarge)
                                   : std::span<const uint8_t>(good).first(1000 * (i + 1));
            pool.Submit(jobs[i]);
        }
        for (size_t i = 0; i < jobs.size(); ++i) {
            if (i == 4) {
                EXPECT_THROW(pool.Wait(jobs[i]), std::invalid_argument);
                continue;
            }
            pool.Wait(jobs[i]);
            EXPECT_TRUE(pool.IsDone(jobs[i]));
            EXPECT_EQ(jobs[i].encoded, pack::EncodeBlock(jobs[i].plain));
        }
    }
}

}  // namespace
}  // namespace vexa::test
