#include "listing.h"

#include <cstdio>

#include "archive_reader.h"
#include "filetime.h"

namespace vexa::cli {

std::string FormatAttributes(uint32_t attributes) {
    static const char kLetters[] = "RHSVDA";
    std::string text;
    for (int bit = 0; bit < 6; ++bit) text += (attributes >> bit & 1) ? kLetters[bit] : '.';
    return text;
}

std::string FormatRatio(uint64_t original, uint64_t packed) {
    if (original == 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", double(packed) * 100.0 / double(original));
    return text;
}

std::string ListingHeader() {
    return "        Size       Packed   Ratio CRC       Attr    Modified (UTC)       Name";
}

std::string ListingRule() {
    return "------------ ------------ ------- --------  ------  -------------------  ----";
}

std::string ListingRow(const VEXA_ENTRY& entry, const CodePage& codePage) {
    char text[160];
    std::snprintf(text, sizeof text, "%12llu %12llu %7s %08X  %s  %s  ",
                  (unsigned long long)entry.originalSize, (unsigned long long)entry.compressedSize,
                  FormatRatio(entry.originalSize, entry.compressedSize).c_str(),
                  unsigned(entry.crc), FormatAttributes(entry.attributes).c_str(),
                  FormatFiletime(entry.modificationTime).c_str());
    return text + Printable(codePage.Show(EntryName(entry)));
}

std::string ListingTotal(uint64_t entries, uint64_t original, uint64_t packed) {
    char text[160];
    std::snprintf(text, sizeof text, "%12llu %12llu %7s %39s%llu %s", (unsigned long long)original,
                  (unsigned long long)packed, FormatRatio(original, packed).c_str(), "",
                  (unsigned long long)entries, entries == 1 ? "file" : "files");
    return text;
}

}  // namespace vexa::cli
