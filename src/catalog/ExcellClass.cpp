#include "catalog/ExcellClass.h"

#include "catalog/GridUtilities.h"
#include "platform/core/Exceptions.h"
#include "platform/core/UiServices.h"
#include "platform/services/SpreadsheetAutomation.h"
#include "platform/ui/Progress.h"
#include "platform/ui/StringGrid.h"

#include <algorithm>

namespace {

constexpr std::string_view NotResponding =
    "LibreOffice Calc is not responding. The report writer requires an English language version of LibreOffice "
    "Calc";

void ShowNotResponding() { Ui().MessageBox(NotResponding, "Report error", MsgButtons::OK, MsgIcon::Exclamation); }

} // namespace

bool ExcelSheetReader::ReadIntoGrid(TStringGrid& grid, Progress& progress, const std::string& path, int rows,
                                    int columns)
{
    if (columns < 1 || columns > MaxColumns) {
        Ui().MessageBox("Invalid Column Amount", "Missing information", MsgButtons::OK, MsgIcon::None);
        return false;
    }
    if (rows < 1 || rows > MaxRows) {
        Ui().MessageBox("Invalid Row Amount", "Missing information", MsgButtons::OK, MsgIcon::None);
        return false;
    }
    std::shared_ptr<SpreadsheetApplication> excel;
    try {
        excel = Spreadsheets().CreateApplication("excel.application");
    } catch (const EOleException&) {
        ShowMessage("Could not locate LibreOffice Calc. LibreOffice Calc must be installed on your computer to import.");
        return false;
    }
    const bool read = ReadWorkbook(*excel, grid, progress, path, rows, columns);
    // The application is private to this import: quit it on every path, so that no invisible office
    // stays behind holding the file.
    try {
        excel->Quit();
    } catch (const EOleException&) {
        ShowNotResponding();
    }
    progress.SetPosition(0);
    return read;
}

bool ExcelSheetReader::ReadWorkbook(SpreadsheetApplication& excel, TStringGrid& grid, Progress& progress,
                                    const std::string& path, int rows, int columns)
{
    std::shared_ptr<SpreadsheetWorkbooks> workbooks;
    try {
        workbooks = excel.Workbooks();
        excel.SetVisible(false);
    } catch (const EOleException&) {
        ShowNotResponding();
        return false;
    }
    try {
        workbooks->Open(path);
    } catch (const EOleException&) {
        Ui().MessageBox("Could not open Excel file. File may be in use or locked by another application", "Report error",
                        MsgButtons::OK, MsgIcon::Stop);
        return false;
    }
    std::shared_ptr<SpreadsheetSheet> sheet;
    try {
        sheet = excel.ActiveSheet();
    } catch (const EOleException&) {
        ShowMessage("There is no active worksheet");
        return false;
    }
    GridUtilities().ClearGrid(grid);
    grid.SetRowCount(rows);
    grid.SetColCount(columns + 1);
    progress.SetMax(rows);
    try {
        ReadRows(*sheet, grid, progress, rows, columns);
    } catch (const EOleException&) {
        Ui().MessageBox("An error occured while reading the Excel file", ApplicationTitle, MsgButtons::OK,
                        MsgIcon::Exclamation);
        return false;
    }
    return true;
}

// A block of rows at a time: one call per cell would take a round trip to the office for each.
void ExcelSheetReader::ReadRows(SpreadsheetSheet& sheet, TStringGrid& grid, Progress& progress, int rows, int columns)
{
    for (int first = 1; first <= rows; first += BlockRows) {
        const int last = std::min(rows, first + BlockRows - 1);
        const std::vector<std::vector<Variant>> values = sheet.Values(first, 1, last, columns);
        for (int row = first; row <= last; ++row) {
            progress.StepIt();
            if (row > 1)
                grid.SetCells(0, row - 1, std::to_string(row - 1));
            const std::vector<Variant>& cells = values[static_cast<size_t>(row - first)];
            for (int col = 1; col <= columns; ++col)
                grid.SetCells(col, row - 1, cells[static_cast<size_t>(col - 1)].AsString());
        }
    }
}
