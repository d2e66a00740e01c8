#pragma once

#include "platform/core/Exceptions.h"
#include "platform/core/Variant.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The program's only road to databases: ODBC through the driver manager. Everything here speaks
// the model's text (Windows-1252) and ADO's numbers, which the dataset components are written in.

// ADO's data types, which describe columns and parameters.
enum TAdoDataType : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adBoolean = 11,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adUnsignedSmallInt = 18,
    adUnsignedInt = 19,
    adBigInt = 20,
    adUnsignedBigInt = 21,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// ADO's field attributes.
constexpr int adFldUpdatable = 4;
constexpr int adFldUnknownUpdatable = 8;
constexpr int adFldIsNullable = 32;
constexpr int adFldMayBeNull = 64;

// ADO's isolation levels.
constexpr int adXactUnspecified = -1;
constexpr int adXactChaos = 16;
constexpr int adXactReadUncommitted = 256;
constexpr int adXactReadCommitted = 4096;
constexpr int adXactRepeatableRead = 65536;
constexpr int adXactSerializable = 1048576;

// ADO's parameter directions and attributes.
constexpr int adParamUnknown = 0;
constexpr int adParamInput = 1;
constexpr int adParamOutput = 2;
constexpr int adParamInputOutput = 3;
constexpr int adParamReturnValue = 4;
constexpr int adParamSigned = 16;
constexpr int adParamNullable = 64;
constexpr int adParamLong = 128;

struct OdbcColumn {
    std::string name;
    int type = adEmpty;     // TAdoDataType
    std::int64_t size = 0;  // characters of text, bytes of binary and fixed-size values
    int precision = 0;      // digits of numeric values
    int scale = 0;          // decimals of numeric values
    int attributes = 0;     // adFld...
    std::string baseColumn; // the column of the table it comes from, when the driver knows it
    std::string baseTable;
    std::string baseSchema; // the base table's schema, when the driver tells it
};

struct OdbcParameter {
    std::string name;
    int type = adEmpty;
    int direction = adParamInput;
    std::int64_t size = 0;
    int precision = 0;
    int scale = 0;
    int attributes = 0; // adParam...
};

using OdbcRow = std::vector<Variant>;

// What a statement gives: rows of a result set, or the count of rows it changed (-1 when unknown).
struct OdbcResult {
    bool hasResultSet = false;
    std::vector<OdbcColumn> columns;
    std::vector<OdbcRow> rows;
    std::int64_t recordsAffected = -1;
    // The rows (ascending) holding a text whose bytes were not UTF-8: those bytes read as "?", so the
    // row's values may be another row's too.
    std::vector<size_t> inexactRows;
};

// A read stopped at one of its bounds: the command timeout (the login timeout for connecting), the
// memory a call may make the program take (1 GB in all, 64 MB for one value), or the program ending;
// also any later call on a connection given up when one of its calls had to be cut off or left.
KESTRAME_EXCEPTION(EReadRefused, EOleException)

// The longest a call may wait for a database, in seconds: a link may shorten the bound, not lift it,
// and a timeout of 0 ("none") or a longer one is this.
constexpr int MaxCommandTimeout = 120;

struct OdbcConnectOptions {
    int loginTimeout = 15; // seconds, the whole connection's, the driver's own first queries too
    bool readOnly = false;
    int isolation = adXactReadCommitted; // adXact...; adXactUnspecified leaves the driver's
};

struct OdbcExecuteOptions {
    int timeout = 30;         // seconds
    std::int64_t maxRows = 0; // 0 fetches all
};

// The schema rowsets the dataset components read, with ADO's column names: TABLE_CATALOG,
// TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE, DESCRIPTION for tables; PROCEDURE_CATALOG,
// PROCEDURE_SCHEMA, PROCEDURE_NAME, PROCEDURE_TYPE, DESCRIPTION for procedures; TABLE_CATALOG,
// TABLE_SCHEMA, TABLE_NAME, INDEX_NAME, PRIMARY_KEY, UNIQUE, AUTO_UPDATE, ORDINAL_POSITION,
// COLUMN_NAME for indexes; TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, ORDINAL,
// PK_NAME for primary keys. Restrictions are ADO's, in its order: catalog, schema, name, type for
// tables and procedures; catalog, schema, index name, type, table name for indexes; catalog, schema,
// table name for primary keys. An empty or null restriction restricts nothing.
enum class OdbcSchema { Tables, Procedures, Indexes, PrimaryKeys };

struct OdbcSourceEntry {
    std::string name;
    std::string description;
};

// One open connection; closing it (destroying) rolls back what is not committed. Every failure of
// the driver raises EOleException with the driver's text, its SQLSTATE and native code; a call stopped
// at its bounds raises EReadRefused, whatever the driver was doing.
class OdbcConnection {
public:
    virtual ~OdbcConnection() = default;

    // Parameters fill the statement's "?" markers in order.
    virtual OdbcResult Execute(std::string_view sql, const std::vector<Variant>& parameters = {},
                               const OdbcExecuteOptions& options = {}) = 0;
    // The markers of a statement, named "Param1", "Param2" ...
    virtual std::vector<OdbcParameter> DescribeParameters(std::string_view sql) = 0;
    virtual std::vector<OdbcParameter> ProcedureParameters(std::string_view procedure) = 0;
    virtual OdbcResult Schema(OdbcSchema schema, const std::vector<Variant>& restrictions = {}) = 0;

    // Transactions nest: from the second level on, each is a savepoint. Begin returns the new level;
    // Commit and Rollback without a transaction raise.
    virtual int Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual int TransactionLevel() const = 0;

    virtual int Isolation() = 0; // adXact...
    virtual void SetIsolation(int isolation) = 0;
    virtual std::string CurrentCatalog() = 0;
    virtual void SetCurrentCatalog(std::string_view catalog) = 0;
    // What the driver encloses identifiers in ('"' for most), empty when it has nothing.
    virtual std::string IdentifierQuote() = 0;
    // The product the driver reaches ("SQLite", "PostgreSQL" ...), empty when it does not say.
    virtual std::string DbmsName() { return {}; }
};

class OdbcBackend {
public:
    virtual ~OdbcBackend() = default;

    // Connects with an ODBC string (see DriverConnectString for what is added on the way).
    virtual std::unique_ptr<OdbcConnection> Connect(std::string_view odbcString, std::string_view userId,
                                                    std::string_view password,
                                                    const OdbcConnectOptions& options = {}) = 0;
    // The data sources and drivers the driver manager knows, for the data-link dialog.
    virtual std::vector<OdbcSourceEntry> DataSources() = 0;
    virtual std::vector<OdbcSourceEntry> Drivers() = 0;
};

// The program's backend: unixODBC's driver manager, unless a test set another.
OdbcBackend& Odbc();
// Replaces the backend (nullptr restores the driver manager's); the caller keeps it alive.
void SetOdbcBackend(OdbcBackend* backend);
