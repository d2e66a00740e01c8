#include "catalog/GridUtilities.h"

#include "platform/ui/StringGrid.h"

#include <algorithm>

namespace {

bool IsBodyRow(const TStringGrid& grid, int row) { return row >= 1 && row < grid.RowCount(); }

void EmptyRow(TStringGrid& grid, int row)
{
    for (int col = 0; col < grid.ColCount(); ++col)
        grid.SetCells(col, row, "");
}

} // namespace

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
    cells.clear();
}

void GridUtilities::InsertRow(TStringGrid& grid, int row)
{
    if (!IsBodyRow(grid, row))
        return;
    grid.SetRowCount(grid.RowCount() + 1);
    CopyToArray(grid, row);
    CopyFromArray(grid, row + 1);
    EmptyRow(grid, row);
    cells.clear();
}

void GridUtilities::CopyToArray(const TStringGrid& grid, int fromRow)
{
    cells.clear();
    for (int row = std::max(fromRow, 0); row < grid.RowCount(); ++row)
        for (int col = 0; col < grid.ColCount(); ++col)
            cells.push_back(grid.Cells(col, row));
}

void GridUtilities::CopyFromArray(TStringGrid& grid, int toRow)
{
    const size_t columns = static_cast<size_t>(grid.ColCount());
    for (size_t i = 0; i < cells.size(); ++i)
        grid.SetCells(static_cast<int>(i % columns), toRow + static_cast<int>(i / columns), cells[i]);
}
