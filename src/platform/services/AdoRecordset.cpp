#include "platform/services/AdoRecordset.h"

#include "platform/core/Exceptions.h"
#include "platform/core/TextUtils.h"
#include "platform/services/AdoConnection.h"

#include <algorithm>
#include <cmath>
#include <numeric>

const char* const AdoNoCurrentRecord = "No current record.";
const char* const AdoObjectClosed = "Operation is not allowed when the object is closed.";
const char* const AdoObjectOpen = "Operation is not allowed when the object is open.";
const char* const AdoBadArguments =
    "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.";

void RaiseAdoItemNotFound(std::string_view item)
{
    throw EOleException("Item cannot be found in the collection corresponding to the requested name or ordinal: " +
                        std::string(item));
}

namespace {

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

bool IsNumber(TVarType type)
{
    switch (type) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
    case varBoolean:
    case varDecimal:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varUInt64:
        return true;
    default:
        return false;
    }
}

bool IsWholeNumber(TVarType type)
{
    return type == varSmallint || type == varInteger || type == varShortInt || type == varByte || type == varWord ||
           type == varLongWord || type == varInt64 || type == varBoolean;
}

template <typename T> int Compare(const T& a, const T& b) { return a < b ? -1 : b < a ? 1 : 0; }

char16_t Folded(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// Texts without regard to the case of Latin letters, then exactly, so that the order is total.
int CompareTexts(std::u16string_view a, std::u16string_view b)
{
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (const int order = Compare(Folded(a[i]), Folded(b[i])))
            return order;
    if (const int order = Compare(a.size(), b.size()))
        return order;
    return Compare(a, b);
}

// Nulls first, then numbers, texts and bytes each in their own order; values of unlike kinds by kind.
int CompareValues(const Variant& a, const Variant& b)
{
    const bool aNull = a.IsNull() || a.IsEmpty(), bNull = b.IsNull() || b.IsEmpty();
    if (aNull || bNull)
        return Compare(!aNull, !bNull);
    const TVarType aType = a.VarType(), bType = b.VarType();
    if (IsNumber(aType) && IsNumber(bType)) {
        if (IsWholeNumber(aType) && IsWholeNumber(bType))
            return Compare(a.AsInt64(), b.AsInt64());
        return Compare(a.AsDouble(), b.AsDouble());
    }
    if (aType == varOleStr && bType == varOleStr)
        return CompareTexts(a.TextValue(), b.TextValue());
    if (aType == (varArray | varByte) && bType == aType)
        return Compare(a.BytesValue(), b.BytesValue());
    return Compare(aType, bType);
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

void AdoRecordset::Open(const AdoCommand& source, int, int, int options) { OpenOn(source.Statement({}, options)); }

void AdoRecordset::Open(std::string_view source, const std::shared_ptr<AdoConnection>& connection, int, int,
                        int options)
{
    if (!connection)
        throw EOleException(AdoObjectClosed);
    OpenOn(connection->Statement(AdoCommandTypeOf(options, adCmdText), source, {}, connection->CommandTimeout()));
}

void AdoRecordset::OpenOn(const AdoStatement& statement, std::int64_t* recordsAffected)
{
    RequireClosed();
    OdbcResult result = statement.Run(maxRecords_);
    if (recordsAffected)
        *recordsAffected = result.recordsAffected;
    OpenOn(std::move(result), [statement](std::int64_t maxRecords) { return statement.Run(maxRecords); });
}

void AdoRecordset::OpenOn(OdbcResult result, Fetch fetch)
{
    RequireClosed();
    if (!result.hasResultSet)
        return;
    fetch_ = std::move(fetch);
    columns_ = std::move(result.columns);
    fields_.fields_.clear();
    for (size_t column = 0; column < columns_.size(); ++column)
        fields_.fields_.emplace_back(*this, column);
    sort_.clear();
    Take(std::move(result));
    open_ = true;
}

void AdoRecordset::Take(OdbcResult result)
{
    rows_ = std::move(result.rows);
    ApplySort();
}

void AdoRecordset::Close()
{
    RequireOpen();
    open_ = false;
    fetch_ = nullptr;
    rows_ = {};
    order_ = {};
    positionOf_ = {};
    fields_.fields_.clear();
    columns_.clear();
    sort_.clear();
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
    RequireRecord();
    return rows_[order_[static_cast<size_t>(position_)]];
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
    return Variant::Double(static_cast<double>(order_[static_cast<size_t>(position_)] + 1));
}

void AdoRecordset::SetBookmark(const Variant& bookmark)
{
    RequireOpen();
    double number = 0;
    try {
        number = bookmark.AsDouble();
    } catch (const EVariantError&) {
        throw EOleException("Invalid bookmark.");
    }
    if (!(number >= 1 && number <= static_cast<double>(rows_.size())) || number != std::floor(number))
        throw EOleException("Invalid bookmark.");
    position_ = static_cast<std::int64_t>(positionOf_[static_cast<size_t>(number) - 1]);
}

bool AdoRecordset::Supports(int cursorOptions) const
{
    return (cursorOptions & ~(adBookmark | adMovePrevious | adApproxPosition)) == 0;
}

void AdoRecordset::SetSort(std::string_view sort)
{
    RequireOpen();
    const std::string previous = sort_;
    sort_ = sort;
    try {
        ApplySort();
    } catch (...) {
        sort_ = previous;
        throw;
    }
}

// Sorts from the order read, so that equal keys keep it, and goes to the first record.
void AdoRecordset::ApplySort()
{
    const std::vector<SortKey> keys = ParseSort(sort_, columns_);
    std::vector<size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (const SortKey& key : keys)
            if (const int result = CompareValues(rows_[a][key.column], rows_[b][key.column]))
                return key.descending ? result > 0 : result < 0;
        return false;
    });
    order_ = std::move(order);
    positionOf_.resize(order_.size());
    for (size_t position = 0; position < order_.size(); ++position)
        positionOf_[order_[position]] = position;
    position_ = 0;
}

void AdoRecordset::SetIndex(std::string_view index)
{
    if (!index.empty())
        throw EOleException("This data source does not support index seeks.");
}
