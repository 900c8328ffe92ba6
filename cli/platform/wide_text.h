// UTF-8 text, as the tool holds names and paths, to and from the UTF-16 of the Windows wide
// functions.
#pragma once

#include <string>

namespace vexa::cli {

// Invalid UTF-8 becomes U+FFFD, which no existing file name matches.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

}  // namespace vexa::cli
