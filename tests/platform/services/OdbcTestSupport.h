#pragma once

#include "platform/services/OdbcBackend.h"

#include "TestSupport.h"

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class QProcess;

// The two servers every database test runs on: SQLite through libsqliteodbc, in a file of its own,
// and the fixture's PostgreSQL through psqlODBC, in a schema of its own, so that tests running side
// by side never meet.
enum class Server { SQLite, PostgreSQL };
std::string ServerName(Server server);

// Registers "SQLite3", "PostgreSQL Unicode" and "Other Driver" in a private odbcinst.ini and the
// data sources "KestrameShop" (SQLite) and "KestrameLogged" (the fixture's PostgreSQL server, where
// it runs, with a stored password "stored secret" and settings turning on psqlODBC's logs) in a
// private odbc.ini (ODBCSYSINI, ODBCINI), once per process; the machine's own files are never read.
void UsePrivateOdbcIni();
// The folder psqlODBC writes its logs into, by the private odbcinst.ini.
std::string PostgresLogFolder();

// The fixture server's port; raises when the fixture did not run.
std::string PostgresPort();

class TestDatabase {
public:
    explicit TestDatabase(Server server);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    Server Kind() const { return server_; }
    std::string ConnectionString() const;
    std::unique_ptr<OdbcConnection> Connect(const OdbcConnectOptions& options = {}) const;
    // Runs SQL (UTF-8) through the server's own client (sqlite3, psql -At): its output without the
    // final line break. A failing command fails the test.
    std::string Client(std::string_view sql) const;
    const TemporaryFolder& Folder() const { return folder_; }
    std::string SqliteFile() const { return folder_.File("shop.db"); }

private:
    Server server_;
    TemporaryFolder folder_;
    std::string schema_;
};

// Definitions of a SQLite test database that call the SQLite driver's blob_export() and
// blob_import(), which the sqlite3 client, lacking them, would not make: `sql` is run with max() and
// hex() in their place, spelt `exportName` and `importName` in the stored definitions afterwards.
void DefineWithFileFunctions(const TestDatabase& database, const std::string& sql,
                             const std::string& exportName = "blob_export",
                             const std::string& importName = "blob_import");
// The definitions of a full-text table whose compress and uncompress name load_extension(), its first
// column holding `library`: made with trim() in their place, as the sqlite3 client would load it.
std::string FullTextLoading(const std::string& table, const std::string& columns, const std::string& library);
// For DefineWithFileFunctions, an expression that writes `written` and copies `secret` to `copied`.
std::string FileFunctionsLeak(const std::string& written, const std::string& secret, const std::string& copied);

// A stranger's PostgreSQL server (fixtures/PostgresStandIn.py) on 127.0.0.1. In the mode "password"
// it asks every client for its password in clear text and notes what it was given; in "mute",
// "silent", "trickle" and "endless" it lets every client in and then answers nothing, not the
// client's first query, that one a byte at a time, or with rows without end.
class PostgresStandIn {
public:
    explicit PostgresStandIn(const std::string& mode = "password");
    // A connection string of the PostgreSQL driver to the server.
    std::string ConnectionString() const;
    ~PostgresStandIn();
    PostgresStandIn(const PostgresStandIn&) = delete;
    PostgresStandIn& operator=(const PostgresStandIn&) = delete;

    const std::string& Port() const { return port_; }
    // "password <text>" or "no password", one for each connection, once `count` have ended (or
    // what there is after a generous wait).
    std::vector<std::string> Answers(size_t count) const;

private:
    TemporaryFolder folder_;
    std::unique_ptr<QProcess> process_;
    std::string port_;
};

// The passwords a user may keep for libpq while it lives: "secret" for every server in the ~/.pgpass
// of a HOME of its own, "variable secret" in PGPASSWORD, "service secret" in the service PGSERVICE
// names.
class StoredPostgresPasswords {
public:
    StoredPostgresPasswords();
    ~StoredPostgresPasswords();
    StoredPostgresPasswords(const StoredPostgresPasswords&) = delete;
    StoredPostgresPasswords& operator=(const StoredPostgresPasswords&) = delete;

private:
    TemporaryFolder home_;
    std::string previousHome_;
};

// Single-quotes a text for the shell.
std::string ShellQuoted(std::string_view text);

// Names the server in test listings.
inline void PrintTo(Server server, std::ostream* out) { *out << ServerName(server); }
