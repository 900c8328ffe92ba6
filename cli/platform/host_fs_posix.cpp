// POSIX implementation of the tool's file-system helpers.
#include <errno.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cwctype>

#include "filetime.h"
#include "host_fs.h"

namespace vexa::cli::fs {

namespace {

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

platform::File OpenForReading(const std::string& path) {
    return platform::File::Open(path.c_str(), platform::File::Access::Read);
}

platform::File CreateForWriting(const std::string& path) {
    return platform::File::Open(path.c_str(), platform::File::Access::CreateTruncate);
}

std::string LibraryPath(const std::string& path) {
    return path;
}

// Upper case as Unicode has it, whatever the process locale (the "C" locale knows only ASCII).
char32_t UpperCase(char32_t c) {
    static const locale_t unicode = [] {
        locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        return locale ? locale : ::newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t(0));
    }();
    return unicode ? char32_t(::towupper_l(wint_t(c), unicode))
                   : char32_t(std::towupper(wint_t(c)));
}

std::string CaseFoldKey(const std::string& name) {
    // Decodes UTF-8 by hand (no locale needed), upper-cases each character and encodes it again;
    // a stray byte stays as it is.
    std::string key;
    for (size_t i = 0; i < name.size();) {
        const auto lead = static_cast<unsigned char>(name[i]);
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (i + length > name.size()) length = 1;
        if (length == 1) {
            key += char(std::toupper(lead));
            ++i;
            continue;
        }
        char32_t c = lead & (0x3F >> (length - 1));
        for (size_t k = 1; k < length; ++k) c = c << 6 | (name[i + k] & 0x3F);
        c = UpperCase(c);
        if (c < 0x800) {
            key += char(0xC0 | c >> 6);
        } else if (c < 0x10000) {
            key += char(0xE0 | c >> 12);
            key += char(0x80 | (c >> 6 & 0x3F));
        } else {
            key += char(0xF0 | c >> 18);
            key += char(0x80 | (c >> 12 & 0x3F));
            key += char(0x80 | (c >> 6 & 0x3F));
        }
        key += char(0x80 | (c & 0x3F));
        i += length;
    }
    return key;
}

void SetBinaryOutput() {}

std::optional<unsigned> TerminalWidth() {
    struct winsize size = {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return std::nullopt;
    return size.ws_col;
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

bool StderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

std::vector<std::string> CommandArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
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
