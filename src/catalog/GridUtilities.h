#pragma once

#include <cstdio>
#include <string>
#include <vector>

class TStringGrid;

// Tab-delimited text: a title line, then one line per row.
struct TabText {
    std::vector<std::string> titles; // empty: the first line holds no field
    std::vector<std::vector<std::string>> rows;
};

// The row operations a string grid lacks. Row 0 holds the titles and is never moved.
class GridUtilities {
public:
    // Empties every cell below the title row and leaves the title row and one empty row.
    void ClearGrid(TStringGrid& grid);
    // Rows outside 1 .. RowCount - 1 are left alone.
    void DeleteRow(TStringGrid& grid, int row);
    // Inserts an empty row before `row`; rows outside 1 .. RowCount - 1 are left alone.
    void InsertRow(TStringGrid& grid, int row);

    // Keep the cells of rows `fromRow` .. last, row by row, and write them back from `toRow` on.
    // Reads whole lines (LF or CR LF, the last one with or without an end), splits every line at
    // every TAB and trims every field. The title line loses its trailing empty fields, so that an
    // export padded with empty columns reads back with its own; a row keeps no field beyond the
    // last title.
    static TabText ReadTabText(FILE* file);

    // Fills the grid from a tab-delimited text file: the titles from column 1 on, "Record nr." above
    // the record numbers. Shows what went wrong and answers false.
    bool ImportText(TStringGrid& grid, const std::string& path);
    // Row 0 = `recordTitle` and then the titles; the column count follows them.
    static void FillTitles(TStringGrid& grid, const std::string& recordTitle, const std::vector<std::string>& titles);
    // Row k (from 1) = k and then the fields of rows[k - 1]; the grid holds the title row and one row
    // per record, and at least one body row.
    static void FillRows(TStringGrid& grid, const std::vector<std::vector<std::string>>& rows);

    void CopyToArray(const TStringGrid& grid, int fromRow);
    void CopyFromArray(TStringGrid& grid, int toRow);

private:
    // The cells each row holds, so that moving rows costs what they hold, not rows x columns.
    std::vector<std::vector<std::string>> rows;
};
