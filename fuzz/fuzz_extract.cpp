// Any bytes as an archive, extracted by `vexa extract` into a folder of its own: whatever the
// archive says, every name that lands on disk is a file or folder inside that folder, and the
// command ends with one of its exit codes.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "commands.h"

namespace fs = std::filesystem;

namespace {

// A few bytes can claim gigabytes of content; writes past this size fail (EFBIG), which the
// tool reports like a full disk, so every input stays fast without changing the tool.
constexpr rlim_t kMaxFileBytes = 16u << 20;

[[noreturn]] void Escape(const std::string& what) {
    std::fprintf(stderr, "fuzz_extract: %s\n", what.c_str());
    std::abort();
}

const fs::path& Jail() {
    static const fs::path jail = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{kMaxFileBytes, kMaxFileBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return fs::path(base) / ("vexa-fuzz-extract-" + std::to_string(::getpid()));
    }();
    return jail;
}

// Everything below `out` must be a plain file or a real folder, never a link.
void CheckInside(const fs::path& out) {
    for (const auto& item : fs::recursive_directory_iterator(out)) {
        const fs::file_status status = item.symlink_status();
        if (!fs::is_regular_file(status) && !fs::is_directory(status))
            Escape("not a file or folder: " + item.path().string());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& jail = Jail();
    const fs::path archive = jail / "archive.vexa";
    const fs::path out = jail / "cell" / "out";
    fs::remove_all(jail);
    fs::create_directories(out);
    {
        FILE* f = std::fopen(archive.c_str(), "wb");
        if (!f) return 0;
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    std::ostringstream stdoutText, stderrText;
    vexa::cli::Console console{stdoutText, stderrText, false, {}};
    const int status = vexa::cli::RunVexa(
        {"extract", "-q", "-y", "-o", out.string(), "--", archive.string()}, console);
    if (status < 0 || status > 2) Escape("exit status " + std::to_string(status));
    // The cell holds the destination and nothing else; the jail holds the archive and the cell.
    for (const auto& item : fs::directory_iterator(jail / "cell"))
        if (item.path() != out) Escape("written beside the destination: " + item.path().string());
    for (const auto& item : fs::directory_iterator(jail))
        if (item.path() != archive && item.path() != jail / "cell")
            Escape("written outside the destination: " + item.path().string());
    CheckInside(out);
    return 0;
}
