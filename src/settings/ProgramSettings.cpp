#include "settings/ProgramSettings.h"

#include <array>

namespace hl {

namespace {

struct SettingInfo {
    Setting setting;
    const char* name;
    uint32_t defaultValue;
};

// In reading order.
constexpr std::array<SettingInfo, 4> kSettings = {{
    {Setting::SpeedSlider, "SpeedSlider", 10},
    {Setting::AutoRefresh, "AutoRefresh", 0},
    {Setting::ShowTCP, "ShowTCP", 1},
    {Setting::ShowUDP, "ShowUDP", 1},
}};

const SettingInfo& Info(Setting setting) {
    for (const auto& info : kSettings) {
        if (info.setting == setting) {
            return info;
        }
    }
    return kSettings[0];
}

} // namespace

const char* SettingName(Setting setting) {
    return Info(setting).name;
}

uint32_t SettingDefault(Setting setting) {
    return Info(setting).defaultValue;
}

uint32_t& SettingField(ProgramSettings& settings, Setting setting) {
    switch (setting) {
    case Setting::AutoRefresh:
        return settings.m_nAutoRefresh;
    case Setting::ShowTCP:
        return settings.m_nShowTCP;
    case Setting::ShowUDP:
        return settings.m_nShowUDP;
    case Setting::SpeedSlider:
        break;
    }
    return settings.m_nSpeedSlider;
}

bool OpenSettingsKey(CRegistryKey& key) {
    return key.SetRootKey(kHkeyCurrentUser) && key.Open(kSettingsKeyPath, true);
}

ProgramSettings ReadSettings(const CRegistryKey& key) {
    ProgramSettings settings;
    for (const auto& info : kSettings) {
        SettingField(settings, info.setting) = key.ReadDword(info.name, info.defaultValue);
    }
    return settings;
}

bool LoadSettings(CRegistryKey& key, ProgramSettings& settings) {
    if (!OpenSettingsKey(key)) {
        return false;
    }
    settings = ReadSettings(key);
    return true;
}

bool StoreSetting(CRegistryKey& key, Setting setting, uint32_t value) {
    return OpenSettingsKey(key) && key.WriteDword(SettingName(setting), value);
}

bool WriteSettings(const CRegistryKey& key, const ProgramSettings& settings) {
    ProgramSettings copy = settings;
    bool allWritten = true;
    for (Setting setting :
         {Setting::SpeedSlider, Setting::ShowTCP, Setting::ShowUDP, Setting::AutoRefresh}) {
        allWritten =
            key.WriteDword(SettingName(setting), SettingField(copy, setting)) && allWritten;
    }
    return allWritten;
}

} // namespace hl
