#pragma once

#include "platform/ui/StringGrid.h"

#include <QAbstractTableModel>

#include <functional>
#include <string>

// Shows a TStringGrid to Qt's item views: every cell, fixed ones included, is an item; fixed cells
// are shaded and never editable, the others editable when the grid allows editing. A cell shows the
// start of a long text (toShownQString); its editor takes the whole text.
class StringGridModel : public QAbstractTableModel, private TStringGrid::Observer {
    Q_OBJECT

public:
    explicit StringGridModel(TStringGrid& grid, QObject* parent = nullptr);
    ~StringGridModel() override;

    TStringGrid& Grid() const { return grid_; }

    // What a cell shows after its text: a decoration that never enters the grid, so edits and saves
    // see only the text.
    using Decoration = std::function<std::string(int col, int row)>;
    void SetDecoration(Decoration decoration) { decoration_ = std::move(decoration); }
    // Shows the cell anew, for a decoration that changed.
    void RefreshCell(int col, int row) { CellChanged(col, row); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The user's edit: the grid's edit handler is told.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void currentCellChanged();
    void colWidthChanged(int col);

private:
    bool IsFixed(const QModelIndex& index) const;

    void GridAboutToResize() override;
    void GridResized() override;
    void CellChanged(int col, int row) override;
    void CurrentCellChanged() override;
    void ColWidthChanged(int col) override;
    void FixedChanged() override;

    TStringGrid& grid_;
    Decoration decoration_;
};
