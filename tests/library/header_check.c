/* The public header as a C or C++ program of each standard sees it: built with -pedantic and
 * -Werror (tests/library/CMakeLists.txt), it fails on anything a standard does not allow. The
 * field offsets are part of the interface, so each is held here too. */
#include <stddef.h>
#include <vexa_reader.h>

#define VEXA_CHECK(name, condition) typedef char name[(condition) ? 1 : -1]

VEXA_CHECK(crc_at_100, offsetof(VEXA_ENTRY, crc) == 100);
VEXA_CHECK(block_count_at_104, offsetof(VEXA_ENTRY, blockCount) == 104);
VEXA_CHECK(original_size_at_120, offsetof(VEXA_ENTRY, originalSize) == 120);
VEXA_CHECK(attributes_at_136, offsetof(VEXA_ENTRY, attributes) == 136);
VEXA_CHECK(entry_count_at_8, offsetof(VEXA_HEADER, entryCount) == 8);
VEXA_CHECK(modes_fixed, VEXA_MODE_READ == 4 && VEXA_MODE_UPDATE == 1);

/* Every declaration has the type a caller's function pointer table expects. */
uint32_t(VEXA_CALL* const open_stream)(void**, const char*, uint32_t) = vexa_OpenStream;
uint64_t(VEXA_CALL* const get_num_files)(void*) = vexa_GetNumFiles;
uint32_t(VEXA_CALL* const enumerate_files)(void*, VEXA_ENTRY*, uint64_t) = vexa_EnumerateFiles;
uint32_t(VEXA_CALL* const get_file_info)(void*, VEXA_ENTRY*, uint64_t*,
                                         const char*) = vexa_GetFileInfo;
uint32_t(VEXA_CALL* const decompress_to_file)(void*, const char*, const char*,
                                              vexa_progress_fn) = vexa_DecompressToFile;
uint32_t(VEXA_CALL* const close_stream)(void*) = vexa_CloseStream;
uint32_t(VEXA_CALL* const cancel_operation)(void*) = vexa_CancelOperation;
const char*(VEXA_CALL* const get_error_string)(int) = vexa_GetErrorString;
