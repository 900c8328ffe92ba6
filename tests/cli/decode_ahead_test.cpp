// Small entries decoded ahead on a second thread, large ones by the writer: the files and the
// messages are those of a decode in turn, whatever mix of sizes, damage and skips the archive
// holds.
#include <gtest/gtest.h>

#include "format.h"
#include "run_vexa.h"
#include "scratch_dir.h"
#include "writer.h"

namespace vexa::cli {
namespace {

using testing::ReadFile;
using testing::SampleContent;
using testing::ScratchDir;
using testing::WriteFile;

struct Planned {
    std::string name;
    std::vector<uint8_t> content;
    void (*damage)(VEXA_ENTRY&) = nullptr;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(DecodeAhead, FilesAndMessagesAreThoseOfADecodeInTurn) {
    std::vector<Planned> planned;
    // More small content than is held ahead, so that the decoding thread waits for the writer.
    for (int i = 0; i < 1500; ++i)
        planned.push_back({"small\\f" + std::to_string(i), SampleContent(1500 + i % 700, i)});
    planned.push_back({"big.bin", SampleContent(700 * 1024, 7)});
    planned.push_back({"short.txt", SampleContent(2000, 8),
                       [](VEXA_ENTRY& e) { e.originalSize = 1000; }});  // more content than said
    planned.push_back(
        {"long.txt", SampleContent(1000, 9), [](VEXA_ENTRY& e) { e.originalSize = 3000; }});
    planned.push_back({"crc.txt", SampleContent(900, 10), [](VEXA_ENTRY& e) { e.crc ^= 4; }});
    planned.push_back({"kept.bin", SampleContent(400 * 1024, 11)});  // exists: passed over
    planned.push_back({"kept.txt", SampleContent(100, 12)});
    planned.push_back({"after\\big.bin", SampleContent(300 * 1024, 13)});
    planned.push_back({"after\\small.txt", SampleContent(50, 14)});

    ScratchDir dir;
    std::vector<pack::EncodedEntry> encoded;
    for (const Planned& p : planned) {
        encoded.push_back(pack::EncodeEntry({p.name, kAttributeArchive, 0}, p.content));
        if (p.damage) p.damage(encoded.back().record);
    }
    const std::string archive = dir / "a.vexa";
    WriteFile(archive, pack::BuildArchive(encoded));
    const std::filesystem::path out = dir.Path() / "out";
    WriteFile(out / "kept.bin", "old");
    WriteFile(out / "kept.txt", "old");

    const testing::Outcome run = testing::Vexa({"extract", archive, "-o", out.string()});
    EXPECT_EQ(run.status, 1);
    for (const std::string& message : {
             std::string("short.txt: decoded 2000 bytes, but the record says 1000"),
             std::string("long.txt: decoded 1000 bytes, but the record says 3000"),
             std::string("crc.txt: CRC mismatch"),
             std::string("kept.bin: skipped, file exists"),
             std::string("kept.txt: skipped, file exists"),
             "Extracted " + std::to_string(planned.size() - 5) + " files to " + out.string() +
                 ", 2 skipped, 3 failed",
         })
        EXPECT_TRUE(Contains(run.err, message)) << message << "\n" << run.err.substr(0, 2000);
    for (const Planned& p : planned) {
        std::string path = p.name;
        for (char& c : path)
            if (c == '\\') c = '/';
        if (p.damage) {
            EXPECT_FALSE(std::filesystem::exists(out / path)) << path;
        } else if (path.rfind("kept", 0) == 0) {
            EXPECT_EQ(ReadFile(out / path), std::vector<uint8_t>({'o', 'l', 'd'})) << path;
        } else {
            EXPECT_EQ(ReadFile(out / path), p.content) << path;
        }
    }
}

}  // namespace
}  // namespace vexa::cli
