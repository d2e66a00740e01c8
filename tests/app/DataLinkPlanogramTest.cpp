#include "app/ExampleDataLink.h"
#include "app/MainFormFixture.h"
#include "app/SDIMain.h"

#include "planogram/PlanogramDocument.h"

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
