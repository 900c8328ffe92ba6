#include "worker.h"

#include <commctrl.h>

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "buffer_sizes.h"
#include "destination_edit.h"
#include "dialog.h"
#include "dialog_updates.h"
#include "exit_codes.h"
#include "extraction_state.h"
#include "paths.h"
#include "reader_helpers.h"
#include "resource.h"
#include "run_log.h"
#include "text_format.h"
#include "unique_handle.h"
#include "vexa.h"
#include "wide_text.h"

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

    uint32_t Open(const wchar_t* path) {
        const uint32_t result = vexa::OpenStreamWide(&handle_, path);
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

// Whoever a run answers to: the dialog and the person before it, or nobody in a silent run.
class RunFrontEnd {
  public:
    virtual ~RunFrontEnd() = default;
    // The destination for the next entry.
    virtual const ResolvedDestination& Destination() = 0;
    virtual void ShowError(const char* text) = 0;
    virtual OverwriteAnswer AskOverwrite(const char* path) = 0;
    virtual DirectoryPrompts& Prompts() = 0;
    // Makes the destination ready once the archive has been read; false when it cannot be.
    virtual bool PrepareDestination() { return true; }
};

void ShowErrorBox(const char* text) {
    LogLine("Error: %s", text);
    ::MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

class DialogFrontEnd final : public RunFrontEnd {
  public:
    DialogFrontEnd(ExtractionState& state, HWND dialog)
        : state_(state), dialog_(dialog), prompts_(dialog) {}

    // A destination changed during the run applies from the next entry on; the edit is read
    // again only when it changed. Its change count is taken first, so a change made while the
    // text is being read shows at the next entry.
    const ResolvedDestination& Destination() override {
        const unsigned edits = state_.destinationEdits.load();
        if (!destinationRead_ || edits != destinationEditsRead_) {
            destination_ = ReadResolvedDestination(dialog_);
            destinationRead_ = true;
            destinationEditsRead_ = edits;
        }
        return destination_;
    }

    void ShowError(const char* text) override { ShowErrorBox(text); }

    OverwriteAnswer AskOverwrite(const char* path) override {
        char question[kOverwriteQuestionSize];
        FormatText(question, sizeof question, "File %s exists already, ovewrite it?", path);
        switch (::MessageBoxA(dialog_, question, kAppCaption, MB_YESNOCANCEL | MB_ICONQUESTION)) {
            case IDNO:
                return OverwriteAnswer::No;
            case IDCANCEL:
                return OverwriteAnswer::Cancel;
            default:
                return OverwriteAnswer::Yes;
        }
    }

    DirectoryPrompts& Prompts() override { return prompts_; }

  private:
    ExtractionState& state_;
    HWND dialog_;
    MessageBoxPrompts prompts_;
    ResolvedDestination destination_;
    bool destinationRead_ = false;
    unsigned destinationEditsRead_ = 0;  // the edit's change count when it was read
};

class SilentFrontEnd final : public RunFrontEnd {
  public:
    explicit SilentFrontEnd(const ResolvedDestination& destination) : destination_(destination) {}
    const ResolvedDestination& Destination() override { return destination_; }
    void ShowError(const char* text) override { LogLine("Error: %s", text); }
    // A silent run replaces or skips by its policy and never asks.
    OverwriteAnswer AskOverwrite(const char*) override { return OverwriteAnswer::No; }
    DirectoryPrompts& Prompts() override { return prompts_; }
    bool PrepareDestination() override {
        char path[kEditBufferSize + 1];
        std::strcpy(path, destination_.path);
        return EnsureDirectoryPath(path, false, prompts_);
    }

  private:
    const ResolvedDestination& destination_;
    SilentPrompts prompts_;
};

enum class EntryOutcome { Next, Stop };

// One run over the archive's entries. Besides the dialog's controls (through batched
// updates, none in a silent run), it remembers what stays true during the run: the
// directories already made sure of, and how the run went.
class ExtractionRun {
  public:
    ExtractionRun(ExtractionState& state, RunFrontEnd& frontEnd, HWND dialog,
                  OverwritePolicy existingFiles)
        : state_(state), frontEnd_(frontEnd), existingFiles_(existingFiles), updates_(dialog) {}

    EntryOutcome ExtractEntry(void* stream, uint64_t index);
    // Shows everything the run still holds back.
    void Finish() { updates_.Flush(); }
    // What the run amounts to, as the program's exit code.
    unsigned Outcome() const {
        if (stopCode_ != kExitSuccess) return stopCode_;
        if (state_.cancelRequested.load()) return kExitCancelled;
        if (failedEntries_ == 0) return kExitSuccess;
        // Nothing written, and only because the destination took nothing (read-only, full):
        // the destination failed rather than some entries.
        if (extractedEntries_ == 0 && refusedByDestination_ == failedEntries_)
            return kExitDestinationFailed;
        return kExitSomeEntriesFailed;
    }

  private:
    bool BuildDestinationPath(const char* name, char (&path)[kDestinationPathSize]);
    // For the program to run after extraction: whether it may run (extracted by this run, or
    // found byte for byte the same), and from which folder.
    void NoteProgram(void* stream, const char* name, const char* path, bool extracted);
    // True when a level of the entry's folder below the destination is a link (a junction or
    // symbolic link), which extraction never passes through.
    bool MeetsLinkBelowRoot(const char* name) const;
    // The final path of the folder the entry `name` goes to, as the system gives it for an open
    // folder: the destination's own (links above it are the user's choice) and the entry's
    // levels. False when the destination cannot be opened.
    bool FinalFolderOf(const char* name, wchar_t (&folder)[kFinalPathSize + kDestinationPathSize]);
    bool EnsureDirectory(char* directory);
    // Every box first brings the controls up to date, as the user would expect under it.
    [[gnu::format(ms_printf, 2, 3)]] void ReportErrorNow(const char* format, ...);

    ExtractionState& state_;
    RunFrontEnd& frontEnd_;
    OverwritePolicy existingFiles_;
    DialogUpdates updates_;
    KnownDirectories knownDirectories_;
    char entryRoot_[kEditBufferSize] = "";    // the destination the current entry goes below
    char finalRootOf_[kEditBufferSize] = "";  // the destination whose final path is finalRoot_
    wchar_t finalRoot_[kFinalPathSize] = L"";
    uint64_t failedEntries_ = 0;
    uint64_t extractedEntries_ = 0;
    uint64_t refusedByDestination_ = 0;  // failed entries whose data was fine
    unsigned stopCode_ = kExitSuccess;   // why the run stopped before the last entry
};

void ExtractionRun::ReportErrorNow(const char* format, ...) {
    updates_.Flush();
    char text[kErrorTextSize];
    va_list arguments;
    va_start(arguments, format);
    FormatTextV(text, sizeof text, format, arguments);
    va_end(arguments);
    frontEnd_.ShowError(text);
}

// Builds the destination path of one entry from the current destination. False when that
// names no usable directory (reported to the user).
bool ExtractionRun::BuildDestinationPath(const char* name, char (&path)[kDestinationPathSize]) {
    const ResolvedDestination& destination_ = frontEnd_.Destination();
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
    std::strcpy(entryRoot_, destination_.path);
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
    return EnsureDirectoryPath(directory, false, frontEnd_.Prompts(), &knownDirectories_);
}

// Entry names compared as Windows compares file names: case ignored, '/' and '\\' alike.
bool SameEntryName(const char* name, std::string_view program) {
    std::string a(name), b(program);  // (the stub holds std::string already)
    for (std::string* text : {&a, &b})
        for (char& c : *text)
            if (c == '/') c = '\\';
    return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), int(a.size()), b.data(),
                            int(b.size())) == CSTR_EQUAL;
}

// True when the file at `path` holds exactly the content of the entry `name` (whose CRC and
// size the decode checks).
bool FileMatchesEntry(void* stream, const char* name, const char* path) {
    const vexa::win32::FileHandle file(::CreateFileW(WideFromAnsi(path).get(), GENERIC_READ,
                                                     FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    std::unique_ptr<uint8_t[]> held(new uint8_t[1 << 16]);
    const auto readExactly = [&](size_t count) {
        DWORD got = 0;
        return ::ReadFile(file.Get(), held.get(), DWORD(count), &got, nullptr) && got == count;
    };
    const vexa::Result decoded =
        vexa::DecodeEntryTo(stream, name, [&](const uint8_t* data, size_t count) {
            for (size_t done = 0; done < count;) {
                const size_t part = count - done < (1 << 16) ? count - done : (1 << 16);
                if (!readExactly(part) || std::memcmp(held.get(), data + done, part) != 0)
                    return vexa::Result::Unknown;
                done += part;
            }
            return vexa::Result::Success;
        });
    DWORD after = 0;
    return decoded == vexa::Result::Success &&
           ::ReadFile(file.Get(), held.get(), 1, &after, nullptr) && after == 0;
}

void ExtractionRun::NoteProgram(void* stream, const char* name, const char* path, bool extracted) {
    if (state_.programEntry.empty() || !SameEntryName(name, state_.programEntry)) return;
    state_.programReady = extracted || FileMatchesEntry(stream, name, path);
    if (!state_.programReady) LogLine("Not extracted by this run: %s", path);
    std::strcpy(state_.extractedTo, entryRoot_);
}

constexpr char kThroughLinkFormat[] =
    "Entry not extracted:\n'%s'\n\nIts path meets a link (a junction or symbolic link) inside "
    "the destination directory, which extraction never follows.";

// Appends the folder part of the entry name `name` to `path` (a buffer of at least
// kDestinationPathSize characters more than it holds), a backslash before each level.
void AppendEntryFolder(wchar_t* path, const char* name) {
    const WideFromAnsi wide(name);
    wchar_t* end = path + std::wcslen(path);
    wchar_t* folderEnd = end;  // after the last level that is a folder
    *end++ = L'\\';
    for (const wchar_t* c = wide.get(); *c; ++c) {
        if (*c == L'/' || *c == L'\\') {
            folderEnd = end;
            *end++ = L'\\';
        } else {
            *end++ = *c;
        }
    }
    *folderEnd = L'\0';
}

bool ExtractionRun::MeetsLinkBelowRoot(const char* name) const {
    wchar_t path[kDestinationPathSize * 2];
    std::wcscpy(path, WideFromAnsi(entryRoot_).get());
    size_t rootLength = std::wcslen(path);
    if (rootLength && path[rootLength - 1] == L'\\') path[--rootLength] = L'\0';
    AppendEntryFolder(path, name);
    // Each level below the destination, from the top: "root\a", "root\a\b", ...
    for (size_t end = rootLength + 1; end <= std::wcslen(path); ++end) {
        if (path[end] != L'\\' && path[end] != L'\0') continue;
        const wchar_t kept = path[end];
        path[end] = L'\0';
        const DWORD attributes = ::GetFileAttributesW(path);
        path[end] = kept;
        if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // made by this run from here
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    }
    return false;
}

bool ExtractionRun::FinalFolderOf(const char* name,
                                  wchar_t (&folder)[kFinalPathSize + kDestinationPathSize]) {
    if (std::strcmp(finalRootOf_, entryRoot_) != 0) {
        std::strcpy(finalRootOf_, entryRoot_);
        finalRoot_[0] = L'\0';
        const vexa::win32::FileHandle root(
            ::CreateFileW(WideFromAnsi(entryRoot_).get(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        DWORD length = root ? ::GetFinalPathNameByHandleW(root.Get(), finalRoot_, kFinalPathSize, 0)
                            : DWORD(0);
        if (length >= kFinalPathSize) length = 0;
        if (length && finalRoot_[length - 1] == L'\\') --length;
        finalRoot_[length] = L'\0';
    }
    if (!finalRoot_[0]) return false;
    std::wcscpy(folder, finalRoot_);
    AppendEntryFolder(folder, name);
    return true;
}

EntryOutcome ExtractionRun::ExtractEntry(void* stream, uint64_t index) {
    VEXA_ENTRY entry;
    if (vexa_EnumerateFiles(stream, &entry, index) != 0) {
        ReportErrorNow("Enum error");
        stopCode_ = kExitArchiveUnreadable;
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
        ++failedEntries_;
        return EntryOutcome::Next;
    }

    char destination[kDestinationPathSize];
    char directory[kDestinationPathSize + 1];
    bool ready = BuildDestinationPath(name, destination);
    if (ready && MeetsLinkBelowRoot(name)) {
        ReportErrorNow(kThroughLinkFormat, name);
        ++failedEntries_;
        return EntryOutcome::Next;
    }
    if (ready) {
        GetDirectoryPart(directory, sizeof directory, destination);
        ready = EnsureDirectory(directory);
    }
    if (!ready) {
        stopCode_ = kExitDestinationFailed;
        return EntryOutcome::Stop;
    }

    updates_.SetCurrentFile(name);
    updates_.SetCompleted(state_.completedCount.load(), state_.totalCount.load());
    if (existingFiles_ != OverwritePolicy::Replace && FileExists(destination)) {
        if (existingFiles_ == OverwritePolicy::Skip) {
            LogLine("Skipped (the file exists): %s", destination);
            NoteProgram(stream, name, destination, false);
            return EntryOutcome::Next;
        }
        updates_.Flush();
        switch (frontEnd_.AskOverwrite(destination)) {
            case OverwriteAnswer::No:
                NoteProgram(stream, name, destination, false);
                return EntryOutcome::Next;
            case OverwriteAnswer::Cancel:
                stopCode_ = kExitCancelled;
                return EntryOutcome::Stop;
            case OverwriteAnswer::Yes:
                break;
        }
    }

    // Only with the overwrite agreed (or no file there) does the entry get this far: a
    // read-only file of its name is replaced too. A failed entry leaves whatever was there.
    // The folder is checked again through the handle the file is written by, so that a link
    // swapped in since is caught too.
    const WideFromAnsi wideDestination(destination);
    wchar_t finalFolder[kFinalPathSize + kDestinationPathSize];
    vexa::WideDestination output;
    output.path = wideDestination.get();
    output.replaceReadOnly = true;
    output.finalFolder = FinalFolderOf(name, finalFolder) ? finalFolder : nullptr;
    g_progressUpdates = &updates_;
    const uint32_t result = vexa::DecompressToFileWide(stream, name, output, ShowProgress);
    g_progressUpdates = nullptr;
    if (output.throughLink) {
        ++failedEntries_;
        ReportErrorNow(kThroughLinkFormat, name);
    } else if (result != 0) {
        ++failedEntries_;
        if (result != uint32_t(vexa::Result::ArchiveCorrupt)) ++refusedByDestination_;
        ReportErrorNow("%s :: %s :: %i\n\nerror during decompressing file:\n'%s'\n\n%s", "sfxstub",
                       "ExtractThread", 159, name, vexa_GetErrorString(int(result)));
    } else {
        LogLine("Extracted: %s", name);
        updates_.AddExtracted(name);
        ++extractedEntries_;
    }
    NoteProgram(stream, name, destination, result == 0);
    state_.completedCount.fetch_add(1);
    updates_.SetCompleted(state_.completedCount.load(), state_.totalCount.load());
    return EntryOutcome::Next;
}

}  // namespace

void ShowProgress(int percent) {
    if (DialogUpdates* updates = g_progressUpdates.load()) updates->SetProgress(percent);
}

void ReportError(const char* format, ...) {
    char text[kErrorTextSize];
    va_list arguments;
    va_start(arguments, format);
    FormatTextV(text, sizeof text, format, arguments);
    va_end(arguments);
    ShowErrorBox(text);
}

namespace {

// Opens the program's own archive and extracts every entry through `frontEnd`. The stream is
// left open for the caller to close. Returns the run's exit code.
unsigned ExtractOwnArchive(ExtractionState& state, RunFrontEnd& frontEnd, HWND dialog,
                           OverwritePolicy existingFiles, WorkerStream& stream) {
    // By its wide name: a name the ANSI code page cannot spell would come back approximated,
    // and might name another file.
    wchar_t ownPath[kModulePathSize];
    const DWORD pathLength = ::GetModuleFileNameW(nullptr, ownPath, kModulePathSize);
    if (pathLength == 0 || pathLength >= kModulePathSize) ownPath[0] = L'\0';

    if (const uint32_t result = stream.Open(ownPath); result != 0) {
        char text[kErrorTextSize];
        FormatText(text, sizeof text, "Error opening file: %s", vexa_GetErrorString(int(result)));
        frontEnd.ShowError(text);
        return kExitArchiveUnreadable;
    }

    // Only an archive that opened gets a destination made for it.
    if (!frontEnd.PrepareDestination()) return kExitDestinationFailed;
    if (dialog) PrepareProgressControls(dialog);
    state.totalCount = vexa_GetNumFiles(stream.Handle());
    state.completedCount = 0;
    ExtractionRun run(state, frontEnd, dialog, existingFiles);
    for (uint64_t index = 0; index < state.totalCount.load(); ++index) {
        if (state.cancelRequested.load()) break;
        if (run.ExtractEntry(stream.Handle(), index) == EntryOutcome::Stop) break;
    }
    run.Finish();
    return run.Outcome();
}

}  // namespace

DWORD WINAPI ExtractThread(LPVOID parameter) {
    ExtractionState& state = *static_cast<ExtractionState*>(parameter);
    const HWND dialog = state.dialog.load();
    const OverwritePolicy existingFiles = ::IsDlgButtonChecked(dialog, IDC_OVERWRITE) == BST_CHECKED
                                              ? OverwritePolicy::Replace
                                              : state.existingFiles;
    DialogFrontEnd frontEnd(state, dialog);
    WorkerStream stream(state);
    const unsigned outcome = ExtractOwnArchive(state, frontEnd, dialog, existingFiles, stream);
    // A cancel has already decided the outcome; the dialog may be gone.
    if (!state.cancelRequested.load()) state.exitCode = outcome;
    if (!stream.Handle()) return 0;  // the archive did not open: the box said why

    ::EnableWindow(::GetDlgItem(dialog, IDC_EXTRACT), TRUE);
    ::EnableWindow(::GetDlgItem(dialog, IDC_CLOSE), TRUE);
    stream.Close();

    if (state.cancelRequested.load()) return 0;
    // The program its maker chose runs instead of the question, once the dialog is gone.
    if (outcome == kExitSuccess && state.runAfterExtraction) {
        ::PostMessageA(dialog, kEndDialogMessage, 0, 0);
        return 0;
    }
    if (::MessageBoxA(dialog, "Extraction Complete, Exit?", "Done", MB_YESNO | MB_ICONQUESTION) ==
        IDYES) {
        ::PostMessageA(dialog, kEndDialogMessage, 0, 0);
    }
    return 0;
}

unsigned ExtractSilently(ExtractionState& state, const ResolvedDestination& destination,
                         OverwritePolicy existingFiles) {
    SilentFrontEnd frontEnd(destination);
    WorkerStream stream(state);
    return ExtractOwnArchive(state, frontEnd, nullptr, existingFiles, stream);
}

}  // namespace sfx
