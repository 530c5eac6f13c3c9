#include "app/LayoutRecord.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hl {
namespace {

// A window of 640 x 480 at (100, 50) on a 1920 x 1080 screen, shown normally.
LayoutRecord KnownRecord() {
    LayoutRecord record;
    record.screenWidth = 1920;
    record.screenHeight = 1080;
    record.placement.normalPosition = {100, 50, 740, 530};
    return record;
}

// The same record, spelled out byte by byte in letters.
const std::string kKnownLetters = "CAAAAAAA"  // version 2
                                  "AIHAAAAA"  // screen width 1920 (0x780)
                                  "IDEAAAAA"  // screen height 1080 (0x438)
                                  "AAAA"      // no toolbar records
                                  "MCAAAAAA"  // placement length 44
                                  "AAAAAAAA"  // flags 0
                                  "BAAAAAAA"  // SW_SHOWNORMAL
                                  "PPPPPPPP"  // minimised x -1
                                  "PPPPPPPP"  // minimised y -1
                                  "PPPPPPPP"  // maximised x -1
                                  "PPPPPPPP"  // maximised y -1
                                  "EGAAAAAA"  // left 100
                                  "CDAAAAAA"  // top 50
                                  "EOCAAAAA"  // right 740 (0x2E4)
                                  "CBCAAAAA"; // bottom 530 (0x212)

TEST(LayoutRecord, EncodesAKnownPlacementLetterByLetter) {
    const std::vector<uint8_t> bytes = EncodeLayout(KnownRecord());
    ASSERT_EQ(bytes.size(), kLayoutRecordSize);
    ASSERT_EQ(kKnownLetters.size(), 116u);
    EXPECT_EQ(ToLetters(bytes), kKnownLetters);
    EXPECT_EQ(ToLetters(bytes).substr(0, 8), "CAAAAAAA");
}

TEST(LayoutRecord, RoundTrips) {
    LayoutRecord maximised = KnownRecord();
    maximised.placement.flags = WPF_RESTORETOMAXIMIZED;
    maximised.placement.showCmd = SW_SHOWMAXIMIZED;
    maximised.placement.normalPosition = {-1200, -30, -560, 450}; // a screen left of the primary
    LayoutRecord empty;
    empty.placement.length = 0;
    for (const LayoutRecord& record : {KnownRecord(), maximised, empty}) {
        const std::optional<std::vector<uint8_t>> bytes =
            FromLetters(ToLetters(EncodeLayout(record)));
        ASSERT_TRUE(bytes.has_value());
        const std::optional<LayoutRecord> decoded = DecodeLayout(*bytes);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(*decoded, record);
    }
}

TEST(LayoutRecord, ReadsOnlyWhatCanBeRead) {
    const std::vector<uint8_t> full = EncodeLayout(KnownRecord());
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool readable;
    };
    std::vector<uint8_t> withRecords = full;
    withRecords[12] = 1; // a toolbar record would follow
    std::vector<uint8_t> longer = full;
    longer.push_back(0x55);
    // Version 1: no screen size after the version.
    std::vector<uint8_t> version1 = {1, 0, 0, 0};
    version1.insert(version1.end(), full.begin() + 12, full.end());
    const std::vector<Case> cases = {
        {"Full", full, true},
        {"TenBytes", std::vector<uint8_t>(full.begin(), full.begin() + 10), false},
        {"EndsInTheRectangle", std::vector<uint8_t>(full.begin(), full.end() - 1), false},
        {"Empty", {}, false},
        {"ToolbarRecordsFollow", withRecords, false},
        {"TrailingBytesIgnored", longer, true},
        {"Version1WithoutScreenSize", version1, true},
    };
    for (const Case& c : cases) {
        const std::optional<LayoutRecord> record = DecodeLayout(c.bytes);
        EXPECT_EQ(record.has_value(), c.readable) << c.name;
        if (record.has_value()) {
            EXPECT_EQ(record->placement, KnownRecord().placement) << c.name;
        }
    }
    const std::optional<LayoutRecord> old = DecodeLayout(version1);
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->version, 1u);
    EXPECT_EQ(old->screenWidth, 0);
}

TEST(LayoutRecord, LettersOutsideAToPOrAnOddLengthAreUnreadable) {
    EXPECT_EQ(FromLetters("CAAAAAAA"), (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(FromLetters("PP"), (std::vector<uint8_t>{0xFF}));
    EXPECT_EQ(FromLetters(""), std::vector<uint8_t>{});
    for (const char* bad : {"CAAAAAA", "CAQA", "caaa", "CA A", "CA@A", "CA\xC3\x84"}) {
        EXPECT_FALSE(FromLetters(bad).has_value()) << bad;
    }
}

} // namespace
} // namespace hl
