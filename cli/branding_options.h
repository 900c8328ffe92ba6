// The options of vexa sfx that give the self-extractor its maker's looks: --icon FILE.ico,
// --title TEXT and --version-info KEY=VALUE (repeatable).
#pragma once

#include <optional>
#include <string>

#include "options.h"
#include "vexa_pe.h"

namespace vexa::cli {

// Reads and checks the branding options of `parsed` into `branding` (empty when none is given).
// Returns a message naming the option, the file or the value and what is wrong with it; empty
// when everything can be used.
std::string ReadBrandingOptions(const ParsedArgs& parsed, pe::Branding& branding);

// `text` as UTF-16 when it is valid UTF-8 without control characters; otherwise nothing, and
// `error` says what `what` holds instead.
std::optional<std::u16string> ResourceText(const std::string& text, const std::string& what,
                                           std::string& error);

}  // namespace vexa::cli
