#include "run_program.h"

#include <windows.h>
// (shellapi.h needs the types of windows.h)
#include <shellapi.h>

#include <cstring>
#include <memory>

#include "buffer_sizes.h"
#include "exit_codes.h"
#include "folder_picker.h"
#include "pe/stub_settings.h"
#include "run_log.h"
#include "system_function.h"
#include "system_libraries.h"
#include "text_format.h"
#include "unique_handle.h"

namespace sfx {

namespace {

using vexa::win32::KernelObject;

// "The requested operation requires elevation", which these headers do not name.
constexpr DWORD kElevationRequired = 740;

void ReportRunError(const char* text) {
    LogLine("Error: %s", text);
    if (!Silent()) ::MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void ReportStartFailure(const char* program, DWORD error) {
    char text[kErrorTextSize];
    FormatText(text, sizeof text,
               "The program to run after extraction could not be started:\n'%s'\n\nError %lu",
               program, error);
    ReportRunError(text);
}

// Returns once no process of `job` runs any more.
void WaitForJobToEmpty(HANDLE job) {
    for (;;) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        if (!::QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                         sizeof accounting, nullptr) ||
            accounting.ActiveProcesses == 0)
            return;
        ::Sleep(50);
    }
}

DWORD ExitCodeOf(HANDLE process) {
    ::WaitForSingleObject(process, INFINITE);
    DWORD code = kExitRunFailed;
    ::GetExitCodeProcess(process, &code);
    return code;
}

// Through the shell, which asks for elevation when the program's manifest wants it and opens
// what is not a program by its file type.
unsigned RunThroughShell(const char* program, const char* arguments, const char* folder) {
    // shell32 reaches ole32 through a delayed import, which Wine resolves program folder first
    // whatever the search was restricted to: ole32 and what it imports come from System32 now.
    (void)vexa::win32::LoadSystemLibrary(kComLibrary);
    const auto shellExecute =
        SystemFunction<decltype(::ShellExecuteExA)>("shell32.dll", "ShellExecuteExA");
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | (Silent() ? SEE_MASK_FLAG_NO_UI : 0);
    info.lpFile = program;
    info.lpParameters = arguments;
    info.lpDirectory = folder;
    info.nShow = SW_SHOWNORMAL;
    if (!shellExecute || !shellExecute(&info)) {
        ReportStartFailure(program, shellExecute ? ::GetLastError() : ERROR_PROC_NOT_FOUND);
        return kExitRunFailed;
    }
    if (!info.hProcess) return kExitSuccess;  // handed to a running program: nothing to wait for
    const KernelObject process(info.hProcess);
    return ExitCodeOf(process.Get());
}

}  // namespace

unsigned RefuseProgramNotExtracted(std::string_view program) {
    char text[kErrorTextSize];
    FormatText(text, sizeof text,
               "The program to run after extraction was not extracted by this run:\n'%.*s'\n\n"
               "It is not started.",
               int(program.size()), program.data());
    ReportRunError(text);
    return kExitRunFailed;
}

unsigned RunProgramAndWait(const char* folder, std::string_view command,
                           const char* extraArguments) {
    if (!extraArguments) extraArguments = "";
    // Windows takes command lines of up to 32,767 characters.
    constexpr size_t kLineSize = 32768;
    const std::unique_ptr<char[]> buffer(new char[3 * kLineSize]);
    char* const program = buffer.get();
    char* const arguments = program + kLineSize;
    char* const line = arguments + kLineSize;
    const std::string_view path = vexa::pe::RunProgram(command);
    const std::string_view fixed = vexa::pe::RunArguments(command);
    // (A doubled backslash after a root folder is taken as one.)
    FormatText(program, kLineSize, "%s\\%.*s", folder, int(path.size()), path.data());
    for (char* c = program; *c; ++c)
        if (*c == '/') *c = '\\';
    // Blanks between and after the arguments separate nothing more than one does.
    FormatText(arguments, kLineSize, "%.*s %s", int(fixed.size()), fixed.data(), extraArguments);
    FormatText(line, kLineSize, "\"%s\" %s", program, arguments);
    LogLine("Running: %s", line);

    // Every process the program starts belongs to the job too, so the wait covers them all.
    const KernelObject job(::CreateJobObjectA(nullptr, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // A console program of a silent run gets no console window either.
    const DWORD flags = CREATE_SUSPENDED | (Silent() ? CREATE_NO_WINDOW : 0);
    if (!::CreateProcessA(program, line, nullptr, nullptr, FALSE, flags, nullptr, folder, &startup,
                          &started)) {
        const DWORD error = ::GetLastError();
        if (error == kElevationRequired || error == ERROR_BAD_EXE_FORMAT)
            return RunThroughShell(program, arguments, folder);
        ReportStartFailure(program, error);
        return kExitRunFailed;
    }
    const KernelObject process(started.hProcess);
    const KernelObject thread(started.hThread);
    // Where the self-extractor itself runs in a job that allows no other, only the program is
    // waited for.
    const bool inJob = job && ::AssignProcessToJobObject(job.Get(), process.Get());
    ::ResumeThread(thread.Get());
    const DWORD code = ExitCodeOf(process.Get());
    if (inJob) WaitForJobToEmpty(job.Get());
    return code;
}

}  // namespace sfx
