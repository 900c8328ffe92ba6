// vexa extract ARCHIVE [-o DIR] [PATTERN...]
#include "archive_reader.h"
#include "command_line.h"
#include "commands.h"
#include "decode_ahead.h"
#include "entry_output.h"
#include "extract_paths.h"
#include "host_fs.h"
#include "reader_helpers.h"
#include "shadowed_entries.h"
#include "usage.h"
#include "vexa.h"
#include "wildcard.h"

namespace vexa::cli {

namespace {

const std::string kCommand = "extract";

struct Tally {
    uint64_t extracted = 0;
    uint64_t skipped = 0;
    uint64_t failed = 0;
};

class Extractor {
  public:
    // `selected` are the entries Entry will be given, in that order.
    Extractor(const ArchiveReader& reader, const std::vector<const VEXA_ENTRY*>& selected,
              std::string directory, bool overwrite, const CodePage& codePage, Progress& progress)
        : decoder_(reader.Handle(), selected),
          folders_(std::move(directory)),
          overwrite_(overwrite),
          codePage_(codePage),
          progress_(progress) {}

    // The `index`-th selected entry.
    void Entry(const VEXA_ENTRY& entry, size_t index) {
        const std::string stored = EntryName(entry);
        const std::string shown = Printable(codePage_.Show(stored));
        // The rule works on the stored bytes, as the self-extractor reads them.
        if (!IsSafeEntryName(stored)) {
            Fail(shown, "refused: the name could escape the destination or names a device");
            return;
        }
        std::vector<std::string> levels;
        for (const std::string& level : StoredLevels(stored)) {
            const auto text = codePage_.Decode(level);
            if (!text) {
                Fail(shown, "refused: the name is not text in code page " +
                                std::to_string(codePage_.Number()) + " (see --codepage)");
                return;
            }
            levels.push_back(*text);
        }

        EntryOutput output;
        std::string why;
        if (!Settle(shown, output.Prepare(folders_, levels, overwrite_, why), why)) return;
        // A failure before the commit gives way to what the final name says (a skip or a
        // refusal), as it would have had the name been examined first.
        auto fail = [&](const std::string& reason) {
            if (Settle(shown, output.CheckFinalName(why), why)) Fail(shown, reason);
        };
        if (output.LacksRoomFor(entry.originalSize)) {
            fail(ResultText(Result::OutOfDiskSpace));
            return;
        }

        progress_.StartItem(shown, entry.originalSize);
        DecodeTally decoded;
        std::string writeError;
        const Result result = decoder_.Decode(index, [&](const uint8_t* data, size_t count) {
            decoded.Add(data, count);
            if (!output.Write(data, count, writeError)) return Result::Unknown;
            progress_.Advance(decoded.Bytes());
            return Result::Success;
        });
        progress_.FinishItem();
        if (!writeError.empty()) {
            fail(writeError);
            return;
        }
        if (const std::string failure = decoded.FailureText(result, entry); !failure.empty()) {
            fail(failure);
            return;
        }
        if (!Settle(shown, output.Commit(entry.attributes & 0x3F, entry.modificationTime, why),
                    why))
            return;
        ++tally_.extracted;
    }

    // True when the entry may go on; otherwise reports the skip or failure.
    bool Settle(const std::string& shown, EntryOutput::Status status, const std::string& why) {
        switch (status) {
            case EntryOutput::Status::Ready:
                return true;
            case EntryOutput::Status::Exists:
                progress_.Message("vexa extract: " + shown +
                                  ": skipped, file exists (use --overwrite to replace it)");
                ++tally_.skipped;
                return false;
            case EntryOutput::Status::Refused:
            case EntryOutput::Status::Failed:
                break;
        }
        Fail(shown, why);
        return false;
    }

    void Fail(const std::string& shown, const std::string& reason) {
        progress_.Message("vexa extract: " + shown + ": " + reason);
        ++tally_.failed;
    }

    const Tally& Counts() const { return tally_; }

  private:
    DecodeAhead decoder_;
    OutputFolders folders_;
    bool overwrite_;
    const CodePage& codePage_;
    Progress& progress_;
    Tally tally_;
};

// Content of the selected entries, one after the other, to standard output.
uint64_t WriteToOutput(const ArchiveReader& reader, const std::vector<const VEXA_ENTRY*>& selected,
                       const CodePage& codePage, Console& console, Progress& progress) {
    uint64_t failed = 0;
    fs::SetBinaryOutput();
    for (const VEXA_ENTRY* entry : selected) {
        const std::string stored = EntryName(*entry);
        DecodeTally decoded;
        const Result result =
            DecodeEntryTo(reader.Handle(), stored.c_str(), [&](const uint8_t* data, size_t count) {
                decoded.Add(data, count);
                console.out.write(reinterpret_cast<const char*>(data), std::streamsize(count));
                return console.out ? Result::Success : Result::Unknown;
            });
        if (!console.out) {
            progress.Message("vexa extract: standard output: write error");
            return failed + 1;
        }
        if (const std::string failure = decoded.FailureText(result, *entry); !failure.empty()) {
            progress.Message("vexa extract: " + Printable(codePage.Show(stored)) + ": " + failure);
            ++failed;
        }
    }
    console.out.flush();
    return failed;
}

}  // namespace

int RunExtract(const Args& args, Console& console) {
    int exitCode = kExitSuccess;
    const auto parsed = ParseCommand(kCommand, args,
                                     {{"output", 'o', true},
                                      {"overwrite", 'y', false},
                                      {"quiet", 'q', false},
                                      {"stdout", 'c', false},
                                      kCodePageOption},
                                     kExtractUsage, console, exitCode);
    if (!parsed) return exitCode;
    if (parsed->operands.empty()) return UsageError(kCommand, "needs an archive", console);
    const auto codePage = CodePageOption(kCommand, *parsed, console);
    if (!codePage) return kExitUsage;
    const bool toOutput = parsed->Has("stdout");
    if (toOutput && parsed->Has("output"))
        return UsageError(kCommand, "--stdout and --output exclude each other", console);
    const bool quiet = parsed->Has("quiet");
    const std::string directory = parsed->Value("output").value_or(".");
    if (directory.empty()) return UsageError(kCommand, "the output directory is empty", console);

    const std::string& archive = parsed->operands[0];
    ArchiveReader reader;
    if (!OpenArchive(kCommand, archive, reader, console)) return kExitUsage;
    Result walkError;
    const std::vector<VEXA_ENTRY> entries = reader.AllEntries(walkError);

    EntrySelection selection(
        std::vector<std::string>(parsed->operands.begin() + 1, parsed->operands.end()));
    const ShadowedEntries shadowed(entries);
    std::vector<const VEXA_ENTRY*> selected;
    std::vector<size_t> shadowedSelected;
    uint64_t total = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!selection.SelectsAll() && !selection.Selects(codePage->Show(EntryName(entries[i]))))
            continue;
        if (shadowed.IsShadowed(i)) {
            shadowedSelected.push_back(i);
            continue;
        }
        selected.push_back(&entries[i]);
        total += entries[i].originalSize;
    }

    if (!toOutput && !MakeDirectories(directory)) {
        console.Error(kCommand, directory + ": cannot create directory: " + fs::LastErrorText());
        return kExitUsage;
    }

    Progress progress(console.err, console.StyleFor(quiet || toOutput), total, "extracting");
    uint64_t failed = 0;
    Tally counts;
    if (toOutput) {
        failed += WriteToOutput(reader, selected, *codePage, console, progress);
    } else {
        Extractor extractor(reader, selected, directory, parsed->Has("overwrite"), *codePage,
                            progress);
        for (size_t i = 0; i < selected.size(); ++i) extractor.Entry(*selected[i], i);
        counts = extractor.Counts();
        failed += counts.failed;
    }
    for (size_t index : shadowedSelected) {
        progress.Message("vexa extract: " + shadowed.Describe(index, *codePage));
        ++failed;
    }
    for (std::string pattern : selection.Unmatched()) {
        for (char& c : pattern)
            if (c == '/') c = '\\';
        progress.Message("vexa extract: " + Printable(pattern) + ": not found in the archive");
        ++failed;
    }
    if (walkError != Result::Success) {
        progress.Message("vexa extract: " + archive + ": " +
                         RecordFailureText(entries.size(), reader.EntryCount(), walkError));
        ++failed;
    }
    progress.Finish();

    if (!toOutput && (!quiet || failed > 0)) {
        console.err << "Extracted " << counts.extracted
                    << (counts.extracted == 1 ? " file" : " files") << " to " << directory;
        if (counts.skipped > 0) console.err << ", " << counts.skipped << " skipped";
        if (failed > 0) console.err << ", " << failed << " failed";
        console.err << '\n';
    }
    return failed > 0 ? kExitSomeFailed : kExitSuccess;
}

}  // namespace vexa::cli
