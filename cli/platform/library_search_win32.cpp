#include "library_search.h"
#include "system_libraries.h"

namespace vexa::cli {

void RestrictLibrarySearch() {
    win32::RestrictDllSearch();
}

}  // namespace vexa::cli
