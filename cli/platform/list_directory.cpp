// Directory listings through the standard library, which hands over every name the system holds
// (the wide names on Windows) and gives them back here as UTF-8.
#include <exception>
#include <filesystem>
#include <system_error>

#include "host_fs.h"

namespace vexa::cli::fs {

namespace {

std::filesystem::path FromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string ToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

std::optional<std::vector<std::string>> ListDirectory(const std::string& path) {
    try {
        std::error_code error;
        std::filesystem::directory_iterator next(FromUtf8(path.empty() ? "." : path), error);
        std::vector<std::string> names;
        for (const std::filesystem::directory_iterator end; !error && next != end;
             next.increment(error))
            names.push_back(ToUtf8(next->path().filename()));
        if (error) return std::nullopt;
        return names;
    } catch (const std::exception&) {
        return std::nullopt;  // a name the conversion cannot carry, or no memory
    }
}

}  // namespace vexa::cli::fs
