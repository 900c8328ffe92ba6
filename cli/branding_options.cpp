#include "branding_options.h"

#include "host_fs.h"
#include "pack_inputs.h"
#include "vexa_pe.h"

namespace vexa::cli {

using namespace vexa::pe;  // the program image library

namespace {

// Icon files hold at most a few hundred kilobytes; a 256-pixel image uncompressed is 256 KiB.
constexpr uint64_t kMaxIconFileSize = 16u << 20;

std::string ControlCharacterText(char32_t code) {
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("a control character (0x") + kHex[(code >> 4) & 15] + kHex[code & 15] + ")";
}

std::string ReadIcon(const std::string& path, Branding& branding) {
    const std::string prefix = "--icon " + path + ": ";
    if (IsDirectory(path)) return prefix + "is a directory, not an icon file";
    platform::File file = fs::OpenForReading(path);
    if (!file.IsOpen()) return prefix + "cannot open: " + fs::LastErrorText();
    const auto size = file.Size();
    if (!size) return prefix + "cannot read: " + fs::LastErrorText();
    if (*size > kMaxIconFileSize) return prefix + "too large for an icon file";
    std::vector<uint8_t> bytes(static_cast<size_t>(*size));
    if (file.ReadFully(bytes.data(), bytes.size()) != bytes.size())
        return prefix + "cannot read: " + fs::LastErrorText();
    std::string fault;
    branding.icons = ParseIconFile(bytes, fault);
    if (!branding.icons) return prefix + fault;
    return {};
}

std::string ReadVersionField(const std::string& option, Branding& branding) {
    const std::string prefix = "--version-info " + option + ": ";
    const size_t equals = option.find('=');
    if (equals == std::string::npos) return prefix + "give a field and its value as KEY=VALUE";
    const auto key = CanonicalVersionKey(option.substr(0, equals));
    if (!key) {
        std::string known;
        for (const std::string& name : VersionKeys()) known += (known.empty() ? "" : ", ") + name;
        return prefix + "unknown field; the fields are " + known;
    }
    const std::string value = option.substr(equals + 1);
    if (value.empty()) return prefix + "the value is empty";
    std::string error;
    if (!ResourceText(value, "the value", error)) return prefix + error;
    if ((*key == "FileVersion" || *key == "ProductVersion") && !ParseVersionNumber(value))
        return prefix +
               "not a version number (one to four numbers from 0 to 65535 joined by dots, as in "
               "2.1 or 1.0.3.12)";
    // A field given twice takes its last value.
    std::erase_if(branding.versionFields, [&](const VersionField& f) { return f.key == *key; });
    branding.versionFields.push_back({*key, value});
    return {};
}

}  // namespace

// Text that ends up in a resource as UTF-16: valid UTF-8 without control characters.
std::optional<std::u16string> ResourceText(const std::string& text, const std::string& what,
                                           std::string& error) {
    const auto wide = Utf8ToUtf16(text);
    if (!wide) {
        error = what + " is not valid UTF-8";
        return std::nullopt;
    }
    if (const auto control = FirstControlCharacter(*wide)) {
        error = what + " holds " + ControlCharacterText(*control);
        return std::nullopt;
    }
    return wide;
}

std::string ReadBrandingOptions(const ParsedArgs& parsed, Branding& branding) {
    if (const auto title = parsed.Value("title")) {
        if (title->empty()) return "--title: the title is empty";
        std::string error;
        branding.title = ResourceText(*title, "the title", error);
        if (!branding.title) return "--title: " + error;
    }
    for (const std::string& field : parsed.Values("version-info"))
        if (std::string error = ReadVersionField(field, branding); !error.empty()) return error;
    if (const auto icon = parsed.Value("icon"))
        if (std::string error = ReadIcon(*icon, branding); !error.empty()) return error;
    return {};
}

}  // namespace vexa::cli
