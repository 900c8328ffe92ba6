#include "worker.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstring>

#include "buffer_sizes.h"
#include "destination.h"
#include "entry_name.h"
#include "extraction_state.h"
#include "paths.h"
#include "resource.h"
#include "text_format.h"
#include "vexa.h"

namespace sfx {

namespace {

constexpr char kAppCaption[] = "Tarnwick Archiver SFX";
constexpr COLORREF kBarColour = RGB(11, 125, 190);  // 0xBE7D0B

// The stream this worker opened. Closing withdraws it from the shared state first, unless a
// newer run has already published its own.
class WorkerStream {
  public:
    WorkerStream() = default;
    WorkerStream(const WorkerStream&) = delete;
    WorkerStream& operator=(const WorkerStream&) = delete;
    ~WorkerStream() { Close(); }

    uint32_t Open(const char* path) {
        const uint32_t result = vexa_OpenStream(&handle_, path, VEXA_MODE_READ);
        if (result != 0) {
            handle_ = nullptr;
            return result;
        }
        ExtractionState& state = State();
        state.streamLock.lock();
        state.currentStream = handle_;
        state.streamLock.unlock();
        return result;
    }

    void* Handle() const { return handle_; }

    void Close() {
        if (!handle_) return;
        ExtractionState& state = State();
        state.streamLock.lock();
        if (state.currentStream == handle_) state.currentStream = nullptr;
        state.streamLock.unlock();
        (void)vexa_CloseStream(handle_);
        handle_ = nullptr;
    }

  private:
    void* handle_ = nullptr;
};

void SetCompletedLabel(HWND dialog) {
    const ExtractionState& state = State();
    char text[kLabelSize];
    FormatText(text, sizeof text, "Extracted files completed: %I64u of %I64u",
               state.completedCount.load(), state.totalCount.load());
    ::SetDlgItemTextA(dialog, IDC_COMPLETED, text);
}

void SetCurrentFileLabel(HWND dialog, const char* name) {
    char text[kLabelSize];
    FormatText(text, sizeof text, "Current file: %s", name);
    ::SetDlgItemTextA(dialog, IDC_CURRENT_FILE, text);
}

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

// Builds the destination path of one entry from the edit's current text. False when the edit
// holds no usable directory (reported to the user).
bool BuildDestinationPath(HWND dialog, const char* name, char (&path)[kDestinationPathSize]) {
    const ResolvedDestination destination = ReadResolvedDestination(dialog);
    switch (destination.problem) {
        case ResolvedDestination::Problem::None:
            break;
        case ResolvedDestination::Problem::TooLong:
            ReportError("The destination directory is too long:\n'%s'", destination.typed);
            return false;
        case ResolvedDestination::Problem::UnknownVariable:
            ReportError(kUnknownVariableFormat, destination.unknownVariable.c_str());
            return false;
    }
    FormatText(path, sizeof path, "%s", destination.path);
    AppendBackslash(path);
    // A slash in an entry name separates levels just as a backslash does; the directory
    // routines split at backslashes only.
    char* const nameInPath = path + std::strlen(path);
    std::strncat(path, name, sizeof path - std::strlen(path) - 1);
    for (char* c = nameInPath; *c; ++c)
        if (*c == '/') *c = '\\';
    return true;
}

enum class EntryOutcome { Next, Stop };

EntryOutcome ExtractEntry(HWND dialog, void* stream, uint64_t index, bool overwriteAll) {
    ExtractionState& state = State();
    VEXA_ENTRY entry;
    if (vexa_EnumerateFiles(stream, &entry, index) != 0) {
        ReportError("Enum error");
        return EntryOutcome::Stop;
    }
    char name[vexa::kNameFieldSize + 1];
    const size_t nameLength = vexa::EntryNameLength(entry);
    std::memcpy(name, entry.name, nameLength);
    name[nameLength] = '\0';
    if (!vexa::IsSafeEntryName(name)) {
        ReportError(
            "Entry not extracted:\n'%s'\n\nIts name leads outside the destination directory.",
            name);
        return EntryOutcome::Next;
    }

    char destination[kDestinationPathSize];
    if (!BuildDestinationPath(dialog, name, destination)) return EntryOutcome::Stop;
    char directory[kDestinationPathSize + 1];
    GetDirectoryPart(directory, sizeof directory, destination);
    if (!EnsureDirectoryPath(dialog, directory, false)) return EntryOutcome::Stop;

    SetCurrentFileLabel(dialog, name);
    SetCompletedLabel(dialog);
    if (!overwriteAll && FileExists(destination)) {
        switch (AskOverwrite(dialog, destination)) {
            case OverwriteAnswer::No:
                return EntryOutcome::Next;
            case OverwriteAnswer::Cancel:
                return EntryOutcome::Stop;
            case OverwriteAnswer::Yes:
                break;
        }
    }

    const uint32_t result = vexa_DecompressToFile(stream, name, destination, ShowProgress);
    if (result != 0) {
        ReportError("%s :: %s :: %i\n\nerror during decompressing file:\n'%s'\n\n%s", "sfxstub",
                    "ExtractThread", 159, name, vexa_GetErrorString(int(result)));
    }
    ::SendDlgItemMessageA(dialog, IDC_EXTRACTED_LIST, LB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(name));
    state.completedCount.fetch_add(1);
    SetCompletedLabel(dialog);
    return EntryOutcome::Next;
}

}  // namespace

void ShowProgress(int percent) {
    ::SendDlgItemMessageA(State().dialog.load(), IDC_PROGRESS, PBM_SETPOS, WPARAM(percent), 0);
}

void ReportError(const char* format, ...) {
    char text[kErrorTextSize];
    va_list arguments;
    va_start(arguments, format);
    FormatTextV(text, sizeof text, format, arguments);
    va_end(arguments);
    ::MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

DWORD WINAPI ExtractThread(LPVOID) {
    ExtractionState& state = State();
    const HWND dialog = state.dialog.load();
    const bool overwriteAll = ::IsDlgButtonChecked(dialog, IDC_OVERWRITE) == BST_CHECKED;

    char ownPath[kModulePathSize];
    const DWORD pathLength = ::GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    if (pathLength == 0 || pathLength >= sizeof ownPath) ownPath[0] = '\0';

    WorkerStream stream;
    if (const uint32_t result = stream.Open(ownPath); result != 0) {
        ReportError("Error opening file: %s", vexa_GetErrorString(int(result)));
        return 0;
    }

    PrepareProgressControls(dialog);
    state.totalCount = vexa_GetNumFiles(stream.Handle());
    state.completedCount = 0;
    for (uint64_t index = 0; index < state.totalCount.load(); ++index) {
        if (state.cancelRequested.load()) break;
        if (ExtractEntry(dialog, stream.Handle(), index, overwriteAll) == EntryOutcome::Stop) break;
    }

    ::EnableWindow(::GetDlgItem(dialog, IDC_EXTRACT), TRUE);
    ::EnableWindow(::GetDlgItem(dialog, IDC_CLOSE), TRUE);
    stream.Close();

    if (!state.cancelRequested.load() && ::MessageBoxA(dialog, "Extraction Complete, Exit?", "Done",
                                                       MB_YESNO | MB_ICONQUESTION) == IDYES) {
        ::EndDialog(dialog, 0);
    }
    return 0;
}

}  // namespace sfx
