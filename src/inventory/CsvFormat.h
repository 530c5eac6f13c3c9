#pragma once

#include "inventory/ListOps.h"

#include <string>
#include <string_view>

namespace hl {

// The connection list as comma-separated text: a header line, then one line per row, every
// line ended by "\r\n". A field holding a comma, a double quote, CR or LF is put in double
// quotes with its double quotes doubled; every other field is written as it is.
inline constexpr std::string_view kCsvHeader = "Protocol,PID,Process Name,Local Address,Local "
                                               "Port,Remote Address,Remote Port,Connection State";

void AppendCsvField(std::string& out, std::string_view field);
// A field that begins with "=", "+", "-", "@" or a tab with a "'" put before it, so that a
// spreadsheet opening the file shows it as text and never runs it as a formula; any other
// field as it is.
std::string GuardAgainstFormula(std::string_view field);
// One row. The Process Name cell, whose text any user can choose, is guarded against formulas;
// every other cell is written byte for byte.
void AppendCsvLine(std::string& out, const RowTexts& cells);
// The whole export of a list: header and every row, top to bottom, cells in column index
// order.
std::string ListToCsv(IListOps& list);

} // namespace hl
