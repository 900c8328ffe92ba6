// POSIX implementation of the tool's file-system helpers.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "filetime.h"
#include "host_fs.h"

namespace vexa::cli::fs {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

Metadata FromStat(const struct stat& st) {
    Metadata meta;
    if (S_ISREG(st.st_mode))
        meta.kind = Kind::File;
    else if (S_ISDIR(st.st_mode))
        meta.kind = Kind::Directory;
    meta.size = meta.kind == Kind::File ? uint64_t(st.st_size) : 0;
    meta.modificationTime =
        FiletimeFromUnix(int64_t(st.st_mtim.tv_sec), uint32_t(st.st_mtim.tv_nsec));
    // Without Windows attributes, a file the owner may not write is read-only; every stored
    // file carries the archive bit, as a freshly written Windows file does.
    meta.attributes = 0x20u | ((st.st_mode & S_IWUSR) ? 0u : 0x01u);
    return meta;
}

}  // namespace

char Separator() {
    return '/';
}

std::optional<Metadata> Stat(const std::string& path) {
    struct stat link;
    if (::lstat(path.c_str(), &link) != 0) return std::nullopt;
    if (!S_ISLNK(link.st_mode)) return FromStat(link);
    Metadata meta;  // a dangling link stays Kind::Other
    struct stat target;
    if (::stat(path.c_str(), &target) == 0) meta = FromStat(target);
    meta.symlink = true;
    return meta;
}

std::optional<std::vector<std::string>> ListDirectory(const std::string& path) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
    if (!dir) return std::nullopt;
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
        errno = 0;
    }
    if (errno != 0) return std::nullopt;
    return names;
}

std::optional<std::string> FileIdentity(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return std::to_string(uint64_t(st.st_dev)) + ":" + std::to_string(uint64_t(st.st_ino));
}

bool MakeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    struct stat st;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RenameReplace(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool SetModificationTime(const std::string& path, uint64_t filetime) {
    int64_t seconds;
    uint32_t nanoseconds;
    UnixFromFiletime(filetime, seconds, nanoseconds);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(seconds);
    times[1].tv_nsec = long(nanoseconds);
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool StderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

unsigned long ProcessId() {
    return (unsigned long)::getpid();
}

std::string ProgramDirectory(const char* argv0) {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string path =
        length > 0 ? std::string(buffer, size_t(length)) : std::string(argv0 ? argv0 : "");
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LastErrorText() {
    return std::strerror(errno);
}

}  // namespace vexa::cli::fs
