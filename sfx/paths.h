// Destination path routines: directory creation with one question, trailing backslash,
// directory part of a path, file existence.
#pragma once

#include <windows.h>

#include <cstddef>

namespace sfx {

// What EnsureDirectoryPath shows the user; the dialog uses message boxes, tests a recorder.
class DirectoryPrompts {
  public:
    virtual ~DirectoryPrompts() = default;
    // "This directory does not exist, create now?": true for Yes.
    virtual bool ConfirmCreate() = 0;
    // "Error creating directory".
    virtual void CreationFailed() = 0;
};

// Message boxes owned by `owner`.
class MessageBoxPrompts final : public DirectoryPrompts {
  public:
    explicit MessageBoxPrompts(HWND owner) : owner_(owner) {}
    bool ConfirmCreate() override;
    void CreationFailed() override;

  private:
    HWND owner_;
};

// Appends a backslash unless the path already ends with one (an empty path gets one too).
// The buffer needs room for one more character.
void AppendBackslash(char* path);

// Makes sure every level of `path` exists, testing each level by making it the current
// directory and creating the missing ones. With `ask`, the user is asked once before the first
// creation. Appends a trailing backslash in place. Returns true when every level exists.
bool EnsureDirectoryPath(char* path, bool ask, DirectoryPrompts& prompts);
bool EnsureDirectoryPath(HWND owner, char* path, bool ask);

// Copies `path` up to and including its last backslash into `out` (size `outSize`, at least
// the size of `path`); empty when there is no backslash.
void GetDirectoryPart(char* out, size_t outSize, const char* path);

// True when `path` names a file that can be opened for reading.
bool FileExists(const char* path);

}  // namespace sfx
