// Win32 implementation of the platform layer. Files are opened through the wide functions; a
// narrow path is read in the ANSI code page, as the ANSI functions read it.
#include <windows.h>

#include <atomic>
#include <utility>

#include "platform.h"
#include "unique_handle.h"

namespace vexa::platform {

namespace {
HANDLE AsHandle(void* h) {
    return static_cast<HANDLE>(h);
}
}  // namespace

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)),
      position_(std::exchange(other.position_, 0)),
      bytesRead_(std::exchange(other.bytesRead_, 0)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        position_ = std::exchange(other.position_, 0);
        bytesRead_ = std::exchange(other.bytesRead_, 0);
    }
    return *this;
}

namespace {
// Most destinations are new files. Creating one exclusively needs neither the read-only test
// nor the truncation (a truncation also makes some file systems write the file out at its
// close), and it looks the name up once rather than twice, which counts in a large folder
// under an emulation layer that searches folders for names without regard to case.
HANDLE CreateNewFile(const wchar_t* path) {
    return ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                         nullptr);
}

}  // namespace

File File::Open(const char* path, Access access) {
    return Open(NativePathOf(path).c_str(), access);
}

File File::Open(const wchar_t* path, Access access) {
    File file;
    if (access == Access::CreateTruncate) {
        file.handle_ = CreateNewFile(path);
        if (file.IsOpen()) return file;
        // The file exists (or the creation failed): the general way below decides.
    }
    DWORD desired = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if (access != Access::Read) {
        // A read-only file is never opened for writing, whoever asks (an administrator under
        // some emulation layers could otherwise write it).
        if (IsReadOnlyFile(path)) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return file;
        }
        desired |= GENERIC_WRITE;
    }
    // OPEN_ALWAYS plus an explicit truncation (rather than CREATE_ALWAYS) lets a hidden or
    // system file be overwritten; a read-only one still refuses the write access.
    if (access == Access::CreateTruncate) disposition = OPEN_ALWAYS;
    HANDLE h =
        ::CreateFileW(path, desired, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return file;
    file.handle_ = h;
    if (access == Access::CreateTruncate && !::SetEndOfFile(h)) file.Close();
    return file;
}

File File::Adopt(void* handle) {
    File file;
    file.handle_ = handle;
    return file;
}

bool File::IsOpen() const {
    return AsHandle(handle_) != INVALID_HANDLE_VALUE;
}

size_t File::Read(void* buffer, size_t count) {
    if (!IsOpen()) return 0;
    const DWORD chunk = count > 0x40000000u ? 0x40000000u : DWORD(count);
    DWORD got = 0;
    if (!::ReadFile(AsHandle(handle_), buffer, chunk, &got, nullptr)) return 0;
    position_ += got;
    bytesRead_ += got;
    return got;
}

size_t File::ReadFully(void* buffer, size_t count) {
    size_t total = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (total < count) {
        const size_t got = Read(bytes + total, count - total);
        if (got == 0) break;
        total += got;
    }
    return total;
}

size_t File::ReadFullyAt(uint64_t position, void* buffer, size_t count) {
    size_t total = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (IsOpen() && total < count && position + total <= uint64_t(INT64_MAX)) {
        // On a handle opened for synchronous access, a read with an offset reads there and
        // leaves the file pointer after what it read.
        OVERLAPPED at = {};
        at.Offset = DWORD(position + total);
        at.OffsetHigh = DWORD((position + total) >> 32);
        const size_t left = count - total;
        const DWORD chunk = left > 0x40000000u ? 0x40000000u : DWORD(left);
        DWORD got = 0;
        if (!::ReadFile(AsHandle(handle_), bytes + total, chunk, &got, &at) || got == 0) break;
        total += got;
        bytesRead_ += got;
        position_ = position + total;
    }
    return total;
}

File::WriteResult File::Write(const void* buffer, size_t count) {
    WriteResult result;
    if (!IsOpen()) return result;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (result.written < count) {
        const size_t left = count - result.written;
        const DWORD chunk = left > 0x40000000u ? 0x40000000u : DWORD(left);
        DWORD put = 0;
        if (!::WriteFile(AsHandle(handle_), bytes + result.written, chunk, &put, nullptr) ||
            put == 0) {
            const DWORD error = ::GetLastError();
            result.diskFull = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
            break;
        }
        result.written += put;
        position_ += put;
    }
    return result;
}

bool File::Seek(uint64_t position) {
    if (!IsOpen()) return false;
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(position);
    if (position > uint64_t(INT64_MAX) ||
        !::SetFilePointerEx(AsHandle(handle_), to, nullptr, FILE_BEGIN))
        return false;
    position_ = position;
    return true;
}

std::optional<uint64_t> File::Size() const {
    LARGE_INTEGER size;
    if (!IsOpen() || !::GetFileSizeEx(AsHandle(handle_), &size)) return std::nullopt;
    return uint64_t(size.QuadPart);
}

void File::Close() {
    if (IsOpen()) ::CloseHandle(AsHandle(handle_));
    handle_ = INVALID_HANDLE_VALUE;
    position_ = 0;
}

NativePath NativePathOf(const char* bytes) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes, -1, nullptr, 0);
    if (length <= 0) return NativePath();
    NativePath wide{size_t(length)};
    ::MultiByteToWideChar(CP_ACP, 0, bytes, -1, wide.data(), length);
    return wide;
}

bool IsReadOnlyFile(const wchar_t* path) {
    const DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

std::atomic<unsigned> g_pendingSerial{0};

// The length of the folder part of `path`, with its separator ("C:" for "C:file").
size_t FolderLength(const wchar_t* path) {
    size_t folder = 0;
    for (size_t i = 0; path[i]; ++i)
        if (path[i] == L'\\' || path[i] == L'/' || (i == 1 && path[i] == L':')) folder = i + 1;
    return folder;
}

}  // namespace

bool PendingFile::Create(const wchar_t* finalPath) {
    Discard();
    finalPath_ = finalPath;
    const size_t folder = FolderLength(finalPath);
    // A name taken by another file is passed over; any other refusal is final.
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[kTemporaryNameSize];
        const size_t nameLength = TemporaryName(name, ::GetCurrentProcessId(), ++g_pendingSerial);
        NativePath temp(folder + nameLength);
        for (size_t i = 0; i < folder; ++i) temp.data()[i] = finalPath[i];
        for (size_t i = 0; i <= nameLength; ++i) temp.data()[folder + i] = wchar_t(name[i]);
        const HANDLE h = CreateNewFile(temp.c_str());
        if (h != INVALID_HANDLE_VALUE) {
            file_ = File::Adopt(h);
            tempPath_ = std::move(temp);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return false;
}

std::optional<uint64_t> PendingFile::FreeBytes() const {
    const size_t folder = FolderLength(tempPath_.c_str());
    NativePath path(folder);
    for (size_t i = 0; i < folder; ++i) path.data()[i] = tempPath_.c_str()[i];
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExW(folder ? path.c_str() : nullptr, &available, nullptr, nullptr))
        return std::nullopt;
    return uint64_t(available.QuadPart);
}

bool PendingFile::LiesIn(const wchar_t* folder) const {
    wchar_t path[2048];
    const DWORD length = ::GetFinalPathNameByHandleW(AsHandle(file_.handle_), path, 2048, 0);
    if (length == 0 || length >= 2048) return false;
    const wchar_t* name = path + length;
    while (name > path && name[-1] != L'\\') --name;
    if (name == path) return false;
    const int folderLength = int(name - path - 1);
    if (::CompareStringOrdinal(path, folderLength, folder, -1, TRUE) != CSTR_EQUAL) return false;
    const DWORD existing = ::GetFileAttributesW(finalPath_);
    return existing == INVALID_FILE_ATTRIBUTES || !(existing & FILE_ATTRIBUTE_REPARSE_POINT);
}

PendingFile::Outcome PendingFile::Commit(uint32_t attributes, bool replaceReadOnly) {
    file_.Close();
    // A read-only file refuses to be replaced: it loses that attribute just before, and gets it
    // back if the move fails.
    const DWORD existing = ::GetFileAttributesW(finalPath_);
    const bool readOnly = existing != INVALID_FILE_ATTRIBUTES &&
                          (existing & FILE_ATTRIBUTE_READONLY) &&
                          !(existing & FILE_ATTRIBUTE_DIRECTORY);
    if (readOnly) {
        if (!replaceReadOnly) {
            Discard();
            return Outcome::ReadOnly;
        }
        ::SetFileAttributesW(finalPath_, existing & ~DWORD(FILE_ATTRIBUTE_READONLY));
    }
    if (!::MoveFileExW(tempPath_.c_str(), finalPath_,
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (readOnly) ::SetFileAttributesW(finalPath_, existing);
        Discard();
        return Outcome::Failed;
    }
    tempPath_ = NativePath();
    // Given once the file has its own name: some file systems derive attributes from the name
    // (Wine shows a name starting with a dot as hidden). A new file mostly has the attributes
    // already (the archive bit); reading them is cheaper than setting them.
    if (::GetFileAttributesW(finalPath_) != attributes)
        ::SetFileAttributesW(finalPath_, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    return Outcome::Done;
}

void PendingFile::Discard() {
    file_.Close();
    if (!tempPath_.data()) return;
    ::DeleteFileW(tempPath_.c_str());
    tempPath_ = NativePath();
}

}  // namespace vexa::platform
