#pragma once

#include "catalog/Didbase.h"
#include "platform/core/Keyval.h"

#include <string>
#include <string_view>

class AdoRecordset;
class Exception;
class TdADOConnection;
class TdADODataset;
class TdCustomADODataset;
class TDataSet;
class TField;

// The text of a field of the data set's current record; empty for a field beyond its fields. A value
// its field cannot hold (a NUMERIC beyond the currency range) is given as the data source holds it,
// so that one such value ends no walk over the rows.
std::string DataSetFieldText(TdCustomADODataset& dataSet, int field);
// The same text of the record `rows` stands on, a cursor of its own over the data set's rows
// (AdoRecordset::Clone), so that the data set stays where it is; read no further than its first
// `characters` characters, which a longer text gives.
std::string RowFieldText(TdCustomADODataset& dataSet, const AdoRecordset& rows, int field, size_t characters);
// The path a text field holds, as the system names it: its text in UTF-8, whatever the script.
std::string FieldPath(const TField& field);
// `message`, then, for a link the program refused (its connection string, or the database it names)
// or a read stopped at its bounds (time, memory), the reason: a refused link and an unreachable data
// source are told apart.
std::string ConnectionFailureText(std::string_view message, const Exception& error);
// The statement that reads every row of `table` through `connection` (open): "SELECT * FROM " and the
// name, quoted as the driver quotes identifiers wherever it is more than a plain name.
std::string SelectAllStatement(const TdADOConnection& connection, std::string_view table);

// What a data-link catalog reads through and tells: the database components of the document that
// owns it, and the two things of the windows above the catalog that it asks or drives.
class DataLinkHost {
public:
    virtual TdADOConnection& DataConnection() = 0;
    virtual TdADODataset& DataSet() = 0;
    // The planogram setup wizard connects its own components while it is shown.
    virtual bool PlanogramWizardVisible() = 0;
    // Shows the catalog's current product in the main window's catalog bar.
    virtual void UpdateCatalogBar() = 0;

protected:
    ~DataLinkHost() = default;
};

// The data-link catalog (".ddl"): a small key=value file naming a database connection, a table and
// the table's columns for each role. The records are the rows of the host's dataset, opened on that
// table. Without a host (the Catalog Manager and the setup wizard, which connect their own
// components) only the link is read and written; records then give false, "" and nothing.
class didADOData : public didBase {
public:
    explicit didADOData(DataLinkHost* host = nullptr);
    // Closes the host's dataset: its rows were this catalog's.
    ~didADOData() override;

    // Copies the dataset's current row; `n` is not used, and `recordNumber` becomes 0.
    bool GoToRecord(int n) override;
    // Grid rows 1.. receive records first.. while there are any; nothing for a first record outside
    // the dataset.
    void LoadRangeIntoGrid(TStringGrid& grid, int first, int count) override;
    std::string GetFieldText(int field, int record) override;
    // Reads the link; bound and without a grid, also connects and opens the dataset on the table.
    bool Open(const std::string& path, TStringGrid* grid) override;
    // Writes the link; the grid is not used. A failed write keeps the old file.
    bool SaveToFile(const std::string& path, TStringGrid* grid, const std::string& unitsText,
                    const std::string& photoCollectionText) override;
    void LoadIntoGrid(TStringGrid& grid) override;
    bool First() override;
    bool Last() override;
    // A hit also updates the catalog bar; a miss leaves the dataset where it was.
    bool FindByKey(const std::string& key) override;
    // On the last row, copies it again.
    bool Next() override;
    bool Prior() override;
    int CurrentRecord() const override { return recordNumber; }

    // The most fields a link may claim, so that a damaged count cannot size huge arrays.
    static constexpr int MaxLinkFields = 4096;

private:
    void ReadLink();
    bool ConnectHost();
    bool OpenTable();
    // The host's dataset while it is open, else nullptr: there is nothing to read then.
    TdADODataset* OpenDataSet() const;
    bool Move(void (TDataSet::*step)());
    void PrepareGrid(TStringGrid& grid, TdADODataset& dataSet, int rowCount);
    static void FillGridRow(TStringGrid& grid, int row, TdADODataset& dataSet);
    // Moves to a record number of the dataset, never to one outside its records.
    static void MoveToRecord(TdADODataset& dataSet, int record);

    DataLinkHost* host;
    KeyVal store;
};
