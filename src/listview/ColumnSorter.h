#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hl {

class CPortListCtrl;

// What a row of the list carries as its item data while a CColumnSorter exists.
struct SortEntry {
    std::intptr_t previousData = 0; // the row's item data before the sorter replaced it
    std::string text;               // the row's text in the sort column, read once
    // Sort keys made from `text` once per sort, so that comparisons do no more work:
    std::string folded; // A..Z folded to lower case (text kind)
    double number = 0;  // read as a decimal number (number kind)
};

// Sorts the rows of a list by one column. Made for one sort: the constructor reads every
// row's text in the column once and puts an entry holding it (and the row's item data) in
// the row's item data; Sort reorders the rows by the entries; the destructor gives every row
// its item data back.
class CColumnSorter {
public:
    // Sort kinds; the sort parameter is the kind, negated for a descending sort.
    static constexpr int kSortText = 2;   // bytes, with only A..Z folded to lower case
    static constexpr int kSortNumber = 4; // the leading decimal number, 0 when there is none

    CColumnSorter(CPortListCtrl* list, int column);
    CColumnSorter(const CColumnSorter&) = delete;
    CColumnSorter& operator=(const CColumnSorter&) = delete;
    virtual ~CColumnSorter();

    // Reorders the list's rows; the view is updated once. False for an unknown kind (the
    // rows then keep their order).
    bool Sort(bool ascending, int kind);

    // The comparison of two entries: negative when e1's row goes before e2's. The sign of
    // `parameter` is the direction, its absolute value the kind. Under the number kind two
    // equal numbers never compare equal (e1 counts as the greater), so this is not an order
    // to hand to a sorting algorithm; Sort uses an order that agrees with it on every pair
    // it does not call equal.
    static int CompareEntries(const SortEntry& e1, const SortEntry& e2, int parameter);

    // The sort kind of a column of the connection list (by its index, wherever its heading
    // stands).
    static int SortKindOf(int column);
    // Byte-wise comparison with A..Z folded to lower case: <0, 0 or >0.
    static int CompareText(std::string_view a, std::string_view b);
    // The leading decimal number of a text: white space skipped, an optional sign, digits
    // with an optional decimal point and an optional exponent; 0 when there is no number.
    static double ReadNumber(std::string_view text);

private:
    SortEntry* EntryOf(std::intptr_t data);

    CPortListCtrl* m_pListCtrl; // not owned
    std::vector<SortEntry> m_entries;
};

} // namespace hl
