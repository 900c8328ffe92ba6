// What the tool needs from the file system beyond reading and writing files: directory walks,
// metadata, directory creation, rename into place and terminal detection. One implementation
// file per platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexa::cli::fs {

enum class Kind { File, Directory, Other };

struct Metadata {
    Kind kind = Kind::Other;
    uint64_t size = 0;
    uint64_t modificationTime = 0;  // FILETIME units (100 ns since 1601-01-01 UTC)
    uint32_t attributes = 0;        // Windows attribute bits worth storing for a file
    bool symlink = false;           // reached through a symbolic link or reparse point
};

// The native directory separator.
char Separator();

// Metadata of `path`, following a link to its target (symlink stays true then); empty when the
// path does not exist or cannot be examined.
std::optional<Metadata> Stat(const std::string& path);

// Names inside a directory, without "." and "..", in no particular order; empty when the
// directory cannot be read.
std::optional<std::vector<std::string>> ListDirectory(const std::string& path);

// An identity of the file behind a path (device and inode, or volume and file index); two
// paths with equal identities name the same file.
std::optional<std::string> FileIdentity(const std::string& path);

// Creates one directory level; true when it exists as a directory afterwards.
bool MakeDirectory(const std::string& path);

// Replaces `to` with `from` in one step where the system allows it.
bool RenameReplace(const std::string& from, const std::string& to);

// Removes a file, clearing a read-only attribute first where that blocks the removal.
bool RemoveFile(const std::string& path);

// Sets a file's modification time; false on failure.
bool SetModificationTime(const std::string& path, uint64_t filetime);

// True when the standard error stream is an interactive terminal.
bool StderrIsTerminal();

// Process id, for naming temporary files.
unsigned long ProcessId();

// Directory holding the running program, with a trailing separator; empty when unknown.
std::string ProgramDirectory(const char* argv0);

// The last OS error as text, for messages.
std::string LastErrorText();

}  // namespace vexa::cli::fs
