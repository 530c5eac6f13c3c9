#pragma once

#include <vector>

namespace hl {

// Which width a few columns of a table should have so that their widest cell text shows
// whole, without pushing the table past the room its view has. Each column keeps the width
// the program gave it as its least width and grows from there towards the widest text seen;
// the growth of all columns together is limited to the room left free in the view, shared
// in proportion to what each column lacks. A column the user has resized is left alone
// until the program sets its width again. Widths are in pixels.
class CColumnFit {
public:
    // Columns to fit, by index; any other column passed later is ignored.
    explicit CColumnFit(std::vector<int> columns);

    // The program set this width: the column's least width, and it follows the text again.
    void SetProgramWidth(int column, int width);
    // The user resized the column: no more fitting for it.
    void SetUserWidth(int column);
    // A cell of the column needs this width to show its text whole. True when that is more
    // than any cell of the column needed before.
    bool NoteCellWidth(int column, int cellWidth);

    struct Width {
        int column;
        int width;
    };
    // The widths of the columns that follow their text, when the view has `freeRoom` pixels
    // beside the columns at their least widths (0 or less: no room to grow).
    std::vector<Width> Widths(int freeRoom) const;
    // The sum of the least widths of the columns that follow their text.
    int ProgramWidthSum() const;

private:
    struct Column {
        int index = 0;
        int programWidth = 0;
        int widestCell = 0;
        bool user = false;
    };
    Column* Find(int column);

    std::vector<Column> m_columns;
};

} // namespace hl
