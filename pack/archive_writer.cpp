// Entries and the container around them.
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "crc32.h"
#include "encoder_pool.h"
#include "writer.h"

namespace vexa::pack {

VEXA_ENTRY NewRecord(const EntryMeta& meta) {
    if (meta.name.empty() || meta.name.size() > kMaxNameLength ||
        meta.name.find('\0') != std::string::npos)
        throw std::invalid_argument("entry name must have 1 to 99 bytes: " + meta.name);
    VEXA_ENTRY record;
    std::memset(&record, 0, sizeof(record));
    std::memcpy(record.name, meta.name.data(), meta.name.size());
    record.modificationTime = meta.modificationTime;
    record.attributes = meta.attributes;
    return record;
}

EncodedEntry EncodeEntry(const EntryMeta& meta, std::span<const uint8_t> content,
                         unsigned threads) {
    EncodedEntry encoded;
    VEXA_ENTRY& record = encoded.record;
    record = NewRecord(meta);
    record.crc = Crc32(content.data(), content.size());
    record.originalSize = content.size();

    const size_t blocks = (content.size() + kBlockSize - 1) / kBlockSize;
    std::vector<EncoderPool::Job> jobs(blocks);
    EncoderPool pool(unsigned(std::min<size_t>(threads, blocks)));
    for (size_t i = 0; i < blocks; ++i) {
        jobs[i].plain =
            content.subspan(i * kBlockSize, std::min(kBlockSize, content.size() - i * kBlockSize));
        pool.Submit(jobs[i]);
    }
    for (EncoderPool::Job& job : jobs) {
        pool.Wait(job);
        encoded.data.insert(encoded.data.end(), job.encoded.begin(), job.encoded.end());
        job.encoded = {};
    }
    record.blockCount = blocks;
    record.compressedSize = encoded.data.size();
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
