#include "platform/ui/StringGridView.h"

#include "platform/ui/StringGridModel.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace {

// The header strip that columns are dragged by: the titles are the grid's own first row.
constexpr int MovingHeaderHeight = 10;

// Hands every change of a cell's editor to the view at once, so that the grid holds what is typed
// while it is typed; the editor is not reset to the text it just gave, which would move its cursor.
class TypingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            // The delegate itself is not const; only Qt's factory method is.
            connect(line, &QLineEdit::textEdited, this,
                    [this, line] { emit const_cast<TypingDelegate*>(this)->commitData(line); });
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            if (line->text() == index.data(Qt::EditRole).toString())
                return;
        QStyledItemDelegate::setEditorData(editor, index);
    }
};

} // namespace

StringGridView::StringGridView(QWidget* parent) : StringGridView(std::make_unique<TStringGrid>(), nullptr, parent) {}

StringGridView::StringGridView(TStringGrid& grid, QWidget* parent) : StringGridView(nullptr, &grid, parent) {}

StringGridView::StringGridView(std::unique_ptr<TStringGrid> ownGrid, TStringGrid* grid, QWidget* parent)
    : QTableView(parent), ownGrid_(std::move(ownGrid)), grid_(grid ? *grid : *ownGrid_),
      model_(std::make_unique<StringGridModel>(grid_))
{
    setModel(model_.get());
    setItemDelegate(new TypingDelegate(this));
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

void StringGridView::AllowColumnMoving(int firstColumn, ColumnMover moveColumn)
{
    firstMovableColumn_ = firstColumn;
    moveColumn_ = moveColumn ? std::move(moveColumn) : [this](int from, int to) { grid_.MoveColumn(from, to); };
    QHeaderView* header = horizontalHeader();
    header->setSectionsMovable(true);
    header->setFixedHeight(MovingHeaderHeight);
    header->show();
    connect(header, &QHeaderView::sectionMoved, this, &StringGridView::SectionMoved, Qt::UniqueConnection);
}

void StringGridView::SectionMoved(int column, int from, int to)
{
    if (following_)
        return;
    // The header only reorders what it shows; it goes back to showing column i at place i, and the
    // grid itself moves the column, so that what is seen is what the grid holds.
    following_ = true;
    horizontalHeader()->moveSection(to, from);
    following_ = false;
    if (column >= firstMovableColumn_ && to >= firstMovableColumn_)
        moveColumn_(column, to);
}

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
