#include "paths.h"

#include <cstring>

#include "run_log.h"
#include "unique_handle.h"

namespace sfx {

using vexa::win32::FileHandle;

namespace {

constexpr char kCreateQuestion[] = "This directory does not exist, create now?";
constexpr char kCreateFailed[] = "Error creating directory";

bool DirectoryExists(const char* prefix) {
    return ::SetCurrentDirectoryA(prefix) != FALSE;
}

}  // namespace

bool MessageBoxPrompts::ConfirmCreate() {
    return ::MessageBoxA(owner_, kCreateQuestion, "Error", MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

void MessageBoxPrompts::CreationFailed() {
    LogLine("Error: %s", kCreateFailed);
    ::MessageBoxA(owner_, kCreateFailed, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void SilentPrompts::CreationFailed() {
    LogLine("Error: %s", kCreateFailed);
}

void AppendBackslash(char* path) {
    const size_t length = std::strlen(path);
    if (length == 0 || path[length - 1] != '\\') {
        path[length] = '\\';
        path[length + 1] = '\0';
    }
}

bool EnsureDirectoryPath(char* path, bool ask, DirectoryPrompts& prompts, KnownDirectories* known) {
    AppendBackslash(path);
    const size_t length = std::strlen(path);
    if (known && known->Contains(path)) return true;
    std::string prefix;
    bool agreed = false;
    for (size_t i = 0; i < length;) {
        if (path[i] == ':') {
            i += 2;  // the backslash of a drive root is never tested or created
            continue;
        }
        if (path[i] == '\\') {
            prefix.assign(path, i + 1);
            if (!known || !known->Contains(prefix)) {
                if (!DirectoryExists(prefix.c_str())) {
                    if (ask && !agreed && !prompts.ConfirmCreate()) return false;
                    agreed = true;
                    if (!::CreateDirectoryA(prefix.c_str(), nullptr)) {
                        prompts.CreationFailed();
                        return false;
                    }
                }
                if (known) known->Add(prefix);
            }
        }
        ++i;
    }
    return true;
}

bool EnsureDirectoryPath(HWND owner, char* path, bool ask, KnownDirectories* known) {
    MessageBoxPrompts prompts(owner);
    return EnsureDirectoryPath(path, ask, prompts, known);
}

void GetDirectoryPart(char* out, size_t outSize, const char* path) {
    const char* last = std::strrchr(path, '\\');
    const size_t length = last ? size_t(last - path) + 1 : 0;
    const size_t copied = length < outSize ? length : outSize - 1;
    std::memcpy(out, path, copied);
    out[copied] = '\0';
}

bool FileExists(const char* path) {
    // Most destinations do not exist yet; the attributes say so without opening anything.
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    const FileHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return bool(file);
}

}  // namespace sfx
