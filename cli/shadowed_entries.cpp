#include "shadowed_entries.h"

#include <unordered_map>

#include "archive_reader.h"

namespace vexa::cli {

ShadowedEntries::ShadowedEntries(const std::vector<VEXA_ENTRY>& entries) : entries_(entries) {
    std::unordered_map<std::string, size_t> first;
    firstOfName_.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        firstOfName_.push_back(first.emplace(EntryName(entries[i]), i).first->second);
}

std::string ShadowedEntries::Describe(size_t index, const CodePage& codePage) const {
    return Printable(codePage.Show(EntryName(entries_[index]))) + ": entry " +
           std::to_string(index + 1) + " has the same name as entry " +
           std::to_string(firstOfName_[index] + 1) + "; only the first of them can be extracted";
}

}  // namespace vexa::cli
