// vexa list ARCHIVE
#include "archive_reader.h"
#include "command_line.h"
#include "commands.h"
#include "listing.h"
#include "usage.h"

namespace vexa::cli {

int RunList(const Args& args, Console& console) {
    const std::string command = "list";
    int exitCode = kExitSuccess;
    const auto parsed = ParseCommand(command, args, {}, kListUsage, console, exitCode);
    if (!parsed) return exitCode;
    if (parsed->operands.size() != 1)
        return UsageError(command, "needs exactly one archive", console);

    const std::string& archive = parsed->operands[0];
    ArchiveReader reader;
    if (!OpenArchive(command, archive, reader, console)) return kExitUsage;

    console.out << ListingHeader() << '\n' << ListingRule() << '\n';
    uint64_t listed = 0, original = 0, packed = 0;
    int status = kExitSuccess;
    for (uint64_t i = 0; i < reader.EntryCount(); ++i) {
        VEXA_ENTRY entry;
        if (const uint32_t result = reader.Entry(i, entry); result != 0) {
            console.Error(command, archive + ": entry " + std::to_string(i + 1) + " of " +
                                       std::to_string(reader.EntryCount()) + ": " +
                                       ResultText(result));
            status = kExitSomeFailed;
            break;
        }
        console.out << ListingRow(entry) << '\n';
        ++listed;
        original += entry.originalSize;
        packed += entry.compressedSize;
    }
    console.out << ListingRule() << '\n' << ListingTotal(listed, original, packed) << '\n';
    return status;
}

}  // namespace vexa::cli
