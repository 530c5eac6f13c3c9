#pragma once

#include "settings/RegistryKey.h"

#include <cstdint>

namespace hl {

struct ProgramSettings;

// One of the four stored program settings: the name of its 32-bit value under the settings
// key of the current user, the value a missing one reads as, and the member of
// ProgramSettings that holds it.
struct Setting {
    const char* name;
    uint32_t defaultValue;
    uint32_t ProgramSettings::*member;

    static const Setting SpeedSlider; // 0 (slower) .. 100 (faster)
    static const Setting AutoRefresh; // 1: monitoring on
    static const Setting ShowTCP;     // 1: TCP rows listed
    static const Setting ShowUDP;     // 1: UDP rows listed
};

// The four values, each starting at its default.
struct ProgramSettings {
    uint32_t m_nSpeedSlider = Setting::SpeedSlider.defaultValue;
    uint32_t m_nAutoRefresh = Setting::AutoRefresh.defaultValue;
    uint32_t m_nShowTCP = Setting::ShowTCP.defaultValue;
    uint32_t m_nShowUDP = Setting::ShowUDP.defaultValue;
    bool operator==(const ProgramSettings&) const = default;
};

inline constexpr const char* kSettingsKeyPath = "Software\\Quillfen\\Harborlight\\Settings";

// Sets the root to HKEY_CURRENT_USER and opens the settings key, creating it when missing.
bool OpenSettingsKey(CRegistryKey& key);
// Reads SpeedSlider, AutoRefresh, ShowTCP and ShowUDP, each with its default, from the path
// `key` has opened, all four from one read of the store.
ProgramSettings ReadSettings(const CRegistryKey& key);
// OpenSettingsKey, then ReadSettings into `settings`. When the key cannot be opened nothing
// is read, `settings` keeps what it held and false is returned.
bool LoadSettings(CRegistryKey& key, ProgramSettings& settings);
// OpenSettingsKey, then writes the one value. False when either step fails.
bool StoreSetting(CRegistryKey& key, const Setting& setting, uint32_t value);
// Writes SpeedSlider, ShowTCP, ShowUDP and AutoRefresh, in this order, through the path `key`
// has opened (as the Settings dialog's OK does). True when every write succeeded.
bool WriteSettings(const CRegistryKey& key, const ProgramSettings& settings);

} // namespace hl
