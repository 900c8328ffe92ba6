// vexa test ARCHIVE
#include "archive_reader.h"
#include "command_line.h"
#include "commands.h"
#include "progress_format.h"
#include "reader_helpers.h"
#include "shadowed_entries.h"
#include "usage.h"

namespace vexa::cli {

int RunTest(const Args& args, Console& console) {
    const std::string command = "test";
    int exitCode = kExitSuccess;
    const auto parsed = ParseCommand(command, args, {{"quiet", 'q', false}, kCodePageOption},
                                     kTestUsage, console, exitCode);
    if (!parsed) return exitCode;
    if (parsed->operands.size() != 1)
        return UsageError(command, "needs exactly one archive", console);
    const auto codePage = CodePageOption(command, *parsed, console);
    if (!codePage) return kExitUsage;
    const bool quiet = parsed->Has("quiet");

    const std::string& archive = parsed->operands[0];
    ArchiveReader reader;
    if (!OpenArchive(command, archive, reader, console)) return kExitUsage;
    Result walkError;
    const std::vector<VEXA_ENTRY> entries = reader.AllEntries(walkError);
    uint64_t total = 0;
    for (const VEXA_ENTRY& entry : entries) total += entry.originalSize;

    Progress progress(console.err, console.StyleFor(quiet), total, "testing");
    uint64_t failed = 0;
    const ShadowedEntries shadowed(entries);
    for (size_t i = 0; i < entries.size(); ++i) {
        const VEXA_ENTRY& entry = entries[i];
        const std::string name = EntryName(entry);
        const std::string shown = Printable(codePage->Show(name));
        if (shadowed.IsShadowed(i)) {
            // A lookup by this name decodes the earlier entry: this one cannot be checked.
            progress.Message("vexa test: " + shadowed.Describe(i, *codePage));
            ++failed;
            progress.StartItem(shown, entry.originalSize);
            progress.FinishItem();
            continue;
        }
        progress.StartItem(shown, entry.originalSize);
        DecodeTally decoded;
        const Result result =
            DecodeEntryTo(reader.Handle(), name.c_str(), [&](const uint8_t* data, size_t count) {
                decoded.Add(data, count);
                progress.Advance(decoded.Bytes());
                return Result::Success;
            });
        progress.FinishItem();
        if (const std::string failure = decoded.FailureText(result, entry); !failure.empty()) {
            progress.Message("vexa test: " + shown + ": " + failure);
            ++failed;
        }
    }
    if (walkError != Result::Success) {
        progress.Message("vexa test: " + archive + ": " +
                         RecordFailureText(entries.size(), reader.EntryCount(), walkError));
        ++failed;
    }
    progress.Finish();
    if (failed == 0) {
        if (!quiet)
            console.err << "All " << entries.size() << (entries.size() == 1 ? " entry" : " entries")
                        << " OK (" << FormatBytes(total) << ")\n";
        return kExitSuccess;
    }
    console.err << "vexa test: " << archive << ": " << failed
                << (failed == 1 ? " problem" : " problems") << " found\n";
    return kExitSomeFailed;
}

}  // namespace vexa::cli
