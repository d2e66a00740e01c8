#include "catalog/DocumentCatalogs.h"

#include "catalog/Didascii.h"
#include "catalog/Didctf2.h"
#include "platform/ui/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(DocumentCatalogs, KindsMakeTheirCatalogs)
{
    DidDocumentCatalogMaker maker;
    auto binary = maker.NewCatalog(CatalogKind::Binary);
    ASSERT_NE(binary, nullptr);
    EXPECT_NE(dynamic_cast<didCTF2*>(&static_cast<DidDocumentCatalog&>(*binary).Base()), nullptr);
    auto text = maker.NewCatalog(CatalogKind::Text);
    ASSERT_NE(text, nullptr);
    EXPECT_NE(dynamic_cast<didASCII*>(&static_cast<DidDocumentCatalog&>(*text).Base()), nullptr);
    EXPECT_EQ(maker.NewCatalog(CatalogKind::DataLink), nullptr);
}

TEST(DocumentCatalogs, OpensAndReadsTheCurrentRecordsPegOffsets)
{
    TemporaryFolder folder;
    const std::string path = folder.File("shop.ctf");
    WriteWholeFile(path, "DIDF1\r\ncatheader.version=2\r\ncatheader.unit=cm\r\ncatheader.FieldCount=13\r\n"
                         "catheader.recordsize=1\r\ncatheader.pegXColNr=9\r\ncatheader.pegYColNr=10\r\n"
                         "r1=1\tP1\tCola\tcola.bmp\t10\t20\t5\t0.5\t1.5\t1.25\t2.5\tDrinks\tFizz\r\n");
    DidDocumentCatalogMaker maker;
    auto catalog = maker.NewCatalog(CatalogKind::Text);
    ASSERT_TRUE(catalog->Open(path));
    catalog->SetUnitsMode(1);
    catalog->SetDisplayScale(4);
    ASSERT_TRUE(catalog->First());
    didBase& base = static_cast<DidDocumentCatalog&>(*catalog).Base();
    EXPECT_EQ(base.unitsMode, 1);
    EXPECT_EQ(base.displayScale, 4);
    EXPECT_EQ(catalog->PegXQ(), 5);
    EXPECT_EQ(catalog->PegYQ(), 10);
    EXPECT_EQ(catalog->PhotoCollection(), base.photoCollection);

    ScriptedUi ui;
    auto missing = maker.NewCatalog(CatalogKind::Binary);
    EXPECT_FALSE(missing->Open(folder.File("gone.vdx")));
}
