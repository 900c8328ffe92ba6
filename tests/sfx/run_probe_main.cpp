// run_probe [ARGS...]: the program a self-extractor runs after extraction in the unattended
// tests. It writes what it was given into the file named by VEXA_PROBE_RECORD, one item a line:
//   arg=TEXT    each argument after the program's name, in order
//   cwd=PATH    its working folder
//   dacl=SDDL   the DACL of that folder ("dacl-error=CODE" when it cannot be read)
// Then it starts a copy of itself (`run_probe --child`) that outlives it by a second and then
// creates the file named by VEXA_PROBE_MARKER, and exits with 7 at once. Whoever waits for the
// probe and everything it started sees the marker before it sees the end.
#include <windows.h>
// (aclapi.h and sddl.h need the types of windows.h)
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kProbeExitCode = 7;
constexpr DWORD kChildDelayMs = 1000;

std::string Environment(const char* name) {
    char value[MAX_PATH * 2] = "";
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? value : "";
}

// Memory the security functions allocate with LocalAlloc.
struct LocalMemory {
    void* pointer = nullptr;
    ~LocalMemory() {
        if (pointer) ::LocalFree(pointer);
    }
};

std::string FolderDacl(const std::string& folder) {
    LocalMemory descriptor;
    const DWORD status = ::GetNamedSecurityInfoA(
        folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
        nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(&descriptor.pointer));
    if (status != ERROR_SUCCESS) return "dacl-error=" + std::to_string(status);
    LocalMemory text;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(
            descriptor.pointer, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
            reinterpret_cast<LPSTR*>(&text.pointer), nullptr))
        return "dacl-error=" + std::to_string(::GetLastError());
    return std::string("dacl=") + static_cast<const char*>(text.pointer);
}

bool WriteRecord(const std::string& path, int argc, char** argv) {
    char folder[MAX_PATH * 2] = "";
    ::GetCurrentDirectoryA(sizeof folder, folder);
    std::string record;
    for (int i = 1; i < argc; ++i) record += std::string("arg=") + argv[i] + "\n";
    record += std::string("cwd=") + folder + "\n";
    record += FolderDacl(folder) + "\n";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(record.data(), 1, record.size(), out) == record.size();
    return std::fclose(out) == 0 && written;
}

bool StartLingeringChild() {
    char self[MAX_PATH * 2] = "";
    ::GetModuleFileNameA(nullptr, self, sizeof self);
    std::string commandLine = std::string("\"") + self + "\" --child";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(self, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        return false;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return true;
}

int RunChild() {
    ::Sleep(kChildDelayMs);
    FILE* marker = std::fopen(Environment("VEXA_PROBE_MARKER").c_str(), "wb");
    if (!marker) return 1;
    std::fputs("the child ended\n", marker);
    return std::fclose(marker) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--child") return RunChild();
    const std::string record = Environment("VEXA_PROBE_RECORD");
    if (record.empty() || !WriteRecord(record, argc, argv)) return 90;
    if (!StartLingeringChild()) return 91;
    return kProbeExitCode;
}
