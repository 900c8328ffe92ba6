#include "win_paths.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "unique_handle.h"

namespace sfxtest {

namespace {

template <class Visit>
void ForEachEntry(const std::string& directory, Visit visit) {
    WIN32_FIND_DATAA data;
    const vexa::win32::FindHandle find(::FindFirstFileA((directory + "\\*").c_str(), &data));
    if (!find) return;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") visit(name, data.dwFileAttributes);
    } while (::FindNextFileA(find.Get(), &data));
}

}  // namespace

std::string WindowsPath(const std::string& path) {
    std::string result = path;
    std::replace(result.begin(), result.end(), '/', '\\');
    if (!path.empty() && path[0] == '/') result = "Z:" + result;
    return result;
}

void RemoveTree(const std::string& path) {
    ForEachEntry(path, [&](const std::string& name, DWORD attributes) {
        const std::string child = path + "\\" + name;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(child);
        } else {
            ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(child.c_str());
        }
    });
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryA(path.c_str());
}

bool MakeDirectories(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            const std::string prefix = path.substr(0, i);
            if (!::CreateDirectoryA(prefix.c_str(), nullptr) && !IsDirectory(prefix)) return false;
        }
    }
    return true;
}

bool WriteTextFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return bool(out);
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t Attributes(const std::string& path) {
    return ::GetFileAttributesA(path.c_str());
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> DirectoryEntries(const std::string& directory) {
    std::vector<std::string> names;
    ForEachEntry(directory, [&](const std::string& name, DWORD) { names.push_back(name); });
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace sfxtest
