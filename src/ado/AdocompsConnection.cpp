#include "ado/AdocompsConnection.h"

#include "ado/AdocompsDataset.h"

TdADOConnection::TdADOConnection() : connection_(AdoConnection::Create())
{
    connection_->SetCursorLocation(ToAdo(ad_UseClient));
}

TdADOConnection::~TdADOConnection()
{
    // Nothing may leave a destructor: a failing rollback is dropped, and the connection then closes
    // without it (the data source rolls back what a closing connection leaves open).
    try {
        Close();
    } catch (const std::exception&) {
        if (GetConnected())
            connection_->Close();
    }
    ReleaseUsers(commands_);
    ReleaseUsers(datasets_);
}

// Each user removes itself when its connection is set to none; one that did not is removed here.
void TdADOConnection::ReleaseUsers(std::vector<TAdoConnectionUser*>& users)
{
    while (!users.empty()) {
        TAdoConnectionUser* user = users.front();
        user->SetConnection(nullptr);
        std::erase(users, user);
    }
}

void TdADOConnection::SetConnected(bool connected)
{
    if (Loading())
        streamedConnected_ = connected;
    else if (connected)
        Open();
    else
        Close();
}

void TdADOConnection::SetConnectionString(std::string_view text)
{
    if (text != connection_->ConnectionString())
        connection_->SetConnectionString(text);
}

std::string TdADOConnection::DefaultDatabase() const
{
    return GetConnected() ? connection_->DefaultDatabase() : defaultDatabase_;
}

void TdADOConnection::SetDefaultDatabase(std::string_view database)
{
    if (database == defaultDatabase_)
        return;
    defaultDatabase_ = database;
    if (GetConnected())
        connection_->SetDefaultDatabase(database);
}

TIsolationLevel TdADOConnection::IsolationLevel()
{
    if (ToAdo(isolationLevel_) != connection_->IsolationLevel())
        isolationLevel_ = FromAdo<TIsolationLevel>(connection_->IsolationLevel());
    return isolationLevel_;
}

void TdADOConnection::SetIsolationLevel(TIsolationLevel level)
{
    connection_->SetIsolationLevel(ToAdo(level));
    isolationLevel_ = level;
}

void TdADOConnection::SetMode(TConnectMode mode)
{
    if (mode != Mode())
        connection_->SetMode(ToAdo(mode));
}

void TdADOConnection::SetProvider(std::string_view provider)
{
    if (provider != connection_->Provider())
        connection_->SetProvider(provider);
}

void TdADOConnection::SetConnectionObject(std::shared_ptr<AdoConnection> connection)
{
    if (connection)
        connection_ = std::move(connection);
}

void TdADOConnection::Open()
{
    if (GetConnected())
        return;
    connection_->Open({}, userId_, password_, ToAdo(connectOptions_));
    if (!defaultDatabase_.empty())
        connection_->SetDefaultDatabase(defaultDatabase_);
}

void TdADOConnection::Close()
{
    if (!GetConnected())
        return;
    while (transactionLevel_ > 0)
        RollbackTrans();
    connection_->Close();
}

void TdADOConnection::CheckActive()
{
    if (!GetConnected())
        Open();
}

int TdADOConnection::BeginTrans()
{
    transactionLevel_ = connection_->BeginTrans();
    return transactionLevel_;
}

void TdADOConnection::CommitTrans()
{
    connection_->CommitTrans();
    if (transactionLevel_ >= 1)
        --transactionLevel_;
}

void TdADOConnection::RollbackTrans()
{
    connection_->RollbackTrans();
    if (transactionLevel_ > 0)
        --transactionLevel_;
}

std::shared_ptr<AdoRecordset> TdADOConnection::Execute(std::string_view commandText, int& recordsAffected,
                                                       TExecuteOptions options)
{
    CheckActive();
    std::int64_t affected = 0;
    auto recordset = connection_->Execute(commandText, affected, ToAdo(options) + ToAdo(ad_CmdText));
    recordsAffected = ClampedToInt(affected);
    return recordset;
}

std::shared_ptr<AdoRecordset> TdADOConnection::Execute(std::string_view commandText, TCommandType commandType,
                                                       TExecuteOptions options)
{
    CheckActive();
    return connection_->Execute(commandText, ToAdo(options) + ToAdo(commandType));
}

void TdADOConnection::OpenSchema(TSchemaInfo schema, const Variant& restrictions, const Variant& /*schemaId*/,
                                 TdCustomADODataset& dataset)
{
    CheckActive();
    dataset.SetRecordsetObject(connection_->OpenSchema(ToAdo(schema), restrictions));
}

void TdADOConnection::AppendSchemaNames(TStringList& list, TSchemaInfo schema, const char* nameColumn,
                                        const std::function<bool(TdCustomADODataset& row)>& accepts)
{
    CheckActive();
    TdADODataset rows;
    OpenSchema(schema, {}, {}, rows);
    const TField* name = rows.FieldByName(nameColumn);
    for (rows.First(); !rows.Eof(); rows.Next())
        if (accepts(rows))
            list.Add(name->AsString());
}

void TdADOConnection::GetTableNames(TStringList& list, bool systemTables)
{
    AppendSchemaNames(list, ad_SchemaTables, "TABLE_NAME", [systemTables](TdCustomADODataset& row) {
        const std::string type = row.FieldByName("TABLE_TYPE")->AsString();
        return type == "TABLE" || (systemTables && type == "SYSTEM TABLE");
    });
}

void TdADOConnection::GetProcedureNames(TStringList& list)
{
    AppendSchemaNames(list, ad_SchemaProcedures, "PROCEDURE_NAME", [](TdCustomADODataset&) { return true; });
}

void TdADOConnection::AddCommand(TAdoConnectionUser& command)
{
    if (!command.IsDatasetCommand())
        commands_.push_back(&command);
}

void TdADOConnection::RemoveCommand(TAdoConnectionUser& command) { std::erase(commands_, &command); }

void TdADOConnection::AddDataset(TAdoConnectionUser& dataset) { datasets_.push_back(&dataset); }

void TdADOConnection::RemoveDataset(TAdoConnectionUser& dataset) { std::erase(datasets_, &dataset); }

void TdADOConnection::Loaded()
{
    TComponent::Loaded();
    if (streamedConnected_)
        Open();
}
