// vexa create ARCHIVE PATH...
#include "command_line.h"
#include "commands.h"
#include "listing.h"
#include "pack_inputs.h"
#include "progress_format.h"
#include "temp_output.h"
#include "usage.h"

namespace vexa::cli {

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
    const std::vector<std::string> paths(parsed->operands.begin() + 1, parsed->operands.end());
    const auto files =
        GatherInputs(command, paths, archive, console, {*codePage, parsed->Values("exclude")});
    if (!files) return kExitUsage;

    TempOutput output(archive);
    if (!output.Create()) {
        console.Error(command, output.TempPath() + ": cannot create: " + fs::LastErrorText());
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
    if (!quiet)
        console.err << "Created " << archive << ": " << summary.entries
                    << (summary.entries == 1 ? " file, " : " files, ")
                    << FormatBytes(summary.originalBytes) << " packed to "
                    << FormatBytes(summary.packedBytes) << " ("
                    << FormatRatio(summary.originalBytes, summary.packedBytes) << ")\n";
    return kExitSuccess;
}

}  // namespace vexa::cli
