#include "library_search.h"

namespace vexa::cli {

// Shared objects come from the paths the dynamic linker is configured with, never from the
// program's folder unless its run path says so.
void RestrictLibrarySearch() {}

}  // namespace vexa::cli
