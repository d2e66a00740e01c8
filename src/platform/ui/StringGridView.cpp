#include "platform/ui/StringGridView.h"

#include "platform/ui/StringGridModel.h"

#include <QHeaderView>

StringGridView::StringGridView(QWidget* parent) : QTableView(parent), model_(std::make_unique<StringGridModel>(grid_))
{
    setModel(model_.get());
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(24);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    connect(model_.get(), &StringGridModel::currentCellChanged, this, &StringGridView::ShowCurrentCell);
    connect(model_.get(), &StringGridModel::colWidthChanged, this,
            [this](int col) { setColumnWidth(col, grid_.ColWidths(col)); });
    connect(model_.get(), &QAbstractItemModel::modelReset, this, &StringGridView::ShowColWidths);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int width) {
        if (!following_)
            grid_.SetColWidths(col, width);
    });
    ShowColWidths();
    ShowCurrentCell();
}

StringGridView::~StringGridView() { setModel(nullptr); }

void StringGridView::ShowColWidths()
{
    following_ = true;
    for (int col = 0; col < grid_.ColCount(); ++col)
        setColumnWidth(col, grid_.ColWidths(col));
    following_ = false;
}

void StringGridView::ShowCurrentCell()
{
    const QModelIndex cell = model_->index(grid_.Row(), grid_.Col());
    if (cell == currentIndex())
        return;
    following_ = true;
    setCurrentIndex(cell);
    following_ = false;
}

void StringGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid())
        return;
    if (current.row() == grid_.Row() && current.column() == grid_.Col())
        return;
    // The handler may refuse the move; the view then goes back to the grid's current cell.
    if (!grid_.FocusCell(current.column(), current.row()))
        ShowCurrentCell();
}
