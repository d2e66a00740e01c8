#pragma once

#include "platform/services/OdbcBackend.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a recordset tells the row it read from the others when it writes to it.

// The column of the table a column read comes from: the driver's base column, else its name.
const std::string& BaseColumnOf(const OdbcColumn& column);

// The primary key's columns among `columns`; none when the table has none, when a key column is not
// among them, or when tables of that name in several schemas answer (the key could be another's).
std::vector<size_t> PrimaryKeyColumns(OdbcConnection& backend, const std::string& schema, const std::string& table,
                                      const std::vector<OdbcColumn>& columns);

// What the rows of a SQLite table opened by name are read with beside their columns, so that a write
// reaches the row read or none, whatever other programs did to the table since: the rowid, which SQLite
// gives again to another row (a deleted last row's, and any after VACUUM), and the row's identity, a
// text of the type and the bytes of its identifying columns (the primary key's, else all) where the
// driver reads a text only up to a NUL byte, integer 1 and text '1' alike and a REAL to 15 digits. A
// long text or blob gives only its type and length there, and a write compares it with the value held.
// Where SQLite's limit of columns in a result leaves no room for both, the identity alone is read; where
// none for that either, nothing, and no row can be written.
struct SqliteRowIdentity {
    std::string rowid;              // the name the rowid is read under; "" where it is not read
    std::vector<size_t> columns;    // the identifying columns' positions; none where no identity is read
    std::vector<std::string> names; // the same columns as SQL

    bool Read() const { return !columns.empty(); }
    // How many columns the read adds after the table's own, and the SQL that adds them after "SELECT *".
    size_t Extras() const { return (rowid.empty() ? 0 : 1) + (Read() ? 1 : 0); }
    std::string SelectList() const;
    // The identity of a row of the table, as SQL.
    std::string Expression() const;
    // The condition that finds the row read with `rowidValue` (null where it has none) and `identity`,
    // holding `held`, its values after those in `values`. The identifying columns that `written` gives
    // values for (by column position: a write has just changed them) are found by those values instead.
    std::string Condition(const Variant& rowidValue, const Variant& identity, const OdbcRow& held,
                          std::vector<Variant>& values, const std::vector<std::optional<Variant>>& written = {}) const;
};

// What a table's rows can be read with: `name` as the user gave it, `table` as SQL. Nothing on other
// data sources.
SqliteRowIdentity SqliteRowIdentityOf(OdbcConnection& backend, std::string_view name, const std::string& table,
                                      int timeout);
