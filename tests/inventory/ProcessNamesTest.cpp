#include "inventory/ProcessNames.h"

#include "platform/fake/FakeProcessInfo.h"

#include <gtest/gtest.h>

namespace hl {
namespace {

struct NameCase {
    const char* name;
    std::optional<int> osMajor;
    bool snapshotOk;
    std::optional<std::string> systemDir;
    uint32_t pid;
    const char* expected;
};

class ProcessNameLookup : public ::testing::TestWithParam<NameCase> {};

TEST_P(ProcessNameLookup, GivesNameOrSubstituteText) {
    const NameCase& c = GetParam();
    FakeProcessInfo info;
    info.osMajor = c.osMajor;
    info.snapshotOk = c.snapshotOk;
    info.systemDir = c.systemDir;
    info.processes = {{1, "systemd"},
                      {42, "  spaced"},
                      {77, "a) b"},
                      {78, "line\nbreak\x1b[31m\x7f"},
                      {90, "locked"}};
    info.unopenable = {{90, true}};
    CProcessNames names(info);
    EXPECT_EQ(names.GetProcessName(c.pid), c.expected);
}

const std::optional<std::string> kProc = std::string("/proc");

INSTANTIATE_TEST_SUITE_P(
    Paths, ProcessNameLookup,
    ::testing::Values(NameCase{"snapshotFound", 6, true, kProc, 1, "systemd"},
                      NameCase{"snapshotMissingPid", 6, true, kProc, 555, "Unknown"},
                      NameCase{"snapshotPidZero", 6, true, kProc, 0, "Unknown"},
                      NameCase{"snapshotFails", 6, false, kProc, 1, "error "},
                      NameCase{"systemDirUnreadable", 6, true, std::nullopt, 1, "error "},
                      NameCase{"versionUnreadableUsesSnapshot", std::nullopt, true, kProc, 1,
                               "systemd"},
                      NameCase{"snapshotKeepsLeadingBlanks", 5, true, kProc, 42, "  spaced"},
                      NameCase{"parenthesisKept", 6, true, kProc, 77, "a) b"},
                      NameCase{"controlBytesMadeSafe", 6, true, kProc, 78, "line?break?[31m?"},
                      NameCase{"statusFound", 4, true, kProc, 1, "systemd"},
                      NameCase{"statusMissingPid", 4, true, kProc, 555, "unknown "},
                      NameCase{"statusCannotOpen", 4, true, kProc, 90, "unknown "},
                      NameCase{"statusTrimsLeadingBlanks", 4, true, kProc, 42, "spaced"},
                      NameCase{"statusMakesSafe", 4, true, kProc, 78, "line?break?[31m?"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProcessNames, MakeSafeReplacesControlsBidiOverridesAndInvalidUtf8) {
    struct Case {
        const char* name;
        std::string raw;
        std::string safe;
    };
    const Case cases[] = {
        {"ascii", "sshd", "sshd"},
        {"utf8Kept", "na\xC3\xAFve-\xE6\x9D\xB1-\xF0\x9F\x90\x8D",
         "na\xC3\xAFve-\xE6\x9D\xB1-\xF0\x9F\x90\x8D"},
        {"c0AndDelete", "a\tb\x1b[31m\x7f", "a?b?[31m?"},
        {"rawC1Bytes",
         "x\x9b"
         "31m\x85y",
         "x?31m?y"},
        {"encodedC1",
         "x\xC2\x9B"
         "31m\xC2\x80\xC2\x9F",
         "x?31m??"},
        {"noBreakSpaceKept",
         "a\xC2\xA0"
         "b",
         "a\xC2\xA0"
         "b"},
        {"bidiOverrides", "evil\xE2\x80\xAEgpj.exe\xE2\x80\xAA\xE2\x80\xAC", "evil?gpj.exe??"},
        {"bidiIsolates",
         "\xE2\x81\xA6"
         "a\xE2\x81\xA9",
         "?a?"},
        {"neighboursOfBidiKept", "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA",
         "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA"},
        {"strayBytes", "\xFF\xFEok\x80", "??ok?"},
        {"overlongSlash", "\xC0\xAF\xE0\x80\xAF", "?????"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"pastU10FFFF", "\xF4\x90\x80\x80", "????"},
        {"cutShort", "ab\xE2\x80", "ab??"},
        {"leadThenAscii", "\xC3(", "?("},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CProcessNames::MakeSafe(c.raw), c.safe);
    }
}

TEST(ProcessNames, EmptySnapshotReadsAsFailure) {
    FakeProcessInfo info;
    CProcessNames names(info);
    EXPECT_EQ(names.GetProcessName(1), "error ");
}

TEST(ProcessNames, WindowsDirTrimsTrailingBlanksOrFails) {
    FakeProcessInfo info;
    info.systemDir = std::string("/fixture/proc \t\n");
    EXPECT_EQ(CProcessNames(info).GetWindowsDir(), "/fixture/proc");
    info.systemDir = std::nullopt;
    EXPECT_EQ(CProcessNames(info).GetWindowsDir(), "error ");
}

TEST(ProcessNames, OneObjectTakesOneSnapshotAndANewObjectTakesAFreshOne) {
    FakeProcessInfo info;
    info.processes = {{1, "init"}};
    {
        CProcessNames names(info);
        EXPECT_EQ(names.GetProcessName(1), "init");
        info.processes = {{1, "renamed"}, {2, "late"}};
        EXPECT_EQ(names.GetProcessName(2), "Unknown");
    }
    EXPECT_EQ(info.SnapshotCount(), 1);
    EXPECT_EQ(CProcessNames(info).GetProcessName(2), "late");
}

} // namespace
} // namespace hl
