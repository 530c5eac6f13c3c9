#include "inventory/CsvFormat.h"

#include "inventory/MemoryList.h"

#include <gtest/gtest.h>

namespace hl {
namespace {

TEST(CsvFormat, QuotesOnlyFieldsThatNeedIt) {
    struct Case {
        const char* name;
        std::string field;
        std::string written;
    };
    const Case cases[] = {
        {"plain", "sshd", "sshd"},
        {"empty", "", ""},
        {"blanksKept", "error ", "error "},
        {"comma", "a,b", "\"a,b\""},
        {"quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
        {"cr", "a\rb", "\"a\rb\""},
        {"lf", "a\nb", "\"a\nb\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out;
        AppendCsvField(out, c.field);
        EXPECT_EQ(out, c.written);
    }
}

TEST(CsvFormat, ProcessNameThatCouldStartAFormulaIsGuardedAndNothingElseIs) {
    struct Case {
        const char* name;
        std::string processName;
        std::string written;
    };
    const Case cases[] = {
        {"equals", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"plus", "+1", "'+1"},
        {"minus", "-1", "'-1"},
        {"at", "@SUM(A1)", "'@SUM(A1)"},
        {"tab", "\tx", "'\tx"},
        {"laterSignsKept", "a=b-c", "a=b-c"},
        {"plain", "sshd", "sshd"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out;
        AppendCsvLine(out, {"=TCP", "-1", c.processName, "@h", "+80", "=r", "-2", "@s"});
        EXPECT_EQ(out, "=TCP,-1," + c.written + ",@h,+80,=r,-2,@s\r\n");
    }
}

TEST(CsvFormat, ListExportHasHeaderAndRowsTopToBottomWithCrlf) {
    MemoryList list;
    list.InsertFilledItem({"UDP", "7", "named", "0.0.0.0", "53", "", "", ""}, 1);
    list.InsertFilledItem(
        {"TCP", "9", "we,ird", "127.0.0.1", "80", "127.0.0.1", "5000", "ESTABLISHED"}, 0);
    EXPECT_EQ(ListToCsv(list),
              "Protocol,PID,Process Name,Local Address,Local Port,Remote Address,Remote "
              "Port,Connection State\r\n"
              "TCP,9,\"we,ird\",127.0.0.1,80,127.0.0.1,5000,ESTABLISHED\r\n"
              "UDP,7,named,0.0.0.0,53,,,\r\n");
}

// A list that loses its bottom row whenever the last cell of its top row is read, as a
// list changed between two rows would.
class ShrinkingList : public MemoryList {
public:
    std::string GetItemText(int row, int column) override {
        std::string text = MemoryList::GetItemText(row, column);
        if (row == 0 && column == kColState) {
            DeleteItem(GetItemCount() - 1);
        }
        return text;
    }
};

TEST(CsvFormat, ReadsTheRowCountAgainBeforeEveryRow) {
    ShrinkingList list;
    for (const char* port : {"3", "2", "1"}) {
        list.InsertFilledItem({"UDP", "7", "named", "0.0.0.0", port, "", "", ""}, 1);
    }
    // Row 0 is written, row 2 vanishes meanwhile, row 1 is written, and no empty line follows.
    EXPECT_EQ(ListToCsv(list), std::string(kCsvHeader) + "\r\n"
                                                         "UDP,7,named,0.0.0.0,1,,,\r\n"
                                                         "UDP,7,named,0.0.0.0,2,,,\r\n");
}

} // namespace
} // namespace hl
