#include "settings/ProgramSettings.h"

#include <array>
#include <functional>

namespace hl {

const Setting Setting::SpeedSlider{"SpeedSlider", 10, &ProgramSettings::m_nSpeedSlider};
const Setting Setting::AutoRefresh{"AutoRefresh", 0, &ProgramSettings::m_nAutoRefresh};
const Setting Setting::ShowTCP{"ShowTCP", 1, &ProgramSettings::m_nShowTCP};
const Setting Setting::ShowUDP{"ShowUDP", 1, &ProgramSettings::m_nShowUDP};

namespace {

using SettingList = std::array<std::reference_wrapper<const Setting>, 4>;

// The order the values are read in.
const SettingList kReadOrder = {Setting::SpeedSlider, Setting::AutoRefresh, Setting::ShowTCP,
                                Setting::ShowUDP};
// The order the Settings dialog's OK writes them in; a key that has none of them yet gets
// them in this order.
const SettingList kWriteOrder = {Setting::SpeedSlider, Setting::ShowTCP, Setting::ShowUDP,
                                 Setting::AutoRefresh};

} // namespace

bool OpenSettingsKey(CRegistryKey& key) {
    return key.SetRootKey(kHkeyCurrentUser) && key.Open(kSettingsKeyPath, true);
}

ProgramSettings ReadSettings(const CRegistryKey& key) {
    std::array<NamedDword, kReadOrder.size()> values{};
    for (size_t i = 0; i < kReadOrder.size(); ++i) {
        values[i] = {kReadOrder[i].get().name, kReadOrder[i].get().defaultValue};
    }
    key.ReadDwords(values);
    ProgramSettings settings;
    for (size_t i = 0; i < kReadOrder.size(); ++i) {
        settings.*kReadOrder[i].get().member = values[i].value;
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

bool StoreSetting(CRegistryKey& key, const Setting& setting, uint32_t value) {
    return OpenSettingsKey(key) && key.WriteDword(setting.name, value);
}

bool WriteSettings(const CRegistryKey& key, const ProgramSettings& settings) {
    bool allWritten = true;
    for (const Setting& setting : kWriteOrder) {
        allWritten = key.WriteDword(setting.name, settings.*setting.member) && allWritten;
    }
    return allWritten;
}

} // namespace hl
