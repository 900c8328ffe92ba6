// Help texts of the tool and its commands.
#pragma once

#include <string>

namespace vexa::cli {

extern const char* const kVersionText;
extern const char* const kToolUsage;
extern const char* const kCreateUsage;
extern const char* const kListUsage;
extern const char* const kTestUsage;
extern const char* const kExtractUsage;
extern const char* const kSfxUsage;
extern const char* const kInfoUsage;

}  // namespace vexa::cli
