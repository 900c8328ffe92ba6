// Windows: the files and folders are made through the wide functions from the UTF-8 names. A
// level that is a reparse point (a junction or a symbolic link) is never passed through.
#include <windows.h>

#include "entry_output.h"
#include "host_fs.h"
#include "interrupt.h"
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

}  // namespace

struct EntryOutput::State {
    win32::FileHandle file;
    std::wstring folder;
    std::wstring finalName;
    std::wstring tempName;
    std::string finalPath;
    std::unique_ptr<RemoveOnInterrupt> interruptGuard;
    bool exists = false;
    bool created = false;

    void Close() { file.Reset(); }
};

EntryOutput::EntryOutput() : state_(std::make_unique<State>()) {}

EntryOutput::~EntryOutput() {
    state_->Close();
    if (state_->created) ::DeleteFileW(state_->tempName.c_str());
}

EntryOutput::Status EntryOutput::Prepare(const std::string& root,
                                         const std::vector<std::string>& levels, bool overwrite,
                                         std::string& why) {
    State& s = *state_;
    std::string path = root;
    auto join = [](std::string& base, const std::string& level) {
        if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
        base += level;
    };
    for (size_t i = 0; i + 1 < levels.size(); ++i) {
        join(path, levels[i]);
        const std::wstring wide = Widen(path);
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
    }
    s.folder = Widen(path);
    join(path, levels.back());
    s.finalPath = path;
    s.finalName = Widen(path);

    const DWORD existing = ::GetFileAttributesW(s.finalName.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES) {
        if (existing & FILE_ATTRIBUTE_REPARSE_POINT) {
            why = "refused: " + path + " is a link (reparse point), which extraction never follows";
            return Status::Refused;
        }
        if (existing & FILE_ATTRIBUTE_DIRECTORY) {
            why = path + " is a directory";
            return Status::Refused;
        }
        if (!overwrite) return Status::Exists;
        s.exists = true;
    }

    std::string tempPath = path.substr(0, path.size() - levels.back().size());
    tempPath += TemporaryName(fs::ProcessId(), ++g_serial);
    s.tempName = Widen(tempPath);
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
    return Status::Ready;
}

std::optional<uint64_t> EntryOutput::FreeBytes() const {
    std::wstring folder = state_->folder;
    if (folder.empty()) folder = L".";
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return available.QuadPart;
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
    }
    return true;
}

bool EntryOutput::Commit(uint32_t attributes, uint64_t modificationTime, std::string& why) {
    State& s = *state_;
    FILETIME time;
    time.dwLowDateTime = DWORD(modificationTime);
    time.dwHighDateTime = DWORD(modificationTime >> 32);
    ::SetFileTime(s.file.Get(), nullptr, nullptr, &time);
    // Closed here rather than by the owner: a failed close is a failed write.
    if (!::CloseHandle(s.file.Release())) {
        why = "write error: " + fs::LastErrorText();
        return false;
    }
    // A read-only file refuses to be replaced.
    if (s.exists) ::SetFileAttributesW(s.finalName.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::MoveFileExW(s.tempName.c_str(), s.finalName.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        why = "cannot rename into place: " + fs::LastErrorText();
        return false;
    }
    s.created = false;
    s.interruptGuard.reset();
    const DWORD applied = attributes & kAppliedAttributes;
    ::SetFileAttributesW(s.finalName.c_str(), applied ? applied : FILE_ATTRIBUTE_NORMAL);
    return true;
}

const std::string& EntryOutput::FinalPath() const {
    return state_->finalPath;
}

}  // namespace vexa::cli
