// Selecting entries by name as people do on Windows: '*' and '?' wildcards matched against the
// whole name, '/' and '\' alike, case ignored; a name or pattern that matches a folder selects
// everything below it.
#pragma once

#include <string>
#include <vector>

namespace vexa::cli {

// True when `pattern` matches all of `name` ('*' any run of characters, separators included;
// '?' one character). Both are UTF-8; case and the separator kind do not matter.
bool WildcardMatch(const std::string& pattern, const std::string& name);

class EntrySelection {
  public:
    explicit EntrySelection(std::vector<std::string> patterns);

    // Everything is selected when no pattern was given.
    bool SelectsAll() const { return patterns_.empty(); }
    // True when some pattern matches `name` or one of its folders; remembers which matched.
    bool Selects(const std::string& name);
    // The patterns that matched no name so far.
    std::vector<std::string> Unmatched() const;

  private:
    std::vector<std::string> patterns_;
    std::vector<bool> matched_;
};

}  // namespace vexa::cli
