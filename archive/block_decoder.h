// Decodes one block's bit stream into its (still scrambled) output bytes. Pure: bytes in,
// bytes out, no file or OS access.
#pragma once

#include <cstddef>
#include <cstdint>

#include "coder_rules.h"
#include "result.h"

namespace vexa {

struct BlockOutcome {
    Result result;
    size_t produced;    // output bytes, valid when result is Success
    uint64_t bitsRead;  // payload bits consumed, valid when result is Success
};

// `payload` holds the block's ceil(bits / 8) bytes; `bits` is N from the block header.
// Writes at most `capacity` bytes to `out`. Any input that would read past the payload, use a
// literal width above 32, a length group above 32 bits, or write past `capacity` gives
// ArchiveCorrupt, as does a match without a prediction.
BlockOutcome DecodeBlock(const uint8_t* payload, size_t payloadBytes, uint64_t bits, uint8_t* out,
                         size_t capacity, PredictionTable& table);

}  // namespace vexa
