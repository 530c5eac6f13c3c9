#include "listview/ColumnSorter.h"

#include "inventory/ListOps.h"
#include "listview/PortListCtrl.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <locale.h>
#include <utility>

namespace hl {
namespace {

unsigned char Fold(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Numbers are read with a '.' decimal point whatever the user's locale says.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

} // namespace

CColumnSorter::CColumnSorter(CPortListCtrl* list, int column) : m_pListCtrl(list) {
    if (m_pListCtrl == nullptr) {
        return;
    }
    const int count = m_pListCtrl->GetItemCount();
    // Reserved whole: the rows point at the entries, which therefore never move.
    m_entries.resize(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row) {
        SortEntry& entry = m_entries[static_cast<size_t>(row)];
        entry.previousData = m_pListCtrl->GetItemData(row);
        entry.text = m_pListCtrl->GetItemText(row, column);
        m_pListCtrl->SetItemData(row, reinterpret_cast<std::intptr_t>(&entry));
    }
}

CColumnSorter::~CColumnSorter() {
    if (m_pListCtrl == nullptr) {
        return;
    }
    const int count = m_pListCtrl->GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (const SortEntry* entry = EntryOf(m_pListCtrl->GetItemData(row))) {
            m_pListCtrl->SetItemData(row, entry->previousData);
        }
    }
}

SortEntry* CColumnSorter::EntryOf(std::intptr_t data) {
    if (m_entries.empty()) {
        return nullptr;
    }
    auto* entry = reinterpret_cast<SortEntry*>(data);
    const std::less<const SortEntry*> before;
    if (before(entry, m_entries.data()) || !before(entry, m_entries.data() + m_entries.size())) {
        return nullptr;
    }
    return entry;
}

bool CColumnSorter::Sort(bool ascending, int kind) {
    if (m_pListCtrl == nullptr || (kind != kSortText && kind != kSortNumber)) {
        return false;
    }
    for (SortEntry& entry : m_entries) {
        if (kind == kSortNumber) {
            entry.number = ReadNumber(entry.text);
        } else {
            entry.folded = entry.text;
            for (char& c : entry.folded) {
                c = static_cast<char>(Fold(c));
            }
        }
    }
    // A strict weak order that agrees with CompareEntries on every pair that it does not
    // call equal: equal numbers are simply equal here, and rows with equal keys keep their
    // order. std::string compares its bytes as unsigned values, as CompareText does.
    auto before = [this, kind, ascending](std::intptr_t d1, std::intptr_t d2) {
        const SortEntry* e1 = EntryOf(d1);
        const SortEntry* e2 = EntryOf(d2);
        if (e1 == nullptr || e2 == nullptr) {
            return false;
        }
        if (!ascending) {
            std::swap(e1, e2);
        }
        return kind == kSortNumber ? e1->number < e2->number : e1->folded < e2->folded;
    };
    m_pListCtrl->SortItems(before);
    return true;
}

int CColumnSorter::CompareEntries(const SortEntry& e1, const SortEntry& e2, int parameter) {
    const int s = parameter >= 0 ? 1 : -1;
    const int kind = parameter * s;
    switch (kind) {
    case kSortText: {
        const int c = CompareText(e1.text, e2.text);
        return c < 0 ? -s : (c > 0 ? s : 0);
    }
    case kSortNumber: {
        const double a = ReadNumber(e1.text);
        const double b = ReadNumber(e2.text);
        return b > a ? -s : s;
    }
    default:
        return 0;
    }
}

int CColumnSorter::SortKindOf(int column) {
    switch (column) {
    case kColProtocol:
    case kColProcessName:
    case kColLocalAddress:
    case kColRemoteAddress:
    case kColState:
        return kSortText;
    default:
        return kSortNumber;
    }
}

int CColumnSorter::CompareText(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char ca = Fold(a[i]);
        const unsigned char cb = Fold(b[i]);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

double CColumnSorter::ReadNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsAsciiSpace(text[i])) {
        ++i;
    }
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    // An exponent counts only when at least one digit follows its letter and sign.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    // The text is already known to be a number: strtod only converts it (out-of-range
    // values become infinity or 0 as strtod makes them).
    const std::string number(text.substr(start, i - start));
    return strtod_l(number.c_str(), nullptr, CLocale());
}

} // namespace hl
