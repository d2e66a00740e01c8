#pragma once

#include "platform/data/DataSource.h"

#include <QAbstractTableModel>

#include <memory>
#include <string>
#include <vector>

class AdoRecordset;
class TdCustomADODataset;

// The records of the data set behind a data source as a read-only table for a view: the field names
// as column titles, one row per record with each field's text. It follows the data set: opened,
// closed, changed as a whole, or one record edited.
//
// It holds no copy of the records: a cell is read from the data set's rows when the view asks for
// it, through a cursor of its own, so that the data set never moves and an edit in progress is
// neither posted nor disturbed; only the start of a long text is read. The record being edited shows
// as the data set holds it, kept as the start of each field's text.
class DataLinkTableModel : public QAbstractTableModel, private TDataLink {
    Q_OBJECT

public:
    explicit DataLinkTableModel(TDataSource& source, QObject* parent = nullptr);
    ~DataLinkTableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void ActiveChanged() override { Reload(); }
    void DataSetChanged() override { Reload(); }
    // Moving to another record changes no text.
    void DataSetScrolled(int) override {}
    void RecordChanged(TField* field) override;

    // The data set, when it is open and of the ADO family, else nullptr.
    TdCustomADODataset* OpenDataSet() const;
    void Reload();
    std::string CellText(TdCustomADODataset& dataSet, int row, int column) const;

    std::vector<std::string> titles_;
    mutable std::shared_ptr<AdoRecordset> rows_; // the data set's rows, read through a cursor of its own
    int rowCount_ = 0;
    int editedRow_ = -1; // the record the data set last told of a change to, shown as it holds it
    std::vector<std::string> editedTexts_;
};
