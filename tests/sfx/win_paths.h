// Small file-system helpers for the Windows-side tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sfxtest {

// A path handed over from the build (possibly a Unix path under Wine) as a Windows path.
std::string WindowsPath(const std::string& path);

// Deletes a directory tree, read-only files included. Missing is fine.
void RemoveTree(const std::string& path);
bool MakeDirectories(const std::string& path);
bool WriteTextFile(const std::string& path, const std::string& content);
std::optional<std::string> ReadTextFile(const std::string& path);
// INVALID_FILE_ATTRIBUTES when missing.
uint32_t Attributes(const std::string& path);
bool IsDirectory(const std::string& path);
// Names of the files and directories directly inside `directory`.
std::vector<std::string> DirectoryEntries(const std::string& directory);

}  // namespace sfxtest
