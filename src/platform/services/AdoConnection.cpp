#include "platform/services/AdoConnection.h"

#include "platform/core/Exceptions.h"
#include "platform/core/TextUtils.h"
#include "platform/services/ConnectionString.h"
#include "platform/services/SqlNames.h"

#include <algorithm>

namespace {

constexpr int CommandTypeBits = adCmdText | adCmdTable | adCmdStoredProc | adCmdUnknown | adCmdFile | adCmdTableDirect;

AdoConnection& RequireConnection(const std::shared_ptr<AdoConnection>& connection)
{
    if (!connection)
        throw EOleException(
            "The connection cannot be used to perform this operation. It is either closed or invalid in this context.");
    return *connection;
}

// The four levels ODBC knows reach the driver; the others leave its default.
int DriverIsolation(int level)
{
    switch (level) {
    case adXactReadUncommitted:
    case adXactReadCommitted:
    case adXactRepeatableRead:
    case adXactSerializable:
        return level;
    default:
        return adXactUnspecified;
    }
}

std::vector<Variant> ValuesOf(const Variant& values)
{
    if (values.IsArray())
        return values.ArrayValue();
    if (values.IsEmpty())
        return {};
    return {values};
}

bool WantsNoRecords(int options) { return options != adCmdUnspecified && (options & adExecuteNoRecords) != 0; }

std::shared_ptr<AdoRecordset> RecordsetOf(const AdoStatement& statement, std::int64_t& recordsAffected, int options)
{
    auto recordset = std::make_shared<AdoRecordset>();
    recordset->OpenOn(statement, &recordsAffected);
    if (WantsNoRecords(options))
        return nullptr;
    return recordset;
}

} // namespace

int AdoCommandTypeOf(int options, int fallback)
{
    if (options == adCmdUnspecified || (options & CommandTypeBits) == 0)
        return fallback;
    return options & CommandTypeBits;
}

OdbcResult AdoStatement::Run(std::int64_t maxRecords) const
{
    return RequireConnection(connection).Backend().Execute(sql, values, {.timeout = timeout, .maxRows = maxRecords});
}

// ---------------------------------------------------------------------------------------------
// Parameters and commands

void AdoParameters::Append(std::shared_ptr<AdoParameter> parameter)
{
    if (!parameter)
        throw EOleException(AdoBadArguments);
    items_.push_back(std::move(parameter));
}

void AdoParameters::Delete(int index)
{
    Item(index);
    items_.erase(items_.begin() + index);
}

AdoParameter& AdoParameters::Item(int index) const
{
    if (index < 0 || index >= Count())
        RaiseAdoItemNotFound(std::to_string(index));
    return *items_[static_cast<size_t>(index)];
}

AdoParameter& AdoParameters::Item(std::string_view name) const
{
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [name](const auto& parameter) { return SameText(parameter->name, name); });
    if (found == items_.end())
        RaiseAdoItemNotFound(name);
    return **found;
}

void AdoParameters::Refresh()
{
    OdbcConnection& backend = RequireConnection(command_.ActiveConnection()).Backend();
    std::vector<OdbcParameter> described;
    if (command_.CommandType() == adCmdStoredProc)
        described = backend.ProcedureParameters(command_.CommandText());
    else if (command_.CommandType() == adCmdText)
        described = backend.DescribeParameters(command_.CommandText());
    items_.clear();
    for (auto& description : described) {
        auto parameter = std::make_shared<AdoParameter>();
        static_cast<OdbcParameter&>(*parameter) = std::move(description);
        items_.push_back(std::move(parameter));
    }
}

std::shared_ptr<AdoParameter> AdoCommand::CreateParameter(std::string_view name, int type, int direction,
                                                          std::int64_t size, const Variant& value)
{
    auto parameter = std::make_shared<AdoParameter>();
    parameter->name = name;
    parameter->type = type;
    parameter->direction = direction;
    parameter->size = size;
    parameter->value = value;
    return parameter;
}

std::vector<std::shared_ptr<const AdoParameter>> AdoParameters::Inputs() const
{
    std::vector<std::shared_ptr<const AdoParameter>> inputs;
    for (const auto& parameter : items_)
        if (parameter->direction != adParamOutput && parameter->direction != adParamReturnValue)
            inputs.push_back(parameter);
    return inputs;
}

// Values given replace the parameters'. The backend passes values in only, so output parameters and
// a return value have no marker: a procedure gives its results as a row.
AdoStatement AdoCommand::Statement(const Variant& parameters, int options) const
{
    std::vector<Variant> values = ValuesOf(parameters);
    if (parameters.IsEmpty())
        for (const auto& parameter : parameters_.Inputs())
            values.push_back(parameter->value);
    return RequireConnection(activeConnection_)
        .Statement(AdoCommandTypeOf(options, commandType_), commandText_, std::move(values), commandTimeout_);
}

std::shared_ptr<AdoRecordset> AdoCommand::Execute(std::int64_t& recordsAffected, const Variant& parameters,
                                                  int options) const
{
    return RecordsetOf(Statement(parameters, options), recordsAffected, options);
}

// ---------------------------------------------------------------------------------------------
// Connection

void AdoConnection::RequireClosedToChange() const
{
    if (odbc_)
        throw EOleException("The connection cannot be changed while it is open.");
}

void AdoConnection::SetConnectionString(std::string_view text)
{
    RequireClosedToChange();
    connectionString_ = text;
}

std::string AdoConnection::Provider() const
{
    return odbc_ && SameText(provider_, "MSDASQL") ? provider_ + ".1" : provider_;
}

void AdoConnection::SetProvider(std::string_view provider)
{
    RequireClosedToChange();
    provider_ = provider;
}

void AdoConnection::SetMode(int mode)
{
    RequireClosedToChange();
    mode_ = mode;
}

std::string AdoConnection::DefaultDatabase() { return odbc_ ? odbc_->CurrentCatalog() : defaultDatabase_; }

void AdoConnection::SetDefaultDatabase(std::string_view database)
{
    if (odbc_)
        odbc_->SetCurrentCatalog(database);
    defaultDatabase_ = database;
}

void AdoConnection::SetIsolationLevel(int level)
{
    if (odbc_)
        odbc_->SetIsolation(DriverIsolation(level));
    isolationLevel_ = level;
}

void AdoConnection::Open(std::string_view connectionString, std::string_view userId, std::string_view password, int)
{
    if (odbc_)
        throw EOleException(AdoObjectOpen);
    if (!connectionString.empty())
        connectionString_ = connectionString;
    if (const std::optional<int> timeout = StoredCommandTimeout(connectionString_))
        commandTimeout_ = *timeout;
    const OdbcConnectOptions options{.loginTimeout = connectionTimeout_,
                                     .readOnly = (mode_ & adModeReadWrite) == adModeRead,
                                     .isolation = DriverIsolation(isolationLevel_)};
    auto odbc = Odbc().Connect(OdbcStringOf(connectionString_, provider_), userId, password, options);
    if (!defaultDatabase_.empty())
        odbc->SetCurrentCatalog(defaultDatabase_);
    odbc_ = std::move(odbc);
}

void AdoConnection::Close()
{
    if (!odbc_)
        throw EOleException(AdoObjectClosed);
    odbc_.reset();
}

OdbcConnection& AdoConnection::Backend()
{
    if (!odbc_)
        throw EOleException(AdoObjectClosed);
    return *odbc_;
}

int AdoConnection::BeginTrans() { return Backend().Begin(); }

void AdoConnection::CommitTrans() { Backend().Commit(); }

void AdoConnection::RollbackTrans() { Backend().Rollback(); }

AdoStatement AdoConnection::Statement(int commandType, std::string_view text, std::vector<Variant> values, int timeout)
{
    AdoStatement statement{shared_from_this(), {}, std::move(values), timeout, {}};
    switch (commandType) {
    case adCmdFile:
        throw EOleException("This data source cannot open a recordset from a file.");
    case adCmdTable:
    case adCmdTableDirect: {
        const std::string table = SqlTableName(text, Backend().IdentifierQuote());
        // What tells apart rows that read alike, for writing to the one meant.
        statement.identity = SqliteRowIdentityOf(Backend(), text, table, timeout);
        statement.sql = "SELECT *" + statement.identity.SelectList() + " FROM " + table;
        break;
    }
    case adCmdStoredProc: {
        std::string markers;
        for (size_t i = 0; i < statement.values.size(); ++i)
            markers += i == 0 ? "?" : ",?";
        statement.sql = "{call " + SqlTableName(text, Backend().IdentifierQuote()) +
                        (markers.empty() ? "" : "(" + markers + ")") + "}";
        break;
    }
    default:
        statement.sql = text;
        break;
    }
    return statement;
}

std::shared_ptr<AdoRecordset> AdoConnection::Execute(std::string_view commandText, std::int64_t& recordsAffected,
                                                     int options)
{
    return RecordsetOf(Statement(AdoCommandTypeOf(options, adCmdText), commandText, {}, commandTimeout_),
                       recordsAffected, options);
}

std::shared_ptr<AdoRecordset> AdoConnection::Execute(std::string_view commandText, int options)
{
    std::int64_t recordsAffected = 0;
    return Execute(commandText, recordsAffected, options);
}

std::shared_ptr<AdoRecordset> AdoConnection::OpenSchema(int schema, const Variant& restrictions)
{
    OdbcSchema rowset{};
    switch (schema) {
    case adSchemaTables:
        rowset = OdbcSchema::Tables;
        break;
    case adSchemaProcedures:
        rowset = OdbcSchema::Procedures;
        break;
    case adSchemaIndexes:
        rowset = OdbcSchema::Indexes;
        break;
    case adSchemaPrimaryKeys:
        rowset = OdbcSchema::PrimaryKeys;
        break;
    default:
        throw EOleException("Object or provider is not capable of performing requested operation.");
    }
    auto fetch = [self = shared_from_this(), rowset, values = ValuesOf(restrictions)](std::int64_t maxRecords) {
        OdbcResult result = self->Backend().Schema(rowset, values);
        if (maxRecords > 0 && static_cast<std::int64_t>(result.rows.size()) > maxRecords)
            result.rows.resize(static_cast<size_t>(maxRecords));
        return result;
    };
    auto recordset = std::make_shared<AdoRecordset>();
    recordset->OpenOn(fetch(0), fetch);
    return recordset;
}
