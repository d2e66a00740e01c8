#pragma once

#include "platform/ui/StringGrid.h"

#include <QTableView>

#include <functional>
#include <memory>

class StringGridModel;

// A window's string grid: a table view over a TStringGrid, its own or one it is given, keeping the
// current cell and the column widths of both in step. Moving the current cell with the mouse or the
// keys asks the grid's select-cell handler, as a move by code does. What the user types reaches the
// grid at every key, through TStringGrid::SetEditText, as the class library's grid writes its cells.
class StringGridView : public QTableView {
    Q_OBJECT

public:
    explicit StringGridView(QWidget* parent = nullptr);
    // A view of `grid`, which must outlive it.
    explicit StringGridView(TStringGrid& grid, QWidget* parent = nullptr);
    ~StringGridView() override;

    TStringGrid& Grid() { return grid_; }
    StringGridModel& Model() { return *model_; }

    // Columns from `firstColumn` on may be dragged to another place by their header, which the view
    // then shows. The move is the grid's: `moveColumn` (by default TStringGrid::MoveColumn) moves the
    // cells, and the header keeps showing the columns in the grid's order.
    using ColumnMover = std::function<void(int from, int to)>;
    void AllowColumnMoving(int firstColumn, ColumnMover moveColumn = nullptr);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    StringGridView(std::unique_ptr<TStringGrid> ownGrid, TStringGrid* grid, QWidget* parent);
    void ShowCurrentCell();
    void ShowColWidths();
    void SectionMoved(int column, int from, int to);

    std::unique_ptr<TStringGrid> ownGrid_;
    TStringGrid& grid_;
    std::unique_ptr<StringGridModel> model_; // before the grid goes, as it observes it
    bool following_ = false;
    int firstMovableColumn_ = 0;
    ColumnMover moveColumn_;
};
