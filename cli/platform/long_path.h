// Paths for the Windows wide functions, also beyond MAX_PATH.
#pragma once

#include <string>

namespace vexa::cli {

// The UTF-16 form of a UTF-8 path for the wide file functions. A path too long for them (a
// folder is refused from 248 characters, a file from 260) becomes absolute with the prefix
// "\\?\", which lifts the limit to 32,767 characters on every Windows: the manifest's
// longPathAware alone does nothing until the LongPathsEnabled policy is switched on.
std::wstring WidePath(const std::string& utf8);

}  // namespace vexa::cli
