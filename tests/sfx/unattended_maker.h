// Forms self-extractors for the unattended tests: the stub given its settings resource, as
// vexa sfx --switches, --silent, --run and --temp write it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pe/stub_settings.h"
#include "sfx_maker.h"

namespace sfxtest {

struct StubSettingsSpec {
    uint32_t flags = 0;      // vexa::pe::StubFlag bits
    std::string runCommand;  // program inside the archive and its fixed arguments
};

// The settings resource's bytes, laid out as the stub reads them.
std::vector<uint8_t> StubSettingsBytes(const StubSettingsSpec& settings);

// Adds (or replaces) the settings resource of a stub image. Returns an error text, empty on
// success.
std::string WithStubSettings(std::vector<uint8_t>& stub, const StubSettingsSpec& settings);

// Writes stub (with `settings` when given) + archive to `output`; `initialDestination` as
// FormSelfExtractor takes it. Returns an error text, empty on success.
std::string FormUnattendedSfx(const std::string& stubPath,
                              const std::optional<StubSettingsSpec>& settings,
                              const std::vector<uint8_t>& archive, const std::string& output,
                              const std::string& initialDestination = "");

}  // namespace sfxtest
