// Writes one extracted entry below the destination folder. Each level below the destination is
// opened without following links; the content goes to a temporary file in the entry's folder,
// removed on failure or interrupt, and only a complete, verified file is renamed to its own
// name. One implementation file per platform.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexa::cli {

class EntryOutput {
  public:
    enum class Status {
        Ready,    // the temporary file is open for writing
        Exists,   // a file of that name exists and overwriting was not asked for
        Refused,  // a level is a link, or the name is taken by something that is not a file
        Failed,   // the system refused (the reason is in the text)
    };

    EntryOutput();
    ~EntryOutput();  // a file not committed is removed
    EntryOutput(const EntryOutput&) = delete;
    EntryOutput& operator=(const EntryOutput&) = delete;

    // Prepares the entry whose levels (UTF-8 names, the last one the file) lie below the
    // existing folder `root`, creating missing folders. `why` explains anything but Ready.
    Status Prepare(const std::string& root, const std::vector<std::string>& levels, bool overwrite,
                   std::string& why);

    // Bytes free to this user on the entry's volume; empty when unknown.
    std::optional<uint64_t> FreeBytes() const;

    // Appends to the temporary file; false with `why` on failure.
    bool Write(const uint8_t* data, size_t count, std::string& why);

    // Gives the file its modification time and attributes and moves it to its own name.
    bool Commit(uint32_t attributes, uint64_t modificationTime, std::string& why);

    // Where the entry lands, for messages.
    const std::string& FinalPath() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The temporary name of the n-th file this process extracts: hidden on POSIX, unlikely to meet
// an entry's own name.
std::string TemporaryName(unsigned long processId, unsigned serial);

}  // namespace vexa::cli
