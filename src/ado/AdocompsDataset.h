#pragma once

#include "ado/AdocompsCommand.h"
#include "ado/AdocompsTypes.h"
#include "platform/core/StringList.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/services/AdoConnection.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class EOleException;
class TDataSource;
class TParams;
class TdCustomADODataset;

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
    // The recordset's field a field of the data set reads; -1 for one that reads none (calculated).
    int SourceColumn(const TField& field) const;
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

    // "(name=value)", the value quoted for the field's type ("#" for dates, "'" for texts, with "''" for "'")
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
