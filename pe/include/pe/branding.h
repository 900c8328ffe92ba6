// A self-extractor in its maker's colours and with its maker's settings: the stub's icon group,
// its dialog's caption, its version information and its settings resource replaced in the stub
// image before the archive is appended.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pe/icon_file.h"
#include "pe/stub_settings_encoding.h"
#include "pe/version_info.h"

namespace vexa::pe {

// The stub's resources that carry its looks.
constexpr uint16_t kStubIconGroup = 107;
constexpr uint16_t kStubDialog = 129;

struct Branding {
    std::optional<std::vector<IconImage>> icons;
    std::optional<std::u16string> title;
    std::vector<VersionField> versionFields;
    // Written as RT_RCDATA kStubSettingsResource; none leaves the stub without the resource,
    // and so reading its command line no more than before.
    std::optional<OwnedStubSettings> settings;

    bool Empty() const { return !icons && !title && versionFields.empty() && !settings; }
};

// Applies `branding` to the stub `image` (unsigned, nothing appended). Returns an error message,
// empty on success; `image` is unchanged on error.
std::string ApplyBranding(std::vector<uint8_t>& image, const Branding& branding);

struct BrandingSummary {
    uint16_t machine = 0;
    std::vector<IconGroupEntry> icons;  // the icon group Explorer shows
    std::optional<std::u16string> title;
    bool hasVersion = false;  // a version resource is there, readable or not
    std::optional<VersionSummary> version;
    bool hasSettings = false;  // a settings resource is there, readable or not
    std::optional<OwnedStubSettings> settings;
    std::vector<std::string> faults;  // resources that are there but cannot be read
};

// What a program image shows of itself; nothing when it is no PE image or its resource tree is
// malformed (`fault` says which). A malformed icon group, dialog, version or settings resource is
// named in the summary's faults.
std::optional<BrandingSummary> ReadBranding(std::span<const uint8_t> image, std::string& fault);

}  // namespace vexa::pe
