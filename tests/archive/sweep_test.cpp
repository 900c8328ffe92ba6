// Sweeps over one small valid archive: cut at every byte offset, every bit of its header,
// records and block headers flipped, and a sample of payload bits flipped. Every operation ends
// with a defined result, nothing is written outside the destination folder, and the results
// are tabulated per region of the archive and held to the set each region may give.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "decode_entry.h"
#include "result.h"
#include "test_support.h"
#include "vexa.h"

namespace vexa::test {
namespace {

const char* Name(Result r) {
    return ResultMessage(int(r));
}

// The archive behind a host prefix, and where each of its parts lies.
struct Layout {
    Bytes file;
    std::vector<std::string> names;
    uint64_t headerStart = 0;
    std::vector<uint64_t> recordStart, dataStart, dataEnd;
    std::vector<std::vector<uint64_t>> blockHeaders;  // per entry
};

Layout ThreeEntries() {
    Layout l;
    const Bytes host = ToBytes("MZ host image before the archive");
    struct Content {
        std::string name;
        std::vector<Bytes> parts;  // one block each
    };
    const std::vector<Content> contents = {
        {"a.txt", {ToBytes("alpha alpha alpha beta alpha")}},
        {"sub\\multi.bin",
         {ToBytes("first block first block"), ToBytes("second, second"), SampleBinary(40, 3)}},
        {"c", {ToBytes("gamma")}},
    };
    std::vector<RawEntry> entries;
    for (const Content& c : contents) {
        RawEntry e;
        e.name = c.name;
        Bytes plain;
        for (const Bytes& part : c.parts) {
            e.blocks.push_back(pack::EncodeBlock(part));
            plain.insert(plain.end(), part.begin(), part.end());
        }
        e.crc = Crc32(plain.data(), plain.size());
        e.originalSize = plain.size();
        entries.push_back(e);
        l.names.push_back(c.name);
    }
    l.file = Concat(host, MakeArchive(entries));
    l.headerStart = host.size();
    uint64_t at = l.headerStart + kHeaderSize;
    for (const RawEntry& e : entries) {
        l.recordStart.push_back(at);
        at += kRecordSize;
        l.dataStart.push_back(at);
        l.blockHeaders.emplace_back();
        for (const Bytes& b : e.blocks) {
            l.blockHeaders.back().push_back(at);
            at += b.size();
        }
        l.dataEnd.push_back(at);
    }
    EXPECT_EQ(at, l.file.size());
    return l;
}

// What happened to one damaged copy: the result of each operation, by entry where it applies.
struct Outcome {
    Result open;
    std::vector<Result> enumerate, lookup, decode, extract;
};

class Sweep {
  public:
    explicit Sweep(const Layout& layout) : layout_(layout) {
        fs::create_directories(out_);
        fs::create_directories(outside_);
    }

    Outcome Run(const Bytes& file) {
        WriteFile(archive_, file);
        Outcome o;
        void* handle = nullptr;
        o.open = Result(vexa_OpenStream(&handle, archive_.string().c_str(), VEXA_MODE_READ));
        if (o.open != Result::Success) return o;
        const uint64_t count = vexa_GetNumFiles(handle);
        for (uint64_t i = 0; i < std::min<uint64_t>(count, 4); ++i) {
            VEXA_ENTRY entry;
            o.enumerate.push_back(Result(vexa_EnumerateFiles(handle, &entry, i)));
        }
        for (size_t i = 0; i < layout_.names.size(); ++i) {
            const char* name = layout_.names[i].c_str();
            VEXA_ENTRY entry;
            uint64_t offset;
            o.lookup.push_back(Result(vexa_GetFileInfo(handle, &entry, &offset, name)));
            o.decode.push_back(DecodeEntryTo(
                handle, name, [](const uint8_t*, size_t) { return Result::Success; }));
            const fs::path to = out_ / ("e" + std::to_string(i));
            o.extract.push_back(
                Result(vexa_DecompressToFile(handle, name, to.string().c_str(), nullptr)));
        }
        EXPECT_EQ(vexa_CloseStream(handle), 0u);
        CheckNothingOutsideAndClear();
        return o;
    }

  private:
    // Only the files the extractions named exist, all inside the destination folder.
    void CheckNothingOutsideAndClear() {
        for (const auto& e : fs::directory_iterator(dir_.path())) {
            const std::string name = e.path().filename().string();
            EXPECT_TRUE(name == "archive" || name == "out" || name == "outside") << name;
        }
        EXPECT_TRUE(fs::is_empty(outside_));
        for (const auto& e : fs::directory_iterator(out_)) {
            const std::string name = e.path().filename().string();
            EXPECT_TRUE(name == "e0" || name == "e1" || name == "e2") << name;
            fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add);
            fs::remove(e.path());
        }
    }

    const Layout& layout_;
    TempDir dir_;
    fs::path archive_ = dir_ / "archive";
    fs::path out_ = dir_ / "out";
    fs::path outside_ = dir_ / "outside";  // a sibling of the destination that must stay empty
};

// Results seen per region and operation, e.g. "crc field / decode own entry" -> {ArchiveCorrupt}.
using Table = std::map<std::string, std::set<Result>>;

void Tally(Table& table, const std::string& region, const Outcome& o, int ownEntry) {
    table[region + " / open"].insert(o.open);
    for (Result r : o.enumerate) table[region + " / enumerate"].insert(r);
    auto byEntry = [&](const char* op, const std::vector<Result>& results) {
        for (size_t i = 0; i < results.size(); ++i) {
            const char* whose = ownEntry < 0         ? ""
                                : int(i) == ownEntry ? " own entry"
                                                     : " other entries";
            table[region + " / " + op + whose].insert(results[i]);
        }
    };
    byEntry("lookup", o.lookup);
    byEntry("decode", o.decode);
    byEntry("extract", o.extract);
}

std::string Show(const Table& table) {
    std::ostringstream s;
    for (const auto& [key, results] : table) {
        s << "  " << key << ":";
        for (Result r : results) s << " " << Name(r);
        s << "\n";
    }
    return s.str();
}

// Every key of `seen` whose name starts with a key of `allowed` gives only allowed results.
void ExpectWithin(const Table& seen, const Table& allowed) {
    for (const auto& [key, results] : seen) {
        const std::set<Result>* permitted = nullptr;
        for (const auto& [prefix, set] : allowed)
            if (key.compare(0, prefix.size(), prefix) == 0) permitted = &set;
        ASSERT_NE(permitted, nullptr) << "no expectation for " << key << "\n" << Show(seen);
        for (Result r : results)
            EXPECT_TRUE(permitted->count(r)) << key << " gave " << Name(r) << "\n" << Show(seen);
    }
}

constexpr Result S = Result::Success, C = Result::ArchiveCorrupt, N = Result::NotFound,
                 U = Result::Unknown, D = Result::OutOfDiskSpace;

TEST(Sweep, EveryCutEndsWithADefinedResult) {
    const Layout l = ThreeEntries();
    Sweep sweep(l);
    Table table;
    for (uint64_t cut = 0; cut < l.file.size(); ++cut) {
        const Outcome o = sweep.Run(Bytes(l.file.begin(), l.file.begin() + ptrdiff_t(cut)));
        std::string region = "cut inside the host or header";
        if (cut >= l.headerStart + kHeaderSize) region = "cut after the header";
        Tally(table, region, o, -1);
        // An entry decodes whole exactly when the cut leaves all of its data.
        for (size_t i = 0; i < o.decode.size(); ++i)
            EXPECT_EQ(o.decode[i] == S, cut >= l.dataEnd[i]) << "cut " << cut << " entry " << i;
    }
    ExpectWithin(table, {
                            {"cut inside the host or header / open", {C}},
                            {"cut after the header / open", {S}},
                            {"cut after the header / enumerate", {S, U}},
                            {"cut after the header / lookup", {S, U}},
                            {"cut after the header / decode", {S, C, N}},
                            {"cut after the header / extract", {S, C, N}},
                        });
    EXPECT_EQ(table["cut after the header / decode"], (std::set<Result>{S, C, N}));
}

TEST(Sweep, EveryFlippedBitEndsWithADefinedResult) {
    const Layout l = ThreeEntries();
    Sweep sweep(l);
    Table table;
    auto flipEachBit = [&](uint64_t at, const std::string& region, int ownEntry) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes file = l.file;
            file[at] ^= uint8_t(1u << bit);
            Tally(table, region, sweep.Run(file), ownEntry);
        }
    };
    const uint64_t h = l.headerStart;
    for (uint64_t at = h; at < h + 8; ++at) flipEachBit(at, "signature", -1);
    for (uint64_t at = h + 8; at < h + 16; ++at) flipEachBit(at, "entry count", -1);
    for (uint64_t at = h + 16; at < h + 24; ++at) flipEachBit(at, "header word", -1);
    struct Field {
        const char* region;
        uint64_t from, to;  // within the record
        uint64_t step;      // every byte, or a sample where the bytes play one part
    };
    for (size_t e = 0; e < l.names.size(); ++e) {
        // Every byte of the name up to its NUL; the ignored bytes after it sampled.
        const uint64_t nameEnd = l.names[e].size() + 1;
        const Field fields[] = {{"name", 0, nameEnd, 1},
                                {"name", nameEnd, 100, 13},
                                {"crc", 100, 104, 1},
                                {"block count", 104, 112, 1},
                                {"compressed size", 112, 120, 1},
                                {"original size", 120, 128, 1},
                                {"time, attributes, reserved", 128, 136, 3},
                                {"time, attributes, reserved", 136, 140, 1},
                                {"time, attributes, reserved", 140, 144, 3}};
        for (const Field& f : fields)
            for (uint64_t at = f.from; at < f.to; at += f.step)
                flipEachBit(l.recordStart[e] + at, f.region, int(e));
        for (uint64_t header : l.blockHeaders[e]) {
            flipEachBit(header, "block header low byte", int(e));
            for (uint64_t at = header + 1; at < header + 4; ++at)
                flipEachBit(at, "block header length", int(e));
            // Payload: every third byte of each block.
            const auto next =
                std::upper_bound(l.blockHeaders[e].begin(), l.blockHeaders[e].end(), header);
            const uint64_t end = next == l.blockHeaders[e].end() ? l.dataEnd[e] : *next;
            for (uint64_t at = header + 4; at < end; at += 3) flipEachBit(at, "payload", int(e));
        }
    }
    Table allowed = {
        {"signature / open", {C}},
        {"entry count / open", {S}},
        {"entry count / enumerate", {S, U}},
        {"entry count / lookup", {S, N}},
        {"entry count / decode", {S, N}},
        {"entry count / extract", {S, N}},
        {"header word /", {S}},
        {"name / open", {S}},
        {"name / enumerate", {S}},
        {"name / lookup", {S, N}},
        {"name / decode", {S, N}},
        {"name / extract", {S, N}},
        // A changed size moves every later record: later lookups meet garbage or the end.
        {"compressed size / open", {S}},
        {"compressed size / enumerate", {S, U}},
        {"compressed size / lookup", {S, N, U}},
        {"compressed size / decode", {S, C, N}},
        {"compressed size / extract", {S, C, N}},
        {"time, attributes, reserved /", {S}},
    };
    // Regions that concern one entry's content: every other operation succeeds.
    auto ownContent = [&](const std::string& region, std::set<Result> decode,
                          std::set<Result> extract) {
        for (const char* op : {"open", "enumerate", "lookup", "decode other", "extract other"})
            allowed[region + " / " + op] = {S};
        allowed[region + " / decode own entry"] = decode;
        allowed[region + " / extract own entry"] = extract;
    };
    ownContent("crc", {C}, {C});
    ownContent("block count", {C}, {C});
    ownContent("original size", {C}, {C, D});
    ownContent("block header low byte", {S, C}, {S, C});
    ownContent("block header length", {S, C}, {S, C});
    ownContent("payload", {S, C}, {S, C});
    ExpectWithin(table, allowed);
    // The low three bits of a block header are never read; its length bits always matter.
    EXPECT_EQ(table["block header length / decode own entry"], (std::set<Result>{C}))
        << Show(table);
    EXPECT_EQ(table["payload / decode own entry"].count(C), 1u) << Show(table);
}

}  // namespace
}  // namespace vexa::test
