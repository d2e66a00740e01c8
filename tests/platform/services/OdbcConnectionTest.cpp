#include "platform/core/Exceptions.h"
#include "platform/services/ConnectionString.h"
#include "platform/services/OdbcBackend.h"
#include "platform/services/SqlNames.h"
#include "platform/services/SqliteFence.h"

#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace {

// A port nobody listens on: one the system just handed out and took back.
int ClosedPort()
{
    const int socketHandle = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(socketHandle, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(socketHandle, reinterpret_cast<sockaddr*>(&address), &length);
    close(socketHandle);
    return ntohs(address.sin_port);
}

std::vector<std::string> Column(const OdbcResult& result, std::string_view name)
{
    const auto found = std::find_if(result.columns.begin(), result.columns.end(),
                                    [name](const OdbcColumn& column) { return column.name == name; });
    EXPECT_NE(found, result.columns.end()) << name;
    std::vector<std::string> values;
    for (const auto& row : result.rows)
        values.push_back(row.at(static_cast<size_t>(found - result.columns.begin())).AsString());
    return values;
}

bool Contains(const std::vector<std::string>& values, std::string_view value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

class OdbcConnectionTest : public testing::TestWithParam<Server> {
protected:
    TestDatabase database{GetParam()};
    bool Sqlite() const { return GetParam() == Server::SQLite; }
};

TEST_P(OdbcConnectionTest, ReadOnlyConnectionsRefuseChanges)
{
    database.Client("CREATE TABLE shelf(id INTEGER); INSERT INTO shelf VALUES(1)");
    const auto connection = database.Connect({.loginTimeout = 5, .readOnly = true});
    EXPECT_EQ(connection->Execute("SELECT id FROM shelf").rows.size(), 1u);
    EXPECT_THROW(connection->Execute("INSERT INTO shelf VALUES(2)"), EOleException);
    EXPECT_EQ(database.Client("SELECT count(*) FROM shelf"), "1");
}

TEST_P(OdbcConnectionTest, TransactionsNestAsSavepoints)
{
    database.Client("CREATE TABLE shelf(id INTEGER)");
    auto connection = database.Connect();
    EXPECT_EQ(RaisedMessage<EOleException>([&] { connection->Commit(); }), "No transaction is active.");
    EXPECT_EQ(connection->TransactionLevel(), 0);

    EXPECT_EQ(connection->Begin(), 1);
    connection->Execute("INSERT INTO shelf VALUES(1)");
    EXPECT_EQ(connection->Begin(), 2);
    connection->Execute("INSERT INTO shelf VALUES(2)");
    connection->Commit();
    EXPECT_EQ(connection->TransactionLevel(), 1);
    connection->Rollback();
    EXPECT_EQ(connection->TransactionLevel(), 0);
    EXPECT_EQ(database.Client("SELECT count(*) FROM shelf"), "0") << "an inner commit under an outer rollback";

    connection->Begin();
    connection->Execute("INSERT INTO shelf VALUES(3)");
    connection->Begin();
    connection->Execute("INSERT INTO shelf VALUES(4)");
    connection->Rollback();
    connection->Commit();
    EXPECT_EQ(database.Client("SELECT id FROM shelf"), "3");

    // Closing rolls back what is still open.
    connection->Begin();
    connection->Execute("INSERT INTO shelf VALUES(5)");
    connection.reset();
    EXPECT_EQ(database.Client("SELECT count(*) FROM shelf"), "1");
}

TEST_P(OdbcConnectionTest, IsolationCatalogAndRowLimits)
{
    database.Client("CREATE TABLE shelf(id INTEGER); INSERT INTO shelf VALUES(1); INSERT INTO shelf VALUES(2)");
    const auto connection = database.Connect({.isolation = adXactRepeatableRead});
    // A level the driver lacks becomes a stricter one (SQLite offers only serializable).
    EXPECT_GE(connection->Isolation(), adXactRepeatableRead);
    connection->SetIsolation(adXactSerializable);
    EXPECT_EQ(connection->Isolation(), adXactSerializable);
    EXPECT_EQ(connection->Execute("SELECT id FROM shelf", {}, {.maxRows = 1}).rows.size(), 1u);
    EXPECT_EQ(connection->Execute("SELECT id FROM shelf WHERE id > ?", {Variant::Integer(1)}).rows.size(), 1u);
    if (!Sqlite()) {
        EXPECT_EQ(connection->CurrentCatalog(), "shop");
    }
}

TEST_P(OdbcConnectionTest, SchemaRowsetsDescribeTablesIndexesAndKeys)
{
    database.Client("CREATE TABLE shelf(id INTEGER PRIMARY KEY, a INTEGER, b VARCHAR(20), c TEXT NOT NULL);"
                    "CREATE UNIQUE INDEX shelf_ab ON shelf(a, b);"
                    "CREATE VIEW shelf_view AS SELECT a FROM shelf");
    if (!Sqlite())
        database.Client("CREATE FUNCTION add_one(x INTEGER, OUT y INTEGER) AS 'SELECT x + 1' LANGUAGE SQL");
    const auto connection = database.Connect();

    const OdbcResult tables =
        connection->Schema(OdbcSchema::Tables, {Variant(), Variant(), Variant::FromString("shelf")});
    EXPECT_EQ(Column(tables, "TABLE_NAME"), std::vector<std::string>{"shelf"});
    EXPECT_EQ(Column(tables, "TABLE_TYPE"), std::vector<std::string>{"TABLE"});
    const OdbcResult views = connection->Schema(
        OdbcSchema::Tables, {Variant(), Variant(), Variant::FromString("shelf_view"), Variant::FromString("VIEW")});
    EXPECT_EQ(Column(views, "TABLE_TYPE"), std::vector<std::string>{"VIEW"});

    const std::vector<Variant> shelf = {Variant(), Variant(), Variant(), Variant(), Variant::FromString("shelf")};
    const OdbcResult indexes = connection->Schema(OdbcSchema::Indexes, shelf);
    const auto names = Column(indexes, "INDEX_NAME");
    const auto primary = Column(indexes, "PRIMARY_KEY");
    const auto unique = Column(indexes, "UNIQUE");
    const auto ordinals = Column(indexes, "ORDINAL_POSITION");
    const auto columns = Column(indexes, "COLUMN_NAME");
    std::vector<std::string> ab;
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == "shelf_ab") {
            ab.push_back(ordinals[i] + ":" + columns[i] + ":" + primary[i] + ":" + unique[i]);
        } else {
            EXPECT_EQ(columns[i], "id") << names[i];
            EXPECT_EQ(primary[i], "True") << names[i];
        }
    }
    std::sort(ab.begin(), ab.end());
    EXPECT_EQ(ab, (std::vector<std::string>{"1:a:False:True", "2:b:False:True"}));
    EXPECT_EQ(names.size(), 3u);

    const OdbcResult keys =
        connection->Schema(OdbcSchema::PrimaryKeys, {Variant(), Variant(), Variant::FromString("shelf")});
    EXPECT_EQ(Column(keys, "COLUMN_NAME"), std::vector<std::string>{"id"});
    EXPECT_EQ(Column(keys, "ORDINAL"), std::vector<std::string>{"1"});

    const auto markers = connection->DescribeParameters("SELECT * FROM shelf WHERE a = ? AND b = ?");
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0].name, "Param1");
    EXPECT_EQ(markers[1].name, "Param2");
    EXPECT_EQ(markers[1].direction, adParamInput);
    if (Sqlite())
        return;
    EXPECT_EQ(markers[0].type, adInteger);
    const OdbcResult procedures =
        connection->Schema(OdbcSchema::Procedures, {Variant(), Variant(), Variant::FromString("add_one")});
    EXPECT_EQ(Column(procedures, "PROCEDURE_NAME"), std::vector<std::string>{"add_one"});
    EXPECT_EQ(Column(procedures, "PROCEDURE_TYPE"), std::vector<std::string>{"3"}) << "a function";
    const auto parameters = connection->ProcedureParameters("add_one");
    ASSERT_EQ(parameters.size(), 2u);
    EXPECT_EQ(parameters[0].name, "x");
    EXPECT_EQ(parameters[0].direction, adParamInput);
    EXPECT_EQ(parameters[0].type, adInteger);
    EXPECT_EQ(parameters[1].name, "y");
    EXPECT_EQ(parameters[1].direction, adParamOutput);
}

// Names from stored files reach SQL only through the naming rule.
TEST_P(OdbcConnectionTest, TableNamesAreQuotedNotExecuted)
{
    database.Client("CREATE TABLE \"My Products\"(part TEXT); INSERT INTO \"My Products\" VALUES('4006381333931');"
                    "CREATE TABLE Products(part TEXT); INSERT INTO Products VALUES('1')");
    const auto connection = database.Connect();
    const std::string quote = connection->IdentifierQuote();
    EXPECT_EQ(quote, "\"");
    for (const char* name : {"My Products", "[My Products]"}) {
        const OdbcResult result = connection->Execute("SELECT * FROM " + SqlTableName(name, quote));
        ASSERT_EQ(result.rows.size(), 1u) << name;
        EXPECT_EQ(result.rows[0][0].AsString(), "4006381333931");
    }
    const std::string hostile = "SELECT * FROM " + SqlTableName("Products;DROP TABLE Products", quote);
    const std::string message = RaisedMessage<EOleException>([&] { connection->Execute(hostile); });
    EXPECT_NE(message.find(Sqlite() ? "no such table" : "does not exist"), std::string::npos) << message;
    EXPECT_EQ(database.Client("SELECT count(*) FROM Products"), "1");
}

INSTANTIATE_TEST_SUITE_P(Servers, OdbcConnectionTest, testing::Values(Server::SQLite, Server::PostgreSQL),
                         [](const auto& info) { return ServerName(info.param); });

// A stored string reaches the database through the whole road: translation, braces, the SQLite
// URI; a database that is not there is never made.
TEST(OdbcConnecting, StoredStringsOpenTheirDatabaseAndNothingElse)
{
    TestDatabase database(Server::SQLite);
    const std::string folder = database.Folder().File("a;b");
    std::filesystem::create_directory(folder);
    RunCommand("sqlite3 " + ShellQuoted(folder + "/shop.db") + " 'CREATE TABLE t(x); INSERT INTO t VALUES(7)'");

    const auto direct = Odbc().Connect("Driver=SQLite3;Database={" + folder + "/shop.db}", "", "");
    EXPECT_EQ(direct->Execute("SELECT x FROM t").rows.at(0).at(0).AsString(), "7");
    const std::string stored = "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"Driver=SQLite3;"
                               "Database={" +
                               folder + "/shop.db}\"";
    const auto translated = Odbc().Connect(OdbcStringOf(stored), "", "");
    EXPECT_EQ(translated->Execute("SELECT x FROM t").rows.size(), 1u);

    const std::string missing = folder + "/moved.db";
    EXPECT_THROW(Odbc().Connect("Driver=SQLite3;Database=" + missing, "", ""), EOleException);
    EXPECT_THROW(Odbc().Connect("Driver=SQLite3;Database={" + missing + "}", "", ""), EOleException);
    // The driver reads only a string's start and the first of duplicate keys: the program's NoCreat
    // comes first, for a data source of the driver too, and what the driver manager cannot take whole
    // is refused.
    const std::string gone = "Driver=SQLite3;Database=" + database.Folder().File("gone.db") + ";UID=";
    EXPECT_THROW(Odbc().Connect(gone + std::string(5000, 'u') + ";NoCreat=1", "", ""), EOleException);
    EXPECT_THROW(Odbc().Connect("DSN=KestrameShop;Database=" + database.Folder().File("gone.db"), "", ""),
                 EOleException);
    for (size_t size : {32768, 65537})
        EXPECT_EQ(RaisedMessage<EConnectionStringRefused>([&] { Odbc().Connect(gone + std::string(size, 'u'), "", ""); }),
                  "The connection string is too long: a data link's connection string may hold at most 32,767 bytes.");
    EXPECT_FALSE(std::filesystem::exists(database.Folder().File("gone.db")));
}

// What a key inside braces or quotes is refused with: it may be part of a password.
constexpr const char* Hidden = "(hidden)";

std::string RefusedKeyMessage(std::string_view key)
{
    const std::string what = key == Hidden ? "a key inside a value in braces or quotes" : "\"" + std::string(key) + "\"";
    return "The connection string may not hold " + what +
           ": only the keys that reach the data (such as the database, server, port, user and password) are "
           "passed to the ODBC driver.";
}

// Every way a stored or typed string could name a library for the driver manager or the SQLite
// driver to load: each is refused naming what it holds, and the library never loads.
TEST(OdbcConnecting, NoStringLoadsALibraryItNames)
{
    TestDatabase database(Server::SQLite);
    database.Client("PRAGMA user_version=1");
    const std::string library = KESTRAME_MARKER_LIBRARY;
    const std::string marker = database.Folder().File("loaded");
    setenv("KESTRAME_MARKER_FILE", marker.c_str(), 1);
    const std::string sqlite = "Driver=SQLite3;Database=" + database.SqliteFile();
    const std::string fileDsn = database.Folder().File("link.dsn");
    WriteWholeFile(fileDsn, "[ODBC]\nDriver=" + library + "\n");
    const std::string notInstalled =
        "The ODBC driver \"" + library + "\" is not installed; the connection string must name an installed driver.";
    const auto refusedKey = RefusedKeyMessage;
    struct Case {
        std::string odbc;
        std::string password;
        std::string message;
    };
    const Case cases[] = {
        {"Driver=" + library + ";Database=" + database.SqliteFile(), "", notInstalled},
        {"Driver={" + library + "};Database=" + database.SqliteFile(), "", notInstalled},
        {OdbcStringOf("Provider=MSDASQL.1;Extended Properties=\"Driver={" + library +
                      "};Database=" + database.SqliteFile() + "\""),
         "", notInstalled},
        {sqlite + ";Description={a;Driver=" + library + "}", "", refusedKey(Hidden)},
        {sqlite + ";PWD=\"a;Driver=" + library + "\"", "", refusedKey(Hidden)},
        {sqlite + ";LoadExt=" + library, "", refusedKey("LoadExt")},
        {sqlite + ";PWD={a;loadext=" + library + "}", "", refusedKey(Hidden)},
        {OdbcStringOf("Provider=MSDASQL.1;Extended Properties=\"" + sqlite + ";Load Ext=" + library + "\""), "",
         refusedKey("Load Ext")},
        {sqlite, "secret;LoadExt=" + library, refusedKey(Hidden)},
        {"FILEDSN=" + fileDsn, "", refusedKey("FILEDSN")},
        {sqlite + ";SaveFile=" + database.Folder().File("saved.dsn"), "", refusedKey("SaveFile")},
    };
    for (const auto& entry : cases) {
        EXPECT_EQ(RaisedMessage<EOleException>([&] { Odbc().Connect(entry.odbc, "", entry.password); }), entry.message)
            << entry.odbc;
        EXPECT_FALSE(std::filesystem::exists(marker)) << entry.odbc;
    }
    EXPECT_FALSE(std::filesystem::exists(database.Folder().File("saved.dsn")));
    const auto connection = Odbc().Connect("driver={sqlite3};Database=" + database.SqliteFile(), "", "");
    EXPECT_EQ(connection->DbmsName(), "SQLite");

    // The connection as the program leaves it: what reaches outside the database is refused, however
    // a statement calls it.
    const std::string written = database.Folder().File("written");
    const auto turnedOff = [](const std::string& function, const std::string& reach) {
        return "[SQLite]" + function + "() is turned off: a data link's database may not " + reach + ". (1)";
    };
    const struct {
        std::string sql;
        std::string message;
    } statements[] = {
        {"SELECT load_extension('" + library + "')", turnedOff("load_extension", "load a library")},
        {"SELECT load_extension('" + library + "', 'sqlite3_extension_init')",
         turnedOff("load_extension", "load a library")},
        {"SELECT blob_export(x'41', '" + written + "')", turnedOff("blob_export", "write other files")},
        {"SELECT blob_import('" + database.SqliteFile() + "')", turnedOff("blob_import", "read other files")},
        {"SELECT fts3_tokenizer('simple')", turnedOff("fts3_tokenizer", "reach the program's code")},
        {"ATTACH '" + database.SqliteFile() + "' AS other", "[SQLite]too many attached databases - max 0 (1)"},
        {"SELECT 'a' LIKE '" + std::string(256, '%') + "'", "[SQLite]LIKE or GLOB pattern too complex (1)"},
    };
    for (const auto& entry : statements)
        EXPECT_EQ(RaisedMessage<EOleException>([&] { connection->Execute(entry.sql); }), entry.message) << entry.sql;
    EXPECT_FALSE(std::filesystem::exists(marker));
    EXPECT_FALSE(std::filesystem::exists(written));
    // A connection the fence cannot reach opens nothing.
    EXPECT_EQ(RaisedMessage<EDataLinkRefused>([] { FenceSqliteDatabase(nullptr); }),
              "This SQLite library cannot keep a database from loading libraries and reaching other files, so the "
              "database is not opened.");

    // The library does leave its trace when something loads it.
    void* handle = dlopen(library.c_str(), RTLD_NOW);
    ASSERT_NE(handle, nullptr);
    dlclose(handle);
    EXPECT_TRUE(std::filesystem::exists(marker));
}

// Each driver is given only the keys a data link needs, whether they stand alone, in braces or in
// quotes; a data source counts as its driver, and a driver the program does not know gets the
// common keys alone. What passes really connects; what is refused leaves no file behind.
TEST(OdbcConnecting, OnlyTheKeysADataLinkNeedsReachTheDriver)
{
    TestDatabase sqlite(Server::SQLite);
    TestDatabase postgres(Server::PostgreSQL);
    sqlite.Client("PRAGMA user_version=1");
    const std::string trace = sqlite.Folder().File("trace.sql");
    const std::string odbcIni = getenv("ODBCINI");
    const std::string base[] = {sqlite.ConnectionString(), postgres.ConnectionString(),
                                "Driver=Other Driver;Database=" + sqlite.SqliteFile(), "DSN=KestrameShop",
                                "DSN=KestrameLogged"};
    const struct {
        int base;
        std::string more;
        std::string refused; // the key named, or empty when the string connects
        bool movesDataSource = false;
    } cases[] = {
        {0, "Timeout=2000;StepAPI=1;SyncPragma=NORMAL;NoTXN=0;LongNames=1;NoWCHAR=0;FKSupport=1;JDConv=0", ""},
        {0, "TraceFile=" + trace, "TraceFile"},
        {0, "PWD={x;TraceFile=" + trace + "}", Hidden},
        {0, "PWD=\"x;trace file=" + trace + "\"", Hidden},
        {0, "NoCreat=0", "NoCreat"},
        {0, "NoCreat=1", ""},
        {0, "DMEnvAttr=SQL_ATTR_UNIXODBC_ENVATTR={ODBCINI=" + trace + "}", "DMEnvAttr"},
        {0, "DMConnAttr=[1041]=1", "DMConnAttr"},
        {0, "DMStmtAttr=[0]=\\1", "DMStmtAttr"},
        {0, "JournalMode=WAL", "JournalMode"},
        {0, "Server=127.0.0.1;Port=1;UID=a", ""},
        {1,
         "SSLmode=disable;ReadOnly=0;UseDeclareFetch=0;Fetch=100;TextAsLongVarchar=1;MaxVarcharSize=255;"
         "KeepaliveTime=60;Username=kestrame",
         ""},
        {1, "SSLmode=require;pqopt={sslkey=" + trace + ":key}", "pqopt"},
        {1, "sslkey=" + trace, "sslkey"},
        {1, "ConnSettings=DROP TABLE shelf", "ConnSettings"},
        {1, "CommLog=1;Logdir=" + sqlite.Folder().Path(), "CommLog"},
        {1, "TraceFile=" + trace, "TraceFile"},
        {1, "Password={x;y}", ""},
        {1, "Password={x;TraceFile=" + trace + "}", Hidden},
        {2, "", ""},
        {2, "Timeout=2000", "Timeout"},
        {3, "Timeout=2000;BigInt=1", ""},
        {3, "TraceFile=" + trace, "TraceFile"},
        {3, "Driver=PostgreSQL Unicode;BoolsAsChar=0", "BoolsAsChar"},
        {3, "Server=127.0.0.1", "Server", true},
        {4, "", ""},
        {4, "Servername=127.0.0.1;Port=1", "Servername", true},
        {4, "port = 1", "port", true},
        {4, "Host=127.0.0.1", "Host", true},
        {4, "Password={x;Server=127.0.0.1}", Hidden},
        {1, "DSN=KestrameLogged", "Server", true},
    };
    for (const auto& c : cases) {
        const std::string odbc = base[c.base] + (c.more.empty() ? "" : ";" + c.more);
        SCOPED_TRACE(odbc);
        if (c.refused.empty())
            EXPECT_FALSE(Odbc().Connect(OdbcStringOf(odbc), "", "")->DbmsName().empty());
        else
            EXPECT_EQ(RaisedMessage<EConnectionStringRefused>([&] { Odbc().Connect(OdbcStringOf(odbc), "", ""); }),
                      c.movesDataSource ? "The connection string may not hold \"" + c.refused +
                                              "\" beside a data source (DSN): a data link may not move the user's "
                                              "data source to another server."
                                        : RefusedKeyMessage(c.refused));
        EXPECT_FALSE(std::filesystem::exists(trace));
    }
    EXPECT_EQ(std::string(getenv("ODBCINI")), odbcIni);
}

TEST(OdbcConnecting, ClosedPortFailsWithinTheLoginTimeout)
{
    UsePrivateOdbcIni();
    const auto start = std::chrono::steady_clock::now();
    const std::string odbc = "Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=" + std::to_string(ClosedPort()) +
                             ";Database=shop;Uid=kestrame";
    try {
        Odbc().Connect(odbc, "", "", {.loginTimeout = 3});
        ADD_FAILURE() << "connected to a closed port";
    } catch (const EOleException& error) {
        EXPECT_FALSE(error.SqlState().empty());
        EXPECT_FALSE(error.Message().empty());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

// A server that lets the client in and answers nothing, the driver's own first queries neither, is
// given up at the login timeout; a read it never answers is cut off at the command timeout, and the
// connection then refuses every later call, since its driver's connection is of no further use.
TEST(OdbcConnecting, ServersThatDoNotAnswerAreGivenUpAtTheirBounds)
{
    UsePrivateOdbcIni();
    const PostgresStandIn mute("mute"), silent("silent");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RaisedMessage<EReadRefused>([&] { Odbc().Connect(mute.ConnectionString(), "", "", {.loginTimeout = 2}); }),
              "The database did not answer within the login timeout of 2 seconds, so the connection was given up.");
    const auto connection = Odbc().Connect(silent.ConnectionString(), "", "", {.loginTimeout = 2});
    EXPECT_EQ(RaisedMessage<EReadRefused>([&] { connection->Execute("SELECT * FROM goods", {}, {.timeout = 2}); }),
              "The database did not answer within the command timeout of 2 seconds, so the read was cancelled.");
    EXPECT_EQ(RaisedMessage<EReadRefused>([&] { connection->Execute("SET search_path TO shop", {}, {}); }),
              "The connection to the database was given up when a read did not end in time or took too much memory; "
              "open the data link again.");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(OdbcConnecting, DataSourcesAndDriversForTheDataLinkDialog)
{
    UsePrivateOdbcIni();
    std::vector<std::string> sources, drivers;
    for (const auto& source : Odbc().DataSources())
        sources.push_back(source.name + "=" + source.description);
    for (const auto& driver : Odbc().Drivers())
        drivers.push_back(driver.name);
    EXPECT_EQ(sources, (std::vector<std::string>{"KestrameShop=SQLite3", "KestrameLogged=PostgreSQL Unicode"}));
    EXPECT_TRUE(Contains(drivers, "SQLite3"));
    EXPECT_TRUE(Contains(drivers, "PostgreSQL Unicode"));
}

} // namespace
