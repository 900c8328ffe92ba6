// vexa test ARCHIVE
#include <set>

#include "archive_reader.h"
#include "command_line.h"
#include "commands.h"
#include "decode_entry.h"
#include "progress_format.h"
#include "usage.h"

namespace vexa::cli {

int RunTest(const Args& args, Console& console) {
    const std::string command = "test";
    int exitCode = kExitSuccess;
    const auto parsed =
        ParseCommand(command, args, {{"quiet", 'q', false}}, kTestUsage, console, exitCode);
    if (!parsed) return exitCode;
    if (parsed->operands.size() != 1)
        return UsageError(command, "needs exactly one archive", console);
    const bool quiet = parsed->Has("quiet");

    const std::string& archive = parsed->operands[0];
    ArchiveReader reader;
    if (!OpenArchive(command, archive, reader, console)) return kExitUsage;
    uint32_t walkError = 0;
    const std::vector<VEXA_ENTRY> entries = reader.AllEntries(walkError);
    uint64_t total = 0;
    for (const VEXA_ENTRY& entry : entries) total += entry.originalSize;

    Progress progress(console.err, console.StyleFor(quiet), total, "testing");
    uint64_t failed = 0;
    std::set<std::string> seen;
    for (const VEXA_ENTRY& entry : entries) {
        const std::string name = EntryName(entry);
        if (!seen.insert(name).second)
            progress.Message("vexa test: " + Printable(name) +
                             ": warning: name also used by an earlier entry; only the first "
                             "one can be extracted");
        progress.StartItem(Printable(name), entry.originalSize);
        uint64_t decoded = 0;
        const Result result =
            DecodeEntryTo(reader.Handle(), name.c_str(), [&](const uint8_t*, size_t count) {
                decoded += count;
                progress.Advance(decoded);
                return Result::Success;
            });
        progress.FinishItem();
        if (result != Result::Success) {
            progress.Message("vexa test: " + Printable(name) + ": " + ResultText(uint32_t(result)));
            ++failed;
        }
    }
    if (walkError != 0) {
        progress.Message("vexa test: " + archive + ": entry " + std::to_string(entries.size() + 1) +
                         " of " + std::to_string(reader.EntryCount()) + ": " +
                         ResultText(walkError));
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
