#pragma once

#include "settings/RegistryKey.h"

#include <cstdint>

namespace hl {

// The four stored program settings, each a 32-bit value under the settings key of the current
// user, with the values a missing one reads as.
struct ProgramSettings {
    uint32_t m_nSpeedSlider = 10; // 0 (slower) .. 100 (faster)
    uint32_t m_nAutoRefresh = 0;  // 1: monitoring on
    uint32_t m_nShowTCP = 1;      // 1: TCP rows listed
    uint32_t m_nShowUDP = 1;      // 1: UDP rows listed
    bool operator==(const ProgramSettings&) const = default;
};

enum class Setting { SpeedSlider, AutoRefresh, ShowTCP, ShowUDP };

inline constexpr const char* kSettingsKeyPath = "Software\\Quillfen\\Harborlight\\Settings";

// "SpeedSlider", "AutoRefresh", "ShowTCP", "ShowUDP".
const char* SettingName(Setting setting);
// 10, 0, 1, 1.
uint32_t SettingDefault(Setting setting);
uint32_t& SettingField(ProgramSettings& settings, Setting setting);

// Sets the root to HKEY_CURRENT_USER and opens the settings key, creating it when missing.
bool OpenSettingsKey(CRegistryKey& key);
// Reads SpeedSlider, AutoRefresh, ShowTCP and ShowUDP, in this order, each with its default,
// from the path `key` has opened.
ProgramSettings ReadSettings(const CRegistryKey& key);
// OpenSettingsKey, then ReadSettings into `settings`. When the key cannot be opened nothing
// is read, `settings` keeps what it held and false is returned.
bool LoadSettings(CRegistryKey& key, ProgramSettings& settings);
// OpenSettingsKey, then writes the one value. False when either step fails.
bool StoreSetting(CRegistryKey& key, Setting setting, uint32_t value);
// Writes SpeedSlider, ShowTCP, ShowUDP and AutoRefresh, in this order, through the path `key`
// has opened (as the Settings dialog's OK does). True when every write succeeded.
bool WriteSettings(const CRegistryKey& key, const ProgramSettings& settings);

} // namespace hl
