#include "catalog/DataLinkTableModel.h"

#include "ado/Adocomps.h"
#include "catalog/DidADOData.h"
#include "platform/core/CodePage.h"
#include "platform/core/StringList.h"
#include "platform/services/AdoRecordset.h"

namespace {

// A cell reads one character more than it shows, so that a longer text is shown cut.
constexpr size_t ReadCharacters = ShownCharacters + 1;

} // namespace

DataLinkTableModel::DataLinkTableModel(TDataSource& source, QObject* parent) : QAbstractTableModel(parent)
{
    SetDataSource(&source);
    Reload();
}

DataLinkTableModel::~DataLinkTableModel() = default;

int DataLinkTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rowCount_; }

int DataLinkTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant DataLinkTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    TdCustomADODataset* dataSet = OpenDataSet();
    return dataSet ? toShownQString(CellText(*dataSet, index.row(), index.column())) : QString();
}

QVariant DataLinkTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return toShownQString(titles_[static_cast<size_t>(section)]);
}

TdCustomADODataset* DataLinkTableModel::OpenDataSet() const
{
    auto* dataSet = dynamic_cast<TdCustomADODataset*>(DataSet());
    return Active() && dataSet && dataSet->Active() ? dataSet : nullptr;
}

std::string DataLinkTableModel::CellText(TdCustomADODataset& dataSet, int row, int column) const
{
    if (row == editedRow_)
        return column < static_cast<int>(editedTexts_.size()) ? editedTexts_[static_cast<size_t>(column)]
                                                              : std::string();
    // The cursor is made when first needed, not at each change: walking the records changes the
    // data set at every step.
    if (!rows_)
        rows_ = dataSet.Recordset()->Clone();
    if (row >= rows_->RecordCount())
        return {};
    rows_->SetAbsolutePosition(row + 1);
    return RowFieldText(dataSet, *rows_, column, ReadCharacters);
}

void DataLinkTableModel::Reload()
{
    TdCustomADODataset* dataSet = OpenDataSet();
    // A record being edited or inserted keeps showing as it is until the data set is browsed again.
    if (dataSet && dataSet->State() != dsBrowse)
        return;
    std::vector<std::string> titles;
    int rowCount = 0;
    if (dataSet) {
        TStringList names;
        dataSet->GetFieldNames(names);
        for (int i = 0; i < names.Count(); ++i)
            titles.push_back(names[i]);
        rowCount = dataSet->RecordCount();
    }
    beginResetModel();
    titles_ = std::move(titles);
    rowCount_ = rowCount;
    rows_.reset();
    editedRow_ = -1;
    editedTexts_.clear();
    endResetModel();
}

void DataLinkTableModel::RecordChanged(TField*)
{
    TdCustomADODataset* dataSet = OpenDataSet();
    if (!dataSet)
        return;
    const int row = dataSet->RecNo() - 1;
    if (row < 0 || row >= rowCount())
        return;
    editedRow_ = row;
    editedTexts_.clear();
    for (int field = 0; field < dataSet->FieldCount(); ++field)
        editedTexts_.push_back(DataSetFieldText(*dataSet, field).substr(0, ReadCharacters));
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
