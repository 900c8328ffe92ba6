#include "result.h"

#include "vexa.h"

namespace vexa {

namespace {
constexpr const char* kMessages[] = {
    "Success",
    "Unknown",
    "Invalid argument passed",
    "Archive is corrupt",
    "Not found",
    "Entry exists already",
    "Out of disk space",
    "Archive is opened in a mode preventing this operation",
    "Archive has been locked preventing this operation",
};
constexpr int kMessageCount = int(sizeof(kMessages) / sizeof(kMessages[0]));
}  // namespace

const char* ResultMessage(int code) {
    return code >= 0 && code < kMessageCount ? kMessages[code] : "Unknown <?>";
}

}  // namespace vexa

const char* vexa_GetErrorString(int code) {
    return vexa::ResultMessage(code);
}
