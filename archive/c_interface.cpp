// The reader's eight functions under their C names, for the library (vexa.dll, libvexa.so,
// libvexa.a); the self-extractor does not link this file. The C++ functions (vexa.h) keep the
// bodies and their names, which are the self-extractor's export names. One name cannot be
// declared with both linkages in one translation unit, so the C entry points are defined here
// under local names and given their C symbols by the assembler name.
#include <cstdint>

#include "vexa.h"

#define VEXA_STRINGIFY2(x) #x
#define VEXA_STRINGIFY(x) VEXA_STRINGIFY2(x)
// 32-bit Windows puts an underscore before every C symbol; elsewhere the prefix is empty.
#define VEXA_C_SYMBOL(name) __asm__(VEXA_STRINGIFY(__USER_LABEL_PREFIX__) #name)
// What vexa_reader.h declares for these names: exported from the shared library.
#if defined(_WIN32)
#define VEXA_C_EXPORT
#else
#define VEXA_C_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

VEXA_C_EXPORT uint32_t CVexaOpenStream(void** handle, const char* path, uint32_t mode)
    VEXA_C_SYMBOL(vexa_OpenStream);
VEXA_C_EXPORT uint64_t CVexaGetNumFiles(void* handle) VEXA_C_SYMBOL(vexa_GetNumFiles);
VEXA_C_EXPORT uint32_t CVexaEnumerateFiles(void* handle, VEXA_ENTRY* entry, uint64_t index)
    VEXA_C_SYMBOL(vexa_EnumerateFiles);
VEXA_C_EXPORT uint32_t CVexaGetFileInfo(void* handle, VEXA_ENTRY* entry, uint64_t* recordOffset,
                                        const char* name) VEXA_C_SYMBOL(vexa_GetFileInfo);
VEXA_C_EXPORT uint32_t CVexaDecompressToFile(void* handle, const char* name,
                                             const char* destination, void (*progress)(int))
    VEXA_C_SYMBOL(vexa_DecompressToFile);
VEXA_C_EXPORT uint32_t CVexaCloseStream(void* handle) VEXA_C_SYMBOL(vexa_CloseStream);
VEXA_C_EXPORT uint32_t CVexaCancelOperation(void* handle) VEXA_C_SYMBOL(vexa_CancelOperation);
VEXA_C_EXPORT const char* CVexaGetErrorString(int code) VEXA_C_SYMBOL(vexa_GetErrorString);

uint32_t CVexaOpenStream(void** handle, const char* path, uint32_t mode) {
    return vexa_OpenStream(handle, path, mode);
}
uint64_t CVexaGetNumFiles(void* handle) {
    return vexa_GetNumFiles(handle);
}
uint32_t CVexaEnumerateFiles(void* handle, VEXA_ENTRY* entry, uint64_t index) {
    return vexa_EnumerateFiles(handle, entry, index);
}
uint32_t CVexaGetFileInfo(void* handle, VEXA_ENTRY* entry, uint64_t* recordOffset,
                          const char* name) {
    return vexa_GetFileInfo(handle, entry, recordOffset, name);
}
uint32_t CVexaDecompressToFile(void* handle, const char* name, const char* destination,
                               void (*progress)(int)) {
    // cdecl on both sides: the caller's routine is passed on as it is.
    return vexa_DecompressToFile(handle, name, destination, progress);
}
uint32_t CVexaCloseStream(void* handle) {
    return vexa_CloseStream(handle);
}
uint32_t CVexaCancelOperation(void* handle) {
    return vexa_CancelOperation(handle);
}
const char* CVexaGetErrorString(int code) {
    return vexa_GetErrorString(code);
}

}  // extern "C"
