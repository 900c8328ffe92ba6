#include "wildcard.h"

#include "host_fs.h"
#include "reader_helpers.h"

namespace vexa::cli {

namespace {

// One comparable unit per character: the case-folded UTF-8 sequence, separators unified.
std::vector<std::string> Characters(const std::string& text) {
    const std::string folded = fs::CaseFoldKey(text);
    std::vector<std::string> characters;
    for (size_t i = 0; i < folded.size();) {
        const auto lead = static_cast<unsigned char>(folded[i]);
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (i + length > folded.size()) length = 1;
        characters.push_back(IsSeparator(folded[i]) ? "\\" : folded.substr(i, length));
        i += length;
    }
    return characters;
}

// Iterative matching with a single backtrack point: linear in practice, no recursion depth.
bool Match(const std::vector<std::string>& pattern, const std::vector<std::string>& name) {
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == "*") {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == "?" || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == "*") ++p;
    return p == pattern.size();
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    return Match(Characters(pattern), Characters(name));
}

EntrySelection::EntrySelection(std::vector<std::string> patterns)
    : patterns_(std::move(patterns)), matched_(patterns_.size(), false) {}

bool EntrySelection::Selects(const std::string& name) {
    const std::vector<std::string> characters = Characters(name);
    bool selected = false;
    for (size_t i = 0; i < patterns_.size(); ++i) {
        std::vector<std::string> pattern = Characters(patterns_[i]);
        while (!pattern.empty() && pattern.back() == "\\") pattern.pop_back();  // "docs\"
        bool match = Match(pattern, characters);
        // A folder of the name: the part before any separator.
        for (size_t end = 0; !match && end < characters.size(); ++end)
            if (characters[end] == "\\")
                match = Match(pattern, std::vector<std::string>(characters.begin(),
                                                                characters.begin() + long(end)));
        if (match) matched_[i] = true;
        selected = selected || match;
    }
    return selected;
}

std::vector<std::string> EntrySelection::Unmatched() const {
    std::vector<std::string> unmatched;
    for (size_t i = 0; i < patterns_.size(); ++i)
        if (!matched_[i]) unmatched.push_back(patterns_[i]);
    return unmatched;
}

}  // namespace vexa::cli
