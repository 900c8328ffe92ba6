// The stub's settings as their maker holds them, and their resource bytes: the exact inverse of
// ParseStubSettings, kept apart from it because the stub only ever reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pe/stub_settings.h"

namespace vexa::pe {

// StubSettings points into a resource's bytes; this holds its own command.
struct OwnedStubSettings {
    uint32_t flags = 0;
    std::string runCommand;  // bytes in the archive's code page; empty: nothing runs

    bool Has(StubFlag flag) const { return (flags & flag) != 0; }
    StubSettings View() const { return {flags, runCommand}; }
    bool operator==(const OwnedStubSettings&) const = default;
};

// The resource bytes of `settings`, as laid out in stub_settings.h. Whether the stub will accept
// them is ParseStubSettings' call: ApplyBranding asks it before writing anything.
std::vector<uint8_t> EncodeStubSettings(const StubSettings& settings);

}  // namespace vexa::pe
