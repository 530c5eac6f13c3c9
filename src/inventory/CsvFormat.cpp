#include "inventory/CsvFormat.h"

namespace hl {

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

std::string GuardAgainstFormula(std::string_view field) {
    if (!field.empty() &&
        std::string_view("=+-@\t").find(field.front()) != std::string_view::npos) {
        std::string guarded = "'";
        guarded.append(field);
        return guarded;
    }
    return std::string(field);
}

void AppendCsvLine(std::string& out, const RowTexts& cells) {
    for (int col = 0; col < kColumnCount; ++col) {
        if (col > 0) {
            out.push_back(',');
        }
        if (col == kColProcessName) {
            AppendCsvField(out, GuardAgainstFormula(cells[col]));
        } else {
            AppendCsvField(out, cells[col]);
        }
    }
    out.append("\r\n");
}

std::string ListToCsv(IListOps& list) {
    std::string out(kCsvHeader);
    out.append("\r\n");
    RowTexts cells;
    // The count is read again before every row: a list that lost rows meanwhile ends the
    // export early instead of yielding empty lines.
    for (int row = 0; row < list.GetItemCount(); ++row) {
        for (int col = 0; col < kColumnCount; ++col) {
            cells[col] = list.GetItemText(row, col);
        }
        AppendCsvLine(out, cells);
    }
    return out;
}

} // namespace hl
