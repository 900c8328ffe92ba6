#include "paths.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace sfx {

namespace {

constexpr char kCreateQuestion[] = "This directory does not exist, create now?";
constexpr char kCreateFailed[] = "Error creating directory";

bool DirectoryExists(const char* prefix) {
    return ::SetCurrentDirectoryA(prefix) != FALSE;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool MessageBoxPrompts::ConfirmCreate() {
    return ::MessageBoxA(owner_, kCreateQuestion, "Error", MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

void MessageBoxPrompts::CreationFailed() {
    ::MessageBoxA(owner_, kCreateFailed, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void AppendBackslash(char* path) {
    const size_t length = std::strlen(path);
    if (length == 0 || path[length - 1] != '\\') {
        path[length] = '\\';
        path[length + 1] = '\0';
    }
}

bool EnsureDirectoryPath(char* path, bool ask, DirectoryPrompts& prompts) {
    AppendBackslash(path);
    const size_t length = std::strlen(path);
    std::vector<char> prefix(length + 1);
    bool agreed = false;
    for (size_t i = 0; i < length;) {
        if (path[i] == ':') {
            i += 2;  // the backslash of a drive root is never tested or created
            continue;
        }
        if (path[i] == '\\') {
            std::memcpy(prefix.data(), path, i + 1);
            prefix[i + 1] = '\0';
            if (!DirectoryExists(prefix.data())) {
                if (ask && !agreed && !prompts.ConfirmCreate()) return false;
                agreed = true;
                if (!::CreateDirectoryA(prefix.data(), nullptr)) {
                    prompts.CreationFailed();
                    return false;
                }
            }
        }
        ++i;
    }
    return true;
}

bool EnsureDirectoryPath(HWND owner, char* path, bool ask) {
    MessageBoxPrompts prompts(owner);
    return EnsureDirectoryPath(path, ask, prompts);
}

void GetDirectoryPart(char* out, size_t outSize, const char* path) {
    const char* last = std::strrchr(path, '\\');
    const size_t length = last ? size_t(last - path) + 1 : 0;
    const size_t copied = length < outSize ? length : outSize - 1;
    std::memcpy(out, path, copied);
    out[copied] = '\0';
}

bool FileExists(const char* path) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    return file != nullptr;
}

}  // namespace sfx
