// An output file written under a temporary name beside its final path and renamed into place
// only when complete; dropped without a trace otherwise, an interrupt included.
#pragma once

#include <memory>
#include <string>

#include "interrupt.h"
#include "platform.h"

namespace vexa::cli {

class TempOutput {
  public:
    explicit TempOutput(std::string finalPath);
    ~TempOutput();
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    // Creates the temporary file; false when it cannot be created.
    bool Create();
    platform::File& File() { return file_; }
    const std::string& TempPath() const { return tempPath_; }
    // Closes the file and renames it to the final path; false (and the temporary file removed)
    // when that fails.
    bool Commit();

  private:
    void Discard();

    std::string finalPath_;
    std::string tempPath_;
    platform::File file_;
    std::unique_ptr<RemoveOnInterrupt> interruptGuard_;
    bool created_ = false;
};

}  // namespace vexa::cli
