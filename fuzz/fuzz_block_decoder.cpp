// Any bytes as one block's payload, at a few output capacities: the decoder must stay inside
// its buffers and give what the plain model of the block code gives: the same verdict and, when it
// decodes, the same bytes and the same bits read.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "block_code_model.h"
#include "block_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto table = std::make_unique<vexa::PredictionTable>();
    if (size < 2) return 0;
    // The first byte picks how far N reaches into the payload and how large the output is.
    const uint8_t control = data[0];
    const uint8_t* payload = data + 1;
    const size_t bytes = size - 1;
    const uint64_t bits = bytes * 8 - (control & 7);
    const size_t capacity = size_t(1) << (control >> 4);  // 1 byte to 32 KiB
    std::unique_ptr<uint8_t[]> out(new uint8_t[capacity]);
    const vexa::BlockOutcome o =
        vexa::DecodeBlock(payload, bytes, bits, out.get(), capacity, *table);
    if (o.result == vexa::Result::Success && o.produced > capacity) std::abort();
    const vexa::model::Outcome m =
        vexa::model::DecodeBlock(std::vector<uint8_t>(payload, payload + bytes), bits, capacity);
    if (o.result != m.result) std::abort();
    if (o.result == vexa::Result::Success &&
        (o.produced != m.output.size() || o.bitsRead != m.bitsRead ||
         !std::equal(m.output.begin(), m.output.end(), out.get())))
        std::abort();
    return 0;
}
