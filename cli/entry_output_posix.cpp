// POSIX: every level is opened relative to its parent with O_NOFOLLOW, so a symbolic link
// anywhere below the destination is never followed, even one planted during the run.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstring>
#include <utility>

#include "entry_output.h"
#include "filetime.h"
#include "host_fs.h"
#include "interrupt.h"

namespace vexa::cli {

namespace {

class Descriptor {
  public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Closes and reports whether the close (the last chance for a write error) succeeded.
    bool Reset() {
        const bool ok = fd_ < 0 || ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

  private:
    int fd_ = -1;
};

std::string Error() {
    return std::strerror(errno);
}

bool IsSymlink(int directory, const std::string& name) {
    struct stat st;
    return ::fstatat(directory, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

unsigned g_serial = 0;

}  // namespace

struct EntryOutput::State {
    Descriptor folder;
    Descriptor file;
    std::string name;
    std::string tempName;
    std::string finalPath;
    std::unique_ptr<RemoveOnInterrupt> interruptGuard;
    bool created = false;
};

EntryOutput::EntryOutput() : state_(std::make_unique<State>()) {}

EntryOutput::~EntryOutput() {
    state_->file.Reset();
    if (state_->created) ::unlinkat(state_->folder.Get(), state_->tempName.c_str(), 0);
}

namespace {

using Status = EntryOutput::Status;

std::string Join(const std::string& path, const std::string& level) {
    return path + (path.empty() || path.back() == '/' ? "" : "/") + level;
}

// Moves `folder` one level down to `level` (`path` names it in messages), creating it when
// missing and never passing through a link.
Status EnterLevel(Descriptor& folder, const std::string& level, const std::string& path,
                  std::string& why) {
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int next = ::openat(folder.Get(), level.c_str(), flags);
    if (next < 0 && errno == ENOENT) {
        if (::mkdirat(folder.Get(), level.c_str(), 0777) != 0 && errno != EEXIST) {
            why = "cannot create directory " + path + ": " + Error();
            return Status::Failed;
        }
        next = ::openat(folder.Get(), level.c_str(), flags);
    }
    if (next >= 0) {
        folder = Descriptor(next);
        return Status::Ready;
    }
    const int error = errno;
    if (IsSymlink(folder.Get(), level)) {
        why = "refused: " + path + " is a symbolic link, which extraction never follows";
        return Status::Refused;
    }
    if (error == ENOTDIR) {
        why = path + " exists and is not a directory";
        return Status::Refused;
    }
    errno = error;
    why = path + ": " + Error();
    return Status::Failed;
}

// Whether the entry may take `name` in `folder`: free, or an ordinary file to be replaced.
Status CheckFinalName(int folder, const std::string& name, const std::string& path, bool overwrite,
                      std::string& why) {
    struct stat existing;
    if (::fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0) return Status::Ready;
    if (S_ISLNK(existing.st_mode)) {
        why = "refused: " + path + " is a symbolic link, which extraction never follows";
        return Status::Refused;
    }
    if (S_ISDIR(existing.st_mode)) {
        why = path + " is a directory";
        return Status::Refused;
    }
    if (!S_ISREG(existing.st_mode)) {
        why = path + " exists and is not a file";
        return Status::Refused;
    }
    return overwrite ? Status::Ready : Status::Exists;
}

}  // namespace

EntryOutput::Status EntryOutput::Prepare(const std::string& root,
                                         const std::vector<std::string>& levels, bool overwrite,
                                         std::string& why) {
    State& s = *state_;
    s.folder = Descriptor(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!s.folder.IsOpen()) {
        why = root + ": " + Error();
        return Status::Failed;
    }
    std::string path = root;
    for (size_t i = 0; i + 1 < levels.size(); ++i) {
        path = Join(path, levels[i]);
        if (const Status status = EnterLevel(s.folder, levels[i], path, why);
            status != Status::Ready)
            return status;
    }
    s.name = levels.back();
    s.finalPath = Join(path, s.name);
    if (const Status status = CheckFinalName(s.folder.Get(), s.name, s.finalPath, overwrite, why);
        status != Status::Ready)
        return status;

    s.tempName = TemporaryName(fs::ProcessId(), ++g_serial);
    const std::string tempPath = Join(path, s.tempName);
    s.interruptGuard = std::make_unique<RemoveOnInterrupt>(tempPath);
    s.file = Descriptor(::openat(s.folder.Get(), s.tempName.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!s.file.IsOpen()) {
        why = "cannot create " + tempPath + ": " + Error();
        return Status::Failed;
    }
    s.created = true;
    return Status::Ready;
}

std::optional<uint64_t> EntryOutput::FreeBytes() const {
    struct statvfs vfs;
    if (::fstatvfs(state_->folder.Get(), &vfs) != 0) return std::nullopt;
    return uint64_t(vfs.f_bavail) * uint64_t(vfs.f_frsize);
}

bool EntryOutput::Write(const uint8_t* data, size_t count, std::string& why) {
    while (count > 0) {
        const ssize_t written = ::write(state_->file.Get(), data, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            why =
                errno == ENOSPC || errno == EDQUOT ? "the disk is full" : "write error: " + Error();
            return false;
        }
        data += written;
        count -= size_t(written);
    }
    return true;
}

bool EntryOutput::Commit(uint32_t attributes, uint64_t modificationTime, std::string& why) {
    State& s = *state_;
    const int fd = s.file.Get();
    int64_t seconds;
    uint32_t nanoseconds;
    UnixFromFiletime(modificationTime, seconds, nanoseconds);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(seconds);
    times[1].tv_nsec = long(nanoseconds);
    ::futimens(fd, times);  // like the attributes, a time that cannot be set is not fatal
    // Without Windows attributes, read-only becomes the absence of write permission.
    struct stat st;
    if ((attributes & 0x01) && ::fstat(fd, &st) == 0)
        ::fchmod(fd, st.st_mode & 07777 & mode_t(~(S_IWUSR | S_IWGRP | S_IWOTH)));
    if (!s.file.Reset()) {
        why = "write error: " + Error();
        return false;
    }
    if (::renameat(s.folder.Get(), s.tempName.c_str(), s.folder.Get(), s.name.c_str()) != 0) {
        why = "cannot rename into place: " + Error();
        return false;
    }
    s.created = false;
    s.interruptGuard.reset();
    return true;
}

const std::string& EntryOutput::FinalPath() const {
    return state_->finalPath;
}

}  // namespace vexa::cli
