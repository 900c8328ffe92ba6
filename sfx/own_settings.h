// The settings its maker gave this self-extractor, read from its own resources.
#pragma once

#include "pe/stub_settings.h"

namespace sfx {

enum class OwnSettings { Absent, Read, Damaged };

// Reads resource 130 of the program's own image into `settings`; Absent leaves the defaults
// (the dialog, the command line ignored). The settings point into the mapped image.
OwnSettings ReadOwnSettings(vexa::pe::StubSettings& settings);

// The initial-destination field holds a NUL-terminated text without control characters.
bool DefaultDestinationIsClean();

}  // namespace sfx
