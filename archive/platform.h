// The thin layer between the archive logic and the operating system: files, the cancel
// signal, free space and attributes. One implementation file per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "reader_helpers.h"

namespace vexa::platform {

// An open file with its own position. Move-only; closes itself.
class File {
  public:
    enum class Access {
        Read,            // read-only, existing file
        ReadWrite,       // read and write, existing file
        CreateTruncate,  // read and write, created when missing, cut to zero length
    };
    struct WriteResult {
        size_t written = 0;
        bool diskFull = false;
    };

    File() = default;
    ~File() { Close(); }
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens `path` shareable for reading and writing by others, with a sequential-access hint.
    // A file without write permission (read-only attribute) cannot be opened for writing.
    static File Open(const char* path, Access access);
    // Takes over a handle (descriptor) opened elsewhere, for callers that open files their own
    // way (wide names, no link following); it is closed with the File.
#ifdef _WIN32
    static File Adopt(void* handle);
#else
    static File Adopt(int fd);
#endif

    bool IsOpen() const;
    // Reads up to `count` bytes; returns how many arrived (0 at end or on error).
    size_t Read(void* buffer, size_t count);
    // Reads until `count` bytes arrived or the file ends.
    size_t ReadFully(void* buffer, size_t count);
    // Reads at `position` until `count` bytes arrived or the file ends, in one system call
    // where one suffices; Position() still tells where Read continues.
    size_t ReadFullyAt(uint64_t position, void* buffer, size_t count);
    WriteResult Write(const void* buffer, size_t count);
    bool Seek(uint64_t position);
    uint64_t Position() const {
        return position_;
    }
    // Bytes delivered by every read since the file was opened.
    uint64_t BytesRead() const {
        return bytesRead_;
    }
    std::optional<uint64_t> Size() const;
    void Close();

  private:
#ifdef _WIN32
    void* handle_ = reinterpret_cast<void*>(intptr_t(-1));
#else
    int fd_ = -1;
#endif
    uint64_t position_ = 0;
    uint64_t bytesRead_ = 0;
};

// Exact reads of byte ranges of `file`, for the signature search; `file` must outlive it.
inline ReadAt ReadFrom(File& file) {
    return [&file](uint64_t position, uint8_t* into, size_t count) {
        return file.ReadFullyAt(position, into, count) == count;
    };
}

// A cancel request that one thread sets and another polls. Auto-reset: a poll that sees the
// request also clears it.
class CancelSignal {
  public:
    CancelSignal();
    ~CancelSignal();
    CancelSignal(const CancelSignal&) = delete;
    CancelSignal& operator=(const CancelSignal&) = delete;

    bool IsValid() const;
    void Set();
    void Reset();
    // True when a request was pending (it is consumed) or the poll itself failed.
    bool PollAndReset();

  private:
    struct State;
    State* state_;
};

// Bytes free to the caller on the volume holding `directory` ("" means the current directory);
// empty when the query fails.
std::optional<uint64_t> FreeBytes(const char* directory);

// Applies Windows attribute bits (already masked) to a file; elsewhere the read-only bit
// becomes the absence of write permission. False on failure.
bool SetAttributes(const char* path, uint32_t attributes);

}  // namespace vexa::platform
