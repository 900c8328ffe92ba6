// Destination path routines: directory creation with one question, trailing backslash,
// directory part of a path, file existence.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <unordered_set>
#include <utility>

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

// No questions: every directory is created, and a failure goes to the log (a silent run).
class SilentPrompts final : public DirectoryPrompts {
  public:
    bool ConfirmCreate() override { return true; }
    void CreationFailed() override;
};

// Appends a backslash unless the path already ends with one (an empty path gets one too).
// The buffer needs room for one more character.
void AppendBackslash(char* path);

// Directories known to exist during one extraction run, each with its trailing backslash.
class KnownDirectories {
  public:
    bool Contains(const std::string& path) const { return paths_.count(path) != 0; }
    void Add(std::string path) { paths_.insert(std::move(path)); }

  private:
    std::unordered_set<std::string> paths_;
};

// Makes sure every level of `path` exists, testing each level by making it the current
// directory and creating the missing ones. With `ask`, the user is asked once before the first
// creation. Appends a trailing backslash in place. Returns true when every level exists.
// With `known`, levels it holds are taken as existing without a test, and every level that
// exists or was created is added to it.
bool EnsureDirectoryPath(char* path, bool ask, DirectoryPrompts& prompts,
                         KnownDirectories* known = nullptr);
bool EnsureDirectoryPath(HWND owner, char* path, bool ask, KnownDirectories* known = nullptr);

// Copies `path` up to and including its last backslash into `out` (size `outSize`, at least
// the size of `path`); empty when there is no backslash.
void GetDirectoryPart(char* out, size_t outSize, const char* path);

// True when `path` names a file that can be opened for reading.
bool FileExists(const char* path);

}  // namespace sfx
