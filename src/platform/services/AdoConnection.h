#pragma once

#include "platform/services/AdoRecordset.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// ADO's Connection, Command and Parameter over the ODBC backend (see AdoRecordset.h).

// A parameter is its description and its value.
struct AdoParameter : OdbcParameter {
    Variant value = Variant::Null();
};

class AdoCommand;

class AdoParameters {
public:
    explicit AdoParameters(const AdoCommand& command) : command_(command) {}

    int Count() const { return static_cast<int>(items_.size()); }
    void Append(std::shared_ptr<AdoParameter> parameter);
    void Delete(int index);
    AdoParameter& Item(int index) const;
    // By name, without regard to case.
    AdoParameter& Item(std::string_view name) const;
    // Asks the data source for the parameters of the command's text or stored procedure.
    void Refresh();
    // The parameters whose values a statement binds, in order: all but output and return values.
    std::vector<std::shared_ptr<const AdoParameter>> Inputs() const;

private:
    const AdoCommand& command_;
    std::vector<std::shared_ptr<AdoParameter>> items_;
};

class AdoCommand {
public:
    AdoCommand() : parameters_(*this) {}
    AdoCommand(const AdoCommand&) = delete;
    AdoCommand& operator=(const AdoCommand&) = delete;

    const std::shared_ptr<AdoConnection>& ActiveConnection() const { return activeConnection_; }
    void SetActiveConnection(std::shared_ptr<AdoConnection> connection) { activeConnection_ = std::move(connection); }
    const std::string& CommandText() const { return commandText_; }
    void SetCommandText(std::string_view text) { commandText_ = text; }
    int CommandType() const { return commandType_; }
    void SetCommandType(int type) { commandType_ = type; }
    int CommandTimeout() const { return commandTimeout_; }
    void SetCommandTimeout(int seconds) { commandTimeout_ = seconds; }
    // The driver prepares each run; the flag is kept for reading back.
    bool Prepared() const { return prepared_; }
    void SetPrepared(bool prepared) { prepared_ = prepared; }

    AdoParameters& Parameters() { return parameters_; }
    const AdoParameters& Parameters() const { return parameters_; }
    static std::shared_ptr<AdoParameter> CreateParameter(std::string_view name, int type, int direction,
                                                         std::int64_t size, const Variant& value = Variant::Null());

    // Values given here (one, or an array) replace the parameters' own. A statement without rows gives a
    // closed recordset and the count of rows it changed; adExecuteNoRecords gives no recordset.
    std::shared_ptr<AdoRecordset> Execute(std::int64_t& recordsAffected, const Variant& parameters = {},
                                          int options = adCmdUnspecified) const;
    AdoStatement Statement(const Variant& parameters = {}, int options = adCmdUnspecified) const;

private:
    std::shared_ptr<AdoConnection> activeConnection_;
    std::string commandText_;
    int commandType_ = adCmdText;
    int commandTimeout_ = 30;
    bool prepared_ = false;
    AdoParameters parameters_;
};

// A connection to one data source, made with Create so that the recordsets it gives can requery
// through it. Its connection string stays the stored OLE DB (or ODBC) text; Open translates it.
class AdoConnection : public std::enable_shared_from_this<AdoConnection> {
    struct Key {};

public:
    explicit AdoConnection(Key) {}
    static std::shared_ptr<AdoConnection> Create() { return std::make_shared<AdoConnection>(Key{}); }
    AdoConnection(const AdoConnection&) = delete;
    AdoConnection& operator=(const AdoConnection&) = delete;

    // These three raise "The connection cannot be changed while it is open." when set while open.
    const std::string& ConnectionString() const { return connectionString_; }
    void SetConnectionString(std::string_view text);
    // "MSDASQL", the ODBC provider, which reports its version while open.
    std::string Provider() const;
    void SetProvider(std::string_view provider);
    // adModeRead connects read-only.
    int Mode() const { return mode_; }
    void SetMode(int mode);

    int CommandTimeout() const { return commandTimeout_; }
    void SetCommandTimeout(int seconds) { commandTimeout_ = seconds; }
    int ConnectionTimeout() const { return connectionTimeout_; }
    void SetConnectionTimeout(int seconds) { connectionTimeout_ = seconds; }
    // Recordsets are always kept on the client; the setting is kept for reading back.
    int CursorLocation() const { return cursorLocation_; }
    void SetCursorLocation(int location) { cursorLocation_ = location; }
    // ADO's transaction attributes (retaining commits and aborts) are kept, not applied.
    int Attributes() const { return attributes_; }
    void SetAttributes(int attributes) { attributes_ = attributes; }
    // The data source's current catalog while open; set while closed, it applies when opening.
    std::string DefaultDatabase();
    void SetDefaultDatabase(std::string_view database);
    // adXactReadUncommitted, adXactReadCommitted (adXactCursorStability), adXactRepeatableRead and
    // adXactSerializable reach the driver (as the next stricter level it offers); others leave its default.
    int IsolationLevel() const { return isolationLevel_; }
    void SetIsolationLevel(int level);

    int State() const { return odbc_ ? adStateOpen : adStateClosed; }
    // A non-empty connection string replaces the stored one; its "Command Timeout", when it has one,
    // becomes the command timeout. Options (asynchronous connecting) are
    // accepted: everything here is synchronous.
    void Open(std::string_view connectionString = {}, std::string_view userId = {}, std::string_view password = {},
              int options = adCmdUnspecified);
    // Rolls back what is not committed.
    void Close();

    // Returns the new nesting level; committing or rolling back without one raises "No transaction is active.".
    int BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    // Nothing runs asynchronously, so there is never anything to cancel.
    void Cancel() {}

    // The options hold the command type (text when none) and the execute options.
    std::shared_ptr<AdoRecordset> Execute(std::string_view commandText, std::int64_t& recordsAffected,
                                          int options = adCmdUnspecified);
    std::shared_ptr<AdoRecordset> Execute(std::string_view commandText, int options = adCmdUnspecified);
    // adSchemaTables, adSchemaProcedures, adSchemaIndexes and adSchemaPrimaryKeys, with ADO's columns
    // and restrictions (an array, or empty for none).
    std::shared_ptr<AdoRecordset> OpenSchema(int schema, const Variant& restrictions = {});

    // The SQL of a command: a text as it is; a table (or adCmdTableDirect) as "SELECT * FROM " and its
    // name under the naming rule (on SQLite with what tells its rows apart after the columns, see
    // SqliteRowIdentity); a stored procedure as "{call name(?,...)}", one marker per value. adCmdFile
    // raises.
    AdoStatement Statement(int commandType, std::string_view text, std::vector<Variant> values, int timeout);
    // The open backend connection; raises when closed.
    OdbcConnection& Backend();

private:
    void RequireClosedToChange() const;

    std::unique_ptr<OdbcConnection> odbc_;
    std::string connectionString_;
    std::string provider_ = "MSDASQL";
    int mode_ = adModeUnknown;
    int commandTimeout_ = 30;
    int connectionTimeout_ = 15;
    int cursorLocation_ = adUseServer;
    int attributes_ = 0;
    std::string defaultDatabase_;
    int isolationLevel_ = adXactCursorStability;
};
