#include "settings/RegistryKey.h"

#include "TempFolder.h"
#include "settings/store/RegFileStore.h"
#include "settings/store/fake/FakeRegistry.h"

#include <array>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace hl {
namespace {

using test::ReadText;
using test::TempFolder;
using test::WriteText;

class RegistryKeyTest : public testing::Test {
protected:
    std::string Folder() const { return m_temp / "harborlight"; }
    std::string File() const { return Folder() + "/settings.reg"; }

    // The registry file with `lines` as the content of [HKEY_CURRENT_USER\App\Settings].
    void WriteSettingsSection(const std::string& lines) {
        ::mkdir(Folder().c_str(), 0700);
        WriteText(File(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\App\\Settings]\n" + lines + "\n");
    }

    TempFolder m_temp;
    std::shared_ptr<RegFileStore> m_registry = std::make_shared<RegFileStore>(Folder());
    CRegistryKey m_key{m_registry};
};

TEST_F(RegistryKeyTest, OpenWithEmptyPathTouchesNothingAndAddressesTheRoot) {
    auto fake = std::make_shared<FakeRegistry>();
    CRegistryKey key(fake);
    ASSERT_TRUE(key.Open("App", true));
    fake->calls.clear();
    EXPECT_TRUE(key.Open("", false));
    EXPECT_TRUE(fake->calls.empty());
    EXPECT_EQ(key.SubKey(), "");

    ASSERT_TRUE(key.WriteDword("AtRoot", 7));
    EXPECT_EQ(key.ReadDword("AtRoot", 0), 7u);
    const RegKeyNode* root = fake->document.FindKey(kHkeyCurrentUser, {});
    ASSERT_NE(root, nullptr);
    EXPECT_NE(root->FindValue("AtRoot"), nullptr);
}

TEST_F(RegistryKeyTest, OpenCreatesTheWholeChainOnlyWhenAsked) {
    EXPECT_FALSE(m_key.Open("A\\B\\C", false));
    EXPECT_EQ(m_key.SubKey(), "");
    ASSERT_TRUE(m_key.Open("A\\B\\C", true));
    EXPECT_EQ(m_key.SubKey(), "A\\B\\C");
    EXPECT_EQ(ReadText(File()), "REGEDIT4\n\n"
                                "[HKEY_CURRENT_USER\\A]\n\n"
                                "[HKEY_CURRENT_USER\\A\\B]\n\n"
                                "[HKEY_CURRENT_USER\\A\\B\\C]\n\n");
    EXPECT_TRUE(m_key.Open("a\\b", false));
    EXPECT_FALSE(m_key.Open("Missing", false));
    EXPECT_EQ(m_key.SubKey(), "a\\b") << "a failed Open keeps the path";
}

struct StoredCase {
    const char* name;
    std::string line; // "" for no value at all
    uint32_t expected;
};

class RegistryKeyRead : public RegistryKeyTest, public testing::WithParamInterface<StoredCase> {};

TEST_P(RegistryKeyRead, ReadsStoredBytesOrTheDefault) {
    WriteSettingsSection(GetParam().line + "\n\"Other\"=hex:09,00,00,00");
    ASSERT_TRUE(m_key.Open("App\\Settings", false));
    EXPECT_EQ(m_key.ReadDword("Value", 0xDEFA), GetParam().expected);
    // Several values at once decode each one the same way.
    std::array<NamedDword, 3> values = {{{"Other", 1}, {"Value", 0xDEFA}, {"Absent", 2}}};
    m_key.ReadDwords(values);
    EXPECT_EQ(values[0].value, 9u);
    EXPECT_EQ(values[1].value, GetParam().expected);
    EXPECT_EQ(values[2].value, 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RegistryKeyRead,
    testing::Values(StoredCase{"Missing", "", 0xDEFA},
                    StoredCase{"Binary", "\"Value\"=hex:78,56,34,12", 0x12345678},
                    StoredCase{"DwordReadsTheSame", "\"Value\"=dword:12345678", 0x12345678},
                    StoredCase{"NameIgnoresCase", "\"VALUE\"=hex:05,00,00,00", 5},
                    StoredCase{"EightBytes", "\"Value\"=hex:01,00,00,00,00,00,00,00", 0xDEFA},
                    StoredCase{"LongText", "\"Value\"=\"sixteen\"", 0xDEFA},
                    StoredCase{"ShortTextZeroFilled", "\"Value\"=\"ab\"", 0x00006261},
                    StoredCase{"TwoBytesZeroFilled", "\"Value\"=hex:34,12", 0x1234},
                    StoredCase{"NoBytes", "\"Value\"=hex:", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryKeyTest, ReadAfterTheKeyWasDeletedGivesTheDefault) {
    ASSERT_TRUE(m_key.Open("App\\Settings", true));
    ASSERT_TRUE(m_key.WriteDword("Value", 3));
    ASSERT_EQ(m_registry->DeleteKeyTree(kHkeyCurrentUser, "App"), kErrorSuccess);
    EXPECT_EQ(m_key.ReadDword("Value", 42), 42u);
    std::array<NamedDword, 1> values = {{{"Value", 43}}};
    m_key.ReadDwords(values);
    EXPECT_EQ(values[0].value, 43u);
}

TEST_F(RegistryKeyTest, WriteStoresFourBytesLittleEndianAsBinary) {
    ASSERT_TRUE(m_key.Open("App\\Settings", true));
    ASSERT_TRUE(m_key.WriteDword("One", 1));
    ASSERT_TRUE(m_key.WriteDword("Big", 0xA1B2C3D4));
    EXPECT_EQ(ReadText(File()), "REGEDIT4\n\n"
                                "[HKEY_CURRENT_USER\\App]\n\n"
                                "[HKEY_CURRENT_USER\\App\\Settings]\n"
                                "\"One\"=hex:01,00,00,00\n"
                                "\"Big\"=hex:d4,c3,b2,a1\n\n");
    EXPECT_EQ(m_key.ReadDword("Big", 0), 0xA1B2C3D4u);
}

TEST_F(RegistryKeyTest, WriteAfterTheKeyWasDeletedFailsAndDoesNotRecreateIt) {
    ASSERT_TRUE(m_key.Open("App\\Settings", true));
    ASSERT_EQ(m_registry->DeleteKeyTree(kHkeyCurrentUser, "App\\Settings"), kErrorSuccess);
    EXPECT_FALSE(m_key.WriteDword("Value", 1));
    EXPECT_EQ(ReadText(File()), "REGEDIT4\n\n[HKEY_CURRENT_USER\\App]\n\n");
}

TEST_F(RegistryKeyTest, SetRootKeyAcceptsOnlyTheFourRoots) {
    for (RegRoot root : {kHkeyClassesRoot, kHkeyLocalMachine, kHkeyUsers, kHkeyCurrentUser}) {
        EXPECT_TRUE(m_key.SetRootKey(root));
        EXPECT_EQ(m_key.RootKey(), root);
    }
    for (RegRoot root : {0x80000004u, 0x80000005u, 0x7FFFFFFFu, 0u}) {
        EXPECT_FALSE(m_key.SetRootKey(root));
        EXPECT_EQ(m_key.RootKey(), kHkeyCurrentUser);
    }
}

TEST_F(RegistryKeyTest, RootsHoldSeparateKeys) {
    ASSERT_TRUE(m_key.SetRootKey(kHkeyLocalMachine));
    ASSERT_TRUE(m_key.Open("App", true));
    ASSERT_TRUE(m_key.WriteDword("Value", 9));
    CRegistryKey user(m_registry);
    EXPECT_FALSE(user.Open("App", false));
    EXPECT_EQ(user.ReadDword("Value", 1), 1u);
    EXPECT_EQ(m_key.ReadDword("Value", 1), 9u);
}

TEST_F(RegistryKeyTest, UnusableRegistryGivesDefaultsAndFailures) {
    auto fake = std::make_shared<FakeRegistry>();
    fake->failWith = kErrorAccessDenied;
    for (CRegistryKey key : {CRegistryKey(fake), CRegistryKey(nullptr)}) {
        EXPECT_FALSE(key.Open("App", true));
        EXPECT_FALSE(key.Open("App", false));
        EXPECT_EQ(key.ReadDword("Value", 17), 17u);
        EXPECT_FALSE(key.WriteDword("Value", 1));
    }
}

} // namespace
} // namespace hl
