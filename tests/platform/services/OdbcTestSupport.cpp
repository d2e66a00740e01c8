#include "OdbcTestSupport.h"

#include "platform/core/CodePage.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

// A driver's library where Debian puts it (/usr/lib/<architecture>/odbc).
std::string DriverLibrary(const std::string& name)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib", error)) {
        const auto candidate = entry.path() / "odbc" / name;
        if (std::filesystem::exists(candidate))
            return candidate.string();
    }
    throw std::runtime_error("the ODBC driver " + name + " is missing (scripts/setup.sh installs it)");
}

std::string PostgresConnection(const std::string& port)
{
    return "host=127.0.0.1 port=" + port + " user=kestrame dbname=shop";
}

// The fixture server's port, empty where the fixture did not run.
std::string FixturePort()
{
    std::ifstream state(KESTRAME_POSTGRES_STATE);
    std::string port;
    std::getline(state, port);
    return port;
}

std::string RunClient(const std::string& command)
{
    int status = 0;
    std::string output = RunCommand(command + " 2>&1", &status);
    if (status != 0)
        throw std::runtime_error(command + " failed: " + output);
    if (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

} // namespace

// psqlODBC never frees some of what its catalog functions allocate. The leak checker of the
// sanitizer build asks for this list; it names the drivers' libraries only, so a leak of ours still
// fails.
extern "C" const char* __lsan_default_suppressions() { return "leak:psqlodbcw.so\nleak:libsqlite3odbc\n"; }
// The drivers are built without frame pointers: the quick unwinder stops inside them, and a stack
// that does not reach their library cannot be matched against the list above.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

std::string ServerName(Server server) { return server == Server::SQLite ? "SQLite" : "PostgreSQL"; }

std::string ShellQuoted(std::string_view text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

const TemporaryFolder& PrivateOdbcFolder()
{
    static const TemporaryFolder folder;
    return folder;
}

std::string PostgresLogFolder() { return PrivateOdbcFolder().File("logs"); }

void UsePrivateOdbcIni()
{
    static const bool written = [] {
        const TemporaryFolder& folder = PrivateOdbcFolder();
        // "Other Driver" is SQLite's driver under a library name the program does not know.
        std::filesystem::create_symlink(DriverLibrary("libsqlite3odbc.so"), folder.File("libotherodbc.so"));
        std::filesystem::create_directory(PostgresLogFolder());
        std::ofstream(folder.File("odbcinst.ini"))
            << "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=" << DriverLibrary("libsqlite3odbc.so")
            << "\n\n[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver "
               "(Unicode version)\nDriver="
            << DriverLibrary("psqlodbcw.so") << "\nLogdir=" << PostgresLogFolder()
            << "\n\n[Other Driver]\nDriver=" << folder.File("libotherodbc.so") << "\n";
        std::ofstream(folder.File("odbc.ini")) << "";
        // The data source's database is there already: a link may not create one.
        std::ofstream(folder.File("shop.db")) << "";
        std::ofstream(folder.File("user-odbc.ini"))
            << "[KestrameShop]\nDescription=The shop of the tests\nDriver=SQLite3\nDatabase=" << folder.File("shop.db")
            << "\n\n[KestrameLogged]\nDriver=PostgreSQL Unicode\nCommLog=1\nDebug=1\nServername=127.0.0.1\nPort="
            << FixturePort() << "\nDatabase=shop\nUsername=kestrame\nPassword=stored secret\n";
        setenv("ODBCSYSINI", folder.Path().c_str(), 1);
        setenv("ODBCINI", folder.File("user-odbc.ini").c_str(), 1);
        return true;
    }();
    (void)written;
}

void DefineWithFileFunctions(const TestDatabase& database, const std::string& sql, const std::string& exportName,
                             const std::string& importName)
{
    database.Client(sql + ";PRAGMA writable_schema=ON; UPDATE sqlite_master SET sql = replace(replace(sql, 'max(', '" +
                    exportName + "('), 'hex(', '" + importName +
                    "(') WHERE sql IS NOT NULL; PRAGMA writable_schema=OFF;");
}

std::string FullTextLoading(const std::string& table, const std::string& columns, const std::string& library)
{
    const std::string first = columns.substr(0, columns.find(','));
    return "CREATE VIRTUAL TABLE " + table + " USING fts4(" + columns + ", compress=trim, uncompress=trim);" +
           "INSERT INTO " + table + "(" + first + ") VALUES('" + library + "'); PRAGMA writable_schema=ON;" +
           "UPDATE sqlite_master SET sql = replace(sql, '=trim', '=load_extension') WHERE name = '" + table + "';";
}

std::string FileFunctionsLeak(const std::string& written, const std::string& secret, const std::string& copied)
{
    return "max(x'41', '" + written + "') + max(hex('" + secret + "'), '" + copied + "')";
}

PostgresStandIn::PostgresStandIn(const std::string& mode) : process_(std::make_unique<QProcess>())
{
    const std::string portFile = folder_.File("port");
    process_->start("/usr/bin/python3", {KESTRAME_POSTGRES_STAND_IN, QString::fromStdString(portFile),
                                         QString::fromStdString(folder_.File("answers")),
                                         QString::fromStdString(mode)});
    if (!process_->waitForStarted(30000))
        throw std::runtime_error("the stand-in PostgreSQL server did not start");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(portFile) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    port_ = ReadWholeFile(portFile);
}

PostgresStandIn::~PostgresStandIn()
{
    process_->kill();
    process_->waitForFinished(30000);
}

std::string PostgresStandIn::ConnectionString() const
{
    return "Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=" + port_ + ";Database=shop;UID=clerk;PWD=x";
}

std::vector<std::string> PostgresStandIn::Answers(size_t count) const
{
    const auto read = [this] {
        std::vector<std::string> answers;
        std::istringstream lines(
            std::filesystem::exists(folder_.File("answers")) ? ReadWholeFile(folder_.File("answers")) : std::string());
        for (std::string line; std::getline(lines, line);)
            answers.push_back(line);
        return answers;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (read().size() < count && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return read();
}

StoredPostgresPasswords::StoredPostgresPasswords() : previousHome_(getenv("HOME") ? getenv("HOME") : "/")
{
    const std::string passwords = home_.File(".pgpass");
    WriteWholeFile(passwords, "*:*:*:*:secret\n");
    // libpq reads no password file others may read.
    std::filesystem::permissions(passwords, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    WriteWholeFile(home_.File("services"), "[mine]\npassword=service secret\n");
    setenv("HOME", home_.Path().c_str(), 1);
    setenv("PGPASSWORD", "variable secret", 1);
    setenv("PGSERVICEFILE", home_.File("services").c_str(), 1);
    setenv("PGSERVICE", "mine", 1);
}

StoredPostgresPasswords::~StoredPostgresPasswords()
{
    setenv("HOME", previousHome_.c_str(), 1);
    for (const char* name : {"PGPASSWORD", "PGSERVICEFILE", "PGSERVICE"})
        unsetenv(name);
}

std::string PostgresPort()
{
    const std::string port = FixturePort();
    if (port.empty())
        throw std::runtime_error("the PostgreSQL fixture did not run: " + std::string(KESTRAME_POSTGRES_STATE) +
                                 " is missing");
    return port;
}

TestDatabase::TestDatabase(Server server) : server_(server)
{
    UsePrivateOdbcIni();
    if (server_ == Server::PostgreSQL) {
        schema_ = "test_" + std::to_string(getpid());
        // The drivers' connections find the schema's tables through libpq's environment: a data
        // link may not run statements of its own when it connects.
        setenv("PGOPTIONS", ("-c search_path=" + schema_).c_str(), 1);
        RunClient("psql " + ShellQuoted(PostgresConnection(PostgresPort())) + " -At -c " +
                  ShellQuoted("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_));
    }
}

TestDatabase::~TestDatabase()
{
    if (server_ == Server::PostgreSQL) {
        try {
            RunClient("psql " + ShellQuoted(PostgresConnection(PostgresPort())) + " -At -c " +
                      ShellQuoted("DROP SCHEMA " + schema_ + " CASCADE"));
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
        }
    }
}

std::string TestDatabase::ConnectionString() const
{
    if (server_ == Server::SQLite)
        return "Driver=SQLite3;Database=" + SqliteFile();
    return "Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=" + PostgresPort() + ";Database=shop;Uid=kestrame";
}

std::unique_ptr<OdbcConnection> TestDatabase::Connect(const OdbcConnectOptions& options) const
{
    // A SQLite database is made by its client: the backend never creates files.
    if (server_ == Server::SQLite && !std::filesystem::exists(SqliteFile()))
        Client("PRAGMA user_version=1");
    return Odbc().Connect(ConnectionString(), "", "", options);
}

// The statement goes through a file: a single argument may not exceed 128 KB.
std::string TestDatabase::Client(std::string_view sql) const
{
    const std::string script = folder_.File("client.sql");
    WriteWholeFile(script, sql);
    if (server_ == Server::SQLite)
        return RunClient("sqlite3 -batch -bail " + ShellQuoted(SqliteFile()) + " < " + ShellQuoted(script));
    return RunClient("PGOPTIONS=" + ShellQuoted("-c search_path=" + schema_) + " psql " +
                     ShellQuoted(PostgresConnection(PostgresPort())) + " -v ON_ERROR_STOP=1 -At -f " +
                     ShellQuoted(script));
}
