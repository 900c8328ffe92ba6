// make_sfx STUB OUTPUT DIRECTORY [INITIAL-DESTINATION]
// Packs every file below DIRECTORY (names relative to it, backslash-separated) into an
// archive and appends it to a copy of STUB, optionally with an initial destination.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sfx_maker.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: make_sfx STUB OUTPUT DIRECTORY [INITIAL-DESTINATION]\n");
        return 2;
    }
    const fs::path root = argv[3];
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
         it.increment(error))
        if (it->is_regular_file()) files.push_back(it->path());
    if (error) {
        std::fprintf(stderr, "make_sfx: cannot walk %s\n", argv[3]);
        return 1;
    }
    std::sort(files.begin(), files.end());

    std::vector<sfxtest::ArchiveEntry> entries;
    for (const fs::path& file : files) {
        sfxtest::ArchiveEntry entry;
        entry.name = fs::relative(file, root).generic_string();
        std::replace(entry.name.begin(), entry.name.end(), '/', '\\');
        const std::vector<uint8_t> bytes = sfxtest::ReadFileBytes(file.string());
        entry.content.assign(bytes.begin(), bytes.end());
        entries.push_back(std::move(entry));
    }
    try {
        const std::string failure = sfxtest::FormSelfExtractor(
            argv[1], sfxtest::BuildArchive(entries), argv[2], argc == 5 ? argv[4] : "");
        if (!failure.empty()) {
            std::fprintf(stderr, "make_sfx: %s\n", failure.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_sfx: %s\n", e.what());
        return 1;
    }
    std::printf("%s: %zu entries\n", argv[2], entries.size());
    return 0;
}
