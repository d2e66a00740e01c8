#include "platform/services/OdbcBackend.h"

#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/Termination.h"
#include "platform/services/ConnectionString.h"
#include "platform/services/OdbcCallThread.h"
#include "platform/services/OpenSockets.h"
#include "platform/services/SqliteFence.h"

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <atomic>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <utility>
#include <limits>
#include <optional>

// The narrow calls take and give UTF-8: unixODBC hands the bytes through, while its wide calls
// garble text with the SQLite driver. Text crosses into the model as Windows-1252 and into values as
// UTF-16.

namespace {

// ---------------------------------------------------------------------------------------------
// Errors

SQLCHAR* Sql(std::string& utf8) { return reinterpret_cast<SQLCHAR*>(utf8.data()); }

[[noreturn]] void RaiseDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    SQLCHAR state[6] = {};
    SQLINTEGER nativeCode = 0;
    SQLCHAR message[2048] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRec(handleType, handle, 1, state, &nativeCode, message, sizeof message, &length)))
        throw EOleException("The data source reported a failure without describing it");
    // Drivers describe failures in UTF-8; one that does not is read as Windows-1252.
    const std::string text = reinterpret_cast<const char*>(message);
    throw EOleException(IsUtf8(text) ? text : Win1252ToUtf8(text), reinterpret_cast<const char*>(state),
                        static_cast<int>(nativeCode));
}

void Check(SQLRETURN result, SQLSMALLINT handleType, SQLHANDLE handle)
{
    if (!SQL_SUCCEEDED(result))
        RaiseDiagnostics(handleType, handle);
}

// The SQLSTATE of the last failure on a handle.
std::string DiagnosticState(SQLSMALLINT handleType, SQLHANDLE handle)
{
    SQLCHAR state[6] = {};
    SQLINTEGER nativeCode = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(handleType, handle, 1, state, &nativeCode, nullptr, 0, &length);
    return reinterpret_cast<const char*>(state);
}

// Whether the statement's last failure was a value the driver could not convert to the type asked.
bool IsConversionFailure(SQLHSTMT statement)
{
    const std::string state = DiagnosticState(SQL_HANDLE_STMT, statement);
    return state.rfind("22", 0) == 0 || state == "07006";
}

// ---------------------------------------------------------------------------------------------
// Bounds

// What one result may hold in memory, all its values together as the program keeps them, and any one
// value.
constexpr std::int64_t MaxResultBytes = OdbcCallThread::MaxReadBytes;
constexpr std::int64_t MaxValueBytes = std::int64_t{64} << 20;
constexpr size_t RowsBetweenDeadlineChecks = 64;

// A link may shorten its bounds in time, never lift them: none, or one past the longest, is the longest.
int BoundedSeconds(int seconds) { return seconds <= 0 || seconds > MaxCommandTimeout ? MaxCommandTimeout : seconds; }

[[noreturn]] void RaiseTooLarge()
{
    throw EReadRefused("The data read holds more than 1 GB, more than the program takes from a database, so "
                       "nothing was read.");
}

[[noreturn]] void RaiseValueTooLarge()
{
    throw EReadRefused("A value of the data read is larger than 64 MB, more than the program takes from a "
                       "database, so nothing was read.");
}

// What a call past one of its bounds says; `connecting` for the bound of the whole connection.
[[noreturn]] void RaiseStopped(OdbcStop reason, int seconds, bool connecting)
{
    if (reason == OdbcStop::Ending)
        throw EReadRefused("The database read was cancelled because the program is ending.");
    if (reason == OdbcStop::Memory)
        RaiseTooLarge();
    if (connecting)
        throw EReadRefused("The database did not answer within the login timeout of " + IntToStr(seconds) +
                           " seconds, so the connection was given up.");
    throw EReadRefused("The database did not answer within the command timeout of " + IntToStr(seconds) +
                       " seconds, so the read was cancelled.");
}

// A call on a connection under the bounds of its own, as the connection's thread runs it.
struct ReadLimits {
    const OdbcCall& call;
    int seconds;
    bool connecting = false;
    // Whether SQLite runs the statement, whose driver holds a whole result before handing it over.
    bool sqlite = false;

    bool Expired() const { return call.Expired(); }
    [[noreturn]] void RaiseStopped() const { ::RaiseStopped(call.Reason(), seconds, connecting); }
};

// SQLite's code of an allocation its heap limit refused.
constexpr int SqliteNoMemory = 7;

// ---------------------------------------------------------------------------------------------
// Handles

class Handle {
public:
    Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type)
    {
        const SQLSMALLINT parentType = type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &handle_))) {
            if (parent != SQL_NULL_HANDLE)
                RaiseDiagnostics(parentType, parent);
            throw EOleException("The ODBC driver manager could not be started");
        }
    }
    ~Handle() { SQLFreeHandle(type_, handle_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE Get() const { return handle_; }
    void Check(SQLRETURN result) const { ::Check(result, type_, handle_); }
    // The check of a statement's run: the reason of the stop where the call was stopped, since a
    // stopped driver reports only that it was interrupted or lost its server.
    void Check(SQLRETURN result, const ReadLimits& limits) const
    {
        if (!SQL_SUCCEEDED(result) && limits.Expired())
            limits.RaiseStopped();
        try {
            Check(result);
        } catch (const EOleException& error) {
            if (limits.sqlite && error.NativeCode() == SqliteNoMemory)
                RaiseTooLarge();
            throw;
        }
    }

private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// The driver manager's environment; connections keep it alive.
class Environment {
public:
    Environment() : handle_(SQL_HANDLE_ENV, SQL_NULL_HANDLE)
    {
        handle_.Check(
            SQLSetEnvAttr(handle_.Get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0));
    }
    SQLHENV Get() const { return handle_.Get(); }
    void Check(SQLRETURN result) const { handle_.Check(result); }

private:
    Handle handle_;
};

// ---------------------------------------------------------------------------------------------
// Types

int AdoTypeOf(SQLSMALLINT sqlType, bool isUnsigned)
{
    switch (sqlType) {
    case SQL_CHAR:
        return adChar;
    case SQL_VARCHAR:
        return adVarChar;
    case SQL_LONGVARCHAR:
        return adLongVarChar;
    case SQL_WCHAR:
        return adWChar;
    case SQL_WVARCHAR:
        return adVarWChar;
    case SQL_WLONGVARCHAR:
        return adLongVarWChar;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return adNumeric;
    case SQL_SMALLINT:
        return isUnsigned ? adUnsignedSmallInt : adSmallInt;
    case SQL_INTEGER:
        return isUnsigned ? adUnsignedInt : adInteger;
    case SQL_REAL:
        return adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return adDouble;
    case SQL_BIT:
        return adBoolean;
    case SQL_TINYINT:
        return isUnsigned ? adUnsignedTinyInt : adTinyInt;
    case SQL_BIGINT:
        return isUnsigned ? adUnsignedBigInt : adBigInt;
    case SQL_BINARY:
        return adBinary;
    case SQL_VARBINARY:
        return adVarBinary;
    case SQL_LONGVARBINARY:
        return adLongVarBinary;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return adDBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return adDBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return adDBTimeStamp;
    case SQL_GUID:
        return adGUID;
    default:
        return adEmpty;
    }
}

// The variant type an integer column's values take.
TVarType IntegerVarType(int adoType)
{
    switch (adoType) {
    case adTinyInt:
        return varShortInt;
    case adUnsignedTinyInt:
        return varByte;
    case adSmallInt:
        return varSmallint;
    case adUnsignedSmallInt:
        return varWord;
    case adInteger:
        return varInteger;
    case adUnsignedInt:
        return varLongWord;
    default:
        return varInt64;
    }
}

// The long type a column becomes when its values do not fit its declared size.
int LongTypeOf(int adoType)
{
    switch (adoType) {
    case adChar:
    case adVarChar:
        return adLongVarChar;
    case adWChar:
    case adVarWChar:
        return adLongVarWChar;
    case adBinary:
    case adVarBinary:
        return adLongVarBinary;
    default:
        return adoType;
    }
}

bool IsLongType(int adoType)
{
    return adoType == adLongVarChar || adoType == adLongVarWChar || adoType == adLongVarBinary;
}

bool IsSignedNumber(int adoType)
{
    switch (adoType) {
    case adSmallInt:
    case adInteger:
    case adSingle:
    case adDouble:
    case adTinyInt:
    case adBigInt:
    case adNumeric:
        return true;
    default:
        return false;
    }
}

// How a column's values are read.
enum class Fetch {
    Integer,
    UnsignedBigInt,
    Boolean,
    Single,
    Double,
    Numeric,
    Date,
    Time,
    Timestamp,
    Text,
    Binary,
    Skip
};

Fetch FetchOf(int adoType)
{
    switch (adoType) {
    case adTinyInt:
    case adUnsignedTinyInt:
    case adSmallInt:
    case adUnsignedSmallInt:
    case adInteger:
    case adUnsignedInt:
    case adBigInt:
        return Fetch::Integer;
    case adUnsignedBigInt:
        return Fetch::UnsignedBigInt;
    case adBoolean:
        return Fetch::Boolean;
    case adSingle:
        return Fetch::Single;
    case adDouble:
        return Fetch::Double;
    case adNumeric:
        return Fetch::Numeric;
    case adDBDate:
        return Fetch::Date;
    case adDBTime:
        return Fetch::Time;
    case adDBTimeStamp:
        return Fetch::Timestamp;
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
        return Fetch::Binary;
    case adEmpty:
        return Fetch::Skip;
    default:
        return Fetch::Text;
    }
}

// ---------------------------------------------------------------------------------------------
// Reading results

std::string ColumnText(SQLHSTMT statement, SQLUSMALLINT column, SQLUSMALLINT field)
{
    SQLCHAR text[512] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLColAttribute(statement, column, field, text, sizeof text, &length, nullptr)))
        return {};
    return Utf8ToWin1252(reinterpret_cast<const char*>(text));
}

SQLLEN ColumnNumber(SQLHSTMT statement, SQLUSMALLINT column, SQLUSMALLINT field, SQLLEN fallback)
{
    SQLLEN value = fallback;
    if (!SQL_SUCCEEDED(SQLColAttribute(statement, column, field, nullptr, 0, nullptr, &value)))
        return fallback;
    return value;
}

int Attributes(SQLLEN updatable, SQLSMALLINT nullable)
{
    int attributes = 0;
    if (updatable == SQL_ATTR_WRITE)
        attributes |= adFldUpdatable;
    else if (updatable == SQL_ATTR_READWRITE_UNKNOWN)
        attributes |= adFldUnknownUpdatable;
    if (nullable == SQL_NULLABLE)
        attributes |= adFldIsNullable | adFldMayBeNull;
    else if (nullable == SQL_NULLABLE_UNKNOWN)
        attributes |= adFldMayBeNull;
    return attributes;
}

OdbcColumn DescribeColumn(SQLHSTMT statement, SQLUSMALLINT column)
{
    SQLCHAR name[512] = {};
    SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    Check(SQLDescribeCol(statement, column, name, sizeof name, &nameLength, &sqlType, &size, &digits, &nullable),
          SQL_HANDLE_STMT, statement);
    OdbcColumn result;
    result.name = Utf8ToWin1252(reinterpret_cast<const char*>(name));
    result.type = AdoTypeOf(sqlType, ColumnNumber(statement, column, SQL_DESC_UNSIGNED, SQL_FALSE) == SQL_TRUE);
    result.size = static_cast<std::int64_t>(std::min<SQLULEN>(size, INT64_MAX));
    result.precision = static_cast<int>(std::min<SQLULEN>(size, 255));
    result.scale = std::max<int>(digits, 0);
    result.attributes =
        Attributes(ColumnNumber(statement, column, SQL_DESC_UPDATABLE, SQL_ATTR_READWRITE_UNKNOWN), nullable);
    result.baseColumn = ColumnText(statement, column, SQL_DESC_BASE_COLUMN_NAME);
    result.baseTable = ColumnText(statement, column, SQL_DESC_BASE_TABLE_NAME);
    result.baseSchema = ColumnText(statement, column, SQL_DESC_SCHEMA_NAME);
    return result;
}

// A column's buffers for the fetch to fill: integers and doubles whole, texts up to a length.
struct BoundColumn {
    static constexpr size_t TextBytes = 256;
    SQLLEN indicator = 0;
    SQLBIGINT integer = 0;
    SQLDOUBLE real = 0;
    std::array<char, TextBytes> text{};
};

// Reads the result set of a statement into rows. Integers come as 64 bits, long values whole,
// numeric values as text; what a column holds may widen its description (see Finish).
//
// Where every column holds integers, doubles or texts, the fetch fills buffers bound to them, which
// spares the driver manager a call per value. A row they cannot take as it is (a longer text, a
// value the driver cannot convert) is read value by value, and so is every row after it.
//
// The read stops, refused, at the command timeout and before its values pass the memory bounds.
class ResultReader {
public:
    ResultReader(SQLHSTMT statement, SQLSMALLINT columnCount, const ReadLimits& limits)
        : statement_(statement), limits_(limits)
    {
        for (SQLUSMALLINT column = 1; column <= columnCount; ++column) {
            columns_.push_back(DescribeColumn(statement, column));
            fetch_.push_back(FetchOf(columns_.back().type));
        }
        longest_.assign(columns_.size(), 0);
        integerOverflow_.assign(columns_.size(), false);
    }

    OdbcResult ReadAll(std::int64_t maxRows)
    {
        try {
            return ReadRows(maxRows);
        } catch (const EReadRefused&) {
            throw;
        } catch (const EOleException&) {
            if (limits_.Expired())
                limits_.RaiseStopped();
            throw;
        }
    }

private:
    OdbcResult ReadRows(std::int64_t maxRows)
    {
        OdbcResult result;
        result.hasResultSet = true;
        bool bound = BindColumns();
        while (maxRows <= 0 || static_cast<std::int64_t>(result.rows.size()) < maxRows) {
            // The clock is read every so many rows only: reading it for each costs an ordinary catalog
            // more than the few rows between two readings can.
            if (result.rows.size() % RowsBetweenDeadlineChecks == 0 && limits_.Expired())
                limits_.RaiseStopped();
            const SQLRETURN fetched = SQLFetch(statement_);
            if (fetched == SQL_NO_DATA) {
                // A driver may close the cursor it is cancelled on, which then reads as ended.
                if (limits_.Expired())
                    limits_.RaiseStopped();
                break;
            }
            rowInexact_ = false;
            if (bound && fetched == SQL_SUCCESS && BuffersHoldRow()) {
                Keep(result, BoundRow());
                continue;
            }
            if (!bound || !IsConversionFailure(statement_))
                Check(fetched, SQL_HANDLE_STMT, statement_);
            if (bound) {
                Check(SQLFreeStmt(statement_, SQL_UNBIND), SQL_HANDLE_STMT, statement_);
                bound = false;
            }
            Keep(result, ReadRow());
        }
        Finish(result.rows);
        result.columns = std::move(columns_);
        return result;
    }

    void Keep(OdbcResult& result, OdbcRow row)
    {
        Count(static_cast<std::int64_t>(sizeof(OdbcRow)) + HeapBlockBytes(row.capacity() * sizeof(Variant)));
        if (rowInexact_)
            result.inexactRows.push_back(result.rows.size());
        result.rows.push_back(std::move(row));
    }

    // What the heap takes for a block of the size: a value of a few bytes costs a block all the same,
    // so that a table of a great many small values is counted as it is held.
    static std::int64_t HeapBlockBytes(size_t bytes)
    {
        constexpr size_t Overhead = sizeof(size_t), Alignment = 16, Least = 32;
        return static_cast<std::int64_t>(std::max(Least, (bytes + Overhead + Alignment - 1) / Alignment * Alignment));
    }

    // Counts bytes the result takes, and refuses it past the bound.
    void Count(std::int64_t bytes)
    {
        bytes_ += bytes;
        if (bytes_ > MaxResultBytes)
            RaiseTooLarge();
    }

    SQLUSMALLINT Number(size_t column) const { return static_cast<SQLUSMALLINT>(column + 1); }

    bool BindColumns()
    {
        const auto bindable = [](Fetch fetch) {
            return fetch == Fetch::Integer || fetch == Fetch::Double || fetch == Fetch::Text;
        };
        if (!std::all_of(fetch_.begin(), fetch_.end(), bindable))
            return false;
        buffers_.resize(columns_.size());
        for (size_t column = 0; column < columns_.size(); ++column) {
            BoundColumn& buffer = buffers_[column];
            SQLRETURN result;
            if (fetch_[column] == Fetch::Integer)
                result = SQLBindCol(statement_, Number(column), SQL_C_SBIGINT, &buffer.integer, 0, &buffer.indicator);
            else if (fetch_[column] == Fetch::Double)
                result = SQLBindCol(statement_, Number(column), SQL_C_DOUBLE, &buffer.real, 0, &buffer.indicator);
            else
                result = SQLBindCol(statement_, Number(column), SQL_C_CHAR, buffer.text.data(),
                                    static_cast<SQLLEN>(buffer.text.size()), &buffer.indicator);
            Check(result, SQL_HANDLE_STMT, statement_);
        }
        return true;
    }

    // Whether no text was cut, even where a driver did not warn of it.
    bool BuffersHoldRow() const
    {
        for (size_t column = 0; column < columns_.size(); ++column) {
            const SQLLEN indicator = buffers_[column].indicator;
            if (fetch_[column] == Fetch::Text && indicator != SQL_NULL_DATA &&
                (indicator < 0 || static_cast<size_t>(indicator) >= BoundColumn::TextBytes))
                return false;
        }
        return true;
    }

    OdbcRow BoundRow()
    {
        OdbcRow row;
        row.reserve(columns_.size());
        for (size_t column = 0; column < columns_.size(); ++column) {
            const BoundColumn& buffer = buffers_[column];
            if (buffer.indicator == SQL_NULL_DATA)
                row.push_back(Variant::Null());
            else if (fetch_[column] == Fetch::Integer)
                row.push_back(IntegerValue(column, buffer.integer));
            else if (fetch_[column] == Fetch::Double)
                row.push_back(Variant::Double(buffer.real));
            else
                row.push_back(TextValue(column, std::string_view(buffer.text.data(),
                                                                 static_cast<size_t>(buffer.indicator))));
        }
        return row;
    }

    OdbcRow ReadRow()
    {
        OdbcRow row;
        row.reserve(columns_.size());
        for (size_t column = 0; column < columns_.size(); ++column)
            row.push_back(ReadValue(column));
        return row;
    }

    // Reads a fixed-size value; nullopt for null, false when the driver could not convert it.
    template <typename T> std::optional<T> ReadFixed(size_t column, SQLSMALLINT cType, bool& converted)
    {
        T value{};
        SQLLEN indicator = 0;
        const SQLRETURN result = SQLGetData(statement_, Number(column), cType, &value, sizeof value, &indicator);
        converted = SQL_SUCCEEDED(result);
        if (!converted) {
            // A value the driver cannot convert (SQLite keeps any text in a DATE column) is read as
            // the text it is; anything else is a failure.
            if (!IsConversionFailure(statement_))
                RaiseDiagnostics(SQL_HANDLE_STMT, statement_);
            return std::nullopt;
        }
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        return value;
    }

    // Reads a character or binary value whole into `bytes`; false for null. The first piece is
    // small, since drivers fill the whole of a character buffer; the rest comes in one piece when
    // the driver tells its length.
    bool ReadWhole(size_t column, SQLSMALLINT cType, std::string& bytes)
    {
        const size_t terminator = cType == SQL_C_CHAR ? 1 : 0;
        bytes.clear();
        size_t piece = 256;
        while (true) {
            const size_t start = bytes.size();
            // A driver that does not tell the length is read up to the bound, and refused past it.
            if (start >= static_cast<size_t>(MaxValueBytes))
                RaiseValueTooLarge();
            piece = std::min(piece, static_cast<size_t>(MaxValueBytes) + terminator - start);
            bytes.resize(start + piece);
            SQLLEN indicator = 0;
            const SQLRETURN result = SQLGetData(statement_, Number(column), cType, bytes.data() + start,
                                                static_cast<SQLLEN>(piece), &indicator);
            if (result == SQL_NO_DATA) {
                bytes.resize(start);
                return true;
            }
            Check(result, SQL_HANDLE_STMT, statement_);
            if (indicator == SQL_NULL_DATA)
                return false;
            const size_t room = piece - terminator;
            if (indicator != SQL_NO_TOTAL &&
                start + static_cast<size_t>(indicator) > static_cast<size_t>(MaxValueBytes))
                RaiseValueTooLarge();
            if (indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) <= room) {
                bytes.resize(start + static_cast<size_t>(indicator));
                return true;
            }
            bytes.resize(start + room);
            piece = indicator == SQL_NO_TOTAL ? piece * 2 : static_cast<size_t>(indicator) - room + terminator;
        }
    }

    Variant ReadText(size_t column)
    {
        if (!ReadWhole(column, SQL_C_CHAR, text_))
            return Variant::Null();
        return TextValue(column, text_);
    }

    Variant TextValue(size_t column, std::string_view utf8)
    {
        if (!Utf8ToUtf16(utf8, wideText_))
            rowInexact_ = true;
        Count(wideText_.empty() ? 0 : HeapBlockBytes(wideText_.size() * sizeof(char16_t)));
        longest_[column] = std::max<std::int64_t>(longest_[column], static_cast<std::int64_t>(wideText_.size()));
        return Variant::Text(wideText_);
    }

    Variant IntegerValue(size_t column, std::int64_t value)
    {
        const TVarType type = IntegerVarType(columns_[column].type);
        if (!Variant::IntegerFits(value, type))
            integerOverflow_[column] = true;
        return Variant::Integer(value, integerOverflow_[column] ? varInt64 : type);
    }

    Variant ReadValue(size_t column)
    {
        bool converted = true;
        switch (fetch_[column]) {
        case Fetch::Integer: {
            const auto value = ReadFixed<SQLBIGINT>(column, SQL_C_SBIGINT, converted);
            if (!value)
                return converted ? Variant::Null() : ReadText(column);
            return IntegerValue(column, *value);
        }
        case Fetch::UnsignedBigInt: {
            const auto value = ReadFixed<SQLUBIGINT>(column, SQL_C_UBIGINT, converted);
            return value ? Variant::UInt64(*value) : converted ? Variant::Null() : ReadText(column);
        }
        case Fetch::Boolean: {
            const auto value = ReadFixed<SQLCHAR>(column, SQL_C_BIT, converted);
            return value ? Variant::Boolean(*value != 0) : converted ? Variant::Null() : ReadText(column);
        }
        case Fetch::Single: {
            const auto value = ReadFixed<SQLREAL>(column, SQL_C_FLOAT, converted);
            return value ? Variant::Single(*value) : converted ? Variant::Null() : ReadText(column);
        }
        case Fetch::Double: {
            const auto value = ReadFixed<SQLDOUBLE>(column, SQL_C_DOUBLE, converted);
            return value ? Variant::Double(*value) : converted ? Variant::Null() : ReadText(column);
        }
        case Fetch::Numeric:
            return ReadNumeric(column);
        case Fetch::Date: {
            const auto value = ReadFixed<SQL_DATE_STRUCT>(column, SQL_C_TYPE_DATE, converted);
            if (!value)
                return converted ? Variant::Null() : ReadText(column);
            return Variant::Date(EncodeOleDate({value->year, value->month, value->day}));
        }
        case Fetch::Time: {
            const auto value = ReadFixed<SQL_TIME_STRUCT>(column, SQL_C_TYPE_TIME, converted);
            if (!value)
                return converted ? Variant::Null() : ReadText(column);
            return Variant::Date(EncodeOleDate({1899, 12, 30, value->hour, value->minute, value->second}));
        }
        case Fetch::Timestamp: {
            const auto value = ReadFixed<SQL_TIMESTAMP_STRUCT>(column, SQL_C_TYPE_TIMESTAMP, converted);
            if (!value)
                return converted ? Variant::Null() : ReadText(column);
            return Variant::Date(EncodeOleDate({value->year, value->month, value->day, value->hour, value->minute,
                                                value->second, static_cast<int>(value->fraction / 1000000)}));
        }
        case Fetch::Binary: {
            if (!ReadWhole(column, SQL_C_BINARY, text_))
                return Variant::Null();
            longest_[column] = std::max<std::int64_t>(longest_[column], static_cast<std::int64_t>(text_.size()));
            Count(HeapBlockBytes(sizeof(std::vector<std::uint8_t>)) + HeapBlockBytes(text_.size()));
            return Variant::Bytes(std::vector<std::uint8_t>(text_.begin(), text_.end()));
        }
        case Fetch::Text:
            return ReadText(column);
        case Fetch::Skip:
            break;
        }
        return Variant();
    }

    // Numeric values come as text, which some drivers write with the locale's decimal separator.
    Variant ReadNumeric(size_t column)
    {
        if (!ReadWhole(column, SQL_C_CHAR, text_))
            return Variant::Null();
        TDecimal value;
        if (TDecimal::Parse(text_, value))
            return Variant::Decimal(value);
        return Variant::Text(Utf8ToUtf16(text_));
    }

    // A column whose values exceed its declared size is described as long, and an integer column
    // whose values exceed its type as BIGINT, so that no later copy of a value is cut.
    void Finish(std::vector<OdbcRow>& rows)
    {
        for (size_t column = 0; column < columns_.size(); ++column) {
            OdbcColumn& description = columns_[column];
            if (longest_[column] > description.size && !IsLongType(description.type)) {
                description.type = LongTypeOf(description.type);
                description.size = longest_[column];
            }
            if (integerOverflow_[column]) {
                description.type = adBigInt;
                for (auto& row : rows)
                    if (row[column].VarType() != varNull && row[column].VarType() != varOleStr)
                        row[column] = Variant::Integer(row[column].AsInt64(), varInt64);
            }
        }
    }

    SQLHSTMT statement_;
    const ReadLimits& limits_;
    std::int64_t bytes_ = 0;
    bool rowInexact_ = false;
    std::vector<OdbcColumn> columns_;
    std::vector<Fetch> fetch_;
    std::vector<std::int64_t> longest_;
    std::vector<bool> integerOverflow_;
    std::vector<BoundColumn> buffers_;
    std::string text_;
    std::u16string wideText_;
};

OdbcResult ReadResult(SQLHSTMT statement, std::int64_t maxRows, const ReadLimits& limits)
{
    SQLSMALLINT columnCount = 0;
    Check(SQLNumResultCols(statement, &columnCount), SQL_HANDLE_STMT, statement);
    if (columnCount > 0)
        return ResultReader(statement, columnCount, limits).ReadAll(maxRows);
    OdbcResult result;
    SQLLEN affected = -1;
    if (SQL_SUCCEEDED(SQLRowCount(statement, &affected)))
        result.recordsAffected = affected;
    return result;
}

// ---------------------------------------------------------------------------------------------
// Parameters

// A parameter's value in the form the driver reads; it must stay in place until the statement ran.
struct BoundParameter {
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLULEN columnSize = 1;
    SQLSMALLINT digits = 0;
    std::string bytes;
    SQLLEN indicator = 0;
    union {
        SQLBIGINT integer;
        SQLDOUBLE real;
        SQLCHAR bit;
        SQL_TIMESTAMP_STRUCT timestamp;
    } fixed{};
};

// Values longer than this go as the long types.
constexpr size_t LongValueBytes = 8000;

void SetBytes(BoundParameter& parameter, std::string bytes, SQLSMALLINT cType, SQLSMALLINT shortType,
              SQLSMALLINT longType)
{
    parameter.cType = cType;
    parameter.sqlType = bytes.size() > LongValueBytes ? longType : shortType;
    parameter.columnSize = std::max<size_t>(bytes.size(), 1);
    parameter.indicator = static_cast<SQLLEN>(bytes.size());
    parameter.bytes = std::move(bytes);
}

void SetNumberText(BoundParameter& parameter, std::string text, int scale)
{
    const auto digits = std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    SetBytes(parameter, std::move(text), SQL_C_CHAR, SQL_NUMERIC, SQL_NUMERIC);
    parameter.columnSize = static_cast<SQLULEN>(std::max<std::ptrdiff_t>(digits, 1));
    parameter.digits = static_cast<SQLSMALLINT>(scale);
}

void SetTimestamp(BoundParameter& parameter, double oleDate)
{
    const TDateParts parts = DecodeOleDate(oleDate);
    parameter.cType = SQL_C_TYPE_TIMESTAMP;
    parameter.sqlType = SQL_TYPE_TIMESTAMP;
    parameter.columnSize = 23;
    parameter.digits = 3;
    parameter.fixed.timestamp = {static_cast<SQLSMALLINT>(parts.year),
                                 static_cast<SQLUSMALLINT>(parts.month),
                                 static_cast<SQLUSMALLINT>(parts.day),
                                 static_cast<SQLUSMALLINT>(parts.hour),
                                 static_cast<SQLUSMALLINT>(parts.minute),
                                 static_cast<SQLUSMALLINT>(parts.second),
                                 static_cast<SQLUINTEGER>(parts.millisecond) * 1000000u};
    parameter.indicator = sizeof parameter.fixed.timestamp;
}

BoundParameter ParameterOf(const Variant& value, size_t position)
{
    BoundParameter parameter;
    switch (static_cast<int>(value.VarType())) {
    case varEmpty:
    case varNull:
        parameter.indicator = SQL_NULL_DATA;
        break;
    case varBoolean:
        parameter.cType = SQL_C_BIT;
        parameter.sqlType = SQL_BIT;
        parameter.fixed.bit = value.AsBoolean() ? 1 : 0;
        break;
    case varSingle:
    case varDouble:
        parameter.cType = SQL_C_DOUBLE;
        parameter.sqlType = SQL_DOUBLE;
        parameter.columnSize = 15;
        parameter.fixed.real = value.AsDouble();
        break;
    case varCurrency:
        SetNumberText(parameter, value.AsString(), 4);
        break;
    case varDecimal:
        SetNumberText(parameter, value.DecimalValue().ToString(), value.DecimalValue().scale);
        break;
    case varUInt64:
        SetNumberText(parameter, value.AsString(), 0);
        break;
    case varDate:
        SetTimestamp(parameter, value.DateValue());
        break;
    case varOleStr:
        SetBytes(parameter, Utf16ToUtf8(value.TextValue()), SQL_C_CHAR, SQL_VARCHAR, SQL_LONGVARCHAR);
        break;
    case varArray | varByte: {
        const auto& bytes = value.BytesValue();
        SetBytes(parameter, std::string(bytes.begin(), bytes.end()), SQL_C_BINARY, SQL_VARBINARY, SQL_LONGVARBINARY);
        break;
    }
    default:
        if (value.IsArray())
            throw EOleException("Parameter " + IntToStr(static_cast<std::int64_t>(position)) +
                                " holds a value of type (" + Variant::TypeName(value.VarType()) +
                                "), which a data source cannot take");
        parameter.cType = SQL_C_SBIGINT;
        parameter.fixed.integer = value.AsInt64();
        parameter.sqlType = Variant::IntegerFits(parameter.fixed.integer, varInteger) ? SQL_INTEGER : SQL_BIGINT;
        parameter.columnSize = parameter.sqlType == SQL_INTEGER ? 10 : 19;
        break;
    }
    return parameter;
}

void BindParameters(SQLHSTMT statement, const std::vector<Variant>& values, std::vector<BoundParameter>& bound)
{
    bound.reserve(values.size()); // the driver keeps the addresses
    for (size_t i = 0; i < values.size(); ++i) {
        BoundParameter& parameter = bound.emplace_back(ParameterOf(values[i], i + 1));
        const bool inBytes = parameter.cType == SQL_C_CHAR || parameter.cType == SQL_C_BINARY;
        SQLPOINTER data = inBytes ? static_cast<SQLPOINTER>(parameter.bytes.data()) : &parameter.fixed;
        const auto length = static_cast<SQLLEN>(inBytes ? parameter.bytes.size() : sizeof parameter.fixed);
        Check(SQLBindParameter(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, parameter.cType,
                               parameter.sqlType, parameter.columnSize, parameter.digits, data, length,
                               &parameter.indicator),
              SQL_HANDLE_STMT, statement);
    }
}

// ---------------------------------------------------------------------------------------------
// Schema rowsets

// A restriction as a catalog function's argument: none for an empty or null one.
std::optional<std::string> Restriction(const std::vector<Variant>& restrictions, size_t index)
{
    if (index >= restrictions.size() || restrictions[index].IsEmpty() || restrictions[index].IsNull())
        return std::nullopt;
    return Utf16ToUtf8(restrictions[index].AsWideString());
}

// The argument pointer and length of an optional text.
struct CatalogArgument {
    explicit CatalogArgument(std::optional<std::string> value) : text(std::move(value)) {}
    SQLCHAR* Data() { return text ? Sql(*text) : nullptr; }
    SQLSMALLINT Length() const { return text ? static_cast<SQLSMALLINT>(text->size()) : 0; }
    std::optional<std::string> text;
};

// Columns of a driver's catalog result picked and renamed: ADO's name and the driver's position
// (1-based); position 0 is a column the caller fills.
struct RowsetColumn {
    const char* name;
    int source;
    int type = adVarWChar;
};

OdbcResult PickColumns(const OdbcResult& source, const std::vector<RowsetColumn>& columns)
{
    OdbcResult result;
    result.hasResultSet = true;
    for (const auto& column : columns) {
        OdbcColumn description;
        if (column.source > 0)
            description = source.columns.at(static_cast<size_t>(column.source - 1));
        description.name = column.name;
        if (column.source == 0)
            description.type = column.type;
        result.columns.push_back(description);
    }
    for (const auto& row : source.rows) {
        OdbcRow picked;
        for (const auto& column : columns)
            picked.push_back(column.source > 0 ? row.at(static_cast<size_t>(column.source - 1)) : Variant::Null());
        result.rows.push_back(std::move(picked));
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Cancelling

// The database the SQLite library last opened on this thread. The SQLite driver keeps its database
// handle to itself, so the program hears of every database the library opens through an automatic
// extension, SQLite's own hook for that; the library is the one the driver loads, as a process holds
// one copy of it.
thread_local void* lastOpenedSqlite = nullptr;

int NoteOpenedSqlite(void* sqlite, const char** /*error*/, const void* /*routines*/)
{
    lastOpenedSqlite = sqlite;
    return 0;
}

using SqliteInterruptCall = void (*)(void*);

// SQLite's interrupt, which any thread may call at any time, once the hook is in place; null where
// SQLite's library cannot be loaded or takes no hook. SQLite's heap is held to the bound of a result
// too: the SQLite driver reads a whole result into it before handing over the first row, so that a
// view of rows without end would otherwise take all memory before any bound of the reader's applies.
SqliteInterruptCall WatchSqliteOpens()
{
    static const SqliteInterruptCall interrupt = []() -> SqliteInterruptCall {
        // Kept loaded for the program's life, as the hook lives in it.
        void* library = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_GLOBAL);
        if (library == nullptr)
            return nullptr;
        using AutoExtensionCall = int (*)(void (*)());
        const auto autoExtension = reinterpret_cast<AutoExtensionCall>(dlsym(library, "sqlite3_auto_extension"));
        const auto call = reinterpret_cast<SqliteInterruptCall>(dlsym(library, "sqlite3_interrupt"));
        using HeapLimitCall = std::int64_t (*)(std::int64_t);
        const auto heapLimit = reinterpret_cast<HeapLimitCall>(dlsym(library, "sqlite3_hard_heap_limit64"));
        if (heapLimit == nullptr || heapLimit(MaxResultBytes) < 0)
            return nullptr;
        if (autoExtension == nullptr || call == nullptr ||
            autoExtension(reinterpret_cast<void (*)()>(&NoteOpenedSqlite)) != 0)
            return nullptr;
        return call;
    }();
    return interrupt;
}

// The database `connect` opens through SQLite's library, when it opens one; null otherwise.
void* SqliteOpenedBy(const std::function<void()>& connect)
{
    WatchSqliteOpens();
    lastOpenedSqlite = nullptr;
    connect();
    return std::exchange(lastOpenedSqlite, nullptr);
}

// SQLite's interrupt of a database, empty for none.
std::function<void()> SqliteInterruptOf(void* sqlite)
{
    const SqliteInterruptCall interrupt = WatchSqliteOpens();
    if (interrupt == nullptr || sqlite == nullptr)
        return {};
    return [interrupt, sqlite] { interrupt(sqlite); };
}

// ---------------------------------------------------------------------------------------------
// Connection

// ODBC's isolation levels in order of strictness, with ADO's.
struct IsolationMapping {
    int ado;
    SQLUINTEGER odbc;
};
constexpr IsolationMapping IsolationLevels[] = {{adXactReadUncommitted, SQL_TXN_READ_UNCOMMITTED},
                                                {adXactReadCommitted, SQL_TXN_READ_COMMITTED},
                                                {adXactRepeatableRead, SQL_TXN_REPEATABLE_READ},
                                                {adXactSerializable, SQL_TXN_SERIALIZABLE}};

// The driver manager takes the length as a 16-bit number: a longer string would reach the driver cut
// short, without the keys the check saw.
SQLSMALLINT DriverStringLength(const std::string& text)
{
    if (text.size() > static_cast<size_t>(std::numeric_limits<SQLSMALLINT>::max()))
        throw EConnectionStringRefused("The connection string is too long: a data link's connection string may "
                                       "hold at most 32,767 bytes.");
    return static_cast<SQLSMALLINT>(text.size());
}

// The call a connection's thread runs now, with the bound it runs under.
struct CallContext {
    OdbcCall* call = nullptr;
    int seconds = 0;
    bool connecting = false;
};

// A connection as its own thread runs it: every driver call of a connection is made here, one at a
// time, under the bounds of the call the window thread waits for (UnixOdbcConnection, below).
class OdbcSession final : public std::enable_shared_from_this<OdbcSession> {
public:
    OdbcSession(std::shared_ptr<Environment> environment, std::vector<OpenSocket> socketsBefore)
        : environment_(std::move(environment)), socketsBefore_(std::move(socketsBefore))
    {
    }

    ~OdbcSession()
    {
        if (!connection_)
            return;
        if (level_ > 0)
            SQLEndTran(SQL_HANDLE_DBC, Dbc(), SQL_ROLLBACK);
        SQLDisconnect(Dbc());
        connection_.reset();
        if (givenUp_)
            OdbcCallThread::GiveBackFreedHeap();
    }

    OdbcSession(const OdbcSession&) = delete;
    OdbcSession& operator=(const OdbcSession&) = delete;

    void Attend(const CallContext& context) { context_ = context; }

    // A session given up may hold the driver's share of a read stopped at the memory bound, which
    // goes back to the system when the session closes, on whichever thread drops it last.
    void GiveUp() { givenUp_ = true; }

    // Connects, and readies the connection for the link's first statement, all under the login bound.
    void Connect(const std::string& text, const OdbcConnectOptions& options)
    {
        auto handle = std::make_unique<Handle>(SQL_HANDLE_DBC, environment_->Get());
        const SQLHDBC dbc = handle->Get();
        handle->Check(SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(context_.seconds)), 0));
        if (options.readOnly)
            handle->Check(SQLSetConnectAttr(dbc, SQL_ATTR_ACCESS_MODE,
                                            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_MODE_READ_ONLY)), 0));
        std::string driverString = text;
        SQLCHAR completed[1024];
        SQLSMALLINT completedLength = 0;
        const ReadLimits limits = Limits();
        void* const sqlite = SqliteOpenedBy([&] {
            handle->Check(SQLDriverConnect(dbc, nullptr, Sql(driverString), DriverStringLength(driverString),
                                           completed, sizeof completed, &completedLength, SQL_DRIVER_NOPROMPT),
                          limits);
        });
        sqliteInterrupt_ = SqliteInterruptOf(sqlite);
        connection_ = std::move(handle);
        NoteOwnSockets();
        if (DbmsName() == "SQLite")
            FenceSqliteDatabase(sqlite);
        DistrustSqliteSchema();
        if (options.readOnly)
            EnforceReadOnly();
        SetIsolation(options.isolation);
    }

    // Ends the connection's link to its server, so that a driver waiting for an answer that never
    // comes hears that it never will; whether there was one.
    bool CutSockets()
    {
        const std::lock_guard lock(socketsMutex_);
        return ShutDownSockets(ownSockets_ ? *ownSockets_ : SocketsOpenedSince(socketsBefore_));
    }

    // The SQLite driver gives every connection functions that write and read any file (blob_export,
    // blob_import), and SQLite lets a database's views and triggers call them. With the schema
    // untrusted they may call only harmless functions; a library that cannot promise it opens nothing.
    // A table's own definition (a generated column, a CHECK, an indexed expression) still calls them
    // whatever the pragma says, so a database whose definitions name them at all is refused before
    // anything of it is read: reading the definitions' text runs none of them. A name cannot be split,
    // quotes keep its letters, and SQLite folds only ASCII letters, as lower() does.
    void DistrustSqliteSchema()
    {
        if (InfoText(SQL_DBMS_NAME) != "SQLite")
            return;
        Run("PRAGMA trusted_schema=OFF");
        if (!IsZero(Execute("PRAGMA trusted_schema", {}, {})))
            throw EDataLinkRefused("This SQLite library cannot keep a database's views and triggers from reaching "
                                   "other files, so the database is not opened.");
        const OdbcResult naming = Execute("SELECT count(*) FROM main.sqlite_master WHERE instr(lower(sql), "
                                          "'blob_export') > 0 OR instr(lower(sql), 'blob_import') > 0",
                                          {}, {});
        if (!IsZero(naming))
            throw EDataLinkRefused("This database's own definitions call the functions that write and read other "
                                   "files (blob_export, blob_import), so the database is not opened.");
    }

    // Whether a result is the single number 0.
    static bool IsZero(const OdbcResult& result)
    {
        return result.rows.size() == 1 && !result.rows.front().empty() && result.rows.front().front().AsInt64() == 0;
    }

    // The drivers take the read-only attribute but do not keep to it, so the DBMS is told too.
    void EnforceReadOnly()
    {
        const std::string dbms = InfoText(SQL_DBMS_NAME);
        if (dbms == "PostgreSQL")
            Run("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY");
        else if (dbms == "SQLite")
            Run("PRAGMA query_only=1");
    }

    // Runs under the bound of the call it is part of; the driver is told the statement's own timeout
    // too, which SQLite's takes but keeps to none.
    OdbcResult Execute(std::string_view sql, const std::vector<Variant>& parameters,
                       const OdbcExecuteOptions& options)
    {
        const auto statement = std::make_shared<Handle>(SQL_HANDLE_STMT, Dbc());
        SetStatementNumber(*statement, SQL_ATTR_QUERY_TIMEOUT, static_cast<SQLULEN>(BoundedSeconds(options.timeout)));
        if (options.maxRows > 0)
            SetStatementNumber(*statement, SQL_ATTR_MAX_ROWS, static_cast<SQLULEN>(options.maxRows));
        std::vector<BoundParameter> bound;
        BindParameters(statement->Get(), parameters, bound);
        std::string text = Win1252ToUtf8(sql);
        const ReadLimits limits = Watched(statement);
        const SQLRETURN result = SQLExecDirect(statement->Get(), Sql(text), static_cast<SQLINTEGER>(text.size()));
        if (result == SQL_NO_DATA && !limits.Expired()) {
            OdbcResult none;
            none.recordsAffected = 0;
            return none;
        }
        statement->Check(result, limits);
        return ReadResult(statement->Get(), options.maxRows, limits);
    }

    std::vector<OdbcParameter> DescribeParameters(std::string_view sql)
    {
        Handle statement(SQL_HANDLE_STMT, Dbc());
        std::string text = Win1252ToUtf8(sql);
        statement.Check(SQLPrepare(statement.Get(), Sql(text), static_cast<SQLINTEGER>(text.size())));
        SQLSMALLINT count = 0;
        statement.Check(SQLNumParams(statement.Get(), &count));
        std::vector<OdbcParameter> parameters;
        for (SQLUSMALLINT i = 1; i <= count; ++i) {
            SQLSMALLINT sqlType = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
            SQLULEN size = 0;
            statement.Check(SQLDescribeParam(statement.Get(), i, &sqlType, &size, &digits, &nullable));
            parameters.push_back(ParameterDescription("Param" + IntToStr(i), AdoTypeOf(sqlType, false), adParamInput,
                                                      static_cast<std::int64_t>(size), digits,
                                                      nullable == SQL_NULLABLE));
        }
        return parameters;
    }

    std::vector<OdbcParameter> ProcedureParameters(std::string_view procedure)
    {
        CatalogArgument name(Pattern(Win1252ToUtf8(procedure)));
        const OdbcResult columns = Catalog([&](SQLHSTMT statement) {
            return SQLProcedureColumns(statement, nullptr, 0, nullptr, 0, name.Data(), name.Length(), nullptr, 0);
        });
        std::vector<OdbcParameter> parameters;
        for (const auto& row : columns.rows) {
            const int direction = DirectionOf(row.at(4).IsNull() ? 0 : row.at(4).AsInt64());
            if (direction < 0)
                continue;
            std::string parameterName = row.at(3).AsString();
            if (parameterName.empty())
                parameterName = "Param" + IntToStr(static_cast<std::int64_t>(parameters.size() + 1));
            const auto sqlType = static_cast<SQLSMALLINT>(row.at(5).AsInt64());
            parameters.push_back(ParameterDescription(parameterName, AdoTypeOf(sqlType, false), direction,
                                                      row.at(7).IsNull() ? 0 : row.at(7).AsInt64(),
                                                      row.at(9).IsNull() ? 0 : static_cast<int>(row.at(9).AsInt64()),
                                                      !row.at(11).IsNull() && row.at(11).AsInt64() == SQL_NULLABLE));
        }
        return parameters;
    }

    OdbcResult Schema(OdbcSchema schema, const std::vector<Variant>& restrictions)
    {
        switch (schema) {
        case OdbcSchema::Tables:
            return Tables(restrictions);
        case OdbcSchema::Procedures:
            return Procedures(restrictions);
        case OdbcSchema::Indexes:
            return Indexes(restrictions);
        case OdbcSchema::PrimaryKeys:
            return PrimaryKeys(restrictions);
        }
        return {};
    }

    int Begin()
    {
        if (level_ == 0)
            SetAutocommit(false);
        else
            Run("SAVEPOINT " + SavepointName(level_ + 1));
        return ++level_;
    }

    void Commit()
    {
        RequireTransaction();
        if (level_ == 1)
            EndTransaction(SQL_COMMIT);
        else
            Run("RELEASE SAVEPOINT " + SavepointName(level_));
        --level_;
    }

    void Rollback()
    {
        RequireTransaction();
        if (level_ == 1) {
            EndTransaction(SQL_ROLLBACK);
        } else {
            Run("ROLLBACK TO SAVEPOINT " + SavepointName(level_));
            Run("RELEASE SAVEPOINT " + SavepointName(level_));
        }
        --level_;
    }

    int TransactionLevel() const { return level_; }

    int Isolation()
    {
        SQLUINTEGER value = 0;
        connection_->Check(SQLGetConnectAttr(Dbc(), SQL_ATTR_TXN_ISOLATION, &value, 0, nullptr));
        for (const auto& level : IsolationLevels)
            if (level.odbc == value)
                return level.ado;
        return adXactUnspecified;
    }

    // A level the driver does not offer becomes the next stricter one it does, as ODBC allows.
    void SetIsolation(int isolation)
    {
        if (isolation == adXactUnspecified)
            return;
        SQLUINTEGER offered = 0;
        connection_->Check(SQLGetInfo(Dbc(), SQL_TXN_ISOLATION_OPTION, &offered, sizeof offered, nullptr));
        const int wanted = isolation == adXactChaos ? adXactReadUncommitted : isolation;
        for (const auto& level : IsolationLevels)
            if (level.ado >= wanted && (offered & level.odbc)) {
                connection_->Check(SQLSetConnectAttr(
                    Dbc(), SQL_ATTR_TXN_ISOLATION, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(level.odbc)), 0));
                return;
            }
    }

    std::string CurrentCatalog()
    {
        SQLCHAR catalog[512] = {};
        SQLINTEGER length = 0;
        connection_->Check(SQLGetConnectAttr(Dbc(), SQL_ATTR_CURRENT_CATALOG, catalog, sizeof catalog, &length));
        return Utf8ToWin1252(reinterpret_cast<const char*>(catalog));
    }

    void SetCurrentCatalog(std::string_view catalog)
    {
        std::string text = Win1252ToUtf8(catalog);
        connection_->Check(
            SQLSetConnectAttr(Dbc(), SQL_ATTR_CURRENT_CATALOG, Sql(text), static_cast<SQLINTEGER>(text.size())));
    }

    std::string IdentifierQuote()
    {
        const std::string quote = InfoText(SQL_IDENTIFIER_QUOTE_CHAR);
        return quote == " " ? std::string() : quote;
    }

    std::string DbmsName() { return InfoText(SQL_DBMS_NAME); }

private:
    SQLHDBC Dbc() const { return connection_->Get(); }

    ReadLimits Limits() const
    {
        return {*context_.call, context_.seconds, context_.connecting, sqlite_.value_or(false)};
    }

    // The bounds of a statement's run, which the call's interrupt now stops. SQLite's driver answers
    // SQLCancel by interrupting SQLite and then freeing the statement's results at once, while the
    // read may still be using them on its own thread (a crash); SQLite's interrupt frees nothing, so
    // the driver is not asked. A SQLite driver whose database cannot be reached so is not
    // interrupted: its read stops between rows, or is left. The interrupt keeps alive what it names.
    ReadLimits Watched(const std::shared_ptr<Handle>& statement)
    {
        if (!sqlite_)
            sqlite_ = DbmsName() == "SQLite";
        if (!*sqlite_)
            context_.call->SetInterrupt([running = RunningStatement{shared_from_this(), statement}] {
                SQLCancel(running.statement->Get());
            });
        else if (sqliteInterrupt_)
            context_.call->SetInterrupt([self = shared_from_this()] { self->sqliteInterrupt_(); });
        return Limits();
    }

    // A statement and the connection it belongs to, which goes last: a statement freed after its
    // connection would be freed twice.
    struct RunningStatement {
        std::shared_ptr<OdbcSession> session;
        std::shared_ptr<Handle> statement;
    };

    // The sockets the connection opened: those the process holds now and did not before it connected.
    void NoteOwnSockets()
    {
        const std::lock_guard lock(socketsMutex_);
        ownSockets_ = SocketsOpenedSince(socketsBefore_);
    }

    std::string InfoText(SQLUSMALLINT info)
    {
        SQLCHAR text[256] = {};
        SQLSMALLINT length = 0;
        connection_->Check(SQLGetInfo(Dbc(), info, text, sizeof text, &length));
        return Utf8ToWin1252(reinterpret_cast<const char*>(text));
    }

    void Run(const std::string& sql) { Execute(sql, {}, {}); }

    static void SetStatementNumber(const Handle& statement, SQLINTEGER attribute, SQLULEN value)
    {
        // A driver that cannot keep to a limit says so with a warning; only failures count.
        statement.Check(SQLSetStmtAttr(statement.Get(), attribute, reinterpret_cast<SQLPOINTER>(value), 0));
    }

    void SetAutocommit(bool on)
    {
        const SQLULEN value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
        connection_->Check(SQLSetConnectAttr(Dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0));
    }

    void EndTransaction(SQLSMALLINT completion)
    {
        connection_->Check(SQLEndTran(SQL_HANDLE_DBC, Dbc(), completion));
        SetAutocommit(true);
    }

    void RequireTransaction() const
    {
        if (level_ == 0)
            throw EOleException("No transaction is active.");
    }

    static std::string SavepointName(int level) { return "kestrame_savepoint_" + IntToStr(level); }

    static OdbcParameter ParameterDescription(std::string name, int type, int direction, std::int64_t size, int digits,
                                              bool nullable)
    {
        OdbcParameter parameter;
        parameter.name = std::move(name);
        parameter.type = type;
        parameter.direction = direction;
        parameter.size = size;
        parameter.precision = static_cast<int>(std::clamp<std::int64_t>(size, 0, 255));
        parameter.scale = std::max(digits, 0);
        parameter.attributes = (nullable ? adParamNullable : 0) | (IsSignedNumber(type) ? adParamSigned : 0) |
                               (IsLongType(type) ? adParamLong : 0);
        return parameter;
    }

    // ADO's direction of an ODBC procedure column; -1 for the columns of a result set.
    static int DirectionOf(std::int64_t columnType)
    {
        switch (columnType) {
        case SQL_PARAM_INPUT:
            return adParamInput;
        case SQL_PARAM_INPUT_OUTPUT:
            return adParamInputOutput;
        case SQL_PARAM_OUTPUT:
            return adParamOutput;
        case SQL_RETURN_VALUE:
            return adParamReturnValue;
        case SQL_RESULT_COL:
            return -1;
        default:
            return adParamUnknown;
        }
    }

    // A name as a catalog function's search pattern, its wildcards escaped.
    std::optional<std::string> Pattern(std::optional<std::string> name)
    {
        if (!name)
            return name;
        if (!patternEscape_)
            patternEscape_ = Win1252ToUtf8(InfoText(SQL_SEARCH_PATTERN_ESCAPE));
        if (patternEscape_->empty())
            return name;
        std::string escaped;
        for (char c : *name) {
            if (c == '_' || c == '%' || std::string_view(*patternEscape_) == std::string_view(&c, 1))
                escaped += *patternEscape_;
            escaped += c;
        }
        return escaped;
    }

    OdbcResult Catalog(const std::function<SQLRETURN(SQLHSTMT)>& call)
    {
        const auto statement = std::make_shared<Handle>(SQL_HANDLE_STMT, Dbc());
        const ReadLimits limits = Watched(statement);
        statement->Check(call(statement->Get()), limits);
        return ReadResult(statement->Get(), 0, limits);
    }

    OdbcResult TableList(std::optional<std::string> catalog, std::optional<std::string> schema,
                         std::optional<std::string> table, std::optional<std::string> type)
    {
        CatalogArgument catalogArgument(std::move(catalog)), schemaArgument(Pattern(std::move(schema))),
            tableArgument(Pattern(std::move(table))), typeArgument(std::move(type));
        return Catalog([&](SQLHSTMT statement) {
            return SQLTables(statement, catalogArgument.Data(), catalogArgument.Length(), schemaArgument.Data(),
                             schemaArgument.Length(), tableArgument.Data(), tableArgument.Length(), typeArgument.Data(),
                             typeArgument.Length());
        });
    }

    OdbcResult Tables(const std::vector<Variant>& restrictions)
    {
        const OdbcResult tables = TableList(Restriction(restrictions, 0), Restriction(restrictions, 1),
                                            Restriction(restrictions, 2), Restriction(restrictions, 3));
        return PickColumns(
            tables,
            {{"TABLE_CATALOG", 1}, {"TABLE_SCHEMA", 2}, {"TABLE_NAME", 3}, {"TABLE_TYPE", 4}, {"DESCRIPTION", 5}});
    }

    OdbcResult Procedures(const std::vector<Variant>& restrictions)
    {
        CatalogArgument catalog(Restriction(restrictions, 0)), schema(Pattern(Restriction(restrictions, 1))),
            name(Pattern(Restriction(restrictions, 2)));
        const OdbcResult procedures = Catalog([&](SQLHSTMT statement) {
            return SQLProcedures(statement, catalog.Data(), catalog.Length(), schema.Data(), schema.Length(),
                                 name.Data(), name.Length());
        });
        OdbcResult result = PickColumns(procedures, {{"PROCEDURE_CATALOG", 1},
                                                     {"PROCEDURE_SCHEMA", 2},
                                                     {"PROCEDURE_NAME", 3},
                                                     {"PROCEDURE_TYPE", 0, adSmallInt},
                                                     {"DESCRIPTION", 7}});
        // OLE DB counts the kinds from 1 (unknown, procedure, function), ODBC from 0.
        const std::optional<std::string> type = Restriction(restrictions, 3);
        std::vector<OdbcRow> kept;
        for (size_t i = 0; i < result.rows.size(); ++i) {
            const Variant& odbcType = procedures.rows[i].at(7);
            const std::int64_t kind = (odbcType.IsNull() ? SQL_PT_UNKNOWN : odbcType.AsInt64()) + 1;
            result.rows[i][3] = Variant::Integer(kind, varSmallint);
            if (!type || IntToStr(kind) == *type)
                kept.push_back(std::move(result.rows[i]));
        }
        result.rows = std::move(kept);
        return result;
    }

    // The tables a per-table catalog function runs over: the restricted one, else every table.
    std::vector<std::array<std::optional<std::string>, 3>> RestrictedTables(const std::vector<Variant>& restrictions,
                                                                            size_t tableIndex)
    {
        const auto catalog = Restriction(restrictions, 0);
        const auto schema = Restriction(restrictions, 1);
        if (const auto table = Restriction(restrictions, tableIndex))
            return {{catalog, schema, table}};
        std::vector<std::array<std::optional<std::string>, 3>> tables;
        for (const auto& row : TableList(catalog, schema, std::nullopt, std::string("TABLE")).rows) {
            std::array<std::optional<std::string>, 3> names;
            for (size_t i = 0; i < 3; ++i)
                if (!row[i].IsNull())
                    names[i] = Utf16ToUtf8(row[i].AsWideString());
            tables.push_back(names);
        }
        return tables;
    }

    OdbcResult KeysOf(const std::array<std::optional<std::string>, 3>& table)
    {
        CatalogArgument catalog(table[0]), schema(table[1]), name(table[2]);
        return Catalog([&](SQLHSTMT statement) {
            return SQLPrimaryKeys(statement, catalog.Data(), catalog.Length(), schema.Data(), schema.Length(),
                                  name.Data(), name.Length());
        });
    }

    OdbcResult PrimaryKeys(const std::vector<Variant>& restrictions)
    {
        OdbcResult result;
        for (const auto& table : RestrictedTables(restrictions, 2)) {
            OdbcResult keys = PickColumns(KeysOf(table), {{"TABLE_CATALOG", 1},
                                                          {"TABLE_SCHEMA", 2},
                                                          {"TABLE_NAME", 3},
                                                          {"COLUMN_NAME", 4},
                                                          {"ORDINAL", 5},
                                                          {"PK_NAME", 6}});
            result.columns = std::move(keys.columns);
            std::move(keys.rows.begin(), keys.rows.end(), std::back_inserter(result.rows));
        }
        result.hasResultSet = true;
        return result;
    }

    OdbcResult StatisticsOf(const std::array<std::optional<std::string>, 3>& table)
    {
        CatalogArgument catalog(table[0]), schema(table[1]), name(table[2]);
        return Catalog([&](SQLHSTMT statement) {
            return SQLStatistics(statement, catalog.Data(), catalog.Length(), schema.Data(), schema.Length(),
                                 name.Data(), name.Length(), SQL_INDEX_ALL, SQL_QUICK);
        });
    }

    // An index is the primary key when it carries the key's name or, where the driver names no key,
    // when it is unique over exactly the key's columns.
    static bool IsPrimaryIndex(const std::string& index, bool unique, const std::vector<std::string>& columns,
                               const OdbcResult& keys)
    {
        std::vector<std::string> keyColumns;
        for (const auto& row : keys.rows) {
            const std::string keyName = row.at(5).AsString();
            if (!keyName.empty())
                return keyName == index;
            keyColumns.push_back(row.at(3).AsString());
        }
        return unique && !keyColumns.empty() && keyColumns == columns;
    }

    OdbcResult Indexes(const std::vector<Variant>& restrictions)
    {
        const std::optional<std::string> indexName = Restriction(restrictions, 2);
        OdbcResult result;
        for (const auto& table : RestrictedTables(restrictions, 4)) {
            OdbcResult statistics = StatisticsOf(table);
            // Rows of the table's own statistics describe no index.
            std::erase_if(statistics.rows, [](const OdbcRow& row) {
                return row.at(5).IsNull() || (!row.at(6).IsNull() && row.at(6).AsInt64() == SQL_TABLE_STAT);
            });
            if (indexName)
                std::erase_if(statistics.rows,
                              [&](const OdbcRow& row) { return Utf16ToUtf8(row.at(5).AsWideString()) != *indexName; });
            const OdbcResult keys = KeysOf(table);
            OdbcResult indexes = PickColumns(statistics, {{"TABLE_CATALOG", 1},
                                                          {"TABLE_SCHEMA", 2},
                                                          {"TABLE_NAME", 3},
                                                          {"INDEX_NAME", 6},
                                                          {"PRIMARY_KEY", 0, adBoolean},
                                                          {"UNIQUE", 0, adBoolean},
                                                          {"AUTO_UPDATE", 0, adBoolean},
                                                          {"ORDINAL_POSITION", 8},
                                                          {"COLUMN_NAME", 9}});
            for (auto& row : indexes.rows) {
                const std::string index = row[3].AsString();
                std::vector<std::pair<std::int64_t, std::string>> ordered;
                bool unique = true;
                for (const auto& other : statistics.rows)
                    if (other.at(5).AsString() == index && other.at(2).AsString() == row[2].AsString()) {
                        ordered.emplace_back(other.at(7).IsNull() ? 0 : other.at(7).AsInt64(), other.at(8).AsString());
                        unique = !other.at(3).IsNull() && other.at(3).AsInt64() == SQL_FALSE;
                    }
                std::sort(ordered.begin(), ordered.end());
                std::vector<std::string> columns;
                for (auto& [ordinal, column] : ordered)
                    columns.push_back(std::move(column));
                row[4] = Variant::Boolean(IsPrimaryIndex(index, unique, columns, keys));
                row[5] = Variant::Boolean(unique);
                row[6] = Variant::Boolean(true);
            }
            result.columns = std::move(indexes.columns);
            std::move(indexes.rows.begin(), indexes.rows.end(), std::back_inserter(result.rows));
        }
        result.hasResultSet = true;
        return result;
    }

    std::shared_ptr<Environment> environment_;
    std::unique_ptr<Handle> connection_;
    int level_ = 0;
    std::optional<std::string> patternEscape_;
    std::function<void()> sqliteInterrupt_;
    std::optional<bool> sqlite_;
    CallContext context_;
    const std::vector<OpenSocket> socketsBefore_;
    std::mutex socketsMutex_;
    std::optional<std::vector<OpenSocket>> ownSockets_;
    std::atomic<bool> givenUp_ = false;
};

// What a call gives back to the window thread: its result or its failure.
template <typename Result> struct CallOutcome {
    std::optional<Result> value;
    std::exception_ptr error;
};

// A connection as the program sees it. Each call runs on the connection's own thread while the window
// thread waits, no longer than the call's bounds allow (OdbcCallThread); a connection whose call had
// to be cut off or left is given up, and refuses every later call.
class UnixOdbcConnection final : public OdbcConnection {
public:
    explicit UnixOdbcConnection(std::shared_ptr<OdbcSession> session) : session_(std::move(session)) {}

    ~UnixOdbcConnection() override { CloseSession(false); }

    UnixOdbcConnection(const UnixOdbcConnection&) = delete;
    UnixOdbcConnection& operator=(const UnixOdbcConnection&) = delete;

    void Connect(std::string text, const OdbcConnectOptions& options)
    {
        Call(
            options.loginTimeout, true,
            [text = std::move(text), options](OdbcSession& session) {
                session.Connect(text, options);
                return 0;
            });
    }

    OdbcResult Execute(std::string_view sql, const std::vector<Variant>& parameters,
                       const OdbcExecuteOptions& options) override
    {
        return Call(options.timeout, false, [sql = std::string(sql), parameters, options](OdbcSession& session) {
            return session.Execute(sql, parameters, options);
        });
    }

    std::vector<OdbcParameter> DescribeParameters(std::string_view sql) override
    {
        return Call([sql = std::string(sql)](OdbcSession& session) { return session.DescribeParameters(sql); });
    }

    std::vector<OdbcParameter> ProcedureParameters(std::string_view procedure) override
    {
        return Call([procedure = std::string(procedure)](OdbcSession& session) {
            return session.ProcedureParameters(procedure);
        });
    }

    OdbcResult Schema(OdbcSchema schema, const std::vector<Variant>& restrictions) override
    {
        return Call([schema, restrictions](OdbcSession& session) { return session.Schema(schema, restrictions); });
    }

    int Begin() override
    {
        level_ = Call([](OdbcSession& session) { return session.Begin(); });
        return level_;
    }

    void Commit() override
    {
        level_ = Call([](OdbcSession& session) {
            session.Commit();
            return session.TransactionLevel();
        });
    }

    void Rollback() override
    {
        level_ = Call([](OdbcSession& session) {
            session.Rollback();
            return session.TransactionLevel();
        });
    }

    int TransactionLevel() const override { return level_; }

    int Isolation() override
    {
        return Call([](OdbcSession& session) { return session.Isolation(); });
    }

    void SetIsolation(int isolation) override
    {
        Call([isolation](OdbcSession& session) {
            session.SetIsolation(isolation);
            return 0;
        });
    }

    std::string CurrentCatalog() override
    {
        return Call([](OdbcSession& session) { return session.CurrentCatalog(); });
    }

    void SetCurrentCatalog(std::string_view catalog) override
    {
        Call([catalog = std::string(catalog)](OdbcSession& session) {
            session.SetCurrentCatalog(catalog);
            return 0;
        });
    }

    std::string IdentifierQuote() override
    {
        return Call([](OdbcSession& session) { return session.IdentifierQuote(); });
    }

    std::string DbmsName() override
    {
        return Call([](OdbcSession& session) { return session.DbmsName(); });
    }

private:
    template <typename Work> static auto ResultOf(Work& work) -> decltype(work(std::declval<OdbcSession&>()));

    template <typename Work> auto Call(Work work) -> decltype(ResultOf(work))
    {
        return Call(OdbcExecuteOptions().timeout, false, std::move(work));
    }

    // Runs `work` on the session's thread within `seconds` (bounded); `connecting` for the login.
    // A call stopped at a bound raises why, whatever the driver made of the stop.
    template <typename Work> auto Call(int seconds, bool connecting, Work work) -> decltype(ResultOf(work))
    {
        using Result = decltype(ResultOf(work));
        if (givenUp_)
            throw EReadRefused("The connection to the database was given up when a read did not end in time or "
                               "took too much memory; open the data link again.");
        seconds = BoundedSeconds(seconds);
        const auto call = std::make_shared<OdbcCall>(OdbcCall::Clock::now() + std::chrono::seconds(seconds));
        const auto outcome = std::make_shared<CallOutcome<Result>>();
        const OdbcCallEnd end = thread_.Run(
            call,
            [session = session_, context = CallContext{call.get(), seconds, connecting}, outcome,
             work = std::move(work)]() mutable {
                session->Attend(context);
                try {
                    outcome->value.emplace(work(*session));
                } catch (...) {
                    outcome->error = std::current_exception();
                }
                session->Attend({});
            },
            [session = session_] { return session->CutSockets(); });
        if (end != OdbcCallEnd::Ended) {
            givenUp_ = true;
            CloseSession(true);
        }
        if (end == OdbcCallEnd::Left)
            RaiseStopped(call->Reason(), seconds, connecting);
        if (outcome->error)
            RethrowStopped(outcome->error, *call, seconds, connecting);
        return std::move(*outcome->value);
    }

    // The session closes on its own thread, after a call left there has ended.
    void CloseSession(bool givenUp)
    {
        thread_.Post([session = std::move(session_), givenUp]() mutable {
            if (session && givenUp)
                session->GiveUp();
            session.reset();
        });
    }

    // A driver failure of a call that was stopped is the stop's doing: the call says why it stopped.
    // A read refused or stopped may have freed up to its memory bound, which goes back at once.
    [[noreturn]] static void RethrowStopped(const std::exception_ptr& error, const OdbcCall& call, int seconds,
                                            bool connecting)
    {
        try {
            std::rethrow_exception(error);
        } catch (const EReadRefused&) {
            OdbcCallThread::GiveBackFreedHeap();
            throw;
        } catch (const EOleException&) {
            if (call.Expired()) {
                OdbcCallThread::GiveBackFreedHeap();
                RaiseStopped(call.Reason(), seconds, connecting);
            }
            throw;
        }
    }

    std::shared_ptr<OdbcSession> session_;
    OdbcCallThread thread_;
    int level_ = 0;
    bool givenUp_ = false;
};

// ---------------------------------------------------------------------------------------------
// Backend

class UnixOdbcBackend final : public OdbcBackend {
public:
    std::unique_ptr<OdbcConnection> Connect(std::string_view odbcString, std::string_view userId,
                                            std::string_view password, const OdbcConnectOptions& options) override
    {
        std::string text = Win1252ToUtf8(
            GuardedDriverString(DriverConnectString(odbcString, userId, password), Installed(), odbcString));
        DriverStringLength(text);
        ForgetPostgresPasswordSources();
        auto connection =
            std::make_unique<UnixOdbcConnection>(std::make_shared<OdbcSession>(SharedEnvironment(), OpenSockets()));
        connection->Connect(std::move(text), options);
        return connection;
    }

    std::vector<OdbcSourceEntry> DataSources() override
    {
        return Entries([](SQLHENV env, SQLUSMALLINT direction, SQLCHAR* name, SQLSMALLINT nameSize,
                          SQLSMALLINT* nameLength, SQLCHAR* description, SQLSMALLINT descriptionSize,
                          SQLSMALLINT* descriptionLength) {
            return SQLDataSources(env, direction, name, nameSize, nameLength, description, descriptionSize,
                                  descriptionLength);
        });
    }

    // The description is the one of a driver's attributes shown.
    std::vector<OdbcSourceEntry> Drivers() override
    {
        std::vector<OdbcSourceEntry> drivers = Entries(SQLDrivers);
        for (auto& driver : drivers)
            driver.description = DriverAttribute(driver.description, "Description");
        return drivers;
    }

private:
    // libpq, wherever a driver uses it, takes a password the connection string lacks from PGPASSWORD
    // or from the service PGSERVICE names, and would send it to whatever server a link names; gone
    // from the program's environment, they reach no connection made later either.
    static void ForgetPostgresPasswordSources()
    {
        unsetenv("PGPASSWORD");
        unsetenv("PGSERVICE");
    }

    // A driver's entry carries its attributes: "Description=...\0Driver=...\0".
    static std::string DriverAttribute(std::string_view attributes, std::string_view name)
    {
        std::string value;
        for (size_t pos = 0; pos < attributes.size();) {
            const size_t end = std::min(attributes.find('\0', pos), attributes.size());
            const std::string_view attribute = attributes.substr(pos, end - pos);
            if (attribute.size() > name.size() && attribute.substr(0, name.size()) == name &&
                attribute[name.size()] == '=')
                value = attribute.substr(name.size() + 1);
            pos = end + 1;
        }
        return value;
    }

    // The drivers with the kind of their library ("Driver" attribute), and the data sources.
    TOdbcInstalled Installed()
    {
        TOdbcInstalled installed;
        for (const auto& driver : Entries(SQLDrivers))
            installed.drivers.push_back(
                {driver.name, DriverKindOfLibrary(DriverAttribute(driver.description, "Driver"))});
        for (auto& source : DataSources())
            installed.dataSources.push_back({std::move(source.name), std::move(source.description)});
        return installed;
    }

    std::shared_ptr<Environment> SharedEnvironment()
    {
        if (!environment_)
            environment_ = std::make_shared<Environment>();
        return environment_;
    }

    template <typename List> std::vector<OdbcSourceEntry> Entries(List list)
    {
        const std::shared_ptr<Environment> environment = SharedEnvironment();
        std::vector<OdbcSourceEntry> entries;
        SQLUSMALLINT direction = SQL_FETCH_FIRST;
        while (true) {
            SQLCHAR name[512] = {};
            SQLCHAR details[4096] = {};
            SQLSMALLINT nameLength = 0, detailsLength = 0;
            const SQLRETURN result = list(environment->Get(), direction, name, sizeof name, &nameLength, details,
                                          sizeof details, &detailsLength);
            if (result == SQL_NO_DATA)
                return entries;
            environment->Check(result);
            const auto detailsSize =
                std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(detailsLength, 0)), sizeof details - 1);
            entries.push_back({Utf8ToWin1252(reinterpret_cast<const char*>(name)),
                               Utf8ToWin1252(std::string_view(reinterpret_cast<const char*>(details), detailsSize))});
            direction = SQL_FETCH_NEXT;
        }
    }

    std::shared_ptr<Environment> environment_;
};

OdbcBackend* replacement = nullptr;

} // namespace

OdbcBackend& Odbc()
{
    if (replacement)
        return *replacement;
    static UnixOdbcBackend backend;
    return backend;
}

void SetOdbcBackend(OdbcBackend* backend) { replacement = backend; }
