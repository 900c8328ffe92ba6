// Opening, enumerating, looking up, cancelling and closing archive streams.
#include "stream.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "vexa.h"

namespace vexa {

namespace {

constexpr size_t kScanChunk = 1 << 20;

VEXA_STREAM* AsStream(void* handle) {
    return static_cast<VEXA_STREAM*>(handle);
}

bool ReadRecord(VEXA_STREAM& stream, uint64_t position, VEXA_ENTRY& entry) {
    uint8_t bytes[kRecordSize];
    if (ReadArchive(stream, position, bytes, kRecordSize) != kRecordSize) return false;
    entry = ParseEntry(bytes);
    return true;
}

// Position after a record and its data; false when it would pass 2^64.
bool NextRecordPosition(uint64_t afterRecord, const VEXA_ENTRY& entry, uint64_t& next) {
    next = afterRecord + entry.compressedSize;
    return next >= afterRecord;
}

}  // namespace

std::optional<uint64_t> ScanForSignature(const ReadAt& read, uint64_t length) {
    if (length <= 8) return std::nullopt;
    const uint64_t limit = length - 8;  // start positions examined are below this
    const size_t chunkSize = size_t(std::min<uint64_t>(kScanChunk, limit));
    std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[chunkSize + 7]);
    if (!chunk) return std::nullopt;
    // Each chunk is read with 7 bytes of overlap, so a signature that straddles two chunks is
    // still seen whole. Every position below the limit is a candidate start; none is skipped.
    for (uint64_t base = 0; base < limit; base += chunkSize) {
        const uint64_t starts = std::min<uint64_t>(chunkSize, limit - base);
        if (!read(base, chunk.get(), size_t(starts) + 7)) return std::nullopt;
        if (const uint8_t* at = FindSignatureStart(chunk.get(), chunk.get() + starts))
            return base + uint64_t(at - chunk.get());
    }
    return std::nullopt;
}

const RecordIndex::Known* RecordIndex::Find(const std::string& name) const {
    const auto it = firstByName_.find(name);
    return it == firstByName_.end() ? nullptr : &records_[it->second];
}

void RecordIndex::Add(const VEXA_ENTRY& entry, uint64_t offset) {
    records_.push_back({entry, offset});
    firstByName_.emplace(EntryName(entry), records_.size() - 1);  // the first one stays
    ++walked_;
}

size_t ReadArchive(VEXA_STREAM& stream, uint64_t position, uint8_t* to, size_t count) {
    return stream.window.Read(position, to, count, stream.scratch.ReadAhead(), kReadAheadSize);
}

Result FindRecord(VEXA_STREAM& stream, const char* name, VEXA_ENTRY* entry, uint64_t* offset) {
    const uint64_t count = stream.header.entryCount;
    if (count == 0) return Result::NotFound;
    RecordIndex& index = stream.lookupIndex;
    const std::string key(name);

    const RecordIndex::Known* known = index.Find(key);
    if (!known) {
        // Walk on from the first record not yet met.
        if (index.Walked() == 0) index.StartAt(stream.archiveOffset + kHeaderSize);
        while (index.Walked() < count) {
            const uint64_t at = index.ResumePosition();
            VEXA_ENTRY record;
            if (!ReadRecord(stream, at, record)) return Result::Unknown;
            uint64_t next;
            if (!NextRecordPosition(at + kRecordSize, record, next)) return Result::Unknown;
            index.Add(record, at);
            index.StartAt(next);
            if (EntryName(record) == key) {
                known = index.Find(key);
                break;
            }
        }
        if (!known) return Result::NotFound;
    }
    if (entry) *entry = known->entry;
    if (offset) *offset = known->offset;
    return Result::Success;
}

}  // namespace vexa

using vexa::Result;

namespace vexa {

namespace {

// vexa_OpenStream once its arguments passed their checks; `path` as the system takes it.
uint32_t OpenStreamAt(void** handle, const platform::PathChar* path, uint32_t mode,
                      std::unique_ptr<VEXA_STREAM> stream) {
    using platform::File;
    stream->mode = mode;
    const bool update = mode & VEXA_MODE_UPDATE;
    if (!(update && (mode & VEXA_MODE_UPDATE_EXTRA))) {
        File::Access access;
        if (update) {
            access = File::Access::ReadWrite;
        } else if (mode & VEXA_MODE_READ) {
            access = File::Access::Read;
        } else {
            return uint32_t(Result::Unknown);
        }
        stream->archive = File::Open(path, access);
        if (!stream->archive.IsOpen()) return uint32_t(Result::NotFound);

        const auto length = stream->archive.Size();
        if (!length) return uint32_t(Result::ArchiveCorrupt);
        const auto found = ScanForSignature(platform::ReadFrom(stream->archive), *length);
        if (!found) return uint32_t(Result::ArchiveCorrupt);
        stream->archiveOffset = *found;
        stream->window.SetFileSize(*length);
        uint8_t header[kHeaderSize];
        if (stream->archive.ReadFullyAt(*found, header, sizeof(header)) != sizeof(header))
            return uint32_t(Result::ArchiveCorrupt);
        stream->header = ParseHeader(header);
    }
    if (!stream->cancel.IsValid()) return uint32_t(Result::Unknown);
    DecodeScratch::TakeKept(stream->scratch);
    *handle = stream.release();
    return uint32_t(Result::Success);
}

}  // namespace

#ifdef _WIN32
uint32_t OpenStreamWide(void** handle, const wchar_t* path) {
    if (!handle || !path) return uint32_t(Result::InvalidArgument);
    std::unique_ptr<VEXA_STREAM> stream(new (std::nothrow) VEXA_STREAM);
    if (!stream) return uint32_t(Result::Unknown);
    return OpenStreamAt(handle, path, VEXA_MODE_READ, std::move(stream));
}
#endif

}  // namespace vexa

uint32_t vexa_OpenStream(void** handle, const char* path, uint32_t mode) {
    // The path field holds 255 characters; a longer path is refused rather than cut.
    if (!handle || !path || std::strlen(path) >= sizeof(VEXA_STREAM::archivePath))
        return uint32_t(Result::InvalidArgument);
    std::unique_ptr<VEXA_STREAM> stream(new (std::nothrow) VEXA_STREAM);
    if (!stream) return uint32_t(Result::Unknown);
    std::strcpy(stream->archivePath, path);
    return vexa::OpenStreamAt(handle, vexa::platform::NativePathOf(path).c_str(), mode,
                              std::move(stream));
}

uint64_t vexa_GetNumFiles(void* handle) {
    return vexa::AsStream(handle)->header.entryCount;
}

uint32_t vexa_EnumerateFiles(void* handle, VEXA_ENTRY* entry, uint64_t index) {
    VEXA_STREAM& stream = *vexa::AsStream(handle);
    if (index >= stream.header.entryCount) return uint32_t(Result::InvalidArgument);
    uint64_t position = stream.archiveOffset + vexa::kHeaderSize;
    uint64_t count = 0;
    if (index >= stream.nextRecordIndex) {
        position = stream.nextRecordPosition;
        count = stream.nextRecordIndex;
    }
    for (;;) {
        VEXA_ENTRY record;
        if (!vexa::ReadRecord(stream, position, record)) return uint32_t(Result::Unknown);
        uint64_t next;
        if (!vexa::NextRecordPosition(position + vexa::kRecordSize, record, next))
            return uint32_t(Result::Unknown);
        if (count == index) {
            stream.nextRecordPosition = next;
            stream.nextRecordIndex = index + 1;
            *entry = record;
            return uint32_t(Result::Success);
        }
        ++count;
        position = next;
    }
}

uint32_t vexa_GetFileInfo(void* handle, VEXA_ENTRY* entry, uint64_t* recordOffset,
                          const char* name) {
    VEXA_STREAM& stream = *vexa::AsStream(handle);
    if (stream.header.entryCount == 0) return uint32_t(Result::NotFound);
    if (std::strlen(name) > vexa::kNameFieldSize) return uint32_t(Result::InvalidArgument);
    return uint32_t(vexa::FindRecord(stream, name, entry, recordOffset));
}

uint32_t vexa_CloseStream(void* handle) {
    if (!handle) return uint32_t(Result::InvalidArgument);
    // A stream opened with both update bits holds no archive file; it is released all the same,
    // so its context and cancel event never leak.
    std::unique_ptr<VEXA_STREAM> stream(vexa::AsStream(handle));
    vexa::DecodeScratch::KeepForNextStream(std::move(stream->scratch));
    if (!stream->archive.IsOpen()) return uint32_t(Result::Success);
    if (stream->mode & VEXA_MODE_UPDATE) {
        uint8_t header[vexa::kHeaderSize];
        vexa::SerializeHeader(stream->header, header);
        if (!stream->archive.Seek(stream->archiveOffset) ||
            stream->archive.Write(header, sizeof(header)).written != sizeof(header))
            return uint32_t(Result::Unknown);
    }
    return uint32_t(Result::Success);
}

uint32_t vexa_CancelOperation(void* handle) {
    vexa::AsStream(handle)->cancel.Set();
    return uint32_t(Result::Success);
}
