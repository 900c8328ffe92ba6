// In-process measurements of the reader against zlib, each pair timed in the same run:
//   vexa_bench prepare DIR NAME...   encodes DIR/NAME.bin into DIR/NAME.vexa (one entry) and
//                                    DIR/NAME.gz (gzip level 6, zlib's default)
//   vexa_bench decode DIR NAME...    decodes both with their CRC check; prints MB/s and the
//                                    ratio vexa speed / zlib speed, one line per NAME
//   vexa_bench tiny DIR              an entry of 5-byte blocks against the same content in
//                                    ordinary blocks: seconds per MB of content
//   vexa_bench archive DIR NAME SIZE writes DIR/NAME.bin, SIZE bytes of text, and DIR/NAME.vexa,
//                                    the archive of it
//   vexa_bench files DIR COUNT SOURCE  writes COUNT small files (100 to 4,000 bytes, cut from
//                                    SOURCE) into 100 folders below DIR
// Output lines start with "row:" and are tab-separated, for bench/run.sh to tabulate.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "crc32.h"
#include "reader_helpers.h"
#include "vexa.h"
#include "writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "vexa_bench: %s\n", what.c_str());
    std::exit(1);
}

// This thread's processor time in seconds: on a shared machine it counts only the time this
// work ran, not the time other processes held the processor.
// Under Wine thread times come in scheduler ticks, too coarse for these runs: there the clock
// on the wall, with the best of the rounds taken against interruptions.
double ThreadSeconds() {
#ifdef _WIN32
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
#else
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
#endif
}

// Best of `rounds` runs, in seconds.
double Time(int rounds, const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const double start = ThreadSeconds();
        run();
        best = std::min(best, ThreadSeconds() - start);
    }
    return best;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) Fail("cannot write " + path.string());
}

Bytes Gzip(const Bytes& content) {
    Bytes packed(compressBound(uLong(content.size())) + 64);
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    z.next_in = const_cast<Bytes::value_type*>(content.data());
    z.avail_in = uInt(content.size());
    z.next_out = packed.data();
    z.avail_out = uInt(packed.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) Fail("deflate");
    packed.resize(z.total_out);
    deflateEnd(&z);
    return packed;
}

// Seconds to decode every entry of an archive through the library, CRC checked, with
// the output dropped; `bytes` receives the decoded size.
double DecodeArchive(const fs::path& archive, int rounds, size_t& bytes) {
    void* handle = nullptr;
    if (vexa_OpenStream(&handle, archive.string().c_str(), VEXA_MODE_READ) != 0)
        Fail("cannot open " + archive.string());
    VEXA_ENTRY entry;
    std::vector<std::string> names;
    for (uint64_t i = 0; vexa_EnumerateFiles(handle, &entry, i) == 0; ++i)
        names.push_back(entry.name);
    const double t = Time(rounds, [&] {
        bytes = 0;
        for (const auto& name : names) {
            const auto r = vexa::DecodeEntryTo(handle, name.c_str(), [&](const uint8_t*, size_t n) {
                bytes += n;
                return vexa::Result::Success;
            });
            if (r != vexa::Result::Success) Fail("decode of " + archive.string());
        }
    });
    vexa_CloseStream(handle);
    return t;
}

// Seconds for zlib to inflate a gzip member, its CRC checked, into a buffer of `size` bytes.
double Inflate(const Bytes& packed, size_t size, int rounds) {
    Bytes out(size);
    return Time(rounds, [&] {
        z_stream z{};
        inflateInit2(&z, 31);
        z.next_in = const_cast<Bytes::value_type*>(packed.data());
        z.avail_in = uInt(packed.size());
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.total_out != size) Fail("inflate");
        inflateEnd(&z);
    });
}

void Prepare(const fs::path& dir, const std::string& name) {
    const Bytes content = ReadFile(dir / (name + ".bin"));
    const auto entry = vexa::pack::EncodeEntry({name, 0x20, 0}, content, 2);
    WriteFile(dir / (name + ".vexa"), vexa::pack::BuildArchive({entry}));
    WriteFile(dir / (name + ".gz"), Gzip(content));
}

void Decode(const fs::path& dir, const std::string& name) {
    const Bytes packed = ReadFile(dir / (name + ".gz"));
    const size_t size = size_t(fs::file_size(dir / (name + ".bin")));
    size_t decoded = 0;
    // Alternate the two so that a change in machine load falls on both.
    double vexaTime = 1e30, zlibTime = 1e30;
    for (int i = 0; i < 4; ++i) {
        vexaTime = std::min(vexaTime, DecodeArchive(dir / (name + ".vexa"), 2, decoded));
        zlibTime = std::min(zlibTime, Inflate(packed, size, 2));
    }
    if (decoded != size) Fail("decoded size of " + name);
    const double mb = double(size) / 1e6;
    std::printf("row:\tdecode %s\t%.1f MB/s\tzlib %.1f MB/s\t%.2f\n", name.c_str(), mb / vexaTime,
                mb / zlibTime, zlibTime / vexaTime);
}

// Text-like content, reproducible, for the archives the extraction measurements use.
Bytes MakeContent(size_t size, uint32_t seed) {
    Bytes out(size);
    uint32_t state = seed * 2654435761u + 1;
    static const char kWords[][8] = {"the ",   "of ",     "and ", "vexa ",
                                     "block ", "entry\n", "a ",   "data "};
    size_t i = 0;
    while (i < size) {
        state = state * 1664525u + 1013904223u;
        for (const char* w = kWords[state >> 29]; *w && i < size; ++w) out[i++] = uint8_t(*w);
    }
    return out;
}

void Tiny(const fs::path& dir) {
    constexpr size_t kContent = 1 << 20, kPiece = 5;
    const Bytes content = MakeContent(kContent, 5);
    // One entry of many 5-byte blocks, laid out by hand: the writer cuts only at 4 MiB.
    Bytes data;
    for (size_t at = 0; at < content.size(); at += kPiece) {
        const size_t n = std::min(kPiece, content.size() - at);
        const Bytes block = vexa::pack::EncodeBlock({content.data() + at, n});
        data.insert(data.end(), block.begin(), block.end());
    }
    vexa::pack::EncodedEntry tiny;
    std::memcpy(tiny.record.name, "tiny", 4);
    tiny.record.attributes = 0x20;
    tiny.record.blockCount = (content.size() + kPiece - 1) / kPiece;
    tiny.record.compressedSize = data.size();
    tiny.record.originalSize = content.size();
    tiny.record.crc = vexa::Crc32(content.data(), content.size());
    tiny.data = std::move(data);
    WriteFile(dir / "tiny.vexa", vexa::pack::BuildArchive({tiny}));
    WriteFile(dir / "whole.vexa",
              vexa::pack::BuildArchive({vexa::pack::EncodeEntry({"whole", 0x20, 0}, content)}));
    size_t a = 0, b = 0;
    const double tinyTime = DecodeArchive(dir / "tiny.vexa", 3, a);
    const double wholeTime = DecodeArchive(dir / "whole.vexa", 3, b);
    if (a != kContent || b != kContent) Fail("tiny blocks decoded size");
    const double mb = double(kContent) / 1e6;
    std::printf("row:\t5-byte blocks\t%.3f s/MB\tordinary blocks %.4f s/MB\t%.2f\n", tinyTime / mb,
                wholeTime / mb, wholeTime / tinyTime);
}

void Archive(const fs::path& dir, const std::string& name, size_t size) {
    const Bytes content = MakeContent(size, 7);
    WriteFile(dir / (name + ".vexa"),
              vexa::pack::BuildArchive({vexa::pack::EncodeEntry({name, 0x20, 0}, content, 2)}));
    WriteFile(dir / (name + ".bin"), content);
}

void Files(const fs::path& dir, int count, const fs::path& source) {
    const Bytes content = ReadFile(source);
    uint32_t state = 12345;
    size_t at = 0;
    for (int i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        const size_t size = 100 + (state >> 8) % 3901;
        if (at + size > content.size()) at = 0;
        char folderName[16], fileName[24];
        std::snprintf(folderName, sizeof(folderName), "d%d", i % 100);
        std::snprintf(fileName, sizeof(fileName), "f%d.txt", i);
        const fs::path folder = dir / folderName;
        fs::create_directories(folder);
        WriteFile(folder / fileName,
                  Bytes(content.begin() + long(at), content.begin() + long(at + size)));
        at += size;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) Fail("usage: vexa_bench prepare|decode|tiny|archive|files DIR ...");
    const std::string mode = argv[1];
    const fs::path dir = argv[2];
    if (mode == "tiny") {
        Tiny(dir);
    } else if (mode == "archive" && argc == 5) {
        Archive(dir, argv[3], size_t(std::strtoull(argv[4], nullptr, 10)));
    } else if (mode == "files" && argc == 5) {
        Files(dir, std::atoi(argv[3]), argv[4]);
    } else if (mode == "prepare" || mode == "decode") {
        for (int i = 3; i < argc; ++i) (mode == "prepare" ? Prepare : Decode)(dir, argv[i]);
    } else {
        Fail("unknown mode " + mode);
    }
    return 0;
}
