#include "own_settings.h"

#include <windows.h>

#include "default_destination.h"

namespace sfx {

OwnSettings ReadOwnSettings(vexa::pe::StubSettings& settings) {
    const HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(vexa::pe::kStubSettingsResource),
                                        MAKEINTRESOURCEA(vexa::pe::kRcDataType));
    if (!found) return OwnSettings::Absent;
    const DWORD size = ::SizeofResource(nullptr, found);
    const HGLOBAL loaded = ::LoadResource(nullptr, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return OwnSettings::Damaged;
    const std::span<const uint8_t> data(static_cast<const uint8_t*>(bytes), size);
    return vexa::pe::ParseStubSettings(data, settings) == vexa::pe::StubSettingsFault::None
               ? OwnSettings::Read
               : OwnSettings::Damaged;
}

bool DefaultDestinationIsClean() {
    for (size_t i = 0; i < sizeof DefaultDestination; ++i) {
        const unsigned char c = static_cast<unsigned char>(DefaultDestination[i]);
        if (c == 0) return true;
        if (c < 0x20 || c == 0x7F) return false;
    }
    return false;  // no terminating NUL in the field
}

}  // namespace sfx
