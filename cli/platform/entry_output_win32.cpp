// Windows: the files and folders are made through the wide functions from the UTF-8 names. A
// level that is a reparse point (a junction or a symbolic link) is never passed through.
#include <windows.h>

#include "entry_output.h"
#include "host_fs.h"
#include "interrupt.h"
#include "long_path.h"
#include "platform.h"
#include "unique_handle.h"
#include "wide_text.h"

namespace vexa::cli {

namespace {

constexpr DWORD kAppliedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

unsigned g_serial = 0;

bool IsDiskFull(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

// Whether the entry may take the name `finalName` (`path` in messages): free, or an ordinary
// file to be replaced (`exists` then).
EntryOutput::Status ExamineFinalName(const std::wstring& finalName, const std::string& path,
                                     bool overwrite, bool& exists, std::string& why) {
    using Status = EntryOutput::Status;
    const DWORD existing = ::GetFileAttributesW(finalName.c_str());
    exists = existing != INVALID_FILE_ATTRIBUTES;
    if (!exists) return Status::Ready;
    if (existing & FILE_ATTRIBUTE_REPARSE_POINT) {
        why = "refused: " + path + " is a link (reparse point), which extraction never follows";
        return Status::Refused;
    }
    if (existing & FILE_ATTRIBUTE_DIRECTORY) {
        why = path + " is a directory";
        return Status::Refused;
    }
    return overwrite ? Status::Ready : Status::Exists;
}

// Makes `path` (`wide`) a folder when it is missing, and checks that it is a folder and no link.
EntryOutput::Status EnterLevel(const std::string& path, const std::wstring& wide,
                               std::string& why) {
    using Status = EntryOutput::Status;
    DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!::CreateDirectoryW(wide.c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            why = "cannot create directory " + path + ": " + fs::LastErrorText();
            return Status::Failed;
        }
        attributes = ::GetFileAttributesW(wide.c_str());
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        why = "refused: " + path + " is a link (reparse point), which extraction never follows";
        return Status::Refused;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        why = path + " exists and is not a directory";
        return Status::Refused;
    }
    return Status::Ready;
}

// A handle that keeps the checked folder `wide` in place; empty when it cannot be had, or when
// what it opened is no longer that plain folder.
win32::FileHandle HoldFolder(const std::wstring& wide) {
    win32::FileHandle held(::CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (held && (!::GetFileInformationByHandle(held.Get(), &info) ||
                 (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                 !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)))
        held.Reset();
    return held;
}

// The final path of what `handle` opened, as the system resolves it (links followed); empty
// when it cannot be had.
std::wstring FinalPathOf(HANDLE handle) {
    std::wstring path(1024, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(), DWORD(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(handle, path.data(), DWORD(path.size()), 0);
    }
    path.resize(length < path.size() ? length : 0);
    return path;
}

// The folder part of a final path, without its last separator.
std::wstring FolderOf(const std::wstring& path) {
    const size_t last = path.rfind(L'\\');
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last);
}

}  // namespace

struct OutputFolders::State {
    struct Level {
        std::string name;
        std::string path;  // from the root
        // Open without sharing deletion: while it is held, the folder can be neither renamed,
        // nor removed, nor replaced by a link. A level that could not be held is checked again
        // for the next entry.
        win32::FileHandle held;
    };
    std::string root;
    std::vector<Level> levels;  // the folder chain the last entry went to
    FreeSpaceEstimate freeSpace;
};

OutputFolders::OutputFolders(std::string root) : state_(std::make_unique<State>()) {
    state_->root = std::move(root);
}

OutputFolders::~OutputFolders() = default;

struct EntryOutput::State {
    OutputFolders::State* folders = nullptr;
    win32::FileHandle file;
    std::wstring folder;
    std::wstring finalName;
    std::wstring tempName;
    std::string finalPath;
    std::unique_ptr<RemoveOnInterrupt> interruptGuard;
    bool overwrite = false;
    bool exists = false;
    bool created = false;
    uint64_t written = 0;

    void Close() { file.Reset(); }
};

EntryOutput::EntryOutput() : state_(std::make_unique<State>()) {}

EntryOutput::~EntryOutput() {
    state_->Close();
    if (state_->created) ::DeleteFileW(state_->tempName.c_str());
}

EntryOutput::Status EntryOutput::Prepare(OutputFolders& folders,
                                         const std::vector<std::string>& levels, bool overwrite,
                                         std::string& why) {
    State& s = *state_;
    s.folders = folders.state_.get();
    OutputFolders::State& f = *s.folders;
    auto join = [](std::string& base, const std::string& level) {
        if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
        base += level;
    };
    // The levels shared with the previous entry and held since are not examined again.
    const size_t folderLevels = levels.size() - 1;
    size_t kept = 0;
    while (kept < f.levels.size() && kept < folderLevels && f.levels[kept].held &&
           f.levels[kept].name == levels[kept])
        ++kept;
    if (kept < f.levels.size() || kept < folderLevels) f.freeSpace.Forget();
    f.levels.resize(kept);
    std::string path = kept ? f.levels.back().path : f.root;
    for (size_t i = kept; i < folderLevels; ++i) {
        join(path, levels[i]);
        const std::wstring wide = WidePath(path);
        if (const Status status = EnterLevel(path, wide, why); status != Status::Ready)
            return status;
        f.levels.push_back({levels[i], path, HoldFolder(wide)});
    }
    s.folder = WidePath(path);
    join(path, levels.back());
    s.finalPath = path;
    s.finalName = WidePath(path);

    s.overwrite = overwrite;
    if (const Status status = ExamineFinalName(s.finalName, path, overwrite, s.exists, why);
        status != Status::Ready)
        return status;

    std::string tempPath = path.substr(0, path.size() - levels.back().size());
    char tempName[platform::kTemporaryNameSize];
    platform::TemporaryName(tempName, fs::ProcessId(), ++g_serial);
    tempPath += tempName;
    s.tempName = WidePath(tempPath);
    s.interruptGuard = std::make_unique<RemoveOnInterrupt>(tempPath);
    // Shareable for deletion, so that an interrupt can remove it while it is open.
    s.file.Reset(::CreateFileW(s.tempName.c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!s.file) {
        why = "cannot create " + tempPath + ": " + fs::LastErrorText();
        return Status::Failed;
    }
    s.created = true;
    // Checked again through the handle written by: the file must lie in the folder held since
    // its level was checked (or the destination itself), so that a link swapped in meanwhile is
    // caught too.
    win32::FileHandle root;
    HANDLE folder = nullptr;
    if (f.levels.empty()) {
        root.Reset(::CreateFileW(s.folder.empty() ? L"." : s.folder.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        folder = root.Get();
    } else if (f.levels.back().held) {
        folder = f.levels.back().held.Get();
    }
    const std::wstring expected = folder ? FinalPathOf(folder) : std::wstring();
    const std::wstring actual = FolderOf(FinalPathOf(s.file.Get()));
    if (!expected.empty() && !actual.empty() &&
        ::CompareStringOrdinal(expected.c_str(), -1, actual.c_str(), -1, TRUE) != CSTR_EQUAL) {
        why = "refused: " + path +
              " is reached through a link (reparse point), which extraction "
              "never follows";
        return Status::Refused;
    }
    return Status::Ready;
}

// The final name was examined before the content was written.
EntryOutput::Status EntryOutput::CheckFinalName(std::string&) {
    return Status::Ready;
}

bool EntryOutput::LacksRoomFor(uint64_t size) {
    return state_->folders->freeSpace.Lacks(size, [&]() -> std::optional<uint64_t> {
        std::wstring folder = state_->folder;
        if (folder.empty()) folder = L".";

        ULARGE_INTEGER available;
        if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr))
            return std::nullopt;
        return available.QuadPart;
    });
}

bool EntryOutput::Write(const uint8_t* data, size_t count, std::string& why) {
    while (count > 0) {
        const DWORD chunk = count > 0x40000000u ? 0x40000000u : DWORD(count);
        DWORD written = 0;
        if (!::WriteFile(state_->file.Get(), data, chunk, &written, nullptr) || written == 0) {
            why = IsDiskFull(::GetLastError()) ? "the disk is full"
                                               : "write error: " + fs::LastErrorText();
            return false;
        }
        data += written;
        count -= written;
        state_->written += written;
    }
    return true;
}

EntryOutput::Status EntryOutput::Commit(uint32_t attributes, uint64_t modificationTime,
                                        std::string& why) {
    State& s = *state_;
    FILETIME time;
    time.dwLowDateTime = DWORD(modificationTime);
    time.dwHighDateTime = DWORD(modificationTime >> 32);
    ::SetFileTime(s.file.Get(), nullptr, nullptr, &time);
    // Closed here rather than by the owner: a failed close is a failed write.
    if (!::CloseHandle(s.file.Release())) {
        why = "write error: " + fs::LastErrorText();
        return Status::Failed;
    }
    // A name found free is taken only if it is still free, so nothing that appeared there
    // meanwhile is replaced unexamined.
    bool moved =
        !s.exists && ::MoveFileExW(s.tempName.c_str(), s.finalName.c_str(), MOVEFILE_WRITE_THROUGH);
    if (!moved) {
        if (!s.exists) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
                why = "cannot rename into place: " + fs::LastErrorText();
                return Status::Failed;
            }
            bool exists;
            if (const Status status =
                    ExamineFinalName(s.finalName, s.finalPath, s.overwrite, exists, why);
                status != Status::Ready)
                return status;
        }
        // A read-only file refuses to be replaced.
        ::SetFileAttributesW(s.finalName.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!::MoveFileExW(s.tempName.c_str(), s.finalName.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            why = "cannot rename into place: " + fs::LastErrorText();
            return Status::Failed;
        }
    }
    s.created = false;
    s.interruptGuard.reset();
    const DWORD applied = attributes & kAppliedAttributes;
    ::SetFileAttributesW(s.finalName.c_str(), applied ? applied : FILE_ATTRIBUTE_NORMAL);
    s.folders->freeSpace.Spend(s.written);
    return Status::Ready;
}

const std::string& EntryOutput::FinalPath() const {
    return state_->finalPath;
}

}  // namespace vexa::cli
