#include "pack_inputs.h"

#include "streaming_writer.h"

namespace vexa::cli {

std::optional<std::vector<InputFile>> GatherInputs(const std::string& command,
                                                   const std::vector<std::string>& paths,
                                                   const std::string& outputPath, Console& console,
                                                   const WalkOptions& options) {
    InputList inputs = CollectInputs(paths, fs::FileIdentity(outputPath), options);
    for (const std::string& warning : inputs.warnings) console.Error(command, warning);
    for (const std::string& error : inputs.errors) console.Error(command, error);
    if (!inputs.errors.empty()) {
        console.Error(command, "nothing written");
        return std::nullopt;
    }
    if (inputs.files.empty()) {
        console.Error(command, "no files to store; nothing written");
        return std::nullopt;
    }
    return std::move(inputs.files);
}

PackSummary PackInputs(platform::File& out, const std::vector<InputFile>& files, unsigned threads,
                       ProgressStyle style, Console& console) {
    PackSummary summary;
    for (const InputFile& file : files) summary.originalBytes += file.meta.size;
    Progress progress(console.err, style, summary.originalBytes, "adding");
    StreamingWriter writer(out, threads);
    summary.error = writer.Begin();
    for (size_t i = 0; i < files.size() && summary.error.empty(); ++i) {
        progress.StartItem(files[i].shownName, files[i].meta.size);
        summary.error = writer.AddFile(files[i], progress);
        progress.FinishItem();
    }
    if (summary.error.empty()) summary.error = writer.Finish();
    progress.Finish();
    summary.entries = writer.EntryCount();
    summary.packedBytes = writer.CompressedBytes();
    return summary;
}

}  // namespace vexa::cli
