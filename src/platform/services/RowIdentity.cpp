#include "platform/services/RowIdentity.h"

#include "platform/core/TextUtils.h"
#include "platform/services/AdoRecordset.h"
#include "platform/services/SqlNames.h"

#include <algorithm>
#include <numeric>

namespace {

std::string TextOf(const Variant& value)
{
    return value.IsNull() || value.IsEmpty() ? std::string() : value.AsString();
}

size_t ColumnIndex(const OdbcResult& result, std::string_view name)
{
    for (size_t i = 0; i < result.columns.size(); ++i)
        if (SameText(result.columns[i].name, name))
            return i;
    RaiseAdoItemNotFound(name);
}

// Texts and blobs of up to this many bytes are given whole in an identity, in hexadecimal digits.
constexpr int WholeValueBytes = 256;

// One column's part of an identity: the first letter of its type, then an integer's digits, a REAL
// as SQLite quotes it (exactly, unlike its text of it), a text's or blob's bytes in hexadecimal, or
// "*" and the count of its bytes when there are more. No part holds a ",", which joins them. A blob's
// length is known without its bytes (a zeroblob() stays unmade), a text's counts bytes, not characters
// up to a NUL.
std::string IdentityPart(const std::string& column)
{
    const auto wholeOrLength = [&](const std::string& letter, const std::string& bytes) {
        return "CASE WHEN " + bytes + " > " + std::to_string(WholeValueBytes) + " THEN '" + letter + "*' || " + bytes +
               " ELSE '" + letter + "' || hex(" + column + ") END";
    };
    return "CASE typeof(" + column + ") WHEN 'integer' THEN 'i' || " + column + " WHEN 'real' THEN 'r' || quote(" +
           column + ") WHEN 'text' THEN " + wholeOrLength("t", "length(CAST(" + column + " AS BLOB))") +
           " WHEN 'blob' THEN " + wholeOrLength("b", "length(" + column + ")") + " ELSE 'n' END";
}

bool IsLongPart(std::string_view part) { return part.size() > 1 && part[1] == '*'; }

// The identity of the columns from `begin` to `end`: their parts joined with ",", two halves at a time,
// as SQLite limits how deep an expression nests.
std::string IdentityOf(const std::vector<std::string>& columns, size_t begin, size_t end)
{
    if (end - begin == 1)
        return IdentityPart(columns[begin]);
    const size_t middle = begin + (end - begin) / 2;
    return "(" + IdentityOf(columns, begin, middle) + ") || ',' || (" + IdentityOf(columns, middle, end) + ")";
}

// Whether SQLite takes a statement (a bound of the read still refuses it).
bool Runs(OdbcConnection& backend, const std::string& sql, int timeout)
{
    try {
        backend.Execute(sql, {}, {.timeout = timeout});
        return true;
    } catch (const EReadRefused&) {
        throw;
    } catch (const EOleException&) {
        return false;
    }
}

// The name SQLite's rowid is read under: the first of its three names that no column takes. None
// where the table has no rowid (WITHOUT ROWID); a view reads its rows' as null.
std::string RowidName(OdbcConnection& backend, const std::string& table, const std::vector<OdbcColumn>& columns,
                      int timeout)
{
    for (const std::string name : {"rowid", "_rowid_", "oid"}) {
        if (std::any_of(columns.begin(), columns.end(),
                        [&](const OdbcColumn& column) { return SameText(column.name, name); }))
            continue;
        return Runs(backend, "SELECT " + name + " FROM " + table + " LIMIT 0", timeout) ? name : std::string();
    }
    return {};
}

// Whether SQLite reads the table with what the identity adds (not past its limit of result columns).
bool Readable(OdbcConnection& backend, const std::string& table, const SqliteRowIdentity& identity, int timeout)
{
    return Runs(backend, "SELECT *" + identity.SelectList() + " FROM " + table + " LIMIT 0", timeout);
}

} // namespace

const std::string& BaseColumnOf(const OdbcColumn& column)
{
    return column.baseColumn.empty() ? column.name : column.baseColumn;
}

std::vector<size_t> PrimaryKeyColumns(OdbcConnection& backend, const std::string& schema, const std::string& table,
                                      const std::vector<OdbcColumn>& columns)
{
    const OdbcResult keys =
        backend.Schema(OdbcSchema::PrimaryKeys, {Variant(), schema.empty() ? Variant() : Variant::FromString(schema),
                                                 Variant::FromString(table)});
    const size_t schemaColumn = ColumnIndex(keys, "TABLE_SCHEMA");
    const size_t nameColumn = ColumnIndex(keys, "COLUMN_NAME");
    std::vector<size_t> key;
    for (const OdbcRow& row : keys.rows) {
        if (TextOf(row[schemaColumn]) != TextOf(keys.rows.front()[schemaColumn]))
            return {};
        const std::string name = TextOf(row[nameColumn]);
        const auto found = std::find_if(columns.begin(), columns.end(),
                                        [&](const OdbcColumn& column) { return BaseColumnOf(column) == name; });
        if (found == columns.end())
            return {};
        key.push_back(static_cast<size_t>(found - columns.begin()));
    }
    return key;
}

std::string SqliteRowIdentity::SelectList() const
{
    return (rowid.empty() ? "" : ", " + rowid) + (Read() ? ", " + Expression() : "");
}

std::string SqliteRowIdentity::Expression() const { return IdentityOf(names, 0, names.size()); }

std::string SqliteRowIdentity::Condition(const Variant& rowidValue, const Variant& identity, const OdbcRow& held,
                                         std::vector<Variant>& values,
                                         const std::vector<std::optional<Variant>>& written) const
{
    const std::vector<std::string> parts = Split(identity.AsString(), ',');
    if (!Read() || parts.size() != columns.size())
        throw EOleException(AdoRowNotFound);
    std::vector<std::string> conditions;
    if (!rowid.empty() && !rowidValue.IsNull()) {
        conditions.push_back(rowid + " = ?");
        values.push_back(rowidValue);
    }
    const auto isWritten = [&](size_t column) { return column < written.size() && written[column].has_value(); };
    std::vector<std::string> unchangedNames, unchangedParts;
    for (size_t i = 0; i < columns.size(); ++i)
        if (!isWritten(columns[i])) {
            unchangedNames.push_back(names[i]);
            unchangedParts.push_back(parts[i]);
        }
    if (!unchangedNames.empty()) {
        conditions.push_back("(" + IdentityOf(unchangedNames, 0, unchangedNames.size()) + ") = ?");
        values.push_back(Variant::FromString(Joined(unchangedParts, ",")));
    }
    for (size_t i = 0; i < columns.size(); ++i) {
        // A value written is compared as the column takes it (its affinity), byte for byte.
        if (isWritten(columns[i])) {
            conditions.push_back(names[i] + " IS ? COLLATE BINARY");
            values.push_back(*written[columns[i]]);
        } else if (IsLongPart(parts[i])) {
            conditions.push_back("CAST(" + names[i] + " AS BLOB) = CAST(? AS BLOB)");
            values.push_back(held.at(columns[i]));
        }
    }
    return Joined(conditions, " AND ");
}

SqliteRowIdentity SqliteRowIdentityOf(OdbcConnection& backend, std::string_view name, const std::string& table,
                                      int timeout)
{
    if (!SameText(backend.DbmsName(), "SQLite"))
        return {};
    const std::vector<OdbcColumn> columns =
        backend.Execute("SELECT * FROM " + table + " LIMIT 0", {}, {.timeout = timeout}).columns;
    SqliteRowIdentity identity;
    identity.rowid = RowidName(backend, table, columns, timeout);
    identity.columns = PrimaryKeyColumns(backend, {}, SqlBareName(name), columns);
    if (identity.columns.empty()) {
        identity.columns.resize(columns.size());
        std::iota(identity.columns.begin(), identity.columns.end(), size_t{0});
    }
    const std::string quote = backend.IdentifierQuote();
    for (const size_t column : identity.columns)
        identity.names.push_back(SqlQuotedName(BaseColumnOf(columns[column]), quote));
    // Where the result has no room for both, the rowid goes first: without the identity it would find
    // whatever row took its number.
    if (Readable(backend, table, identity, timeout))
        return identity;
    identity.rowid.clear();
    if (Readable(backend, table, identity, timeout))
        return identity;
    return {};
}
