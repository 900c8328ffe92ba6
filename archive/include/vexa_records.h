/* The two records of an archive as they lie in the file: the 24-byte header and the 144-byte
 * entry record. Plain C (C89 and later) and C++: the reader library's public header and the
 * project's own C++ code (format.h) share this one definition, so the layout cannot drift. */
#ifndef VEXA_RECORDS_H
#define VEXA_RECORDS_H

#include <stdint.h>

#pragma pack(push, 1)
typedef struct VEXA_HEADER {
    uint8_t signature[4]; /* "VEXA" */
    uint32_t formatTag;   /* 0x8F000001 */
    uint64_t entryCount;
    uint64_t headerWord; /* carried unchanged; 2 in self-extractors */
} VEXA_HEADER;

typedef struct VEXA_ENTRY {
    char name[100];            /* backslash-separated relative path, NUL inside the field */
    uint32_t crc;              /* CRC-32 of the plain content */
    uint64_t blockCount;       /* blocks of the entry's data */
    uint64_t compressedSize;   /* bytes of block data following this record */
    uint64_t originalSize;     /* bytes of the plain content */
    uint64_t modificationTime; /* FILETIME units: 100 ns since 1601-01-01 UTC */
    uint32_t attributes;       /* Windows attribute bits (0x01 read-only, 0x20 archive) */
    uint32_t reserved;
} VEXA_ENTRY;
#pragma pack(pop)

/* The layout is part of the interface: a compiler that pads these records fails here. */
#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(sizeof(VEXA_HEADER) == 24, "the archive header is 24 bytes");
static_assert(sizeof(VEXA_ENTRY) == 144, "an entry record is 144 bytes");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(VEXA_HEADER) == 24, "the archive header is 24 bytes");
_Static_assert(sizeof(VEXA_ENTRY) == 144, "an entry record is 144 bytes");
#else
/* C89, C99 and C++98: an array of negative size when a size is wrong. */
typedef char vexa_header_is_24_bytes[sizeof(VEXA_HEADER) == 24 ? 1 : -1];
typedef char vexa_entry_is_144_bytes[sizeof(VEXA_ENTRY) == 144 ? 1 : -1];
#endif

#endif /* VEXA_RECORDS_H */
