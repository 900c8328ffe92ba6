// Any bytes as an archive file: open, enumerate, look up and decode every entry.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "reader_helpers.h"
#include "vexa.h"

namespace {
constexpr uint64_t kMaxOutputPerEntry = 3 * vexa::kBlockSize;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A memory-backed folder when there is one: the input is written anew for every run.
    static const std::string path =
        std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/vexa-fuzz-" +
        std::to_string(::getpid());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    void* handle = nullptr;
    if (vexa_OpenStream(&handle, path.c_str(), VEXA_MODE_READ) != 0) return 0;
    const uint64_t count = vexa_GetNumFiles(handle);
    for (uint64_t i = 0; i < count && i < 64; ++i) {
        VEXA_ENTRY entry;
        if (vexa_EnumerateFiles(handle, &entry, i) != 0) break;
        char name[101] = {};
        for (int k = 0; k < 100 && entry.name[k]; ++k) name[k] = entry.name[k];
        uint64_t offset;
        (void)vexa_GetFileInfo(handle, &entry, &offset, name);
        // A few bytes can claim gigabytes of runs; past a few blocks' worth the decode has shown
        // all it can, so the sink ends it there to keep every input fast.
        uint64_t handedOver = 0;
        (void)vexa::DecodeEntryTo(handle, name, [&](const uint8_t*, size_t count) {
            handedOver += count;
            return handedOver > kMaxOutputPerEntry ? vexa::Result::Unknown : vexa::Result::Success;
        });
    }
    if (vexa_CloseStream(handle) != 0) std::abort();
    return 0;
}
