// Packing files into an archive, shared by `create` and `sfx`.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console.h"
#include "input_walk.h"
#include "platform.h"

namespace vexa::cli {

// Walks `paths` and reports what is left out and what cannot be stored. Returns nothing when
// the archive must not be written (every reason already reported).
std::optional<std::vector<InputFile>> GatherInputs(const std::string& command,
                                                   const std::vector<std::string>& paths,
                                                   const std::string& outputPath, Console& console,
                                                   const WalkOptions& options = WalkOptions());

struct PackSummary {
    std::string error;  // empty on success
    uint64_t entries = 0;
    uint64_t originalBytes = 0;
    uint64_t packedBytes = 0;
};

// The size of the archive written: header, records and block data.
uint64_t ArchiveBytes(const PackSummary& summary);

// True when `path` names an existing directory (an output path must not).
bool IsDirectory(const std::string& path);

// Writes the archive of `files` at the current position of `out`.
PackSummary PackInputs(platform::File& out, const std::vector<InputFile>& files, unsigned threads,
                       ProgressStyle style, Console& console);

}  // namespace vexa::cli
