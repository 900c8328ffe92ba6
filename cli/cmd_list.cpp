// vexa list ARCHIVE [PATTERN...]
#include "archive_reader.h"
#include "command_line.h"
#include "commands.h"
#include "listing.h"
#include "shadowed_entries.h"
#include "usage.h"
#include "wildcard.h"

namespace vexa::cli {

int RunList(const Args& args, Console& console) {
    const std::string command = "list";
    int exitCode = kExitSuccess;
    const auto parsed =
        ParseCommand(command, args, {kCodePageOption}, kListUsage, console, exitCode);
    if (!parsed) return exitCode;
    if (parsed->operands.empty()) return UsageError(command, "needs an archive", console);
    const auto codePage = CodePageOption(command, *parsed, console);
    if (!codePage) return kExitUsage;

    const std::string& archive = parsed->operands[0];
    ArchiveReader reader;
    if (!OpenArchive(command, archive, reader, console)) return kExitUsage;
    Result walkError;
    const std::vector<VEXA_ENTRY> entries = reader.AllEntries(walkError);
    EntrySelection selection(
        std::vector<std::string>(parsed->operands.begin() + 1, parsed->operands.end()));
    const ShadowedEntries shadowed(entries);

    console.out << ListingHeader() << '\n' << ListingRule() << '\n';
    uint64_t listed = 0, original = 0, packed = 0, shadowedCount = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const VEXA_ENTRY& entry = entries[i];
        const std::string shown = Printable(codePage->Show(EntryName(entry)));
        if (!selection.SelectsAll() && !selection.Selects(shown)) continue;
        std::string row = ListingRow(entry, *codePage);
        if (shadowed.IsShadowed(i)) {
            row += "  (shadowed: entry " + std::to_string(i + 1) + " repeats an earlier name)";
            ++shadowedCount;
        }
        console.out << row << '\n';
        ++listed;
        original += entry.originalSize;
        packed += entry.compressedSize;
    }
    console.out << ListingRule() << '\n' << ListingTotal(listed, original, packed) << '\n';

    int status = kExitSuccess;
    if (shadowedCount > 0)
        console.Error(command, archive + ": " + std::to_string(shadowedCount) +
                                   (shadowedCount == 1 ? " entry is" : " entries are") +
                                   " shadowed by an earlier entry of the same name");
    for (const std::string& pattern : selection.Unmatched()) {
        console.Error(command, Printable(pattern) + ": not found in the archive");
        status = kExitSomeFailed;
    }
    if (walkError != Result::Success) {
        console.Error(
            command,
            archive + ": " + RecordFailureText(entries.size(), reader.EntryCount(), walkError));
        status = kExitSomeFailed;
    }
    return status;
}

}  // namespace vexa::cli
