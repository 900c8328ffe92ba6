// Fixtures for the reader tests: temporary folders, crafted blocks and archives.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bit_writer.h"
#include "coder_rules.h"
#include "crc32.h"
#include "format.h"
#include "writer.h"

namespace vexa::test {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir() {
        static std::mt19937_64 rng{std::random_device{}()};
        path_ = fs::temp_directory_path() / ("vexa-test-" + std::to_string(rng()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        for (auto& e : fs::recursive_directory_iterator(path_, ec))
            fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

inline void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes Scrambled(Bytes bytes) {
    for (auto& b : bytes) b ^= kScrambleMask;
    return bytes;
}

inline Bytes Concat(const Bytes& a, const Bytes& b) {
    Bytes out(a.size() + b.size());
    if (!a.empty()) std::memcpy(out.data(), a.data(), a.size());
    if (!b.empty()) std::memcpy(out.data() + a.size(), b.data(), b.size());
    return out;
}

// Builds one block token by token, with explicit literal width and match lengths. Literal
// values are the decoder's output bytes (the stored, scrambled form).
class TokenBlock {
  public:
    explicit TokenBlock(unsigned width) : width_(width) { bits_.Write(width, 8); }
    TokenBlock& Literal(uint32_t value) {
        bits_.Write(0, 1);
        bits_.Write(value, width_);
        return *this;
    }
    TokenBlock& Literals(const std::string& text) {
        for (unsigned char c : text) Literal(c);
        return *this;
    }
    TokenBlock& Match(uint64_t length) {
        bits_.Write(1, 1);
        EmitMatchLength(length, [&](uint64_t v, unsigned n) { bits_.Write(v, n); });
        return *this;
    }
    TokenBlock& Raw(uint64_t value, unsigned count) {
        bits_.Write(value, count);
        return *this;
    }
    uint64_t Bits() const { return bits_.BitCount(); }
    // Header (N in bits 3-31, `lowBits` below) and payload; N defaults to the bits written.
    Bytes Block(std::optional<uint64_t> n = std::nullopt, uint32_t lowBits = 1) {
        const uint64_t bits = n.value_or(bits_.BitCount());
        Bytes payload = bits_.Finish();
        payload.resize(size_t((bits + 7) / 8), 0);
        Bytes header(4);
        StoreLE32(header.data(), uint32_t(bits << 3) | lowBits);
        return Concat(header, payload);
    }

  private:
    unsigned width_;
    pack::BitWriter bits_;
};

// An entry made of crafted blocks, with the record fields given explicitly.
struct RawEntry {
    std::string name;
    std::vector<Bytes> blocks;
    uint32_t crc = 0;
    uint64_t originalSize = 0;
    uint32_t attributes = kAttributeArchive;
    std::optional<uint64_t> blockCount;      // defaults to blocks.size()
    std::optional<uint64_t> compressedSize;  // defaults to the blocks' bytes
};

inline VEXA_ENTRY MakeRecord(const RawEntry& e, uint64_t dataSize) {
    VEXA_ENTRY r{};
    std::memcpy(r.name, e.name.data(), std::min(e.name.size(), sizeof(r.name)));
    r.crc = e.crc;
    r.blockCount = e.blockCount.value_or(e.blocks.size());
    r.compressedSize = e.compressedSize.value_or(dataSize);
    r.originalSize = e.originalSize;
    r.attributes = e.attributes;
    return r;
}

inline Bytes MakeArchive(const std::vector<RawEntry>& entries, uint64_t headerWord = 2,
                         std::optional<uint64_t> entryCount = std::nullopt) {
    Bytes archive = pack::HeaderBytes(entryCount.value_or(entries.size()), headerWord);
    for (const auto& e : entries) {
        Bytes data;
        for (const auto& b : e.blocks) data.insert(data.end(), b.begin(), b.end());
        const Bytes record = pack::RecordBytes(MakeRecord(e, data.size()));
        archive.insert(archive.end(), record.begin(), record.end());
        archive.insert(archive.end(), data.begin(), data.end());
    }
    return archive;
}

// A real entry encoded by the writer, with the given plain content.
inline RawEntry EncodedEntry(const std::string& name, const Bytes& content,
                             uint32_t attributes = kAttributeArchive) {
    const auto encoded = pack::EncodeEntry({name, attributes, 0}, content);
    RawEntry e;
    e.name = name;
    e.blocks.push_back(encoded.data);  // all blocks back to back
    e.blockCount = encoded.record.blockCount;
    e.crc = encoded.record.crc;
    e.originalSize = encoded.record.originalSize;
    e.attributes = attributes;
    return e;
}

// Pseudo-random bytes with some repetition, reproducible from the seed.
inline Bytes SampleBinary(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        if (out.size() > 64 && rng() % 3 == 0) {
            const size_t back = 1 + rng() % std::min<size_t>(out.size() - 1, 4096);
            const size_t len = 4 + rng() % 200;
            for (size_t i = 0; i < len && out.size() < size; ++i)
                out.push_back(out[out.size() - back]);
        } else {
            const size_t len = 1 + rng() % 32;
            for (size_t i = 0; i < len && out.size() < size; ++i) out.push_back(uint8_t(rng()));
        }
    }
    return out;
}

inline Bytes SampleText(size_t size, uint32_t seed) {
    static const char* words[] = {"the ",    "archive ", "entry ",  "block ",    "decoder ",
                                  "stream ", "of ",      "and ",    "\n",        "prediction ",
                                  "table ",  "self ",    "extract", "Tarnwick ", "1998 "};
    std::mt19937 rng(seed);
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        for (const char* c = words[rng() % 15]; *c && out.size() < size; ++c)
            out.push_back(uint8_t(*c));
    }
    return out;
}

}  // namespace vexa::test
