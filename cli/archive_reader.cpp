#include "archive_reader.h"

#include <cstdio>

#include "host_fs.h"
#include "vexa.h"

namespace vexa::cli {

ArchiveReader::~ArchiveReader() {
    if (handle_) (void)vexa_CloseStream(handle_);
}

Result ArchiveReader::Open(const std::string& path) {
    if (handle_) {
        (void)vexa_CloseStream(handle_);
        handle_ = nullptr;
    }
    void* handle = nullptr;
    const auto result =
        Result(vexa_OpenStream(&handle, fs::LibraryPath(path).c_str(), VEXA_MODE_READ));
    if (result == Result::Success) handle_ = handle;
    return result;
}

uint64_t ArchiveReader::EntryCount() const {
    return handle_ ? vexa_GetNumFiles(handle_) : 0;
}

Result ArchiveReader::Entry(uint64_t index, VEXA_ENTRY& entry) const {
    return Result(vexa_EnumerateFiles(handle_, &entry, index));
}

std::vector<VEXA_ENTRY> ArchiveReader::AllEntries(Result& error) const {
    std::vector<VEXA_ENTRY> entries;
    error = Result::Success;
    for (uint64_t i = 0; i < EntryCount(); ++i) {
        VEXA_ENTRY entry;
        error = Entry(i, entry);
        if (error != Result::Success) break;
        entries.push_back(entry);
    }
    return entries;
}

std::string ResultText(Result result) {
    const auto code = uint32_t(result);
    return vexa_GetErrorString(code > 0x7FFFFFFFu ? -1 : int(code));
}

std::string OpenFailureText(const std::string& path, Result result) {
    const auto meta = fs::Stat(path);
    if (meta && meta->kind == fs::Kind::Directory) return path + ": is a directory";
    if (result == Result::ArchiveCorrupt && meta) {
        platform::File file = fs::OpenForReading(path);
        const auto size = file.IsOpen() ? file.Size() : std::nullopt;
        if (size && !ScanForSignature(platform::ReadFrom(file), *size))
            return path + ": not a Vexa archive (no signature found)";
    }
    return path + ": " + ResultText(result);
}

std::string RecordFailureText(uint64_t index, uint64_t count, Result result) {
    const std::string where =
        "entry " + std::to_string(index + 1) + " of " + std::to_string(count) + ": ";
    // The walk met the end of the file inside a record or its data.
    if (result == Result::Unknown) return where + "record cut short";
    return where + ResultText(result);
}

void DecodeTally::Add(const uint8_t* data, size_t count) {
    crc_.Update(data, count);
    bytes_ += count;
}

std::string DecodeTally::FailureText(Result result, const VEXA_ENTRY& entry) const {
    if (result == Result::Success && bytes_ == entry.originalSize) return {};
    if (bytes_ != entry.originalSize &&
        (result == Result::Success || result == Result::ArchiveCorrupt))
        return "decoded " + std::to_string(bytes_) + " bytes, but the record says " +
               std::to_string(entry.originalSize) + " (" + ResultText(Result::ArchiveCorrupt) + ")";
    if (result == Result::ArchiveCorrupt && crc_.Value() != entry.crc) return "CRC mismatch";
    return ResultText(result);
}

std::string Printable(const std::string& text) {
    std::string shown;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += char(c);
        }
    }
    return shown;
}

}  // namespace vexa::cli
