// Decodes of different streams on different threads: each stream keeps its own prediction
// table and buffers, so neither decode disturbs the other.
#include <gtest/gtest.h>

#include <thread>

#include "decode_entry.h"
#include "test_support.h"
#include "vexa.h"

namespace vexa::test {
namespace {

struct Job {
    void* handle = nullptr;
    std::vector<std::pair<std::string, Bytes>> entries;
    int decodes = 0;
    int wrong = 0;
};

// Decodes every entry of the job's stream `rounds` times and counts the decodes that did not
// give back the exact content.
void DecodeAll(Job& job, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        for (const auto& [name, content] : job.entries) {
            Bytes got;
            const Result r =
                DecodeEntryTo(job.handle, name.c_str(), [&](const uint8_t* data, size_t count) {
                    got.insert(got.end(), data, data + count);
                    return Result::Success;
                });
            ++job.decodes;
            if (r != Result::Success || got != content) ++job.wrong;
        }
    }
}

TEST(ConcurrentDecode, TwoStreamsOnTwoThreadsGiveEveryByte) {
    TempDir dir;
    Job jobs[2];
    for (int j = 0; j < 2; ++j) {
        std::vector<RawEntry> raw;
        for (int e = 0; e < 4; ++e) {
            // Text and binary content with many matches, so that the predictions matter.
            const uint32_t seed = uint32_t(10 * j + e);
            Bytes content =
                e % 2 ? SampleBinary(200000 + 1000 * e, seed) : SampleText(200000 + 1000 * e, seed);
            const std::string name = "entry" + std::to_string(e);
            raw.push_back(EncodedEntry(name, content));
            jobs[j].entries.emplace_back(name, std::move(content));
        }
        const fs::path path = dir / ("archive" + std::to_string(j));
        WriteFile(path, MakeArchive(raw));
        ASSERT_EQ(vexa_OpenStream(&jobs[j].handle, path.string().c_str(), VEXA_MODE_READ), 0u);
    }
    constexpr int kRounds = 3;
    std::thread first(DecodeAll, std::ref(jobs[0]), kRounds);
    std::thread second(DecodeAll, std::ref(jobs[1]), kRounds);
    first.join();
    second.join();
    for (Job& job : jobs) {
        EXPECT_EQ(job.decodes, 4 * kRounds);
        EXPECT_EQ(job.wrong, 0);
        EXPECT_EQ(vexa_CloseStream(job.handle), 0u);
    }
}

}  // namespace
}  // namespace vexa::test
