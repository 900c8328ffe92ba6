#include "environment_variables.h"

#include <windows.h>

#include <cstring>

#include "reader_helpers.h"

namespace sfx {

namespace {

// The value of `name`, or false when it is not set.
bool ValueOf(const std::string& name, std::string& value) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD needed = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (needed == 0) {
        value.clear();
        // A variable set to the empty text reports no error.
        return ::GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }
    value.assign(needed, '\0');
    const DWORD length = ::GetEnvironmentVariableA(name.c_str(), &value[0], needed);
    if (length >= needed) return false;  // it grew in between
    value.resize(length);
    return true;
}

bool IsVariableName(const char* begin, const char* end) {
    if (begin == end) return false;
    for (const char* c = begin; c != end; ++c)
        if (vexa::IsSeparator(*c)) return false;
    return true;
}

}  // namespace

Expansion ExpandEnvironmentVariables(const char* text, char* out, size_t outSize,
                                     std::string& unknown) {
    std::string result;
    const char* rest = text;
    while (const char* open = std::strchr(rest, '%')) {
        const char* close = std::strchr(open + 1, '%');
        if (!close) break;
        if (!IsVariableName(open + 1, close)) {
            // Plain text up to the second sign, which may open a name of its own.
            result.append(rest, close);
            rest = close;
            continue;
        }
        const std::string name(open + 1, close);
        std::string value;
        if (!ValueOf(name, value)) {
            unknown = name;
            return Expansion::UnknownVariable;
        }
        result.append(rest, open);
        result += value;
        rest = close + 1;
    }
    result += rest;
    if (result.size() >= outSize) return Expansion::TooLong;
    std::memcpy(out, result.c_str(), result.size() + 1);
    return Expansion::Done;
}

}  // namespace sfx
