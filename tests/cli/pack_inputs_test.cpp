// Packing the gathered inputs: the files are opened here, the writer only reads them.
#include "pack_inputs.h"

#include <gtest/gtest.h>

#include <sstream>

#include "scratch_dir.h"
#include "writer.h"

namespace vexa::cli {
namespace {

using testing::ScratchDir;

InputFile Input(const std::string& path, const std::string& name, uint64_t size) {
    fs::Metadata meta;
    meta.kind = fs::Kind::File;
    meta.size = size;
    meta.attributes = kAttributeArchive;
    meta.modificationTime = 7;
    return {path, name, meta};
}

struct Packed {
    PackSummary summary;
    std::vector<uint8_t> bytes;
};

Packed Pack(const ScratchDir& dir, const std::vector<InputFile>& files) {
    std::ostringstream out, err;
    Console console{out, err, false, ""};
    Packed packed;
    const std::string archive = dir / "out.vexa";
    {
        auto file = platform::File::Open(archive.c_str(), platform::File::Access::CreateTruncate);
        packed.summary = PackInputs(file, files, 2, ProgressStyle::Quiet, console);
    }
    packed.bytes = testing::ReadFile(archive);
    return packed;
}

TEST(PackInputs, StoresEachFileUnderItsEntryName) {
    ScratchDir dir;
    const auto a = testing::SampleContent(5000, 1);
    const auto b = testing::SampleContent(0, 2);
    testing::WriteFile(dir / "a", a);
    testing::WriteFile(dir / "b", b);
    const Packed packed =
        Pack(dir, {Input(dir / "a", "x\\a.bin", a.size()), Input(dir / "b", "b", 0)});
    ASSERT_EQ(packed.summary.error, "");
    EXPECT_EQ(packed.summary.entries, 2u);
    EXPECT_EQ(packed.summary.originalBytes, a.size());
    EXPECT_EQ(packed.bytes,
              pack::BuildArchive({pack::EncodeEntry({"x\\a.bin", kAttributeArchive, 7}, a),
                                  pack::EncodeEntry({"b", kAttributeArchive, 7}, b)}));
    EXPECT_EQ(packed.summary.packedBytes, packed.bytes.size() - kHeaderSize - 2 * kRecordSize);
}

TEST(PackInputs, NamesAnInputThatCannotBeOpened) {
    ScratchDir dir;
    const std::string missing = dir / "gone.txt";
    const Packed packed = Pack(dir, {Input(missing, "gone.txt", 3)});
    EXPECT_EQ(packed.summary.error, missing + ": cannot open for reading");
}

}  // namespace
}  // namespace vexa::cli
