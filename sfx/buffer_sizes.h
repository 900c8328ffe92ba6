// Sizes of the fixed text buffers of the front end, derived from the longest text each holds.
#pragma once

#include <cstddef>

#include "format.h"

namespace sfx {

// The destination edit is read up to this many characters.
constexpr size_t kEditChars = 255;
// The edit text plus the backslash EnsureDirectoryPath may append, plus the NUL.
constexpr size_t kEditBufferSize = kEditChars + 2;
// Edit text, backslash and the longest entry name: 355 characters and the NUL.
constexpr size_t kDestinationPathSize = kEditChars + 1 + vexa::kMaxNameLength + 1;
static_assert(kDestinationPathSize == 356);
// "File %s exists already, ovewrite it?" around the longest destination path: 389 characters.
constexpr size_t kOverwriteQuestionSize = 34 + kDestinationPathSize;
static_assert(kOverwriteQuestionSize == 390);
// Labels: "Current file: " with a name, or the completed count with two 20-digit numbers.
constexpr size_t kLabelSize = 256;
// Texts shown through ReportError.
constexpr size_t kErrorTextSize = 400;
// Path of the program's own executable.
constexpr size_t kModulePathSize = 1024;
// A final path the system gives for an open folder ("\\?\C:\...").
constexpr size_t kFinalPathSize = 1024;

}  // namespace sfx
