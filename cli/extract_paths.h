// Where the levels of an entry name lie below the extraction folder.
#pragma once

#include <string>
#include <vector>

namespace vexa::cli {

// The levels of a stored name, split at every '\' or '/' byte, byte by byte as the
// self-extractor splits them (so in a double-byte code page a trail byte 0x5C splits too).
std::vector<std::string> StoredLevels(const std::string& storedName);

// Creates `path` and any missing parents; false on failure.
bool MakeDirectories(const std::string& path);

}  // namespace vexa::cli
