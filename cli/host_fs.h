// What the tool needs from the file system: opening files, directory walks, metadata,
// directory creation, rename into place and the terminal. One implementation file per
// platform. Paths and names are UTF-8 on every platform (on Windows they go through the wide
// functions, so every name is reachable).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform.h"

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

// Opens an existing file for reading.
platform::File OpenForReading(const std::string& path);

// Creates (or truncates) a file for writing. On Windows others may delete it while it is open,
// so that an interrupt can remove it.
platform::File CreateForWriting(const std::string& path);

// A form of `path` that the reader library's narrow-character file functions open (on Windows
// the ANSI code page, or the short name when the ANSI code page cannot spell the path).
std::string LibraryPath(const std::string& path);

// A key under which names equal but for case (as Windows compares them) are equal.
std::string CaseFoldKey(const std::string& name);

// Puts standard output in binary mode (no newline translation), for content written there.
void SetBinaryOutput();

// Columns of the terminal behind standard error; empty when it is not a terminal.
std::optional<unsigned> TerminalWidth();

// Creates one directory level; true when it exists as a directory afterwards.
bool MakeDirectory(const std::string& path);

// Replaces `to` with `from` in one step where the system allows it.
bool RenameReplace(const std::string& from, const std::string& to);

// Removes a file, clearing a read-only attribute first where that blocks the removal.
bool RemoveFile(const std::string& path);

// True when the standard error stream is an interactive terminal.
bool StderrIsTerminal();

// The program's arguments after its name, as UTF-8 (on Windows from the wide command line, so
// that any name can be given). Also makes the console show UTF-8 where it needs telling.
std::vector<std::string> CommandArguments(int argc, char** argv);

// Process id, for naming temporary files.
unsigned long ProcessId();

// Directory holding the running program, with a trailing separator; empty when unknown.
std::string ProgramDirectory(const char* argv0);

// The last OS error as text, for messages.
std::string LastErrorText();

}  // namespace vexa::cli::fs
