// A program written against the self-extractor's interface: the project's C++ declarations
// (vexa.h), so it calls the C++ names that the stub exports, here from vexa.dll through its
// import library. It behaves as examples/list_extract.c does, so the same round trip tests it.
//
//     stub_interface_client ARCHIVE [FOLDER]
#include <cstdio>
#include <filesystem>
#include <string>

#include "vexa.h"

namespace {

// A plain relative name: no drive, colon, empty or ".." level.
bool IsPlainRelative(const std::string& name) {
    if (name.empty() || name.find(':') != std::string::npos) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = name.find_first_of("\\/", start);
        const std::string level = name.substr(start, end - start);
        if (level.empty() || level == "." || level == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) return 2;
    void* stream = nullptr;
    if (const uint32_t result = vexa_OpenStream(&stream, argv[1], VEXA_MODE_READ)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], vexa_GetErrorString(int(result)));
        return 2;
    }
    int failed = 0;
    for (uint64_t index = 0; index < vexa_GetNumFiles(stream); ++index) {
        VEXA_ENTRY entry;
        if (vexa_EnumerateFiles(stream, &entry, index) != 0) return 1;
        const std::string name(entry.name, vexa::EntryNameLength(entry));
        std::printf("%s\n", name.c_str());
        if (argc < 3) continue;
        std::string relative = name;
        for (char& c : relative)
            if (c == '\\') c = '/';
        const std::filesystem::path to = std::filesystem::path(argv[2]) / relative;
        std::error_code ignored;
        std::filesystem::create_directories(to.parent_path(), ignored);
        if (!IsPlainRelative(name) ||
            vexa_DecompressToFile(stream, name.c_str(), to.string().c_str(), nullptr) != 0) {
            std::fprintf(stderr, "%s: not extracted\n", name.c_str());
            failed = 1;
        }
    }
    vexa_CloseStream(stream);
    return failed;
}
