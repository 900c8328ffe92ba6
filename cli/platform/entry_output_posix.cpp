// POSIX: every level is opened relative to its parent with O_NOFOLLOW, so a symbolic link
// anywhere below the destination is never followed, even one planted during the run. A folder
// stays open while its entries are written, and each file is created without a name
// (O_TMPFILE), written, timed, linked to its name and closed relative to it: five system calls
// for a small file, one change to the folder, and nothing left behind by a run that stops.
// Where unnamed files are not available, a temporary name is created and renamed instead.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <utility>

#include "entry_output.h"
#include "filetime.h"
#include "host_fs.h"
#include "interrupt.h"
#include "platform.h"

namespace vexa::cli {

namespace {

class Descriptor {
  public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
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

using Status = EntryOutput::Status;
using SharedDescriptor = std::shared_ptr<const Descriptor>;

std::string Join(const std::string& path, const std::string& level) {
    return path + (path.empty() || path.back() == '/' ? "" : "/") + level;
}

// Moves `folder` one level down to `level` (`path` names it in messages), creating it when
// missing and never passing through a link. `created` tells whether this call made it.
Status EnterLevel(int parent, const std::string& level, const std::string& path, Descriptor& folder,
                  bool& created, std::string& why) {
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    created = false;
    int next = ::openat(parent, level.c_str(), flags);
    if (next < 0 && errno == ENOENT) {
        if (::mkdirat(parent, level.c_str(), 0777) == 0) {
            created = true;
        } else if (errno != EEXIST) {
            why = "cannot create directory " + path + ": " + Error();
            return Status::Failed;
        }
        next = ::openat(parent, level.c_str(), flags);
    }
    if (next >= 0) {
        folder = Descriptor(next);
        return Status::Ready;
    }
    const int error = errno;
    if (IsSymlink(parent, level)) {
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

// Whether the entry may take `name` in `folder`: free, or an ordinary file to be replaced
// (`exists` then).
Status ExamineFinalName(int folder, const std::string& name, const std::string& path,
                        bool overwrite, bool& exists, std::string& why) {
    struct stat existing;
    exists = ::fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists) return Status::Ready;
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

// Renames without replacing anything; `unsupported` when the system or file system cannot.
bool RenameNoReplace(int folder, const char* from, const char* to, bool& unsupported) {
    unsupported = false;
#ifdef RENAME_NOREPLACE
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return true;
    unsupported = errno == EINVAL || errno == ENOSYS;
    return false;
#else
    unsupported = true;
    return false;
#endif
}

// Whether a file made with O_TMPFILE can be given a name later: through /proc/self/fd, which
// needs no privilege. Without /proc the content would have no way into place.
bool CanNameUnnamedFiles() {
#ifdef O_TMPFILE
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
#else
    return false;
#endif
}

// Gives the unnamed file `fd` the name `name` in `folder`; fails with EEXIST when it is taken.
bool NameUnnamedFile(int fd, int folder, const char* name) {
    char self[40];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, self, folder, name, AT_SYMLINK_FOLLOW) == 0;
}

unsigned long CachedProcessId() {
    static const unsigned long id = fs::ProcessId();
    return id;
}

}  // namespace

struct OutputFolders::State {
    struct Level {
        std::string name;
        std::string path;  // from the root, for messages
        SharedDescriptor folder;
        bool created = false;  // by this run
    };
    std::string root;
    SharedDescriptor rootFolder;
    std::vector<Level> levels;  // the folder chain the last entry went to
    FreeSpaceEstimate freeSpace;
};

OutputFolders::OutputFolders(std::string root) : state_(std::make_unique<State>()) {
    state_->root = std::move(root);
}

OutputFolders::~OutputFolders() = default;

struct EntryOutput::State {
    OutputFolders::State* folders = nullptr;
    SharedDescriptor folder;
    Descriptor file;
    std::string name;
    std::string tempName;
    std::string tempPath;  // for the interrupt handler
    std::string finalPath;
    std::unique_ptr<RemoveOnInterrupt> interruptGuard;
    bool overwrite = false;
    bool examined = false;  // the final name was looked at before the content was written
    bool replaces = false;  // ... and found to be a file to replace
    bool created = false;   // the temporary name exists
    bool unnamed = false;   // the file has no name yet (O_TMPFILE)
    uint64_t written = 0;
};

EntryOutput::EntryOutput() : state_(std::make_unique<State>()) {}

EntryOutput::~EntryOutput() {
    state_->file.Reset();
    if (state_->created) ::unlinkat(state_->folder->Get(), state_->tempName.c_str(), 0);
}

EntryOutput::Status EntryOutput::Prepare(OutputFolders& folders,
                                         const std::vector<std::string>& levels, bool overwrite,
                                         std::string& why) {
    State& s = *state_;
    OutputFolders::State& f = *folders.state_;
    s.folders = &f;
    s.overwrite = overwrite;
    if (!f.rootFolder) {
        Descriptor root(::open(f.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!root.IsOpen()) {
            why = f.root + ": " + Error();
            return Status::Failed;
        }
        f.rootFolder = std::make_shared<const Descriptor>(std::move(root));
    }
    // The levels shared with the previous entry are still open; the rest are entered afresh.
    const size_t folderLevels = levels.size() - 1;
    size_t kept = 0;
    while (kept < f.levels.size() && kept < folderLevels && f.levels[kept].name == levels[kept])
        ++kept;
    if (kept < f.levels.size() || kept < folderLevels) f.freeSpace.Forget();
    f.levels.resize(kept);
    while (f.levels.size() < folderLevels) {
        const bool top = f.levels.empty();
        const std::string& parentPath = top ? f.root : f.levels.back().path;
        const int parent = (top ? f.rootFolder : f.levels.back().folder)->Get();
        OutputFolders::State::Level level{levels[f.levels.size()], "", nullptr, false};
        level.path = Join(parentPath, level.name);
        Descriptor folder;
        if (const Status status =
                EnterLevel(parent, level.name, level.path, folder, level.created, why);
            status != Status::Ready)
            return status;
        level.folder = std::make_shared<const Descriptor>(std::move(folder));
        f.levels.push_back(std::move(level));
    }
    const std::string& path = f.levels.empty() ? f.root : f.levels.back().path;
    s.folder = f.levels.empty() ? f.rootFolder : f.levels.back().folder;
    s.name = levels.back();
    s.finalPath = Join(path, s.name);
    // In a folder this run created, only this run's own entries could have taken the name,
    // and the rename into place finds them; elsewhere the name is examined now, before any
    // content is written.
    s.examined = f.levels.empty() || !f.levels.back().created;
    if (s.examined) {
        if (const Status status =
                ExamineFinalName(s.folder->Get(), s.name, s.finalPath, overwrite, s.replaces, why);
            status != Status::Ready)
            return status;
    }

    char tempName[platform::kTemporaryNameSize];
    platform::TemporaryName(tempName, CachedProcessId(), ++g_serial);
    s.tempName = tempName;
    s.tempPath = Join(path, s.tempName);
    const std::string& tempPath = s.tempPath;
#ifdef O_TMPFILE
    // A file without a name needs no cleaning up: a run that stops leaves nothing behind, and
    // giving it its name is one change to the folder rather than a create and a rename.
    if (CanNameUnnamedFiles()) {
        s.file = Descriptor(::openat(s.folder->Get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (s.file.IsOpen()) {
            s.unnamed = true;
            return Status::Ready;
        }
    }
#endif
    s.interruptGuard = std::make_unique<RemoveOnInterrupt>(tempPath);
    s.file = Descriptor(::openat(s.folder->Get(), s.tempName.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!s.file.IsOpen()) {
        why = "cannot create " + tempPath + ": " + Error();
        return Status::Failed;
    }
    s.created = true;
    return Status::Ready;
}

EntryOutput::Status EntryOutput::CheckFinalName(std::string& why) {
    State& s = *state_;
    if (s.examined || !s.folder) return Status::Ready;
    bool exists;
    return ExamineFinalName(s.folder->Get(), s.name, s.finalPath, s.overwrite, exists, why);
}

bool EntryOutput::LacksRoomFor(uint64_t size) {
    State& s = *state_;
    return s.folders->freeSpace.Lacks(size, [&]() -> std::optional<uint64_t> {
        struct statvfs vfs;
        if (::fstatvfs(s.folder->Get(), &vfs) != 0) return std::nullopt;
        return uint64_t(vfs.f_bavail) * uint64_t(vfs.f_frsize);
    });
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
        state_->written += uint64_t(written);
    }
    return true;
}

EntryOutput::Status EntryOutput::Commit(uint32_t attributes, uint64_t modificationTime,
                                        std::string& why) {
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
    const int folder = s.folder->Get();
    if (s.unnamed) return CommitUnnamed(why);
    if (!s.file.Reset()) {
        why = "write error: " + Error();
        return Status::Failed;
    }
    // A name found free (or not yet examined) is taken only if it is still free, so nothing
    // that appeared there meanwhile is replaced unexamined.
    bool replace = s.replaces;
    if (!replace) {
        bool unsupported;
        if (!RenameNoReplace(folder, s.tempName.c_str(), s.name.c_str(), unsupported)) {
            if (!unsupported && errno != EEXIST) {
                why = "cannot rename into place: " + Error();
                return Status::Failed;
            }
            if (!unsupported || !s.examined) {
                const Status status =
                    ExamineFinalName(folder, s.name, s.finalPath, s.overwrite, replace, why);
                if (status != Status::Ready) return status;
            }
            replace = true;
        }
    }
    if (replace && ::renameat(folder, s.tempName.c_str(), folder, s.name.c_str()) != 0) {
        why = "cannot rename into place: " + Error();
        return Status::Failed;
    }
    s.created = false;
    s.interruptGuard.reset();
    s.folders->freeSpace.Spend(s.written);
    return Status::Ready;
}

// The file has no name: it is linked to its own name if that is free, or else (a file to
// replace) to the temporary name and renamed over it. The file is closed only once named, and a
// close that fails takes the name away again.
EntryOutput::Status EntryOutput::CommitUnnamed(std::string& why) {
    State& s = *state_;
    const int folder = s.folder->Get();
    bool replace = s.replaces;
    if (!replace) {
        if (!NameUnnamedFile(s.file.Get(), folder, s.name.c_str())) {
            if (errno != EEXIST) {
                why = "cannot move into place: " + Error();
                return Status::Failed;
            }
            const Status status =
                ExamineFinalName(folder, s.name, s.finalPath, s.overwrite, replace, why);
            if (status != Status::Ready) return status;
        }
    }
    if (replace) {
        s.interruptGuard = std::make_unique<RemoveOnInterrupt>(s.tempPath);
        if (!NameUnnamedFile(s.file.Get(), folder, s.tempName.c_str())) {
            why = "cannot move into place: " + Error();
            return Status::Failed;
        }
        s.created = true;
        if (::renameat(folder, s.tempName.c_str(), folder, s.name.c_str()) != 0) {
            why = "cannot rename into place: " + Error();
            return Status::Failed;
        }
        s.created = false;
        s.interruptGuard.reset();
    }
    if (!s.file.Reset()) {
        why = "write error: " + Error();
        if (!replace) ::unlinkat(folder, s.name.c_str(), 0);
        return Status::Failed;
    }
    s.folders->freeSpace.Spend(s.written);
    return Status::Ready;
}

const std::string& EntryOutput::FinalPath() const {
    return state_->finalPath;
}

}  // namespace vexa::cli
