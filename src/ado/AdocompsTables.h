#pragma once

#include "ado/AdocompsDataset.h"
#include "platform/core/StringList.h"

#include <string>
#include <string_view>

// A table opened by name.
class TdADOTable : public TdCustomADODataset {
public:
    TdADOTable();

    const std::string& TableName() const { return tableName_; }
    // Becomes the command text, which an open table refuses.
    void SetTableName(std::string_view name);
    bool TableDirect() const { return CommandType() == ad_CmdTableDirect; }
    void SetTableDirect(bool direct) { SetCommandType(direct ? ad_CmdTableDirect : ad_CmdTable); }
    TDataSource* MasterSource() const { return GetDataSource(); }
    void SetMasterSource(TDataSource* source) { SetDataSource(source); }
    using TdCustomADODataset::CommandTimeout;
    using TdCustomADODataset::MasterFields;
    using TdCustomADODataset::SetCommandTimeout;
    using TdCustomADODataset::SetMasterFields;

    using TdCustomADODataset::GetIndexNames;
    using TdCustomADODataset::IndexFieldNames;
    using TdCustomADODataset::IndexName;
    using TdCustomADODataset::SetIndexFieldNames;
    using TdCustomADODataset::SetIndexName;

private:
    std::string tableName_;
};

// A query over the lines of its SQL, which become the command text with every change.
class TdADOQuery : public TdCustomADODataset {
public:
    TdADOQuery();

    // The lines change through the setters below, so that the command text follows each change; an
    // open query refuses them.
    const TStringList& SQL() const { return sql_; }
    void SetSQL(const TStringList& lines);
    void SetSQLText(std::string_view text);
    void AddSQL(std::string_view line);
    void ClearSQL();
    // Runs the statement and returns the count of rows it changed.
    int ExecSQL();
    int RowsAffected() const { return rowsAffected_; }

    using TdCustomADODataset::DataSource;
    using TdCustomADODataset::ParamByName;
    using TdCustomADODataset::ParamCheck;
    using TdCustomADODataset::Parameters;
    using TdCustomADODataset::Prepared;
    using TdCustomADODataset::SetDataSource;
    using TdCustomADODataset::SetParamCheck;
    using TdCustomADODataset::SetParameters;
    using TdCustomADODataset::SetPrepared;

private:
    void TakeLines(TStringList lines);

    TStringList sql_;
    int rowsAffected_ = 0;
};

// A stored procedure (a function on PostgreSQL): run for its effect, or opened for its rows.
class TdADOStoredProc : public TdCustomADODataset {
public:
    TdADOStoredProc();

    const std::string& ProcedureName() const { return CommandText(); }
    void SetProcedureName(std::string_view name) { SetCommandText(name); }
    void ExecProc();

    using TdCustomADODataset::DataSource;
    using TdCustomADODataset::ParamByName;
    using TdCustomADODataset::Parameters;
    using TdCustomADODataset::Prepared;
    using TdCustomADODataset::SetDataSource;
    using TdCustomADODataset::SetParameters;
    using TdCustomADODataset::SetPrepared;
};
