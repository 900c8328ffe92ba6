// Extraction of one entry to a file: create the destination, check free space, decode,
// descramble and write each block, then apply the entry's attributes.
#include <cstring>
#include <string>

#include "decode_entry.h"
#include "stream.h"
#include "vexa.h"

namespace vexa {

namespace {

// The destination's drive and directory, with its trailing separator ("" for a bare name).
std::string DirectoryOf(const char* path) {
    const char* lastSeparator = nullptr;
    for (const char* p = path; *p; ++p)
        if (IsSeparator(*p)) lastSeparator = p;
    if (lastSeparator) return std::string(path, size_t(lastSeparator - path) + 1);
    // A drive-relative name such as "C:file" keeps its drive.
    if (path[0] && path[1] == ':') return std::string(path, 2);
    return std::string();
}

// Writes a block whole; a short or failed write ends the extraction.
Result WriteBlockToFile(platform::File& output, const uint8_t* data, size_t count) {
    const platform::File::WriteResult written = output.Write(data, count);
    if (written.written == count) return Result::Success;
    return written.diskFull ? Result::OutOfDiskSpace : Result::Unknown;
}

}  // namespace

}  // namespace vexa

uint32_t vexa_DecompressToFile(void* handle, const char* name, const char* destination,
                               ProgressCallback progress) {
    using vexa::Result;
    using vexa::platform::File;
    VEXA_STREAM& stream = *static_cast<VEXA_STREAM*>(handle);
    if (std::strlen(name) > vexa::kNameFieldSize) return uint32_t(Result::InvalidArgument);

    stream.output = File::Open(destination, File::Access::CreateTruncate);
    if (!stream.output.IsOpen()) return uint32_t(Result::InvalidArgument);
    // The output closes on every return below.
    struct CloseOutput {
        File& file;
        ~CloseOutput() { file.Close(); }
    } closeOutput{stream.output};

    VEXA_ENTRY entry;
    if (vexa::FindRecord(stream, name, &entry, nullptr) != Result::Success)
        return uint32_t(Result::NotFound);

    stream.cancel.Reset();  // a request made before this call is discarded

    // When the free space cannot be measured the extraction goes ahead: a write that fails
    // for want of room is reported all the same.
    const auto freeBytes = vexa::platform::FreeBytes(vexa::DirectoryOf(destination).c_str());
    if (freeBytes && entry.originalSize > *freeBytes) return uint32_t(Result::OutOfDiskSpace);

    uint8_t* buffer = stream.scratch.Output();
    if (!buffer) return uint32_t(Result::Unknown);

    const Result result = vexa::DecodeEntry(
        stream, name, buffer,
        [&](uint8_t* data, size_t count) {
            return vexa::WriteBlockToFile(stream.output, data, count);
        },
        progress);
    stream.output.Close();
    if (result == Result::Success)
        vexa::platform::SetAttributes(destination, entry.attributes & vexa::kAttributeMask);
    return uint32_t(result);
}
