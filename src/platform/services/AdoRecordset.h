#pragma once

#include "platform/services/AdoCriteria.h"
#include "platform/services/OdbcBackend.h"
#include "platform/services/RowIdentity.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The ADO objects the dataset components call, under their names and with ADO's numbers, standing in
// for the ADO library over the ODBC backend. Everything runs synchronously.

// ADO's command types and execute options.
constexpr int adCmdUnspecified = -1;
constexpr int adCmdText = 1;
constexpr int adCmdTable = 2;
constexpr int adCmdStoredProc = 4;
constexpr int adCmdUnknown = 8;
constexpr int adCmdFile = 256;
constexpr int adCmdTableDirect = 512;
constexpr int adExecuteNoRecords = 128;
// The command type among options, or the fallback when they give none.
int AdoCommandTypeOf(int options, int fallback);

// ADO's connect modes, object states and cursor settings.
constexpr int adModeUnknown = 0;
constexpr int adModeRead = 1;
constexpr int adModeReadWrite = 3;
constexpr int adStateClosed = 0;
constexpr int adStateOpen = 1;
constexpr int adUseServer = 2;
constexpr int adUseClient = 3;
constexpr int adOpenUnspecified = -1;
constexpr int adOpenStatic = 3;
constexpr int adLockUnspecified = -1;
constexpr int adLockReadOnly = 1;
constexpr int adLockOptimistic = 3;
constexpr int adMarshalAll = 0;
constexpr int adXactCursorStability = adXactReadCommitted;

// ADO's cursor options (Supports) and the positions AbsolutePosition gives off the records.
constexpr int adMovePrevious = 512;
constexpr int adBookmark = 8192;
constexpr int adApproxPosition = 16384;
constexpr int adPosBOF = -2;
constexpr int adPosEOF = -3;
// ADO's cursor options for changing records, its edit modes and the record a Delete affects.
constexpr int adAddNew = 16778240;
constexpr int adDelete = 16779264;
constexpr int adUpdate = 16809984;
constexpr int adEditNone = 0;
constexpr int adEditInProgress = 1;
constexpr int adEditAdd = 2;
constexpr int adAffectCurrent = 1;
// ADO's filter groups (only "none" is offered: the others need batch updates), search directions,
// the places a search starts from besides a bookmark, and the seek option the components use.
constexpr int adFilterNone = 0;
constexpr int adSearchForward = 1;
constexpr int adSearchBackward = -1;
constexpr int adBookmarkCurrent = 0;
constexpr int adBookmarkFirst = 1;
constexpr int adBookmarkLast = 2;
constexpr int adSeekFirstEQ = 1;

// ADO's schema rowsets.
constexpr int adSchemaIndexes = 12;
constexpr int adSchemaProcedures = 16;
constexpr int adSchemaTables = 20;
constexpr int adSchemaPrimaryKeys = 28;

class AdoCommand;
class AdoConnection;
class AdoRecordset;

// A statement ready to run: the SQL the driver takes, its parameter values and where it runs.
struct AdoStatement {
    std::shared_ptr<AdoConnection> connection;
    std::string sql;
    std::vector<Variant> values;
    int timeout = 30;
    // What a SQLite table is read with after its columns, which a recordset keeps apart from its fields.
    SqliteRowIdentity identity;

    OdbcResult Run(std::int64_t maxRecords = 0) const;
};

// One column of a recordset; its value is the one of the recordset's current record.
class AdoField {
public:
    AdoField(AdoRecordset& recordset, size_t column) : recordset_(&recordset), column_(column) {}

    const std::string& Name() const { return Column().name; }
    int Type() const { return Column().type; }
    std::int64_t DefinedSize() const { return Column().size; }
    int Precision() const { return Column().precision; }
    int NumericScale() const { return Column().scale; }
    int Attributes() const { return Column().attributes; }
    // Raises "No current record." off the records.
    const Variant& Value() const;
    // Starts an edit of the current record when none is in progress; written at Update.
    void SetValue(const Variant& value) const;
    // The provider's properties of the column: BASECOLUMNNAME and BASETABLENAME.
    Variant Properties(std::string_view name) const;

private:
    const OdbcColumn& Column() const;

    AdoRecordset* recordset_;
    size_t column_;
};

class AdoFields {
public:
    int Count() const { return static_cast<int>(fields_.size()); }
    const AdoField& Item(int index) const;
    // By name, without regard to case.
    const AdoField& Item(std::string_view name) const;

private:
    friend class AdoRecordset;
    std::vector<AdoField> fields_;
};

// A static cursor over rows kept in memory (up to MaxRecords). Its bookmarks are numbers that stay
// with their rows whatever the sort and filter; clones share the rows and so the bookmarks.
//
// Opened on a table, or on a text whose columns all come from one base table, with a lock type that
// is not read-only on a connection that is not read-only, it writes to that table: each change runs
// as one statement with bound values, in a transaction (a savepoint within one already open) that
// is kept only when exactly one row changed. On SQLite a row of a table opened by name is found by
// what was read beside it (SqliteRowIdentity): its rowid and its identity, else its identity alone,
// else it is not found. Elsewhere a row is found by its primary key, else by the value it was read
// with in every column that is not long; a row with a text that was not read exactly (bytes that are
// not UTF-8 read as "?") cannot be found so. The row held in memory follows each write.
class AdoRecordset {
public:
    // Fetches the rows again, at most the given number (0: all), for Requery.
    using Fetch = std::function<OdbcResult(std::int64_t maxRecords)>;

    AdoRecordset() = default;
    AdoRecordset(const AdoRecordset&) = delete;
    AdoRecordset& operator=(const AdoRecordset&) = delete;

    // ADO's Open: on a command, or on a text (a command of the type the options give) and a connection.
    // A statement without rows leaves the recordset closed.
    void Open(const AdoCommand& source, int cursorType = adOpenUnspecified, int lockType = adLockUnspecified,
              int options = adCmdUnspecified);
    void Open(std::string_view source, const std::shared_ptr<AdoConnection>& connection,
              int cursorType = adOpenUnspecified, int lockType = adLockUnspecified, int options = adCmdUnspecified);
    // Opens on the rows of a statement, which also runs at Requery; without a result set the recordset
    // stays closed and the count of rows the statement changed is all there is.
    void OpenOn(const AdoStatement& statement, std::int64_t* recordsAffected = nullptr);
    void OpenOn(OdbcResult result, Fetch fetch);
    void Close();
    int State() const { return open_ ? adStateOpen : adStateClosed; }

    // EOF is the C library's macro, so the two ends read Bof and Eof.
    bool Bof() const;
    bool Eof() const;
    // Past an end, and on an empty recordset, each raises "No current record.".
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();

    // 1-based; adPosBOF or adPosEOF off the records.
    std::int64_t AbsolutePosition() const;
    void SetAbsolutePosition(std::int64_t position);
    std::int64_t RecordCount() const;
    Variant Bookmark() const;
    // The current record's bookmark as its number, none off the records: for comparing without a
    // Variant.
    std::optional<std::uint64_t> BookmarkNumber() const;
    // Raises "Invalid bookmark." for one this recordset never gave.
    void SetBookmark(const Variant& bookmark);
    // adAddNew, adDelete and adUpdate only where the recordset writes (see above).
    bool Supports(int cursorOptions) const;

    // Writing. Each raises "This data cannot be changed." where the recordset does not write.
    // AddNew starts a new record of nulls that Update inserts; the fields read the record being
    // written while an edit is in progress.
    void AddNew();
    // Writes the edit in progress and ends it; nothing happens without one, or with nothing changed.
    // The new record of AddNew becomes the current one, read back as the table holds it. A failed
    // write leaves the edit in progress.
    void Update();
    void CancelUpdate();
    int EditMode() const { return editMode_; }
    // Deletes the current record; the cursor then stands before the record that followed it, so
    // that MoveNext reaches it, and the deleted record's bookmark names none.
    void Delete(int affectRecords = adAffectCurrent);

    // "a DESC, b": a stable sort that leaves the cursor on the first record; "" restores the order read.
    const std::string& Sort() const { return sort_; }
    void SetSort(std::string_view sort);
    // Reads the rows again, keeps the sort and filter and goes to the first record.
    void Requery(int options = adCmdUnspecified);

    // The criteria text (AdoCriteria) or adFilterNone. A text shows only the records that match it,
    // sorted, from the first; "" or adFilterNone shows all again. Other filter groups and bookmark
    // lists raise AdoBadArguments.
    const Variant& Filter() const { return filter_; }
    void SetFilter(const Variant& filter);
    // Goes to the first record, from `start` on (after skipping `skipRecords`) in the direction given,
    // that matches the criteria; without one, to the end it ran towards (Eof forwards, Bof backwards).
    // `start` is a bookmark, adBookmarkFirst, adBookmarkLast, or adBookmarkCurrent (also when empty),
    // which needs a current record.
    void Find(std::string_view criteria, std::int64_t skipRecords = 0, int searchDirection = adSearchForward,
              const Variant& start = {});
    // A read-only cursor over the same rows with the same bookmarks; it starts on the same record with
    // the same sort and filter and keeps its own from then on. Rows read again by Requery on either
    // side are that side's own.
    std::shared_ptr<AdoRecordset> Clone(int lockType = adLockUnspecified) const;
    // Reads criteria as SetFilter and Find do, raising what they would for a text they cannot read.
    void CheckCriteria(std::string_view criteria) const;

    // The ODBC provider offers no index seeks: Index reads "" and takes no other name, and Seek raises.
    std::string Index() const { return {}; }
    void SetIndex(std::string_view index);
    void Seek(const Variant& keyValues, int seekOption = adSeekFirstEQ);

    const AdoFields& Fields() const { return fields_; }

    int CursorType() const { return adOpenStatic; }
    // As given at Open; read-only for recordsets a command or schema gives.
    int LockType() const { return lockType_; }
    int CursorLocation() const { return cursorLocation_; }
    void SetCursorLocation(int location) { cursorLocation_ = location; }
    // Every row is in memory at once, so the cache size changes nothing; it is kept for reading back.
    int CacheSize() const { return cacheSize_; }
    void SetCacheSize(int size) { cacheSize_ = size; }
    int MarshalOptions() const { return marshalOptions_; }
    void SetMarshalOptions(int options) { marshalOptions_ = options; }
    // Applies at the next Open or Requery; 0 reads all rows.
    std::int64_t MaxRecords() const { return maxRecords_; }
    void SetMaxRecords(std::int64_t count) { maxRecords_ = count; }

private:
    friend class AdoField;
    void RequireOpen() const;
    void RequireClosed() const;
    void RequireRecord() const;
    void RequireRecords() const;
    const OdbcRow& CurrentRow() const;
    void Take(OdbcResult result);
    void ApplyOrder();
    size_t PositionOfBookmark(const Variant& bookmark) const;
    std::int64_t SearchStart(const Variant& start) const;
    void RememberSource(int commandType, std::string_view source, int lockType);
    bool Writable() const;
    void RequireWritable() const;
    void PutValue(size_t column, const Variant& value);
    void Insert();
    void WriteEdit();
    std::string RowCondition(size_t row, std::vector<Variant>& values);
    std::optional<Variant> RowidOf(size_t row);
    Variant RowidRead(size_t row) const;
    // The name the rowid is found under: the one it was read under, else SQLite's own.
    std::string RowidName() const { return identity_.rowid.empty() ? "rowid" : identity_.rowid; }
    OdbcRow RowWhere(const std::string& condition, const std::vector<Variant>& values, Variant& identity);
    void ReadBackEdited(size_t row);

    struct WriteTarget;
    const WriteTarget& Target();

    // The rows read, shared with clones.
    struct Rows {
        std::vector<OdbcRow> rows;
        std::vector<bool> deleted; // rows deleted since they were read keep their numbers
        std::vector<bool> inexact; // rows with a text not read exactly (OdbcResult::inexactRows)
        std::vector<Variant> rowids;     // SQLite's, where the statement read them
        std::vector<Variant> identities; // SqliteRowIdentity's, where the statement read them
    };

    bool open_ = false;
    Fetch fetch_;
    std::vector<OdbcColumn> columns_;
    std::shared_ptr<Rows> data_ = std::make_shared<Rows>();
    std::vector<size_t> order_;      // the rows shown, in sorted order
    std::vector<size_t> positionOf_; // each row's place in order_; hiddenRow where it has none
    static constexpr size_t hiddenRow = SIZE_MAX;
    std::int64_t position_ = 0; // in order_: -1 before the first, order_.size() after the last
    AdoFields fields_;
    std::string sort_;
    Variant filter_ = Variant::Integer(adFilterNone);
    std::optional<AdoCriteria> criteria_;
    int cursorLocation_ = adUseServer;
    int cacheSize_ = 1;
    int marshalOptions_ = adMarshalAll;
    std::int64_t maxRecords_ = 0;
    // Writing.
    std::shared_ptr<AdoConnection> connection_;
    int timeout_ = 30;
    int lockType_ = adLockReadOnly;
    std::string tableSource_; // the table named at Open
    SqliteRowIdentity identity_; // the statement's AdoStatement::identity
    std::shared_ptr<WriteTarget> target_;
    int editMode_ = adEditNone;
    OdbcRow edited_;
    std::vector<bool> changed_;
};

// ADO's texts of the failures its callers see.
extern const char* const AdoNoCurrentRecord;
extern const char* const AdoObjectClosed;
extern const char* const AdoObjectOpen;
extern const char* const AdoBadArguments;
extern const char* const AdoCannotChange;
extern const char* const AdoRowNotFound;
extern const char* const AdoNoIndexSeeks;
// A field, parameter or column that a collection lacks.
[[noreturn]] void RaiseAdoItemNotFound(std::string_view item);
