#include "settings/store/RegFileStore.h"

#include "TempFolder.h"
#include "settings/store/RegFileFormat.h"

#include <array>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

namespace hl {
namespace {

using test::Exists;
using test::ReadText;
using test::ScopedEnv;
using test::TempFolder;
using test::WriteText;

const std::array<uint8_t, 4> kOne = {1, 0, 0, 0};
const std::array<uint8_t, 4> kTwo = {2, 0, 0, 0};

class RegFileStoreTest : public testing::Test {
protected:
    std::string Folder() const { return m_temp / "harborlight"; }
    std::string File() const { return m_registry.FilePath(); }

    RegKeyHandle Create(const std::string& path) {
        RegKeyHandle key;
        EXPECT_EQ(m_registry.CreateKey(kHkeyCurrentUser, path, kKeyAllAccess, key), kErrorSuccess);
        return key;
    }

    std::optional<std::vector<uint8_t>> Query(RegFileStore& registry, const std::string& path,
                                              const std::string& name) {
        RegKeyHandle key;
        if (registry.OpenKey(kHkeyCurrentUser, path, kKeyRead, key) != kErrorSuccess) {
            return std::nullopt;
        }
        std::array<uint8_t, 64> buffer{};
        uint32_t type = 0;
        uint32_t size = 0;
        if (registry.QueryValue(key, name, type, buffer, size) != kErrorSuccess) {
            return std::nullopt;
        }
        return std::vector<uint8_t>(buffer.begin(), buffer.begin() + size);
    }

    TempFolder m_temp;
    RegFileStore m_registry{Folder()};
};

TEST_F(RegFileStoreTest, CreateKeyCreatesEveryMissingKeyWithItsSection) {
    RegKeyHandle key = Create("Software\\Quillfen\\Harborlight");
    EXPECT_TRUE(key.open);
    EXPECT_EQ(ReadText(File()), "REGEDIT4\n\n"
                                "[HKEY_CURRENT_USER\\Software]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Quillfen]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Quillfen\\Harborlight]\n\n");
    for (const char* path : {"Software", "Software\\Quillfen", "SOFTWARE\\quillfen\\HarborLight"}) {
        RegKeyHandle opened;
        EXPECT_EQ(m_registry.OpenKey(kHkeyCurrentUser, path, kKeyRead, opened), kErrorSuccess)
            << path;
    }
    RegKeyHandle other;
    EXPECT_EQ(m_registry.OpenKey(kHkeyLocalMachine, "Software", kKeyRead, other),
              kErrorFileNotFound);
}

TEST_F(RegFileStoreTest, NamesIgnoreCaseAndKeepTheCaseTheyWereCreatedWith) {
    RegKeyHandle key = Create("Software\\MixedCase");
    ASSERT_EQ(m_registry.SetValue(key, "SpeedSlider", kRegBinary, kOne), kErrorSuccess);
    RegKeyHandle upper = Create("SOFTWARE\\MIXEDCASE");
    ASSERT_EQ(m_registry.SetValue(upper, "SPEEDSLIDER", kRegBinary, kTwo), kErrorSuccess);

    EXPECT_EQ(ReadText(File()), "REGEDIT4\n\n"
                                "[HKEY_CURRENT_USER\\Software]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\MixedCase]\n"
                                "\"SpeedSlider\"=hex:02,00,00,00\n\n");
    EXPECT_EQ(Query(m_registry, "software\\mixedcase", "speedslider"),
              std::vector<uint8_t>(kTwo.begin(), kTwo.end()));
}

TEST_F(RegFileStoreTest, EveryOperationSeesWhatAnotherInstanceWrote) {
    RegFileStore other(Folder());
    RegKeyHandle key = Create("K");
    ASSERT_EQ(other.SetValue(key, "V", kRegBinary, kOne), kErrorSuccess);
    EXPECT_EQ(Query(m_registry, "K", "V"), std::vector<uint8_t>(kOne.begin(), kOne.end()));
    ASSERT_EQ(other.SetValue(key, "V", kRegBinary, kTwo), kErrorSuccess);
    EXPECT_EQ(Query(m_registry, "K", "V"), std::vector<uint8_t>(kTwo.begin(), kTwo.end()));
}

TEST_F(RegFileStoreTest, KeyDeletedAfterOpeningIsNeitherReadNorRecreated) {
    RegKeyHandle key = Create("Parent\\Child");
    ASSERT_EQ(m_registry.SetValue(key, "V", kRegBinary, kOne), kErrorSuccess);
    RegFileStore other(Folder());
    ASSERT_EQ(other.DeleteKeyTree(kHkeyCurrentUser, "Parent"), kErrorSuccess);

    std::array<uint8_t, 4> buffer{};
    uint32_t type = 0;
    uint32_t size = 0;
    EXPECT_EQ(m_registry.QueryValue(key, "V", type, buffer, size), kErrorKeyDeleted);
    EXPECT_EQ(m_registry.SetValue(key, "V", kRegBinary, kTwo), kErrorKeyDeleted);
    EXPECT_EQ(ReadText(File()), "REGEDIT4\n\n");
}

TEST_F(RegFileStoreTest, QueryReportsTheSizeOfAValueTooLongForTheBuffer) {
    RegKeyHandle key = Create("K");
    const std::array<uint8_t, 8> eight = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(m_registry.SetValue(key, "V", kRegQword, eight), kErrorSuccess);
    std::array<uint8_t, 4> buffer{9, 9, 9, 9};
    uint32_t type = 0;
    uint32_t size = 0;
    EXPECT_EQ(m_registry.QueryValue(key, "V", type, buffer, size), kErrorMoreData);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(buffer, (std::array<uint8_t, 4>{9, 9, 9, 9}));
    EXPECT_EQ(m_registry.QueryValue(key, "Missing", type, buffer, size), kErrorFileNotFound);
}

TEST_F(RegFileStoreTest, RefusesBadRootsPathsNamesAndHandles) {
    struct Case {
        const char* name;
        RegRoot root;
        std::string path;
        uint32_t result;
    };
    const std::vector<Case> cases = {
        {"current config root", 0x80000005u, "K", kErrorInvalidHandle},
        {"zero root", 0, "", kErrorInvalidHandle},
        {"leading separator", kHkeyCurrentUser, "\\K", kErrorInvalidParameter},
        {"trailing separator", kHkeyCurrentUser, "K\\", kErrorInvalidParameter},
        {"empty name inside", kHkeyCurrentUser, "A\\\\B", kErrorInvalidParameter},
        {"line break", kHkeyCurrentUser, "A\nB", kErrorInvalidParameter},
        {"name too long", kHkeyCurrentUser, std::string(256, 'n'), kErrorInvalidParameter},
        {"too deep", kHkeyCurrentUser,
         [] {
             std::string path = "k";
             for (int i = 0; i < 512; ++i) {
                 path += "\\k";
             }
             return path;
         }(),
         kErrorInvalidParameter},
    };
    for (const auto& c : cases) {
        RegKeyHandle key;
        EXPECT_EQ(m_registry.CreateKey(c.root, c.path, kKeyAllAccess, key), c.result) << c.name;
        EXPECT_FALSE(key.open) << c.name;
    }
    EXPECT_FALSE(Exists(Folder())) << "nothing refused may create the folder";

    RegKeyHandle key = Create(std::string(255, 'n'));
    EXPECT_EQ(m_registry.SetValue(key, "line\nbreak", kRegBinary, kOne), kErrorInvalidParameter);
    RegKeyHandle readOnly;
    ASSERT_EQ(m_registry.OpenKey(kHkeyCurrentUser, std::string(255, 'n'), kKeyRead, readOnly),
              kErrorSuccess);
    EXPECT_EQ(m_registry.SetValue(readOnly, "V", kRegBinary, kOne), kErrorAccessDenied);
    ASSERT_EQ(m_registry.CloseKey(key), kErrorSuccess);
    EXPECT_EQ(m_registry.SetValue(key, "V", kRegBinary, kOne), kErrorInvalidHandle);
    EXPECT_EQ(m_registry.CloseKey(key), kErrorInvalidHandle);
}

TEST_F(RegFileStoreTest, ReadingCreatesNothingAndUnchangedDataIsNotRewritten) {
    RegKeyHandle key;
    EXPECT_EQ(m_registry.OpenKey(kHkeyCurrentUser, "K", kKeyRead, key), kErrorFileNotFound);
    EXPECT_EQ(Query(m_registry, "", "V"), std::nullopt);
    EXPECT_FALSE(Exists(Folder()));

    key = Create("K");
    ASSERT_EQ(m_registry.SetValue(key, "V", kRegBinary, kOne), kErrorSuccess);
    struct stat before {};
    ASSERT_EQ(::stat(File().c_str(), &before), 0);
    Create("K");
    ASSERT_EQ(m_registry.SetValue(key, "v", kRegBinary, kOne), kErrorSuccess);
    struct stat after {};
    ASSERT_EQ(::stat(File().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(RegFileStoreTest, FileAndFolderArePrivate) {
    Create("K");
    struct stat file {};
    struct stat folder {};
    ASSERT_EQ(::stat(File().c_str(), &file), 0);
    ASSERT_EQ(::stat(Folder().c_str(), &folder), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

TEST_F(RegFileStoreTest, LinesItDoesNotUnderstandSurviveAChange) {
    ASSERT_EQ(::mkdir(Folder().c_str(), 0700), 0);
    WriteText(File(), "REGEDIT4\r\n"
                      "; written by hand\r\n"
                      "\r\n"
                      "[HKEY_CURRENT_USER\\K]\r\n"
                      "\"Old\"=hex:01,00,00,00\r\n"
                      "\"Odd\"=something else\r\n"
                      "\r\n"
                      "[HKEY_CURRENT_CONFIG\\Elsewhere]\r\n"
                      "\"x\"=dword:00000001\r\n");
    RegKeyHandle key = Create("K");
    ASSERT_EQ(m_registry.SetValue(key, "New", kRegBinary, kTwo), kErrorSuccess);
    EXPECT_EQ(ReadText(File()), "REGEDIT4\n"
                                "; written by hand\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\K]\n"
                                "\"Old\"=hex:01,00,00,00\n"
                                "\"Odd\"=something else\n"
                                "\"New\"=hex:02,00,00,00\n"
                                "\n"
                                "[HKEY_CURRENT_CONFIG\\Elsewhere]\n"
                                "\"x\"=dword:00000001\n"
                                "\n");
}

TEST_F(RegFileStoreTest, DamagedFileReadsEmptyAndEachOneIsKeptAside) {
    ASSERT_EQ(::mkdir(Folder().c_str(), 0700), 0);
    const std::string first = "[HKEY_CURRENT_USER\\K]\n\"V\"=hex:01,00,00,00\n";
    WriteText(File(), first);

    EXPECT_EQ(Query(m_registry, "K", "V"), std::nullopt);
    EXPECT_FALSE(Exists(File() + ".damaged")) << "reading moves nothing";

    RegKeyHandle key = Create("K");
    EXPECT_EQ(ReadText(File() + ".damaged"), first);
    ASSERT_EQ(m_registry.SetValue(key, "V", kRegBinary, kTwo), kErrorSuccess);
    RegDocument document;
    EXPECT_TRUE(ParseRegFile(ReadText(File()), document));

    const std::string second = std::string("REGEDIT4\n\0\0", 11);
    WriteText(File(), second);
    Create("K");
    EXPECT_EQ(ReadText(File() + ".damaged"), first);
    EXPECT_EQ(ReadText(File() + ".2.damaged"), second);
    EXPECT_EQ(ReadText(File()), "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\n");
}

TEST_F(RegFileStoreTest, FolderThatCannotBeCreatedFailsEveryChange) {
    WriteText(m_temp / "plainfile", "x");
    RegFileStore blocked(m_temp / "plainfile/harborlight");
    RegKeyHandle key;
    EXPECT_NE(blocked.CreateKey(kHkeyCurrentUser, "K", kKeyAllAccess, key), kErrorSuccess);
    EXPECT_FALSE(key.open);
    EXPECT_NE(blocked.OpenKey(kHkeyCurrentUser, "K", kKeyRead, key), kErrorSuccess);

    RegFileStore nowhere{std::string()};
    EXPECT_EQ(nowhere.CreateKey(kHkeyCurrentUser, "K", kKeyAllAccess, key), kErrorFileNotFound);
}

TEST(RegFileStoreFolder, FollowsXdgConfigHomeThenHome) {
    struct Case {
        const char* config;
        const char* home;
        std::string folder;
    };
    const std::vector<Case> cases = {
        {"/cfg", "/home/u", "/cfg/harborlight"},
        {nullptr, "/home/u", "/home/u/.config/harborlight"},
        {"", "/home/u", "/home/u/.config/harborlight"},
        {"relative/cfg", "/home/u", "/home/u/.config/harborlight"},
    };
    for (const auto& c : cases) {
        ScopedEnv config("XDG_CONFIG_HOME", c.config);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(RegFileStore::DefaultFolder(), c.folder) << (c.config ? c.config : "(unset)");
        EXPECT_EQ(RegFileStore().FilePath(), c.folder + "/settings.reg");
    }
}

} // namespace
} // namespace hl
