#include "input_walk.h"

#include <algorithm>
#include <set>

#include "entry_name.h"
#include "format.h"

namespace vexa::cli {

namespace {

bool IsWindowsPaths() {
    return fs::Separator() == '\\';
}

bool IsSeparator(char c, bool windowsPaths) {
    return c == '/' || (windowsPaths && (c == '\\' || c == ':'));
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    const char last = directory.back();
    if (IsSeparator(last, IsWindowsPaths())) return directory + name;
    return directory + fs::Separator() + name;
}

std::string JoinName(const std::string& prefix, const std::string& level) {
    return prefix.empty() ? level : prefix + '\\' + level;
}

class Walker {
  public:
    Walker(InputList& list, const std::optional<std::string>& skipIdentity)
        : list_(list), skipIdentity_(skipIdentity) {}

    void Root(const std::string& path) {
        const auto meta = fs::Stat(path);
        if (!meta) {
            list_.errors.push_back(path + ": " + fs::LastErrorText());
            return;
        }
        const std::string name = RootEntryName(path, IsWindowsPaths());
        if (name.empty() && meta->kind != fs::Kind::Directory) {
            list_.errors.push_back(path + ": not a file or directory that can be named");
            return;
        }
        Visit(path, name, *meta);
    }

  private:
    void Visit(const std::string& path, const std::string& name, const fs::Metadata& meta) {
        if (!name.empty() && !CheckName(path, name)) return;
        switch (meta.kind) {
            case fs::Kind::File:
                AddFile(path, name, meta);
                break;
            case fs::Kind::Directory:
                VisitDirectory(path, name, meta);
                break;
            case fs::Kind::Other:
                list_.warnings.push_back(path + ": skipped (not a regular file or directory)");
                break;
        }
    }

    void VisitDirectory(const std::string& path, const std::string& name,
                        const fs::Metadata& meta) {
        if (meta.symlink && !name.empty()) {
            list_.warnings.push_back(path + ": skipped (link to a directory is not followed)");
            return;
        }
        auto children = fs::ListDirectory(path);
        if (!children) {
            list_.errors.push_back(path + ": cannot read directory: " + fs::LastErrorText());
            return;
        }
        if (children->empty()) {
            list_.warnings.push_back(path + ": empty directory not stored (archives hold files)");
            return;
        }
        std::sort(children->begin(), children->end());
        for (const std::string& child : *children) {
            const std::string childPath = JoinPath(path, child);
            const auto childMeta = fs::Stat(childPath);
            if (!childMeta) {
                list_.errors.push_back(childPath + ": " + fs::LastErrorText());
                continue;
            }
            if (child.find('\\') != std::string::npos) {
                list_.errors.push_back(childPath +
                                       ": a backslash in a name cannot be stored (it separates "
                                       "levels in archive names)");
                continue;
            }
            Visit(childPath, JoinName(name, child), *childMeta);
        }
    }

    // A name too long for the record, or one that extraction would refuse, stops the archive.
    // Checked for directories too, so the walk never descends below a name that cannot fit.
    bool CheckName(const std::string& path, const std::string& name) {
        if (name.size() > kMaxNameLength) {
            list_.errors.push_back(path + ": entry name '" + name + "' is " +
                                   std::to_string(name.size()) + " bytes; at most " +
                                   std::to_string(kMaxNameLength) + " fit in a record");
            return false;
        }
        if (!IsSafeEntryName(name)) {
            list_.errors.push_back(path + ": entry name '" + name +
                                   "' would be refused on extraction (reserved or unsafe name)");
            return false;
        }
        return true;
    }

    void AddFile(const std::string& path, const std::string& name, const fs::Metadata& meta) {
        if (skipIdentity_ && fs::FileIdentity(path) == skipIdentity_) {
            list_.warnings.push_back(path + ": skipped (it is the archive being written)");
            return;
        }
        if (!names_.insert(name).second) {
            list_.errors.push_back(path + ": entry name '" + name +
                                   "' is already taken by another input");
            return;
        }
        list_.files.push_back({path, name, meta});
    }

    InputList& list_;
    const std::optional<std::string>& skipIdentity_;
    std::set<std::string> names_;
};

}  // namespace

std::string RootEntryName(const std::string& path, bool windowsPaths) {
    size_t end = path.size();
    while (end > 0 && path[end - 1] != ':' && IsSeparator(path[end - 1], windowsPaths)) --end;
    size_t start = end;
    while (start > 0 && !IsSeparator(path[start - 1], windowsPaths)) --start;
    const std::string level = path.substr(start, end - start);
    if (level == "." || level == "..") return {};
    return level;
}

InputList CollectInputs(const std::vector<std::string>& paths,
                        const std::optional<std::string>& skipIdentity) {
    InputList list;
    Walker walker(list, skipIdentity);
    for (const std::string& path : paths) walker.Root(path);
    return list;
}

}  // namespace vexa::cli
