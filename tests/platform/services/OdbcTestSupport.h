#pragma once

#include "platform/services/OdbcBackend.h"

#include "TestSupport.h"

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

// The two servers every database test runs on: SQLite through libsqliteodbc, in a file of its own,
// and the fixture's PostgreSQL through psqlODBC, in a schema of its own, so that tests running side
// by side never meet.
enum class Server { SQLite, PostgreSQL };
std::string ServerName(Server server);

// Registers "SQLite3", "PostgreSQL Unicode" and "Other Driver" in a private odbcinst.ini and the
// data source "KestrameShop" in a private odbc.ini (ODBCSYSINI, ODBCINI), once per process; the
// machine's own files are never read.
void UsePrivateOdbcIni();

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

// Single-quotes a text for the shell.
std::string ShellQuoted(std::string_view text);

// Names the server in test listings.
inline void PrintTo(Server server, std::ostream* out) { *out << ServerName(server); }
