// Records whose name an earlier record already uses. A lookup by name always finds the first,
// so the later ones can never be extracted by name: the tool reports them instead.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "codepage.h"
#include "format.h"

namespace vexa::cli {

class ShadowedEntries {
  public:
    explicit ShadowedEntries(const std::vector<VEXA_ENTRY>& entries);

    bool IsShadowed(size_t index) const { return firstOfName_[index] != index; }
    // "NAME: entry N has the name of entry M; ..." for a shadowed entry (1-based numbers).
    std::string Describe(size_t index, const CodePage& codePage) const;

  private:
    const std::vector<VEXA_ENTRY>& entries_;
    std::vector<size_t> firstOfName_;
};

}  // namespace vexa::cli
