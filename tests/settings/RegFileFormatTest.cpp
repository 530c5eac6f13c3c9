#include "settings/store/RegFileFormat.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hl {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

const RegValue* FindValue(const RegDocument& document, std::vector<std::string> path,
                          std::string_view name) {
    const RegKeyNode* key = document.FindKey(kHkeyCurrentUser, path);
    return key == nullptr ? nullptr : key->FindValue(name);
}

struct ValueCase {
    const char* name;
    std::string line; // inside [HKEY_CURRENT_USER\K]
    std::string valueName;
    uint32_t type;
    std::vector<uint8_t> data;
};

class RegFileValueForms : public testing::TestWithParam<ValueCase> {};

TEST_P(RegFileValueForms, ReadsTypeAndBytes) {
    const ValueCase& c = GetParam();
    RegDocument document;
    ASSERT_TRUE(ParseRegFile("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n" + c.line + "\n", document));
    const RegValue* value = FindValue(document, {"K"}, c.valueName);
    ASSERT_NE(value, nullptr) << WriteRegFile(document);
    EXPECT_EQ(value->type, c.type);
    EXPECT_EQ(value->data, c.data);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RegFileValueForms,
    testing::Values(
        ValueCase{"Binary", "\"V\"=hex:01,00,00,00", "V", kRegBinary, {1, 0, 0, 0}},
        ValueCase{"EmptyBinary", "\"V\"=hex:", "V", kRegBinary, {}},
        ValueCase{"Dword", "\"V\"=dword:0000000a", "V", kRegDword, {10, 0, 0, 0}},
        ValueCase{"DwordFewDigits", "\"V\"=dword:1234", "V", kRegDword, {0x34, 0x12, 0, 0}},
        ValueCase{"UpperCasePrefixes", "\"V\"=HEX:Ab,cD", "V", kRegBinary, {0xab, 0xcd}},
        ValueCase{"Text", "\"V\"=\"a \\\"b\\\" \\\\c\"", "V", kRegSz, Bytes({"a \"b\" \\c\0", 9})},
        ValueCase{"EscapedName", "\"a\\\"b\\\\\"=dword:1", "a\"b\\", kRegDword, {1, 0, 0, 0}},
        ValueCase{"DefaultValue", "@=\"x\"", "", kRegSz, Bytes({"x\0", 2})},
        ValueCase{"OtherType", "\"V\"=hex(7):61,00,00", "V", kRegMultiSz, {0x61, 0, 0}},
        ValueCase{"HexType",
                  "\"V\"=hex(b):01,02,03,04,05,06,07,08",
                  "V",
                  kRegQword,
                  {1, 2, 3, 4, 5, 6, 7, 8}},
        ValueCase{"BlanksAroundParts", "  \"V\" = hex: 01 , 02  ", "V", kRegBinary, {1, 2}},
        ValueCase{"Continued", "\"V\"=hex:01,02,\\\n  03,\\\n  04", "V", kRegBinary, {1, 2, 3, 4}},
        ValueCase{"NameIgnoresCase", "\"Speed\"=dword:1", "SPEED", kRegDword, {1, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RewriteCase {
    const char* name;
    std::string input;
    std::string output;
};

class RegFileRewrite : public testing::TestWithParam<RewriteCase> {};

// What a rewrite keeps, merges and normalises. The output must also be stable: parsing and
// writing it again changes nothing.
TEST_P(RegFileRewrite, WritesTheExpectedText) {
    const RewriteCase& c = GetParam();
    RegDocument document;
    ASSERT_TRUE(ParseRegFile(c.input, document));
    std::string text = WriteRegFile(document);
    EXPECT_EQ(text, c.output);
    RegDocument again;
    ASSERT_TRUE(ParseRegFile(text, again));
    EXPECT_EQ(again, document);
    EXPECT_EQ(WriteRegFile(again), text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RegFileRewrite,
    testing::Values(
        RewriteCase{"EmptyRegistry", "", "REGEDIT4\n\n"},
        RewriteCase{"EmptyKeyKeepsItsSection", "REGEDIT4\n[HKEY_USERS\\Empty]\n",
                    "REGEDIT4\n\n[HKEY_USERS\\Empty]\n\n"},
        RewriteCase{
            "MissingParentSectionsAdded", "REGEDIT4\n[HKEY_CURRENT_USER\\A\\B]\n\"v\"=hex:\n",
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\n[HKEY_CURRENT_USER\\A\\B]\n\"v\"=hex:\n\n"},
        RewriteCase{"ShortRootNamesAndCrLf",
                    "REGEDIT4\r\n\r\n[hkcu\\A]\r\n\"v\"=dword:00000002\r\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:00000002\n\n"},
        RewriteCase{"RepeatedSectionMergesKeepingFirstCase",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\Key]\n\"x\"=hex:01\n[HKEY_CURRENT_USER\\KEY]\n"
                    "\"X\"=hex:02\n\"y\"=hex:03\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\Key]\n\"x\"=hex:02\n\"y\"=hex:03\n\n"},
        RewriteCase{"UnknownLinesStayInPlace",
                    "REGEDIT4\n; comment\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01\n; note\n"
                    "\"b\"=hex:zz\n\"c\"=dword:00000003\n",
                    "REGEDIT4\n; comment\n\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01\n; note\n"
                    "\"b\"=hex:zz\n\"c\"=dword:00000003\n\n"},
        RewriteCase{"UnknownSectionKeptWholeAtTheEnd",
                    "REGEDIT4\n[HKEY_CURRENT_CONFIG\\X]\n\"a\"=hex:01\n[-HKEY_CURRENT_USER\\Gone]\n"
                    "[HKEY_CURRENT_USER\\A]\n\"b\"=hex:02\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"b\"=hex:02\n\n[HKEY_CURRENT_CONFIG\\X]\n"
                    "\"a\"=hex:01\n\n[-HKEY_CURRENT_USER\\Gone]\n\n"},
        RewriteCase{"BrokenContinuationKeptWithBlankAfter",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,\\\n[HKEY_CURRENT_USER\\B]\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,\\\n\n\n"
                    "[HKEY_CURRENT_USER\\B]\n\n"},
        RewriteCase{"TextWithControlCharactersAsHex",
                    "REGEDIT4\n[HKEY_CURRENT_USER]\n\"t\"=\"a\tb\"\n\"u\"=hex(1):61,00,62,00\n",
                    "REGEDIT4\n\n[HKEY_CURRENT_USER]\n\"t\"=hex(1):61,09,62,00\n"
                    "\"u\"=hex(1):61,00,62,00\n\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegFileFormat, RefusesTextThatIsNoRegistryFile) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"no header", "[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01\n"},
        {"other header", "Windows Registry Editor Version 5.00\n"},
        {"text before header", "junk\nREGEDIT4\n"},
        {"NUL byte", std::string("REGEDIT4\n\"a\"=\"x\0y\"\n", 19)},
        {"binary", "\x7f"
                   "ELF\x02\x01\x01"},
    };
    for (const auto& [name, text] : cases) {
        RegDocument document;
        document.Preamble().push_back("left over");
        EXPECT_FALSE(ParseRegFile(text, document)) << name;
        EXPECT_EQ(document, RegDocument()) << name;
    }
}

// A kept line ending in '\' must not swallow a value appended after it: otherwise the new
// value would be lost the next time the file is read.
TEST(RegFileFormat, ValueAddedAfterBrokenContinuationSurvivesRereading) {
    RegDocument document;
    ASSERT_TRUE(ParseRegFile("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,\\\n", document));
    RegKeyNode* key = document.FindKey(kHkeyCurrentUser, {"A"});
    ASSERT_NE(key, nullptr);
    key->SetValue("b", kRegBinary, {1, 0, 0, 0});

    RegDocument reread;
    ASSERT_TRUE(ParseRegFile(WriteRegFile(document), reread));
    const RegValue* value = FindValue(reread, {"A"}, "b");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(reread, document);
}

TEST(RegFileFormat, LongHexListsWrapAndReadBack) {
    RegDocument document;
    bool created = false;
    std::vector<uint8_t> blob(300);
    for (size_t i = 0; i < blob.size(); ++i) {
        blob[i] = static_cast<uint8_t>(i);
    }
    document.CreateKey(kHkeyCurrentUser, {"A"}, created)->SetValue("Blob", kRegBinary, blob);
    std::string text = WriteRegFile(document);
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
        start = end + 1;
    }
    RegDocument reread;
    ASSERT_TRUE(ParseRegFile(text, reread));
    EXPECT_EQ(reread, document);
}

} // namespace
} // namespace hl
