#include "pe/stub_settings_encoding.h"

#include <algorithm>

#include "pe/byte_fields.h"

namespace vexa::pe {

std::vector<uint8_t> EncodeStubSettings(const StubSettings& settings) {
    std::vector<uint8_t> bytes(kStubSettingsHeaderSize);
    std::copy(std::begin(kStubSettingsMagic), std::end(kStubSettingsMagic), bytes.begin());
    StoreLe(bytes, 4, 4, settings.flags);
    StoreLe(bytes, 8, 4, uint32_t(settings.runCommand.size()));
    bytes.insert(bytes.end(), settings.runCommand.begin(), settings.runCommand.end());
    bytes.push_back(0);
    return bytes;
}

}  // namespace vexa::pe
