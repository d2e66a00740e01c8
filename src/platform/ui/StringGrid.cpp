#include "platform/ui/StringGrid.h"

#include <algorithm>

namespace {

const std::string EmptyCell;

// Lengthens a row to `count` cells, doubling its room as it grows but never past the column count,
// so that a row written cell by cell ends up taking no more than its cells.
std::string& Lengthen(std::vector<std::string>& cells, size_t count, int colCount)
{
    if (count > cells.capacity())
        cells.reserve(std::min(std::max(count, 2 * cells.capacity()), static_cast<size_t>(colCount)));
    cells.resize(count);
    return cells.back();
}

} // namespace

TStringGrid::TStringGrid(int colCount, int rowCount)
    : colCount_(std::max(colCount, 1)), rows_(static_cast<size_t>(std::max(rowCount, 1))),
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
    const std::vector<std::string>& cells = rows_[static_cast<size_t>(row)];
    return static_cast<size_t>(col) < cells.size() ? cells[static_cast<size_t>(col)] : EmptyCell;
}

void TStringGrid::SetCells(int col, int row, std::string_view text)
{
    if (col < 0 || row < 0 || col >= colCount_ || row >= RowCount())
        return;
    std::vector<std::string>& cells = rows_[static_cast<size_t>(row)];
    if (static_cast<size_t>(col) < cells.size())
        cells[static_cast<size_t>(col)] = text;
    else if (!text.empty())
        Lengthen(cells, static_cast<size_t>(col) + 1, colCount_) = text;
    Notify([&](Observer& o) { o.CellChanged(col, row); });
}

void TStringGrid::SetEditText(int col, int row, std::string_view text)
{
    SetCells(col, row, text);
    if (OnSetEditText)
        OnSetEditText(col, row, std::string(text));
}

void TStringGrid::TakeCells(TStringGrid& from)
{
    if (&from == this)
        return;
    const auto aboutToResize = [](Observer& o) { o.GridAboutToResize(); };
    const auto resized = [](Observer& o) { o.GridResized(); };
    Notify(aboutToResize);
    from.Notify(aboutToResize);
    colCount_ = from.colCount_;
    colWidths_.resize(static_cast<size_t>(colCount_), DefaultColWidth);
    rows_ = std::move(from.rows_);
    fixedRows_ = std::clamp(from.fixedRows_, 0, RowCount() - 1);
    fixedCols_ = std::min(fixedCols_, colCount_ - 1);
    KeepCurrentInside();
    from.rows_.assign(1, {});
    from.fixedRows_ = 0;
    from.KeepCurrentInside();
    Notify(resized);
    from.Notify(resized);
}

// Moves the element at `from` to `to` and shifts the ones between.
template <typename T> static void MoveElement(std::vector<T>& items, size_t from, size_t to)
{
    if (from < to)
        std::rotate(items.begin() + static_cast<std::ptrdiff_t>(from),
                    items.begin() + static_cast<std::ptrdiff_t>(from) + 1,
                    items.begin() + static_cast<std::ptrdiff_t>(to) + 1);
    else
        std::rotate(items.begin() + static_cast<std::ptrdiff_t>(to), items.begin() + static_cast<std::ptrdiff_t>(from),
                    items.begin() + static_cast<std::ptrdiff_t>(from) + 1);
}

void TStringGrid::MoveColumn(int from, int to)
{
    if (from < 0 || to < 0 || from >= colCount_ || to >= colCount_ || from == to)
        return;
    Notify([](Observer& o) { o.GridAboutToResize(); });
    const size_t first = static_cast<size_t>(std::min(from, to));
    const size_t needed = static_cast<size_t>(std::max(from, to)) + 1;
    // A row holding nothing from the first moved column on has only empty cells to move.
    for (std::vector<std::string>& cells : rows_)
        if (cells.size() > first) {
            if (cells.size() < needed)
                cells.resize(needed);
            MoveElement(cells, static_cast<size_t>(from), static_cast<size_t>(to));
        }
    MoveElement(colWidths_, static_cast<size_t>(from), static_cast<size_t>(to));
    Notify([](Observer& o) { o.GridResized(); });
}

int TStringGrid::HeldCells(int row) const
{
    return row < 0 || row >= RowCount() ? 0 : static_cast<int>(rows_[static_cast<size_t>(row)].size());
}

void TStringGrid::SetColCount(int count)
{
    count = std::max(count, 1);
    if (count == colCount_)
        return;
    Notify([](Observer& o) { o.GridAboutToResize(); });
    colCount_ = count;
    for (std::vector<std::string>& cells : rows_)
        if (cells.size() > static_cast<size_t>(count))
            cells.resize(static_cast<size_t>(count));
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
    rows_.resize(static_cast<size_t>(count));
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
