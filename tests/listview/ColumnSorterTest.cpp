#include "listview/ColumnSorter.h"

#include "inventory/ListOps.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace hl {
namespace {

SortEntry Entry(const char* text) {
    SortEntry entry;
    entry.text = text;
    return entry;
}

struct CompareCase {
    const char* a;
    const char* b;
    int parameter;
    int expected;
};

TEST(ColumnSorter, CompareEntries) {
    const CompareCase cases[] = {
        // Text: bytes, only A..Z folded to lower case.
        {"abc", "abd", 2, -1},
        {"abd", "abc", 2, 1},
        {"abc", "abd", -2, 1},
        {"sshd", "SSHD", 2, 0},
        {"sshd", "SSHD", -2, 0},
        {"ab", "abc", 2, -1},
        {"abc", "ab", 2, 1},
        {"", "a", 2, -1},
        {"", "", 2, 0},
        {"10.0.0.1", "9.0.0.1", 2, -1},
        // '[' lies between 'Z' and 'a': folding to lower case puts it before letters.
        {"[", "A", 2, -1},
        {"_x", "Ax", 2, -1},
        // A byte above 0x7F is a byte, not a letter of any locale.
        {"\xc3\xa9t", "zed", 2, 1},
        {"\xc3\x89T", "\xc3\xa9t", 2, -1},
        // Numbers: equal ones never compare equal.
        {"80", "443", 4, -1},
        {"443", "80", 4, 1},
        {"80", "443", -4, 1},
        {"443", "80", -4, -1},
        {"5", "5", 4, 1},
        {"5", "5", -4, -1},
        {"", "0", 4, 1},
        {"", "1", 4, -1},
        {"abc", "-1", 4, 1},
        {" 12x", "12", 4, 1},
        {"1e3", "999", 4, 1},
        {"1.5", "1.25", 4, 1},
        {"0x50", "1", 4, -1},
        // Any other kind orders nothing.
        {"a", "b", 3, 0},
        {"a", "b", 0, 0},
        {"a", "b", -1, 0},
    };
    for (const CompareCase& c : cases) {
        EXPECT_EQ(CColumnSorter::CompareEntries(Entry(c.a), Entry(c.b), c.parameter), c.expected)
            << '"' << c.a << "\" vs \"" << c.b << "\" with " << c.parameter;
    }
}

struct NumberCase {
    const char* text;
    double value;
};

TEST(ColumnSorter, ReadNumberTakesTheLeadingDecimalNumber) {
    const NumberCase cases[] = {
        {"", 0},       {"abc", 0},  {"  \t42", 42},   {"+7", 7},   {"-3.5", -3.5}, {"1e3", 1000},
        {"2E-1", 0.2}, {"1e", 1},   {"1e+", 1},       {".5", 0.5}, {"5.", 5},      {".", 0},
        {"-", 0},      {"+.e1", 0}, {"12abc", 12},    {"0x1A", 0}, {"inf", 0},     {"nan", 0},
        {"1,5", 1},    {"007", 7},  {"65535", 65535},
    };
    for (const NumberCase& c : cases) {
        EXPECT_DOUBLE_EQ(CColumnSorter::ReadNumber(c.text), c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(CColumnSorter::ReadNumber("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(CColumnSorter::ReadNumber("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(CColumnSorter::ReadNumber("1e-999"), 0.0);
}

TEST(ColumnSorter, EachColumnHasItsKind) {
    const int text = CColumnSorter::kSortText;
    const int number = CColumnSorter::kSortNumber;
    const int expected[kColumnCount] = {text, number, text, text, number, text, number, text};
    for (int column = 0; column < kColumnCount; ++column) {
        EXPECT_EQ(CColumnSorter::SortKindOf(column), expected[column]) << column;
    }
}

} // namespace
} // namespace hl
