// The self-extractor's entry: reads the settings its maker gave it and, where they allow, its
// command line; extracts through the dialog or silently; then runs the maker's program, and
// ends with an exit code that says how it went.
#include <windows.h>
// (commctrl.h needs the types of windows.h)
#include <commctrl.h>

#include <cstring>

#include "command_line_text.h"
#include "default_destination.h"
#include "destination_edit.h"
#include "dialog.h"
#include "exit_codes.h"
#include "extraction_state.h"
#include "folder_picker.h"
#include "own_settings.h"
#include "paths.h"
#include "private_folder.h"
#include "program_arguments.h"
#include "resource.h"
#include "run_log.h"
#include "run_program.h"
#include "runtime_failures.h"
#include "switches.h"
#include "system_libraries.h"
#include "text_format.h"
#include "usage_box.h"
#include "worker.h"

namespace {

using namespace sfx;

// Static and without a destructor: the program exits without waiting for a worker that may
// still use it.
constinit ExtractionState g_state;
// Zero as the program starts (a local of its size would be copied from a template in the file).
constinit Switches g_switches;
// The private folder of a run into %TEMP%, for a stop that ends the process (exit 3 or 4) to
// remove; its owner, in WinMain, removes it on every other path.
constinit PrivateTempFolder* g_tempFolder = nullptr;

// Creates the log's folder where it is missing, then the log. False when it cannot be written.
bool OpenLogCreatingItsFolder(const char* typed) {
    char path[MAX_PATH];
    const DWORD length = ::GetFullPathNameA(typed, sizeof path, path, nullptr);
    if (length == 0 || length >= sizeof path) return false;
    char folder[MAX_PATH + 1];
    GetDirectoryPart(folder, sizeof folder, path);
    SilentPrompts prompts;
    if (folder[0] && !EnsureDirectoryPath(folder, false, prompts)) return false;
    return OpenRunLog(path);
}

// With its settings unreadable the self-extractor cannot tell whether its maker let it read the
// command line; a command line that asks for silence gets it all the same, so that a deployment
// waits on no box, and its log.
unsigned ReportDamagedSettings(const char* commandLine) {
    constexpr char kText[] = "This self-extractor is damaged: its settings cannot be read.";
    Switches& asked = g_switches;
    ParseSwitches(commandLine, asked);
    if (asked.logPath[0] && !asked.fault[0]) (void)OpenLogCreatingItsFolder(asked.logPath);
    LogLine("Error: %s", kText);
    if (!asked.silent)
        ::MessageBoxA(nullptr, kText, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return kExitArchiveUnreadable;
}

unsigned ReportBadCommandLine(const char* fault) {
    LogLine("Error: unknown switch or value: %s", fault);
    if (!Silent()) ShowUsageBox(fault);
    return kExitBadCommandLine;
}

// Every check of the command line: the fault, or null when it can be used. `inexact` is a word
// the ANSI code page could not carry exactly (empty when there is none).
const char* CommandLineFault(const Switches& switches, const char* inexact) {
    if (inexact[0]) {
        static char fault[96];
        FormatText(fault, sizeof fault, "%s (a character this computer's code page lacks)",
                   inexact);
        return fault;
    }
    if (switches.fault[0]) return switches.fault;
    if (Silent() && switches.overwrite == OverwritePolicy::Ask)
        return "/O=ask (there is nobody to ask in a silent run)";
    return nullptr;
}

// Extracts into `typed` (a destination as the dialog takes it) without any window.
unsigned ExtractWithoutDialog(const char* typed, OverwritePolicy existingFiles) {
    const ResolvedDestination destination = ResolveDestinationText(typed);
    if (destination.problem != ResolvedDestination::Problem::None) {
        LogLine("Error: the destination cannot be used: %s", typed);
        return kExitDestinationFailed;
    }
    return ExtractSilently(g_state, destination, existingFiles);
}

unsigned ExtractWithDialog(HINSTANCE instance, const char* typed, const Switches& switches,
                           bool runAfterExtraction, bool intoTemp) {
    // The dialog's progress bar is a common control: without comctl32 there is no dialog.
    const auto initCommonControls = vexa::win32::SystemFunction<decltype(::InitCommonControls)>(
        "comctl32.dll", "InitCommonControls");
    if (!initCommonControls) StopForInternalError();
    initCommonControls();
    // The input method code (imm32) loads ole32 when the dialog's first window is made. Wine
    // resolves such a delayed import in the old order, program folder first, whatever the
    // search was restricted to: ole32 and what it imports come from System32 now instead.
    (void)vexa::win32::LoadSystemLibrary(kComLibrary);
    g_state.initialDestination = typed;
    g_state.exitCode = kExitCancelled;
    g_state.createWithoutAsking = switches.destination[0] || intoTemp;
    g_state.overwriteTicked = switches.overwrite == OverwritePolicy::Replace;
    g_state.existingFiles =
        switches.overwrite == OverwritePolicy::Skip ? OverwritePolicy::Skip : OverwritePolicy::Ask;
    g_state.runAfterExtraction = runAfterExtraction;
    g_state.extractAtOnce = intoTemp;
    ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_EXTRACT), nullptr, ExtractDialogProc,
                      reinterpret_cast<LPARAM>(&g_state));
    return g_state.exitCode.load();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    // Before anything can load a DLL: none may come from the folder this program was run from.
    vexa::win32::RestrictDllSearch();
    // Before any folder is made: relative paths (the destination, the log) are taken from here.
    RememberStartDirectory();
    vexa::pe::StubSettings settings;
    if (ReadOwnSettings(settings) == OwnSettings::Damaged || !DefaultDestinationIsClean())
        return int(ReportDamagedSettings(commandLine));

    // Without its maker's word the self-extractor ignores its command line, as it always did.
    Switches& switches = g_switches;
    char inexact[64] = "";
    if (settings.Has(vexa::pe::kHonourSwitches)) {
        ParseSwitches(commandLine, switches);
        FindInexactWord(SkipProgramName(::GetCommandLineW()), inexact, sizeof inexact);
    }
    SetSilent(settings.Has(vexa::pe::kAlwaysSilent) || switches.silent);
    // The log is opened (and an existing one replaced) only once the whole command line is
    // accepted: a refused line leaves every file as it was.
    if (const char* fault = CommandLineFault(switches, inexact))
        return int(ReportBadCommandLine(fault));
    if (switches.logPath[0] && !OpenLogCreatingItsFolder(switches.logPath))
        return int(ReportBadCommandLine(switches.logPath));
    if (switches.help) {
        if (!Silent()) ShowUsageBox(nullptr);
        return kExitSuccess;
    }

    char typed[kEditBufferSize];
    if (switches.destination[0]) {
        std::strcpy(typed, switches.destination);
    } else if (DefaultDestination[0] != '\0') {
        std::strcpy(typed, DefaultDestination);
    } else {
        const bool spelled = GetDefaultDestination(typed);
        // A silent run has nobody to choose another.
        if (!spelled && Silent()) {
            LogLine(
                "Error: the program's own folder cannot be named in this computer's code "
                "page; give a destination with /D=");
            return kExitDestinationFailed;
        }
    }
    // Removed, with everything in it, when the program ends, also by a stop for want of memory
    // or an internal error.
    PrivateTempFolder temp;
    g_tempFolder = &temp;
    SetCleanupBeforeStop([] { g_tempFolder->Remove(); });
    const bool intoTemp = settings.Has(vexa::pe::kExtractToTemp);
    if (intoTemp) {
        if (!temp.Create() || std::strlen(temp.Path()) > kEditChars) {
            LogLine("Error: no private folder can be made under %%TEMP%%");
            if (!Silent())
                ::MessageBoxA(nullptr, "No private folder can be made under %TEMP%.", "Error",
                              MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
            return kExitDestinationFailed;
        }
        std::strcpy(typed, temp.Path());
    }

    const bool runAfterExtraction = !settings.runCommand.empty();
    if (runAfterExtraction) g_state.programEntry = vexa::pe::RunProgram(settings.runCommand);
    unsigned outcome;
    if (Silent()) {
        const OverwritePolicy existingFiles = switches.overwrite == OverwritePolicy::Skip
                                                  ? OverwritePolicy::Skip
                                                  : OverwritePolicy::Replace;
        outcome = ExtractWithoutDialog(typed, existingFiles);
    } else {
        outcome = ExtractWithDialog(instance, typed, switches, runAfterExtraction, intoTemp);
    }
    LogLine("Extraction ended with exit code %u", outcome);
    // Nothing runs after a failed or cancelled extraction.
    // Only a program this run extracted (or found the same byte for byte) runs, from the folder
    // it was extracted into.
    if (outcome == kExitSuccess && runAfterExtraction && !g_state.programReady) {
        outcome = RefuseProgramNotExtracted(g_state.programEntry);
    } else if (outcome == kExitSuccess && runAfterExtraction) {
        outcome =
            RunProgramAndWait(g_state.extractedTo, settings.runCommand, switches.programArguments);
        LogLine("The program ended with exit code %u", outcome);
    }
    return int(outcome);
}
