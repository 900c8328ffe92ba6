#include "entry_output.h"

namespace vexa::cli {

std::string TemporaryName(unsigned long processId, unsigned serial) {
    return ".vexa-" + std::to_string(processId) + "-" + std::to_string(serial) + ".part";
}

}  // namespace vexa::cli
