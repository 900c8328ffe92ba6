// Turns the paths given to `create` into the ordered list of files to store, with their entry
// names: each path's own name becomes the first level, directories are walked recursively in
// byte order of their children's names, and levels are joined with backslashes. Names are
// stored in a Windows code page.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "codepage.h"
#include "host_fs.h"

namespace vexa::cli {

struct InputFile {
    std::string path;  // as the file system knows it (UTF-8 on every platform)
    std::string name;  // entry name in the archive: bytes in the code page
    fs::Metadata meta;
    std::string shownName = {};  // the entry name as UTF-8, for messages
};

struct WalkOptions {
    CodePage codePage;
    // Wildcard patterns (see wildcard.h) matched against each level's name and against the
    // entry name; what matches is left out, a directory with everything below it.
    std::vector<std::string> excludes;
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
// being replaced) is left out. A name the code page cannot hold, or that would collide with
// another on Windows (equal but for case), is an error.
InputList CollectInputs(const std::vector<std::string>& paths,
                        const std::optional<std::string>& skipIdentity,
                        const WalkOptions& options = WalkOptions());

}  // namespace vexa::cli
