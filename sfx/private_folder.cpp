#include "private_folder.h"

#include <sddl.h>

#include <cstring>
#include <memory>

#include "command_line_text.h"
#include "system_function.h"
#include "text_format.h"
#include "unique_handle.h"

namespace sfx {

namespace {

using vexa::win32::FindHandle;
using vexa::win32::KernelObject;

// Local memory the security functions hand out.
struct LocalMemoryTraits {
    using Handle = void*;
    static Handle Empty() { return nullptr; }
    static void Release(Handle memory) { ::LocalFree(memory); }
};
using LocalMemory = vexa::win32::UniqueHandle<LocalMemoryTraits>;

// "D:P(A;OICI;FA;;;SID)": a protected DACL with one entry, full access for the current user,
// inherited by every file and folder below. Null when it cannot be built.
LocalMemory OwnerOnlyDescriptor() {
    const auto openToken =
        SystemFunction<decltype(::OpenProcessToken)>("advapi32.dll", "OpenProcessToken");
    const auto tokenInformation =
        SystemFunction<decltype(::GetTokenInformation)>("advapi32.dll", "GetTokenInformation");
    const auto sidToText = SystemFunction<decltype(::ConvertSidToStringSidA)>(
        "advapi32.dll", "ConvertSidToStringSidA");
    const auto textToDescriptor =
        SystemFunction<decltype(::ConvertStringSecurityDescriptorToSecurityDescriptorA)>(
            "advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorA");
    if (!openToken || !tokenInformation || !sidToText || !textToDescriptor) return LocalMemory();

    HANDLE rawToken = nullptr;
    if (!openToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return LocalMemory();
    const KernelObject token(rawToken);
    alignas(8) unsigned char user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    char* sidText = nullptr;
    if (!tokenInformation(token.Get(), TokenUser, user, sizeof user, &size) ||
        !sidToText(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sidText))
        return LocalMemory();
    const LocalMemory sid(sidText);
    char descriptorText[256];
    FormatText(descriptorText, sizeof descriptorText, "D:P(A;OICI;FA;;;%s)", sidText);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!textToDescriptor(descriptorText, SDDL_REVISION_1, &descriptor, nullptr))
        return LocalMemory();
    return LocalMemory(descriptor);
}

// Removes `folder` (a buffer of MAX_PATH characters holding its path) and everything below it.
// The buffer is borrowed for the paths below and given back as it came.
void RemoveTree(char* folder) {
    const size_t length = std::strlen(folder);
    if (length + 3 > MAX_PATH) return;
    std::strcpy(folder + length, "\\*");
    WIN32_FIND_DATAA found;
    const FindHandle search(::FindFirstFileA(folder, &found));
    while (search) {
        const char* name = found.cFileName;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 &&
            length + 2 + std::strlen(name) < MAX_PATH) {
            std::strcpy(folder + length + 1, name);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(folder);
            } else {
                // A link is removed as itself; what it points to is never followed.
                ::SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
                if (!::DeleteFileA(folder)) ::RemoveDirectoryA(folder);
            }
        }
        if (!::FindNextFileA(search.Get(), &found)) break;
    }
    folder[length] = '\0';
    ::RemoveDirectoryA(folder);
}

}  // namespace

bool PrivateTempFolder::Create() {
    // Read wide: the ANSI interface would give a look-alike of a name its code page lacks
    // ("Łukasz" as "Lukasz"), which may be another user's folder. Such a %TEMP% is refused.
    wchar_t wide[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, wide);
    if (length == 0 || length > MAX_PATH) return false;
    char inexact[2];
    if (FindInexactWord(wide, inexact, sizeof inexact)) return false;
    const std::unique_ptr<char[]> base(AnsiArguments(wide));
    const LocalMemory descriptor = OwnerOnlyDescriptor();
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
    // A name nobody can guess ahead of time; one that exists already is never reused.
    LARGE_INTEGER counter;
    for (int attempt = 0; attempt < 16; ++attempt) {
        ::QueryPerformanceCounter(&counter);
        FormatText(path_, sizeof path_, "%svexa-%08lx%04x", base.get(),
                   ::GetCurrentProcessId() ^ DWORD(counter.QuadPart), unsigned(attempt));
        if (::CreateDirectoryA(path_, &attributes)) return true;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    path_[0] = '\0';
    return false;
}

void PrivateTempFolder::Remove() {
    if (!path_[0]) return;
    // The directory tests leave the program's own current directory inside the folder, and a
    // folder some process stands in cannot be removed: step out to its parent first.
    char parent[MAX_PATH + 1];
    std::strcpy(parent, path_);
    if (char* last = std::strrchr(parent, '\\')) last[1] = '\0';
    ::SetCurrentDirectoryA(parent);
    for (int attempt = 0; attempt < 20; ++attempt) {
        RemoveTree(path_);
        if (::GetFileAttributesA(path_) == INVALID_FILE_ATTRIBUTES) break;
        ::Sleep(100);
    }
    path_[0] = '\0';
}

}  // namespace sfx
