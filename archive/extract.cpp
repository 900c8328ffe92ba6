// Extraction of one entry to a file: decode, descramble and write each block under a temporary
// name beside the destination, then, once the CRC and size are right, apply the entry's
// attributes and move it over the destination. Until then the destination stays as it was.
#include <cstring>

#include "decode_entry.h"
#include "stream.h"
#include "vexa.h"

namespace vexa {

namespace {

// Writes a block whole; a short or failed write ends the extraction.
Result WriteBlockToFile(platform::File& output, const uint8_t* data, size_t count) {
    const platform::File::WriteResult written = output.Write(data, count);
    if (written.written == count) return Result::Success;
    return written.diskFull ? Result::OutOfDiskSpace : Result::Unknown;
}

// `finalFolder` (may be null) and `throughLink` as in WideDestination.
Result DecompressToNativeFile(VEXA_STREAM& stream, const char* name,
                              const platform::PathChar* destination, ProgressCallback progress,
                              bool replaceReadOnly, const platform::PathChar* finalFolder,
                              bool& throughLink) {
    using platform::PendingFile;
    if (std::strlen(name) > kNameFieldSize) return Result::InvalidArgument;
    VEXA_ENTRY entry;
    if (FindRecord(stream, name, &entry, nullptr) != Result::Success) return Result::NotFound;
    // Refused before anything is written, as its replacement would be at the end.
    if (!replaceReadOnly && platform::IsReadOnlyFile(destination)) return Result::InvalidArgument;

    stream.cancel.Reset();  // a request made before this call is discarded
    PendingFile pending;
    if (!pending.Create(destination)) return Result::InvalidArgument;
    if (finalFolder && !pending.LiesIn(finalFolder)) {
        throughLink = true;
        return Result::InvalidArgument;
    }
    // When the free space cannot be measured the extraction goes ahead: a write that fails
    // for want of room is reported all the same.
    const auto freeBytes = pending.FreeBytes();
    if (freeBytes && entry.originalSize > *freeBytes) return Result::OutOfDiskSpace;

    uint8_t* buffer = stream.scratch.Output();
    if (!buffer) return Result::Unknown;
    const Result result = DecodeEntry(
        stream, name, buffer,
        [&](uint8_t* data, size_t count) {
            return WriteBlockToFile(pending.Output(), data, count);
        },
        progress);
    if (result != Result::Success) return result;
    switch (pending.Commit(entry.attributes & kAttributeMask, replaceReadOnly)) {
        case PendingFile::Outcome::Done:
            return Result::Success;
        case PendingFile::Outcome::ReadOnly:
            return Result::InvalidArgument;
        case PendingFile::Outcome::Failed:
            break;
    }
    return Result::Unknown;
}

}  // namespace

#ifdef _WIN32
uint32_t DecompressToFileWide(void* handle, const char* name, WideDestination& destination,
                              ProgressCallback progress) {
    destination.throughLink = false;
    return uint32_t(DecompressToNativeFile(*static_cast<VEXA_STREAM*>(handle), name,
                                           destination.path, progress, destination.replaceReadOnly,
                                           destination.finalFolder, destination.throughLink));
}
#endif

}  // namespace vexa

uint32_t vexa_DecompressToFile(void* handle, const char* name, const char* destination,
                               ProgressCallback progress) {
    bool throughLink = false;
    return uint32_t(vexa::DecompressToNativeFile(*static_cast<VEXA_STREAM*>(handle), name,
                                                 vexa::platform::NativePathOf(destination).c_str(),
                                                 progress, false, nullptr, throughLink));
}
