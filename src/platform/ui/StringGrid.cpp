#include "platform/ui/StringGrid.h"

#include <algorithm>

namespace {

const std::string EmptyCell;

} // namespace

TStringGrid::TStringGrid(int colCount, int rowCount)
    : colCount_(std::max(colCount, 1)),
      rows_(static_cast<size_t>(std::max(rowCount, 1)), std::vector<std::string>(static_cast<size_t>(colCount_))),
      colWidths_(static_cast<size_t>(colCount_), DefaultColWidth)
{
    SetFixedRows(1);
    SetFixedCols(1);
    KeepCurrentInside();
}

template <typename Call> void TStringGrid::Notify(Call call)
{
    for (Observer* observer : observers_)
        call(*observer);
}

const std::string& TStringGrid::Cells(int col, int row) const
{
    if (col < 0 || row < 0 || col >= colCount_ || row >= RowCount())
        return EmptyCell;
    return rows_[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

void TStringGrid::SetCells(int col, int row, std::string_view text)
{
    if (col < 0 || row < 0 || col >= colCount_ || row >= RowCount())
        return;
    rows_[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
    Notify([&](Observer& o) { o.CellChanged(col, row); });
}

void TStringGrid::SetColCount(int count)
{
    count = std::max(count, 1);
    if (count == colCount_)
        return;
    Notify([](Observer& o) { o.GridAboutToResize(); });
    colCount_ = count;
    for (std::vector<std::string>& row : rows_)
        row.resize(static_cast<size_t>(count));
    colWidths_.resize(static_cast<size_t>(count), DefaultColWidth);
    fixedCols_ = std::min(fixedCols_, count - 1);
    KeepCurrentInside();
    Notify([](Observer& o) { o.GridResized(); });
}

void TStringGrid::SetRowCount(int count)
{
    count = std::max(count, 1);
    if (count == RowCount())
        return;
    Notify([](Observer& o) { o.GridAboutToResize(); });
    rows_.resize(static_cast<size_t>(count), std::vector<std::string>(static_cast<size_t>(colCount_)));
    fixedRows_ = std::min(fixedRows_, count - 1);
    KeepCurrentInside();
    Notify([](Observer& o) { o.GridResized(); });
}

void TStringGrid::SetFixedRows(int count)
{
    fixedRows_ = std::clamp(count, 0, RowCount() - 1);
    KeepCurrentInside();
    Notify([](Observer& o) { o.FixedChanged(); });
}

void TStringGrid::SetFixedCols(int count)
{
    fixedCols_ = std::clamp(count, 0, colCount_ - 1);
    KeepCurrentInside();
    Notify([](Observer& o) { o.FixedChanged(); });
}

// The current cell stays inside the grid; when the fixed part grows over it, it moves to the first
// cell the user could pick.
void TStringGrid::KeepCurrentInside()
{
    row_ = std::clamp(row_, fixedRows_, RowCount() - 1);
    col_ = std::clamp(col_, fixedCols_, colCount_ - 1);
}

bool TStringGrid::FocusCell(int col, int row)
{
    if (col < 0 || row < 0 || col >= colCount_ || row >= RowCount())
        return false;
    bool canSelect = true;
    if (OnSelectCell)
        OnSelectCell(col, row, canSelect);
    if (!canSelect)
        return false;
    col_ = col;
    row_ = row;
    Notify([](Observer& o) { o.CurrentCellChanged(); });
    return true;
}

int TStringGrid::ColWidths(int col) const
{
    if (col < 0 || col >= colCount_)
        return DefaultColWidth;
    return colWidths_[static_cast<size_t>(col)];
}

void TStringGrid::SetColWidths(int col, int width)
{
    if (col < 0 || col >= colCount_ || width == colWidths_[static_cast<size_t>(col)])
        return;
    colWidths_[static_cast<size_t>(col)] = std::max(width, 0);
    Notify([&](Observer& o) { o.ColWidthChanged(col); });
}

void TStringGrid::AddObserver(Observer* observer)
{
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void TStringGrid::RemoveObserver(Observer* observer)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}
