#include "ado/Adocomps.h"

#include "platform/core/Exceptions.h"
#include "platform/core/StringList.h"
#include "platform/core/Termination.h"
#include "platform/core/TerminationSignals.h"
#include "platform/data/DatabaseError.h"

#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <csignal>
#include <iostream>
#include <optional>
#include <span>
#include <thread>

namespace {

std::string DatabaseFailure(const std::function<void()>& action) { return RaisedMessage<EDatabaseError>(action); }

std::vector<std::string> Strings(const TStringList& list)
{
    std::vector<std::string> strings;
    for (int i = 0; i < list.Count(); ++i)
        strings.push_back(list[i]);
    return strings;
}

// The texts of the current record's fields, as the servers' clients print a row.
std::string RowText(TDataSet& dataset, const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : "|") + dataset.FieldByName(name)->AsString();
    return text;
}

class AdoDatasetOnServer : public testing::TestWithParam<Server> {
protected:
    AdoDatasetOnServer()
    {
        connection.SetConnectionString(database.ConnectionString());
        dataset.SetName("dADODataset1");
    }

    bool OnSQLite() const { return GetParam() == Server::SQLite; }

    // Connects the way the program does and opens the text.
    void OpenText(std::string_view text)
    {
        connection.SetConnected(true);
        dataset.SetConnection(&connection);
        dataset.SetCommandText(text);
        dataset.SetActive(true);
    }

    TestDatabase database{GetParam()};
    TdADOConnection connection;
    TdADODataset dataset;
};

// The road the catalog windows take: connect, open "SELECT * FROM" a table, walk it, count it, jump
// to a record number and read every field as text, which must be what the server's own client
// prints for the same rows.
TEST_P(AdoDatasetOnServer, WalksATableAsTheServersClientPrintsIt)
{
    // SQLite keeps the 13-digit EAN in a plain INTEGER column.
    database.Client(std::string("CREATE TABLE Products(code INTEGER NOT NULL, name VARCHAR(40), ean ") +
                    (OnSQLite() ? "INTEGER" : "BIGINT") +
                    ", big BIGINT, added DATE, price NUMERIC(6,2), weight DOUBLE PRECISION, active BOOLEAN);"
                    "INSERT INTO Products VALUES(1, 'Tea, green', 4006381333931, 9007199254740993, '2024-05-01', "
                    "1.20, 1234.5678, TRUE);"
                    "INSERT INTO Products VALUES(2, 'Coffee', NULL, -9007199254740993, '1999-12-31', 0.05, "
                    "0.1, FALSE);"
                    "INSERT INTO Products VALUES(3, 'Cocoa', 5000112637922, 2147483648, NULL, NULL, NULL, NULL)");
    OpenText("SELECT * FROM Products");

    TStringList names;
    dataset.GetFieldNames(names);
    EXPECT_EQ(Strings(names),
              (std::vector<std::string>{"code", "name", "ean", "big", "added", "price", "weight", "active"}));
    EXPECT_EQ(dataset.RecordCount(), 3);
    EXPECT_EQ(dataset.FieldByName("big")->DataType(), ftLargeint);
    // PostgreSQL's driver reports NOT NULL; SQLite's reports every column as nullable.
    EXPECT_EQ(dataset.FieldByName("code")->Required(), !OnSQLite());
    EXPECT_FALSE(dataset.FieldByName("name")->Required());

    const std::vector<std::string> printed = {"code", "name", "ean", "big", "added"};
    const std::string expected = database.Client("SELECT code, name, ean, big, added FROM Products ORDER BY code");
    std::string walked;
    for (dataset.First(); !dataset.Eof(); dataset.Next())
        walked += (walked.empty() ? "" : "\n") + RowText(dataset, printed);
    EXPECT_EQ(walked, expected);

    // What the clients print otherwise ("t", "1.20", shortest doubles) stands for these texts.
    dataset.First();
    EXPECT_EQ(RowText(dataset, {"price", "weight", "active"}), "1.2|1234.5678|True");
    dataset.Next();
    EXPECT_EQ(RowText(dataset, {"price", "weight", "active"}), "0.05|0.1|False");

    // Dates are kept as time stamps; read otherwise, they come as OLE dates.
    double added = 0;
    ASSERT_TRUE(dataset.GetFieldData(dataset.FieldByName("added"), &added, false));
    EXPECT_EQ(added, EncodeOleDate({.year = 1999, .month = 12, .day = 31}));

    dataset.SetRecNo(3);
    EXPECT_EQ(dataset.RecNo(), 3);
    EXPECT_EQ(dataset.FieldByName("name")->AsString(), "Cocoa");
    EXPECT_TRUE(dataset.FieldByName("added")->IsNull()) << "a null gives no value";
    EXPECT_FALSE(dataset.FieldByName("active")->GetData(nullptr));
    EXPECT_EQ(dataset.FieldByName("big")->AsString(), "2147483648");

    dataset.Last();
    dataset.Prior();
    EXPECT_EQ(dataset.FieldByName("code")->AsInteger(), 2);
    dataset.Last();
    EXPECT_EQ(dataset.FieldByName("code")->AsInteger(), 3);

    // Sorting by two fields takes ADO's "," form and reads back as field names.
    dataset.SetIndexFieldNames("price;name");
    EXPECT_EQ(dataset.Sort(), "price,name");
    EXPECT_EQ(dataset.IndexFieldNames(), "price;name");
    EXPECT_EQ(dataset.IndexFields().size(), 2u);
    dataset.First();
    EXPECT_EQ(dataset.FieldByName("name")->AsString(), "Cocoa") << "nulls sort first";
    dataset.Last();
    EXPECT_EQ(dataset.FieldByName("name")->AsString(), "Tea, green");

    dataset.Close();
    EXPECT_FALSE(dataset.Active());
    EXPECT_EQ(dataset.FieldCount(), 0) << "default fields go with the recordset";
}

// Markers become parameters typed by what the server describes, and carry their values to it.
TEST_P(AdoDatasetOnServer, ParametersAreDescribedAndBound)
{
    database.Client("CREATE TABLE Parts(id INTEGER, label VARCHAR(20));"
                    "INSERT INTO Parts VALUES(7, 'bolt'); INSERT INTO Parts VALUES(8, 'nut')");
    connection.Open();
    dataset.SetConnection(&connection);
    dataset.SetCommandText("SELECT label FROM Parts WHERE id = :part");
    ASSERT_EQ(dataset.Parameters().Count(), 1);
    TParameter& part = dataset.Parameters().ParamByName("PART");
    EXPECT_EQ(part.Name(), "part");
    // SQLite describes every marker as a long text.
    EXPECT_EQ(part.DataType(), OnSQLite() ? ftMemo : ftInteger);
    part.SetValue(Variant::Integer(8));
    dataset.SetActive(true);
    EXPECT_EQ(dataset.RecordCount(), 1);
    EXPECT_EQ(dataset.FieldByName("label")->AsString(), "nut");

    dataset.Close();
    part.SetValue(Variant::Integer(7));
    dataset.Open();
    EXPECT_EQ(dataset.FieldByName("label")->AsString(), "bolt");

    EXPECT_EQ(DatabaseFailure([&] { dataset.Parameters().ParamByName("size"); }),
              "dADODataset1: Parameter 'size' not found");
}

TEST_P(AdoDatasetOnServer, OpeningFailsWithTheComponentsMessagesAndStaysClosed)
{
    database.Client("CREATE TABLE Shelf(id INTEGER)");
    EXPECT_EQ(DatabaseFailure([&] { dataset.Open(); }), "Missing connection property");
    dataset.SetConnection(&connection);
    EXPECT_EQ(DatabaseFailure([&] { dataset.Open(); }), "dADODataset1: Missing CommandText property");
    EXPECT_TRUE(connection.Connected()) << "the connection opens before the text is checked";

    dataset.SetCommandText("UPDATE Shelf SET id = 1");
    EXPECT_EQ(DatabaseFailure([&] { dataset.Open(); }), "dADODataset1: CommandText does not return a result set");
    EXPECT_FALSE(dataset.Active());
    EXPECT_FALSE(dataset.Recordset());

    dataset.SetCommandText("SELECT nothing FROM Shelf");
    EXPECT_THROW(dataset.Open(), EOleException);
    EXPECT_FALSE(dataset.Active());

    dataset.SetCommandText("SELECT * FROM Shelf");
    dataset.Open();
    EXPECT_TRUE(dataset.IsEmpty());
    EXPECT_TRUE(dataset.Eof() && dataset.Bof());
    EXPECT_EQ(dataset.RecordCount(), 0);
    EXPECT_EQ(DatabaseFailure([&] { dataset.SetCommandText("SELECT 1"); }),
              "dADODataset1: Cannot perform this operation on an open dataset");

    // A requery reads what was added meanwhile and stands on the first record.
    database.Client("INSERT INTO Shelf VALUES(4); INSERT INTO Shelf VALUES(5)");
    dataset.Requery();
    EXPECT_EQ(dataset.RecordCount(), 2);
    EXPECT_EQ(dataset.FieldByName("id")->AsInteger(), 4);
    dataset.Next();
    database.Client("DELETE FROM Shelf WHERE id = 4");
    dataset.Refresh();
    EXPECT_EQ(dataset.RecordCount(), 1);
    EXPECT_EQ(dataset.FieldByName("id")->AsInteger(), 5);

    // Reads past the command timeout (2 seconds here; cancelled well within a minute) or the memory
    // bounds are refused with the reason, and the data set stays closed: rows without end, one row
    // after very many steps, one value or all of them too large (read with time to spare).
    dataset.Close();
    const std::string late =
        "The database did not answer within the command timeout of 2 seconds, so the read was cancelled.";
    const std::string tooLarge = "The data read holds more than 1 GB, more than the program takes from a database, so "
                                 "nothing was read.";
    const std::string valueTooLarge = "A value of the data read is larger than 64 MB, more than the program takes "
                                      "from a database, so nothing was read.";
    struct Case {
        std::string text;
        int timeout;
        std::string message;
    };
    const Case sqliteCases[] = {
        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x, 'shelf' FROM c", 2, late},
        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100000000000) SELECT max(x) FROM c",
         2, late},
        {"SELECT id, zeroblob(100000000) FROM Shelf", 600, valueTooLarge},
        // Forty values of 30 MB: none past the bound of a value, all of them past the bound of a read.
        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 40) SELECT x, zeroblob(30000000) "
         "FROM c",
         600, tooLarge},
    };
    const Case postgresCases[] = {
        {"SELECT pg_sleep(600)", 2, late},
        {"SELECT id, repeat('x', 100000000) FROM Shelf", 600, valueTooLarge},
    };
    for (const Case& c : OnSQLite() ? std::span<const Case>(sqliteCases) : std::span<const Case>(postgresCases)) {
        SCOPED_TRACE(c.text);
        dataset.SetCommandTimeout(c.timeout);
        dataset.SetCommandText(c.text);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RaisedMessage<EOleException>([&] { dataset.Open(); }), c.message);
        if (c.message == late) {
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(1));
        }
        EXPECT_FALSE(dataset.Active());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 3L * 1024 * 1024) << "kilobytes at the peak";
    dataset.SetCommandText("SELECT * FROM Shelf");
    dataset.Open();
    EXPECT_EQ(dataset.FieldByName("id")->AsInteger(), 5);
}

TEST_P(AdoDatasetOnServer, DuplicatedColumnsAreNumberedAndBlankTableNamesOpenDirectly)
{
    database.Client("CREATE TABLE \"My Products\"(\"Name\" VARCHAR(10) NOT NULL, Note VARCHAR(10));"
                    "INSERT INTO \"My Products\" VALUES('jam', NULL)");
    OpenText("SELECT \"Name\", \"Name\" AS \"Name\", Note AS \"Name\" FROM \"My Products\"");
    TStringList names;
    dataset.GetFieldNames(names);
    EXPECT_EQ(Strings(names), (std::vector<std::string>{"Name", "Name_1", "Name_2"}));
    EXPECT_EQ(dataset.FieldByName("Name_1")->AsString(), "jam");
    EXPECT_TRUE(dataset.FieldByName("Name_2")->IsNull());
    dataset.Close();

    dataset.SetCommandType(ad_CmdTableDirect);
    dataset.SetCommandText("My Products");
    EXPECT_EQ(dataset.CommandType(), ad_CmdTableDirect);
    dataset.Open();
    EXPECT_EQ(dataset.FieldByName("Name")->AsString(), "jam");
    EXPECT_EQ(dataset.FieldByName("Name")->Required(), !OnSQLite())
        << "PostgreSQL's driver reports NOT NULL; SQLite's cannot for a table read directly";
}

// Forty 4,000-character slots take 160 kB, far past what 16-bit offsets reach.
TEST_P(AdoDatasetOnServer, WideRecordsKeepEverySlotApart)
{
    std::string columns, values;
    for (int i = 0; i < 40; ++i) {
        columns += (i ? ", c" : "c") + std::to_string(i) + " VARCHAR(4000)";
        values += std::string(i ? ", " : "") + "'" + std::to_string(i) + std::string(3990, 'x') + "'";
    }
    database.Client("CREATE TABLE Wide(" + columns + "); INSERT INTO Wide VALUES(" + values + ")");
    OpenText("SELECT * FROM Wide");
    ASSERT_EQ(dataset.FieldCount(), 40);
    for (int i = 39; i >= 0; --i)
        EXPECT_EQ(dataset.Fields()[i]->AsString(), std::to_string(i) + std::string(3990, 'x')) << i;
}

TEST_P(AdoDatasetOnServer, FreeingTheConnectionLeavesItsDatasetsWithoutOne)
{
    database.Client("CREATE TABLE bins(id INTEGER); CREATE VIEW cheap AS SELECT id FROM bins");
    TStringList tables;
    {
        TdADOConnection shortLived;
        shortLived.SetConnectionString(database.ConnectionString());
        dataset.SetConnection(&shortLived);
        TdADODataset other;
        other.SetConnection(&shortLived);
        EXPECT_EQ(shortLived.GetDatasetCount(), 2);
        shortLived.GetTableNames(tables);
    }
    EXPECT_EQ(dataset.Connection(), nullptr);
    // The server may hold other tests' tables beside these.
    const std::vector<std::string> listed = Strings(tables);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "bins"), 1);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "cheap"), 0) << "views are no tables";

    // A schema rowset opens in a dataset like any recordset, views too.
    connection.Open();
    connection.OpenSchema(ad_SchemaTables, {}, {}, dataset);
    EXPECT_TRUE(dataset.Active());
    EXPECT_EQ(dataset.GetRecordsetState(), TObjectStates{ad_StateOpen});
    std::vector<std::string> rows;
    for (dataset.First(); !dataset.Eof(); dataset.Next())
        if (const std::string name = dataset.FieldByName("TABLE_NAME")->AsString(); name == "bins" || name == "cheap")
            rows.push_back(name + " " + dataset.FieldByName("TABLE_TYPE")->AsString());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"bins TABLE", "cheap VIEW"}));
}

// One SIGTERM ends the program whatever a read is doing: a view that would run for hours between
// rows or inside one call, a stranger's server that never answers the driver's first query or the
// read, answers it a byte at a time or sends rows without end. The read stops with the reason, so
// that the window thread gets back to its event loop; each in a process of its own, which ends with it.
TEST(AdoReadEnding, ARequestToEndTheProgramCancelsAReadUnderWay)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* server; // a stand-in's mode, or "" for SQLite
        const char* read;
    } cases[] = {
        {"", "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100000000000) SELECT max(x) "
             "FROM c"},
        {"", "SELECT instr(printf('%.*c', 60000000, 'a'), printf('%.*c', 30000000, 'a') || 'b')"},
        {"mute", "SELECT * FROM Products"},
        {"silent", "SELECT * FROM Products"},
        {"trickle", "SELECT * FROM Products"},
        {"endless", "SELECT * FROM Products"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.server) + " " + c.read);
        EXPECT_EXIT(
            {
                std::optional<TestDatabase> database;
                std::optional<PostgresStandIn> stranger;
                TdADOConnection connection;
                if (*c.server) {
                    UsePrivateOdbcIni();
                    connection.SetConnectionString(stranger.emplace(c.server).ConnectionString());
                } else {
                    connection.SetConnectionString(database.emplace(Server::SQLite).ConnectionString());
                    database->Client("PRAGMA user_version=1");
                }
                TdADODataset dataset;
                dataset.SetConnection(&connection);
                dataset.SetCommandText(c.read);
                CatchTerminationSignals();
                std::thread ending([] {
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                    kill(getpid(), SIGTERM);
                });
                const auto start = std::chrono::steady_clock::now();
                const std::string message = RaisedMessage<EOleException>([&] { dataset.Open(); });
                const bool inTime = std::chrono::steady_clock::now() - start < std::chrono::seconds(30);
                ending.join();
                // The stand-in would otherwise keep the death test's pipe open.
                stranger.reset();
                std::cerr << message << std::endl;
                std::_Exit(inTime ? 0 : 1);
            },
            testing::ExitedWithCode(0), "The database read was cancelled because the program is ending\\.");
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, AdoDatasetOnServer, testing::Values(Server::SQLite, Server::PostgreSQL),
                         [](const auto& info) { return ServerName(info.param); });

} // namespace
