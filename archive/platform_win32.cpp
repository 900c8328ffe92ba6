// Win32 implementation of the platform layer (ANSI interface).
#include <windows.h>

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
HANDLE CreateNewFile(const char* path) {
    return ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                         nullptr);
}

}  // namespace

File File::Open(const char* path, Access access) {
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
        const DWORD attributes = ::GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return file;
        }
        desired |= GENERIC_WRITE;
    }
    // OPEN_ALWAYS plus an explicit truncation (rather than CREATE_ALWAYS) lets a hidden or
    // system file be overwritten; a read-only one still refuses the write access.
    if (access == Access::CreateTruncate) disposition = OPEN_ALWAYS;
    HANDLE h =
        ::CreateFileA(path, desired, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
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

std::optional<uint64_t> FreeBytes(const char* directory) {
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExA(*directory ? directory : nullptr, &available, nullptr, nullptr))
        return std::nullopt;
    return uint64_t(available.QuadPart);
}

bool SetAttributes(const char* path, uint32_t attributes) {
    // A new file mostly has the attributes already (the archive bit); reading them is cheaper
    // than setting them, which opens the file again.
    if (::GetFileAttributesA(path) == attributes) return true;
    return ::SetFileAttributesA(path, attributes) != 0;
}

}  // namespace vexa::platform
