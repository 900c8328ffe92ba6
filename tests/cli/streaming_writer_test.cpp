// The block-by-block writer must produce exactly the archive the writer library builds in
// memory, whatever the thread count and wherever the archive starts in its file.
#include "streaming_writer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "scratch_dir.h"
#include "writer.h"

namespace vexa::cli {
namespace {

using testing::ScratchDir;

struct Input {
    std::string name;
    std::vector<uint8_t> content;
    uint32_t attributes;
    uint64_t time;
};

std::vector<uint8_t> Expected(const std::vector<Input>& inputs) {
    std::vector<pack::EncodedEntry> entries;
    for (const Input& input : inputs)
        entries.push_back(
            pack::EncodeEntry({input.name, input.attributes, input.time}, input.content));
    return pack::BuildArchive(entries);
}

std::vector<uint8_t> Streamed(const ScratchDir& dir, const std::vector<Input>& inputs,
                              unsigned threads, const std::vector<uint8_t>& prefix) {
    std::vector<InputFile> files;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const std::string path = dir / ("input" + std::to_string(i));
        testing::WriteFile(path, inputs[i].content);
        fs::Metadata meta;
        meta.kind = fs::Kind::File;
        meta.size = inputs[i].content.size();
        meta.attributes = inputs[i].attributes;
        meta.modificationTime = inputs[i].time;
        files.push_back({path, inputs[i].name, meta});
    }
    const std::string out = dir / ("out" + std::to_string(threads));
    {
        auto file = platform::File::Open(out.c_str(), platform::File::Access::CreateTruncate);
        EXPECT_EQ(file.Write(prefix.data(), prefix.size()).written, prefix.size());
        std::ostringstream messages;
        Progress progress(messages, ProgressStyle::Quiet, 0, "adding");
        StreamingWriter writer(file, threads);
        EXPECT_EQ(writer.Begin(), "");
        for (const InputFile& input : files) EXPECT_EQ(writer.AddFile(input, progress), "");
        EXPECT_EQ(writer.Finish(), "");
        EXPECT_EQ(writer.EntryCount(), inputs.size());
    }
    auto bytes = testing::ReadFile(out);
    EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), bytes.begin()));
    bytes.erase(bytes.begin(), bytes.begin() + long(prefix.size()));
    return bytes;
}

TEST(StreamingWriter, MatchesTheInMemoryArchiveForAnyThreadCount) {
    const std::vector<Input> inputs = {
        {"empty.txt", {}, 0x20, 1},
        {"dir\\two-blocks.bin", testing::SampleContent(kBlockSize + 1000, 1), 0x21, 2},
        {"dir\\small.txt", testing::SampleContent(300, 2), 0x20, 3},
        {"exact-block.bin", testing::SampleContent(kBlockSize, 3), 0x27, 4},
    };
    const auto expected = Expected(inputs);
    ScratchDir dir;
    EXPECT_EQ(Streamed(dir, inputs, 1, {}), expected);
    EXPECT_EQ(Streamed(dir, inputs, 3, std::vector<uint8_t>(100, 0x90)), expected);
}

TEST(StreamingWriter, ReportsAnInputThatCannotBeRead) {
    ScratchDir dir;
    auto file = platform::File::Open((dir / "out").c_str(), platform::File::Access::CreateTruncate);
    std::ostringstream messages;
    Progress progress(messages, ProgressStyle::Quiet, 0, "adding");
    StreamingWriter writer(file, 2);
    ASSERT_EQ(writer.Begin(), "");
    const std::string missing = dir / "gone.txt";
    EXPECT_EQ(writer.AddFile({missing, "gone.txt", {}}, progress),
              missing + ": cannot open for reading");
}

}  // namespace
}  // namespace vexa::cli
