// An open archive stream of the reader library, closed when it goes out of scope.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "crc32.h"
#include "reader_helpers.h"

namespace vexa::cli {

class ArchiveReader {
  public:
    ArchiveReader() = default;
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // Opens read-only.
    Result Open(const std::string& path);
    void* Handle() const { return handle_; }
    uint64_t EntryCount() const;
    Result Entry(uint64_t index, VEXA_ENTRY& entry) const;

    // Every record in archive order. When a record cannot be read, returns those before it and
    // sets `error` (otherwise Success).
    std::vector<VEXA_ENTRY> AllEntries(Result& error) const;

  private:
    void* handle_ = nullptr;
};

// The library's message for a result code.
std::string ResultText(Result result);

// Why a file cannot be opened as an archive, in words that say what happened: a directory, a
// file without the signature, or the library's message otherwise.
std::string OpenFailureText(const std::string& path, Result result);

// "entry N of M: ..." for a record that cannot be read; a record cut short says so instead of
// the library's generic message.
std::string RecordFailureText(uint64_t index, uint64_t count, Result result);

// What a decode handed over, so that a failure can be told apart: a CRC mismatch (all the
// content arrived but its CRC differs) from other damage.
class DecodeTally {
  public:
    void Add(const uint8_t* data, size_t count);
    uint64_t Bytes() const { return bytes_; }
    // Empty when the entry decoded to exactly its recorded size and CRC; otherwise why not.
    std::string FailureText(Result result, const VEXA_ENTRY& entry) const;

  private:
    uint64_t bytes_ = 0;
    CrcAccumulator crc_;
};

// Text made safe to print on a terminal: control bytes shown as \xHH.
std::string Printable(const std::string& text);

}  // namespace vexa::cli
