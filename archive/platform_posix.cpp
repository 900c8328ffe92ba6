// POSIX implementation of the platform layer.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <utility>

#include "platform.h"

namespace vexa::platform {

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      position_(std::exchange(other.position_, 0)),
      bytesRead_(std::exchange(other.bytesRead_, 0)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        position_ = std::exchange(other.position_, 0);
        bytesRead_ = std::exchange(other.bytesRead_, 0);
    }
    return *this;
}

File File::Open(const char* path, Access access) {
    File file;
    if (access != Access::Read) {
        // The read-only attribute maps to "no write permission"; honour it even for root, who
        // could otherwise write anyway.
        struct stat st;
        if (::stat(path, &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) {
            errno = EACCES;
            return file;
        }
    }
    int flags = O_CLOEXEC;
    switch (access) {
        case Access::Read:
            flags |= O_RDONLY;
            break;
        case Access::ReadWrite:
            flags |= O_RDWR;
            break;
        case Access::CreateTruncate:
            flags |= O_RDWR | O_CREAT | O_TRUNC;
            break;
    }
    file.fd_ = ::open(path, flags, 0666);
    if (file.fd_ >= 0) {
        struct stat st;
        if (::fstat(file.fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
            file.Close();
            return file;
        }
#ifdef POSIX_FADV_SEQUENTIAL
        ::posix_fadvise(file.fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    }
    return file;
}

File File::Adopt(int fd) {
    File file;
    file.fd_ = fd;
    return file;
}

bool File::IsOpen() const {
    return fd_ >= 0;
}

size_t File::Read(void* buffer, size_t count) {
    if (fd_ < 0) return 0;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, count);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return 0;
        position_ += uint64_t(got);
        bytesRead_ += uint64_t(got);
        return size_t(got);
    }
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
    while (fd_ >= 0 && total < count && position + total <= uint64_t(INT64_MAX)) {
        const ssize_t got = ::pread(fd_, bytes + total, count - total, off_t(position + total));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        total += size_t(got);
        bytesRead_ += uint64_t(got);
    }
    return total;
}

File::WriteResult File::Write(const void* buffer, size_t count) {
    WriteResult result;
    if (fd_ < 0) return result;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (result.written < count) {
        const ssize_t put = ::write(fd_, bytes + result.written, count - result.written);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            result.diskFull = put < 0 && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG);
            break;
        }
        result.written += size_t(put);
        position_ += uint64_t(put);
    }
    return result;
}

bool File::Seek(uint64_t position) {
    if (fd_ < 0 || position > uint64_t(INT64_MAX)) return false;
    if (::lseek(fd_, off_t(position), SEEK_SET) < 0) return false;
    position_ = position;
    return true;
}

std::optional<uint64_t> File::Size() const {
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return std::nullopt;
    return uint64_t(st.st_size);
}

void File::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    position_ = 0;
}

NativePath NativePathOf(const char* bytes) {
    return NativePath(bytes);
}

bool IsReadOnlyFile(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

namespace {
std::atomic<unsigned> g_pendingSerial{0};
}  // namespace

bool PendingFile::Create(const char* finalPath) {
    Discard();
    finalPath_ = finalPath;
    const char* slash = std::strrchr(finalPath, '/');
    const size_t folderLength = slash ? size_t(slash - finalPath) + 1 : 0;
    // A name taken by another file is passed over; any other refusal is final.
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[kTemporaryNameSize];
        TemporaryName(name, static_cast<unsigned long>(::getpid()), ++g_pendingSerial);
        tempPath_.assign(finalPath, folderLength);
        tempPath_ += name;
        const int fd = ::open(tempPath_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            file_ = File::Adopt(fd);
            return true;
        }
        if (errno != EEXIST) break;
    }
    tempPath_.clear();
    return false;
}

std::optional<uint64_t> PendingFile::FreeBytes() const {
    const NativePath folder(tempPath_, 0, tempPath_.rfind('/') + 1);
    struct statvfs vfs;
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &vfs) != 0) return std::nullopt;
    return uint64_t(vfs.f_bavail) * uint64_t(vfs.f_frsize);
}

bool PendingFile::LiesIn(const char*) const {
    return true;
}

PendingFile::Outcome PendingFile::Commit(uint32_t attributes, bool replaceReadOnly) {
    file_.Close();
    struct stat st;
    if (::stat(tempPath_.c_str(), &st) == 0) {
        mode_t mode = st.st_mode & 07777;
        // The read-only attribute becomes the absence of write permission.
        if (attributes & 0x01) {
            mode &= mode_t(~(S_IWUSR | S_IWGRP | S_IWOTH));
        } else {
            mode |= S_IWUSR;
        }
        ::chmod(tempPath_.c_str(), mode);
    }
    if (!replaceReadOnly && IsReadOnlyFile(finalPath_)) {
        Discard();
        return Outcome::ReadOnly;
    }
    if (::rename(tempPath_.c_str(), finalPath_) != 0) {
        Discard();
        return Outcome::Failed;
    }
    tempPath_.clear();
    return Outcome::Done;
}

void PendingFile::Discard() {
    file_.Close();
    if (tempPath_.empty()) return;
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
}

}  // namespace vexa::platform
