#include "app/MainFormFixture.h"
#include "app/SDIMain.h"

#include "catalog/DidADOData.h"
#include "catalog/Didascii.h"
#include "planogram/PlanogramDocument.h"
#include "platform/ui/StringGrid.h"

#include <QLineEdit>

#include "OdbcTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

std::string SqlText(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

class DataLinkPlanogramTest : public MainFormFixture {
protected:
    // The example's text catalog copied whole into a SQLite table, with a link naming its roles.
    void LinkTheExampleCatalog()
    {
        didASCII text;
        TStringGrid grid;
        ASSERT_TRUE(text.Open(program.File("Catalogs/Sample.ctf"), &grid));
        std::string sql = "CREATE TABLE SampleProducts(";
        for (int col = 0; col < grid.ColCount(); ++col)
            sql += (col ? ", c" : "c") + std::to_string(col) + " TEXT";
        sql += ");";
        for (int row = 1; row < grid.RowCount(); ++row) {
            sql += "INSERT INTO SampleProducts VALUES(";
            for (int col = 0; col < grid.ColCount(); ++col)
                sql += (col ? ", " : "") + SqlText(grid.Cells(col, row));
            sql += ");";
        }
        database.Client(sql);
        didADOData link;
        link.roles = text.roles;
        link.connectionString = "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"" +
                                database.ConnectionString() + "\"";
        link.tableName = "SampleProducts";
        ASSERT_TRUE(link.SaveToFile(program.File("Catalogs/Sample.ddl"), nullptr, text.units, ""));
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
    int drawn = 0;
    for (int y = 0; y < document.backBitmap.Height(); ++y)
        for (int x = 0; x < document.backBitmap.Width(); ++x)
            drawn += document.backBitmap.Pixel(x, y) != document.backgroundColor;
    EXPECT_GT(drawn, 1000);
    ASSERT_TRUE(document.catalog->FindByKey(Item(5).index));
    EXPECT_EQ(form->tbFind->text().toStdString(), Item(5).index + "   " + document.catalog->description);
}
