#include "pe/version_info.h"

#include <algorithm>
#include <charconv>

#include "pe/byte_fields.h"
#include "pe/utf16.h"
#include "version_node.h"

namespace vexa::pe {
namespace {

constexpr char16_t kRootKey[] = u"VS_VERSION_INFO";
constexpr char16_t kStringFileInfoKey[] = u"StringFileInfo";
constexpr char16_t kVarFileInfoKey[] = u"VarFileInfo";
constexpr char16_t kTranslationKey[] = u"Translation";
// US English in Unicode: the table a program without version information gets.
constexpr char16_t kNewTableKey[] = u"040904B0";

// VS_FIXEDFILEINFO: thirteen little-endian 32-bit fields.
constexpr size_t kFixedInfoBytes = 52;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
enum FixedInfoField : size_t {
    kSignature = 0,
    kStrucVersion = 4,
    kFileVersionMs = 8,
    kFileVersionLs = 12,
    kProductVersionMs = 16,
    kProductVersionLs = 20,
    kFileFlagsMask = 24,
    kFileOs = 32,
    kFileType = 36,
};

std::vector<uint8_t> NewFixedInfo() {
    std::vector<uint8_t> info(kFixedInfoBytes, 0);
    StoreLe(info, kSignature, 4, kFixedInfoSignature);
    StoreLe(info, kStrucVersion, 4, 0x00010000);
    StoreLe(info, kFileFlagsMask, 4, 0x3F);
    StoreLe(info, kFileOs, 4, 0x00040004);  // VOS_NT_WINDOWS32
    StoreLe(info, kFileType, 4, 1);         // VFT_APP
    return info;
}

FourPartVersion LoadVersion(const std::vector<uint8_t>& info, size_t msOffset) {
    const uint32_t ms = LoadLe(info, msOffset, 4);
    const uint32_t ls = LoadLe(info, msOffset + 4, 4);
    return {uint16_t(ms >> 16), uint16_t(ms), uint16_t(ls >> 16), uint16_t(ls)};
}

void StoreVersion(std::vector<uint8_t>& info, size_t msOffset, const FourPartVersion& version) {
    StoreLe(info, msOffset, 4, uint32_t(version[0]) << 16 | version[1]);
    StoreLe(info, msOffset + 4, 4, uint32_t(version[2]) << 16 | version[3]);
}

bool SameKeyIgnoringCase(std::u16string_view a, std::u16string_view b) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

VersionNode* FindChild(VersionNode& parent, std::u16string_view key) {
    for (VersionNode& child : parent.children)
        if (child.key == key) return &child;
    return nullptr;
}

// The text of a String node: up to its first NUL, whichever unit its wValueLength counted.
std::u16string StringText(const VersionNode& node) {
    std::u16string text = LoadUtf16(node.value);
    text.resize(std::min(text.find(u'\0'), text.size()));
    return text;
}

// StringFileInfo, a StringTable or VarFileInfo: text nodes that hold only children.
VersionNode GroupNode(std::u16string key) {
    return VersionNode{std::move(key), VersionNode::kVersionText, {}, {}};
}

VersionNode StringNode(std::u16string key, std::u16string_view text) {
    VersionNode node = GroupNode(std::move(key));
    AppendUtf16(text, node.value);
    node.value.push_back(0);
    node.value.push_back(0);
    return node;
}

// The root of `existing` with its fixed block checked (one is added when it has none).
std::optional<VersionNode> ParseRoot(std::span<const uint8_t> existing, std::string& fault) {
    auto root = ParseVersionNode(existing, fault);
    if (!root) return std::nullopt;
    if (root->key != kRootKey) {
        fault = "the resource is not version information (its key is \"" + Utf16ToUtf8(root->key) +
                "\")";
        return std::nullopt;
    }
    if (root->value.empty()) {
        root->type = VersionNode::kVersionBinary;
        root->value = NewFixedInfo();
    }
    if (root->value.size() != kFixedInfoBytes ||
        LoadLe(root->value, kSignature, 4) != kFixedInfoSignature) {
        fault = "the fixed file information is damaged";
        return std::nullopt;
    }
    return root;
}

struct WideField {
    std::u16string key;
    std::u16string value;
};

// `fields` in UTF-16, the last of any repeated key kept, in the order of VersionKeys() and
// unknown keys after them.
std::optional<std::vector<WideField>> PrepareFields(const std::vector<VersionField>& fields,
                                                    std::string& fault) {
    std::vector<WideField> wide;
    for (const VersionField& field : fields) {
        const auto key = Utf8ToUtf16(field.key);
        const auto value = Utf8ToUtf16(field.value);
        if (!key || key->empty() || key->find(u'\0') != std::u16string::npos) {
            fault = "\"" + field.key + "\" cannot name a version field";
            return std::nullopt;
        }
        if (!value) {
            fault = "the value of " + field.key + " is not valid UTF-8 text";
            return std::nullopt;
        }
        if (value->find(u'\0') != std::u16string::npos) {
            fault = "the value of " + field.key + " holds a NUL character";
            return std::nullopt;
        }
        std::erase_if(wide,
                      [&](const WideField& seen) { return SameKeyIgnoringCase(seen.key, *key); });
        wide.push_back({*key, *value});
    }
    const auto rank = [](const WideField& field) {
        const auto& keys = VersionKeys();
        const std::string key = Utf16ToUtf8(field.key);
        return std::find(keys.begin(), keys.end(), key) - keys.begin();
    };
    std::stable_sort(wide.begin(), wide.end(),
                     [&](const WideField& a, const WideField& b) { return rank(a) < rank(b); });
    return wide;
}

void ApplyToTable(VersionNode& table, const std::vector<WideField>& fields) {
    // Every String is written again in the canonical form, which also mends a wValueLength
    // that counted bytes.
    for (VersionNode& string : table.children) string = StringNode(string.key, StringText(string));
    for (const WideField& field : fields) {
        bool found = false;
        for (VersionNode& string : table.children) {
            if (!SameKeyIgnoringCase(string.key, field.key)) continue;
            string = StringNode(field.key, field.value);
            found = true;
        }
        if (!found) table.children.push_back(StringNode(field.key, field.value));
    }
}

// Translation lists each table's language and code page, read from its eight hex digits.
VersionNode TranslationFor(const VersionNode& stringFileInfo) {
    VersionNode translation{kTranslationKey, VersionNode::kVersionBinary, {}, {}};
    for (const VersionNode& table : stringFileInfo.children) {
        const std::string digits = Utf16ToUtf8(table.key);
        uint32_t pair = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), pair, 16);
        if (digits.size() != 8 || error != std::errc() || end != digits.data() + digits.size())
            continue;
        for (const uint32_t half : {pair >> 16, pair & 0xFFFF}) {
            translation.value.push_back(uint8_t(half));
            translation.value.push_back(uint8_t(half >> 8));
        }
    }
    return translation;
}

}  // namespace

std::optional<FourPartVersion> ParseVersionNumber(const std::string& text) {
    FourPartVersion version{};
    size_t part = 0;
    size_t cursor = 0;
    for (;;) {
        if (part == version.size()) return std::nullopt;
        uint32_t value = 0;
        const size_t start = cursor;
        for (; cursor < text.size() && text[cursor] >= '0' && text[cursor] <= '9'; ++cursor) {
            value = value * 10 + uint32_t(text[cursor] - '0');
            if (value > 0xFFFF) return std::nullopt;
        }
        if (cursor == start) return std::nullopt;
        version[part++] = uint16_t(value);
        if (cursor == text.size()) return version;
        if (text[cursor++] != '.') return std::nullopt;
    }
}

std::string FormatVersionNumber(const FourPartVersion& version) {
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
           std::to_string(version[2]) + "." + std::to_string(version[3]);
}

const std::vector<std::string>& VersionKeys() {
    static const std::vector<std::string> keys = {
        "Comments",     "CompanyName",    "FileDescription", "FileVersion",
        "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFilename",
        "PrivateBuild", "ProductName",    "ProductVersion",  "SpecialBuild"};
    return keys;
}

std::optional<std::string> CanonicalVersionKey(const std::string& key) {
    const auto wide = Utf8ToUtf16(key);
    if (!wide) return std::nullopt;
    for (const std::string& known : VersionKeys())
        if (SameKeyIgnoringCase(*wide, *Utf8ToUtf16(known))) return known;
    return std::nullopt;
}

std::string ApplyVersionFields(std::span<const uint8_t> existing,
                               const std::vector<VersionField>& fields, std::vector<uint8_t>& out) {
    std::string fault;
    const auto wideFields = PrepareFields(fields, fault);
    if (!wideFields) return fault;
    std::optional<VersionNode> root;
    if (existing.empty()) {
        root = VersionNode{kRootKey, VersionNode::kVersionBinary, NewFixedInfo(), {}};
    } else if (root = ParseRoot(existing, fault); !root) {
        return "the version information is damaged: " + fault;
    }

    for (const WideField& field : *wideFields) {
        const auto number = ParseVersionNumber(Utf16ToUtf8(field.value));
        if (!number) continue;
        if (SameKeyIgnoringCase(field.key, u"FileVersion"))
            StoreVersion(root->value, kFileVersionMs, *number);
        if (SameKeyIgnoringCase(field.key, u"ProductVersion"))
            StoreVersion(root->value, kProductVersionMs, *number);
    }

    VersionNode* stringFileInfo = FindChild(*root, kStringFileInfoKey);
    if (!stringFileInfo) {
        root->children.insert(root->children.begin(), GroupNode(kStringFileInfoKey));
        stringFileInfo = &root->children.front();
    }
    if (stringFileInfo->children.empty())
        stringFileInfo->children.push_back(GroupNode(kNewTableKey));
    for (VersionNode& table : stringFileInfo->children) ApplyToTable(table, *wideFields);
    if (!FindChild(*root, kVarFileInfoKey)) {
        VersionNode varFileInfo = GroupNode(kVarFileInfoKey);
        varFileInfo.children.push_back(TranslationFor(*stringFileInfo));
        root->children.push_back(std::move(varFileInfo));
    }

    auto bytes = SerializeVersionNode(*root);
    if (!bytes) return "the version information would pass 64 KiB";
    out = std::move(*bytes);
    return {};
}

std::optional<VersionSummary> ReadVersionInfo(std::span<const uint8_t> resource) {
    std::string fault;
    auto root = ParseRoot(resource, fault);
    if (!root) return std::nullopt;
    VersionSummary summary;
    summary.fileVersion = LoadVersion(root->value, kFileVersionMs);
    summary.productVersion = LoadVersion(root->value, kProductVersionMs);
    const VersionNode* stringFileInfo = FindChild(*root, kStringFileInfoKey);
    if (stringFileInfo && !stringFileInfo->children.empty()) {
        for (const VersionNode& string : stringFileInfo->children.front().children)
            summary.strings.push_back({Utf16ToUtf8(string.key), Utf16ToUtf8(StringText(string))});
    }
    return summary;
}

}  // namespace vexa::pe
