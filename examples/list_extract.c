/* Lists an archive (or a self-extractor) and extracts every entry below a folder, through the
 * Vexa reader library: linked with libvexa.so, libvexa.a or vexa.dll's import library, or,
 * built with VEXA_EXAMPLE_LOAD_LIBRARY on Windows, vexa.dll loaded at run time by its C names.
 *
 *     list_extract ARCHIVE [FOLDER]
 *
 * Without FOLDER it only lists. Exit status: 0 success, 1 an entry failed, 2 usage or the
 * archive cannot be opened. C89. */
#include <stdio.h>
#include <string.h>
#include <vexa_reader.h>

#ifdef _WIN32
#include <direct.h>
#define make_folder(path) _mkdir(path)
#else
#include <sys/stat.h>
#define make_folder(path) mkdir(path, 0777)
#endif

/* The eight functions, from the library linked in or from vexa.dll loaded by name. */
struct vexa_functions {
    uint32_t(VEXA_CALL* OpenStream)(void**, const char*, uint32_t);
    uint64_t(VEXA_CALL* GetNumFiles)(void*);
    uint32_t(VEXA_CALL* EnumerateFiles)(void*, VEXA_ENTRY*, uint64_t);
    uint32_t(VEXA_CALL* GetFileInfo)(void*, VEXA_ENTRY*, uint64_t*, const char*);
    uint32_t(VEXA_CALL* DecompressToFile)(void*, const char*, const char*, vexa_progress_fn);
    uint32_t(VEXA_CALL* CloseStream)(void*);
    uint32_t(VEXA_CALL* CancelOperation)(void*);
    const char*(VEXA_CALL* GetErrorString)(int);
};

#ifdef VEXA_EXAMPLE_LOAD_LIBRARY
#include <windows.h>

static FARPROC find(HMODULE library, const char* name, int* missing) {
    FARPROC address = GetProcAddress(library, name);
    if (!address) {
        fprintf(stderr, "vexa.dll has no %s\n", name);
        *missing = 1;
    }
    return address;
}

/* vexa.dll from the system folder or this program's folder, as LoadLibraryEx allows. */
static int load_functions(struct vexa_functions* f) {
    int missing = 0;
    HMODULE library = LoadLibraryExA(
        "vexa.dll", NULL, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library) {
        fprintf(stderr, "cannot load vexa.dll (error %lu)\n", (unsigned long)GetLastError());
        return 0;
    }
    /* A FARPROC is converted through a plain function pointer type, which C allows. */
    f->OpenStream = (uint32_t(VEXA_CALL*)(void**, const char*, uint32_t))(void (*)(void))find(
        library, "vexa_OpenStream", &missing);
    f->GetNumFiles =
        (uint64_t(VEXA_CALL*)(void*))(void (*)(void))find(library, "vexa_GetNumFiles", &missing);
    f->EnumerateFiles = (uint32_t(VEXA_CALL*)(void*, VEXA_ENTRY*, uint64_t))(void (*)(void))find(
        library, "vexa_EnumerateFiles", &missing);
    f->GetFileInfo = (uint32_t(VEXA_CALL*)(void*, VEXA_ENTRY*, uint64_t*, const char*))(
        void (*)(void))find(library, "vexa_GetFileInfo", &missing);
    f->DecompressToFile = (uint32_t(VEXA_CALL*)(void*, const char*, const char*, vexa_progress_fn))(
        void (*)(void))find(library, "vexa_DecompressToFile", &missing);
    f->CloseStream =
        (uint32_t(VEXA_CALL*)(void*))(void (*)(void))find(library, "vexa_CloseStream", &missing);
    f->CancelOperation = (uint32_t(VEXA_CALL*)(void*))(void (*)(void))find(
        library, "vexa_CancelOperation", &missing);
    f->GetErrorString = (const char*(VEXA_CALL*)(int))(void (*)(void))find(
        library, "vexa_GetErrorString", &missing);
    return !missing;
}
#else
static int load_functions(struct vexa_functions* f) {
    f->OpenStream = vexa_OpenStream;
    f->GetNumFiles = vexa_GetNumFiles;
    f->EnumerateFiles = vexa_EnumerateFiles;
    f->GetFileInfo = vexa_GetFileInfo;
    f->DecompressToFile = vexa_DecompressToFile;
    f->CloseStream = vexa_CloseStream;
    f->CancelOperation = vexa_CancelOperation;
    f->GetErrorString = vexa_GetErrorString;
    return 1;
}
#endif

/* True when the stored name is a plain relative path: no leading separator, no drive or
 * colon, no empty, "." or ".." level. An archive is input: never write where it says unchecked. */
static int is_plain_relative(const char* name) {
    const char* level = name;
    if (*name == '\0') return 0;
    for (;;) {
        const char* end = level;
        size_t length;
        while (*end && *end != '\\' && *end != '/') {
            if (*end == ':') return 0;
            ++end;
        }
        length = (size_t)(end - level);
        if (length == 0 || (length == 1 && level[0] == '.') ||
            (length == 2 && level[0] == '.' && level[1] == '.'))
            return 0;
        if (!*end) return 1;
        level = end + 1;
    }
}

/* FOLDER/NAME with '/' between levels; the folders on the way are made. 0 when too long. */
static int destination_of(const char* folder, const char* name, char* path, size_t size) {
    size_t at;
    if (strlen(folder) + 1 + strlen(name) + 1 > size) return 0;
    strcpy(path, folder);
    at = strlen(path);
    path[at++] = '/';
    for (; *name; ++name) {
        if (*name == '\\' || *name == '/') {
            path[at] = '\0';
            make_folder(path); /* exists already, or the extraction reports it */
            path[at++] = '/';
        } else {
            path[at++] = *name;
        }
    }
    path[at] = '\0';
    return 1;
}

int main(int argc, char** argv) {
    struct vexa_functions vexa;
    void* stream = NULL;
    uint64_t count, index;
    uint32_t result;
    int failed = 0;
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: list_extract ARCHIVE [FOLDER]\n");
        return 2;
    }
    if (!load_functions(&vexa)) return 2;
    result = vexa.OpenStream(&stream, argv[1], VEXA_MODE_READ);
    if (result != VEXA_SUCCESS) {
        fprintf(stderr, "%s: %s\n", argv[1], vexa.GetErrorString((int)result));
        return 2;
    }
    if (argc == 3) make_folder(argv[2]);
    count = vexa.GetNumFiles(stream);
    for (index = 0; index < count; ++index) {
        VEXA_ENTRY entry;
        char name[sizeof entry.name + 1];
        char path[4096];
        result = vexa.EnumerateFiles(stream, &entry, index);
        if (result != VEXA_SUCCESS) {
            fprintf(stderr, "entry %lu: %s\n", (unsigned long)index,
                    vexa.GetErrorString((int)result));
            failed = 1;
            break;
        }
        /* The name field need not end in a NUL of its own. */
        memcpy(name, entry.name, sizeof entry.name);
        name[sizeof entry.name] = '\0';
        printf("%10lu  %08lX  %s\n", (unsigned long)entry.originalSize, (unsigned long)entry.crc,
               name);
        if (argc < 3) continue;
        if (!is_plain_relative(name) || !destination_of(argv[2], name, path, sizeof path)) {
            fprintf(stderr, "%s: refused, not a plain relative name\n", name);
            failed = 1;
            continue;
        }
        result = vexa.DecompressToFile(stream, name, path, NULL);
        /* On failure the library leaves the destination as it was: nothing to remove. */
        if (result != VEXA_SUCCESS) {
            fprintf(stderr, "%s: %s\n", name, vexa.GetErrorString((int)result));
            failed = 1;
        }
    }
    vexa.CloseStream(stream);
    (void)vexa.GetFileInfo;
    (void)vexa.CancelOperation;
    return failed;
}
