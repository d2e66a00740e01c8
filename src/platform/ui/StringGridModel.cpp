#include "platform/ui/StringGridModel.h"

#include "platform/core/CodePage.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

StringGridModel::StringGridModel(TStringGrid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid)
{
    grid_.AddObserver(this);
}

StringGridModel::~StringGridModel() { grid_.RemoveObserver(this); }

int StringGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.RowCount(); }

int StringGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.ColCount(); }

bool StringGridModel::IsFixed(const QModelIndex& index) const
{
    return index.row() < grid_.FixedRows() || index.column() < grid_.FixedCols();
}

QVariant StringGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: {
        QString shown = toShownQString(grid_.Cells(index.column(), index.row()));
        if (decoration_)
            shown += toQString(decoration_(index.column(), index.row()));
        return shown;
    }
    case Qt::EditRole:
        return toQString(grid_.Cells(index.column(), index.row()));
    case Qt::BackgroundRole:
        if (IsFixed(index))
            return QGuiApplication::palette().brush(QPalette::Button);
        return QVariant();
    default:
        return QVariant();
    }
}

bool StringGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    grid_.SetEditText(index.column(), index.row(), fromQString(value.toString()));
    return true;
}

QVariant StringGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The column titles are the grid's first row; a header shown only to drag columns stays blank.
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QVariant();
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags StringGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (grid_.Editing() && !IsFixed(index))
        flags |= Qt::ItemIsEditable;
    return flags;
}

void StringGridModel::GridAboutToResize() { beginResetModel(); }

void StringGridModel::GridResized()
{
    endResetModel();
    emit currentCellChanged();
}

void StringGridModel::CellChanged(int col, int row)
{
    const QModelIndex cell = index(row, col);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
}

void StringGridModel::CurrentCellChanged() { emit currentCellChanged(); }

void StringGridModel::ColWidthChanged(int col) { emit colWidthChanged(col); }

void StringGridModel::FixedChanged()
{
    if (grid_.RowCount() > 0 && grid_.ColCount() > 0)
        emit dataChanged(index(0, 0), index(grid_.RowCount() - 1, grid_.ColCount() - 1), {Qt::BackgroundRole});
    emit currentCellChanged();
}
