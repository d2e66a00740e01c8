#pragma once

#include "platform/data/DataSource.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

class TdCustomADODataset;

// The records of the data set behind a data source as a read-only table for a view: the field names
// as column titles, one row per record with each field's text. It follows the data set: opened,
// closed, changed as a whole, or one record edited.
class DataLinkTableModel : public QAbstractTableModel, private TDataLink {
    Q_OBJECT

public:
    explicit DataLinkTableModel(TDataSource& source, QObject* parent = nullptr);

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
    static std::vector<std::string> RecordTexts(TdCustomADODataset& dataSet);

    std::vector<std::string> titles_;
    std::vector<std::vector<std::string>> rows_;
    bool reading_ = false; // the walk over the records moves the data set, which tells this link
};
