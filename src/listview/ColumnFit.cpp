#include "listview/ColumnFit.h"

#include <algorithm>
#include <cstdint>

namespace hl {

CColumnFit::CColumnFit(std::vector<int> columns) {
    for (const int index : columns) {
        m_columns.push_back(Column{index, 0, 0, false});
    }
}

CColumnFit::Column* CColumnFit::Find(int column) {
    for (Column& entry : m_columns) {
        if (entry.index == column) {
            return &entry;
        }
    }
    return nullptr;
}

void CColumnFit::SetProgramWidth(int column, int width) {
    if (Column* entry = Find(column)) {
        entry->programWidth = std::max(0, width);
        entry->user = false;
    }
}

void CColumnFit::SetUserWidth(int column) {
    if (Column* entry = Find(column)) {
        entry->user = true;
    }
}

bool CColumnFit::NoteCellWidth(int column, int cellWidth) {
    Column* entry = Find(column);
    if (entry == nullptr || cellWidth <= entry->widestCell) {
        return false;
    }
    entry->widestCell = cellWidth;
    return true;
}

int CColumnFit::ProgramWidthSum() const {
    int64_t sum = 0;
    for (const Column& entry : m_columns) {
        if (!entry.user) {
            sum += entry.programWidth;
        }
    }
    return static_cast<int>(std::min<int64_t>(sum, INT32_MAX));
}

std::vector<CColumnFit::Width> CColumnFit::Widths(int freeRoom) const {
    int64_t lacking = 0;
    for (const Column& entry : m_columns) {
        if (!entry.user) {
            lacking += std::max(0, entry.widestCell - entry.programWidth);
        }
    }
    const int64_t room = std::max(0, freeRoom);
    std::vector<Width> widths;
    for (const Column& entry : m_columns) {
        if (entry.user) {
            continue;
        }
        const int64_t lack = std::max(0, entry.widestCell - entry.programWidth);
        // Each column gets its part of the room, rounded down, so that together they never
        // take more than there is.
        const int64_t grow = lacking <= room ? lack : lack * room / lacking;
        widths.push_back(Width{entry.index, static_cast<int>(std::min<int64_t>(
                                                entry.programWidth + grow, INT32_MAX))});
    }
    return widths;
}

} // namespace hl
