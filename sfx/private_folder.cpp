#include "private_folder.h"

#include <sddl.h>

#include <cstring>
#include <string>

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
    if (!tokenInformation(token.Get(), TokenUser, user, sizeof user, &size)) return LocalMemory();
    char* sidText = nullptr;
    if (!sidToText(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sidText)) return LocalMemory();
    const LocalMemory sid(sidText);
    const std::string descriptorText = std::string("D:P(A;OICI;FA;;;") + sidText + ")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!textToDescriptor(descriptorText.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return LocalMemory();
    return LocalMemory(descriptor);
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    const FindHandle search(::FindFirstFileA((folder + "\\*").c_str(), &found));
    if (search) {
        do {
            if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
                continue;
            const std::string path = folder + "\\" + found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(path);
            } else {
                // A link is removed as itself; what it points to is never followed.
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!::DeleteFileA(path.c_str())) ::RemoveDirectoryA(path.c_str());
            }
        } while (::FindNextFileA(search.Get(), &found));
    }
    ::RemoveDirectoryA(folder.c_str());
}

}  // namespace

bool PrivateTempFolder::Create() {
    char base[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(sizeof base, base);
    if (length == 0 || length >= sizeof base) return false;
    const LocalMemory descriptor = OwnerOnlyDescriptor();
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
    // A name nobody can guess ahead of time; one that exists already is never reused.
    LARGE_INTEGER counter;
    for (int attempt = 0; attempt < 16; ++attempt) {
        ::QueryPerformanceCounter(&counter);
        FormatText(path_, sizeof path_, "%svexa-%08lx%04x", base,
                   ::GetCurrentProcessId() ^ DWORD(counter.QuadPart), unsigned(attempt));
        if (::CreateDirectoryA(path_, &attributes)) return true;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    path_[0] = '\0';
    return false;
}

void PrivateTempFolder::Remove() {
    if (!path_[0]) return;
    for (int attempt = 0; attempt < 20; ++attempt) {
        RemoveTree(path_);
        if (::GetFileAttributesA(path_) == INVALID_FILE_ATTRIBUTES) break;
        ::Sleep(100);
    }
    path_[0] = '\0';
}

}  // namespace sfx
