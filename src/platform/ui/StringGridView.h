#pragma once

#include "platform/ui/StringGrid.h"

#include <QTableView>

#include <memory>

class StringGridModel;

// A window's string grid: a table view over its own TStringGrid, keeping the current cell and the
// column widths of both in step. Moving the current cell with the mouse or the keys asks the grid's
// select-cell handler, as a move by code does.
class StringGridView : public QTableView {
    Q_OBJECT

public:
    explicit StringGridView(QWidget* parent = nullptr);
    ~StringGridView() override;

    TStringGrid& Grid() { return grid_; }
    StringGridModel& Model() { return *model_; }

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void ShowCurrentCell();
    void ShowColWidths();

    TStringGrid grid_;
    std::unique_ptr<StringGridModel> model_; // before the grid goes, as it observes it
    bool following_ = false;
};
