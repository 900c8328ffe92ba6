// Puts a newly laid-out resource section into a PE image. The resource section keeps its place
// and RVA; what follows it in the image (the base relocations, with the linkers we know) moves
// by the change in size, and the headers that describe sizes and places follow.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resource_tree.h"

namespace vexa::pe {

// Replaces the resources of `image` (a PE image without certificate table, nothing appended)
// with `resources`. Returns an error message, empty on success; `image` is unchanged on error.
std::string ReplaceResources(std::vector<uint8_t>& image, const std::vector<Resource>& resources);

}  // namespace vexa::pe
