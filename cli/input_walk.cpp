#include "input_walk.h"

#include <algorithm>
#include <map>
#include <set>

#include "reader_helpers.h"
#include "wildcard.h"

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

// An entry name as it is stored (code page bytes) and as it is shown (UTF-8).
struct EntryName {
    std::string stored;
    std::string shown;
};

class Walker {
  public:
    Walker(InputList& list, const std::optional<std::string>& skipIdentity,
           const WalkOptions& options)
        : list_(list), skipIdentity_(skipIdentity), options_(options) {}

    void Root(const std::string& path) {
        const auto meta = fs::Stat(path);
        if (!meta) {
            list_.errors.push_back(path + ": " + fs::LastErrorText());
            return;
        }
        const std::string level = RootEntryName(path, IsWindowsPaths());
        if (level.empty() && meta->kind != fs::Kind::Directory) {
            list_.errors.push_back(path + ": not a file or directory that can be named");
            return;
        }
        if (level.empty()) {
            Visit(path, EntryName{}, *meta);
            return;
        }
        if (IsExcluded(level, level)) return;
        if (const auto name = Extend(path, EntryName{}, level)) Visit(path, *name, *meta);
    }

  private:
    void Visit(const std::string& path, const EntryName& name, const fs::Metadata& meta) {
        if (!name.stored.empty() && !CheckName(path, name)) return;
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

    void VisitDirectory(const std::string& path, const EntryName& name, const fs::Metadata& meta) {
        if (meta.symlink && !name.stored.empty()) {
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
            if (child.find('\\') != std::string::npos) {
                list_.errors.push_back(childPath +
                                       ": a backslash in a name cannot be stored (it separates "
                                       "levels in archive names)");
                continue;
            }
            const std::string shown = name.shown.empty() ? child : name.shown + '\\' + child;
            if (IsExcluded(child, shown)) continue;
            const auto childMeta = fs::Stat(childPath);
            if (!childMeta) {
                list_.errors.push_back(childPath + ": " + fs::LastErrorText());
                continue;
            }
            if (const auto childName = Extend(childPath, name, child))
                Visit(childPath, *childName, *childMeta);
        }
    }

    bool IsExcluded(const std::string& level, const std::string& shown) const {
        for (const std::string& pattern : options_.excludes)
            if (WildcardMatch(pattern, level) || WildcardMatch(pattern, shown)) return true;
        return false;
    }

    // The name one level deeper, with the level converted to the code page.
    std::optional<EntryName> Extend(const std::string& path, const EntryName& parent,
                                    const std::string& level) {
        std::string problem;
        const auto stored = options_.codePage.EncodeLevel(level, problem);
        if (!stored) {
            list_.errors.push_back(path + ": the name '" + level +
                                   "' cannot be stored: " + problem + " (see --codepage)");
            return std::nullopt;
        }
        if (parent.stored.empty()) return EntryName{*stored, level};
        return EntryName{parent.stored + '\\' + *stored, parent.shown + '\\' + level};
    }

    // A name too long for the record, or one that extraction would refuse, stops the archive.
    // Checked for directories too, so the walk never descends below a name that cannot fit.
    bool CheckName(const std::string& path, const EntryName& name) {
        if (name.stored.size() > kMaxNameLength) {
            list_.errors.push_back(path + ": entry name '" + name.shown + "' is " +
                                   std::to_string(name.stored.size()) + " bytes; at most " +
                                   std::to_string(kMaxNameLength) + " fit in a record");
            return false;
        }
        if (!IsSafeEntryName(name.stored)) {
            list_.errors.push_back(path + ": entry name '" + name.shown +
                                   "' would be refused on extraction (reserved or unsafe name)");
            return false;
        }
        return true;
    }

    void AddFile(const std::string& path, const EntryName& name, const fs::Metadata& meta) {
        if (skipIdentity_ && fs::FileIdentity(path) == skipIdentity_) {
            list_.warnings.push_back(path + ": skipped (it is the archive being written)");
            return;
        }
        if (!names_.insert(name.stored).second) {
            list_.errors.push_back(path + ": entry name '" + name.shown +
                                   "' is already taken by another input");
            return;
        }
        // Windows compares names without case: both would land in one file there.
        const auto [other, added] = foldedNames_.emplace(fs::CaseFoldKey(name.shown), name.shown);
        if (!added) {
            list_.errors.push_back(path + ": entry names '" + other->second + "' and '" +
                                   name.shown +
                                   "' differ only in case and would be one file on Windows");
            return;
        }
        list_.files.push_back({path, name.stored, meta, name.shown});
    }

    InputList& list_;
    const std::optional<std::string>& skipIdentity_;
    const WalkOptions& options_;
    std::set<std::string> names_;
    std::map<std::string, std::string> foldedNames_;
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
                        const std::optional<std::string>& skipIdentity,
                        const WalkOptions& options) {
    InputList list;
    Walker walker(list, skipIdentity, options);
    for (const std::string& path : paths) walker.Root(path);
    return list;
}

}  // namespace vexa::cli
