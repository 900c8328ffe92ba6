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

namespace {

// Opens one input and hands it to the writer; an error names the file when the file is at fault.
std::string AddInput(pack::StreamingWriter& writer, const InputFile& file, Progress& progress) {
    platform::File in = fs::OpenForReading(file.path);
    if (!in.IsOpen()) return file.path + ": cannot open for reading";
    const pack::EntryMeta meta{file.name, file.meta.attributes, file.meta.modificationTime};
    const pack::WriteStatus status =
        writer.AddEntry(meta, in, [&](uint64_t bytes) { progress.Advance(bytes); });
    if (status.Ok()) return {};
    return status.inInput ? file.path + ": " + status.error : status.error;
}

}  // namespace

uint64_t ArchiveBytes(const PackSummary& summary) {
    return kHeaderSize + summary.entries * kRecordSize + summary.packedBytes;
}

bool IsDirectory(const std::string& path) {
    const auto meta = fs::Stat(path);
    return meta && meta->kind == fs::Kind::Directory;
}

PackSummary PackInputs(platform::File& out, const std::vector<InputFile>& files, unsigned threads,
                       ProgressStyle style, Console& console) {
    PackSummary summary;
    for (const InputFile& file : files) summary.originalBytes += file.meta.size;
    Progress progress(console.err, style, summary.originalBytes, "adding");
    pack::StreamingWriter writer(out, threads);
    summary.error = writer.Begin().error;
    for (size_t i = 0; i < files.size() && summary.error.empty(); ++i) {
        progress.StartItem(files[i].shownName, files[i].meta.size);
        summary.error = AddInput(writer, files[i], progress);
        progress.FinishItem();
    }
    if (summary.error.empty()) summary.error = writer.Finish().error;
    progress.Finish();
    summary.entries = writer.EntryCount();
    summary.packedBytes = writer.CompressedBytes();
    return summary;
}

}  // namespace vexa::cli
