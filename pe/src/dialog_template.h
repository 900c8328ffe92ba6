// The caption of a dialog template resource (RT_DIALOG), in either form: the extended template
// (DLGTEMPLATEEX, which the stub's dialog uses) and the plain one. The caption sits between the
// template's header and its font, as UTF-16; the controls that follow start on a 4-byte boundary.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexa::pe {

// The caption; nothing when the template is malformed.
std::optional<std::u16string> DialogCaption(std::span<const uint8_t> dialog);

// The template with `caption` in place of its own and everything else kept; nothing when the
// template is malformed.
std::optional<std::vector<uint8_t>> WithDialogCaption(std::span<const uint8_t> dialog,
                                                      std::u16string_view caption);

}  // namespace vexa::pe
