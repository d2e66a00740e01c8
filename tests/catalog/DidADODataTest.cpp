#include "catalog/DidADOData.h"

#include "ado/Adocomps.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/StringGrid.h"
#include "testing/ScriptedUi.h"

#include "OdbcTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// The document's components, as a document window sets them up.
class LinkHost : public DataLinkHost {
public:
    LinkHost()
    {
        connection.SetProvider("MSDASQL.1");
        connection.SetMode(ad_ModeRead);
        dataSet.SetConnection(&connection);
        dataSet.SetCursorLocation(ad_UseClient);
        dataSet.SetCursorType(ad_OpenDynamic);
    }
    TdADOConnection& DataConnection() override { return connection; }
    TdADODataset& DataSet() override { return dataSet; }
    bool PlanogramWizardVisible() override { return wizardVisible; }
    void UpdateCatalogBar() override { ++barUpdates; }

    TdADOConnection connection;
    TdADODataset dataSet;
    bool wizardVisible = false;
    int barUpdates = 0;
};

std::string OleDbString(const std::string& odbc)
{
    return "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"" + odbc + "\"";
}

// A link whose roles are: part number 0, description 1, width 2, height 3, peg X 4.
std::string WriteLink(const TemporaryFolder& folder, const std::string& name, const std::string& connection,
                      const std::string& table)
{
    didADOData link;
    link.roles[RolePartNumber] = 0;
    link.roles[RoleDescription] = 1;
    link.roles[RoleWidth] = 2;
    link.roles[RoleHeight] = 3;
    link.roles[RolePegX] = 4;
    link.connectionString = connection;
    link.tableName = table;
    const std::string path = folder.File(name);
    EXPECT_TRUE(link.SaveToFile(path, nullptr, "cm", ""));
    return path;
}

// Five products in `table`; SQLite keeps the 13-digit EAN in a plain INTEGER column.
void MakeProducts(const TestDatabase& database, const std::string& table)
{
    const std::string quoted = "\"" + table + "\"";
    database.Client("CREATE TABLE " + quoted + "(ean " + (database.Kind() == Server::SQLite ? "INTEGER" : "BIGINT") +
                    ", name VARCHAR(20), width REAL, height REAL, pegx VARCHAR(8)); INSERT INTO " + quoted +
                    " VALUES(4006381333931, 'Tea', 10.5, 20, '2.5'), (4006381333932, 'Coffee', 11, 21, '3'),"
                    "(4006381333933, 'Cocoa', 12, 22, '0'), (4006381333934, 'Sugar', 13, 23, '1'),"
                    "(4006381333935, 'Salt', 14, 24, '2')");
}

const std::string GoldenLink = "DDLF\r\n"
                               "catheader.version=1\r\n"
                               "catheader.platform=Windows\r\n"
                               "catheader.unit=inch\r\n"
                               "catheader.FieldCount=6\r\n"
                               "catheader.recordsize=42\r\n"
                               "catheader.PhotoCollection=C:\\Pics\r\n"
                               "catheader.PhotoCollectionMacPath=Mac:Pics\r\n"
                               "catheader.numberColNr=-1\r\n"
                               "catheader.indexColNr=0\r\n"
                               "catheader.desColNr=1\r\n"
                               "catheader.picColNr=-1\r\n"
                               "catheader.wthColNr=2\r\n"
                               "catheader.hgtColNr=3\r\n"
                               "catheader.dpthColNr=-1\r\n"
                               "catheader.facingsColNr=-1\r\n"
                               "catheader.costpriceColNr=-1\r\n"
                               "catheader.salepriceColNr=4\r\n"
                               "catheader.pegXColNr=-1\r\n"
                               "catheader.pegYColNr=-1\r\n"
                               "catheader.sellAmountColNr=-1\r\n"
                               "catheader.inventoryColNr=5\r\n"
                               "catheader.minInventoryColNr=-1\r\n"
                               "%CB"
                               "catheader.ConnectionString=DSN=Shop\r\n"
                               "catheader.TableName=Products\r\n";

std::string Golden(const std::string& categoryAndBrand)
{
    std::string text = GoldenLink;
    return text.replace(text.find("%CB"), 3, categoryAndBrand);
}

} // namespace

TEST(DataLinkFile, IsWrittenLineByLineWithCategoryAndBrandOnlyWhenAssigned)
{
    ScriptedUi ui;
    TemporaryFolder folder;
    didADOData link;
    link.fieldCount = 6;
    link.recordCount = 42;
    link.photoCollectionMacPath = "Mac:Pics";
    link.roles[RolePartNumber] = 0;
    link.roles[RoleDescription] = 1;
    link.roles[RoleWidth] = 2;
    link.roles[RoleHeight] = 3;
    link.roles[RoleSalePrice] = 4;
    link.roles[RoleInventory] = 5;
    link.connectionString = "DSN=Shop";
    link.tableName = "Products";
    const std::string path = folder.File("shop.ddl");
    ASSERT_TRUE(link.SaveToFile(path, nullptr, "inch", "C:\\Pics"));
    EXPECT_EQ(ReadWholeFile(path), Golden(""));

    link.roles[RoleCategory] = 0;
    link.roles[RoleBrand] = 5;
    ASSERT_TRUE(link.SaveToFile(path, nullptr, "inch", "C:\\Pics"));
    EXPECT_EQ(ReadWholeFile(path), Golden("catheader.categoryColNr=0\r\ncatheader.brandColNr=5\r\n"));
}

TEST(DataLinkFile, OptionalRolesReadAbsentWhenMissingAndAsWrittenWhenPresent)
{
    ScriptedUi ui;
    TemporaryFolder folder;
    const std::string path = folder.File("hand.ddl");
    WriteWholeFile(path, "DDLF\n"
                         "catheader.unit= cm \x01junk\n"
                         "catheader.FieldCount=2000000000\n"
                         "catheader.indexColNr=2\n"
                         "catheader.inventoryColNr=0\n"
                         "catheader.brandColNr=3\n"
                         "catheader.TableName=Goods\n");
    didADOData link;
    ASSERT_TRUE(link.Open(path, nullptr)); // unbound: the link alone is read
    EXPECT_EQ(link.units, "cm");
    EXPECT_EQ(link.roles[RolePartNumber], 2);
    EXPECT_EQ(link.roles[RoleRecordNumber], 0); // the first roles read a missing key as 0
    EXPECT_EQ(link.roles[RoleDescription], 0);
    EXPECT_EQ(link.roles[RoleInventory], 0);
    EXPECT_EQ(link.roles[RoleSellAmount], -1);
    EXPECT_EQ(link.roles[RoleMinInventory], -1);
    EXPECT_EQ(link.roles[RoleCategory], -1);
    EXPECT_EQ(link.roles[RoleBrand], 3);
    EXPECT_EQ(link.fieldCount, didADOData::MaxLinkFields);
    EXPECT_EQ(link.columnNames.size(), static_cast<size_t>(didADOData::MaxLinkFields));
    EXPECT_EQ(link.tableName, "Goods");
    // Without a dataset there are no records.
    EXPECT_FALSE(link.First());
    EXPECT_FALSE(link.FindByKey("x"));
    EXPECT_EQ(link.GetFieldText(0, 1), "");

    WriteWholeFile(path, "DIDF1\r\n");
    EXPECT_FALSE(link.Open(path, nullptr));
    EXPECT_TRUE(ui.Calls().empty());
}

TEST(DataLinkFile, SurvivesASaveAndAnOpenWholeAndAFailedSaveKeepsTheOldFile)
{
    ScriptedUi ui;
    TemporaryFolder folder;
    const std::string path = folder.File("round.ddl");
    // Windows-1252 bytes: "C:\Données\shop.mdb" inside a 400-character string.
    std::string connection = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Donn\xE9"
                             "es\\shop.mdb;";
    connection += std::string(400 - connection.size(), 'x');
    {
        didADOData link;
        link.fieldCount = 3;
        link.photoCollectionMacPath = "Macintosh HD:Bilder:\xC9t\xE9";
        link.roles[RolePartNumber] = 1;
        link.roles[RoleCategory] = 0;
        link.roles[RoleSellAmount] = 0;
        link.connectionString = connection;
        link.tableName = "My Products";
        ASSERT_TRUE(link.SaveToFile(path, nullptr, "cm", "/pics"));
    }
    const std::string saved = ReadWholeFile(path);
    didADOData link;
    TStringGrid grid(2, 2);
    ASSERT_TRUE(link.Open(path, &grid));
    EXPECT_EQ(link.connectionString, connection);
    EXPECT_EQ(link.photoCollectionMacPath, "Macintosh HD:Bilder:\xC9t\xE9");
    EXPECT_EQ(link.roles[RoleCategory], 0);
    EXPECT_EQ(link.roles[RoleSellAmount], 0);
    EXPECT_EQ(link.roles[RoleBrand], -1);
    EXPECT_EQ(link.columnNames, std::vector<std::string>(3));
    ASSERT_TRUE(link.SaveToFile(path, nullptr, link.units, link.photoCollection));
    EXPECT_EQ(ReadWholeFile(path), saved);

    link.tableName = "Other";
    ui.AnswerMessage(MsgAnswer::OK);
    {
        FileSizeLimit limit(300);
        EXPECT_FALSE(link.SaveToFile(path, nullptr, "cm", "/pics"));
    }
    EXPECT_EQ(ReadWholeFile(path), saved);
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, "Could not save the file " + path + ".\nFile too large");
    EXPECT_EQ(ui.Calls()[0].caption, "Open Error");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Stop);
}

class DataLinkOnServer : public testing::TestWithParam<Server> {
protected:
    ScriptedUi ui;
    TestDatabase database{GetParam()};
};

// Tables on the shared PostgreSQL server get names no other test uses.
TEST_P(DataLinkOnServer, OpensTheLinkedTableThroughItsDocumentsComponents)
{
    const std::string table = GetParam() == Server::SQLite ? "Products" : "datalink_open_goods";
    MakeProducts(database, table);
    const std::string path = WriteLink(database.Folder(), "shop.ddl", OleDbString(database.ConnectionString()), table);
    LinkHost host;
    didADOData link(&host);
    ASSERT_TRUE(link.Open(path, nullptr));
    EXPECT_EQ(host.dataSet.CommandText(), "SELECT * FROM " + table);
    EXPECT_EQ(link.fieldCount, 5);
    EXPECT_EQ(link.recordCount, 5);
    EXPECT_EQ(link.columnNames, (std::vector<std::string>{"ean", "name", "width", "height", "pegx"}));
    ASSERT_TRUE(link.Last());
    EXPECT_EQ(link.partNumber, "4006381333935");
    EXPECT_EQ(link.description, "Salt");
    EXPECT_EQ(link.widthQ, 56);
}

INSTANTIATE_TEST_SUITE_P(Servers, DataLinkOnServer, testing::Values(Server::SQLite, Server::PostgreSQL),
                         testing::PrintToStringParamName());

// A number beyond what the currency field holds is shown as the server holds it, and the rows
// around it read as ever.
TEST(DataLinkOnPostgreSQL, AValueBeyondItsFieldIsShownAsTextAndEndsNoWalk)
{
    TestDatabase database(Server::PostgreSQL);
    database.Client("CREATE TABLE datalink_wide_goods(ean NUMERIC(20,0), name VARCHAR(20), width REAL, height REAL,"
                    " pegx VARCHAR(8)); INSERT INTO datalink_wide_goods VALUES(12345678901234567890, 'Wide', 1, 2,"
                    " '1E1'), (7, 'Small', 3, 4, '2.9')");
    LinkHost host;
    didADOData link(&host);
    ASSERT_TRUE(link.Open(
        WriteLink(database.Folder(), "wide.ddl", OleDbString(database.ConnectionString()), "datalink_wide_goods"),
        nullptr));
    link.roles[RoleFacings] = 4; // facings are read as a number, then cut to whole
    ASSERT_TRUE(link.First());
    EXPECT_EQ(link.partNumber, "12345678901234567890");
    EXPECT_EQ(link.facings, 10);
    ASSERT_TRUE(link.Next());
    EXPECT_EQ(link.description, "Small");
    EXPECT_EQ(link.facings, 2);
    ASSERT_TRUE(link.FindByKey("12345678901234567890"));
    EXPECT_EQ(link.description, "Wide");
    TStringGrid grid(1, 1);
    link.LoadIntoGrid(grid);
    EXPECT_EQ(grid.Cells(0, 1), "12345678901234567890");
    EXPECT_EQ(grid.Cells(0, 2), "7");
}

class DataLinkOnSQLite : public testing::Test {
protected:
    DataLinkOnSQLite() { MakeProducts(database, "Products"); }

    std::string Link(const std::string& table, const std::string& name = "shop.ddl")
    {
        return WriteLink(database.Folder(), name, OleDbString(database.ConnectionString()), table);
    }

    ScriptedUi ui;
    TestDatabase database{Server::SQLite};
    LinkHost host;
};

TEST_F(DataLinkOnSQLite, FailuresToConnectOrToOpenTheTableAreShownAndLeaveTheTable)
{
    const auto opensWith = [&](const std::string& connection, const std::string& table) {
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        didADOData link(&host);
        const bool opened = link.Open(WriteLink(database.Folder(), "bad.ddl", connection, table), nullptr);
        EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::MessageBox).size(), 1u);
        return opened ? std::string("opened") : ui.Calls().back().text;
    };
    const std::string noConnection = "Could not connect to your database.";
    EXPECT_EQ(opensWith("Provider=Nobody.1;Data Source=x", "Products"), noConnection);
    EXPECT_EQ(opensWith(OleDbString("Driver={SQLite3};Database=" + database.Folder().File("gone.db")), "Products"),
              noConnection);
    EXPECT_EQ(opensWith(OleDbString(database.ConnectionString() + ";TraceFile=" + database.Folder().File("trace")),
                        "Products"),
              noConnection + "\nThe connection string may not hold \"TraceFile\": only the keys that reach the data "
                             "(such as the database, server, port, user and password) are passed to the ODBC driver.");
    EXPECT_FALSE(FileExists(database.Folder().File("trace")));
    EXPECT_EQ(opensWith(OleDbString(database.ConnectionString()), "Missing"),
              "Could not create a dataset. Check that the table called Missing still exists in your database.");
    EXPECT_EQ(opensWith(OleDbString(database.ConnectionString()), "Products;DROP TABLE Products"),
              "Could not create a dataset. Check that the table called Products;DROP TABLE Products still exists "
              "in your database.");
    EXPECT_EQ(database.Client("SELECT count(*) FROM Products"), "5");
    EXPECT_EQ(ui.Calls().back().caption, "Kestrame");

    database.Client("CREATE TABLE \"My Products\"(ean INTEGER, name TEXT); INSERT INTO \"My Products\" VALUES(7, 'x')");
    didADOData link(&host);
    ASSERT_TRUE(link.Open(Link("My Products"), nullptr));
    EXPECT_EQ(link.recordCount, 1);
}

// A picture path in any script is read as a stored path: Windows-1252 where it can be, else UTF-8,
// as the picture finder reads it.
TEST_F(DataLinkOnSQLite, PicturePathsAreReadAsStoredPaths)
{
    database.Client("CREATE TABLE Shelves(ean TEXT, picture TEXT);"
                    "INSERT INTO Shelves VALUES('1', '/pics/Полка/чай.jpg'), ('2', 'Café.jpg')");
    didADOData written;
    written.roles[RolePartNumber] = 0;
    written.roles[RolePictureName] = 1;
    written.connectionString = OleDbString(database.ConnectionString());
    written.tableName = "Shelves";
    const std::string path = database.Folder().File("shelves.ddl");
    ASSERT_TRUE(written.SaveToFile(path, nullptr, "cm", ""));
    didADOData link(&host);
    ASSERT_TRUE(link.Open(path, nullptr));
    ASSERT_TRUE(link.First());
    EXPECT_EQ(link.pictureName, "/pics/Полка/чай.jpg");
    ASSERT_TRUE(link.Next());
    EXPECT_EQ(link.pictureName, "Caf\xe9.jpg");
}

TEST_F(DataLinkOnSQLite, RecordsComeFromTheCurrentRowAndBadNumbersGiveNothing)
{
    didADOData link(&host);
    ASSERT_TRUE(link.Open(Link("Products"), nullptr));
    ASSERT_TRUE(link.First());
    EXPECT_EQ(link.partNumber, "4006381333931");
    EXPECT_EQ(link.pegX, 2.5);
    EXPECT_EQ(link.pegXQ, 10);
    EXPECT_EQ(link.recordNumber, 0);
    EXPECT_EQ(link.GetFieldText(0, 1), "4006381333931");
    ASSERT_TRUE(link.Next());
    EXPECT_EQ(link.description, "Coffee");
    ASSERT_TRUE(link.Last());
    ASSERT_TRUE(link.Next()); // the last row again
    EXPECT_EQ(link.description, "Salt");

    host.dataSet.SetRecNo(3);
    EXPECT_FALSE(link.FindByKey("4006381333939"));
    EXPECT_EQ(host.dataSet.RecNo(), 3);
    EXPECT_EQ(host.barUpdates, 0);
    ASSERT_TRUE(link.FindByKey("4006381333934"));
    EXPECT_EQ(link.description, "Sugar");
    EXPECT_EQ(host.barUpdates, 1);

    for (const auto& [field, record] : {std::pair{0, 0}, {0, -1}, {0, 6}, {-1, 1}, {5, 1}})
        EXPECT_EQ(link.GetFieldText(field, record), "") << field << " " << record;
    EXPECT_EQ(link.GetFieldText(1, 5), "Salt");
    EXPECT_EQ(host.dataSet.RecNo(), 4); // reading leaves the row

    TStringGrid grid(1, 1);
    link.LoadRangeIntoGrid(grid, 1, 10);
    EXPECT_EQ(grid.RowCount(), 6);
    EXPECT_EQ(grid.Cells(1, 0), "name");
    EXPECT_EQ(grid.Cells(1, 5), "Salt");
    link.LoadRangeIntoGrid(grid, 4, 1);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cells(1, 1), "Sugar");
    for (int first : {0, 6}) {
        link.LoadRangeIntoGrid(grid, first, 3);
        EXPECT_EQ(grid.RowCount(), 2) << first;
    }
    link.LoadIntoGrid(grid);
    EXPECT_EQ(grid.RowCount(), 6);
    EXPECT_EQ(grid.Cells(0, 3), "4006381333933");
}

TEST_F(DataLinkOnSQLite, EachCatalogReadsItsOwnDocumentsDataset)
{
    database.Client("CREATE TABLE Others(ean TEXT, name TEXT); INSERT INTO Others VALUES('O1', 'Other one')");
    LinkHost otherHost;
    didADOData link(&host);
    auto other = std::make_unique<didADOData>(&otherHost);
    ASSERT_TRUE(link.Open(Link("Products"), nullptr));
    ASSERT_TRUE(other->Open(Link("Others", "others.ddl"), nullptr));
    ASSERT_TRUE(link.First());
    ASSERT_TRUE(other->First());
    EXPECT_EQ(link.description, "Tea");
    EXPECT_EQ(other->description, "Other one");

    other.reset();
    EXPECT_FALSE(otherHost.dataSet.Active());
    ASSERT_TRUE(host.dataSet.Active());
    ASSERT_TRUE(link.Next());
    EXPECT_EQ(link.description, "Coffee");

    // A closed dataset has no records to give.
    host.dataSet.Close();
    EXPECT_FALSE(link.Next());
    EXPECT_FALSE(link.FindByKey("4006381333931"));

    LinkHost wizardHost;
    wizardHost.wizardVisible = true;
    didADOData wizardLink(&wizardHost);
    ASSERT_TRUE(wizardLink.Open(Link("Products"), nullptr));
    EXPECT_FALSE(wizardHost.connection.Connected());
    EXPECT_EQ(wizardLink.tableName, "Products");
}
