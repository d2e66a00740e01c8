#pragma once

#include "ado/AdocompsTypes.h"
#include "platform/core/Component.h"
#include "platform/core/StringList.h"
#include "platform/services/AdoConnection.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TdCustomADODataset;

// ADO's connection events. The component keeps the handlers; nothing registers with the connection
// to hear its events, so none fires.
using TAdoConnectionEvent = std::function<void(TdADOConnection& connection, TEventStatus& status)>;

// The connection component: one ADO connection for its whole life, its settings as properties,
// transactions, direct execution and the lists of the data source's tables and procedures.
class TdADOConnection : public TComponent {
public:
    TdADOConnection();
    // Closes (rolling back open transactions); a failure there cannot escape and the connection goes
    // all the same.
    ~TdADOConnection() override;

    TXactAttributes Attributes() const { return SetFromAdo<TXactAttribute>(connection_->Attributes()); }
    void SetAttributes(TXactAttributes attributes) { connection_->SetAttributes(ToAdo(attributes)); }
    int CommandTimeout() const { return connection_->CommandTimeout(); }
    void SetCommandTimeout(int seconds) { connection_->SetCommandTimeout(seconds); }
    bool Connected() const { return GetConnected(); }
    // While loading only recorded; Loaded opens.
    void SetConnected(bool connected);
    std::string ConnectionString() const { return connection_->ConnectionString(); }
    void SetConnectionString(std::string_view text);
    int ConnectionTimeout() const { return connection_->ConnectionTimeout(); }
    void SetConnectionTimeout(int seconds) { connection_->SetConnectionTimeout(seconds); }
    TConnectOption ConnectOptions() const { return connectOptions_; }
    void SetConnectOptions(TConnectOption options) { connectOptions_ = options; }
    TCursorLocation CursorLocation() const { return FromAdo<TCursorLocation>(connection_->CursorLocation()); }
    void SetCursorLocation(TCursorLocation location) { connection_->SetCursorLocation(ToAdo(location)); }
    std::string DefaultDatabase() const;
    void SetDefaultDatabase(std::string_view database);
    // Reads back the member last set while the connection holds its constant (ad_XactBrowse stays
    // ad_XactBrowse), else the first member of the connection's constant.
    TIsolationLevel IsolationLevel();
    void SetIsolationLevel(TIsolationLevel level);
    TConnectMode Mode() const { return FromAdo<TConnectMode>(connection_->Mode()); }
    void SetMode(TConnectMode mode);
    const std::string& Password() const { return password_; }
    void SetPassword(std::string_view password) { password_ = password; }
    std::string Provider() const { return connection_->Provider(); }
    void SetProvider(std::string_view provider);
    const std::string& UserID() const { return userId_; }
    void SetUserID(std::string_view userId) { userId_ = userId; }
    // Always "2.00"; stored forms may carry a value, which is taken and ignored.
    std::string Version() const { return "2.00"; }
    void SetVersion(std::string_view) {}

    const TAdoConnectionEvent& OnBeginTransComplete() const { return onBeginTransComplete_; }
    void SetOnBeginTransComplete(TAdoConnectionEvent handler) { onBeginTransComplete_ = std::move(handler); }
    const TAdoConnectionEvent& OnCommitTransComplete() const { return onCommitTransComplete_; }
    void SetOnCommitTransComplete(TAdoConnectionEvent handler) { onCommitTransComplete_ = std::move(handler); }
    const TAdoConnectionEvent& OnConnectComplete() const { return onConnectComplete_; }
    void SetOnConnectComplete(TAdoConnectionEvent handler) { onConnectComplete_ = std::move(handler); }
    const TAdoConnectionEvent& OnDisconnect() const { return onDisconnect_; }
    void SetOnDisconnect(TAdoConnectionEvent handler) { onDisconnect_ = std::move(handler); }
    const TAdoConnectionEvent& OnExecuteComplete() const { return onExecuteComplete_; }
    void SetOnExecuteComplete(TAdoConnectionEvent handler) { onExecuteComplete_ = std::move(handler); }
    const TAdoConnectionEvent& OnInfoMessage() const { return onInfoMessage_; }
    void SetOnInfoMessage(TAdoConnectionEvent handler) { onInfoMessage_ = std::move(handler); }
    const TAdoConnectionEvent& OnRollbackTransComplete() const { return onRollbackTransComplete_; }
    void SetOnRollbackTransComplete(TAdoConnectionEvent handler) { onRollbackTransComplete_ = std::move(handler); }
    const TAdoConnectionEvent& OnWillConnect() const { return onWillConnect_; }
    void SetOnWillConnect(TAdoConnectionEvent handler) { onWillConnect_ = std::move(handler); }
    const TAdoConnectionEvent& OnWillExecute() const { return onWillExecute_; }
    void SetOnWillExecute(TAdoConnectionEvent handler) { onWillExecute_ = std::move(handler); }

    bool GetConnected() const { return connection_->State() == adStateOpen; }
    bool GetInTransaction() const { return transactionLevel_ > 0; }
    int GetCommandCount() const { return static_cast<int>(commands_.size()); }
    TAdoConnectionUser* GetCommand(int index) const { return commands_.at(static_cast<size_t>(index)); }
    int GetDatasetCount() const { return static_cast<int>(datasets_.size()); }
    TAdoConnectionUser* GetDataset(int index) const { return datasets_.at(static_cast<size_t>(index)); }
    const std::shared_ptr<AdoConnection>& ConnectionObject() const { return connection_; }
    // A null connection is ignored.
    void SetConnectionObject(std::shared_ptr<AdoConnection> connection);

    // Both do nothing when already done.
    void Open();
    void Close();
    // Opens when not connected.
    void CheckActive();
    int BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    void Cancel() { connection_->Cancel(); }

    std::shared_ptr<AdoRecordset> Execute(std::string_view commandText, int& recordsAffected,
                                          TExecuteOptions options = {});
    std::shared_ptr<AdoRecordset> Execute(std::string_view commandText, TCommandType commandType = ad_CmdText,
                                          TExecuteOptions options = {});

    // Opens the dataset on the schema rowset (restrictions an array, or empty for none). The schema
    // identifier serves provider-specific rowsets, which the ODBC provider has none of.
    void OpenSchema(TSchemaInfo schema, const Variant& restrictions, const Variant& schemaId,
                    TdCustomADODataset& dataset);
    // Appends the names of the tables ("SYSTEM TABLE" rows too when asked; views never) or of the
    // procedures to the list, after what it holds.
    void GetTableNames(TStringList& list, bool systemTables = false);
    void GetProcedureNames(TStringList& list);

    void AddCommand(TAdoConnectionUser& command);
    void RemoveCommand(TAdoConnectionUser& command);
    void AddDataset(TAdoConnectionUser& dataset);
    void RemoveDataset(TAdoConnectionUser& dataset);

    // Opens a connection stored as connected, once every property is set.
    void Loaded() override;

private:
    void AppendSchemaNames(TStringList& list, TSchemaInfo schema, const char* nameColumn,
                           const std::function<bool(TdCustomADODataset& row)>& accepts);
    static void ReleaseUsers(std::vector<TAdoConnectionUser*>& users);

    std::shared_ptr<AdoConnection> connection_;
    std::vector<TAdoConnectionUser*> commands_;
    std::vector<TAdoConnectionUser*> datasets_;
    TConnectOption connectOptions_ = ad_ConnectUnspecified;
    std::string defaultDatabase_;
    std::string password_;
    std::string userId_;
    TIsolationLevel isolationLevel_ = ad_XactCursorStability;
    bool streamedConnected_ = false;
    int transactionLevel_ = 0;
    TAdoConnectionEvent onBeginTransComplete_;
    TAdoConnectionEvent onCommitTransComplete_;
    TAdoConnectionEvent onConnectComplete_;
    TAdoConnectionEvent onDisconnect_;
    TAdoConnectionEvent onExecuteComplete_;
    TAdoConnectionEvent onInfoMessage_;
    TAdoConnectionEvent onRollbackTransComplete_;
    TAdoConnectionEvent onWillConnect_;
    TAdoConnectionEvent onWillExecute_;
};
