// Decodes one entry of an open stream block by block, handing each block's output to a sink,
// and checks the entry's CRC. The public form, DecodeEntryTo, is in reader_helpers.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "decode_scratch.h"
#include "reader_helpers.h"

struct VEXA_STREAM;

namespace vexa {

// Receives one block's output at a time, in order: the plain content, which the sink may change
// in place. Anything but Success ends the decode with that result.
using BlockSink = std::function<Result(uint8_t* data, size_t count)>;

// `buffer` must hold kOutputBufferSize bytes. Progress, when given, sees a percentage before
// each block and 100 at the end. The CRC verdict comes after all content was handed over.
Result DecodeEntry(VEXA_STREAM& stream, const char* name, uint8_t* buffer, const BlockSink& sink,
                   ProgressCallback progress);

}  // namespace vexa
