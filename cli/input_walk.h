// Turns the paths given to `create` into the ordered list of files to store, with their entry
// names: each path's own name becomes the first level, directories are walked recursively in
// byte order of their children's names, and levels are joined with backslashes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host_fs.h"

namespace vexa::cli {

struct InputFile {
    std::string path;  // as the file system knows it
    std::string name;  // entry name in the archive
    fs::Metadata meta;
};

struct InputList {
    std::vector<InputFile> files;
    std::vector<std::string> warnings;  // things left out; the archive is still written
    std::vector<std::string> errors;    // things that stop the archive from being written
};

// The entry-name prefix a given path contributes: its last level, or nothing for ".", ".."
// and roots (their contents are stored under their own names). `windowsPaths` selects the
// separators of Windows ('\\', '/' and a drive colon) instead of '/' alone.
std::string RootEntryName(const std::string& path, bool windowsPaths);

// Walks `paths` in the given order. A file whose identity equals `skipIdentity` (the archive
// being replaced) is left out.
InputList CollectInputs(const std::vector<std::string>& paths,
                        const std::optional<std::string>& skipIdentity);

}  // namespace vexa::cli
