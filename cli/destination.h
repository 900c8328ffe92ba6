// Where an entry lands on disk during extraction.
#pragma once

#include <string>
#include <vector>

namespace vexa::cli {

// `directory` joined with the entry name, its levels separated by `separator` (an entry level
// separator may be '\\' or '/').
std::string DestinationPath(const std::string& directory, const std::string& entryName,
                            char separator);

// The directories to create, outermost first, for a destination path built by
// DestinationPath: each prefix of the entry name's levels below `directory`.
std::vector<std::string> ParentDirectories(const std::string& directory,
                                           const std::string& entryName, char separator);

// Creates `path` and any missing parents; false on failure.
bool MakeDirectories(const std::string& path);

}  // namespace vexa::cli
