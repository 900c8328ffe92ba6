// The helpers that the self-extractor and the command-line tool share with the reader: the
// entry-name rule, the signature search, a record's name and decoding an entry to a sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "format.h"
#include "result.h"
#include "vexa.h"

namespace vexa {

// Either separator of an entry name or a Windows path.
constexpr bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// True when `name` is a relative path whose every level is an ordinary file or directory name:
// no leading separator, no drive or colon (which also rules out alternate data streams), no
// empty, "." or ".." level (either separator), no level ending in a dot or a space, no reserved
// device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without extension), and no control
// or wildcard characters. The self-extractor and the command-line tool both refuse entries this
// rule rejects, so that extraction stays inside the chosen destination.
bool IsSafeEntryName(std::string_view name);

// An entry's name from its record (never past the 100-byte field).
inline std::string EntryName(const VEXA_ENTRY& entry) {
    return std::string(entry.name, EntryNameLength(entry));
}

// The first signature that starts in [begin, end); the 7 bytes after `end` must be readable
// too. Null when there is none. Every position is a candidate start; none is skipped.
inline const uint8_t* FindSignatureStart(const uint8_t* begin, const uint8_t* end) {
    for (const uint8_t* p = begin; p < end; ++p) {
        p = static_cast<const uint8_t*>(std::memchr(p, kSignatureFirstByte, size_t(end - p)));
        if (!p) break;
        if (IsSignature(p)) return p;
    }
    return nullptr;
}

// Reads exactly `count` bytes at `position`; false when it cannot.
using ReadAt = std::function<bool(uint64_t position, uint8_t* into, size_t count)>;

// First position below length - 8 where the signature starts in a file of `length` bytes,
// reading in large chunks. Empty when there is none or a read fails.
std::optional<uint64_t> ScanForSignature(const ReadAt& read, uint64_t length);

// What a stream's decodes have cost so far, so that tests can hold the work a hostile archive
// causes to a multiple of its size and its output.
struct DecodeWork {
    uint64_t archiveBytesRead = 0;  // by every read of the archive file, the search included
    uint64_t bytesAllocated = 0;    // every buffer allocated for decoding, payloads included
    uint64_t bytesProduced = 0;     // decoded content
};

// Decodes the entry `name` of an open stream and hands its plain content to `sink` block by
// block, without writing any file, and checks the entry's CRC. For listing, testing and
// extracting tools.
Result DecodeEntryTo(void* handle, const char* name,
                     const std::function<Result(const uint8_t* data, size_t count)>& sink,
                     ProgressCallback progress = nullptr);

// What the decodes of an open stream have cost so far.
DecodeWork WorkOf(void* handle);

#ifdef _WIN32
// vexa_OpenStream (for reading) and vexa_DecompressToFile with UTF-16 paths, which reach every
// name the file system holds, for the self-extractor.
uint32_t OpenStreamWide(void** handle, const wchar_t* path);
struct WideDestination {
    const wchar_t* path = nullptr;
    // A read-only file at the destination is replaced too (the entry's attributes then apply).
    bool replaceReadOnly = false;
    // When set: the final path of the destination's folder, as the system gives it for the open
    // folder. The file is written only if the handle it is written through lies directly in
    // it, and its name is no link: otherwise nothing is written, the result is
    // InvalidArgument, and `throughLink` is set.
    const wchar_t* finalFolder = nullptr;
    bool throughLink = false;
};
uint32_t DecompressToFileWide(void* handle, const char* name, WideDestination& destination,
                              ProgressCallback progress);
#endif

}  // namespace vexa
