// What create and sfx say about their output: an archive larger than its input, an output path
// that is a directory, an output that cannot be created (named as the user gave it).
#include <gtest/gtest.h>

#include <random>

#include "run_vexa.h"
#include "scratch_dir.h"

namespace vexa::cli {
namespace {

using testing::ScratchDir;

using testing::Outcome;
using testing::Vexa;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<uint8_t> Noise(size_t size) {
    std::mt19937 rng(42);
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = uint8_t(rng());
    return bytes;
}

TEST(CreateMessages, SaysWhenTheArchiveIsLargerThanItsInput) {
    ScratchDir dir;
    testing::WriteFile(dir.Path() / "noise" / "random.bin", Noise(200000));
    testing::WriteFile(dir.Path() / "tiny" / "a.txt", "a");
    testing::WriteFile(dir.Path() / "text" / "t.txt", testing::SampleContent(100000, 3));

    const Outcome noise = Vexa({"create", "-q", dir / "noise.vexa", dir / "noise"});
    ASSERT_EQ(noise.status, 0) << noise.err;
    EXPECT_TRUE(
        Contains(noise.err, "note: " + dir / "noise.vexa" +
                                " is larger than its input: 219.5 KiB from 195.3 KiB (112.4%)") &&
        Contains(noise.err, "does not compress") && Contains(noise.err, "12.5%"))
        << noise.err;

    const Outcome tiny = Vexa({"create", "-q", dir / "tiny.vexa", dir / "tiny"});
    ASSERT_EQ(tiny.status, 0) << tiny.err;
    EXPECT_TRUE(Contains(tiny.err, "is larger than its input: 174 B from 1 B") &&
                Contains(tiny.err, "record takes 144 bytes"))
        << tiny.err;

    const Outcome text = Vexa({"create", "-q", dir / "text.vexa", dir / "text"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.err, "");
}

TEST(CreateMessages, RefusesADirectoryAsOutputBeforeAnyWork) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.Path() / "out");
    const std::string missing = dir / "no-such-input";
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"create", dir / "out", missing}, ": is a directory; give the archive's file name"},
        {{"sfx", dir / "out", "--stub", missing, missing},
         ": is a directory; give the self-extractor's file name"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Vexa(c.args);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_TRUE(Contains(outcome.err, dir / "out" + c.message)) << outcome.err;
        // Neither the inputs nor the stub were looked at.
        EXPECT_FALSE(Contains(outcome.err, "no-such-input")) << outcome.err;
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path() / "out"));
    }
}

TEST(CreateMessages, NameTheOutputNotItsTemporaryFile) {
    ScratchDir dir;
    testing::WriteFile(dir.Path() / "pkg" / "a.txt", "alpha\n");
    testing::WriteFile(dir.Path() / "stub.exe", testing::FakeStub());
    const std::string archive = dir / "missing-folder/out.vexa";
    const std::string exe = dir / "missing-folder/out.exe";
    for (const Outcome& outcome :
         {Vexa({"create", "-q", archive, dir / "pkg"}),
          Vexa({"sfx", "-q", exe, "--stub", dir / "stub.exe", dir / "pkg"})}) {
        EXPECT_EQ(outcome.status, 2);
        EXPECT_TRUE(Contains(outcome.err, archive + ": cannot create: ") ||
                    Contains(outcome.err, exe + ": cannot create: "))
            << outcome.err;
        EXPECT_FALSE(Contains(outcome.err, ".tmp")) << outcome.err;
    }
}

}  // namespace
}  // namespace vexa::cli
