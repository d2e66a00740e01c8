#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The class library's string grid as a model without a window: text cells addressed as (column,
// row), row and column counts, fixed (title) rows and columns, the current cell and column widths.
// Views attach as observers; StringGridModel shows it in a QTableView.
//
// A row keeps its cells only up to its last one written with text; the cells after it read empty
// without being stored. So a grid costs what its rows hold, not rows x columns: a file that claims
// many columns and fills one row cannot make every row that wide.
class TStringGrid {
public:
    // Told of every change, so that a view can follow.
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void GridAboutToResize() = 0;
        virtual void GridResized() = 0;
        virtual void CellChanged(int col, int row) = 0;
        virtual void CurrentCellChanged() = 0;
        virtual void ColWidthChanged(int col) = 0;
        virtual void FixedChanged() = 0;
    };

    // Asked before the current cell moves, also when code moves it; clearing `canSelect` keeps it.
    using SelectCellHandler = std::function<void(int col, int row, bool& canSelect)>;

    static constexpr int DefaultColWidth = 64;

    // The class library's new grid: five columns and five rows, one fixed of each.
    TStringGrid() : TStringGrid(5, 5) {}
    TStringGrid(int colCount, int rowCount);
    TStringGrid(const TStringGrid&) = delete;
    TStringGrid& operator=(const TStringGrid&) = delete;

    // Outside the grid a cell reads as empty and a write is ignored.
    const std::string& Cells(int col, int row) const;
    void SetCells(int col, int row, std::string_view text);
    // A cell the user edited: set, then OnSetEditText is told (SetCells by code tells no one).
    void SetEditText(int col, int row, std::string_view text);
    // Takes `from`'s column and row counts, cells and fixed rows, leaving it one empty row; the column
    // widths stay. Views are told once, as of a resize, however many cells come.
    void TakeCells(TStringGrid& from);
    // Moves column `from` to position `to`, its cells and width with it; the columns between shift by
    // one. Either index outside the grid leaves it alone.
    void MoveColumn(int from, int to);

    // The cells of the row kept in memory, from column 0; every later cell reads empty.
    int HeldCells(int row) const;

    int ColCount() const { return colCount_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // At least one; growing adds empty cells, shrinking drops the cells outside, so they never come
    // back when the grid grows again. Fixed rows or columns and the current cell stay inside.
    void SetColCount(int count);
    void SetRowCount(int count);

    int FixedRows() const { return fixedRows_; }
    int FixedCols() const { return fixedCols_; }
    // Clamped to 0 .. count - 1 rather than refused.
    void SetFixedRows(int count);
    void SetFixedCols(int count);

    int Row() const { return row_; }
    int Col() const { return col_; }
    // Moves the current cell when the select-cell handler agrees; a cell outside the grid is ignored.
    // Returns whether the cell moved.
    bool SetRow(int row) { return FocusCell(col_, row); }
    bool SetCol(int col) { return FocusCell(col, row_); }
    bool FocusCell(int col, int row);

    int ColWidths(int col) const;
    void SetColWidths(int col, int width);

    // Whether a view lets the user edit the cells.
    bool Editing() const { return editing_; }
    void SetEditing(bool editing) { editing_ = editing; }

    SelectCellHandler OnSelectCell;
    std::function<void(int col, int row, const std::string& text)> OnSetEditText;

    void AddObserver(Observer* observer);
    void RemoveObserver(Observer* observer);

private:
    template <typename Call> void Notify(Call call);
    void KeepCurrentInside();

    int colCount_;
    std::vector<std::vector<std::string>> rows_;
    std::vector<int> colWidths_;
    int fixedRows_ = 1;
    int fixedCols_ = 1;
    int row_ = 1;
    int col_ = 1;
    bool editing_ = false;
    std::vector<Observer*> observers_;
};
