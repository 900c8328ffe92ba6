#include "destination.h"

#include "host_fs.h"

namespace vexa::cli {

namespace {

std::string Base(const std::string& directory, char separator) {
    if (directory.empty()) return {};
    const char last = directory.back();
    if (last == '/' || last == separator) return directory;
    return directory + separator;
}

}  // namespace

std::string DestinationPath(const std::string& directory, const std::string& entryName,
                            char separator) {
    std::string path = Base(directory, separator);
    for (char c : entryName) path += (c == '\\' || c == '/') ? separator : c;
    return path;
}

std::vector<std::string> ParentDirectories(const std::string& directory,
                                           const std::string& entryName, char separator) {
    std::vector<std::string> parents;
    const std::string path = DestinationPath(directory, entryName, separator);
    const size_t start = Base(directory, separator).size();
    for (size_t i = start; i < path.size(); ++i)
        if (path[i] == separator) parents.push_back(path.substr(0, i));
    return parents;
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
