#include "unattended_maker.h"

#include <algorithm>

#include "pe/pe_image.h"
#include "resource_section.h"
#include "resource_tree.h"

namespace sfxtest {

namespace {

void AppendLe32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(value >> shift));
}

bool IsSettings(const vexa::pe::Resource& resource) {
    using vexa::pe::ResourceId;
    return resource.type == ResourceId::Number(vexa::pe::kRcDataType) &&
           resource.name == ResourceId::Number(vexa::pe::kStubSettingsResource);
}

}  // namespace

std::vector<uint8_t> StubSettingsBytes(const StubSettingsSpec& settings) {
    std::vector<uint8_t> bytes(std::begin(vexa::pe::kStubSettingsMagic),
                               std::end(vexa::pe::kStubSettingsMagic));
    AppendLe32(bytes, settings.flags);
    AppendLe32(bytes, uint32_t(settings.runCommand.size()));
    bytes.insert(bytes.end(), settings.runCommand.begin(), settings.runCommand.end());
    bytes.push_back(0);
    return bytes;
}

std::string WithStubSettings(std::vector<uint8_t>& stub, const StubSettingsSpec& settings) {
    std::string fault;
    const auto layout = vexa::pe::ReadPeLayout(stub, fault);
    if (!layout) return "the stub: " + fault;
    auto resources = vexa::pe::ReadResources(stub, *layout, fault);
    if (!resources) return "the stub's resources: " + fault;
    // Beside the stub's other resources, in their language.
    const vexa::pe::ResourceId language =
        resources->empty() ? vexa::pe::ResourceId::Number(0x409) : resources->front().language;
    std::erase_if(*resources, IsSettings);
    resources->push_back({vexa::pe::ResourceId::Number(vexa::pe::kRcDataType),
                          vexa::pe::ResourceId::Number(vexa::pe::kStubSettingsResource), language,
                          0, StubSettingsBytes(settings)});
    return vexa::pe::ReplaceResources(stub, *resources);
}

std::string FormUnattendedSfx(const std::string& stubPath,
                              const std::optional<StubSettingsSpec>& settings,
                              const std::vector<uint8_t>& archive, const std::string& output,
                              const std::string& initialDestination) {
    if (!settings) return FormSelfExtractor(stubPath, archive, output, initialDestination);
    std::vector<uint8_t> stub = ReadFileBytes(stubPath);
    if (stub.empty()) return "cannot read the stub " + stubPath;
    if (std::string error = WithStubSettings(stub, *settings); !error.empty()) return error;
    const std::string branded = output + ".stub";
    if (!WriteFileBytes(branded, stub)) return "cannot write " + branded;
    return FormSelfExtractor(branded, archive, output, initialDestination);
}

}  // namespace sfxtest
