#pragma once

#include "platform/core/Component.h"
#include "platform/services/AdoConnection.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TStringList;

// The ADO data-access components: the enumerations they share, with their ADO constants, and the
// connection component.

enum TCommandType {
    ad_CmdUnspecified,
    ad_CmdUnknown,
    ad_CmdText,
    ad_CmdTable,
    ad_CmdStoredProc,
    ad_CmdFile,
    ad_CmdTableDirect
};
enum TConnectMode {
    ad_ModeUnknown,
    ad_ModeRead,
    ad_ModeWrite,
    ad_ModeReadWrite,
    ad_ModeShareDenyRead,
    ad_ModeShareDenyWrite,
    ad_ModeShareExclusive,
    ad_ModeShareDenyNone
};
enum TConnectOption { ad_ConnectUnspecified, ad_AsyncConnect };
enum TCursorLocation { ad_UseServer, ad_UseClient };
enum TCursorType { ad_OpenUnspecified, ad_OpenForwardOnly, ad_OpenKeyset, ad_OpenDynamic, ad_OpenStatic };
enum TLockType { ad_LockUnspecified, ad_LockReadOnly, ad_LockPessimistic, ad_LockOptimistic, ad_LockBatchOptimistic };
enum TIsolationLevel {
    ad_XactUnspecified,
    ad_XactChaos,
    ad_XactReadUncommitted,
    ad_XactBrowse,
    ad_XactCursorStability,
    ad_XactReadCommitted,
    ad_XactRepeatableRead,
    ad_XactSerializable,
    ad_XactIsolated
};
enum TXactAttribute { ad_XactCommitRetaining, ad_XactAbortRetaining };
enum TExecuteOption { ad_AsyncExecute, ad_AsyncFetch, ad_AsyncFetchNonBlocking, ad_ExecuteNoRecords };
enum TMarshalOption { ad_MarshalAll, ad_MarshalModifiedOnly };
enum TObjectState { ad_StateClosed, ad_StateOpen, ad_StateConnecting, ad_StateExecuting, ad_StateFetching };
enum TEventStatus { ad_StatusOK, ad_StatusErrorsOccurred, ad_StatusCantDeny, ad_StatusCancel, ad_StatusUnwantedEvent };
enum TEventReason {
    ad_RsnAddNew,
    ad_RsnDelete,
    ad_RsnUpdate,
    ad_RsnUndoUpdate,
    ad_RsnUndoAddNew,
    ad_RsnUndoDelete,
    ad_RsnRequery,
    ad_RsnResynch,
    ad_RsnClose,
    ad_RsnMove,
    ad_RsnFirstChange,
    ad_RsnMoveFirst,
    ad_RsnMoveNext,
    ad_RsnMovePrevious,
    ad_RsnMoveLast
};
enum TFilterGroup {
    ad_FilterNone,
    ad_FilterPendingRecords,
    ad_FilterAffectedRecords,
    ad_FilterFetchedRecords,
    ad_FilterPredicate,
    ad_FilterConflictingRecords
};
enum TSeekOption { ad_SeekFirstEQ, ad_SeekLastEQ, ad_SeekAfterEQ, ad_SeekAfter, ad_SeekBeforeEQ, ad_SeekBefore };
enum TParameterDirection { ad_ParamUnknown, ad_ParamInput, ad_ParamOutput, ad_ParamInputOutput, ad_ParamReturnValue };
enum TParameterAttribute { ad_ParamSigned, ad_ParamNullable, ad_ParamLong };
enum TSchemaInfo {
    ad_SchemaProviderSpecific,
    ad_SchemaAsserts,
    ad_SchemaCatalogs,
    ad_SchemaCharacterSets,
    ad_SchemaCollations,
    ad_SchemaColumns,
    ad_SchemaCheckConstraints,
    ad_SchemaConstraintColumnUsage,
    ad_SchemaConstraintTableUsage,
    ad_SchemaKeyColumnUsage,
    ad_SchemaReferentialContraints,
    ad_SchemaReferentialConstraints,
    ad_SchemaTableConstraints,
    ad_SchemaColumnsDomainUsage,
    ad_SchemaIndexes,
    ad_SchemaColumnPrivileges,
    ad_SchemaTablePrivileges,
    ad_SchemaUsagePrivileges,
    ad_SchemaProcedures,
    ad_SchemaSchemata,
    ad_SchemaSQLLanguages,
    ad_SchemaStatistics,
    ad_SchemaTables,
    ad_SchemaTranslations,
    ad_SchemaProviderTypes,
    ad_SchemaViews,
    ad_SchemaViewColumnUsage,
    ad_SchemaViewTableUsage,
    ad_SchemaProcedureParameters,
    ad_SchemaForeignKeys,
    ad_SchemaPrimaryKeys,
    ad_SchemaProcedureColumns,
    ad_SchemaDBInfoKeywords,
    ad_SchemaDBInfoLiterals,
    ad_SchemaCubes,
    ad_SchemaDimensions,
    ad_SchemaHierarchies,
    ad_SchemaLevels,
    ad_SchemaMeasures,
    ad_SchemaProperties,
    ad_SchemaMembers,
    ad_SchemaTrustees
};

// A set of the members of an enumeration.
template <typename E> class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> members)
    {
        for (E member : members)
            Include(member);
    }
    constexpr bool Contains(E member) const { return (bits_ >> member & 1) != 0; }
    constexpr void Include(E member) { bits_ |= std::uint64_t{1} << member; }
    constexpr bool Empty() const { return bits_ == 0; }
    friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

private:
    std::uint64_t bits_ = 0;
};
using TXactAttributes = TEnumSet<TXactAttribute>;
using TExecuteOptions = TEnumSet<TExecuteOption>;
using TObjectStates = TEnumSet<TObjectState>;
using TParameterAttributes = TEnumSet<TParameterAttribute>;

// The ADO constant of each member, in the members' order.
template <typename E> struct TAdoConstants;
template <> struct TAdoConstants<TCommandType> {
    static constexpr int values[] = {-1, 8, 1, 2, 4, 256, 512};
};
template <> struct TAdoConstants<TConnectMode> {
    static constexpr int values[] = {0, 1, 2, 3, 4, 8, 12, 16};
};
template <> struct TAdoConstants<TConnectOption> {
    static constexpr int values[] = {-1, 16};
};
template <> struct TAdoConstants<TCursorLocation> {
    static constexpr int values[] = {2, 3};
};
template <> struct TAdoConstants<TCursorType> {
    static constexpr int values[] = {-1, 0, 1, 2, 3};
};
template <> struct TAdoConstants<TLockType> {
    static constexpr int values[] = {-1, 1, 2, 3, 4};
};
template <> struct TAdoConstants<TIsolationLevel> {
    static constexpr int values[] = {-1, 16, 256, 256, 4096, 4096, 65536, 1048576, 1048576};
};
template <> struct TAdoConstants<TXactAttribute> {
    static constexpr int values[] = {131072, 262144};
};
template <> struct TAdoConstants<TExecuteOption> {
    static constexpr int values[] = {16, 32, 64, 128};
};
template <> struct TAdoConstants<TMarshalOption> {
    static constexpr int values[] = {0, 1};
};
template <> struct TAdoConstants<TObjectState> {
    static constexpr int values[] = {0, 1, 2, 4, 8};
};
template <> struct TAdoConstants<TEventStatus> {
    static constexpr int values[] = {1, 2, 3, 4, 5};
};
template <> struct TAdoConstants<TEventReason> {
    static constexpr int values[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
};
template <> struct TAdoConstants<TFilterGroup> {
    static constexpr int values[] = {0, 1, 2, 3, 4, 5};
};
template <> struct TAdoConstants<TSeekOption> {
    static constexpr int values[] = {1, 2, 4, 8, 16, 32};
};
template <> struct TAdoConstants<TParameterDirection> {
    static constexpr int values[] = {0, 1, 2, 3, 4};
};
template <> struct TAdoConstants<TParameterAttribute> {
    static constexpr int values[] = {16, 64, 128};
};
// ADO numbers its schema rowsets from 0 and lists the misspelt referential-constraints member too.
template <> struct TAdoConstants<TSchemaInfo> {
    static constexpr int values[] = {-1, 0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  9,  10, 11,
                                     12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
                                     26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39};
};

template <typename E> constexpr int ToAdo(E member) { return TAdoConstants<E>::values[member]; }

// The first member with the constant; a constant of none reads as the first member.
template <typename E> constexpr E FromAdo(int value)
{
    const auto& values = TAdoConstants<E>::values;
    for (size_t i = 0; i < std::size(values); ++i)
        if (values[i] == value)
            return static_cast<E>(i);
    return static_cast<E>(0);
}

template <typename E> constexpr int ToAdo(TEnumSet<E> set)
{
    int sum = 0;
    for (size_t i = 0; i < std::size(TAdoConstants<E>::values); ++i)
        if (set.Contains(static_cast<E>(i)))
            sum += TAdoConstants<E>::values[i];
    return sum;
}

// The members whose constant has a bit in common with the value; a member whose constant is 0 (a
// closed state) stands for the value 0.
template <typename E> constexpr TEnumSet<E> SetFromAdo(int value)
{
    TEnumSet<E> set;
    for (size_t i = 0; i < std::size(TAdoConstants<E>::values); ++i) {
        const int constant = TAdoConstants<E>::values[i];
        if (constant == 0 ? value == 0 : (constant & value) != 0)
            set.Include(static_cast<E>(i));
    }
    return set;
}

class TdADOConnection;

// A command or dataset on a connection, which attaches itself through AddCommand or AddDataset and
// which the connection lets go (SetConnection with none) when it is freed.
class TAdoConnectionUser {
public:
    virtual void SetConnection(TdADOConnection* connection) = 0;
    // The inner command of a dataset is reached through its dataset and never listed itself.
    virtual bool IsDatasetCommand() const { return false; }

protected:
    ~TAdoConnectionUser() = default;
};

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
    void AppendSchemaNames(TStringList& list, int schema, const char* nameColumn,
                           const std::function<bool(const AdoRecordset& row)>& accepts);
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
