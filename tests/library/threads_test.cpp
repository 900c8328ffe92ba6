// What vexa_reader.h promises about threads, run under ThreadSanitizer (threads_tsan.sh builds
// it with the reader's sources): streams decoding at once on several threads, a cancel from
// another thread while a decode runs, and a cancel from inside the progress routine.
//
//     threads_test ARCHIVE SOURCE_FOLDER WORK_FOLDER BIG_ENTRY
//
// SOURCE_FOLDER holds what was packed (an entry "a\b.txt" is SOURCE_FOLDER/a/b.txt); BIG_ENTRY
// names an entry of at least two blocks, so that a cancel can land between two of them.
#include <vexa_reader.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 3;
std::atomic<int> failures{0};

void Fail(const std::string& what) {
    std::fprintf(stderr, "FAIL: %s\n", what.c_str());
    ++failures;
}

std::string ReadWhole(const std::string& path) {
    std::string bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char chunk[1 << 16];
        for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
            bytes.append(chunk, got);
        std::fclose(file);
    }
    return bytes;
}

std::string PathOf(const std::string& folder, std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    return folder + "/" + name;
}

std::vector<std::string> EntryNames(const char* archive) {
    std::vector<std::string> names;
    void* stream = nullptr;
    if (vexa_OpenStream(&stream, archive, VEXA_MODE_READ) != VEXA_SUCCESS) return names;
    for (uint64_t i = 0; i < vexa_GetNumFiles(stream); ++i) {
        VEXA_ENTRY entry;
        if (vexa_EnumerateFiles(stream, &entry, i) != VEXA_SUCCESS) break;
        names.emplace_back(entry.name, strnlen(entry.name, sizeof entry.name));
    }
    vexa_CloseStream(stream);
    return names;
}

// One stream of its own: every entry decoded and compared with what was packed.
void ExtractAll(const char* archive, const std::vector<std::string>& names,
                const std::string& sources, const std::string& output, vexa_progress_fn progress) {
    void* stream = nullptr;
    if (vexa_OpenStream(&stream, archive, VEXA_MODE_READ) != VEXA_SUCCESS)
        return Fail("open for " + output);
    for (const std::string& name : names) {
        const std::string to = output + "." + std::to_string(&name - names.data());
        const uint32_t result = vexa_DecompressToFile(stream, name.c_str(), to.c_str(), progress);
        if (result != VEXA_SUCCESS)
            Fail(name + " into " + to + ": " + vexa_GetErrorString(int(result)));
        else if (ReadWhole(to) != ReadWhole(PathOf(sources, name)))
            Fail(name + " into " + to + " differs from what was packed");
        std::remove(to.c_str());
    }
    vexa_CloseStream(stream);
}

std::atomic<int> progressCalls{0};
void CountProgress(int) {
    ++progressCalls;
}

// The stream a progress routine cancels; a routine has no context argument.
std::atomic<bool> decodeStarted{false};
void* selfCancelling = nullptr;
void MarkStarted(int) {
    decodeStarted = true;
}
void CancelOwnStream(int) {
    vexa_CancelOperation(selfCancelling);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: threads_test ARCHIVE SOURCE_FOLDER WORK_FOLDER BIG_ENTRY\n");
        return 2;
    }
    const char* archive = argv[1];
    const std::string sources = argv[2], work = argv[3], big = argv[4];
    const std::vector<std::string> names = EntryNames(archive);
    if (names.size() < 2) Fail("the archive lists fewer than two entries");

    // Several streams decoding at once, each on its own thread.
    {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back(ExtractAll, archive, std::cref(names), std::cref(sources),
                                 work + "/all" + std::to_string(t), CountProgress);
        for (std::thread& t : threads) t.join();
        if (progressCalls == 0) Fail("no progress reported");
    }

    // A cancel from another thread stops a running decode, while other streams decode on.
    {
        void* stream = nullptr;
        if (vexa_OpenStream(&stream, archive, VEXA_MODE_READ) != VEXA_SUCCESS) return 1;
        const std::string to = work + "/cancelled";
        uint32_t result = VEXA_SUCCESS;
        std::thread decode(
            [&] { result = vexa_DecompressToFile(stream, big.c_str(), to.c_str(), MarkStarted); });
        std::thread other(ExtractAll, archive, std::cref(names), std::cref(sources),
                          work + "/beside", nullptr);
        std::thread cancel([&] {
            while (!decodeStarted) std::this_thread::yield();
            vexa_CancelOperation(stream);
        });
        decode.join();
        cancel.join();
        other.join();
        if (result != VEXA_ERROR_INVALID_ARGUMENT)
            Fail(std::string("a cancelled decode returned ") + vexa_GetErrorString(int(result)));
        vexa_CloseStream(stream);
        std::remove(to.c_str());
    }

    // The progress routine may cancel its own stream; the next decode starts afresh.
    {
        if (vexa_OpenStream(&selfCancelling, archive, VEXA_MODE_READ) != VEXA_SUCCESS) return 1;
        const std::string to = work + "/self";
        if (vexa_DecompressToFile(selfCancelling, big.c_str(), to.c_str(), CancelOwnStream) !=
            VEXA_ERROR_INVALID_ARGUMENT)
            Fail("a decode cancelled by its progress routine went on");
        if (vexa_DecompressToFile(selfCancelling, big.c_str(), to.c_str(), nullptr) !=
                VEXA_SUCCESS ||
            ReadWhole(to) != ReadWhole(PathOf(sources, big)))
            Fail("the decode after a cancelled one failed");
        vexa_CloseStream(selfCancelling);
        std::remove(to.c_str());
    }

    if (failures == 0)
        std::printf(
            "threads: %d streams at once, cancels from another thread and from progress: ok\n",
            kThreads);
    return failures == 0 ? 0 : 1;
}
