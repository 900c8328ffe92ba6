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
    file_ = platform::File::Open(tempPath_.c_str(), platform::File::Access::CreateTruncate);
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
    return true;
}

void TempOutput::Discard() {
    file_.Close();
    if (created_) fs::RemoveFile(tempPath_);
    created_ = false;
}

}  // namespace vexa::cli
