// The stream context behind the opaque handle of the archive functions.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "decode_scratch.h"
#include "format.h"
#include "platform.h"
#include "read_ahead.h"
#include "reader_helpers.h"
#include "result.h"

namespace vexa {

// Records met so far by name lookups, in archive order. A lookup first asks this index and
// only walks on past the records it already knows, so looking up every entry of a large
// archive costs one walk in all, with the same answers as a walk from the first record.
class RecordIndex {
  public:
    struct Known {
        VEXA_ENTRY entry;
        uint64_t offset;
    };
    const Known* Find(const std::string& name) const;
    void Add(const VEXA_ENTRY& entry, uint64_t offset);
    uint64_t Walked() const { return walked_; }
    uint64_t ResumePosition() const { return resume_; }
    void StartAt(uint64_t position) { resume_ = position; }

  private:
    std::vector<Known> records_;
    std::unordered_map<std::string, size_t> firstByName_;
    uint64_t walked_ = 0;
    uint64_t resume_ = 0;
};

}  // namespace vexa

struct VEXA_STREAM {
    char archivePath[256] = {};
    vexa::platform::File archive;
    vexa::ArchiveWindow window{archive};  // every read of the archive after the search
    uint32_t mode = 0;
    VEXA_HEADER header{};
    uint64_t nextRecordPosition = ~uint64_t{0};  // enumeration cache; all ones = none
    uint64_t nextRecordIndex = ~uint64_t{0};
    vexa::platform::CancelSignal cancel;
    uint64_t archiveOffset = 0;
    vexa::RecordIndex lookupIndex;
    vexa::DecodeScratch scratch;
};

namespace vexa {

// Up to `count` bytes of the archive at `position`, through the stream's window.
size_t ReadArchive(VEXA_STREAM& stream, uint64_t position, uint8_t* to, size_t count);

// Lookup by name as vexa_GetFileInfo does it, for a name already known to fit.
Result FindRecord(VEXA_STREAM& stream, const char* name, VEXA_ENTRY* entry, uint64_t* offset);

}  // namespace vexa
