#include "archive_reader.h"

#include <cstdio>

#include "vexa.h"

namespace vexa::cli {

ArchiveReader::~ArchiveReader() {
    if (handle_) (void)vexa_CloseStream(handle_);
}

uint32_t ArchiveReader::Open(const std::string& path) {
    if (handle_) {
        (void)vexa_CloseStream(handle_);
        handle_ = nullptr;
    }
    void* handle = nullptr;
    const uint32_t result = vexa_OpenStream(&handle, path.c_str(), VEXA_MODE_READ);
    if (result == 0) handle_ = handle;
    return result;
}

uint64_t ArchiveReader::EntryCount() const {
    return handle_ ? vexa_GetNumFiles(handle_) : 0;
}

uint32_t ArchiveReader::Entry(uint64_t index, VEXA_ENTRY& entry) const {
    return vexa_EnumerateFiles(handle_, &entry, index);
}

std::vector<VEXA_ENTRY> ArchiveReader::AllEntries(uint32_t& error) const {
    std::vector<VEXA_ENTRY> entries;
    error = 0;
    for (uint64_t i = 0; i < EntryCount(); ++i) {
        VEXA_ENTRY entry;
        error = Entry(i, entry);
        if (error != 0) break;
        entries.push_back(entry);
    }
    return entries;
}

std::string ResultText(uint32_t code) {
    return vexa_GetErrorString(code > 0x7FFFFFFFu ? -1 : int(code));
}

std::string EntryName(const VEXA_ENTRY& entry) {
    return std::string(entry.name, EntryNameLength(entry));
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
