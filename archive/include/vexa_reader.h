/* The Vexa archive reader as a library: vexa.dll on Windows, libvexa.so and libvexa.a elsewhere.
 *
 * Plain C (C89 and later) and C++. The functions have C names (vexa_OpenStream, ...) and the
 * cdecl calling convention on 32-bit Windows (VEXA_CALL), the one C, C# P/Invoke
 * (CallingConvention.Cdecl), Python ctypes (CDLL) and Delphi (cdecl) use. vexa.dll also
 * exports the same functions under the C++ names the self-extractor exports, for code written
 * against the self-extractor's interface; this header declares the C names only.
 *
 * What a caller may rely on
 *
 * Threads. Each stream owns everything it decodes with: its archive file, decoding table,
 * buffers, name index and cancel flag. Calls on different streams may run at the same time
 * on any threads. Calls on one stream must not overlap, with one exception:
 * vexa_CancelOperation may be called on a stream from any thread while another thread is
 * inside vexa_DecompressToFile on it. vexa_GetErrorString may be called from any thread at
 * any time. What is shared by the whole process is read-only after loading (the CRC tables,
 * the processor's carry-less multiply found once at load) or is one buffer set that a closing
 * stream hands to the next stream to open, taken and given atomically.
 *
 * Cancelling. vexa_CancelOperation sets the stream's flag; the decode looks at it before
 * each 4 MiB block and, when it is set, stops, removes what it wrote (the destination stays
 * as it was), and returns VEXA_ERROR_INVALID_ARGUMENT (the self-extractor's code for a
 * cancelled extraction). vexa_DecompressToFile clears the flag when it starts: a cancel made
 * before the call is discarded.
 *
 * Progress. The routine given to vexa_DecompressToFile is called on the calling thread,
 * from inside that call, with a percentage from 0 to 100 (before each block and 100 at the
 * end). It may call vexa_CancelOperation on the same stream (the decode then stops before
 * its next block) and any function on other streams. It must not call any other function on
 * the same stream, and must not unwind (longjmp or throw) through the library.
 *
 * Memory. The library allocates a stream in vexa_OpenStream and frees it in
 * vexa_CloseStream; the handle is not valid afterwards. A VEXA_ENTRY is the caller's: the
 * library fills it and keeps no pointer to it. Strings the library returns
 * (vexa_GetErrorString) are static and never freed. Decoding takes about 4.5 MiB per stream
 * that decodes, freed by vexa_CloseStream (one set is kept for the next stream to open).
 *
 * Names and paths are bytes, NUL-terminated. Archive paths and destinations go to the
 * operating system as they are: on Windows the ANSI functions (CreateFileA) read them in the
 * process's ANSI code page, so a file whose name that code page cannot spell cannot be
 * opened or created through this interface (use its short 8.3 name or a folder whose name
 * fits); elsewhere they are the file system's bytes. Entry names are the bytes stored in the
 * archive (in the code page it was made for, backslash-separated, at most 99 bytes); they are
 * compared byte for byte. The library does not check that a name is safe to extract to:
 * choose the destination yourself (never an entry name taken as a path unchecked).
 *
 * Nothing in the library prints, exits or shows a window; every failure is a result code.
 * A handle the library did not give, or one already closed, is undefined behaviour, as is a
 * null pointer where a function does not say that one is allowed. */
#ifndef VEXA_READER_H
#define VEXA_READER_H

#include <stdint.h>

#include "vexa_records.h"

#define VEXA_VERSION_MAJOR 1
#define VEXA_VERSION_MINOR 0
#define VEXA_VERSION_PATCH 0

/* The calling convention of every function and of the progress routine. */
#if defined(_WIN32) && !defined(_WIN64)
#define VEXA_CALL __cdecl
#else
#define VEXA_CALL
#endif

/* Marks the declarations for import from vexa.dll (one call less through the import table);
 * define VEXA_STATIC when linking the static library on Windows. */
#if defined(_WIN32) && !defined(VEXA_STATIC) && !defined(VEXA_BUILDING_LIBRARY)
#define VEXA_IMPORT __declspec(dllimport)
#elif defined(__GNUC__) && defined(VEXA_BUILDING_LIBRARY) && !defined(_WIN32)
#define VEXA_IMPORT __attribute__((visibility("default")))
#else
#define VEXA_IMPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes: what every function except vexa_GetNumFiles and vexa_GetErrorString
 * returns. */
enum {
    VEXA_SUCCESS = 0,
    VEXA_ERROR_UNKNOWN = 1,          /* read failure, malformed record chain, out of memory */
    VEXA_ERROR_INVALID_ARGUMENT = 2, /* bad argument, destination not creatable, cancelled */
    VEXA_ERROR_ARCHIVE_CORRUPT = 3,  /* no archive in the file, bad block, CRC or size */
    VEXA_ERROR_NOT_FOUND = 4,        /* no such file or entry */
    VEXA_ERROR_ENTRY_EXISTS = 5,
    VEXA_ERROR_OUT_OF_DISK_SPACE = 6,
    VEXA_ERROR_MODE_CONFLICT = 7,
    VEXA_ERROR_ARCHIVE_LOCKED = 8
};

/* Modes of vexa_OpenStream; readers pass VEXA_MODE_READ. */
enum { VEXA_MODE_UPDATE = 1, VEXA_MODE_UPDATE_EXTRA = 2, VEXA_MODE_READ = 4 };

typedef void(VEXA_CALL* vexa_progress_fn)(int percent);

/* Opens the archive at `path`, a plain archive or one appended to a program (a
 * self-extractor): the first signature in the file starts it. On success *handle is the new
 * stream. Returns VEXA_SUCCESS; VEXA_ERROR_INVALID_ARGUMENT (null handle or path, path of
 * 256 bytes or more); VEXA_ERROR_NOT_FOUND (the file cannot be opened);
 * VEXA_ERROR_ARCHIVE_CORRUPT (no archive in it); VEXA_ERROR_UNKNOWN (no memory, no mode). */
VEXA_IMPORT uint32_t VEXA_CALL vexa_OpenStream(void** handle, const char* path, uint32_t mode);

/* The number of entries the archive's header announces. */
VEXA_IMPORT uint64_t VEXA_CALL vexa_GetNumFiles(void* handle);

/* Copies the record of entry `index` (from 0, in archive order) into *entry. Returns
 * VEXA_SUCCESS; VEXA_ERROR_INVALID_ARGUMENT (index out of range); VEXA_ERROR_UNKNOWN (the
 * archive ends or its records do not chain). Walking the indexes in order costs one read each. */
VEXA_IMPORT uint32_t VEXA_CALL vexa_EnumerateFiles(void* handle, VEXA_ENTRY* entry, uint64_t index);

/* Looks an entry up by its exact stored name (the first of two with the same name). Copies its
 * record into *entry and its record's file offset into *recordOffset; either may be null.
 * Returns VEXA_SUCCESS; VEXA_ERROR_NOT_FOUND; VEXA_ERROR_INVALID_ARGUMENT (name longer than the
 * field); VEXA_ERROR_UNKNOWN (the records do not chain). */
VEXA_IMPORT uint32_t VEXA_CALL vexa_GetFileInfo(void* handle, VEXA_ENTRY* entry,
                                                uint64_t* recordOffset, const char* name);

/* Decodes the entry `name` into the file `destination` (its folder must exist) and checks its
 * CRC and size. The content is written under a temporary name in the destination's folder and,
 * once checked, given the entry's attributes and moved over `destination`, replacing a file
 * there (a read-only one is refused). `progress` may be null. Returns VEXA_SUCCESS;
 * VEXA_ERROR_INVALID_ARGUMENT (destination cannot be created or is read-only, name too long,
 * or cancelled); VEXA_ERROR_NOT_FOUND (no such entry); VEXA_ERROR_OUT_OF_DISK_SPACE;
 * VEXA_ERROR_ARCHIVE_CORRUPT (bad data, CRC or size); VEXA_ERROR_UNKNOWN (no memory, write
 * failure). On failure the destination is left as it was and the temporary file is removed. */
VEXA_IMPORT uint32_t VEXA_CALL vexa_DecompressToFile(void* handle, const char* name,
                                                     const char* destination,
                                                     vexa_progress_fn progress);

/* Closes the stream and frees it. Returns VEXA_SUCCESS; VEXA_ERROR_INVALID_ARGUMENT (null). */
VEXA_IMPORT uint32_t VEXA_CALL vexa_CloseStream(void* handle);

/* Asks a running vexa_DecompressToFile on this stream to stop; any thread. VEXA_SUCCESS. */
VEXA_IMPORT uint32_t VEXA_CALL vexa_CancelOperation(void* handle);

/* The English message of a result code (static; "Unknown <?>" outside the table). */
VEXA_IMPORT const char* VEXA_CALL vexa_GetErrorString(int code);

#ifdef __cplusplus
}
#endif

#endif /* VEXA_READER_H */
