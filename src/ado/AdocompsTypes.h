#pragma once

#include "platform/core/EnumSet.h"
#include "platform/data/Fields.h"

#include <cstdint>
#include <iterator>

// The enumerations the ADO data-access components share, with their ADO constants, and the
// conversions between field types and ADO types.

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

// An ADO count (64-bit) as the components' int, clamped to its range.
int ClampedToInt(std::int64_t value);

// The ADO type a parameter of the field type is sent as, and the field type of an ADO type (as
// field definitions map it; ftUnknown for a type no field can hold).
int AdoTypeOfFieldType(TFieldType type);
TFieldType FieldTypeOfAdo(int adoType);

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
