// An open archive stream of the reader library, closed when it goes out of scope.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format.h"

namespace vexa::cli {

class ArchiveReader {
  public:
    ArchiveReader() = default;
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // Opens read-only; returns the library's result code.
    uint32_t Open(const std::string& path);
    void* Handle() const { return handle_; }
    uint64_t EntryCount() const;
    uint32_t Entry(uint64_t index, VEXA_ENTRY& entry) const;

    // Every record in archive order. When a record cannot be read, returns those before it and
    // sets `error` (otherwise 0).
    std::vector<VEXA_ENTRY> AllEntries(uint32_t& error) const;

  private:
    void* handle_ = nullptr;
};

// The library's message for a result code.
std::string ResultText(uint32_t code);

// An entry's name from its record (never past the 100-byte field).
std::string EntryName(const VEXA_ENTRY& entry);

// Text made safe to print on a terminal: control bytes shown as \xHH.
std::string Printable(const std::string& text);

}  // namespace vexa::cli
