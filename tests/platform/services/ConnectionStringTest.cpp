#include "platform/services/ConnectionString.h"
#include "platform/core/Exceptions.h"
#include "platform/services/SqlNames.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

TEST(ConnectionString, StoredStringsBecomeOdbcStrings)
{
    const struct {
        const char* stored;
        const char* odbc;
    } cases[] = {
        {"Provider=MSDASQL.1;Persist Security Info=False;Data Source=Shop", "DSN=Shop"},
        // Extended Properties first, with ODBC's braces inside; its UID keeps "User ID" out.
        {"Provider=MSDASQL.1;User ID=bert;Extended Properties=\"DSN=Shop;UID=anna;PWD={a;b}\"",
         "DSN=Shop;UID=anna;PWD={a;b}"},
        {"Provider=MSDASQL;Extended Properties='PWD={x}}y};DSN=S'", "PWD={x}}y};DSN=S"},
        // Quoted values, quotes doubled inside; the mapped keys in their order.
        {"Provider=MSDASQL.1;Initial Catalog=shop;Password='it''s';User ID=\"x y\"", "UID=x y;PWD=it's;DATABASE=shop"},
        {"Provider=MSDASQL;Password=\"a\"\"b;c\"", "PWD={a\"b;c}"},
        // Keys without regard to case or blanks; the last duplicate wins.
        {" provider = msdasql ; DATA SOURCE=One;datasource=Two", "DSN=Two"},
        // OLE DB's own keys are dropped, the driver's pass in their order.
        {"Provider=MSDASQL.1;Mode=Read;Connect Timeout=15;Prompt=4;Locale Identifier=1033;OLE DB Services=-2;"
         "Window Handle=0;Location=x;General Timeout=0;Command Timeout=5;Driver=SQLite3;Database=/tmp/a.db",
         "Driver=SQLite3;Database=/tmp/a.db"},
        // A bare ODBC string passes as it is, braces and all.
        {"Driver=SQLite3;Database={/tmp/a;b/shop.db}", "Driver=SQLite3;Database={/tmp/a;b/shop.db}"},
        {"DSN=Shop;UID=anna", "DSN=Shop;UID=anna"},
        // A driver's own "Password" keeps a string ODBC's: its braces hold the ";".
        {"Driver=PostgreSQL Unicode;Password={a;b=c}", "Driver=PostgreSQL Unicode;Password={a;b=c}"},
        {"Data Source=Shop;Password=\"a;b\"", "DSN=Shop;PWD={a;b}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OdbcStringOf(c.stored, "MSDASQL.1"), c.odbc) << c.stored;

    const char* refused = "The data provider \"%s\" is not available: only ODBC data sources can be used "
                          "(Provider=MSDASQL).";
    const auto message = [refused](const std::string& provider) {
        std::string text = refused;
        return text.replace(text.find("%s"), 2, provider);
    };
    EXPECT_EQ(RaisedMessage<EOleException>(
                  [] { OdbcStringOf("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Shop\\shop.mdb"); }),
              message("Microsoft.Jet.OLEDB.4.0"));
    EXPECT_EQ(RaisedMessage<EOleException>([] {
                  OdbcStringOf("Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=shop;Data Source=srv");
              }),
              message("SQLOLEDB.1"));
    // Without a Provider of its own, the connection's counts.
    EXPECT_EQ(RaisedMessage<EOleException>([] { OdbcStringOf("Data Source=shop.mdb", "Microsoft.Jet.OLEDB.4.0"); }),
              message("Microsoft.Jet.OLEDB.4.0"));
    EXPECT_EQ(RaisedMessage<EOleException>([] { OdbcStringOf("Provider=MSDASQL.x;DSN=Shop"); }), message("MSDASQL.x"));

    // The command timeout a link sets: whole seconds, none where it sets none; no bound, or a longer
    // one than the program's, is the program's.
    const char* badTimeout = "The command timeout of a connection string must be a whole number of seconds.";
    const struct {
        const char* stored;
        std::optional<int> seconds;
        const char* failure;
    } timeouts[] = {
        {"Provider=MSDASQL.1;Command Timeout= 2 ;Extended Properties=\"Driver=SQLite3\"", 2, "nothing raised"},
        {"Provider=MSDASQL.1;Command Timeout=0;DSN=Shop", 120, "nothing raised"},
        {"Provider=MSDASQL.1;Command Timeout=86400;DSN=Shop", 120, "nothing raised"},
        {"Provider=MSDASQL.1;Command Timeout=120;DSN=Shop", 120, "nothing raised"},
        {"Provider=MSDASQL.1;Command Timeout=99999999999;DSN=Shop", 120, "nothing raised"},
        {"Provider=MSDASQL.1;DSN=Shop", std::nullopt, "nothing raised"},
        {"Driver=SQLite3;Timeout=2", std::nullopt, "nothing raised"},
        {"Provider=MSDASQL.1;Command Timeout=-1;DSN=Shop", std::nullopt, badTimeout},
        {"Provider=MSDASQL.1;Command Timeout=2.5;DSN=Shop", std::nullopt, badTimeout},
        {"Provider=MSDASQL.1;Command Timeout=;DSN=Shop", std::nullopt, badTimeout},
    };
    for (const auto& c : timeouts) {
        std::optional<int> seconds;
        EXPECT_EQ(RaisedMessage<EOleException>([&] { seconds = StoredCommandTimeout(c.stored); }), c.failure)
            << c.stored;
        EXPECT_EQ(seconds, c.seconds) << c.stored;
    }

    // So is the SQLite driver's wait for a database another program holds, in milliseconds: the
    // program's own goes where the driver takes it, first after NoCreat.
    const TOdbcInstalled installed{{{"SQLite3", OdbcDriverKind::SQLite}}, {}};
    const struct {
        const char* odbc;
        const char* guarded;
    } waits[] = {
        {"Driver=SQLite3;Timeout=2000", "NoCreat=1;Driver=SQLite3;Timeout=2000"},
        {"Driver=SQLite3;Timeout=0", "NoCreat=1;Timeout=120000;Driver=SQLite3;Timeout=0"},
        {"Driver=SQLite3;Timeout=1000000", "NoCreat=1;Timeout=120000;Driver=SQLite3;Timeout=1000000"},
        {"Driver=SQLite3;PWD={x;Timeout=0x7fffffff}",
         "NoCreat=1;Timeout=120000;Driver=SQLite3;PWD={x;Timeout=0x7fffffff}"},
    };
    for (const auto& c : waits)
        EXPECT_EQ(GuardedDriverString(c.odbc, installed), c.guarded) << c.odbc;
}

TEST(ConnectionString, DriverStringsCarryUserAndDriverSettings)
{
    const struct {
        const char* odbc;
        const char* user;
        const char* password;
        const char* driver;
    } cases[] = {
        {"DSN=Shop;UID=anna;PWD=b", "bert", "", "DSN=Shop;UID=bert;PWD=b"},
        {"DSN=Shop", "bert", "x;y}", "DSN=Shop;UID=bert;PWD={x;y}}}"},
        {"DSN=Shop;PWD={ padded };UID= anna ", "", "", "DSN=Shop;PWD={ padded };UID=anna"},
        {"Driver=PostgreSQL Unicode;Server=127.0.0.1", "", "",
         "Driver=PostgreSQL Unicode;Server=127.0.0.1;BoolsAsChar=0"},
        {"Driver={PostgreSQL Unicode};boolsaschar=1", "", "", "Driver=PostgreSQL Unicode;boolsaschar=1"},
        {"Driver=SQLite3;Database=/tmp/s.db", "", "", "NoCreat=1;Driver=SQLite3;Database=/tmp/s.db;BigInt=1"},
        {"driver={SQLite3};nocreat=0;BIGINT=0;Database=/tmp/s.db", "", "",
         "driver=SQLite3;nocreat=0;BIGINT=0;Database=/tmp/s.db"},
        {"Driver=SQLite3;Database=/tmp/s.db;nocreat=1", "", "", "NoCreat=1;Driver=SQLite3;Database=/tmp/s.db;BigInt=1"},
        // The SQLite driver reads no braces: such a path goes as a URI.
        {"Driver=SQLite3;Database={/tmp/a;b/50%?#{x}}.db}", "", "",
         "NoCreat=1;Driver=SQLite3;Database=file:/tmp/a%3Bb/50%25%3F%23%7Bx%7D.db;BigInt=1"},
        {"Driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so;Database={ /tmp/s.db}", "", "",
         "NoCreat=1;Driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so;Database=file:%20/tmp/s.db;"
         "BigInt=1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DriverConnectString(c.odbc, c.user, c.password), c.driver) << c.odbc;
}

TEST(SqlNames, NamesNeverBecomeStatements)
{
    const struct {
        const char* name;
        const char* quote;
        const char* sql;
    } cases[] = {
        {"Products", "\"", "Products"},
        {"dbo.Products", "\"", "dbo.Products"},
        {"_x1.\xe9t\xe9", "\"", "_x1.\xe9t\xe9"},
        {"[My Products]", "\"", "\"My Products\""},
        {"[dbo].[My Products]", "\"", "\"dbo\".\"My Products\""},
        {"dbo.[a]]b]", "\"", "dbo.\"a]b\""},
        {"My Products", "\"", "\"My Products\""},
        {"My Products", "`", "`My Products`"},
        {"My Products", "", "\"My Products\""},
        {"Products;DROP TABLE Products", "\"", "\"Products;DROP TABLE Products\""},
        {"a\"b", "\"", "\"a\"\"b\""},
        {"1Products", "\"", "\"1Products\""},
        {"Products.", "\"", "\"Products.\""},
        {"[Products", "\"", "\"[Products\""},
        {"[]", "\"", "\"[]\""},
        {" Products\t", "\"", "Products"},
        {" [My Products ] ", "\"", "\"My Products \""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SqlTableName(c.name, c.quote), c.sql) << c.name;
}
