#include "pe/branding.h"

#include <algorithm>
#include <set>

#include "dialog_template.h"
#include "resource_section.h"
#include "resource_tree.h"

namespace vexa::pe {

namespace {

constexpr uint16_t kUsEnglish = 0x409;
constexpr uint16_t kVersionName = 1;

bool Is(const Resource& resource, uint16_t type, std::optional<uint16_t> name = std::nullopt) {
    return resource.type == ResourceId::Number(type) &&
           (!name || resource.name == ResourceId::Number(*name));
}

// New resources get the language of the stub's dialog, so that they sit beside the others.
ResourceId StubLanguage(const std::vector<Resource>& resources) {
    for (const Resource& resource : resources)
        if (Is(resource, kDialogType, kStubDialog)) return resource.language;
    return resources.empty() ? ResourceId::Number(kUsEnglish) : resources.front().language;
}

void ReplaceIcons(std::vector<Resource>& resources, const std::vector<IconImage>& icons,
                  const ResourceId& language) {
    // The images of the old group go with it; those of other groups stay.
    std::set<uint16_t> oldImages;
    for (const Resource& resource : resources)
        if (Is(resource, kIconGroupType, kStubIconGroup))
            if (const auto entries = ParseIconGroup(resource.data))
                for (const IconGroupEntry& entry : *entries) oldImages.insert(entry.id);
    std::erase_if(resources, [&](const Resource& r) {
        return Is(r, kIconGroupType, kStubIconGroup) ||
               (Is(r, kIconType) && !r.name.named && oldImages.count(r.name.number));
    });
    std::set<uint16_t> taken;
    for (const Resource& resource : resources)
        if (Is(resource, kIconType) && !resource.name.named) taken.insert(resource.name.number);
    std::vector<uint16_t> ids;
    for (uint16_t id = 1; ids.size() < icons.size(); ++id)
        if (!taken.count(id)) ids.push_back(id);
    for (size_t i = 0; i < icons.size(); ++i)
        resources.push_back({ResourceId::Number(kIconType), ResourceId::Number(ids[i]), language, 0,
                             icons[i].data});
    resources.push_back({ResourceId::Number(kIconGroupType), ResourceId::Number(kStubIconGroup),
                         language, 0, BuildIconGroup(icons, ids)});
}

std::string ReplaceTitle(std::vector<Resource>& resources, const std::u16string& title) {
    const auto dialog = std::find_if(resources.begin(), resources.end(), [](const Resource& r) {
        return Is(r, kDialogType, kStubDialog);
    });
    if (dialog == resources.end())
        return "the stub has no dialog " + std::to_string(kStubDialog) + " to give the title";
    auto replaced = WithDialogCaption(dialog->data, title);
    if (!replaced) return "the stub's dialog " + std::to_string(kStubDialog) + " is malformed";
    dialog->data = std::move(*replaced);
    return {};
}

std::string ReplaceVersion(std::vector<Resource>& resources,
                           const std::vector<VersionField>& fields, const ResourceId& language) {
    const auto version = std::find_if(resources.begin(), resources.end(),
                                      [](const Resource& r) { return Is(r, kVersionType); });
    std::vector<uint8_t> data;
    const std::span<const uint8_t> existing =
        version == resources.end() ? std::span<const uint8_t>() : version->data;
    if (std::string error = ApplyVersionFields(existing, fields, data); !error.empty())
        return "the stub's version information: " + error;
    if (version != resources.end())
        version->data = std::move(data);
    else
        resources.push_back({ResourceId::Number(kVersionType), ResourceId::Number(kVersionName),
                             language, 0, std::move(data)});
    return {};
}

// The settings are checked with the stub's own reader, so that nothing it would refuse is
// written; one resource 130 replaces whatever the stub had under that name.
std::string ReplaceSettings(std::vector<Resource>& resources, const OwnedStubSettings& settings,
                            const ResourceId& language) {
    std::vector<uint8_t> data = EncodeStubSettings(settings.View());
    StubSettings check;
    if (const StubSettingsFault fault = ParseStubSettings(data, check);
        fault != StubSettingsFault::None)
        return std::string("the self-extractor's settings cannot be used: ") +
               StubSettingsFaultText(fault);
    std::erase_if(resources,
                  [](const Resource& r) { return Is(r, kRcDataType, kStubSettingsResource); });
    resources.push_back({ResourceId::Number(kRcDataType), ResourceId::Number(kStubSettingsResource),
                         language, 0, std::move(data)});
    return {};
}

std::optional<OwnedStubSettings> ReadSettings(const Resource& resource, std::string& fault) {
    StubSettings settings;
    if (const StubSettingsFault error = ParseStubSettings(resource.data, settings);
        error != StubSettingsFault::None) {
        fault = "the self-extractor's settings (resource " + std::to_string(kStubSettingsResource) +
                ") are malformed: " + StubSettingsFaultText(error);
        return std::nullopt;
    }
    return OwnedStubSettings{settings.flags, std::string(settings.runCommand)};
}

}  // namespace

std::string ApplyBranding(std::vector<uint8_t>& image, const Branding& branding) {
    if (branding.Empty()) return {};
    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    if (!layout) return fault;
    auto resources = ReadResources(image, *layout, fault);
    if (!resources) return fault;
    const ResourceId language = StubLanguage(*resources);
    if (branding.icons) ReplaceIcons(*resources, *branding.icons, language);
    if (branding.title)
        if (std::string error = ReplaceTitle(*resources, *branding.title); !error.empty())
            return error;
    if (!branding.versionFields.empty())
        if (std::string error = ReplaceVersion(*resources, branding.versionFields, language);
            !error.empty())
            return error;
    if (branding.settings)
        if (std::string error = ReplaceSettings(*resources, *branding.settings, language);
            !error.empty())
            return error;
    return ReplaceResources(image, *resources);
}

std::optional<BrandingSummary> ReadBranding(std::span<const uint8_t> image, std::string& fault) {
    const auto layout = ReadPeLayout(image, fault);
    if (!layout) return std::nullopt;
    const auto resources = ReadResources(image, *layout, fault);
    if (!resources) return std::nullopt;
    BrandingSummary summary;
    summary.machine = layout->machine;
    // Explorer shows the first icon group; the stub's is its only one.
    const Resource* group = nullptr;
    for (const Resource& resource : *resources)
        if (Is(resource, kIconGroupType) && !group) group = &resource;
    if (group) {
        if (auto entries = ParseIconGroup(group->data))
            summary.icons = std::move(*entries);
        else
            summary.faults.push_back("the icon group is malformed");
    }
    const auto dialog = std::find_if(resources->begin(), resources->end(), [](const Resource& r) {
        return Is(r, kDialogType, kStubDialog);
    });
    if (dialog != resources->end()) {
        summary.title = DialogCaption(dialog->data);
        if (!summary.title)
            summary.faults.push_back("dialog " + std::to_string(kStubDialog) + " is malformed");
    }
    const auto version = std::find_if(resources->begin(), resources->end(),
                                      [](const Resource& r) { return Is(r, kVersionType); });
    if (version != resources->end()) {
        summary.hasVersion = true;
        summary.version = ReadVersionInfo(version->data);
        if (!summary.version) summary.faults.push_back("the version information is malformed");
    }
    // The stub finds its settings by type and name, in whichever language comes first.
    const auto settings = std::find_if(resources->begin(), resources->end(), [](const Resource& r) {
        return Is(r, kRcDataType, kStubSettingsResource);
    });
    if (settings != resources->end()) {
        summary.hasSettings = true;
        std::string settingsFault;
        summary.settings = ReadSettings(*settings, settingsFault);
        if (!summary.settings) summary.faults.push_back(settingsFault);
    }
    return summary;
}

}  // namespace vexa::pe
