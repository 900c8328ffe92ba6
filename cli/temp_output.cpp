#include "temp_output.h"

#include "host_fs.h"

namespace vexa::cli {

TempOutput::TempOutput(std::string finalPath)
    : finalPath_(std::move(finalPath)),
      tempPath_(finalPath_ + ".tmp" + std::to_string(fs::ProcessId())) {}

TempOutput::~TempOutput() {
    Discard();
}

bool TempOutput::Create() {
    interruptGuard_ = std::make_unique<RemoveOnInterrupt>(tempPath_);
    file_ = fs::CreateForWriting(tempPath_);
    created_ = file_.IsOpen();
    return created_;
}

bool TempOutput::Commit() {
    file_.Close();
    if (!fs::RenameReplace(tempPath_, finalPath_)) {
        Discard();
        return false;
    }
    created_ = false;
    interruptGuard_.reset();
    return true;
}

void TempOutput::Discard() {
    file_.Close();
    if (created_) fs::RemoveFile(tempPath_);
    created_ = false;
    interruptGuard_.reset();
}

}  // namespace vexa::cli
