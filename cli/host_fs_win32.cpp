// Windows implementation of the tool's file-system helpers (ANSI interface, like the archive
// names themselves).
#include <windows.h>

#include <cstdio>

#include "host_fs.h"

namespace vexa::cli::fs {

namespace {

uint64_t Join(DWORD high, DWORD low) {
    return uint64_t(high) << 32 | low;
}

// Closes a kernel handle whose empty value is INVALID_HANDLE_VALUE.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (IsValid()) ::CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

class FindHandle {
  public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) ::FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

constexpr DWORD kStoredAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

}  // namespace

char Separator() {
    return '\\';
}

std::optional<Metadata> Stat(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    Metadata meta;
    meta.symlink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        meta.kind = Kind::Directory;
    } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
        meta.kind = Kind::Other;
    } else {
        meta.kind = Kind::File;
        meta.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    }
    meta.modificationTime =
        Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    meta.attributes = data.dwFileAttributes & kStoredAttributes;
    return meta;
}

std::optional<std::vector<std::string>> ListDirectory(const std::string& path) {
    std::string pattern = path;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/' &&
        pattern.back() != ':')
        pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA found;
    FindHandle find(::FindFirstFileA(pattern.c_str(), &found));
    if (!find.IsValid()) {
        if (::GetLastError() == ERROR_FILE_NOT_FOUND) return std::vector<std::string>{};
        return std::nullopt;
    }
    std::vector<std::string> names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find.Get(), &found));
    if (::GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
    return names;
}

std::optional<std::string> FileIdentity(const std::string& path) {
    FileHandle file(::CreateFileA(path.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.IsValid()) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file.Get(), &info)) return std::nullopt;
    char text[64];
    std::snprintf(text, sizeof text, "%lx:%lx:%lx", (unsigned long)info.dwVolumeSerialNumber,
                  (unsigned long)info.nFileIndexHigh, (unsigned long)info.nFileIndexLow);
    return std::string(text);
}

bool MakeDirectory(const std::string& path) {
    if (::CreateDirectoryA(path.c_str(), nullptr)) return true;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RenameReplace(const std::string& from, const std::string& to) {
    return ::MoveFileExA(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesA(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    return ::DeleteFileA(path.c_str()) != 0;
}

bool SetModificationTime(const std::string& path, uint64_t filetime) {
    // Writing attributes is allowed on a read-only file, writing data is not.
    FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    FILETIME time;
    time.dwLowDateTime = DWORD(filetime);
    time.dwHighDateTime = DWORD(filetime >> 32);
    return ::SetFileTime(file.Get(), nullptr, nullptr, &time) != 0;
}

bool StderrIsTerminal() {
    DWORD mode;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

unsigned long ProcessId() {
    return ::GetCurrentProcessId();
}

std::string ProgramDirectory(const char*) {
    char buffer[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return {};
    std::string path(buffer, length);
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LastErrorText() {
    const DWORD code = ::GetLastError();
    char buffer[256];
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, code, 0, buffer, sizeof buffer, nullptr);
    while (length > 0 &&
           (buffer[length - 1] == '\n' || buffer[length - 1] == '\r' || buffer[length - 1] == '.'))
        --length;
    if (length == 0) return "error " + std::to_string(code);
    return std::string(buffer, length);
}

}  // namespace vexa::cli::fs
