// Speed of the block code against zlib on the same data, in one run:
//   vexa_bench [TEXT_MIB]
// Prints MB/s for decoding (with CRC check) and encoding, the compressed sizes, and the
// scaling checks (many tiny blocks, lookups in a large archive).
#include <zlib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "crc32.h"
#include "decode_entry.h"
#include "vexa.h"
#include "writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// Best of `rounds` runs, in seconds.
double Time(int rounds, const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// English-like text from a fixed vocabulary with Zipf-like word frequencies, reproducible.
Bytes MakeText(size_t size) {
    std::vector<std::string> words;
    std::mt19937 rng(1998);
    for (int i = 0; i < 5000; ++i) {
        std::string w;
        const int len = 2 + int(rng() % 9);
        for (int k = 0; k < len; ++k) w.push_back(char('a' + rng() % 26));
        words.push_back(w);
    }
    Bytes out;
    out.reserve(size);
    size_t line = 0;
    while (out.size() < size) {
        // Zipf-like: index = floor(5000^u) - 1.
        const double u = double(rng()) / double(rng.max());
        const size_t index = std::min<size_t>(size_t(std::pow(5000.0, u)) - 1, 4999);
        for (char c : words[index]) out.push_back(uint8_t(c));
        line += words[index].size() + 1;
        out.push_back(line > 70 ? '\n' : ' ');
        if (line > 70) line = 0;
    }
    out.resize(size);
    return out;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

struct Measured {
    double vexaDecode, zlibDecode, vexaEncode, zlibEncode;
    size_t vexaSize, zlibSize;
};

Measured Compare(const Bytes& content, const fs::path& dir) {
    Measured m{};
    // vexa: encode on one thread (zlib has one), decode through the library with CRC check.
    vexa::pack::EncodedEntry entry;
    m.vexaEncode = Time(2, [&] { entry = vexa::pack::EncodeEntry({"data", 0x20, 0}, content, 1); });
    m.vexaSize = entry.data.size();
    const fs::path archive = dir / "bench.vexa";
    WriteFile(archive, vexa::pack::BuildArchive({entry}));
    void* handle = nullptr;
    if (vexa_OpenStream(&handle, archive.string().c_str(), VEXA_MODE_READ) != 0) std::abort();
    m.vexaDecode = Time(5, [&] {
        size_t total = 0;
        const auto r = vexa::DecodeEntryTo(handle, "data", [&](const uint8_t*, size_t n) {
            total += n;
            return vexa::Result::Success;
        });
        if (r != vexa::Result::Success || total != content.size()) std::abort();
    });
    vexa_CloseStream(handle);

    // zlib: gzip framing, so inflate checks a CRC-32 as well; level 6 (its default).
    Bytes packed(compressBound(uLong(content.size())) + 64);
    m.zlibEncode = Time(2, [&] {
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
        z.next_in = const_cast<Bytes::value_type*>(content.data());
        z.avail_in = uInt(content.size());
        z.next_out = packed.data();
        z.avail_out = uInt(packed.size());
        if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
        m.zlibSize = z.total_out;
        deflateEnd(&z);
    });
    Bytes out(content.size());
    m.zlibDecode = Time(5, [&] {
        z_stream z{};
        inflateInit2(&z, 31);
        z.next_in = packed.data();
        z.avail_in = uInt(m.zlibSize);
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        if (inflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
        inflateEnd(&z);
    });
    return m;
}

void Report(const char* name, const Bytes& content, const Measured& m) {
    const double mb = double(content.size()) / 1e6;
    std::printf(
        "%-8s %7.1f MB | decode vexa %7.1f MB/s  zlib %7.1f MB/s  ratio %.2f | "
        "encode vexa %6.1f MB/s  zlib %6.1f MB/s  ratio %.2f | size vexa %5.1f%%  zlib %5.1f%%\n",
        name, mb, mb / m.vexaDecode, mb / m.zlibDecode, m.zlibDecode / m.vexaDecode,
        mb / m.vexaEncode, mb / m.zlibEncode, m.zlibEncode / m.vexaEncode,
        100.0 * double(m.vexaSize) / double(content.size()),
        100.0 * double(m.zlibSize) / double(content.size()));
}

// Seconds per block for an entry of `blocks` one-literal blocks.
double TinyBlocks(uint64_t blocks, const fs::path& dir) {
    const Bytes block = vexa::pack::EncodeBlock(Bytes{1});
    Bytes archive = vexa::pack::HeaderBytes(1);
    VEXA_ENTRY r{};
    std::memcpy(r.name, "tiny", 4);
    r.blockCount = blocks;
    r.compressedSize = blocks * block.size();
    Bytes content(blocks, 1);
    r.crc = vexa::Crc32(content.data(), content.size());
    const Bytes record = vexa::pack::RecordBytes(r);
    archive.insert(archive.end(), record.begin(), record.end());
    for (uint64_t i = 0; i < blocks; ++i) archive.insert(archive.end(), block.begin(), block.end());
    WriteFile(dir / "tiny.vexa", archive);
    void* handle = nullptr;
    if (vexa_OpenStream(&handle, (dir / "tiny.vexa").string().c_str(), VEXA_MODE_READ) != 0)
        std::abort();
    const double t = Time(3, [&] {
        if (vexa::DecodeEntryTo(handle, "tiny", [](const uint8_t*, size_t) {
                return vexa::Result::Success;
            }) != vexa::Result::Success)
            std::abort();
    });
    vexa_CloseStream(handle);
    return t / double(blocks);
}

// Seconds per entry to look up and decode every entry of an archive of `count` small entries.
double LookupAll(int count, const fs::path& dir) {
    std::vector<vexa::pack::EncodedEntry> entries;
    for (int i = 0; i < count; ++i) {
        const std::string text = "entry number " + std::to_string(i);
        entries.push_back(vexa::pack::EncodeEntry({"dir\\file" + std::to_string(i), 0x20, 0},
                                                  Bytes(text.begin(), text.end())));
    }
    WriteFile(dir / "many.vexa", vexa::pack::BuildArchive(entries));
    const double t = Time(3, [&] {
        void* handle = nullptr;
        if (vexa_OpenStream(&handle, (dir / "many.vexa").string().c_str(), VEXA_MODE_READ) != 0)
            std::abort();
        for (int i = 0; i < count; ++i) {
            VEXA_ENTRY e;
            if (vexa_EnumerateFiles(handle, &e, uint64_t(i)) != 0) std::abort();
            if (vexa::DecodeEntryTo(handle, e.name, [](const uint8_t*, size_t) {
                    return vexa::Result::Success;
                }) != vexa::Result::Success)
                std::abort();
        }
        vexa_CloseStream(handle);
    });
    return t / count;
}

}  // namespace

int main(int argc, char** argv) {
    const size_t textMiB = argc > 1 ? size_t(std::atoi(argv[1])) : 24;
    const fs::path dir = fs::temp_directory_path() / "vexa-bench";
    fs::create_directories(dir);

    const Bytes text = MakeText(textMiB << 20);
    Report("text", text, Compare(text, dir));
    // Binary: the first of a few large executables found on the machine (cmake comes with the
    // build), else this program's own image.
    Bytes binary;
    for (const char* candidate : {"/usr/bin/cmake", "/usr/bin/ctest", "/proc/self/exe"}) {
        if (fs::exists(candidate)) {
            binary = ReadFile(candidate);
            break;
        }
    }
    Report("binary", binary, Compare(binary, dir));

    const double tiny1k = TinyBlocks(1000, dir), tiny100k = TinyBlocks(100000, dir);
    std::printf(
        "tiny blocks: %.2f us/block at 1,000 blocks, %.2f us/block at 100,000 (ratio %.2f)\n",
        tiny1k * 1e6, tiny100k * 1e6, tiny100k / tiny1k);
    const double few = LookupAll(10, dir), many = LookupAll(10000, dir);
    std::printf(
        "lookup + decode: %.1f us/entry of 10 entries, %.1f us/entry of 10,000 (ratio %.2f)\n",
        few * 1e6, many * 1e6, many / few);
    fs::remove_all(dir);
    return 0;
}
