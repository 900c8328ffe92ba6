// The folder a self-extractor made with --temp extracts into: new, under %TEMP%, open to the
// current user only (another user cannot plant or swap a file in it between extraction and
// the program's start), and removed with everything in it when its owner goes.
#pragma once

#include <windows.h>

namespace sfx {

class PrivateTempFolder {
  public:
    PrivateTempFolder() = default;
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;
    ~PrivateTempFolder() { Remove(); }

    // False when no such folder can be made.
    bool Create();
    const char* Path() const { return path_; }
    // Removes the folder and everything below it; files still in use are tried again for a
    // moment, since the program that used them may just have ended.
    void Remove();

  private:
    char path_[MAX_PATH + 1] = "";
};

}  // namespace sfx
