#include "scratch_dir.h"

#include <atomic>
#include <fstream>
#include <stdexcept>

#include "host_fs.h"

namespace vexa::cli::testing {

namespace fsys = std::filesystem;

ScratchDir::ScratchDir() {
    static std::atomic<unsigned> counter{0};
    path_ = fsys::temp_directory_path() /
            ("vexa-cli-test-" + std::to_string(fs::ProcessId()) + "-" + std::to_string(counter++));
    fsys::remove_all(path_);
    fsys::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    // Read-only files left by a test must not keep their directory alive.
    for (auto it = fsys::recursive_directory_iterator(path_, ignored);
         it != fsys::recursive_directory_iterator(); it.increment(ignored))
        fsys::permissions(it->path(), fsys::perms::owner_write, fsys::perm_options::add, ignored);
    fsys::remove_all(path_, ignored);
}

std::string ScratchDir::operator/(const std::string& relative) const {
    return (path_ / relative).string();
}

void WriteFile(const fsys::path& path, const std::vector<uint8_t>& bytes) {
    if (path.has_parent_path()) fsys::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteFile(const fsys::path& path, const std::string& text) {
    WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadFile(const fsys::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> SampleContent(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        const uint32_t r = state >> 16;
        bytes[i] = (r & 3) == 0 ? uint8_t(r >> 4) : uint8_t('a' + i / 7 % 5);
    }
    return bytes;
}

std::vector<uint8_t> FakeStub() {
    std::vector<uint8_t> stub = {'M', 'Z'};
    const std::string text = "fake stub for the vexa tool tests";
    stub.insert(stub.end(), text.begin(), text.end());
    stub.resize(300, 0x90);
    const uint8_t field[4] = {0, '?', '?', '?'};
    stub.insert(stub.end(), field, field + 4);
    stub.resize(stub.size() + 252, 0);
    stub.resize(stub.size() + 100, 0xCC);
    return stub;
}

}  // namespace vexa::cli::testing
