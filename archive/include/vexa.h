// The archive-reading interface: eight functions, exported by name from the self-extractor.
#pragma once

#include <cstdint>

#include "format.h"

#if defined(_WIN32) && defined(VEXA_EXPORTS)
#define VEXA_API __declspec(dllexport)
#else
#define VEXA_API
#endif

// A percentage from 0 to 100.
using ProgressCallback = void (*)(int percent);

// Mode flags of vexa_OpenStream.
enum : uint32_t {
    VEXA_MODE_UPDATE = 1,
    VEXA_MODE_UPDATE_EXTRA = 2,
    VEXA_MODE_READ = 4,
};

VEXA_API uint32_t vexa_OpenStream(void** handle, const char* path, uint32_t mode);
VEXA_API uint64_t vexa_GetNumFiles(void* handle);
VEXA_API uint32_t vexa_EnumerateFiles(void* handle, VEXA_ENTRY* entry, uint64_t index);
VEXA_API uint32_t vexa_GetFileInfo(void* handle, VEXA_ENTRY* entry, uint64_t* recordOffset,
                                   const char* name);
VEXA_API uint32_t vexa_DecompressToFile(void* handle, const char* name, const char* destination,
                                        ProgressCallback progress);
VEXA_API uint32_t vexa_CloseStream(void* handle);
VEXA_API uint32_t vexa_CancelOperation(void* handle);
VEXA_API const char* vexa_GetErrorString(int code);
