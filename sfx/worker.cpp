#include "worker.h"

#include <commctrl.h>

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <mutex>

#include "buffer_sizes.h"
#include "destination_edit.h"
#include "dialog.h"
#include "dialog_updates.h"
#include "extraction_state.h"
#include "paths.h"
#include "reader_helpers.h"
#include "resource.h"
#include "text_format.h"
#include "vexa.h"

namespace sfx {

namespace {

constexpr char kAppCaption[] = "Tarnwick Archiver SFX";
constexpr COLORREF kBarColour = RGB(11, 125, 190);  // 0xBE7D0B

// Where the decode running now reports its progress. The library's progress callback carries
// no context, and one decode runs at a time.
std::atomic<DialogUpdates*> g_progressUpdates{nullptr};

// The stream this worker opened. Closing withdraws it from the shared state first, unless a
// newer run has already published its own.
class WorkerStream {
  public:
    explicit WorkerStream(ExtractionState& state) : state_(state) {}
    WorkerStream(const WorkerStream&) = delete;
    WorkerStream& operator=(const WorkerStream&) = delete;
    ~WorkerStream() { Close(); }

    uint32_t Open(const char* path) {
        const uint32_t result = vexa_OpenStream(&handle_, path, VEXA_MODE_READ);
        if (result != 0) {
            handle_ = nullptr;
            return result;
        }
        const std::lock_guard guard(state_.streamLock);
        state_.currentStream = handle_;
        return result;
    }

    void* Handle() const { return handle_; }

    void Close() {
        if (!handle_) return;
        {
            const std::lock_guard guard(state_.streamLock);
            if (state_.currentStream == handle_) state_.currentStream = nullptr;
        }
        (void)vexa_CloseStream(handle_);
        handle_ = nullptr;
    }

  private:
    ExtractionState& state_;
    void* handle_ = nullptr;
};

void PrepareProgressControls(HWND dialog) {
    for (int id : {IDC_PROGRESS, IDC_CURRENT_FILE, IDC_COMPLETED, IDC_EXTRACTED_LIST})
        ::EnableWindow(::GetDlgItem(dialog, id), TRUE);
    ::SendDlgItemMessageA(dialog, IDC_EXTRACTED_LIST, LB_RESETCONTENT, 0, 0);
    ::SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    ::SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETBARCOLOR, 0, kBarColour);
}

enum class OverwriteAnswer { Yes, No, Cancel };

OverwriteAnswer AskOverwrite(HWND dialog, const char* destination) {
    char question[kOverwriteQuestionSize];
    FormatText(question, sizeof question, "File %s exists already, ovewrite it?", destination);
    switch (::MessageBoxA(dialog, question, kAppCaption, MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDNO:
            return OverwriteAnswer::No;
        case IDCANCEL:
            return OverwriteAnswer::Cancel;
        default:
            return OverwriteAnswer::Yes;
    }
}

enum class EntryOutcome { Next, Stop };

// One run over the archive's entries. Besides the dialog's controls (through batched
// updates), it remembers what stays true during the run: the destination, until the edit
// changes, and the directories already made sure of.
class ExtractionRun {
  public:
    ExtractionRun(ExtractionState& state, HWND dialog, bool overwriteAll)
        : state_(state), dialog_(dialog), overwriteAll_(overwriteAll), updates_(dialog) {}

    EntryOutcome ExtractEntry(void* stream, uint64_t index);
    // Shows everything the run still holds back.
    void Finish() { updates_.Flush(); }

  private:
    bool BuildDestinationPath(const char* name, char (&path)[kDestinationPathSize]);
    bool EnsureDirectory(char* directory);
    // Every box first brings the controls up to date, as the user would expect under it.
    [[gnu::format(ms_printf, 2, 3)]] void ReportErrorNow(const char* format, ...);

    ExtractionState& state_;
    HWND dialog_;
    bool overwriteAll_;
    DialogUpdates updates_;
    KnownDirectories knownDirectories_;
    ResolvedDestination destination_;
    bool destinationRead_ = false;
    unsigned destinationEditsRead_ = 0;  // the edit's change count when it was read
};

void ShowErrorBox(const char* format, va_list arguments) {
    char text[kErrorTextSize];
    FormatTextV(text, sizeof text, format, arguments);
    ::MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void ExtractionRun::ReportErrorNow(const char* format, ...) {
    updates_.Flush();
    va_list arguments;
    va_start(arguments, format);
    ShowErrorBox(format, arguments);
    va_end(arguments);
}

// Builds the destination path of one entry from the edit's current text. False when the edit
// holds no usable directory (reported to the user).
bool ExtractionRun::BuildDestinationPath(const char* name, char (&path)[kDestinationPathSize]) {
    // A destination changed during the run applies from the next entry on; the edit is read
    // again only when it changed. Its change count is taken first, so a change made while the
    // text is being read shows at the next entry.
    const unsigned edits = state_.destinationEdits.load();
    if (!destinationRead_ || edits != destinationEditsRead_) {
        destination_ = ReadResolvedDestination(dialog_);
        destinationRead_ = true;
        destinationEditsRead_ = edits;
    }
    switch (destination_.problem) {
        case ResolvedDestination::Problem::None:
            break;
        case ResolvedDestination::Problem::TooLong:
            ReportErrorNow("The destination directory is too long:\n'%s'", destination_.typed);
            return false;
        case ResolvedDestination::Problem::UnknownVariable:
            ReportErrorNow(kUnknownVariableFormat, destination_.unknownVariable.c_str());
            return false;
    }
    FormatText(path, sizeof path, "%s", destination_.path);
    AppendBackslash(path);
    // A slash in an entry name separates levels just as a backslash does; the directory
    // routines split at backslashes only.
    char* const nameInPath = path + std::strlen(path);
    std::strncat(path, name, sizeof path - std::strlen(path) - 1);
    for (char* c = nameInPath; *c; ++c)
        if (*c == '/') *c = '\\';
    return true;
}

// Creates the directory part of a destination without a question. Directories made sure of
// earlier in the run are neither tested nor created again.
bool ExtractionRun::EnsureDirectory(char* directory) {
    AppendBackslash(directory);
    if (knownDirectories_.Contains(directory)) return true;
    updates_.Flush();  // a failure shows a box
    return EnsureDirectoryPath(dialog_, directory, false, &knownDirectories_);
}

EntryOutcome ExtractionRun::ExtractEntry(void* stream, uint64_t index) {
    VEXA_ENTRY entry;
    if (vexa_EnumerateFiles(stream, &entry, index) != 0) {
        ReportErrorNow("Enum error");
        return EntryOutcome::Stop;
    }
    char name[vexa::kNameFieldSize + 1];
    const size_t nameLength = vexa::EntryNameLength(entry);
    std::memcpy(name, entry.name, nameLength);
    name[nameLength] = '\0';
    if (!vexa::IsSafeEntryName(name)) {
        ReportErrorNow(
            "Entry not extracted:\n'%s'\n\nIts name leads outside the destination directory.",
            name);
        return EntryOutcome::Next;
    }

    char destination[kDestinationPathSize];
    if (!BuildDestinationPath(name, destination)) return EntryOutcome::Stop;
    char directory[kDestinationPathSize + 1];
    GetDirectoryPart(directory, sizeof directory, destination);
    if (!EnsureDirectory(directory)) return EntryOutcome::Stop;

    updates_.SetCurrentFile(name);
    updates_.SetCompleted(state_.completedCount.load(), state_.totalCount.load());
    if (!overwriteAll_ && FileExists(destination)) {
        updates_.Flush();
        switch (AskOverwrite(dialog_, destination)) {
            case OverwriteAnswer::No:
                return EntryOutcome::Next;
            case OverwriteAnswer::Cancel:
                return EntryOutcome::Stop;
            case OverwriteAnswer::Yes:
                break;
        }
    }

    g_progressUpdates = &updates_;
    const uint32_t result = vexa_DecompressToFile(stream, name, destination, ShowProgress);
    g_progressUpdates = nullptr;
    if (result != 0) {
        ReportErrorNow("%s :: %s :: %i\n\nerror during decompressing file:\n'%s'\n\n%s", "sfxstub",
                       "ExtractThread", 159, name, vexa_GetErrorString(int(result)));
    }
    updates_.AddExtracted(name);
    state_.completedCount.fetch_add(1);
    updates_.SetCompleted(state_.completedCount.load(), state_.totalCount.load());
    return EntryOutcome::Next;
}

}  // namespace

void ShowProgress(int percent) {
    if (DialogUpdates* updates = g_progressUpdates.load()) updates->SetProgress(percent);
}

void ReportError(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    ShowErrorBox(format, arguments);
    va_end(arguments);
}

DWORD WINAPI ExtractThread(LPVOID parameter) {
    ExtractionState& state = *static_cast<ExtractionState*>(parameter);
    const HWND dialog = state.dialog.load();
    const bool overwriteAll = ::IsDlgButtonChecked(dialog, IDC_OVERWRITE) == BST_CHECKED;

    char ownPath[kModulePathSize];
    const DWORD pathLength = ::GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    if (pathLength == 0 || pathLength >= sizeof ownPath) ownPath[0] = '\0';

    WorkerStream stream(state);
    if (const uint32_t result = stream.Open(ownPath); result != 0) {
        ReportError("Error opening file: %s", vexa_GetErrorString(int(result)));
        return 0;
    }

    PrepareProgressControls(dialog);
    state.totalCount = vexa_GetNumFiles(stream.Handle());
    state.completedCount = 0;
    {
        ExtractionRun run(state, dialog, overwriteAll);
        for (uint64_t index = 0; index < state.totalCount.load(); ++index) {
            if (state.cancelRequested.load()) break;
            if (run.ExtractEntry(stream.Handle(), index) == EntryOutcome::Stop) break;
        }
        run.Finish();
    }

    ::EnableWindow(::GetDlgItem(dialog, IDC_EXTRACT), TRUE);
    ::EnableWindow(::GetDlgItem(dialog, IDC_CLOSE), TRUE);
    stream.Close();

    if (!state.cancelRequested.load() && ::MessageBoxA(dialog, "Extraction Complete, Exit?", "Done",
                                                       MB_YESNO | MB_ICONQUESTION) == IDYES) {
        ::PostMessageA(dialog, kEndDialogMessage, 0, 0);
    }
    return 0;
}

}  // namespace sfx
