#include "settings/ProgramSettings.h"

#include "TempFolder.h"
#include "settings/store/RegFileFormat.h"
#include "settings/store/RegFileStore.h"
#include "settings/store/fake/FakeRegistry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace hl {
namespace {

using test::Exists;
using test::ReadText;
using test::TempFolder;
using test::WriteText;

constexpr const char* kSection = "[HKEY_CURRENT_USER\\Software\\Quillfen\\Harborlight\\Settings]";

std::vector<std::string> QueriesAndSets(const FakeRegistry& fake) {
    std::vector<std::string> calls;
    for (const auto& call : fake.calls) {
        if (call.rfind("QueryValue", 0) == 0 || call.rfind("SetValue", 0) == 0) {
            calls.push_back(call);
        }
    }
    return calls;
}

TEST(ProgramSettings, FirstUseCreatesTheKeyAndReadsTheDefaults) {
    TempFolder temp;
    // The default registry follows XDG_CONFIG_HOME; this test points it at its own folder.
    test::ScopedEnv config("XDG_CONFIG_HOME", temp.Path().c_str());
    CRegistryKey key(std::make_shared<RegFileStore>());
    ProgramSettings settings;
    settings.m_nShowTCP = 0;
    ASSERT_TRUE(LoadSettings(key, settings));
    EXPECT_EQ(settings, ProgramSettings());
    EXPECT_EQ(settings.m_nSpeedSlider, 10u);
    EXPECT_EQ(settings.m_nAutoRefresh, 0u);
    EXPECT_EQ(settings.m_nShowTCP, 1u);
    EXPECT_EQ(settings.m_nShowUDP, 1u);
    EXPECT_NE(ReadText(temp / "harborlight/settings.reg").find(kSection), std::string::npos);
}

TEST(ProgramSettings, ReadsTheFourValuesInOrderAndWritesThemInDialogOrder) {
    auto fake = std::make_shared<FakeRegistry>();
    CRegistryKey key(fake);
    ProgramSettings settings;
    ASSERT_TRUE(LoadSettings(key, settings));
    EXPECT_EQ(QueriesAndSets(*fake),
              (std::vector<std::string>{"QueryValue SpeedSlider", "QueryValue AutoRefresh",
                                        "QueryValue ShowTCP", "QueryValue ShowUDP"}));

    fake->calls.clear();
    ProgramSettings changed{55, 1, 0, 5};
    ASSERT_TRUE(WriteSettings(key, changed));
    EXPECT_EQ(QueriesAndSets(*fake),
              (std::vector<std::string>{"SetValue SpeedSlider", "SetValue ShowTCP",
                                        "SetValue ShowUDP", "SetValue AutoRefresh"}));
    ProgramSettings reread;
    ASSERT_TRUE(LoadSettings(key, reread));
    EXPECT_EQ(reread, changed);
}

// A large settings file is read once for the four values, not once per value.
TEST(ProgramSettings, TheFourValuesComeFromOneReadOfTheStore) {
    auto fake = std::make_shared<FakeRegistry>();
    CRegistryKey key(fake);
    ASSERT_TRUE(OpenSettingsKey(key));
    ASSERT_TRUE(WriteSettings(key, ProgramSettings{100, 1, 0, 1}));

    fake->reads = 0;
    EXPECT_EQ(ReadSettings(key), (ProgramSettings{100, 1, 0, 1}));
    EXPECT_EQ(fake->reads, 1u);

    fake->reads = 0;
    ProgramSettings settings;
    ASSERT_TRUE(LoadSettings(key, settings));
    EXPECT_EQ(settings, (ProgramSettings{100, 1, 0, 1}));
    EXPECT_EQ(fake->reads, 2u) << "the key's check and the four values";
}

TEST(ProgramSettings, StoreSettingWritesOneBinaryValueUnderTheSettingsKey) {
    TempFolder temp;
    CRegistryKey key(std::make_shared<RegFileStore>(temp.Path()));
    ASSERT_TRUE(StoreSetting(key, Setting::AutoRefresh, 1));
    EXPECT_EQ(ReadText(temp / "settings.reg"),
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quillfen]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quillfen\\Harborlight]\n\n" +
                  std::string(kSection) + "\n\"AutoRefresh\"=hex:01,00,00,00\n\n");
    ProgramSettings settings;
    ASSERT_TRUE(LoadSettings(key, settings));
    EXPECT_EQ(settings.m_nAutoRefresh, 1u);
}

TEST(ProgramSettings, KeyThatCannotBeOpenedLeavesTheCopyAsItWas) {
    auto fake = std::make_shared<FakeRegistry>();
    fake->failWith = kErrorAccessDenied;
    CRegistryKey key(fake);
    ProgramSettings settings{70, 1, 0, 0};
    EXPECT_FALSE(LoadSettings(key, settings));
    EXPECT_EQ(settings, (ProgramSettings{70, 1, 0, 0}));
    EXPECT_FALSE(StoreSetting(key, Setting::SpeedSlider, 3));
}

TEST(ProgramSettings, DamagedFileGivesDefaultsKeepsItsBytesAndIsReplacedByACleanOne) {
    TempFolder temp;
    const std::string damaged = "REGEDIT4 is not the first line\n\"SpeedSlider\"=hex:64,00,00,00\n";
    WriteText(temp / "settings.reg", damaged);
    CRegistryKey key(std::make_shared<RegFileStore>(temp.Path()));

    ProgramSettings settings{1, 1, 0, 0};
    ASSERT_TRUE(LoadSettings(key, settings));
    EXPECT_EQ(settings, ProgramSettings());
    EXPECT_EQ(ReadText(temp / "settings.reg.damaged"), damaged);

    ASSERT_TRUE(StoreSetting(key, Setting::SpeedSlider, 80));
    RegDocument document;
    ASSERT_TRUE(ParseRegFile(ReadText(temp / "settings.reg"), document));
    EXPECT_EQ(document.Preamble(), std::vector<std::string>());
    EXPECT_TRUE(document.KeptSections().empty());
    ProgramSettings reread;
    ASSERT_TRUE(LoadSettings(key, reread));
    EXPECT_EQ(reread.m_nSpeedSlider, 80u);
    EXPECT_EQ(ReadText(temp / "settings.reg.damaged"), damaged);
    EXPECT_FALSE(Exists(temp / "settings.reg.2.damaged"));
}

} // namespace
} // namespace hl
