// vexa extract ARCHIVE [-o DIR] [NAME...]
#include <set>

#include "archive_reader.h"
#include "command_line.h"
#include "commands.h"
#include "destination.h"
#include "entry_name.h"
#include "host_fs.h"
#include "progress_format.h"
#include "usage.h"
#include "vexa.h"

namespace vexa::cli {

namespace {

const std::string kCommand = "extract";

std::string WithBackslashes(std::string name) {
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

struct Tally {
    uint64_t extracted = 0;
    uint64_t skipped = 0;
    uint64_t failed = 0;
};

class Extractor {
  public:
    Extractor(const ArchiveReader& reader, std::string directory, bool overwrite,
              Progress& progress)
        : reader_(reader),
          directory_(std::move(directory)),
          overwrite_(overwrite),
          progress_(progress) {}

    void Entry(const VEXA_ENTRY& entry) {
        const std::string name = EntryName(entry);
        const std::string shown = Printable(name);
        if (!IsSafeEntryName(name)) {
            Fail(shown, "refused: the name could escape the destination or names a device");
            return;
        }
        const char separator = fs::Separator();
        for (const std::string& parent : ParentDirectories(directory_, name, separator)) {
            if (!fs::MakeDirectory(parent)) {
                Fail(shown, "cannot create directory " + parent + ": " + fs::LastErrorText());
                return;
            }
        }
        const std::string path = DestinationPath(directory_, name, separator);
        if (const auto existing = fs::Stat(path)) {
            if (existing->kind != fs::Kind::File) {
                Fail(shown, path + " exists and is not a file");
                return;
            }
            if (!overwrite_) {
                progress_.Message("vexa extract: " + shown +
                                  ": skipped, file exists (use --overwrite to replace it)");
                ++tally_.skipped;
                return;
            }
            // Removing first lets a read-only file be replaced.
            if (!fs::RemoveFile(path)) {
                Fail(shown, "cannot replace " + path + ": " + fs::LastErrorText());
                return;
            }
        }
        progress_.StartItem(shown, entry.originalSize);
        uint32_t result;
        {
            Progress::Forwarding forwarding(progress_);
            result = vexa_DecompressToFile(reader_.Handle(), name.c_str(), path.c_str(),
                                           &Progress::ForwardPercent);
        }
        progress_.FinishItem();
        if (result != 0) {
            // What is left is unverified content, or an empty file a later run would skip.
            fs::RemoveFile(path);
            Fail(shown, ResultText(result));
            return;
        }
        fs::SetModificationTime(path, entry.modificationTime);
        ++tally_.extracted;
    }

    void Fail(const std::string& shown, const std::string& reason) {
        progress_.Message("vexa extract: " + shown + ": " + reason);
        ++tally_.failed;
    }

    const Tally& Counts() const { return tally_; }

  private:
    const ArchiveReader& reader_;
    std::string directory_;
    bool overwrite_;
    Progress& progress_;
    Tally tally_;
};

}  // namespace

int RunExtract(const Args& args, Console& console) {
    int exitCode = kExitSuccess;
    const auto parsed = ParseCommand(
        kCommand, args, {{"output", 'o', true}, {"overwrite", 'y', false}, {"quiet", 'q', false}},
        kExtractUsage, console, exitCode);
    if (!parsed) return exitCode;
    if (parsed->operands.empty()) return UsageError(kCommand, "needs an archive", console);
    const bool quiet = parsed->Has("quiet");
    const std::string directory = parsed->Value("output").value_or(".");
    if (directory.empty()) return UsageError(kCommand, "the output directory is empty", console);

    const std::string& archive = parsed->operands[0];
    ArchiveReader reader;
    if (!OpenArchive(kCommand, archive, reader, console)) return kExitUsage;
    uint32_t walkError = 0;
    const std::vector<VEXA_ENTRY> entries = reader.AllEntries(walkError);

    std::set<std::string> wanted;
    for (size_t i = 1; i < parsed->operands.size(); ++i)
        wanted.insert(WithBackslashes(parsed->operands[i]));
    std::vector<const VEXA_ENTRY*> selected;
    std::set<std::string> found;
    uint64_t total = 0;
    for (const VEXA_ENTRY& entry : entries) {
        const std::string name = EntryName(entry);
        if (!wanted.empty() && !wanted.count(name)) continue;
        found.insert(name);
        selected.push_back(&entry);
        total += entry.originalSize;
    }

    if (!MakeDirectories(directory)) {
        console.Error(kCommand, directory + ": cannot create directory: " + fs::LastErrorText());
        return kExitUsage;
    }

    Progress progress(console.err, console.StyleFor(quiet), total, "extracting");
    Extractor extractor(reader, directory, parsed->Has("overwrite"), progress);
    for (const VEXA_ENTRY* entry : selected) extractor.Entry(*entry);
    uint64_t failed = extractor.Counts().failed;
    for (const std::string& name : wanted) {
        if (found.count(name)) continue;
        progress.Message("vexa extract: " + Printable(name) + ": not found in the archive");
        ++failed;
    }
    if (walkError != 0) {
        progress.Message("vexa extract: " + archive + ": entry " +
                         std::to_string(entries.size() + 1) + " of " +
                         std::to_string(reader.EntryCount()) + ": " + ResultText(walkError));
        ++failed;
    }
    progress.Finish();

    const Tally& counts = extractor.Counts();
    if (!quiet || failed > 0) {
        console.err << "Extracted " << counts.extracted
                    << (counts.extracted == 1 ? " file" : " files") << " to " << directory;
        if (counts.skipped > 0) console.err << ", " << counts.skipped << " skipped";
        if (failed > 0) console.err << ", " << failed << " failed";
        console.err << '\n';
    }
    return failed > 0 ? kExitSomeFailed : kExitSuccess;
}

}  // namespace vexa::cli
