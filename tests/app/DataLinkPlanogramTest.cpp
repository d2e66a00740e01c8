#include "app/ExampleDataLink.h"
#include "app/MainFormFixture.h"
#include "app/SDIMain.h"

#include "planogram/PlanogramDocument.h"
#include "planogram/SelectorCode.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/StringGridView.h"

#include <QLineEdit>

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class DataLinkPlanogramTest : public MainFormFixture {
protected:
    // The example's text catalog copied whole into a SQLite table, with a link naming its roles.
    void LinkTheExampleCatalog()
    {
        WriteExampleDataLink(database, program.File("Catalogs/Sample.ctf"), program.File("Catalogs/Sample.ddl"));
        WriteWholeFile(Example(),
                       Replaced(ReadWholeFile(Example()), "CatalogName=Sample.ctf", "CatalogName=Sample.ddl"));
    }

    TestDatabase database{Server::SQLite};
};

} // namespace

TEST_F(DataLinkPlanogramTest, APlanogramOnADataLinkOpensAndDrawsItsProducts)
{
    LinkTheExampleCatalog();
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    // The products agree with the planogram, so nothing is asked.
    EXPECT_TRUE(ui.Calls().empty());
    PlanogramDocument& document = Active();
    ASSERT_NE(document.catalog, nullptr);
    EXPECT_EQ(document.catalog->type, "DDL");
    EXPECT_EQ(document.catalog->recordCount, 30);
    EXPECT_EQ(document.items->Count(), 37);
    EXPECT_EQ(Item(5).picture, "SK-101.jpg");
    EXPECT_EQ(Item(5).depth, 28);
    EXPECT_GT(DrawnPixels(), 1000);
    ASSERT_TRUE(document.catalog->FindByKey(Item(5).index));
    EXPECT_EQ(form->tbFind->text().toStdString(), Item(5).index + "   " + document.catalog->description);
}

// A description of 20 MB: the selector's product list and the catalog bar paint its start and an
// ellipsis, while the catalog reads it whole.
TEST_F(DataLinkPlanogramTest, ALongDescriptionShowsItsStartInTheProductListAndIsReadWhole)
{
    LinkTheExampleCatalog();
    database.Client("UPDATE SampleProducts SET c2 = c2 || ' ' || replace(hex(zeroblob(20000000)), '00', 'z') "
                    "WHERE c1 = 'SK-101'");
    TSelector selector(*form, form.get());
    form->SetSelector(selector);
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    const std::string description = "Crunchy Oats 500 g " + std::string(20'000'000, 'z');
    const QString start = toQString(description.substr(0, ShownCharacters)) + QChar(u'\u2026');
    selector.Show();
    selector.GridPView->grab();
    EXPECT_EQ(selector.GridPView->model()->index(1, 2).data().toString(), start);
    EXPECT_EQ(selector.GridP().Cells(2, 1), description);
    ASSERT_TRUE(Active().catalog->FindByKey("SK-101"));
    EXPECT_EQ(Active().catalog->description, description);
    EXPECT_EQ(form->tbFind->text(), "SK-101   " + start);
}

// A planogram whose catalog links into a database whose full-text table names a library to load or
// whose definitions call the SQLite driver's file functions, or into a stranger's PostgreSQL server:
// the catalog is refused with the reason, nothing loads, no file is written or read, and the stranger
// is given no password the user keeps for libpq or in a data source.
TEST_F(DataLinkPlanogramTest, ALinkToAHostileDatabaseOrServerIsRefusedAndGivesNothingAway)
{
    LinkTheExampleCatalog();
    const std::string link = program.File("Catalogs/Sample.ddl");
    const std::string library = KESTRAME_MARKER_LIBRARY;
    const std::string marker = database.Folder().File("loaded");
    setenv("KESTRAME_MARKER_FILE", marker.c_str(), 1);
    database.Client(FullTextLoading("Loading", "c0, c1", library));
    const std::string linked = ReadWholeFile(link);
    WriteWholeFile(link, Replaced(linked, "TableName=SampleProducts", "TableName=Loading"));
    const auto messagesOnOpening = [&] {
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        ui.AnswerMessage(MsgAnswer::OK);
        form->OpenPlanogram(Example());
        return ui.MessageTexts();
    };
    EXPECT_EQ(messagesOnOpening(),
              (std::vector<std::string>{
                  "Could not create a dataset. Check that the table called Loading still exists in your database.",
                  "Could not open catalog file"}));
    EXPECT_FALSE(FileExists(marker));
    WriteWholeFile(link, linked);

    const std::string secret = database.Folder().File("secret");
    const std::string written = database.Folder().File("written");
    const std::string copied = database.Folder().File("copied");
    WriteWholeFile(secret, "sesame");
    DefineWithFileFunctions(database, "ALTER TABLE SampleProducts ADD COLUMN g GENERATED ALWAYS AS (" +
                                          FileFunctionsLeak(written, secret, copied) + ") VIRTUAL");
    EXPECT_EQ(messagesOnOpening(),
              (std::vector<std::string>{"Could not connect to your database.\nThis database's own definitions call the "
                                        "functions that write and read other files (blob_export, blob_import), so the "
                                        "database is not opened.",
                                        "Could not open catalog file"}));
    EXPECT_FALSE(FileExists(written));
    EXPECT_FALSE(FileExists(copied));

    const StoredPostgresPasswords stored;
    const PostgresStandIn stranger;
    WriteWholeFile(link, Replaced(linked, database.ConnectionString(),
                                  "DSN=KestrameLogged;Servername=127.0.0.1;Port=" + stranger.Port()));
    EXPECT_EQ(messagesOnOpening(),
              (std::vector<std::string>{"Could not connect to your database.\nThe connection string may not hold "
                                        "\"Servername\" beside a data source (DSN): a data link may not move the "
                                        "user's data source to another server.",
                                        "Could not open catalog file"}));
    WriteWholeFile(link, Replaced(linked, database.ConnectionString(),
                                  "Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=" + stranger.Port() +
                                      ";Database=shop;Uid=kestrame"));
    EXPECT_EQ(messagesOnOpening(),
              (std::vector<std::string>{"Could not connect to your database.", "Could not open catalog file"}));
    EXPECT_EQ(stranger.Answers(1), std::vector<std::string>{"no password"});
}
