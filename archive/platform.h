// The thin layer between the archive logic and the operating system: files, the cancel
// signal, free space and attributes. One implementation file per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "reader_helpers.h"

namespace vexa::platform {

// Paths as the system's file functions take them: UTF-16 on Windows, bytes elsewhere.
#ifdef _WIN32
using PathChar = wchar_t;
// A UTF-16 path on the heap, NUL-terminated (a std::wstring would bring its own code into the
// self-extractor).
class NativePath {
  public:
    NativePath() = default;
    explicit NativePath(size_t length) : text_(new wchar_t[length + 1]()) {}
    const wchar_t* c_str() const { return text_ ? text_.get() : L""; }
    wchar_t* data() { return text_.get(); }

  private:
    std::unique_ptr<wchar_t[]> text_;
};
#else
using PathChar = char;
using NativePath = std::string;
#endif

// A path of bytes as the narrow file functions read it: on Windows turned into UTF-16 through
// the ANSI code page, as the system's ANSI functions turn it; elsewhere the same bytes.
NativePath NativePathOf(const char* bytes);

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
#ifdef _WIN32
    static File Open(const wchar_t* path, Access access);
#endif
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
    friend class PendingFile;
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

// A file written under a temporary name in the folder of its final path and moved over that
// path only by Commit: until then whatever the final path holds stays as it was, and a pending
// file dropped uncommitted is removed.
class PendingFile {
  public:
    enum class Outcome { Done, ReadOnly, Failed };

    PendingFile() = default;
    ~PendingFile() { Discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the temporary file beside `finalPath`, which must stay valid as long as this
    // object. False when it cannot be made.
    bool Create(const PathChar* finalPath);
    File& Output() { return file_; }
    // Bytes free to the caller on the volume that holds the temporary file; empty when unknown.
    std::optional<uint64_t> FreeBytes() const;
    // True when the file opened is where it was asked for: directly in `folder` (a final path,
    // as the system gives it for an open folder), reached through no link on the way, and its
    // final name is no link either. Only Windows is asked; elsewhere the caller opens each level
    // itself.
    bool LiesIn(const PathChar* folder) const;
    // Closes the file, moves it over the final path and gives it the Windows attribute bits
    // `attributes` (already masked; the read-only bit elsewhere becomes the absence of write
    // permission). A read-only file there is replaced only with `replaceReadOnly` (ReadOnly
    // otherwise, and it stays as it was). On anything but Done the temporary file is gone.
    Outcome Commit(uint32_t attributes, bool replaceReadOnly);
    // Removes the temporary file unless it was committed.
    void Discard();

  private:
    File file_;
    const PathChar* finalPath_ = nullptr;
    NativePath tempPath_;  // empty when there is no temporary file
};

// True when `path` names an existing file that is read-only (on Windows its attribute, elsewhere
// no write permission for its owner).
bool IsReadOnlyFile(const PathChar* path);

// The temporary name of the n-th file this process writes, ".vexa-PID-N.part": hidden on POSIX,
// unlikely to meet an entry's own name. Written to `out` with its NUL; returns its length.
constexpr size_t kTemporaryNameSize = 40;
size_t TemporaryName(char (&out)[kTemporaryNameSize], unsigned long processId, unsigned serial);

}  // namespace vexa::platform
