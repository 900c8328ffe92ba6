#include "extract_paths.h"

#include "host_fs.h"
#include "reader_helpers.h"

namespace vexa::cli {

std::vector<std::string> StoredLevels(const std::string& storedName) {
    std::vector<std::string> levels(1);
    for (char c : storedName) {
        if (IsSeparator(c))
            levels.emplace_back();
        else
            levels.back() += c;
    }
    return levels;
}

bool MakeDirectories(const std::string& path) {
    if (path.empty() || fs::MakeDirectory(path)) return true;
    const size_t cut = path.find_last_of(fs::Separator() == '\\' ? "\\/" : "/");
    if (cut == std::string::npos || cut == 0) return false;
    const std::string parent = path.substr(0, cut);
    if (parent.back() == ':') return false;  // a drive that does not exist
    return MakeDirectories(parent) && fs::MakeDirectory(path);
}

}  // namespace vexa::cli
