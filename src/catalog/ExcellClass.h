#pragma once

#include <string>

class Progress;
class SpreadsheetApplication;
class SpreadsheetSheet;
class TStringGrid;

// Reads a rectangle of a workbook's active sheet into a catalog grid through spreadsheet automation,
// in a private spreadsheet application that is quit whatever happens. Sheet row 1 becomes the title
// row 0 (cell (0, 0) keeps its title); sheet row r becomes grid row r - 1, numbered r - 1 in column 0;
// sheet column c becomes grid column c.
class ExcelSheetReader {
public:
    // The limits of an ".xls" sheet, checked before anything starts.
    static constexpr int MaxRows = 65536;
    static constexpr int MaxColumns = 256;
    // How many rows one read asks for.
    static constexpr int BlockRows = 256;

    // Shows what went wrong and answers false; the grid may then be partly filled.
    bool ReadIntoGrid(TStringGrid& grid, Progress& progress, const std::string& path, int rows, int columns);
    // The cells of an open sheet into a grid of the right size, the progress stepping once per row;
    // raises EOleException when a read fails.
    void ReadRows(SpreadsheetSheet& sheet, TStringGrid& grid, Progress& progress, int rows, int columns);

private:
    bool ReadWorkbook(SpreadsheetApplication& excel, TStringGrid& grid, Progress& progress, const std::string& path,
                      int rows, int columns);
};
