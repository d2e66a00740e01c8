#include "platform/core/Exceptions.h"
#include "platform/services/AdoConnection.h"

#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int adIndex = 0x100000;

class AdoStandInTest : public testing::TestWithParam<Server> {
protected:
    bool Sqlite() const { return GetParam() == Server::SQLite; }

    // A connection to the test database; the SQL runs first through the server's own client.
    std::shared_ptr<AdoConnection> Connect(std::string_view sql)
    {
        database.Client(sql);
        auto connection = AdoConnection::Create();
        connection->SetConnectionString(database.ConnectionString());
        connection->Open();
        return connection;
    }

    // The values of a column from the current record to the end.
    static std::vector<std::string> Walk(AdoRecordset& rows, std::string_view column = "id")
    {
        std::vector<std::string> values;
        for (; !rows.Eof(); rows.MoveNext())
            values.push_back(rows.Fields().Item(column).Value().AsString());
        return values;
    }

    static std::string Raised(const std::function<void()>& action) { return RaisedMessage<EOleException>(action); }

    TestDatabase database{GetParam()};
};

std::vector<std::string> Ids(int count)
{
    std::vector<std::string> ids;
    for (int id = 1; id <= count; ++id)
        ids.push_back(std::to_string(id));
    return ids;
}

// Edges of empty, one-row and five-row sets, positions, bookmarks through sorts and requerying.
TEST_P(AdoStandInTest, TheCursorKeepsItsRowsPositionsAndBookmarks)
{
    const char* const shelves[] = {"(1, 2, 'x')", "(2, 1, 'y')", "(3, 2, 'a')", "(4, 1, 'y')", "(5, 2, 'x')"};
    for (const int count : {0, 1, 5}) {
        SCOPED_TRACE(count);
        std::string sql = "DROP TABLE IF EXISTS shelf; CREATE TABLE shelf(id INTEGER, a INTEGER, b VARCHAR(10));";
        for (int row = 0; row < count; ++row)
            sql += std::string("INSERT INTO shelf VALUES") + shelves[row] + ";";
        const auto connection = Connect(sql);
        const auto rows = connection->Execute("SELECT id, a, b FROM shelf ORDER BY id");
        ASSERT_EQ(rows->State(), adStateOpen);
        EXPECT_EQ(rows->RecordCount(), count);
        EXPECT_EQ(rows->CursorType(), adOpenStatic);
        EXPECT_TRUE(rows->Supports(adBookmark | adMovePrevious | adApproxPosition));
        EXPECT_FALSE(rows->Supports(adIndex));
        EXPECT_EQ(rows->Index(), "");
        EXPECT_EQ(Raised([&] { rows->SetIndex("shelf_id"); }), "This data source does not support index seeks.");
        EXPECT_EQ(rows->Fields().Item("B").Name(), "b");
        EXPECT_EQ(rows->Fields().Item(2).DefinedSize(), 10);
        EXPECT_EQ(rows->Fields().Item(2).Properties("BASECOLUMNNAME").AsString(), "b");
        EXPECT_EQ(rows->Fields().Item(2).Properties("BaseTableName").AsString(), "shelf");
        EXPECT_NE(Raised([&] { rows->Fields().Item(2).Properties("OPTIMIZE"); }).find("OPTIMIZE"), std::string::npos);

        if (count == 0) {
            EXPECT_TRUE(rows->Bof() && rows->Eof());
            for (const auto& move : std::vector<std::function<void()>>{
                     [&] { rows->MoveFirst(); }, [&] { rows->MoveLast(); }, [&] { rows->MoveNext(); },
                     [&] { rows->MovePrevious(); }, [&] { rows->Bookmark(); }, [&] { rows->Fields().Item(0).Value(); }})
                EXPECT_EQ(Raised(move), "No current record.");
            continue;
        }
        EXPECT_EQ(rows->AbsolutePosition(), 1);
        EXPECT_EQ(Walk(*rows), Ids(count));
        EXPECT_EQ(rows->AbsolutePosition(), adPosEOF);
        EXPECT_EQ(Raised([&] { rows->MoveNext(); }), "No current record.");
        EXPECT_EQ(Raised([&] { rows->Fields().Item("id").Value(); }), "No current record.");
        rows->MovePrevious();
        EXPECT_EQ(rows->AbsolutePosition(), count);
        rows->MoveFirst();
        rows->MovePrevious();
        EXPECT_TRUE(rows->Bof());
        EXPECT_EQ(rows->AbsolutePosition(), adPosBOF);
        EXPECT_EQ(Raised([&] { rows->MovePrevious(); }), "No current record.");
        rows->MoveLast();
        EXPECT_EQ(rows->Fields().Item("id").Value().AsString(), std::to_string(count));
        rows->SetAbsolutePosition(1);
        EXPECT_EQ(rows->Fields().Item("id").Value().AsString(), "1");
        EXPECT_EQ(Raised([&] { rows->SetAbsolutePosition(count + 1); }), AdoBadArguments);
        EXPECT_EQ(Raised([&] { rows->SetAbsolutePosition(0); }), AdoBadArguments);
        EXPECT_EQ(Raised([&] { rows->SetBookmark(Variant::Double(count + 1)); }), "Invalid bookmark.");
        EXPECT_EQ(Raised([&] { rows->SetBookmark(Variant::FromString("first")); }), "Invalid bookmark.");
        if (count == 1)
            continue;

        // Equal keys keep the order read; a bookmark stays with its row through another sort.
        rows->SetSort("a DESC, [b]");
        EXPECT_EQ(Walk(*rows), (std::vector<std::string>{"3", "1", "5", "2", "4"}));
        rows->SetAbsolutePosition(4);
        const Variant second = rows->Bookmark();
        rows->SetSort("b DESC, id DESC");
        EXPECT_EQ(Walk(*rows), (std::vector<std::string>{"4", "2", "5", "1", "3"}));
        rows->SetBookmark(second);
        EXPECT_EQ(rows->Fields().Item("id").Value().AsString(), "2");
        EXPECT_EQ(rows->AbsolutePosition(), 2);
        EXPECT_NE(Raised([&] { rows->SetSort("shelf_size"); }).find("shelf_size"), std::string::npos);
        EXPECT_EQ(rows->Sort(), "b DESC, id DESC");

        // Requerying sees what another client wrote and keeps the sort.
        database.Client("INSERT INTO shelf VALUES(6, 0, 'z')");
        rows->Requery();
        EXPECT_EQ(rows->RecordCount(), 6);
        EXPECT_EQ(Walk(*rows), (std::vector<std::string>{"6", "4", "2", "5", "1", "3"}));
        rows->SetSort("");
        EXPECT_EQ(Walk(*rows), Ids(6));
        rows->Close();
        EXPECT_EQ(Raised([&] { rows->MoveFirst(); }), "Operation is not allowed when the object is closed.");
    }
}

TEST_P(AdoStandInTest, StatementsTransactionsAndTheOpenConnection)
{
    const auto connection = Connect("CREATE TABLE shelf(id INTEGER)");
    std::int64_t affected = 0;
    const auto none = connection->Execute("INSERT INTO shelf VALUES(1), (2)", affected);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->State(), adStateClosed);
    EXPECT_EQ(affected, 2);
    EXPECT_EQ(connection->Execute("DELETE FROM shelf WHERE id = 2", affected, adCmdText | adExecuteNoRecords), nullptr);
    EXPECT_EQ(affected, 1);

    for (const auto& change : std::vector<std::function<void()>>{
             [&] { connection->SetConnectionString("Driver=SQLite3;Database=other.db"); },
             [&] { connection->SetProvider("MSDASQL.1"); }, [&] { connection->SetMode(adModeRead); }})
        EXPECT_EQ(Raised(change), "The connection cannot be changed while it is open.");
    EXPECT_EQ(connection->Provider(), "MSDASQL.1");

    EXPECT_EQ(Raised([&] { connection->CommitTrans(); }), "No transaction is active.");
    EXPECT_EQ(Raised([&] { connection->RollbackTrans(); }), "No transaction is active.");
    EXPECT_EQ(connection->BeginTrans(), 1);
    connection->Execute("INSERT INTO shelf VALUES(3)");
    EXPECT_EQ(connection->BeginTrans(), 2);
    connection->Execute("INSERT INTO shelf VALUES(4)");
    connection->Close();
    EXPECT_EQ(database.Client("SELECT count(*) FROM shelf"), "1") << "closing rolls back both levels";
    EXPECT_EQ(connection->Provider(), "MSDASQL");
    EXPECT_EQ(Raised([&] { connection->BeginTrans(); }), "Operation is not allowed when the object is closed.");
}

// SQLite offers serializable only, so PostgreSQL tells the levels apart.
TEST(AdoStandIn, IsolationLevelsReachTheDriver)
{
    const TestDatabase database(Server::PostgreSQL);
    const std::pair<int, const char*> levels[] = {{adXactReadUncommitted, "read uncommitted"},
                                                  {adXactCursorStability, "read committed"},
                                                  {adXactRepeatableRead, "repeatable read"},
                                                  {adXactSerializable, "serializable"}};
    for (const auto& [level, name] : levels) {
        const auto connection = AdoConnection::Create();
        connection->SetConnectionString(database.ConnectionString());
        connection->SetIsolationLevel(level);
        connection->Open();
        EXPECT_EQ(connection->Execute("SHOW transaction_isolation")->Fields().Item(0).Value().AsString(), name);
        connection->SetIsolationLevel(adXactSerializable);
        EXPECT_EQ(connection->Execute("SHOW transaction_isolation")->Fields().Item(0).Value().AsString(),
                  "serializable")
            << "a level set while open";
    }
}

TEST_P(AdoStandInTest, CommandsRunTextTablesAndProcedures)
{
    const auto connection = Connect("CREATE TABLE \"My Shelf\"(id INTEGER PRIMARY KEY, a INTEGER, b VARCHAR(20));"
                                    "CREATE UNIQUE INDEX shelf_ab ON \"My Shelf\"(a, b);"
                                    "INSERT INTO \"My Shelf\" VALUES(1, 10, 'x'), (2, 20, 'y')");
    AdoCommand command;
    command.SetActiveConnection(connection);
    command.SetCommandType(adCmdTable);
    command.SetCommandText("My Shelf");
    std::int64_t affected = 0;
    EXPECT_EQ(command.Execute(affected)->RecordCount(), 2);
    command.SetCommandText("My Shelf; DROP TABLE \"My Shelf\"");
    EXPECT_THROW(command.Execute(affected), EOleException);
    EXPECT_EQ(Raised([&] { command.Execute(affected, {}, adCmdFile); }),
              "This data source cannot open a recordset from a file.");

    // A recordset opened on a name or a command reads up to MaxRecords rows; one without rows stays closed.
    AdoRecordset rows;
    rows.SetMaxRecords(1);
    rows.Open("My Shelf", connection, adOpenStatic, adLockReadOnly, adCmdTableDirect);
    EXPECT_EQ(rows.RecordCount(), 1);
    EXPECT_EQ(Raised([&] { rows.Open("My Shelf", connection); }), "Operation is not allowed when the object is open.");
    AdoRecordset changed;
    command.SetCommandType(adCmdText);
    command.SetCommandText("UPDATE \"My Shelf\" SET a = a + 1");
    changed.Open(command);
    EXPECT_EQ(changed.State(), adStateClosed);
    EXPECT_EQ(database.Client("SELECT sum(a) FROM \"My Shelf\""), "32");

    command.SetCommandText("SELECT b FROM \"My Shelf\" WHERE a > ? AND id < ?");
    command.Parameters().Refresh();
    EXPECT_EQ(command.Parameters().Count(), 2);
    command.Parameters().Item("PARAM1").value = Variant::Integer(6);
    command.Parameters().Item(1).value = Variant::Integer(2);
    EXPECT_EQ(Walk(*command.Execute(affected), "b"), std::vector<std::string>{"x"});
    command.Parameters().Delete(0);
    command.Parameters().Append(AdoCommand::CreateParameter("low", adInteger, adParamInput, 0, Variant::Integer(16)));
    EXPECT_EQ(command.Parameters().Item(1).name, "low");
    EXPECT_EQ(Walk(*command.Execute(affected, Variant::Array({Variant::Integer(0), Variant::Integer(3)})), "b"),
              (std::vector<std::string>{"x", "y"}))
        << "values given replace the parameters'";

    // Index rows of the two-column unique index and of the primary key.
    const auto indexes = connection->OpenSchema(
        adSchemaIndexes, Variant::Array({Variant(), Variant(), Variant(), Variant(), Variant::FromString("My Shelf")}));
    std::vector<std::string> found;
    for (; !indexes->Eof(); indexes->MoveNext()) {
        const auto text = [&](const char* column) { return indexes->Fields().Item(column).Value().AsString(); };
        found.push_back((text("INDEX_NAME") == "shelf_ab" ? "ab " : "key ") + text("ORDINAL_POSITION") + " " +
                        text("COLUMN_NAME") + " " + text("PRIMARY_KEY") + " " + text("UNIQUE"));
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"ab 1 a False True", "ab 2 b False True", "key 1 id True True"}));
    if (Sqlite())
        return;

    database.Client("CREATE FUNCTION next_number(x INTEGER, OUT y INTEGER) AS 'SELECT x + 1' LANGUAGE SQL");
    const auto procedures = Walk(*connection->OpenSchema(adSchemaProcedures), "PROCEDURE_NAME");
    EXPECT_NE(std::find(procedures.begin(), procedures.end(), "next_number"), procedures.end());
    command.SetCommandType(adCmdStoredProc);
    command.SetCommandText("next_number");
    command.Parameters().Refresh();
    EXPECT_EQ(command.Parameters().Count(), 2);
    command.Parameters().Item("x").value = Variant::Integer(41);
    EXPECT_EQ(command.Execute(affected)->Fields().Item("y").Value().AsString(), "42") << "the output as a row";
}

INSTANTIATE_TEST_SUITE_P(Servers, AdoStandInTest, testing::Values(Server::SQLite, Server::PostgreSQL),
                         [](const auto& info) { return ServerName(info.param); });

} // namespace
