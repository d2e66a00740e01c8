#include "platform/services/AdoRecordset.h"

#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/TextUtils.h"
#include "platform/services/AdoConnection.h"
#include "platform/services/AdoCriteria.h"
#include "platform/services/SqlNames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <utility>

const char* const AdoNoCurrentRecord = "No current record.";
const char* const AdoObjectClosed = "Operation is not allowed when the object is closed.";
const char* const AdoObjectOpen = "Operation is not allowed when the object is open.";
const char* const AdoBadArguments =
    "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.";
const char* const AdoCannotChange = "This data cannot be changed.";
const char* const AdoNoIndexSeeks = "This data source does not support index seeks.";
const char* const AdoRowNotFound =
    "The row to change was not found or is not unique; it may have changed since it was read.";

void RaiseAdoItemNotFound(std::string_view item)
{
    throw EOleException("Item cannot be found in the collection corresponding to the requested name or ordinal: " +
                        Win1252ToUtf8(item));
}

namespace {

// ADO's enumerated values (filter groups, search starts) arrive as integers; bookmarks as reals.
bool IsEnumerated(const Variant& value) { return value.VarType() == varInteger || value.VarType() == varSmallint; }

// ---------------------------------------------------------------------------------------------
// Sorting

struct SortKey {
    size_t column;
    bool descending;
};

bool EndsWithWord(std::string_view text, std::string_view word)
{
    return text.size() > word.size() && SameText(text.substr(text.size() - word.size()), word) &&
           text[text.size() - word.size() - 1] == ' ';
}

// "a DESC, [b c] ASC" into keys; names compare without regard to case.
std::vector<SortKey> ParseSort(std::string_view sort, const std::vector<OdbcColumn>& columns)
{
    std::vector<SortKey> keys;
    size_t start = 0;
    while (start <= sort.size()) {
        const size_t end = std::min(sort.find(',', start), sort.size());
        std::string item = Trim(sort.substr(start, end - start));
        start = end + 1;
        if (item.empty())
            continue;
        SortKey key{0, false};
        for (const std::string_view order : {"DESC", "ASC"})
            if (EndsWithWord(item, order)) {
                key.descending = order == "DESC";
                item = Trim(std::string_view(item).substr(0, item.size() - order.size()));
            }
        if (item.size() > 2 && item.front() == '[' && item.back() == ']')
            item = item.substr(1, item.size() - 2);
        const auto found = std::find_if(columns.begin(), columns.end(),
                                        [&](const OdbcColumn& column) { return SameText(column.name, item); });
        if (found == columns.end())
            RaiseAdoItemNotFound(item);
        key.column = static_cast<size_t>(found - columns.begin());
        keys.push_back(key);
    }
    return keys;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Fields

const OdbcColumn& AdoField::Column() const { return recordset_->columns_.at(column_); }

const Variant& AdoField::Value() const { return recordset_->CurrentRow().at(column_); }

Variant AdoField::Properties(std::string_view name) const
{
    if (SameText(name, "BASECOLUMNNAME"))
        return Variant::FromString(Column().baseColumn);
    if (SameText(name, "BASETABLENAME"))
        return Variant::FromString(Column().baseTable);
    RaiseAdoItemNotFound(name);
}

void AdoField::SetValue(const Variant& value) const { recordset_->PutValue(column_, value); }

const AdoField& AdoFields::Item(int index) const
{
    if (index < 0 || index >= Count())
        RaiseAdoItemNotFound(std::to_string(index));
    return fields_[static_cast<size_t>(index)];
}

const AdoField& AdoFields::Item(std::string_view name) const
{
    const auto found = std::find_if(fields_.begin(), fields_.end(),
                                    [name](const AdoField& field) { return SameText(field.Name(), name); });
    if (found == fields_.end())
        RaiseAdoItemNotFound(name);
    return *found;
}

// ---------------------------------------------------------------------------------------------
// Opening and closing

void AdoRecordset::Open(const AdoCommand& source, int, int lockType, int options)
{
    const AdoStatement statement = source.Statement({}, options);
    OpenOn(statement);
    // Requery runs the command again with the values its parameters have then, as ADO's does.
    if (open_ && statement.values.size() == source.Parameters().Inputs().size())
        fetch_ = [statement, inputs = source.Parameters().Inputs()](std::int64_t maxRecords) {
            AdoStatement again = statement;
            for (size_t i = 0; i < inputs.size(); ++i)
                again.values[i] = inputs[i]->value;
            return again.Run(maxRecords);
        };
    RememberSource(AdoCommandTypeOf(options, source.CommandType()), source.CommandText(), lockType);
}

void AdoRecordset::Open(std::string_view source, const std::shared_ptr<AdoConnection>& connection, int, int lockType,
                        int options)
{
    if (!connection)
        throw EOleException(AdoObjectClosed);
    const int commandType = AdoCommandTypeOf(options, adCmdText);
    OpenOn(connection->Statement(commandType, source, {}, connection->CommandTimeout()));
    RememberSource(commandType, source, lockType);
}

void AdoRecordset::RememberSource(int commandType, std::string_view source, int lockType)
{
    lockType_ = lockType == adLockUnspecified ? adLockReadOnly : lockType;
    if (commandType == adCmdTable || commandType == adCmdTableDirect)
        tableSource_ = source;
}

void AdoRecordset::OpenOn(const AdoStatement& statement, std::int64_t* recordsAffected)
{
    RequireClosed();
    OdbcResult result = statement.Run(maxRecords_);
    if (recordsAffected)
        *recordsAffected = result.recordsAffected;
    identity_ = result.hasResultSet ? statement.identity : SqliteRowIdentity();
    OpenOn(std::move(result), [statement](std::int64_t maxRecords) { return statement.Run(maxRecords); });
    if (open_) {
        connection_ = statement.connection;
        timeout_ = statement.timeout;
    }
}

void AdoRecordset::OpenOn(OdbcResult result, Fetch fetch)
{
    RequireClosed();
    if (!result.hasResultSet)
        return;
    fetch_ = std::move(fetch);
    columns_ = std::move(result.columns);
    columns_.resize(columns_.size() - identity_.Extras());
    fields_.fields_.clear();
    for (size_t column = 0; column < columns_.size(); ++column)
        fields_.fields_.emplace_back(*this, column);
    sort_.clear();
    Take(std::move(result));
    open_ = true;
}

void AdoRecordset::Take(OdbcResult result)
{
    // A new store, so that clones keep the rows they share.
    data_ = std::make_shared<Rows>();
    data_->rows = std::move(result.rows);
    data_->deleted.assign(data_->rows.size(), false);
    data_->inexact.assign(data_->rows.size(), false);
    for (const size_t row : result.inexactRows)
        data_->inexact[row] = true;
    for (OdbcRow& row : data_->rows) {
        if (identity_.Read()) {
            data_->identities.push_back(std::move(row.back()));
            row.pop_back();
        }
        if (!identity_.rowid.empty()) {
            data_->rowids.push_back(std::move(row.back()));
            row.pop_back();
        }
    }
    editMode_ = adEditNone;
    ApplyOrder();
}

void AdoRecordset::Close()
{
    RequireOpen();
    open_ = false;
    fetch_ = nullptr;
    data_ = std::make_shared<Rows>();
    order_ = {};
    positionOf_ = {};
    fields_.fields_.clear();
    columns_.clear();
    sort_.clear();
    filter_ = Variant::Integer(adFilterNone);
    criteria_.reset();
    connection_.reset();
    lockType_ = adLockReadOnly;
    tableSource_.clear();
    identity_ = {};
    target_.reset();
    editMode_ = adEditNone;
}

void AdoRecordset::Requery(int)
{
    RequireOpen();
    OdbcResult result = fetch_(maxRecords_);
    Take(std::move(result));
}

// ---------------------------------------------------------------------------------------------
// Moving

void AdoRecordset::RequireOpen() const
{
    if (!open_)
        throw EOleException(AdoObjectClosed);
}

void AdoRecordset::RequireClosed() const
{
    if (open_)
        throw EOleException(AdoObjectOpen);
}

void AdoRecordset::RequireRecord() const
{
    RequireOpen();
    if (Bof() || Eof())
        throw EOleException(AdoNoCurrentRecord);
}

void AdoRecordset::RequireRecords() const
{
    RequireOpen();
    if (order_.empty())
        throw EOleException(AdoNoCurrentRecord);
}

const OdbcRow& AdoRecordset::CurrentRow() const
{
    if (editMode_ != adEditNone)
        return edited_;
    RequireRecord();
    return data_->rows[order_[static_cast<size_t>(position_)]];
}

bool AdoRecordset::Bof() const
{
    RequireOpen();
    return order_.empty() || position_ < 0;
}

bool AdoRecordset::Eof() const
{
    RequireOpen();
    return position_ >= static_cast<std::int64_t>(order_.size());
}

void AdoRecordset::MoveFirst()
{
    RequireRecords();
    position_ = 0;
}

void AdoRecordset::MoveLast()
{
    RequireRecords();
    position_ = static_cast<std::int64_t>(order_.size()) - 1;
}

void AdoRecordset::MoveNext()
{
    if (Eof())
        throw EOleException(AdoNoCurrentRecord);
    ++position_;
}

void AdoRecordset::MovePrevious()
{
    if (Bof())
        throw EOleException(AdoNoCurrentRecord);
    --position_;
}

std::int64_t AdoRecordset::AbsolutePosition() const
{
    if (Bof())
        return adPosBOF;
    if (Eof())
        return adPosEOF;
    return position_ + 1;
}

void AdoRecordset::SetAbsolutePosition(std::int64_t position)
{
    RequireOpen();
    if (position < 1 || position > RecordCount())
        throw EOleException(AdoBadArguments);
    position_ = position - 1;
}

std::int64_t AdoRecordset::RecordCount() const
{
    RequireOpen();
    return static_cast<std::int64_t>(order_.size());
}

// ---------------------------------------------------------------------------------------------
// Bookmarks, sorting and the rest of the cursor

Variant AdoRecordset::Bookmark() const
{
    RequireRecord();
    return Variant::Double(static_cast<double>(*BookmarkNumber()));
}

std::optional<std::uint64_t> AdoRecordset::BookmarkNumber() const
{
    if (Bof() || Eof())
        return std::nullopt;
    return order_[static_cast<size_t>(position_)] + 1;
}

size_t AdoRecordset::PositionOfBookmark(const Variant& bookmark) const
{
    double number = 0;
    try {
        number = bookmark.AsDouble();
    } catch (const EVariantError&) {
        throw EOleException("Invalid bookmark.");
    }
    // A clone's own order lacks the rows added through another cursor since it was arranged.
    if (!(number >= 1 && number <= static_cast<double>(positionOf_.size())) || number != std::floor(number) ||
        data_->deleted[static_cast<size_t>(number) - 1] || positionOf_[static_cast<size_t>(number) - 1] == hiddenRow)
        throw EOleException("Invalid bookmark.");
    return positionOf_[static_cast<size_t>(number) - 1];
}

void AdoRecordset::SetBookmark(const Variant& bookmark)
{
    RequireOpen();
    position_ = static_cast<std::int64_t>(PositionOfBookmark(bookmark));
}

bool AdoRecordset::Supports(int cursorOptions) const
{
    int offered = adBookmark | adMovePrevious | adApproxPosition;
    if (Writable())
        offered |= adAddNew | adDelete | adUpdate;
    return (cursorOptions & ~offered) == 0;
}

void AdoRecordset::SetSort(std::string_view sort)
{
    RequireOpen();
    const std::string previous = sort_;
    sort_ = sort;
    try {
        ApplyOrder();
    } catch (...) {
        sort_ = previous;
        throw;
    }
}

// Sorts the rows the filter lets through from the order read, so that equal keys keep it, and goes
// to the first record.
void AdoRecordset::ApplyOrder()
{
    const std::vector<SortKey> keys = ParseSort(sort_, columns_);
    std::vector<size_t> order;
    for (size_t row = 0; row < data_->rows.size(); ++row)
        if (!data_->deleted[row] && (!criteria_ || criteria_->Matches(data_->rows[row])))
            order.push_back(row);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (const SortKey& key : keys)
            if (const int result = AdoCompareValues(data_->rows[a][key.column], data_->rows[b][key.column]))
                return key.descending ? result > 0 : result < 0;
        return false;
    });
    order_ = std::move(order);
    positionOf_.assign(data_->rows.size(), hiddenRow);
    for (size_t position = 0; position < order_.size(); ++position)
        positionOf_[order_[position]] = position;
    position_ = 0;
}

void AdoRecordset::SetFilter(const Variant& filter)
{
    RequireOpen();
    std::optional<AdoCriteria> criteria;
    if (filter.VarType() == varOleStr) {
        if (!filter.TextValue().empty())
            criteria.emplace(filter.AsString(), columns_);
    } else if (!IsEnumerated(filter) || filter.AsInt64() != adFilterNone) {
        throw EOleException(AdoBadArguments);
    }
    filter_ = criteria ? filter : Variant::Integer(adFilterNone);
    criteria_ = std::move(criteria);
    ApplyOrder();
}

std::int64_t AdoRecordset::SearchStart(const Variant& start) const
{
    if (!start.IsEmpty() && !IsEnumerated(start))
        return static_cast<std::int64_t>(PositionOfBookmark(start));
    switch (start.IsEmpty() ? adBookmarkCurrent : start.AsInt64()) {
    case adBookmarkCurrent:
        RequireRecord();
        return position_;
    case adBookmarkFirst:
        return 0;
    case adBookmarkLast:
        return static_cast<std::int64_t>(order_.size()) - 1;
    default:
        throw EOleException(AdoBadArguments);
    }
}

void AdoRecordset::Find(std::string_view criteria, std::int64_t skipRecords, int searchDirection, const Variant& start)
{
    RequireOpen();
    if (skipRecords < 0 || (searchDirection != adSearchForward && searchDirection != adSearchBackward))
        throw EOleException(AdoBadArguments);
    const AdoCriteria wanted(criteria, columns_);
    const auto count = static_cast<std::int64_t>(order_.size());
    for (std::int64_t position = SearchStart(start) + skipRecords * searchDirection; position >= 0 && position < count;
         position += searchDirection)
        if (wanted.Matches(data_->rows[order_[static_cast<size_t>(position)]])) {
            position_ = position;
            return;
        }
    position_ = searchDirection == adSearchForward ? count : -1;
}

void AdoRecordset::CheckCriteria(std::string_view criteria) const
{
    RequireOpen();
    [[maybe_unused]] const AdoCriteria read(criteria, columns_);
}

std::shared_ptr<AdoRecordset> AdoRecordset::Clone(int lockType) const
{
    RequireOpen();
    if (lockType != adLockUnspecified && lockType != adLockReadOnly)
        throw EOleException(AdoBadArguments);
    auto clone = std::make_shared<AdoRecordset>();
    clone->open_ = true;
    clone->fetch_ = fetch_;
    clone->columns_ = columns_;
    for (size_t column = 0; column < columns_.size(); ++column)
        clone->fields_.fields_.emplace_back(*clone, column);
    clone->data_ = data_;
    clone->order_ = order_;
    clone->positionOf_ = positionOf_;
    clone->position_ = position_;
    clone->sort_ = sort_;
    clone->filter_ = filter_;
    clone->criteria_ = criteria_;
    clone->cursorLocation_ = cursorLocation_;
    clone->maxRecords_ = maxRecords_;
    clone->identity_ = identity_;
    return clone;
}

void AdoRecordset::SetIndex(std::string_view index)
{
    if (!index.empty())
        throw EOleException(AdoNoIndexSeeks);
}

void AdoRecordset::Seek(const Variant&, int) { throw EOleException(AdoNoIndexSeeks); }

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

bool IsLongType(int type) { return type == adLongVarChar || type == adLongVarWChar || type == adLongVarBinary; }

bool IsNullValue(const Variant& value) { return value.IsNull() || value.IsEmpty(); }

// A date written to a DATE or TIME column goes as ISO text of that part alone: a time stamp there
// would keep the other part on drivers that store text (SQLite keeps "1899-12-30 07:30:00" for a
// time), and the servers convert the text to the column's type.
Variant WrittenValue(const OdbcColumn& column, const Variant& value)
{
    if (value.VarType() != varDate || (column.type != adDBDate && column.type != adDBTime))
        return value;
    const TDateParts parts = DecodeOleDate(value.DateValue());
    char text[16];
    if (column.type == adDBDate)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.year, parts.month, parts.day);
    else
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts.hour, parts.minute, parts.second);
    return Variant::FromString(text);
}

// Runs a statement that must change exactly one row in a transaction of its own (a savepoint inside
// one already open). `beforeCommit` reads what the change made while it is still the transaction's.
void ChangeOneRow(OdbcConnection& backend, const std::string& sql, const std::vector<Variant>& values, int timeout,
                  const std::function<void(const OdbcResult&)>& beforeCommit = {})
{
    backend.Begin();
    try {
        const OdbcResult result = backend.Execute(sql, values, {.timeout = timeout});
        const std::int64_t changed =
            result.hasResultSet ? static_cast<std::int64_t>(result.rows.size()) : result.recordsAffected;
        if (changed != 1)
            throw EOleException(AdoRowNotFound);
        if (beforeCommit)
            beforeCommit(result);
        backend.Commit();
    } catch (...) {
        // The failure that ended the change is the one to report, not a failing rollback after it.
        try {
            backend.Rollback();
        } catch (const Exception&) {
        }
        throw;
    }
}

} // namespace

// Where writes go, learnt from the driver at the first write.
struct AdoRecordset::WriteTarget {
    std::string table;                // as SQL
    std::vector<std::string> columns; // as SQL, one per column of the recordset
    std::vector<size_t> key;          // the primary key's columns; none: every column that is not long
    std::string dbms;
};

namespace {

// The table every column comes from (of one schema), or none.
std::string CommonBaseTable(const std::vector<OdbcColumn>& columns)
{
    if (columns.empty() || columns.front().baseTable.empty())
        return {};
    for (const OdbcColumn& column : columns)
        if (column.baseTable != columns.front().baseTable || column.baseSchema != columns.front().baseSchema)
            return {};
    return columns.front().baseTable;
}

bool IsDateColumn(const OdbcColumn& column)
{
    return column.type == adDBDate || column.type == adDBTime || column.type == adDBTimeStamp;
}

// The test that a row holds a column's value as it was read, at the precision the driver reads it,
// and how many times it takes the value: a row the reading cannot tell from another then matches
// both, and the write is refused rather than landing on the other. SQLite's driver reads a REAL as
// SQLite's own text of it (15 digits; a whole number may be kept as an integer) and SQLite keeps
// dates as the text they were written in; psqlODBC reads time stamps to the millisecond and times
// to the second.
std::pair<std::string, int> ReadValueCondition(const std::string& column, const OdbcColumn& read, bool sqlite,
                                               bool postgres)
{
    if (sqlite && (read.type == adSingle || read.type == adDouble))
        return {"(" + column + " = ? OR CAST(" + column + " AS TEXT) = CAST(? AS TEXT))", 2};
    if (sqlite && IsDateColumn(read))
        return {"datetime(" + column + ") = datetime(?)", 1};
    if (postgres && read.type == adDBTimeStamp)
        return {"date_trunc('milliseconds', " + column + ") = ?", 1};
    if (postgres && read.type == adDBTime)
        return {"date_trunc('second', " + column + ") = CAST(? AS time)", 1};
    return {column + " = ?", 1};
}

} // namespace

const AdoRecordset::WriteTarget& AdoRecordset::Target()
{
    if (target_)
        return *target_;
    OdbcConnection& backend = connection_->Backend();
    const std::string quote = backend.IdentifierQuote();
    auto target = std::make_shared<WriteTarget>();
    // The driver's name of the table is exact where the typed one may differ in case (PostgreSQL
    // folds unquoted names), so the key is looked up by the driver's when it gives one.
    std::string bareTable = CommonBaseTable(columns_);
    const std::string schema = bareTable.empty() ? std::string() : columns_.front().baseSchema;
    target->dbms = backend.DbmsName();
    if (!tableSource_.empty()) {
        target->table = SqlTableName(tableSource_, quote);
        if (bareTable.empty())
            bareTable = SqlBareName(tableSource_);
    } else if (!schema.empty()) {
        target->table = SqlQuotedName(schema, quote) + "." + SqlQuotedName(bareTable, quote);
    } else if (SameText(target->dbms, "SQLite")) {
        target->table = SqlQuotedName(bareTable, quote);
    } else {
        // A namesake in another schema may be the one the text read: writing by the bare name could
        // change the wrong table.
        throw EOleException(AdoCannotChange);
    }
    for (const OdbcColumn& column : columns_)
        target->columns.push_back(SqlQuotedName(BaseColumnOf(column), quote));
    target->key = PrimaryKeyColumns(backend, schema, bareTable, columns_);
    target_ = std::move(target);
    return *target_;
}

bool AdoRecordset::Writable() const
{
    return open_ && connection_ && lockType_ != adLockReadOnly &&
           (connection_->Mode() & adModeReadWrite) != adModeRead &&
           (!tableSource_.empty() || !CommonBaseTable(columns_).empty());
}

void AdoRecordset::RequireWritable() const
{
    RequireOpen();
    if (!Writable())
        throw EOleException(AdoCannotChange);
}

void AdoRecordset::PutValue(size_t column, const Variant& value)
{
    RequireWritable();
    if (editMode_ == adEditNone) {
        RequireRecord();
        edited_ = data_->rows[order_[static_cast<size_t>(position_)]];
        changed_.assign(columns_.size(), false);
        editMode_ = adEditInProgress;
    }
    edited_.at(column) = value;
    changed_[column] = true;
}

void AdoRecordset::AddNew()
{
    RequireWritable();
    edited_.assign(columns_.size(), Variant::Null());
    changed_.assign(columns_.size(), false);
    editMode_ = adEditAdd;
}

void AdoRecordset::CancelUpdate()
{
    RequireOpen();
    editMode_ = adEditNone;
    edited_.clear();
}

void AdoRecordset::Update()
{
    RequireOpen();
    if (editMode_ == adEditAdd)
        Insert();
    else if (editMode_ == adEditInProgress)
        WriteEdit();
    CancelUpdate();
}

// The condition that finds the row as it was read, its values after those already in `values`. A
// row whose texts were not read exactly may read as another row holds it, and is refused. A SQLite
// table opened by name is told apart by what was read beside its columns, or not at all.
std::string AdoRecordset::RowCondition(size_t row, std::vector<Variant>& values)
{
    const WriteTarget& target = Target();
    const bool sqlite = SameText(target.dbms, "SQLite");
    if (sqlite && !tableSource_.empty()) {
        if (!identity_.Read())
            throw EOleException(AdoRowNotFound);
        return " WHERE " + identity_.Condition(RowidRead(row), data_->identities[row], data_->rows[row], values);
    }
    if (data_->inexact[row])
        throw EOleException(AdoRowNotFound);
    const OdbcRow& original = data_->rows[row];
    std::vector<std::string> conditions;
    const bool postgres = SameText(target.dbms, "PostgreSQL");
    // Both compare long texts and bytes as any others, and their drivers report plain TEXT columns as
    // long ones: leaving those out would leave a table of texts without any condition.
    const bool comparesLongValues = sqlite || postgres;
    auto add = [&](size_t column) {
        if (IsNullValue(original[column])) {
            conditions.push_back(target.columns[column] + " IS NULL");
            return;
        }
        const auto [condition, markers] = ReadValueCondition(target.columns[column], columns_[column], sqlite, postgres);
        conditions.push_back(condition);
        values.insert(values.end(), static_cast<size_t>(markers), original[column]);
    };
    if (!target.key.empty())
        std::for_each(target.key.begin(), target.key.end(), add);
    else
        for (size_t column = 0; column < columns_.size(); ++column)
            if (comparesLongValues || !IsLongType(columns_[column].type))
                add(column);
    return conditions.empty() ? std::string() : " WHERE " + Joined(conditions, " AND ");
}

// The rowid read with a row, null where none was read (a view's rows, a table WITHOUT ROWID).
Variant AdoRecordset::RowidRead(size_t row) const
{
    return identity_.rowid.empty() ? Variant::Null() : data_->rowids[row];
}

void AdoRecordset::WriteEdit()
{
    const WriteTarget& target = Target();
    std::vector<std::string> assignments;
    std::vector<Variant> values;
    for (size_t column = 0; column < columns_.size(); ++column)
        if (changed_[column]) {
            assignments.push_back(target.columns[column] + " = ?");
            values.push_back(WrittenValue(columns_[column], edited_[column]));
        }
    if (assignments.empty())
        return;
    const size_t index = order_[static_cast<size_t>(position_)];
    OdbcRow& row = data_->rows[index];
    OdbcConnection& backend = connection_->Backend();
    const std::string update = "UPDATE " + target.table + " SET " + Joined(assignments, ", ");
    // The row is read back as the table keeps it (rounded, converted), so that the next write of it
    // finds it.
    if (SameText(target.dbms, "PostgreSQL")) {
        ChangeOneRow(backend, update + RowCondition(index, values) + " RETURNING " + Joined(target.columns, ", "),
                     values, timeout_, [&](const OdbcResult& result) { row = result.rows.front(); });
    } else if (identity_.Read()) {
        ChangeOneRow(backend, update + RowCondition(index, values), values, timeout_,
                     [&](const OdbcResult&) { ReadBackEdited(index); });
    } else if (const std::optional<Variant> rowid = RowidOf(index)) {
        values.push_back(*rowid);
        ChangeOneRow(backend, update + " WHERE " + RowidName() + " = ?", values, timeout_, [&](const OdbcResult&) {
            Variant identity;
            row = RowWhere(RowidName() + " = ?", {*rowid}, identity);
        });
    } else {
        ChangeOneRow(backend, update + RowCondition(index, values), values, timeout_);
        row = edited_;
    }
}

// Reads the row just written, and its new identity, within the write's transaction: by its rowid,
// which the write found it by, else by its identity with the values written in place of those changed.
void AdoRecordset::ReadBackEdited(size_t row)
{
    std::vector<Variant> values;
    std::string condition;
    if (const Variant rowid = RowidRead(row); !rowid.IsNull()) {
        condition = RowidName() + " = ?";
        values.push_back(rowid);
    } else {
        std::vector<std::optional<Variant>> written(columns_.size());
        for (size_t column = 0; column < columns_.size(); ++column)
            if (changed_[column])
                written[column] = WrittenValue(columns_[column], edited_[column]);
        condition = identity_.Condition(rowid, data_->identities[row], data_->rows[row], values, written);
    }
    data_->rows[row] = RowWhere(condition, values, data_->identities[row]);
}

// SQLite's rowid of a text's row: the one of the row its values find. None for other data sources
// and for tables opened by name, whose rows are found by what was read beside them.
std::optional<Variant> AdoRecordset::RowidOf(size_t row)
{
    if (!tableSource_.empty() || !SameText(Target().dbms, "SQLite"))
        return std::nullopt;
    std::vector<Variant> values;
    const std::string condition = RowCondition(row, values);
    const OdbcResult found = connection_->Backend().Execute(
        "SELECT rowid FROM " + Target().table + condition + " LIMIT 2", values, {.timeout = timeout_});
    if (found.rows.size() != 1)
        throw EOleException(AdoRowNotFound);
    return found.rows.front().at(0);
}

// The one row the condition finds, with its identity where the recordset reads one.
OdbcRow AdoRecordset::RowWhere(const std::string& condition, const std::vector<Variant>& values, Variant& identity)
{
    const WriteTarget& target = Target();
    const OdbcResult read = connection_->Backend().Execute(
        "SELECT " + Joined(target.columns, ", ") + (identity_.Read() ? ", " + identity_.Expression() : "") + " FROM " +
            target.table + " WHERE " + condition + " LIMIT 2",
        values, {.timeout = timeout_});
    if (read.rows.size() != 1)
        throw EOleException(AdoRowNotFound);
    OdbcRow row = read.rows.front();
    if (identity_.Read()) {
        identity = std::move(row.back());
        row.pop_back();
    }
    return row;
}

// Inserts the written columns and reads the row back as the table made it (keys and defaults): on
// PostgreSQL from the statement itself, on SQLite by its rowid (its driver gives no rows from a
// RETURNING clause), elsewhere by reading every row again.
void AdoRecordset::Insert()
{
    const WriteTarget& target = Target();
    std::vector<std::string> names, markers;
    std::vector<Variant> values;
    for (size_t column = 0; column < columns_.size(); ++column)
        if (changed_[column]) {
            names.push_back(target.columns[column]);
            markers.push_back("?");
            values.push_back(WrittenValue(columns_[column], edited_[column]));
        }
    std::string sql =
        "INSERT INTO " + target.table +
        (names.empty() ? " DEFAULT VALUES" : " (" + Joined(names, ", ") + ") VALUES (" + Joined(markers, ", ") + ")");
    OdbcConnection& backend = connection_->Backend();
    OdbcRow inserted;
    Variant rowid, identity;
    if (SameText(target.dbms, "PostgreSQL")) {
        sql += " RETURNING " + Joined(target.columns, ", ");
        ChangeOneRow(backend, sql, values, timeout_, [&](const OdbcResult& result) { inserted = result.rows.front(); });
    } else if (SameText(target.dbms, "SQLite") && (!identity_.rowid.empty() || tableSource_.empty())) {
        ChangeOneRow(backend, sql, values, timeout_, [&](const OdbcResult&) {
            rowid = backend.Execute("SELECT last_insert_rowid()").rows.at(0).at(0);
            inserted = RowWhere(RowidName() + " = ?", {rowid}, identity);
        });
    } else {
        ChangeOneRow(backend, sql, values, timeout_);
        Take(fetch_(maxRecords_));
        position_ = static_cast<std::int64_t>(order_.size()) - 1;
        return;
    }
    data_->rows.push_back(std::move(inserted));
    data_->deleted.push_back(false);
    data_->inexact.push_back(false);
    if (!identity_.rowid.empty())
        data_->rowids.push_back(rowid);
    if (identity_.Read())
        data_->identities.push_back(identity);
    positionOf_.push_back(order_.size());
    order_.push_back(data_->rows.size() - 1);
    position_ = static_cast<std::int64_t>(order_.size()) - 1;
}

void AdoRecordset::Delete(int)
{
    RequireWritable();
    CancelUpdate();
    RequireRecord();
    const size_t row = order_[static_cast<size_t>(position_)];
    std::vector<Variant> values;
    std::string condition;
    if (const std::optional<Variant> rowid = RowidOf(row)) {
        condition = " WHERE " + RowidName() + " = ?";
        values.push_back(*rowid);
    } else {
        condition = RowCondition(row, values);
    }
    ChangeOneRow(connection_->Backend(), "DELETE FROM " + Target().table + condition, values, timeout_);
    data_->deleted[row] = true;
    order_.erase(order_.begin() + position_);
    for (size_t position = static_cast<size_t>(position_); position < order_.size(); ++position)
        positionOf_[order_[position]] = position;
    --position_;
}
