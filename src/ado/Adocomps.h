#pragma once

#include "platform/core/Component.h"
#include "platform/core/Streams.h"
#include "platform/core/StringList.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/Params.h"
#include "platform/services/AdoConnection.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class EOleException;
class TDataSource;
class TParam;

// The ADO data-access components: the enumerations they share, with their ADO constants, the
// connection, the command with its parameters, and the dataset.

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
class TdCustomADODataset;

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

// ---------------------------------------------------------------------------------------------
// Command parameters

// The ADO type a parameter of the field type is sent as, and the field type of an ADO type (as
// field definitions map it; ftUnknown for a type no field can hold).
int AdoTypeOfFieldType(TFieldType type);
TFieldType FieldTypeOfAdo(int adoType);

class TParameters;
class TdADOCommand;

// A parameter of a command: a front for one ADO parameter, which holds every property.
class TParameter {
public:
    explicit TParameter(TParameters& collection) : collection_(collection) {}
    TParameter(const TParameter&) = delete;
    TParameter& operator=(const TParameter&) = delete;

    TParameterAttributes Attributes() { return SetFromAdo<TParameterAttribute>(Parameter().attributes); }
    void SetAttributes(TParameterAttributes attributes);
    TFieldType DataType() { return FieldTypeOfAdo(Parameter().type); }
    void SetDataType(TFieldType type);
    TParameterDirection Direction() { return FromAdo<TParameterDirection>(Parameter().direction); }
    void SetDirection(TParameterDirection direction);
    const std::string& Name() { return Parameter().name; }
    void SetName(std::string_view name);
    int NumericScale() { return Parameter().scale; }
    void SetNumericScale(int scale);
    int Precision() { return Parameter().precision; }
    void SetPrecision(int precision);
    int Size() { return static_cast<int>(Parameter().size); }
    void SetSize(int size);
    const Variant& Value() { return Parameter().value; }
    // Null for an empty value; a parameter without a type takes one from the value first.
    void SetValue(const Variant& value);
    void Clear() { SetValue(Variant::Null()); }
    const std::string& GetDisplayName() { return Name(); }

    void Assign(TParameter& source);
    void Assign(const TField& source);
    void Assign(const TParam& source);
    void AssignTo(TField& destination);
    void AssignTo(TParam& destination);
    bool IsEqual(TParameter& other);

    // The ADO parameter, made on first use.
    const std::shared_ptr<AdoParameter>& ParameterObject();
    void SetParameterObject(std::shared_ptr<AdoParameter> parameter) { parameter_ = std::move(parameter); }

private:
    AdoParameter& Parameter() { return *ParameterObject(); }
    void Changed();

    TParameters& collection_;
    std::shared_ptr<AdoParameter> parameter_;
};

// The parameters of a command: the markers of its text, or what the provider describes.
class TParameters {
public:
    explicit TParameters(TdADOCommand& command) : command_(command) {}

    int Count() const { return static_cast<int>(items_.size()); }
    TParameter& Items(int index) const;
    TParameter& AddParameter();
    void Clear() { items_.clear(); }
    // Names compare without regard to case.
    TParameter* FindParam(std::string_view name) const;
    // Raises "Parameter '%s' not found" after the name of the command's dataset (or the command's).
    TParameter& ParamByName(std::string_view name) const;
    // Copies every item of the other collection.
    void Assign(TParameters& source);
    // Each item of the other collection with a namesake here gives it its properties.
    void AssignValues(TParameters& source);

    // The text with each ":name" marker replaced by "?" (an item added for each, in order), "::" by
    // ":"; colons inside quotes stay. Quotes right after the colon enclose a name with blanks.
    std::string Parse(std::string_view sql);
    // Fills the collection with what the provider describes for the command; whether there is any.
    bool Refresh();
    // Hands the items to the ADO command, in their order, in place of what it held.
    void AppendParameters();
    // Whether an item changed since the items were last handed to the ADO command.
    bool Changed() const { return changed_; }
    void Update() { changed_ = true; }

    TdADOCommand& Command() const { return command_; }

private:
    TParameter& AddWithObject(std::shared_ptr<AdoParameter> parameter);

    TdADOCommand& command_;
    std::vector<std::unique_ptr<TParameter>> items_;
    bool changed_ = false;
};

// ---------------------------------------------------------------------------------------------
// Command

// Runs a command text against a connection, and is the engine inside every dataset, which keeps its
// text, connection and parameters here.
class TdADOCommand : public TComponent, public TAdoConnectionUser {
public:
    TdADOCommand();
    ~TdADOCommand() override;

    const std::string& CommandText() const { return commandText_; }
    void SetCommandText(std::string_view text);
    int CommandTimeout() const { return command_->CommandTimeout(); }
    void SetCommandTimeout(int seconds) { command_->SetCommandTimeout(seconds); }
    TCommandType CommandType() const { return FromAdo<TCommandType>(command_->CommandType()); }
    void SetCommandType(TCommandType type);
    TdADOConnection* Connection() const { return connection_; }
    void SetConnection(TdADOConnection* connection) override;
    TExecuteOptions ExecuteOptions() const { return executeOptions_; }
    void SetExecuteOptions(TExecuteOptions options) { executeOptions_ = options; }
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool check) { paramCheck_ = check; }
    TParameters& Parameters() { return parameters_; }
    void SetParameters(TParameters& parameters) { parameters_.Assign(parameters); }
    bool Prepared() const { return command_->Prepared(); }
    void SetPrepared(bool prepared) { command_->SetPrepared(prepared); }

    // The property and the component that messages name: "CommandText" of this command by default,
    // the dataset and its own property for a dataset's command.
    void SetPropertyName(std::string name) { propertyName_ = std::move(name); }
    const TComponent& ComponentRef() const { return *componentRef_; }
    void SetComponentRef(const TComponent& component) { componentRef_ = &component; }
    bool IsDatasetCommand() const override { return componentRef_ != this; }

    AdoCommand& CommandObject() { return *command_; }
    const std::shared_ptr<AdoConnection>& GetActiveConnection() const { return command_->ActiveConnection(); }
    void ClearActiveConnection() { command_->SetActiveConnection(nullptr); }
    // Whether the ADO command has an active connection, taking (and opening) the connection's when it
    // has none; without a connection, raises "Missing connection property" when asked to.
    bool CheckConnection(bool raise);
    // Checks the connection and the text ("Missing CommandText property"), and hands the parameters
    // over when asked to.
    void Initialize(bool appendParameters);
    // Values given (one, or an array) replace the parameters'. Statements without rows give a closed
    // recordset, or none with ad_ExecuteNoRecords.
    std::shared_ptr<AdoRecordset> Execute(int& recordsAffected, const Variant& parameters = {});
    std::shared_ptr<AdoRecordset> Execute(const Variant& parameters = {});

    void Assign(TdADOCommand& source);

private:
    bool ComponentLoading() const;
    void AssignCommandText(std::string_view text, bool loading);
    void ConvertMarkers(std::string_view text, bool loading);

    std::unique_ptr<AdoCommand> command_;
    std::string commandText_;
    std::string propertyName_ = "CommandText";
    const TComponent* componentRef_ = this;
    TdADOConnection* connection_ = nullptr;
    TExecuteOptions executeOptions_;
    bool paramCheck_ = true;
    TParameters parameters_;
};

// ---------------------------------------------------------------------------------------------
// Dataset

// ADO's recordset events. The dataset keeps the handlers; nothing registers with the recordset to
// hear its events, so none fires.
using TWillChangeFieldEvent =
    std::function<void(TdCustomADODataset&, int fieldCount, const Variant& fields, TEventStatus&)>;
using TFieldChangeCompleteEvent = std::function<void(TdCustomADODataset&, int fieldCount, const Variant& fields,
                                                     const EOleException* error, TEventStatus&)>;
using TWillChangeRecordEvent = std::function<void(TdCustomADODataset&, TEventReason, int recordCount, TEventStatus&)>;
using TRecordChangeCompleteEvent =
    std::function<void(TdCustomADODataset&, TEventReason, int recordCount, const EOleException* error, TEventStatus&)>;
using TRecordsetReasonEvent = std::function<void(TdCustomADODataset&, TEventReason, TEventStatus&)>;
using TRecordsetErrorEvent =
    std::function<void(TdCustomADODataset&, TEventReason, const EOleException* error, TEventStatus&)>;
using TEndOfRecordsetEvent = std::function<void(TdCustomADODataset&, bool& moreData, TEventStatus&)>;
using TFetchProgressEvent = std::function<void(TdCustomADODataset&, int progress, int maxProgress, TEventStatus&)>;
using TFetchCompleteEvent = std::function<void(TdCustomADODataset&, const EOleException* error, TEventStatus&)>;

// A data set over an ADO recordset: opens it for a command text, a table or a recordset handed to
// it, describes its fields, and serves the record-buffer protocol over the recordset's cursor.
// Field values are read from the recordset when a field is first asked for on a record.
//
// A record buffer: the bookmark (16 bytes: the recordset's numeric bookmark as a big-endian 64-bit
// integer, so that bookmarks order as the rows were read), its flag (1 byte), the record number
// (4 bytes), then one slot per field definition (a fetched, a modified and a has-value byte, then
// the field's native value), then the calculated area. Blob and memo slots hold a Variant made for
// the buffer and released with it.
class TdCustomADODataset : public TDataSet, public TAdoConnectionUser {
public:
    TdCustomADODataset();
    ~TdCustomADODataset() override;

    TdADOConnection* Connection() const { return command_->Connection(); }
    void SetConnection(TdADOConnection* connection) override;
    int CacheSize();
    void SetCacheSize(int size);
    TCursorLocation CursorLocation();
    void SetCursorLocation(TCursorLocation location);
    TCursorType CursorType();
    void SetCursorType(TCursorType type);
    TLockType LockType();
    void SetLockType(TLockType type);
    TMarshalOption MarshalOptions() const { return marshalOptions_; }
    void SetMarshalOptions(TMarshalOption options);
    int MaxRecords();
    void SetMaxRecords(int count);
    TExecuteOptions ExecuteOptions() const { return command_->ExecuteOptions(); }
    void SetExecuteOptions(TExecuteOptions options) { command_->SetExecuteOptions(options); }

    // "a,b DESC": the recordset's sort; empty while closed.
    std::string Sort() const;
    void SetSort(std::string_view sort);
    // The fields the current sort names.
    const std::vector<TField*>& IndexFields() const { return indexFields_; }
    // The same, refreshed from the recordset's sort, and writing into one of them.
    int GetIndexFieldCount();
    TField* GetIndexField(int index);
    void SetIndexField(int index, const TField& value);

    const std::shared_ptr<AdoRecordset>& Recordset() const { return recordset_; }
    // Closes the data set and opens it on the recordset, when there is one.
    void SetRecordsetObject(std::shared_ptr<AdoRecordset> recordset);
    TObjectStates GetRecordsetState() const;
    // Reads the rows again and goes to the first.
    void Requery(TExecuteOptions options = {});
    // Goes to the other data set's record.
    void GotoCurrent(TdCustomADODataset& other);

    bool GetFieldData(TField* field, void* buffer) override { return GetFieldData(field, buffer, true); }
    // Without native format, date slots give OLE dates.
    bool GetFieldData(TField* field, void* buffer, bool nativeFormat) override;
    // Writes the field's native value (a Variant for blobs and memos; none for null) into the record
    // and marks it modified, for posting.
    void SetFieldData(TField* field, const void* buffer) override { SetFieldData(field, buffer, true); }
    void SetFieldData(TField* field, const void* buffer, bool nativeFormat) override;
    // A TdADOBlobStream over the blob or memo field.
    std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    // Whether the recordset still has the bookmark's record; moves the cursor there when it has.
    bool BookmarkValid(const TBookmark& bookmark) override;

    // While Filtered, the recordset shows what the Filter text selects, and OnFilterRecord skips
    // records as they are fetched.
    void SetFiltered(bool filtered) override;
    void SetFilterText(std::string_view text) override;
    // Searches run on read-only clones of the recordset, with criteria made of the key fields'
    // values (FilterCondition), among the records the recordset's own filter lets through.
    bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options) override;
    Variant Lookup(std::string_view keyFields, const Variant& keyValues, std::string_view resultFields) override;
    // Unfiltered, the records the Filter text selects; filtered, the records shown.
    bool FindRecord(bool restart, bool goForward) override;
    // The recordset's seek on the index IndexName; the ODBC provider offers none and raises.
    bool Seek(const Variant& keyValues, TSeekOption option = ad_SeekFirstEQ);
    // The master's data source, whose MasterFields the data set follows: without parameters through
    // a detail filter on its own fields of those names (or its index fields, in order), with
    // parameters by taking the master's fields of the parameters' names and reading its rows again.
    TDataSource* GetDataSource() const override { return masterDataLink_.DataSource(); }
    // --- Provider support: what a data provider asks of the data set. ---
    bool PSIsSQLBased() const { return true; }
    bool PSIsSQLSupported() const { return true; }
    std::string PSGetQuoteChar() const { return {}; }
    // Goes to the first record again, when open.
    void PSReset();
    // The provider applies updates itself.
    bool PSUpdateRecord(TUpdateKind /*kind*/, TDataSet& /*delta*/) { return false; }
    // An OLE failure keeps its native error code.
    EUpdateError PSGetUpdateException(const std::exception_ptr& error, const EUpdateError* previous) override;
    // Copies of the index definitions with any of the options (all for none).
    std::vector<TIndexDef> PSGetIndexDefs(unsigned options);
    // Runs the command for its effect.
    void PSExecute();
    // The parameters as the data layer's, in a list the data set owns.
    TParams& PSGetParams();
    // A table goes to the records whose fields match the parameters of their names; another source
    // takes the parameters and closes, to open on them later.
    void PSSetParams(const TParams& params);
    void PSSetCommandText(std::string_view text);
    // The table a text reads (when it reads one), or the table named.
    std::string PSGetTableName();
    // The fields of the first unique index whose fields the data set all has, separated by ";".
    std::string PSGetKeyFields();
    // The index of IndexName, else that of IndexFieldNames, else the primary, else a unique one.
    std::unique_ptr<TIndexDef> PSGetDefaultOrder();
    void PSStartTransaction();
    void PSEndTransaction(bool commit);
    // The connection component's; no transaction-server context exists to ask otherwise.
    bool PSInTransaction() const;
    // Runs a statement with the parameters on the data set's connection and returns the count of rows
    // it changed; with a place for a result, a new open data set over its rows, which the caller owns.
    int PSExecuteStatement(std::string_view sql, const TParams& params, std::unique_ptr<TDataSet>* resultSet = nullptr);
    // The column and table the data source reads the field from; "" where it does not tell.
    std::string GetBaseColumnName(std::string_view fieldName);
    std::string GetBaseTableName(std::string_view fieldName);

    // "(name=value)", the value quoted for the field's type ("#" for dates, and for texts holding "'")
    // and written the same under every locale; a partial text value matches what starts with it.
    static std::string FilterCondition(const TField& field, const Variant& value, bool partial);
    void SetRecNo(int recNo) override;
    bool IsSequenced() override;

    TWillChangeFieldEvent OnWillChangeField;
    TFieldChangeCompleteEvent OnFieldChangeComplete;
    TWillChangeRecordEvent OnWillChangeRecord;
    TRecordChangeCompleteEvent OnRecordChangeComplete;
    TRecordsetReasonEvent OnWillChangeRecordset;
    TRecordsetErrorEvent OnRecordsetChangeComplete;
    TRecordsetReasonEvent OnWillMove;
    TRecordsetErrorEvent OnMoveComplete;
    TEndOfRecordsetEvent OnEndOfRecordset;
    TFetchCompleteEvent OnFetchComplete;
    TFetchProgressEvent OnFetchProgress;

protected:
    TdADOCommand& Command() const { return *command_; }

    const std::string& CommandText() const { return command_->CommandText(); }
    void SetCommandText(std::string_view text);
    int CommandTimeout() const { return command_->CommandTimeout(); }
    void SetCommandTimeout(int seconds) { command_->SetCommandTimeout(seconds); }
    TCommandType CommandType() const;
    void SetCommandType(TCommandType type);
    bool ParamCheck() const { return command_->ParamCheck(); }
    void SetParamCheck(bool check) { command_->SetParamCheck(check); }
    TParameters& Parameters() const { return command_->Parameters(); }
    void SetParameters(TParameters& parameters) { command_->SetParameters(parameters); }
    bool Prepared() const { return command_->Prepared(); }
    void SetPrepared(bool prepared) { command_->SetPrepared(prepared); }
    // The names of the table's indexes (for a table source; none otherwise).
    void GetIndexNames(TStringList& list);
    // "a;b": the fields of the recordset's sort while open.
    std::string IndexFieldNames();
    void SetIndexFieldNames(std::string_view names);
    std::string IndexName();
    void SetIndexName(std::string_view name);

    std::unique_ptr<std::uint8_t[]> AllocRecordBuffer() override;
    void FreeRecordBuffer(std::unique_ptr<std::uint8_t[]>& buffer) override;
    int GetRecordSize() override { return static_cast<int>(recordSize_); }
    void ClearRecordBuffer(TRecordBuffer buffer) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalGotoBookmark(const std::uint8_t* bookmark) override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void GetBookmarkData(TRecordBuffer buffer, std::uint8_t* data) override;
    void SetBookmarkData(TRecordBuffer buffer, const std::uint8_t* data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    bool IsCursorOpen() override;
    void InternalRefresh() override;
    // Shows the exception of opening a data set stored as active, rather than failing the form.
    void InternalHandleException() override;
    void OpenCursor(bool infoQuery) override;
    void CloseCursor() override;
    int GetRecordCount() override;
    int GetRecNo() override;
    bool GetCanModify() override;
    void ClearCalcFields(TRecordBuffer buffer) override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalCancel() override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    // The indexes of a table source, from the data source's index rowset.
    void UpdateIndexDefs() override;
    void ActivateTextFilter(std::string_view text);
    void DeactivateFilters();
    TDataSource* DataSource() const { return GetDataSource(); }
    // Raises "Circular datalinks are not allowed" for a source that leads back to the data set.
    void SetDataSource(TDataSource* source);
    const std::string& MasterFields() const { return masterDataLink_.FieldNames(); }
    // A detail cannot have a Filter text, nor a filtered data set master fields: each raises "Filter
    // property can not be used for detail tables".
    void SetMasterFields(std::string_view fields);
    // Whether the filter the master's values make changed.
    bool SetDetailFilter();
    void MasterChanged();
    void MasterDisabled();
    void SetParamsFromCursor();
    void RefreshParams();
    TParameter& ParamByName(std::string_view name) const { return Parameters().ParamByName(name); }
    // Moves the recordset (not the data set) to the record found.
    bool LocateRecord(std::string_view keyFields, const Variant& keyValues, TLocateOptions options);
    // Releases the clones searches run on, whose rows or filter no longer are the recordset's.
    void DestroyLookupCursor();
    // Block reading is never entered.
    void SetBlockReadSize(int size) override;

private:
    friend class TdADOBlobStream;

    // Where a field definition's value lies in a record.
    struct FieldSlot {
        size_t offset;   // from the start of the data area
        size_t dataSize; // bytes after the three flag bytes
        int position;    // in the recordset's fields
        bool holdsVariant;
    };

    static constexpr size_t BookmarkBytes = 16;
    static constexpr size_t HeaderBytes = BookmarkBytes + 1 + 4;

    void OpenRecordset();
    void FollowMasterByParameters();
    std::string BaseProperty(std::string_view fieldName, std::string_view property);
    TGetResult FetchOne(TRecordBuffer buffer, TGetMode mode);
    TGetResult FetchAccepted(TRecordBuffer buffer, TGetMode mode);
    AdoRecordset& LookupCursor();
    void InternalSetSort(std::string_view sort);
    void MoveBeforeFirst();
    void MoveAfterLast();
    bool SupportsBookmarks() const { return BookmarkSize() > 0; }
    std::int32_t RecordNumberOf(const std::uint8_t* buffer) const;
    std::uint8_t* SlotOf(TRecordBuffer buffer, const FieldSlot& slot) const;
    void FetchSlot(TRecordBuffer buffer, const FieldSlot& slot, TField& field);
    bool OnRecordOf(TRecordBuffer buffer) const;
    void RequireWritableState() const;
    void WriteModifiedFields();
    Variant SlotValue(const TField& field, const FieldSlot& slot, const std::uint8_t* data) const;
    void SetIndexFields(std::string_view sort);
    std::string IndexTableName() const;

    TdADOCommand* command_;
    std::shared_ptr<AdoRecordset> recordset_;
    std::shared_ptr<AdoRecordset> lookupCursor_; // FindRecord's
    std::shared_ptr<AdoRecordset> locateCursor_; // Locate's and Lookup's
    TMasterDataLink masterDataLink_{*this};
    std::unique_ptr<TParams> providerParams_;
    std::string detailFilter_; // the recordset's filter while it is the master's
    TCursorLocation cursorLocation_ = ad_UseServer;
    TCursorType cursorType_ = ad_OpenKeyset;
    TLockType lockType_ = ad_LockOptimistic;
    TMarshalOption marshalOptions_ = ad_MarshalAll;
    int cacheSize_ = 1;
    int maxRecords_ = 0;
    TCommandType commandType_ = ad_CmdText; // kept for file and table-direct sources only
    std::string indexName_;
    std::string indexFieldNames_;
    std::vector<TField*> indexFields_;
    std::vector<FieldSlot> slots_; // by field number - 1
    size_t dataSize_ = 0;
    size_t recordSize_ = HeaderBytes;
};

// The dataset with its command's properties published.
class TdADODataset : public TdCustomADODataset {
public:
    using TdCustomADODataset::CommandText;
    using TdCustomADODataset::CommandTimeout;
    using TdCustomADODataset::CommandType;
    using TdCustomADODataset::DataSource;
    using TdCustomADODataset::GetIndexNames;
    using TdCustomADODataset::IndexFieldNames;
    using TdCustomADODataset::IndexName;
    using TdCustomADODataset::MasterFields;
    using TdCustomADODataset::ParamByName;
    using TdCustomADODataset::ParamCheck;
    using TdCustomADODataset::Parameters;
    using TdCustomADODataset::Prepared;
    using TdCustomADODataset::SetCommandText;
    using TdCustomADODataset::SetCommandTimeout;
    using TdCustomADODataset::SetCommandType;
    using TdCustomADODataset::SetDataSource;
    using TdCustomADODataset::SetIndexFieldNames;
    using TdCustomADODataset::SetIndexName;
    using TdCustomADODataset::SetMasterFields;
    using TdCustomADODataset::SetParamCheck;
    using TdCustomADODataset::SetParameters;
    using TdCustomADODataset::SetPrepared;
};

// The stream over a blob or memo field of a dataset's record. It holds the field's bytes (a memo's
// text in the model's encoding); what is written becomes the field's value at Close, which the
// destructor calls.
class TdADOBlobStream : public TMemoryStream {
public:
    // Writing needs a field that is not read-only ("Field '%s' cannot be modified") and a dataset
    // editing or inserting ("Dataset not in edit or insert mode"); bmWrite starts empty.
    TdADOBlobStream(TBlobField& field, TBlobStreamMode mode);
    ~TdADOBlobStream() override;
    TdADOBlobStream(const TdADOBlobStream&) = delete;
    TdADOBlobStream& operator=(const TdADOBlobStream&) = delete;

    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // Ends the stream at its position.
    void Truncate();
    // Stores what was written into the record, once.
    void Close();

private:
    void ReadField();

    TBlobField& field_;
    TdCustomADODataset& dataset_;
    bool modified_ = false;
};

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
    using TdCustomADODataset::MasterFields;
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
