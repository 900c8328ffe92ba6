// vexa create ARCHIVE PATH...
#include "command_line.h"
#include "commands.h"
#include "listing.h"
#include "pack_inputs.h"
#include "progress_format.h"
#include "temp_output.h"
#include "usage.h"

namespace vexa::cli {

namespace {

// Said when the archive is larger than what went into it, with both sizes: data that does not
// compress grows, since the format has no stored mode; many tiny files grow by their records.
std::string LargerThanInputNote(const std::string& archive, const PackSummary& summary) {
    const uint64_t archiveBytes = ArchiveBytes(summary);
    if (archiveBytes <= summary.originalBytes) return {};
    const uint64_t recordBytes = archiveBytes - summary.packedBytes;
    const bool dataGrew = summary.packedBytes > summary.originalBytes &&
                          summary.packedBytes - summary.originalBytes > recordBytes;
    const std::string why =
        dataGrew ? "the data does not compress, and without a stored mode such data grows by "
                   "about 12.5%"
                 : "each file's record takes " + std::to_string(kRecordSize) + " bytes";
    return "note: " + archive + " is larger than its input: " + FormatBytes(archiveBytes) +
           " from " + FormatBytes(summary.originalBytes) + " (" +
           FormatRatio(summary.originalBytes, archiveBytes) + "); " + why;
}

}  // namespace

int RunCreate(const Args& args, Console& console) {
    const std::string command = "create";
    int exitCode = kExitSuccess;
    const auto parsed = ParseCommand(
        command, args,
        {{"quiet", 'q', false}, {"threads", 'j', true}, {"exclude", 'x', true}, kCodePageOption},
        kCreateUsage, console, exitCode);
    if (!parsed) return exitCode;
    if (parsed->operands.size() < 2)
        return UsageError(command, "needs an archive name and at least one path", console);
    const auto threads = ThreadsOption(command, *parsed, console);
    if (!threads) return kExitUsage;
    const bool quiet = parsed->Has("quiet");
    const auto codePage = CodePageOption(command, *parsed, console);
    if (!codePage) return kExitUsage;

    const std::string& archive = parsed->operands[0];
    if (IsDirectory(archive)) {
        console.Error(command, archive + ": is a directory; give the archive's file name");
        return kExitUsage;
    }
    const std::vector<std::string> paths(parsed->operands.begin() + 1, parsed->operands.end());
    const auto files =
        GatherInputs(command, paths, archive, console, {*codePage, parsed->Values("exclude")});
    if (!files) return kExitUsage;

    TempOutput output(archive);
    if (!output.Create()) {
        console.Error(command, archive + ": cannot create: " + fs::LastErrorText());
        return kExitUsage;
    }
    const PackSummary summary =
        PackInputs(output.File(), *files, *threads, console.StyleFor(quiet), console);
    if (!summary.error.empty()) {
        console.Error(command, archive + ": " + summary.error + "; nothing written");
        return kExitUsage;
    }
    if (!output.Commit()) {
        console.Error(command, archive + ": cannot rename the finished archive into place: " +
                                   fs::LastErrorText());
        return kExitUsage;
    }
    if (const std::string note = LargerThanInputNote(archive, summary); !note.empty())
        console.Error(command, note);
    if (!quiet)
        console.err << "Created " << archive << ": " << summary.entries
                    << (summary.entries == 1 ? " file, " : " files, ")
                    << FormatBytes(summary.originalBytes) << " packed to "
                    << FormatBytes(summary.packedBytes) << " ("
                    << FormatRatio(summary.originalBytes, summary.packedBytes) << ")\n";
    return kExitSuccess;
}

}  // namespace vexa::cli
