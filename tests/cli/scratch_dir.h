// A fresh directory for one test, removed with everything in it afterwards, and small helpers
// to fill it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vexa::cli::testing {

class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // `relative` below the scratch directory, as a string the tool accepts.
    std::string operator/(const std::string& relative) const;

  private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void WriteFile(const std::filesystem::path& path, const std::string& text);
std::vector<uint8_t> ReadFile(const std::filesystem::path& path);

// Deterministic content that the encoder can compress a little: runs and noise mixed.
std::vector<uint8_t> SampleContent(size_t size, uint32_t seed);

// A stand-in for the self-extractor stub: some bytes around an empty initial-destination field.
std::vector<uint8_t> FakeStub();

}  // namespace vexa::cli::testing
