// The Catalog Manager's data links, offscreen on SQLite: a new link made through the options dialog,
// a link's table shown instead of the grid, and the picture commands posting to its records, as the
// sqlite3 client reads them afterwards.
#include "ado/Adocomps.h"
#include "catalog/CatOpsCode.h"
#include "catalog/DataMaker.h"
#include "catalog/DidADOData.h"
#include "platform/core/CodePage.h"
#include "platform/ui/StringGridView.h"
#include "testing/CatalogFakes.h"
#include "testing/ScriptedUi.h"

#include "OdbcTestSupport.h"
#include "TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

constexpr const char* LinkCaption = "DDL Connection Error";
constexpr const char* RowNotFound =
    "The row to change was not found or is not unique; it may have changed since it was read.";

class CatalogDataLink : public testing::Test {
protected:
    CatalogDataLink() : form(host), catOps(form.model, &form)
    {
        database.Client("CREATE TABLE Products(name TEXT, ean INTEGER PRIMARY KEY, width REAL, height REAL,"
                        " picture TEXT); INSERT INTO Products VALUES('Tea', 1, 10, 20, 'C:\\pics\\tea.jpg'),"
                        " ('Coffee', 2, 11, 21, 'D:\\coffee.jpg'), ('Cocoa', 3, 12, 22, NULL),"
                        " ('Sugar', 4, 13, 23, 'sugar.jpg')");
        form.model.promptDataSource = [this](std::string_view initial) {
            prompts.emplace_back(initial);
            return prompted;
        };
        form.NewCatalog();
        form.show();
    }

    // The roles the user picks in the options dialog: the part number in the second field, the
    // description in the first, the sizes in the third and fourth, the picture in the fifth.
    void ChooseRolesWhenAsked()
    {
        ui.whileShownModally = [this] {
            for (QComboBox* box : catOps.findChildren<QComboBox*>())
                box->setCurrentIndex(0);
            for (const auto& [box, entry] : {std::pair{catOps.cbIndex, 1},
                                             {catOps.cbDescription, 1},
                                             {catOps.cbWidth, 2},
                                             {catOps.cbHeight, 3},
                                             {catOps.cbPicName, 5}})
                box->setCurrentIndex(entry);
            listed = catOps.cbDescription->itemText(1).toStdString();
        };
        ui.AnswerModal(mrOk);
    }

    // A link written by the catalog kind itself, with the roles above.
    std::string WriteLink(const std::string& connection, const std::string& table)
    {
        didADOData link;
        link.roles[RolePartNumber] = 1;
        link.roles[RoleDescription] = 0;
        link.roles[RolePictureName] = 4;
        link.connectionString = connection;
        link.tableName = table;
        const std::string path = database.Folder().File("made.ddl");
        EXPECT_TRUE(link.SaveToFile(path, nullptr, "cm", ""));
        return path;
    }

    std::vector<std::string> Column(int field) const
    {
        std::vector<std::string> texts;
        QAbstractItemModel& table = *form.DBGrid1->model();
        for (int row = 0; row < table.rowCount(); ++row)
            texts.push_back(table.index(row, field).data().toString().toStdString());
        return texts;
    }

    bool GridCommandsEnabled() const
    {
        for (const QAction* command :
             {form.aAddRow, form.aAddColumn, form.ImportText, form.Export1, form.Grid1->menuAction()})
            if (!command->isEnabled())
                return false;
        return true;
    }

    ScriptedUi ui;
    TestDatabase database{Server::SQLite};
    NoSelectorHost host;
    TDForm form;
    TCatOps catOps;
    std::optional<std::string> prompted = database.ConnectionString();
    std::vector<std::string> prompts;
    std::string listed;
};

TEST_F(CatalogDataLink, ANewLinkIsWrittenWithTheChosenRolesAndBecomesTheCatalogSaved)
{
    const std::string path = database.Folder().File("shop.ddl");
    ui.AnswerFile(FileDialogResult{path, 1});
    ui.AnswerInput("Products");
    ChooseRolesWhenAsked();
    form.DirectDataLink1->trigger();

    EXPECT_EQ(ReadWholeFile(path), "DDLF\r\ncatheader.version=1\r\ncatheader.platform=Windows\r\ncatheader.unit=cm\r\n"
                                   "catheader.FieldCount=0\r\ncatheader.recordsize=0\r\n"
                                   "catheader.PhotoCollection=\r\ncatheader.PhotoCollectionMacPath=\r\n"
                                   "catheader.numberColNr=-1\r\ncatheader.indexColNr=1\r\ncatheader.desColNr=0\r\n"
                                   "catheader.picColNr=4\r\ncatheader.wthColNr=2\r\ncatheader.hgtColNr=3\r\n"
                                   "catheader.dpthColNr=-1\r\ncatheader.facingsColNr=-1\r\n"
                                   "catheader.costpriceColNr=-1\r\ncatheader.salepriceColNr=-1\r\n"
                                   "catheader.pegXColNr=-1\r\ncatheader.pegYColNr=-1\r\n"
                                   "catheader.sellAmountColNr=-1\r\ncatheader.inventoryColNr=-1\r\n"
                                   "catheader.minInventoryColNr=-1\r\ncatheader.ConnectionString=" +
                                       database.ConnectionString() + "\r\ncatheader.TableName=Products\r\n");
    EXPECT_EQ(form.model.fileName, path);
    EXPECT_EQ(form.model.catalog->type, "DDL");
    EXPECT_FALSE(form.model.modified);
    EXPECT_EQ(prompts, std::vector<std::string>{"DDL"});
    EXPECT_EQ(listed, "name"); // the options list the table's fields
    const ScriptedUi::Call save = ui.CallsOf(ScriptedUi::Kind::SaveDialog).at(0);
    EXPECT_EQ(save.caption, "Save direct data link");
    EXPECT_EQ(save.fileOptions.filter, "Direct Data Link File|*.ddl");
    EXPECT_EQ(save.fileOptions.defaultExt, "ddl");
    const ScriptedUi::Call input = ui.CallsOf(ScriptedUi::Kind::InputBox).at(0);
    EXPECT_EQ(input.caption, "Data Link Table Name");
    EXPECT_EQ(input.text, "Enter Data Link Table Name");
    EXPECT_FALSE(form.DBGrid1->isHidden());
    EXPECT_TRUE(form.GridView->isHidden());
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Tea", "Coffee", "Cocoa", "Sugar"}));
}

TEST_F(CatalogDataLink, ANewLinkStopsAtTheFirstStepThatFailsAndWritesNothing)
{
    const std::string path = database.Folder().File("shop.ddl");
    const std::string unreachable = "Could not connect to your data source. ADO data source may not be valid.";
    const std::string noTable = "Could not open your table. Make sure you have spelled the table name correctly";
    const struct {
        const char* name;
        std::optional<std::string> prompt; // the data-link dialog's answer
        std::optional<std::string> table;  // the table name typed, when asked
        std::string message;               // the one message shown, if any
    } cases[] = {
        {"cancelled dialog", std::nullopt, std::nullopt, ""},
        {"unreachable source", "Provider=Nobody.1;Data Source=x", std::nullopt, unreachable},
        {"no table name", database.ConnectionString(), "", ""},
        {"missing table", database.ConnectionString(), "Goods", noTable},
        {"hostile table", database.ConnectionString(), "Products; DROP TABLE Products", noTable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui.ClearCalls();
        prompted = c.prompt;
        ui.AnswerFile(FileDialogResult{path, 1});
        if (c.table)
            ui.AnswerInput(*c.table);
        if (!c.message.empty())
            ui.AnswerMessage(MsgAnswer::OK);
        form.DirectDataLink1->trigger();
        EXPECT_EQ(ui.MessageTexts(),
                  c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
        if (!c.message.empty()) {
            EXPECT_EQ(ui.Calls().back().caption, LinkCaption);
            EXPECT_EQ(ui.Calls().back().icon, MsgIcon::Stop);
        }
        EXPECT_FALSE(FileExists(path));
        EXPECT_EQ(form.model.catalog->type, "CTF");
        EXPECT_TRUE(form.DBGrid1->isHidden());
    }
    EXPECT_EQ(database.Client("SELECT count(*) FROM Products"), "4");

    // Edits are offered for saving first; a save that fails ends the command with the edits kept.
    form.model.fileName = database.Folder().File("edited.ctf");
    form.model.Grid.SetEditText(1, 1, "P-1");
    const didBase* edited = form.model.catalog.get();
    ui.ClearCalls();
    ui.AnswerMessage(MsgAnswer::Yes);
    ui.AnswerMessage(MsgAnswer::OK); // the failed write
    {
        FileSizeLimit limit(10);
        form.DirectDataLink1->trigger();
    }
    EXPECT_EQ(ui.MessageTexts().front(),
              "Would you like to save changes to your current catalog file before starting a new catalog?");
    EXPECT_TRUE(ui.CallsOf(ScriptedUi::Kind::SaveDialog).empty());
    EXPECT_EQ(form.model.catalog.get(), edited);
    EXPECT_TRUE(form.model.modified);
    EXPECT_EQ(form.model.Grid.Cells(1, 1), "P-1");
}

TEST_F(CatalogDataLink, AnOpenedLinkShowsItsTableUntilANewCatalogGivesTheGridBack)
{
    ASSERT_TRUE(form.OpenCatalog(WriteLink(database.ConnectionString(), "Products")));
    EXPECT_FALSE(form.DBGrid1->isHidden());
    EXPECT_TRUE(form.GridView->isHidden());
    EXPECT_EQ(form.DBGrid1->model()->headerData(4, Qt::Horizontal).toString().toStdString(), "picture");
    EXPECT_EQ(Column(1), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(form.model.dADODataset1->CommandText(), "SELECT * FROM Products");
    EXPECT_TRUE(form.model.dADODataset1->Active());
    EXPECT_FALSE(GridCommandsEnabled());
    EXPECT_FALSE(form.aImportExcel->isEnabled());

    // The options list the fields and show the first one as the description's.
    catOps.FormShow();
    EXPECT_EQ(catOps.cbDescription->currentText().toStdString(), "name");
    EXPECT_EQ(catOps.cbPicName->currentText().toStdString(), "picture");
    EXPECT_EQ(catOps.cbBrand->currentText().toStdString(), "None");

    // A clicked cell is the current record and the inspector's text.
    form.DBGrid1->setCurrentIndex(form.DBGrid1->model()->index(2, 0));
    EXPECT_EQ(form.model.dADOTable1->RecNo(), 3);
    EXPECT_EQ(form.edCellContent->text().toStdString(), "Cocoa");

    form.NewCatalog1->trigger();
    EXPECT_TRUE(form.DBGrid1->isHidden());
    EXPECT_FALSE(form.GridView->isHidden());
    EXPECT_TRUE(GridCommandsEnabled());
    EXPECT_FALSE(form.model.dADOConnection1->Connected());
}

TEST_F(CatalogDataLink, ALinkWhoseTableCannotBeShownSaysWhyAndKeepsTheTable)
{
    const struct {
        std::string connection;
        std::string table;
        std::string message;
    } cases[] = {
        {"Provider=Nobody.1;Data Source=x", "Products",
         "Could not connect to your data source. ADO data source may not be valid"},
        {database.ConnectionString(), "Goods",
         "Could not open your table make sure you have spelled the Table name correctly"},
        {database.ConnectionString(), "Products; DROP TABLE Products",
         "Could not open your table make sure you have spelled the Table name correctly"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_TRUE(form.OpenCatalog(WriteLink(c.connection, c.table)));
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(ui.Calls().back().caption, LinkCaption);
        EXPECT_TRUE(form.DBGrid1->isHidden());
        EXPECT_TRUE(GridCommandsEnabled());
    }
    EXPECT_EQ(database.Client("SELECT count(*) FROM Products"), "4");
}

// Links that would make the driver manager or a driver load a library, or write a file, as the
// data-link dialog stores them: each is refused before any driver sees it, says which key it holds,
// and nothing loads, now or in a program started afterwards.
TEST_F(CatalogDataLink, RefusedLinksNameTheirKeyAndLoadNothing)
{
    const std::string library = KESTRAME_MARKER_LIBRARY;
    const std::string marker = database.Folder().File("loaded");
    const std::string trace = database.Folder().File("trace.sql");
    setenv("KESTRAME_MARKER_FILE", marker.c_str(), 1);
    database.Client("PRAGMA user_version=1");
    TestDatabase postgres(Server::PostgreSQL);
    const std::string sqlite = database.ConnectionString();
    const auto refused = [](const std::string& fullStop, const std::string& key) {
        return "Could not connect to your data source. ADO data source may not be valid" + fullStop +
               "\nThe connection string may not hold \"" + key +
               "\": only the keys that reach the data (such as the database, server, port, user and password) are "
               "passed to the ODBC driver.";
    };
    const struct {
        std::string odbc;
        std::string key;
    } cases[] = {
        {sqlite + ";DMEnvAttr=SQL_ATTR_UNIXODBC_ENVATTR=LD_PRELOAD=" + library, "DMEnvAttr"},
        {sqlite + ";DMConnAttr=[1041]={" + library + "}", "DMConnAttr"},
        {sqlite + ";DMStmtAttr=[0]={" + library + "}", "DMStmtAttr"},
        {postgres.ConnectionString() + ";SSLmode=require;pqopt={sslkey=" + library + ":key sslcert=" + library + "}",
         "pqopt"},
        {sqlite + ";TraceFile=" + trace, "TraceFile"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.odbc);
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        const std::string stored =
            "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"" + c.odbc + "\"";
        EXPECT_TRUE(form.OpenCatalog(WriteLink(stored, "Products")));
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{refused("", c.key)});
        EXPECT_EQ(ui.Calls().back().caption, LinkCaption);
        EXPECT_TRUE(form.DBGrid1->isHidden());
    }
    EXPECT_EQ(getenv("LD_PRELOAD"), nullptr);
    EXPECT_EQ(RunCommand("/bin/true && echo ran"), "ran\n");
    EXPECT_FALSE(FileExists(marker));
    EXPECT_FALSE(FileExists(trace));

    // Made anew through the dialog, a refused link says the same, with the message's full stop.
    ui.ClearCalls();
    prompted = "Provider=MSDASQL.1;Extended Properties=\"" + sqlite + ";TraceFile=" + trace + "\"";
    ui.AnswerFile(FileDialogResult{database.Folder().File("new.ddl"), 1});
    ui.AnswerMessage(MsgAnswer::OK);
    form.DirectDataLink1->trigger();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{refused(".", "TraceFile")});
    EXPECT_FALSE(FileExists(trace));
}

// A supplier's database whose definitions call the SQLite driver's file functions, wherever SQLite
// runs an expression from and however the names are spelt: shown in the Catalog Manager, it is
// refused before anything of it is read, and no file is written or read. The same definitions with
// SQLite's plain functions still read.
TEST_F(CatalogDataLink, DatabasesWhoseDefinitionsCallTheFileFunctionsAreRefused)
{
    const std::string secret = database.Folder().File("secret");
    const std::string written = database.Folder().File("written");
    const std::string copied = database.Folder().File("copied");
    WriteWholeFile(secret, "sesame");
    const std::string leak = FileFunctionsLeak(written, secret, copied);
    const auto table = [](const std::string& name, const std::string& more) {
        return "CREATE TABLE " + name + "(name TEXT, ean INTEGER" + more + "); INSERT INTO " + name +
               "(name, ean) VALUES('Tea', 1), ('Coffee', 2);";
    };
    const std::string virtualColumn = table("Shelf", ", g GENERATED ALWAYS AS (" + leak + ") VIRTUAL");
    const std::string viewOfColumn =
        table("Base", ", g GENERATED ALWAYS AS (" + leak + ") VIRTUAL") + "CREATE VIEW Shelf AS SELECT * FROM Base";
    const struct {
        const char* name;
        std::string sql; // the definitions, "Shelf" the table linked
        std::string exportName = "blob_export";
        std::string importName = "blob_import";
    } cases[] = {
        {"virtual column", virtualColumn},
        {"stored column", table("Shelf", ", g GENERATED ALWAYS AS (" + leak + ") STORED")},
        {"check", table("Shelf", " CHECK (" + leak + " IS NOT NULL)")},
        {"expression index", table("Shelf", "") + "CREATE INDEX Leaking ON Shelf((" + leak + "))"},
        {"partial index", table("Shelf", "") + "CREATE INDEX Leaking ON Shelf(ean) WHERE " + leak + " IS NOT NULL"},
        {"view of a column", viewOfColumn},
        {"view", table("Base", "") + "CREATE VIEW Shelf AS SELECT name, ean FROM Base WHERE " + leak + " > -1"},
        {"trigger", table("Shelf", "") + "CREATE TRIGGER Leaking AFTER UPDATE ON Shelf BEGIN SELECT " + leak + "; END"},
        {"letter case", virtualColumn, "BLOB_Export", "bLoB_iMpOrT"},
        {"quoted names", virtualColumn, "\"blob_export\"", "[blob_import]"},
        {"plain functions", viewOfColumn, "max", "hex"},
    };
    const std::string refused = "Could not connect to your data source. ADO data source may not be valid\nThis "
                                "database's own definitions call the functions that write and read other files "
                                "(blob_export, blob_import), so the database is not opened.";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase supplier(Server::SQLite);
        DefineWithFileFunctions(supplier, c.sql, c.exportName, c.importName);
        const bool plain = c.exportName == "max";
        ui.ClearCalls();
        if (!plain)
            ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_TRUE(form.OpenCatalog(WriteLink(supplier.ConnectionString(), "Shelf")));
        EXPECT_EQ(ui.MessageTexts(), plain ? std::vector<std::string>{} : std::vector<std::string>{refused});
        EXPECT_EQ(form.DBGrid1->isHidden(), !plain);
        if (plain) {
            EXPECT_EQ(Column(0), (std::vector<std::string>{"Tea", "Coffee"}));
        }
        EXPECT_FALSE(FileExists(written));
        EXPECT_FALSE(FileExists(copied));
    }
}

// A supplier's database naming a library for SQLite to load: the full-text table's compress and
// uncompress, its stored values the library's path, and each place a definition calls a function
// from. Read and written in the Catalog Manager, nothing loads, and the refusal is shown.
TEST_F(CatalogDataLink, DatabasesNamingALibraryLoadNothing)
{
    const std::string library = KESTRAME_MARKER_LIBRARY;
    const std::string marker = database.Folder().File("loaded");
    setenv("KESTRAME_MARKER_FILE", marker.c_str(), 1);
    const std::string load = "max('" + library + "', 'x')"; // load_extension() once defined
    const auto table = [](const std::string& name, const std::string& more) {
        return "CREATE TABLE " + name + "(name TEXT, ean INTEGER, width REAL, height REAL, picture TEXT" + more +
               "); INSERT INTO " + name + "(name, ean) VALUES('Tea', 1);";
    };
    const std::string unreadable = "Could not open your table make sure you have spelled the Table name correctly";
    const std::string malformed = "Could not connect to your data source. ADO data source may not be valid";
    const struct {
        const char* name;
        std::string sql; // the definitions, "Shelf" the table linked
        std::string message;
    } cases[] = {
        {"full-text table", FullTextLoading("Shelf", "name, ean, width, height, picture", library), unreadable},
        {"virtual column", table("Shelf", ", g GENERATED ALWAYS AS (" + load + ") VIRTUAL"), malformed},
        {"stored column", table("Shelf", ", g GENERATED ALWAYS AS (" + load + ") STORED"), malformed},
        {"check", table("Shelf", ", CHECK (" + load + " IS NOT NULL OR picture IS NULL)"),
         "[SQLite]load_extension() is turned off: a data link's database may not load a library. (1)"},
        {"expression index", table("Shelf", "") + "CREATE INDEX Loading ON Shelf((" + load + "))", malformed},
        {"partial index", table("Shelf", "") + "CREATE INDEX Loading ON Shelf(ean) WHERE " + load + " IS NOT NULL",
         malformed},
        {"view", table("Base", "") + "CREATE VIEW Shelf AS SELECT *, " + load + " FROM Base", unreadable},
        {"trigger", table("Shelf", "") + "CREATE TRIGGER Loading AFTER UPDATE ON Shelf BEGIN SELECT " + load + "; END",
         "[SQLite]unsafe use of load_extension() (1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase supplier(Server::SQLite);
        DefineWithFileFunctions(supplier, c.sql, "load_extension");
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        form.OpenCatalog(WriteLink(supplier.ConnectionString(), "Shelf"));
        if (!form.DBGrid1->isHidden()) {
            form.DBGrid1->setCurrentIndex(form.DBGrid1->model()->index(0, 1));
            ui.AnswerFile(FileDialogResult{"/pics/tea.jpg", 1});
            form.aGetPicture->trigger();
        }
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{c.message});
        EXPECT_FALSE(FileExists(marker));
    }
}

// A link naming a stranger's PostgreSQL server sends it no password the user keeps for libpq or in a
// data source (a link may not move one), and one holding its own password sends that one. The real
// server takes a link's password through a data source whose settings turn psqlODBC's logs on, and
// no log is written.
TEST_F(CatalogDataLink, APostgresLinkSendsOnlyItsOwnPassword)
{
    const StoredPostgresPasswords stored;
    const PostgresStandIn stranger;
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_TRUE(
        form.OpenCatalog(WriteLink("DSN=KestrameLogged;Servername=127.0.0.1;Port=" + stranger.Port(), "Products")));
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Could not connect to your data source. ADO data source may not be valid\nThe "
                                       "connection string may not hold \"Servername\" beside a data source (DSN): a "
                                       "data link may not move the user's data source to another server."});
    const std::string server =
        "Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=" + stranger.Port() + ";Database=shop;Uid=kestrame";
    for (const std::string password : {"", ";Pwd=own"}) {
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_TRUE(form.OpenCatalog(WriteLink(server + password, "Products")));
        EXPECT_EQ(ui.MessageTexts(),
                  std::vector<std::string>{"Could not connect to your data source. ADO data source may not be valid"});
    }
    EXPECT_EQ(stranger.Answers(2), (std::vector<std::string>{"no password", "password own"}));

    TestDatabase postgres(Server::PostgreSQL);
    postgres.Client("CREATE TABLE Products(name TEXT, ean INTEGER PRIMARY KEY, width REAL, height REAL, picture TEXT);"
                    "INSERT INTO Products VALUES('Tea', 1, 10, 20, NULL)");
    ASSERT_TRUE(form.OpenCatalog(WriteLink("DSN=KestrameLogged;Pwd=own", "Products")));
    EXPECT_EQ(Column(0), std::vector<std::string>{"Tea"});
    EXPECT_TRUE(std::filesystem::is_empty(PostgresLogFolder()));
}

// A supplier's views that read without end, spin before their one row, spin inside one call of a
// function on long texts, or hold values too large, and a stranger's servers that never answer the
// link's query, answer it a byte at a time, or send rows without end: each is refused within the
// link's command timeout (and the steps that stop a call after it) or before it takes the memory,
// with the reason, and the table still opens afterwards. A table of a great many small values is
// counted as the program holds them, far more than their bytes.
TEST_F(CatalogDataLink, ReadsPastTheirBoundsAreRefusedWithTheReason)
{
    database.Client(
        "CREATE VIEW Endless AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT "
        "'P' || x AS name, x AS ean FROM c; CREATE VIEW Spinning AS WITH RECURSIVE c(x) AS (SELECT 1 "
        "UNION ALL SELECT x + 1 FROM c WHERE x < 100000000000) SELECT max(x) AS name, 1 AS ean FROM c;"
        "CREATE VIEW Huge AS SELECT name, ean, zeroblob(100000000) AS picture FROM Products;"
        "CREATE VIEW Searching AS SELECT instr(printf('%.*c', 60000000, 'a'), printf('%.*c', 30000000, 'a') || 'b') "
        "AS name, 1 AS ean; CREATE VIEW Matching AS SELECT printf('%.*c', 60000000, 'a') LIKE '%' || "
        "printf('%.*c', 40, 'a') || 'b' || printf('%.*c', 40, 'a') || 'b' AS name, 1 AS ean");
    // A small file of a great many small values, each of which costs the program far more than its bytes.
    std::string columns = "name", values = "'a'";
    for (int column = 1; column < 1990; ++column) {
        columns += ", c" + std::to_string(column);
        values += ", 'a'";
    }
    database.Client("CREATE TABLE Wide(" + columns + "); WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
                    "FROM n WHERE x < 10000) INSERT INTO Wide SELECT " + values + " FROM n");
    const auto withTimeout = [](const std::string& odbc, int seconds = 2) {
        return "Provider=MSDASQL.1;Command Timeout=" + std::to_string(seconds) + ";Extended Properties=\"" + odbc +
               "\"";
    };
    const std::string connection = withTimeout(database.ConnectionString());
    const std::string refused = "Could not open your table make sure you have spelled the Table name correctly\n";
    const std::string late = "The database did not answer within the command timeout of 2 seconds, so the read was "
                             "cancelled.";
    const std::string large = "The data read holds more than 1 GB, more than the program takes from a database, so "
                              "nothing was read.";
    const PostgresStandIn silent("silent"), trickling("trickle"), endless("endless");
    // The reads refused for their memory have time enough to reach it on a loaded machine.
    const struct {
        std::string connection;
        const char* table;
        std::string reason;
        int seconds = 2;
    } cases[] = {
        {connection, "Endless", late},
        {connection, "Spinning", late},
        {withTimeout(database.ConnectionString(), 60), "Huge",
         "A value of the data read is larger than 64 MB, more than the program takes from a database, so nothing "
         "was read.",
         60},
        {connection, "Searching", late},
        {connection, "Matching", late},
        {withTimeout(database.ConnectionString(), 60), "Wide", large, 60},
        {withTimeout(silent.ConnectionString()), "Products", late},
        {withTimeout(trickling.ConnectionString()), "Products", late},
        {withTimeout(endless.ConnectionString(), 60), "Products", large, 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table + c.connection);
        if (SanitizedBuild() && std::string_view(c.table) == "Wide")
            continue;
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(form.OpenCatalog(WriteLink(c.connection, c.table)));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(std::max(30, c.seconds + 10)));
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{refused + c.reason});
        EXPECT_TRUE(form.DBGrid1->isHidden());
    }
    EXPECT_LT(StatusBytes("VmHWM"), std::int64_t{2} << 30);
    // What the refused reads took goes back to the system once their connections have closed on their
    // own threads (the sanitizers' heap keeps what it frees).
    const auto heldAfterwards = [] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (StatusBytes("VmRSS") >= std::int64_t{512} << 20 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return StatusBytes("VmRSS");
    };
    if (!SanitizedBuild())
        EXPECT_LT(heldAfterwards(), std::int64_t{512} << 20);
    ASSERT_TRUE(form.OpenCatalog(WriteLink(connection, "Products")));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Tea", "Coffee", "Cocoa", "Sugar"}));

    // A link may shorten the bound, not lift it: "no timeout" reads within the program's longest.
    std::string unbounded = connection;
    ASSERT_TRUE(form.OpenCatalog(WriteLink(unbounded.replace(unbounded.find("=2;"), 2, "=0"), "Products")));
    EXPECT_EQ(form.model.dADOTable1->CommandTimeout(), MaxCommandTimeout);
    EXPECT_EQ(form.model.dADODataset1->CommandTimeout(), MaxCommandTimeout);
}

// Rows that read alike but for their part numbers, which the driver reads alike too: a text cut at its
// NUL byte, integer 1 and text '1' in a column without a type, a text whose bytes are not UTF-8 as "?".
// Link Picture writes the row chosen and no other, whether the table has a rowid, only a key (WITHOUT
// ROWID), or a rowid whose three names its columns take.
TEST_F(CatalogDataLink, LinkPictureWritesTheRowChosenAmongRowsThatReadAlike)
{
    const std::string rows = " VALUES('Tea', CAST(X'534B2D3100' || X'78' AS TEXT), 1, 1, NULL), ('Tea', 'SK-1', 1, 1,"
                             " NULL), ('Tea', 1, 1, 1, NULL), ('Tea', '1', 1, 1, NULL), ('Tea', CAST(X'534B2DE9' AS"
                             " TEXT), 0.1 + 0.2, 1, NULL), ('Tea', 'SK-?', 0.3, 1, NULL)";
    const std::string inOrderRead = "text:534B2D310078 text:534B2D31 integer:31 text:31 text:534B2DE9 text:534B2D3F";
    const struct {
        const char* table;
        std::string definition;
        std::string keys; // the part numbers in the order the table is read
    } cases[] = {
        {"Menu", "(name TEXT, ean, width REAL, height REAL, picture TEXT)", inOrderRead},
        {"Keyed", "(name TEXT, ean PRIMARY KEY, width REAL, height REAL, picture TEXT) WITHOUT ROWID",
         "integer:31 text:31 text:534B2D31 text:534B2D310078 text:534B2D3F text:534B2DE9"},
        {"Named", "(name TEXT, ean, width REAL, height REAL, picture TEXT, rowid, _rowid_, oid)", inOrderRead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        database.Client(std::string("CREATE TABLE ") + c.table + c.definition + "; INSERT INTO " + c.table +
                        "(name, ean, width, height, picture)" + rows);
        ASSERT_TRUE(form.OpenCatalog(WriteLink(database.ConnectionString(), c.table)));
        ui.ClearCalls();
        for (int row = 0; row < 6; ++row) {
            form.DBGrid1->setCurrentIndex(form.DBGrid1->model()->index(row, 1));
            ui.AnswerFile(FileDialogResult{"/pics/" + std::to_string(row) + ".jpg", 1});
            form.aGetPicture->trigger();
        }
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{});
        ASSERT_TRUE(form.close());
        EXPECT_EQ(database.Client(std::string("SELECT group_concat(typeof(ean) || ':' || hex(ean), ' ') FROM (SELECT "
                                              "ean FROM ") +
                                  c.table + " ORDER BY picture)"),
                  c.keys);
    }
}

TEST_F(CatalogDataLink, PictureCommandsPostToTheRecordsOfTheTable)
{
    const std::string link = WriteLink(database.ConnectionString(), "Products");
    const auto pictures = [&] { return database.Client("SELECT ifnull(picture, '-') FROM Products ORDER BY ean"); };
    ASSERT_TRUE(form.OpenCatalog(link));

    // Link Picture writes the record selected in the table at once.
    form.DBGrid1->setCurrentIndex(form.DBGrid1->model()->index(2, 1));
    ui.AnswerFile(FileDialogResult{"/pics/cocoa.jpg", 1});
    form.aGetPicture->trigger();
    EXPECT_EQ(Column(4)[2], "/pics/cocoa.jpg");
    EXPECT_FALSE(form.model.modified);

    // Change drive rewrites the records with a drive.
    ui.AnswerMessage(MsgAnswer::Yes);
    ui.AnswerInput("E:");
    form.aChangeDrive->trigger();
    EXPECT_EQ(Column(4),
              (std::vector<std::string>{"E:\\pics\\tea.jpg", "E:\\coffee.jpg", "/pics/cocoa.jpg", "sugar.jpg"}));
    EXPECT_EQ(form.model.dADOTable1->RecNo(), 3);
    ASSERT_TRUE(form.close());
    EXPECT_EQ(pictures(), "E:\\pics\\tea.jpg\nE:\\coffee.jpg\n/pics/cocoa.jpg\nsugar.jpg");

    // Strip keeps the file names; an empty field stays empty.
    database.Client("UPDATE Products SET picture = NULL WHERE ean = 4");
    ASSERT_TRUE(form.OpenCatalog(link));
    form.model.location = "/pics/";
    ui.AnswerMessage(MsgAnswer::Yes);
    form.aStripPath->trigger();
    ASSERT_TRUE(form.close());
    EXPECT_EQ(pictures(), "tea.jpg\ncoffee.jpg\ncocoa.jpg\n-");
}

// Another program changes the table while the Catalog Manager shows it, giving a rowid read to another
// product: the commands on a product gone or renumbered refuse, and every other product stays as it was.
TEST_F(CatalogDataLink, PictureCommandsRefuseRowsAnotherProgramChangedSinceTheRead)
{
    const std::string goods = "INSERT INTO Goods VALUES('Tea', 'SK-101', 1, 1, 'C:\\a.jpg'), ('Coffee', 'SK-102', 1, "
                              "1, 'C:\\b.jpg'), ('Cocoa', 'SK-103', 1, 1, 'C:\\c.jpg'), ('Sugar', 'SK-104', 1, 1, "
                              "'C:\\d.jpg')";
    const std::string replaced = "DELETE FROM Goods WHERE part = 'SK-104'; INSERT INTO Goods VALUES('Hat', 'HT-301', "
                                 "1, 1, 'C:\\h.jpg')";
    const std::string vacuumed = "DELETE FROM Goods WHERE part = 'SK-101'; VACUUM";
    const struct {
        const char* name;
        std::string key;    // the part number's type
        std::string change; // what the other program does after the read
        int row;            // the row Link Picture is given
        bool strip;         // Strip Picture Path follows
        std::string after;  // the products as the table holds them afterwards
    } cases[] = {
        {"rowid given again", "TEXT", replaced, 3, false,
         "HT-301|C:\\h.jpg\nSK-101|C:\\a.jpg\nSK-102|C:\\b.jpg\nSK-103|C:\\c.jpg"},
        {"rowid given again to a key", "TEXT PRIMARY KEY", replaced, 3, false,
         "HT-301|C:\\h.jpg\nSK-101|C:\\a.jpg\nSK-102|C:\\b.jpg\nSK-103|C:\\c.jpg"},
        {"rowids renumbered", "TEXT", vacuumed, 1, true, "SK-102|C:\\b.jpg\nSK-103|C:\\c.jpg\nSK-104|C:\\d.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        database.Client("DROP TABLE IF EXISTS Goods; CREATE TABLE Goods(name TEXT, part " + c.key +
                        ", width REAL, height REAL, picture TEXT); " + goods);
        ASSERT_TRUE(form.OpenCatalog(WriteLink(database.ConnectionString(), "Goods")));
        database.Client(c.change);
        ui.ClearCalls();
        form.DBGrid1->setCurrentIndex(form.DBGrid1->model()->index(c.row, 1));
        ui.AnswerFile(FileDialogResult{"/pics/new.jpg", 1});
        ui.AnswerMessage(MsgAnswer::OK);
        form.aGetPicture->trigger();
        std::vector<std::string> messages{RowNotFound};
        if (c.strip) {
            form.model.location = "/pics/";
            ui.AnswerMessage(MsgAnswer::Yes);
            ui.AnswerMessage(MsgAnswer::OK);
            form.aStripPath->trigger();
            messages = {RowNotFound,
                        "You are about to remove any path information in the picture column for all product entries "
                        "Kestrame will use the path information stored in the Picture Collection Location setting. "
                        "Do you wish to continue?",
                        RowNotFound};
        }
        EXPECT_EQ(ui.MessageTexts(), messages);
        ASSERT_TRUE(form.close());
        EXPECT_EQ(database.Client("SELECT part, picture FROM Goods ORDER BY part"), c.after);
    }
}

// Tables as wide as SQLite's results go open: where nothing tells their rows apart beside the columns
// there is room for, Link Picture refuses rather than guess.
TEST_F(CatalogDataLink, TablesAsWideAsSqliteAllowsOpenAndRefuseWritesTheyCannotTellApart)
{
    for (const int columns : {1999, 2000}) {
        SCOPED_TRACE(columns);
        std::string definition = "c0", values;
        for (int column = 1; column < columns; ++column) {
            definition += ", c" + std::to_string(column);
            values += ", 'v" + std::to_string(column) + "'";
        }
        database.Client("DROP TABLE IF EXISTS Wide; CREATE TABLE Wide(" + definition +
                        "); INSERT INTO Wide VALUES('Tea'" + values + "), ('Coffee'" + values + ")");
        ASSERT_TRUE(form.OpenCatalog(WriteLink(database.ConnectionString(), "Wide")));
        EXPECT_EQ(form.DBGrid1->model()->columnCount(), columns);
        EXPECT_EQ(Column(0), (std::vector<std::string>{"Tea", "Coffee"}));
        ui.ClearCalls();
        form.DBGrid1->setCurrentIndex(form.DBGrid1->model()->index(1, 1));
        ui.AnswerFile(FileDialogResult{"/pics/coffee.jpg", 1});
        if (columns == 2000)
            ui.AnswerMessage(MsgAnswer::OK);
        form.aGetPicture->trigger();
        ASSERT_TRUE(form.close());
        EXPECT_EQ(ui.MessageTexts(),
                  columns == 2000 ? std::vector<std::string>{RowNotFound} : std::vector<std::string>{});
        EXPECT_EQ(database.Client("SELECT group_concat(c4, ' ') FROM Wide"),
                  columns == 2000 ? "v4 v4" : "v4 /pics/coffee.jpg");
    }
}

// A text of 20 MB, a surrogate pair where it is cut, shows as its start and an ellipsis in the table
// and the read-only inspector, is read whole, and stays whole when Link Picture writes its row.
TEST_F(CatalogDataLink, ALongTextShowsItsStartAndStaysWholeWhenItsRowIsWritten)
{
    const std::string longName = "printf('%.*c', " + std::to_string(ShownCharacters - 1) +
                                 ", 'x') || char(128512) || replace(hex(zeroblob(20000000)), '00', 'y')";
    database.Client("UPDATE Products SET name = " + longName + " WHERE ean = 2");
    ASSERT_TRUE(form.OpenCatalog(WriteLink(database.ConnectionString(), "Products")));
    form.DBGrid1->grab();
    const std::string start = std::string(ShownCharacters - 1, 'x') + "?"; // the pair has no Western letter
    EXPECT_EQ(form.DBGrid1->model()->index(1, 0).data().toString(), toQString(start) + QChar(u'\u2026'));

    form.DBGrid1->setCurrentIndex(form.DBGrid1->model()->index(1, 0));
    EXPECT_EQ(form.model.cellContent, start + std::string(20'000'000, 'y'));
    EXPECT_TRUE(form.edCellContent->isReadOnly());
    ui.AnswerFile(FileDialogResult{"/pics/coffee.jpg", 1});
    form.aGetPicture->trigger();
    ASSERT_TRUE(form.close());
    EXPECT_EQ(database.Client("SELECT name = " + longName + ", picture FROM Products WHERE ean = 2"),
              "1|/pics/coffee.jpg");
}

// A table of texts without a key, its part number first: Link Picture writes each path as the system
// names it, in any script, or refuses a field that cannot hold it, and Strip keeps the name whole.
TEST_F(CatalogDataLink, LinkedPathsReachTheTableAsTheSystemNamesThem)
{
    database.Client("CREATE TABLE Goods(part TEXT, name TEXT, picture TEXT, label VARCHAR(40));"
                    "INSERT INTO Goods VALUES('A-1', 'Tea', NULL, NULL), ('B-2', 'Coffee', 'x.jpg', 'x'),"
                    " ('C-3', 'Cocoa', NULL, NULL)");
    const auto linkWithPictureIn = [&](int field) {
        didADOData link;
        link.roles[RolePartNumber] = 0;
        link.roles[RoleDescription] = 1;
        link.roles[RolePictureName] = field;
        link.connectionString = database.ConnectionString();
        link.tableName = "Goods";
        const std::string path = database.Folder().File("goods.ddl");
        EXPECT_TRUE(link.SaveToFile(path, nullptr, "cm", ""));
        return path;
    };
    const auto linkPicture = [&](int row, const std::string& path) {
        form.DBGrid1->setCurrentIndex(form.DBGrid1->model()->index(row, 0));
        ui.AnswerFile(FileDialogResult{path, 1});
        form.aGetPicture->trigger();
    };
    const auto stored = [&](const char* field) {
        return database.Client(std::string("SELECT ifnull(") + field + ", '-') FROM Goods ORDER BY part");
    };
    ASSERT_TRUE(form.OpenCatalog(linkWithPictureIn(2)));
    linkPicture(0, "/pics/Café.jpg");
    linkPicture(2, "/pics/Полка/чай 中.jpg");
    linkPicture(1, "/pics/Полка/кофе.jpg");
    EXPECT_TRUE(ui.MessageTexts().empty());
    ASSERT_TRUE(form.close());
    EXPECT_EQ(stored("picture"), "/pics/Café.jpg\n/pics/Полка/кофе.jpg\n/pics/Полка/чай 中.jpg");

    ASSERT_TRUE(form.OpenCatalog(linkWithPictureIn(2)));
    form.model.location = "/pics/";
    ui.AnswerMessage(MsgAnswer::Yes);
    form.aStripPath->trigger();
    ASSERT_TRUE(form.close());
    EXPECT_EQ(stored("picture"), "Café.jpg\nкофе.jpg\nчай 中.jpg");

    // A field of Western text takes a Western path, and refuses another rather than keep a different one.
    ASSERT_TRUE(form.OpenCatalog(linkWithPictureIn(3)));
    ui.ClearCalls();
    linkPicture(0, "/pics/Crème.jpg");
    ui.AnswerMessage(MsgAnswer::OK);
    linkPicture(1, "/pics/Полка.jpg");
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"The picture path /pics/Полка.jpg cannot be stored in the "
                                                          "field label, which holds only Western European letters."});
    ASSERT_TRUE(form.close());
    EXPECT_EQ(stored("label"), "/pics/Crème.jpg\nx\n-");
}

} // namespace
