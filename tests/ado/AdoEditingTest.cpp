#include "ado/Adocomps.h"

#include "platform/core/Exceptions.h"
#include "platform/core/StringList.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/TimeStamp.h"

#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string DatabaseFailure(const std::function<void()>& action) { return RaisedMessage<EDatabaseError>(action); }
std::string OleFailure(const std::function<void()>& action) { return RaisedMessage<EOleException>(action); }

// Every table and function here has a name of its own: primary keys and procedures are looked up
// by name, and the tests share one server.
class AdoEditingOnServer : public testing::TestWithParam<Server> {
protected:
    AdoEditingOnServer()
    {
        connection.SetConnectionString(database.ConnectionString());
        table.SetName("dADOTable1");
    }

    bool OnSQLite() const { return GetParam() == Server::SQLite; }
    std::string SerialKey() const { return OnSQLite() ? "INTEGER PRIMARY KEY" : "SERIAL PRIMARY KEY"; }

    void OpenTable(std::string_view name)
    {
        connection.SetConnected(true);
        table.SetConnection(&connection);
        table.SetTableName(name);
        table.SetActive(true);
    }

    TField& Field(std::string_view name) { return *table.FieldByName(name); }

    TestDatabase database{GetParam()};
    TdADOConnection connection;
    TdADOTable table;
};

TEST_P(AdoEditingOnServer, PostsWhatWasWrittenAndInsertsReadBackTheirKeys)
{
    database.Client("CREATE TABLE EditItems(id " + SerialKey() +
                    ", name VARCHAR(20), note VARCHAR(20), part BIGINT, added DATE, opens TIME, seen TIMESTAMP);"
                    "INSERT INTO EditItems(name, note, part) VALUES('Tea', 'green', 1);"
                    "INSERT INTO EditItems(name, note, part) VALUES('Coffee', 'black', 2)");
    OpenTable("EditItems");
    ASSERT_TRUE(table.CanModify());

    // Only the written field goes: a change made meanwhile to another one stays.
    database.Client("UPDATE EditItems SET note = 'white' WHERE id = 1");
    table.Edit();
    Field("name").SetAsString("Green tea");
    Field("part").SetValue(Variant::Integer(9007199254740993, varInt64));
    table.Post();
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(database.Client("SELECT name, note, part FROM EditItems WHERE id = 1"),
              "Green tea|white|9007199254740993");
    EXPECT_EQ(Field("part").AsString(), "9007199254740993");

    // Dates, times and time stamps post as the values written.
    table.Edit();
    Field("added").SetAsString("2024-02-29");
    Field("opens").SetAsString("07:30:15");
    Field("seen").SetAsString("1999-12-31 23:59:58");
    table.Post();
    EXPECT_EQ(Field("added").AsString().substr(0, 10), "2024-02-29");
    EXPECT_EQ(Field("opens").AsString(), "07:30:15");
    const std::string stored = database.Client("SELECT added, opens, seen FROM EditItems WHERE id = 1");
    EXPECT_EQ(stored.substr(0, 22), "2024-02-29|07:30:15|19") << stored;
    EXPECT_EQ(stored.substr(20, 19), "1999-12-31 23:59:58") << stored;

    // A post of nothing runs nothing: the row, deleted meanwhile, is not missed.
    database.Client("DELETE FROM EditItems WHERE id = 1");
    table.Edit();
    table.Post();
    table.Edit();
    Field("note").Clear();
    EXPECT_EQ(OleFailure([&] { table.Post(); }),
              "The row to change was not found or is not unique; it may have changed since it was read.");
    EXPECT_EQ(table.State(), dsEdit);
    table.Cancel();

    // A null posts NULL.
    table.Next();
    table.Edit();
    Field("note").Clear();
    table.Post();
    EXPECT_EQ(database.Client("SELECT COUNT(*) FROM EditItems WHERE id = 2 AND note IS NULL"), "1");

    // An appended row stands with its server-made key and can be edited at once.
    table.Append();
    Field("name").SetAsString("Cocoa");
    table.Post();
    EXPECT_EQ(Field("name").AsString(), "Cocoa");
    const std::string key = database.Client("SELECT id FROM EditItems WHERE name = 'Cocoa'");
    EXPECT_EQ(Field("id").AsString(), key);
    table.Edit();
    Field("note").SetAsString("hot");
    table.Post();
    EXPECT_EQ(database.Client("SELECT note FROM EditItems WHERE id = " + key), "hot");

    // Deleting removes the row; the deleted row's bookmark names no record.
    const TBookmark bookmark = table.GetBookmark();
    EXPECT_TRUE(table.BookmarkValid(bookmark));
    table.First();
    table.Next();
    const TBookmark coffee = table.GetBookmark();
    table.Delete();
    EXPECT_FALSE(table.BookmarkValid(coffee));
    EXPECT_EQ(Field("name").AsString(), "Cocoa");
    EXPECT_EQ(database.Client("SELECT COUNT(*) FROM EditItems"), "1");

    // A bad number is refused before anything is written.
    table.Edit();
    EXPECT_THROW(Field("part").SetAsString("12x"), EConvertError);
    table.Cancel();

    // The key, looked up under the server's own name of the table, is the one index.
    TStringList indexes;
    table.GetIndexNames(indexes);
    ASSERT_EQ(indexes.Count(), 1);
    EXPECT_EQ(table.IndexDefs().Items(0).Fields(), "id");
}

TEST_P(AdoEditingOnServer, FailedWritesLeaveTheDatasetUsable)
{
    database.Client("CREATE TABLE EditStrict(id " + SerialKey() +
                    ", name VARCHAR(20) NOT NULL);"
                    "CREATE TABLE EditLoose(a INTEGER, b VARCHAR(10));"
                    "INSERT INTO EditStrict(name) VALUES('Shelf');"
                    "INSERT INTO EditLoose VALUES(1, 'same'); INSERT INTO EditLoose VALUES(1, 'same');"
                    "INSERT INTO EditLoose VALUES(2, NULL); INSERT INTO EditLoose VALUES(2, 'x')");
    OpenTable("EditStrict");
    table.Insert();
    const std::string failure = OleFailure([&] { table.Post(); });
    EXPECT_NE(failure.find(OnSQLite() ? "NOT NULL" : "null value"), std::string::npos) << failure;
    table.Cancel();
    EXPECT_EQ(Field("name").AsString(), "Shelf");
    table.Edit();
    Field("name").SetAsString("Peg");
    table.Post();
    EXPECT_EQ(database.Client("SELECT COUNT(*) || name FROM EditStrict GROUP BY name"), "1Peg");
    table.Close();

    // Without a key, of two identical rows neither changes, but on SQLite the one chosen, found by its
    // rowid; a NULL tells two rows apart.
    table.SetTableName("EditLoose");
    table.Open();
    table.Edit();
    Field("b").SetAsString("changed");
    EXPECT_EQ(OleFailure([&] { table.Post(); }),
              OnSQLite() ? "nothing raised"
                         : "The row to change was not found or is not unique; it may have changed since it was read.");
    table.Cancel();
    EXPECT_EQ(database.Client("SELECT b FROM EditLoose WHERE a = 1 ORDER BY b"),
              OnSQLite() ? "changed\nsame" : "same\nsame");
    table.MoveBy(2);
    for (const int a : {3, 4}) {
        table.Edit();
        Field("a").SetAsInteger(a);
        table.Post();
        table.Next();
    }
    table.Close();
    EXPECT_EQ(database.Client("SELECT a FROM EditLoose ORDER BY a"), "1\n1\n3\n4");

    // A text over one table writes to it; a join of two has no one table to write to.
    TdADODataset text;
    text.SetName("dADODataset1");
    text.SetConnection(&connection);
    text.SetCommandText("SELECT b, a FROM EditLoose WHERE a = 3");
    text.Open();
    text.Edit();
    text.FieldByName("b")->SetAsString("text");
    text.Post();
    EXPECT_EQ(database.Client("SELECT b FROM EditLoose WHERE a = 3"), "text");
    text.Close();
    text.SetCommandText("SELECT l.a, s.name FROM EditLoose l JOIN EditStrict s ON s.id = l.a");
    text.Open();
    EXPECT_FALSE(text.CanModify());
    text.Close();

    // A read-only connection refuses every edit.
    connection.Close();
    connection.SetMode(ad_ModeRead);
    table.Open();
    EXPECT_FALSE(table.CanModify());
    EXPECT_EQ(DatabaseFailure([&] { table.Edit(); }), "dADOTable1: Cannot modify a read-only dataset");
    EXPECT_EQ(OleFailure([&] { table.Recordset()->AddNew(); }), "This data cannot be changed.");
}

// A write reaches the row that was read, whole, and the record then holds what the table holds.
TEST_P(AdoEditingOnServer, WritesReachTheRowReadWholeAndReadItBack)
{
    // Keyless rows with dates are found again, and a value the table rounds is read back, so that
    // the next edit of the row finds it.
    database.Client("CREATE TABLE EditPrices(name VARCHAR(10), price NUMERIC(10,2), added DATE, seen TIMESTAMP);"
                    "INSERT INTO EditPrices VALUES('tea', 1.50, '2024-01-02', '2024-01-02 10:30:00');"
                    "INSERT INTO EditPrices VALUES('coffee', 2.00, '2024-01-03', NULL)");
    OpenTable("EditPrices");
    table.Edit();
    // A typed number has "." for its decimal point: a thousands comma is refused, not read as one.
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { Field("price").SetAsString("1,000"); }),
              "'1,000' is not a valid floating point value");
    Field("price").SetAsString("1.234");
    table.Post();
    EXPECT_EQ(database.Client("SELECT price FROM EditPrices WHERE name = 'tea'"), OnSQLite() ? "1.234" : "1.23");
    EXPECT_EQ(Field("price").AsString(), OnSQLite() ? "1.234" : "1.23");
    table.Edit();
    Field("name").SetAsString("green tea");
    table.Post();
    table.Next();
    table.Delete();
    EXPECT_EQ(database.Client("SELECT name, price, added FROM EditPrices"),
              OnSQLite() ? "green tea|1.234|2024-01-02" : "green tea|1.23|2024-01-02");

    // A text longer than the field's size is refused, never cut; one that fits goes whole.
    database.Client("CREATE TABLE EditPaths(id INTEGER PRIMARY KEY, path VARCHAR(10), open VARCHAR);"
                    "INSERT INTO EditPaths VALUES(1, 'a', 'b')");
    table.Close();
    OpenTable("EditPaths");
    const std::string path = "/pictures/" + std::string(290, 'p');
    table.Edit();
    EXPECT_EQ(DatabaseFailure([&] { Field("open").SetAsString(path); }), "dADOTable1: Value too long for field 'open'");
    EXPECT_EQ(DatabaseFailure([&] { Field("path").SetAsString(path.substr(0, 11)); }),
              "dADOTable1: Value too long for field 'path'");
    Field("path").SetAsString(path.substr(0, 10));
    table.Post();
    EXPECT_EQ(database.Client("SELECT path, open FROM EditPaths"), "/pictures/|b");

    // A keyless table of plain texts, which both drivers report as long ones, finds a row by its texts.
    database.Client("CREATE TABLE EditNotes(part TEXT, note TEXT); INSERT INTO EditNotes VALUES('a', 'x'), ('b', 'x')");
    table.Close();
    OpenTable("EditNotes");
    table.Last();
    table.Edit();
    Field("note").SetAsString("y");
    table.Post();
    EXPECT_EQ(database.Client("SELECT part, note FROM EditNotes ORDER BY part"), "a|x\nb|y");

    // Keyless rows the driver reads alike (a REAL beyond 15 digits, a time stamp's microseconds) are
    // refused rather than one written for the other; a lone row not read exactly is still found. SQLite
    // finds each row by its rowid, read with the rows and kept through a requery.
    database.Client(OnSQLite() ? "CREATE TABLE EditSizes(size REAL, picture TEXT);"
                                 "INSERT INTO EditSizes VALUES(0.1 + 0.2, NULL), (0.3, NULL), (1.0 / 3, NULL)"
                               : "CREATE TABLE EditSizes(seen TIMESTAMP, at TIME, picture TEXT); INSERT INTO EditSizes "
                                 "VALUES('2024-01-02 10:30:00.0004', NULL, NULL), ('2024-01-02 10:30:00', NULL, NULL),"
                                 "('2024-01-02 10:31:00.123456', '12:00:00.7', NULL)");
    table.Close();
    OpenTable("EditSizes");
    for (const int row : {1, 2, 3}) {
        table.SetRecNo(row);
        table.Edit();
        Field("picture").SetAsString("p.jpg");
        EXPECT_EQ(OleFailure([&] { table.Post(); }),
                  row == 3 || OnSQLite()
                      ? "nothing raised"
                      : "The row to change was not found or is not unique; it may have changed since it was read.");
        table.Cancel();
    }
    EXPECT_EQ(database.Client("SELECT coalesce(picture, '-') FROM EditSizes"),
              OnSQLite() ? "p.jpg\np.jpg\np.jpg" : "-\n-\np.jpg");
    if (OnSQLite()) {
        table.Requery();
        table.SetRecNo(2);
        table.Edit();
        Field("picture").SetAsString("q.jpg");
        table.Post();
        EXPECT_EQ(database.Client("SELECT picture FROM EditSizes"), "p.jpg\nq.jpg\np.jpg");
        // Another program deletes the first row and VACUUM renumbers the others: the row at the rowid
        // read is another, and the delete finds none.
        database.Client("DELETE FROM EditSizes WHERE rowid = 1; VACUUM");
        EXPECT_EQ(OleFailure([&] { table.Delete(); }),
                  "The row to change was not found or is not unique; it may have changed since it was read.");
        EXPECT_EQ(database.Client("SELECT picture FROM EditSizes"), "q.jpg\np.jpg");
        return;
    }

    // A text over a table of another schema writes to that table, not to its namesake on the path.
    const std::string archive = database.Client("SELECT current_schema()") + "_archive";
    database.Client("DROP SCHEMA IF EXISTS " + archive + " CASCADE; CREATE SCHEMA " + archive +
                    "; CREATE TABLE EditShelves(id INTEGER PRIMARY KEY, name VARCHAR(10));"
                    "CREATE TABLE " +
                    archive +
                    ".EditShelves(id INTEGER PRIMARY KEY, name VARCHAR(10));"
                    "INSERT INTO EditShelves VALUES(1, 'live'); INSERT INTO " +
                    archive + ".EditShelves VALUES(1, 'old')");
    TdADODataset text;
    text.SetConnection(&connection);
    text.SetCommandText("SELECT * FROM " + archive + ".EditShelves");
    text.Open();
    text.Edit();
    text.FieldByName("name")->SetAsString("kept");
    text.Post();
    text.Close();
    EXPECT_EQ(database.Client("SELECT name FROM EditShelves; SELECT name FROM " + archive + ".EditShelves"),
              "live\nkept");
    database.Client("SET client_min_messages = warning; DROP SCHEMA " + archive + " CASCADE");
}

// The data set's editing around the ADO dataset: events in order, defaults of new records, moving
// away posting a modified record and dropping an unmodified one, and the error event's answers.
TEST_P(AdoEditingOnServer, EditingEventsRunInOrderAndErrorEventsDecide)
{
    database.Client("CREATE TABLE EditEvents(id " + SerialKey() + ", name VARCHAR(20) NOT NULL, qty INTEGER)");
    std::vector<std::string> events;
    auto record = [&](const char* name) { return [&events, name](TDataSet&) { events.push_back(name); }; };
    table.BeforeInsert = record("BeforeInsert");
    table.AfterInsert = record("AfterInsert");
    table.BeforeEdit = record("BeforeEdit");
    table.AfterEdit = record("AfterEdit");
    table.BeforePost = record("BeforePost");
    table.AfterPost = record("AfterPost");
    table.BeforeCancel = record("BeforeCancel");
    table.AfterCancel = record("AfterCancel");
    table.OnNewRecord = [&](TDataSet& dataset) { dataset.FieldByName("qty")->SetAsInteger(7); };
    OpenTable("EditEvents");

    // Editing an empty table inserts; a record left unmodified but for its defaults is posted.
    table.Edit();
    EXPECT_EQ(table.State(), dsInsert);
    EXPECT_TRUE(table.Modified());
    Field("name").SetAsString("Hook");
    table.First();
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeInsert", "AfterInsert", "BeforePost", "AfterPost"}));
    EXPECT_EQ(database.Client("SELECT name, qty FROM EditEvents"), "Hook|7");

    // An edit left alone is cancelled when moving, and a cancelled edit shows the values read.
    events.clear();
    table.Edit();
    table.Next();
    table.Edit();
    Field("name").SetAsString("Rail");
    table.Cancel();
    EXPECT_EQ(Field("name").AsString(), "Hook");
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel", "BeforeEdit",
                                                "AfterEdit", "BeforeCancel", "AfterCancel"}));

    // The error event gives up quietly, or mends the record and tries again.
    table.OnNewRecord = nullptr;
    int failures = 0;
    table.OnPostError = [&](TDataSet& dataset, const Exception&, TDataAction& action) {
        if (++failures == 1) {
            action = daAbort;
        } else {
            dataset.FieldByName("name")->SetAsString("Mended");
            action = daRetry;
        }
    };
    table.Append();
    table.Post();
    EXPECT_EQ(table.State(), dsInsert);
    table.Post();
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(Field("name").AsString(), "Mended");
    EXPECT_EQ(database.Client("SELECT COUNT(*) FROM EditEvents WHERE name = 'Mended' AND qty IS NULL"), "1");

    // A read-only lock refuses edits as a read-only connection does.
    table.Close();
    table.SetLockType(ad_LockReadOnly);
    table.Open();
    EXPECT_EQ(DatabaseFailure([&] { table.Insert(); }), "dADOTable1: Cannot modify a read-only dataset");
}

TEST_P(AdoEditingOnServer, BlobStreamsWriteWholeValuesOnlyWhileEditing)
{
    database.Client(std::string("CREATE TABLE EditPictures(id INTEGER PRIMARY KEY, picture ") +
                    (OnSQLite() ? "LONGVARBINARY" : "BYTEA") +
                    ", caption TEXT); INSERT INTO EditPictures VALUES(1, NULL, 'x')");
    OpenTable("EditPictures");
    TField* picture = table.FieldByName("picture");
    EXPECT_EQ(DatabaseFailure([&] { table.CreateBlobStream(picture, bmWrite); }),
              "dADOTable1: Dataset not in edit or insert mode");

    std::vector<std::uint8_t> bytes(1 << 20);
    std::mt19937 random(7);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    table.Edit();
    {
        const auto stream = table.CreateBlobStream(picture, bmWrite);
        stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    }
    {
        const auto memo = table.CreateBlobStream(table.FieldByName("caption"), bmReadWrite);
        EXPECT_EQ(memo->Size(), 1);
        memo->SetPosition(1);
        memo->WriteBuffer("yz", 2);
    }
    table.Post();
    EXPECT_EQ(database.Client("SELECT length(picture), caption FROM EditPictures"), "1048576|xyz");

    table.Close();
    table.Open();
    const auto stream = table.CreateBlobStream(table.FieldByName("picture"), bmRead);
    std::vector<std::uint8_t> read(static_cast<size_t>(stream->Size()));
    stream->ReadBuffer(read.data(), static_cast<std::int64_t>(read.size()));
    EXPECT_TRUE(read == bytes);
}

TEST_P(AdoEditingOnServer, TablesQueriesAndProceduresFillTheirCommands)
{
    database.Client(
        "CREATE TABLE \"Edit Products\"(a INTEGER NOT NULL, b INTEGER NOT NULL, c VARCHAR(10), "
        "PRIMARY KEY(a));"
        "CREATE UNIQUE INDEX EditProductsAB ON \"Edit Products\"(a, b);"
        "INSERT INTO \"Edit Products\" VALUES(1, 1, 'one'); INSERT INTO \"Edit Products\" VALUES(2, 2, 'two')");

    // The Catalog Manager's way: a table opened directly by a name with a blank, edited and posted.
    table.SetTableDirect(true);
    EXPECT_EQ(DatabaseFailure([&] { OpenTable(""); }), "dADOTable1: Missing TableName property");
    OpenTable("Edit Products");
    table.Edit();
    Field("c").SetAsString("uno");
    table.Post();
    EXPECT_EQ(database.Client("SELECT c FROM \"Edit Products\" WHERE a = 1"), "uno");
    EXPECT_EQ(DatabaseFailure([&] { table.SetTableName("Other"); }),
              "dADOTable1: Cannot perform this operation on an open dataset");

    TStringList names;
    table.GetIndexNames(names);
    ASSERT_EQ(names.Count(), 2);
    const TIndexDef& unique = table.IndexDefs().Find("EditProductsAB");
    EXPECT_EQ(unique.Fields(), "a;b");
    EXPECT_TRUE(unique.Options() & ixUnique);
    const TIndexDef& primary = table.IndexDefs().Items(table.IndexDefs().IndexOf("EditProductsAB") == 0 ? 1 : 0);
    EXPECT_EQ(primary.Fields(), "a");
    EXPECT_TRUE(primary.Options() & ixPrimary);

    TdADOQuery query;
    query.SetName("dADOQuery1");
    query.SetConnection(&connection);
    EXPECT_EQ(DatabaseFailure([&] { query.Open(); }), "dADOQuery1: Missing SQL property");
    query.AddSQL("SELECT * FROM \"Edit Products\"");
    query.AddSQL("ORDER BY a");
    EXPECT_EQ(query.SQL().Count(), 2);
    query.Open();
    EXPECT_EQ(query.RecordCount(), 2);
    EXPECT_EQ(DatabaseFailure([&] { query.AddSQL("DESC"); }),
              "dADOQuery1: Cannot perform this operation on an open dataset");
    EXPECT_EQ(query.SQL().Count(), 2);
    query.Close();
    query.SetSQLText("UPDATE \"Edit Products\" SET b = b + 10");
    EXPECT_EQ(query.ExecSQL(), 2);
    EXPECT_EQ(database.Client("SELECT b FROM \"Edit Products\" ORDER BY a"), "11\n12");

    TdADOStoredProc procedure;
    procedure.SetName("dADOStoredProc1");
    procedure.SetConnection(&connection);
    EXPECT_EQ(DatabaseFailure([&] { procedure.Open(); }), "dADOStoredProc1: Missing ProcedureName property");
    if (OnSQLite())
        return; // SQLite has no stored procedures
    database.Client(
        "CREATE FUNCTION edit_products_bump(step integer) RETURNS integer AS "
        "'UPDATE \"Edit Products\" SET b = b + step; SELECT CAST(SUM(b) AS integer) FROM \"Edit Products\"' "
        "LANGUAGE sql");
    procedure.SetProcedureName("edit_products_bump");
    TParameter& step = procedure.Parameters().AddParameter();
    step.SetName("step");
    step.SetDataType(ftInteger);
    step.SetValue(Variant::Integer(100));
    procedure.ExecProc();
    EXPECT_EQ(database.Client("SELECT b FROM \"Edit Products\" ORDER BY a"), "111\n112");
    procedure.Open();
    EXPECT_EQ(procedure.Fields()[0]->AsInteger(), 423);
}

INSTANTIATE_TEST_SUITE_P(Servers, AdoEditingOnServer, testing::Values(Server::SQLite, Server::PostgreSQL),
                         [](const auto& info) { return ServerName(info.param); });

} // namespace
