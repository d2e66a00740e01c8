#include "catalog/DataLinkTableModel.h"

#include "ado/Adocomps.h"
#include "catalog/DidADOData.h"
#include "platform/core/CodePage.h"
#include "platform/core/StringList.h"

DataLinkTableModel::DataLinkTableModel(TDataSource& source, QObject* parent) : QAbstractTableModel(parent)
{
    SetDataSource(&source);
    Reload();
}

int DataLinkTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DataLinkTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant DataLinkTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const std::vector<std::string>& row = rows_[static_cast<size_t>(index.row())];
    const auto column = static_cast<size_t>(index.column());
    return column < row.size() ? toQString(row[column]) : QString();
}

QVariant DataLinkTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return toQString(titles_[static_cast<size_t>(section)]);
}

TdCustomADODataset* DataLinkTableModel::OpenDataSet() const
{
    auto* dataSet = dynamic_cast<TdCustomADODataset*>(DataSet());
    return Active() && dataSet && dataSet->Active() ? dataSet : nullptr;
}

std::vector<std::string> DataLinkTableModel::RecordTexts(TdCustomADODataset& dataSet)
{
    std::vector<std::string> texts;
    for (int field = 0; field < dataSet.FieldCount(); ++field)
        texts.push_back(DataSetFieldText(dataSet, field));
    return texts;
}

void DataLinkTableModel::Reload()
{
    if (reading_)
        return;
    std::vector<std::string> titles;
    std::vector<std::vector<std::string>> rows;
    TdCustomADODataset* dataSet = OpenDataSet();
    // A record being edited stays where it is: moving would post it.
    if (dataSet && dataSet->State() != dsBrowse)
        return;
    if (dataSet) {
        reading_ = true;
        try {
            TStringList names;
            dataSet->GetFieldNames(names);
            for (int i = 0; i < names.Count(); ++i)
                titles.push_back(names[i]);
            const int current = dataSet->RecNo();
            for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
                rows.push_back(RecordTexts(*dataSet));
            if (current >= 1)
                dataSet->SetRecNo(current);
        } catch (...) {
            reading_ = false;
            throw;
        }
        reading_ = false;
    }
    beginResetModel();
    titles_ = std::move(titles);
    rows_ = std::move(rows);
    endResetModel();
}

void DataLinkTableModel::RecordChanged(TField*)
{
    TdCustomADODataset* dataSet = OpenDataSet();
    if (reading_ || !dataSet)
        return;
    const int row = dataSet->RecNo() - 1;
    if (row < 0 || row >= rowCount())
        return;
    rows_[static_cast<size_t>(row)] = RecordTexts(*dataSet);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
