// Writes one extracted entry below the destination folder. Each level below the destination is
// opened without following links; the content goes to a temporary file in the entry's folder
// (on Linux one without a name), removed on failure or interrupt, and only a complete, verified
// file gets its own name. One implementation file per platform.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexa::cli {

// What the last free-space query of the output volume said, less what was written since. Small
// entries are held to it, so that the volume is asked once in a while rather than once per
// file; a large entry, or one the estimate cannot hold, asks afresh. A write that fails for want
// of room is reported all the same.
class FreeSpaceEstimate {
  public:
    // True when `size` bytes are known not to fit; `query` asks the volume (empty: unknown).
    template <class Query>
    bool Lacks(uint64_t size, const Query& query) {
        if (!known_ || size >= kAlwaysAsk || size > *known_) known_ = query();
        return known_ && size > *known_;
    }
    void Spend(uint64_t bytes) {
        if (known_) *known_ = bytes > *known_ ? 0 : *known_ - bytes;
    }
    // The output moved to another folder, which may lie on another volume.
    void Forget() { known_.reset(); }

  private:
    static constexpr uint64_t kAlwaysAsk = uint64_t{1} << 20;
    std::optional<uint64_t> known_;
};

// The folders below the destination that entries go to, kept open from one entry to the next:
// the entries of a folder come together, so each level is opened (never through a link) once
// per run of entries rather than once per entry. A folder this process opened stays the folder
// it checked, whatever is renamed or linked in its place later; a level opened afresh is checked
// afresh.
class OutputFolders {
  public:
    explicit OutputFolders(std::string root);
    ~OutputFolders();
    OutputFolders(const OutputFolders&) = delete;
    OutputFolders& operator=(const OutputFolders&) = delete;

  private:
    friend class EntryOutput;
    struct State;
    std::unique_ptr<State> state_;
};

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
    // folders' root, creating missing folders. `why` explains anything but Ready. In a folder
    // this run created, the final name is only examined when the file moves into place (Commit
    // gives the same answers then); elsewhere it is examined first.
    Status Prepare(OutputFolders& folders, const std::vector<std::string>& levels, bool overwrite,
                   std::string& why);

    // What the final name says to the entry, for an entry that fails before it reaches Commit:
    // a skip or refusal there is reported rather than the later failure.
    Status CheckFinalName(std::string& why);

    // True when the entry's volume is known to have less than `size` bytes free.
    bool LacksRoomFor(uint64_t size);

    // Appends to the temporary file; false with `why` on failure.
    bool Write(const uint8_t* data, size_t count, std::string& why);

    // Gives the file its modification time and attributes and moves it to its own name: Ready
    // when it got there, otherwise why not (Exists or Refused for a name found taken only now).
    Status Commit(uint32_t attributes, uint64_t modificationTime, std::string& why);

    // Where the entry lands, for messages.
    const std::string& FinalPath() const;

  private:
    Status CommitUnnamed(std::string& why);  // POSIX: a file made without a name

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vexa::cli
