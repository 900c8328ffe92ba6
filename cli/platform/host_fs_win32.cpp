// Windows implementation of the tool's file-system helpers, through the wide functions: the
// tool's UTF-8 paths are converted to UTF-16 at each call.
#include <windows.h>
// after windows.h, which it needs
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "host_fs.h"
#include "long_path.h"
#include "unique_handle.h"
#include "wide_text.h"
#include "windows_command_line.h"

namespace vexa::cli::fs {

namespace {

uint64_t Join(DWORD high, DWORD low) {
    return uint64_t(high) << 32 | low;
}

using win32::FileHandle;

constexpr DWORD kStoredAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

}  // namespace

char Separator() {
    return '\\';
}

std::optional<Metadata> Stat(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
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

std::optional<std::string> FileIdentity(const std::string& path) {
    FileHandle file(::CreateFileW(WidePath(path).c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file.Get(), &info)) return std::nullopt;
    char text[64];
    std::snprintf(text, sizeof text, "%lx:%lx:%lx", (unsigned long)info.dwVolumeSerialNumber,
                  (unsigned long)info.nFileIndexHigh, (unsigned long)info.nFileIndexLow);
    return std::string(text);
}

platform::File OpenForReading(const std::string& path) {
    HANDLE handle = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    return platform::File::Adopt(handle);
}

platform::File CreateForWriting(const std::string& path) {
    HANDLE handle = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    return platform::File::Adopt(handle);
}

std::string LibraryPath(const std::string& path) {
    // The reader opens files through the ANSI functions and keeps the path in a field of 255
    // bytes: it takes only names the ANSI code page can spell, and short paths. The short (8.3)
    // name, where the volume keeps them, gets around both.
    const auto ansiWithin = [](const std::wstring& wide) -> std::optional<std::string> {
        constexpr int kLibraryPathLimit = 255;
        BOOL usedDefault = FALSE;
        char ansi[MAX_PATH * 2];
        const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1,
                                                 ansi, sizeof ansi, nullptr, &usedDefault);
        if (length <= 0 || length - 1 > kLibraryPathLimit || usedDefault) return std::nullopt;
        return std::string(ansi);
    };
    if (const auto ansi = ansiWithin(Widen(path))) return *ansi;
    const std::wstring wide = WidePath(path);
    const DWORD needed = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::wstring shortPath(needed, L'\0');
    const DWORD length = ::GetShortPathNameW(wide.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed) return path;
    shortPath.resize(length);
    if (shortPath.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        shortPath.replace(0, 8, L"\\\\");
    else if (shortPath.compare(0, 4, L"\\\\?\\") == 0)
        shortPath.erase(0, 4);
    return ansiWithin(shortPath).value_or(path);
}

std::string CaseFoldKey(const std::string& name) {
    // Kernel32's upper case rather than user32's CharUpperBuffW: a console program without user32
    // loads fewer DLLs. Without linguistic casing the mapping is the same in every locale.
    const std::wstring wide = Widen(name);
    std::wstring upper = wide;
    if (!wide.empty() && !::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.data(),
                                         int(wide.size()), upper.data(), int(upper.size())))
        return Narrow(wide);
    return Narrow(upper);
}

void SetBinaryOutput() {
    std::fflush(stdout);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

std::optional<unsigned> TerminalWidth() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) return std::nullopt;
    const int width = info.srWindow.Right - info.srWindow.Left + 1;
    return width > 0 ? std::optional<unsigned>(unsigned(width)) : std::nullopt;
}

bool MakeDirectory(const std::string& path) {
    const std::wstring wide = WidePath(path);
    if (::CreateDirectoryW(wide.c_str(), nullptr)) return true;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RenameReplace(const std::string& from, const std::string& to) {
    return ::MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) {
    const std::wstring wide = WidePath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(wide.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    return ::DeleteFileW(wide.c_str()) != 0;
}

bool StderrIsTerminal() {
    DWORD mode;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::vector<std::string> CommandArguments(int, char**) {
    ::SetConsoleOutputCP(CP_UTF8);
    const std::vector<std::wstring> words = SplitWindowsCommandLine(::GetCommandLineW());
    std::vector<std::string> args;
    for (size_t i = 1; i < words.size(); ++i) args.push_back(Narrow(words[i]));
    return args;
}

unsigned long ProcessId() {
    return ::GetCurrentProcessId();
}

std::string ProgramDirectory(const char*) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    const std::string path = Narrow(std::wstring(buffer, length));
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
