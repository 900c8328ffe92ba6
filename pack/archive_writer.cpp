// Entries and the container around them.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "crc32.h"
#include "writer.h"

namespace vexa::pack {

namespace {

// Runs job(i) for i in [0, count) on up to `threads` threads.
template <class Job>
void ParallelFor(size_t count, unsigned threads, Job&& job) {
    threads = unsigned(std::min<size_t>(std::max(threads, 1u), count));
    if (threads <= 1) {
        for (size_t i = 0; i < count; ++i) job(i);
        return;
    }
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) job(i);
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (auto& thread : pool) thread.join();
}

}  // namespace

EncodedEntry EncodeEntry(const EntryMeta& meta, std::span<const uint8_t> content,
                         unsigned threads) {
    if (meta.name.empty() || meta.name.size() > kMaxNameLength ||
        meta.name.find('\0') != std::string::npos)
        throw std::invalid_argument("entry name must have 1 to 99 bytes: " + meta.name);

    EncodedEntry encoded;
    VEXA_ENTRY& record = encoded.record;
    std::memset(&record, 0, sizeof(record));
    std::memcpy(record.name, meta.name.data(), meta.name.size());
    record.crc = Crc32(content.data(), content.size());
    record.originalSize = content.size();
    record.modificationTime = meta.modificationTime;
    record.attributes = meta.attributes;

    const size_t blocks = (content.size() + kBlockSize - 1) / kBlockSize;
    std::vector<std::vector<uint8_t>> encodedBlocks(blocks);
    ParallelFor(blocks, threads, [&](size_t i) {
        encodedBlocks[i] = EncodeBlock(
            content.subspan(i * kBlockSize, std::min(kBlockSize, content.size() - i * kBlockSize)));
    });
    size_t total = 0;
    for (const auto& block : encodedBlocks) total += block.size();
    encoded.data.reserve(total);
    for (const auto& block : encodedBlocks)
        encoded.data.insert(encoded.data.end(), block.begin(), block.end());
    record.blockCount = blocks;
    record.compressedSize = total;
    return encoded;
}

std::vector<uint8_t> HeaderBytes(uint64_t entryCount, uint64_t headerWord) {
    VEXA_HEADER header{};
    std::memcpy(header.signature, "VEXA", 4);
    header.formatTag = kFormatTag;
    header.entryCount = entryCount;
    header.headerWord = headerWord;
    std::vector<uint8_t> bytes(kHeaderSize);
    SerializeHeader(header, bytes.data());
    return bytes;
}

std::vector<uint8_t> RecordBytes(const VEXA_ENTRY& record) {
    std::vector<uint8_t> bytes(kRecordSize);
    SerializeEntry(record, bytes.data());
    return bytes;
}

std::vector<uint8_t> BuildArchive(const std::vector<EncodedEntry>& entries, uint64_t headerWord) {
    std::vector<uint8_t> archive = HeaderBytes(entries.size(), headerWord);
    for (const auto& entry : entries) {
        const auto record = RecordBytes(entry.record);
        archive.insert(archive.end(), record.begin(), record.end());
        archive.insert(archive.end(), entry.data.begin(), entry.data.end());
    }
    return archive;
}

}  // namespace vexa::pack
