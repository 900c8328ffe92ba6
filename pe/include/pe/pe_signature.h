// Authenticode signatures in a PE image. A signature lives in the certificate table that data
// directory entry 4 points at, after everything else in the file, and covers the whole file
// but that table: anything appended after signing breaks it. A stub is therefore used
// unsigned, and the finished self-extractor is signed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pe/pe_image.h"

namespace vexa::pe {

struct SignatureRemoval {
    bool removed = false;
    uint64_t certificateBytes = 0;  // size of the table removed
    std::string error;              // the image carries a table that cannot be removed
};

// Removes the certificate table from `image` when there is one: the image is cut where the
// table starts, the directory entry is set to zero, and a non-zero header checksum is computed
// afresh for the image that remains (a stub signed and unsigned again is the stub as built). An
// image that is not a PE file, or has no table, is left as it is.
SignatureRemoval RemoveSignature(std::vector<uint8_t>& image);

// The machine field of a PE image's COFF header (kMachineI386, kMachineAmd64, ...); none for a
// file that is not a PE image.
std::optional<uint16_t> PeMachine(const std::vector<uint8_t>& image);

}  // namespace vexa::pe
