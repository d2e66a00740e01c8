#include "catalog/GridUtilities.h"

#include "platform/core/FilePaths.h"
#include "platform/core/TextFile.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/ui/StringGrid.h"

#include <algorithm>

namespace {

bool IsBodyRow(const TStringGrid& grid, int row) { return row >= 1 && row < grid.RowCount(); }

// The cells past those the row holds are empty already.
void EmptyRow(TStringGrid& grid, int row)
{
    for (int col = 0; col < grid.HeldCells(row); ++col)
        grid.SetCells(col, row, "");
}

std::vector<std::string> SplitAtTabs(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(Trim(std::string_view(line).substr(start, tab == std::string::npos ? tab : tab - start)));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

} // namespace

TabText GridUtilities::ReadTabText(FILE* file)
{
    TabText text;
    std::string line;
    if (!ReadTextLine(file, line))
        return text;
    text.titles = SplitAtTabs(line);
    while (!text.titles.empty() && text.titles.back().empty())
        text.titles.pop_back();
    while (ReadTextLine(file, line)) {
        std::vector<std::string> fields = SplitAtTabs(line);
        if (fields.size() > text.titles.size())
            fields.resize(text.titles.size());
        text.rows.push_back(std::move(fields));
    }
    return text;
}

bool GridUtilities::ImportText(TStringGrid& grid, const std::string& path)
{
    FILE* file = OpenFile(path, "rb");
    if (!file) {
        Ui().MessageBox("Could not open text file", "error", MsgButtons::OK, MsgIcon::None);
        return false;
    }
    ClearGrid(grid);
    const TabText text = ReadTabText(file);
    std::fclose(file);
    if (text.titles.empty()) {
        Ui().MessageBox("No fields found on first line of text", "Import error", MsgButtons::OK, MsgIcon::Exclamation);
        return false;
    }
    FillTitles(grid, "Record nr.", text.titles);
    FillRows(grid, text.rows);
    return true;
}

void GridUtilities::FillTitles(TStringGrid& grid, const std::string& recordTitle, const std::vector<std::string>& titles)
{
    grid.SetColCount(static_cast<int>(titles.size()) + 1);
    grid.SetCells(0, 0, recordTitle);
    for (size_t field = 0; field < titles.size(); ++field)
        grid.SetCells(static_cast<int>(field) + 1, 0, titles[field]);
}

void GridUtilities::FillRows(TStringGrid& grid, const std::vector<std::vector<std::string>>& rows)
{
    grid.SetRowCount(std::max<int>(2, static_cast<int>(rows.size()) + 1));
    for (size_t k = 0; k < rows.size(); ++k) {
        const int row = static_cast<int>(k) + 1;
        grid.SetCells(0, row, std::to_string(row));
        for (size_t field = 0; field < rows[k].size(); ++field)
            grid.SetCells(static_cast<int>(field) + 1, row, rows[k][field]);
    }
}

void GridUtilities::ClearGrid(TStringGrid& grid)
{
    for (int row = 1; row < grid.RowCount(); ++row)
        EmptyRow(grid, row);
    grid.SetRowCount(2);
}

void GridUtilities::DeleteRow(TStringGrid& grid, int row)
{
    if (!IsBodyRow(grid, row))
        return;
    CopyToArray(grid, row + 1);
    CopyFromArray(grid, row);
    grid.SetRowCount(grid.RowCount() - 1);
    rows.clear();
}

void GridUtilities::InsertRow(TStringGrid& grid, int row)
{
    if (!IsBodyRow(grid, row))
        return;
    grid.SetRowCount(grid.RowCount() + 1);
    CopyToArray(grid, row);
    CopyFromArray(grid, row + 1);
    EmptyRow(grid, row);
    rows.clear();
}

void GridUtilities::CopyToArray(const TStringGrid& grid, int fromRow)
{
    rows.clear();
    for (int row = std::max(fromRow, 0); row < grid.RowCount(); ++row) {
        std::vector<std::string>& cells = rows.emplace_back();
        for (int col = 0; col < grid.HeldCells(row); ++col)
            cells.push_back(grid.Cells(col, row));
    }
}

// Each row is written as far as the copied row or the row written over holds cells; both are empty
// beyond.
void GridUtilities::CopyFromArray(TStringGrid& grid, int toRow)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        const int row = toRow + static_cast<int>(i);
        const std::vector<std::string>& cells = rows[i];
        const int last = std::max(grid.HeldCells(row), static_cast<int>(cells.size()));
        for (int col = 0; col < last; ++col)
            grid.SetCells(col, row, static_cast<size_t>(col) < cells.size() ? cells[static_cast<size_t>(col)] : "");
    }
}
