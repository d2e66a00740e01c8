#include "catalog/Didascii.h"
#include "catalog/GridUtilities.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/StringGrid.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const char* const DefaultRoleLines = "catheader.numberColNr=0\r\ncatheader.indexColNr=1\r\ncatheader.desColNr=2\r\n"
                                     "catheader.picColNr=3\r\ncatheader.wthColNr=4\r\ncatheader.hgtColNr=5\r\n"
                                     "catheader.dpthColNr=6\r\ncatheader.facingsColNr=-1\r\n"
                                     "catheader.costpriceColNr=7\r\ncatheader.salepriceColNr=8\r\n"
                                     "catheader.pegXColNr=9\r\ncatheader.pegYColNr=10\r\n"
                                     "catheader.sellAmountColNr=-1\r\ncatheader.inventoryColNr=-1\r\n"
                                     "catheader.minInventoryColNr=-1\r\ncatheader.categoryColNr=11\r\n"
                                     "catheader.brandColNr=12\r\n";

// A catalog of `fields` columns: part number in column 1, description 2, width 4, price 8.
std::string CatalogText(int fields, int recordsize, const std::vector<std::string>& rows,
                        const std::string& unit = "cm", const char* eol = "\r\n")
{
    std::string text = std::string("DIDF1") + eol + "catheader.version=2" + eol + "catheader.unit=" + unit + eol +
                       "catheader.FieldCount=" + std::to_string(fields) + eol +
                       "catheader.recordsize=" + std::to_string(recordsize) + eol;
    std::string roles = DefaultRoleLines;
    if (std::string(eol) != "\r\n")
        std::erase(roles, '\r');
    text += roles;
    for (int c = 0; c < fields; ++c)
        text += "catheader.ColumNames(" + std::to_string(c) + ")=Title " + std::to_string(c) + eol;
    for (size_t i = 0; i < rows.size(); ++i)
        text += "r" + std::to_string(i + 1) + "=" + rows[i] + eol;
    return text;
}

std::string ProductRow(int n, const std::string& part, const std::string& width = "10",
                       const std::string& price = "1.5")
{
    return std::to_string(n) + "\t" + part + "\tDescription " + std::to_string(n) + "\tpic" + std::to_string(n) +
           ".bmp\t" + width + "\t20\t12.3\t0.5\t" + price + "\t1\t2\tCat\tBrand";
}

std::vector<std::string> ProductRows(int count)
{
    std::vector<std::string> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back(ProductRow(i * 10, "P" + std::to_string(i)));
    return rows;
}

class TextCatalog : public testing::Test {
protected:
    std::string Write(const std::string& text, const std::string& name = "shop.ctf")
    {
        const std::string path = folder.File(name);
        WriteWholeFile(path, text);
        return path;
    }

    TemporaryFolder folder;
    ScriptedUi ui;
};

} // namespace

TEST_F(TextCatalog, WritesTheOneEmptyPartNumberRowExactly)
{
    TStringGrid grid(2, 2);
    grid.SetCells(0, 0, "Record Nr.");
    grid.SetCells(1, 0, "Product Part Nr.");
    grid.SetCells(0, 1, "1");
    didASCII catalog;
    const std::string path = folder.File("edge.ctf");
    ASSERT_TRUE(catalog.SaveToFile(path, &grid, "cm", ""));
    EXPECT_EQ(ReadWholeFile(path), std::string("DIDF1\r\ncatheader.version=2\r\ncatheader.platform=Windows\r\n"
                                               "catheader.unit=cm\r\ncatheader.FieldCount=2\r\n"
                                               "catheader.recordsize=1\r\ncatheader.PhotoCollection=\r\n"
                                               "catheader.PhotoCollectionMacPath=\r\n") +
                                       DefaultRoleLines +
                                       "catheader.ColumNames(0)=Record Nr.\r\n"
                                       "catheader.ColumNames(1)=Product Part Nr.\r\nr1=1\t \r\n");
    didASCII reader;
    ASSERT_TRUE(reader.Open(path, nullptr));
    EXPECT_EQ(reader.fieldCount, 2);
    EXPECT_EQ(reader.recordCount, 1);
    ASSERT_TRUE(reader.First());
    EXPECT_EQ(reader.recordNumber, 1);
    EXPECT_EQ(reader.partNumber, "");
    EXPECT_EQ(reader.description, ""); // its column is not below the field count
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(TextCatalog, GoldenCatalogRoundTrip)
{
    const std::string longDescription(600, 'x');
    TStringGrid grid(13, 4);
    const char* titles[] = {"Record Nr.", "Product Part Nr.", "Description",  "Picture Name", "Width", "Height",
                            "Depth",      "Cost Price",       "Retail Price", "PegX",         "PegY",  "Category",
                            "Brand"};
    for (int c = 0; c < 13; ++c)
        grid.SetCells(c, 0, titles[c]);
    const std::vector<std::vector<std::string>> rows = {
        {"1", "A-1", "Caf\xE9 cr\xE8me", "caf\xE9.bmp", "10", "20", "12.3", "", "", "", "", "Drinks", ""},
        {"", "B\t2", "line\r\nbreak", "", "", "", "", "", "", "1", "2", "", "Brand"},
        {"3", "C-3", longDescription, "c.jpg", "1", "1", "1", "0.25", "0.99", "", "", "", ""},
    };
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < 13; ++c)
            grid.SetCells(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);

    didASCII catalog;
    catalog.photoCollectionMacPath = "Mac:Pics";
    const std::string path = folder.File("golden.ctf");
    ASSERT_TRUE(catalog.SaveToFile(path, &grid, "inch", "/pics/\xC9t\xE9"));
    EXPECT_EQ(catalog.units, "inch");
    EXPECT_EQ(catalog.recordCount, 3);
    EXPECT_EQ(catalog.fieldCount, 13);

    std::string expected = "DIDF1\r\ncatheader.version=2\r\ncatheader.platform=Windows\r\ncatheader.unit=inch\r\n"
                           "catheader.FieldCount=13\r\ncatheader.recordsize=3\r\n"
                           "catheader.PhotoCollection=/pics/\xC9t\xE9\r\ncatheader.PhotoCollectionMacPath=Mac:Pics\r\n";
    expected += DefaultRoleLines;
    for (int c = 0; c < 13; ++c)
        expected += "catheader.ColumNames(" + std::to_string(c) + ")=" + titles[c] + "\r\n";
    expected += "r1=1\tA-1\tCaf\xE9 cr\xE8me\tcaf\xE9.bmp\t10\t20\t12.3\t \t \t \t \tDrinks\t \r\n";
    expected += "r2=\tB 2\tline  break\t \t \t \t \t \t \t1\t2\t \tBrand\r\n";
    expected += "r3=3\tC-3\t" + longDescription + "\tc.jpg\t1\t1\t1\t0.25\t0.99\t \t \t \t \r\n";
    EXPECT_EQ(ReadWholeFile(path), expected);

    didASCII reader;
    ASSERT_TRUE(reader.Open(path, nullptr));
    EXPECT_EQ(reader.units, "inch");
    EXPECT_EQ(reader.photoCollection, "/pics/\xC9t\xE9");
    EXPECT_EQ(reader.photoCollectionMacPath, "Mac:Pics");
    EXPECT_EQ(reader.columnNames.size(), 13u);
    EXPECT_EQ(reader.columnNames[12], "Brand");
    EXPECT_EQ(reader.Keys(), (std::vector<std::string>{"A-1", "B 2", "C-3"}));
    ASSERT_TRUE(reader.First());
    EXPECT_EQ(reader.description, "Caf\xE9 cr\xE8me");
    EXPECT_EQ(reader.pictureName, "caf\xE9.bmp");
    EXPECT_EQ(reader.widthQ, 101); // 10 in x 4 x (1 / 0.394) = 101.52
    EXPECT_EQ(reader.category, "Drinks");
    EXPECT_EQ(reader.brand, "");
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.recordNumber, 0);
    EXPECT_EQ(reader.description, "line  break");
    EXPECT_EQ(reader.pegX, 1);
    EXPECT_EQ(reader.pegY, 2);
    EXPECT_EQ(reader.brand, "Brand");
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.description, longDescription);
    EXPECT_DOUBLE_EQ(reader.salePrice, 0.99);

    TStringGrid loaded;
    didASCII gridReader;
    ASSERT_TRUE(gridReader.Open(path, &loaded));
    ASSERT_EQ(loaded.RowCount(), 4);
    ASSERT_EQ(loaded.ColCount(), 13);
    EXPECT_EQ(loaded.FixedRows(), 1);
    EXPECT_EQ(loaded.Cells(0, 2), "2"); // the row's ordinal, not its stored first field
    EXPECT_EQ(loaded.Cells(1, 2), "B 2");
    EXPECT_EQ(loaded.Cells(2, 2), "line  break");
    for (int r : {1, 3})
        for (int c = 0; c < 13; ++c)
            EXPECT_EQ(loaded.Cells(c, r), rows[static_cast<size_t>(r - 1)][static_cast<size_t>(c)]) << c << "," << r;
}

TEST_F(TextCatalog, HeaderDefaultsAndVersions)
{
    const std::string path = Write("DIDF1\r\ncatheader.version=7\r\ncatheader.unit= INCH \r\ncatheader.FieldCount=3\r\n"
                                   "catheader.recordsize=1\r\ncatheader.indexColNr=2\r\ncatheader.categoryColNr=0\r\n"
                                   "catheader.brandColNr=1\r\nr1=7\tX\tP-7\r\n");
    didASCII catalog;
    ASSERT_TRUE(catalog.Open(path, nullptr));
    EXPECT_EQ(catalog.units, "INCH");
    EXPECT_EQ(catalog.type, "CTF");
    EXPECT_EQ(catalog.roles[RoleRecordNumber], 0);
    EXPECT_EQ(catalog.roles[RolePartNumber], 2);
    EXPECT_EQ(catalog.roles[RoleDescription], 0); // missing key reads as column 0
    EXPECT_EQ(catalog.roles[RolePegY], 0);
    EXPECT_EQ(catalog.roles[RoleSellAmount], -1); // missing, and 0 means absent for these
    EXPECT_EQ(catalog.roles[RoleInventory], -1);
    EXPECT_EQ(catalog.roles[RoleMinInventory], -1);
    EXPECT_EQ(catalog.roles[RoleCategory], -1);
    EXPECT_EQ(catalog.roles[RoleBrand], 1);
    EXPECT_EQ(catalog.roles[RoleReserved], -1);
    EXPECT_EQ(catalog.Keys(), std::vector<std::string>{"P-7"});
    ASSERT_TRUE(catalog.FindByKey("P-7"));
    EXPECT_EQ(catalog.description, "7");
    EXPECT_EQ(catalog.brand, "X");
    EXPECT_EQ(catalog.widthQ, 71); // every size role reads column 0: 7 in
}

TEST_F(TextCatalog, WrongMagicAndUnreadableFiles)
{
    didASCII catalog;
    EXPECT_FALSE(catalog.Open(Write("KQF\r\ncatheader.recordsize=1\r\n"), nullptr));
    EXPECT_TRUE(ui.Calls().empty());
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(catalog.Open(folder.File("missing.ctf"), nullptr));
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, "Could not open file");
    EXPECT_EQ(ui.Calls()[0].caption, "error 1");
}

TEST_F(TextCatalog, MovesThroughTheRecords)
{
    didASCII catalog;
    ASSERT_TRUE(catalog.Open(Write(CatalogText(13, 12, ProductRows(12))), nullptr));
    EXPECT_EQ(catalog.CurrentRecord(), 13); // indexing ends one past the last row
    EXPECT_EQ(catalog.partNumber, "");
    ASSERT_TRUE(catalog.First());
    EXPECT_EQ(catalog.CurrentRecord(), 1);
    EXPECT_EQ(catalog.recordNumber, 10);
    EXPECT_EQ(catalog.partNumber, "P1");
    EXPECT_TRUE(catalog.Prior());
    EXPECT_EQ(catalog.CurrentRecord(), 0);
    EXPECT_EQ(catalog.partNumber, "");
    ASSERT_TRUE(catalog.Last());
    EXPECT_EQ(catalog.CurrentRecord(), 12);
    EXPECT_EQ(catalog.partNumber, "P12");
    EXPECT_EQ(catalog.recordNumber, 120);
    EXPECT_TRUE(catalog.Next());
    EXPECT_EQ(catalog.CurrentRecord(), 13);
    EXPECT_EQ(catalog.partNumber, "");
    EXPECT_EQ(catalog.widthQ, 0);
    EXPECT_EQ(catalog.brand, "");
    ASSERT_TRUE(catalog.Prior());
    EXPECT_EQ(catalog.partNumber, "P12");
    EXPECT_EQ(catalog.GetFieldText(1, 3), "P3");
    EXPECT_EQ(catalog.GetFieldText(12, 3), "Brand");
    EXPECT_EQ(catalog.GetFieldText(13, 3), "");
    EXPECT_EQ(catalog.GetFieldText(-1, 3), "");
    EXPECT_EQ(catalog.GetFieldText(1, 13), "");
}

TEST_F(TextCatalog, FindByKeyIsExactAndCaseSensitive)
{
    std::vector<std::string> rows = ProductRows(3);
    rows.push_back(ProductRow(40, "P2")); // a second row with the same part number
    didASCII catalog;
    ASSERT_TRUE(catalog.Open(Write(CatalogText(13, 4, rows)), nullptr));
    ASSERT_TRUE(catalog.FindByKey("P2"));
    EXPECT_EQ(catalog.CurrentRecord(), 2);
    EXPECT_EQ(catalog.recordNumber, 20);
    EXPECT_FALSE(catalog.FindByKey("p2"));
    EXPECT_FALSE(catalog.FindByKey("P2 "));
    EXPECT_FALSE(catalog.FindByKey("10")); // a width is no part number
    EXPECT_EQ(catalog.CurrentRecord(), 2);
}

TEST_F(TextCatalog, SizesInQuarterCentimetres)
{
    std::vector<std::string> rows = {ProductRow(1, "A", "10"), ProductRow(2, "B", "0.985"), ProductRow(3, "C", "-2.5"),
                                     ProductRow(4, "D", "1e300")};
    didASCII inch;
    ASSERT_TRUE(inch.Open(Write(CatalogText(13, 4, rows, "inch"), "inch.ctf"), nullptr));
    ASSERT_TRUE(inch.First());
    EXPECT_EQ(inch.width, 10);
    EXPECT_EQ(inch.widthQ, 101);
    EXPECT_EQ(inch.heightQ, 203); // 20 in
    EXPECT_DOUBLE_EQ(inch.depthQ, 12.3 * 4 / 0.394);
    EXPECT_EQ(inch.pegXQ, 10);
    EXPECT_EQ(inch.pegYQ, 20);
    ASSERT_TRUE(inch.Next());
    EXPECT_EQ(inch.widthQ, 10); // 0.985 in is exactly 10 quarter centimetres
    ASSERT_TRUE(inch.Next());
    EXPECT_EQ(inch.widthQ, -25); // truncated toward zero
    ASSERT_TRUE(inch.Next());
    EXPECT_EQ(inch.widthQ, INT_MAX);

    didASCII cm;
    ASSERT_TRUE(cm.Open(Write(CatalogText(13, 1, rows, "Centimetres"), "cm.ctf"), nullptr));
    ASSERT_TRUE(cm.First());
    EXPECT_EQ(cm.widthQ, 40);
    EXPECT_DOUBLE_EQ(cm.depthQ, 12.3 * 4);
    EXPECT_EQ(cm.depth, 12.3);
    EXPECT_DOUBLE_EQ(cm.costPrice, 0.5);
}

TEST_F(TextCatalog, EmptyFieldsKeepTheirColumns)
{
    didASCII catalog;
    ASSERT_TRUE(catalog.Open(
        Write(CatalogText(13, 2, {"\tP1\tDesc\t\t\t\t\t4.5\t6.5\t\t\tCat\tBrand", "2\t P2 \t\t\t\t\t\t\t\t\t\t\t"})),
        nullptr));
    ASSERT_TRUE(catalog.First());
    EXPECT_EQ(catalog.recordNumber, 0);
    EXPECT_EQ(catalog.partNumber, "P1");
    EXPECT_EQ(catalog.description, "Desc");
    EXPECT_EQ(catalog.width, 0);
    EXPECT_EQ(catalog.costPrice, 4.5);
    EXPECT_EQ(catalog.salePrice, 6.5);
    EXPECT_EQ(catalog.category, "Cat");
    EXPECT_EQ(catalog.brand, "Brand");
    ASSERT_TRUE(catalog.Next());
    EXPECT_EQ(catalog.partNumber, "P2");
    EXPECT_EQ(catalog.brand, "");

    TStringGrid grid;
    catalog.LoadIntoGrid(grid);
    EXPECT_EQ(grid.Cells(1, 1), "P1");
    EXPECT_EQ(grid.Cells(3, 1), "");
    EXPECT_EQ(grid.Cells(7, 1), "4.5");
    EXPECT_EQ(grid.Cells(12, 1), "Brand");
}

TEST_F(TextCatalog, LfAndCrLfFilesReadAlike)
{
    for (const char* eol : {"\r\n", "\n"}) {
        didASCII catalog;
        ASSERT_TRUE(catalog.Open(Write(CatalogText(13, 2, ProductRows(2), "inch", eol)), nullptr));
        EXPECT_EQ(catalog.units, "inch");
        ASSERT_TRUE(catalog.Last());
        EXPECT_EQ(catalog.brand, "Brand");
        EXPECT_EQ(catalog.columnNames[12], "Title 12");
    }
}

TEST_F(TextCatalog, LoadIntoGridNumbersTheRows)
{
    didASCII catalog;
    ASSERT_TRUE(catalog.Open(Write(CatalogText(13, 3, ProductRows(3))), nullptr));
    TStringGrid grid(2, 9);
    grid.SetCells(1, 8, "old");
    catalog.LoadIntoGrid(grid);
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.ColCount(), 13);
    EXPECT_EQ(grid.Cells(0, 0), "Title 0");
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(grid.Cells(0, r), std::to_string(r)); // not the stored 10, 20, 30
        EXPECT_EQ(grid.Cells(1, r), "P" + std::to_string(r));
    }
    // The grid loads read the file again when the catalog holds it no longer.
    didASCII closed;
    ASSERT_TRUE(closed.Open(folder.File("shop.ctf"), &grid));
    TStringGrid again;
    closed.LoadIntoGrid(again);
    EXPECT_EQ(again.Cells(1, 3), "P3");
    DeleteFile(folder.File("shop.ctf"));
    ui.AnswerMessage(MsgAnswer::OK);
    closed.LoadIntoGrid(again);
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, "Could not open file");
    EXPECT_EQ(ui.Calls()[0].caption, folder.File("shop.ctf"));
}

TEST_F(TextCatalog, LoadRangeIntoGridBounds)
{
    didASCII catalog;
    ASSERT_TRUE(catalog.Open(Write(CatalogText(13, 15, ProductRows(15))), nullptr));
    TStringGrid grid;
    catalog.LoadRangeIntoGrid(grid, 11, 10);
    ASSERT_EQ(grid.RowCount(), 11);
    EXPECT_EQ(grid.Cells(0, 0), "Title 0");
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(grid.Cells(0, i), std::to_string(10 + i));
        EXPECT_EQ(grid.Cells(1, i), "P" + std::to_string(10 + i));
    }
    for (int i = 6; i <= 10; ++i)
        EXPECT_EQ(grid.Cells(0, i), "");
    EXPECT_EQ(grid.FixedRows(), 1);

    grid.SetCells(1, 1, "kept");
    catalog.LoadRangeIntoGrid(grid, 16, 10); // beyond the catalog: nothing happens
    EXPECT_EQ(grid.Cells(1, 1), "kept");
    catalog.LoadRangeIntoGrid(grid, 15, 1);
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cells(0, 1), "15");
    EXPECT_EQ(grid.Cells(1, 1), "P15");
}

TEST_F(TextCatalog, EmptyCatalogLoadsNoRow)
{
    didASCII catalog;
    TStringGrid grid;
    ASSERT_TRUE(catalog.Open(Write(CatalogText(13, 0, {})), &grid));
    EXPECT_EQ(catalog.recordCount, 0);
    EXPECT_TRUE(catalog.Keys().empty());
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cells(0, 0), "Title 0");
    for (int c = 0; c < grid.ColCount(); ++c)
        EXPECT_EQ(grid.Cells(c, 1), "") << c; // not the last header line
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(TextCatalog, OnlyProductLinesLoadAndCountsAreBounded)
{
    // "r1" missing, a stray line after the rows, a header counting more rows than there are.
    std::string text = CatalogText(13, 9, {});
    text += "r2=" + ProductRow(2, "P2") + "\r\nr3=" + ProductRow(3, "P3") + "\r\nnotes=r4 is gone\r\nrx=1\r\n";
    didASCII catalog;
    TStringGrid grid;
    ASSERT_TRUE(catalog.Open(Write(text), &grid));
    EXPECT_EQ(catalog.recordCount, 2);
    ASSERT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cells(1, 1), "P2");
    EXPECT_EQ(grid.Cells(1, 2), "P3");

    // recordsize below the rows held: only that many load.
    didASCII two;
    ASSERT_TRUE(two.Open(Write(CatalogText(13, 2, ProductRows(5)), "five.ctf"), &grid));
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(two.Keys().size(), 2u);

    // Negative and huge counts from a damaged header.
    didASCII bad;
    ASSERT_TRUE(bad.Open(Write("DIDF1\r\ncatheader.FieldCount=2000000000\r\ncatheader.recordsize=-5\r\n"
                               "r1=1\tP1\r\n",
                               "bad.ctf"),
                         &grid));
    EXPECT_EQ(bad.recordCount, 0);
    EXPECT_EQ(bad.fieldCount, 2);
    EXPECT_EQ(grid.ColCount(), 2);
}

// 80 KB whose header claims 36,000 columns and 4,000 rows, each count backed by the file on its own:
// one row of 35,999 TABs, the others one short field. The grid is as large as the counts say, but
// holds only the cells the rows carry, also when a grid of that size is loaded again and its rows
// are moved.
TEST_F(TextCatalog, AGridHoldsWhatTheRowsCarryNotRowsTimesColumns)
{
    std::string text =
        "DIDF1\ncatheader.FieldCount=36000\ncatheader.recordsize=4000\nr0=" + std::string(35999, '\t') + "\n";
    for (int i = 1; i < 4000; ++i)
        text += "r" + std::to_string(i) + "=\t" + std::to_string(i) + "\n";
    ASSERT_EQ(text.size(), 81836u);
    const std::string path = Write(text);
    const auto heldCells = [](const TStringGrid& grid) {
        long held = 0;
        for (int row = 0; row < grid.RowCount(); ++row)
            held += grid.HeldCells(row);
        return held;
    };

    didASCII catalog;
    TStringGrid grid;
    ASSERT_TRUE(catalog.Open(path, &grid));
    EXPECT_EQ(grid.ColCount(), 36000);
    ASSERT_EQ(grid.RowCount(), 4001);
    EXPECT_EQ(grid.Cells(0, 1), "1");
    EXPECT_EQ(grid.Cells(35999, 1), "");
    EXPECT_EQ(grid.Cells(0, 4000), "4000");
    EXPECT_EQ(grid.Cells(1, 4000), "3999");
    EXPECT_EQ(grid.Cells(35999, 4000), "");
    EXPECT_LE(heldCells(grid), 2 * 4001);

    ASSERT_TRUE(catalog.Open(path, nullptr));
    catalog.LoadIntoGrid(grid);
    catalog.LoadRangeIntoGrid(grid, 2000, 3);
    EXPECT_EQ(grid.Cells(1, 3), "2002");
    catalog.LoadIntoGrid(grid);
    GridUtilities().DeleteRow(grid, 1);
    GridUtilities().InsertRow(grid, 2);
    EXPECT_EQ(grid.Cells(1, 1), "1");
    EXPECT_EQ(grid.Cells(1, 2), "");
    EXPECT_EQ(grid.Cells(1, 3), "2");
    EXPECT_LE(heldCells(grid), 2 * 4001);
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(TextCatalog, RoleColumnsOutsideTheFieldsAreAbsent)
{
    std::string text = CatalogText(13, 1, {ProductRow(1, "P1")});
    text.replace(text.find("indexColNr=1"), 12, "indexColNr=-7");
    text.replace(text.find("desColNr=2"), 10, "desColNr=13");
    didASCII catalog;
    ASSERT_TRUE(catalog.Open(Write(text), nullptr));
    ASSERT_TRUE(catalog.First());
    EXPECT_EQ(catalog.partNumber, "");
    EXPECT_EQ(catalog.description, "");
    EXPECT_EQ(catalog.pictureName, "pic1.bmp");
    EXPECT_EQ(catalog.ColumnOf(RolePartNumber), -1);
    EXPECT_EQ(catalog.ColumnOf(RolePictureName), 3);
}

TEST_F(TextCatalog, FailedSaveKeepsTheOldFileAndTheModifiedFlag)
{
    const std::string path = Write(CatalogText(13, 3, ProductRows(3)));
    const std::string before = ReadWholeFile(path);
    didASCII catalog;
    ASSERT_TRUE(catalog.Open(path, nullptr));
    TStringGrid grid(13, 2000);
    for (int r = 1; r < 2000; ++r)
        grid.SetCells(1, r, std::string(50, 'z'));
    catalog.modified = true;
    for (int box = 0; box < 3; ++box)
        ui.AnswerMessage(MsgAnswer::OK);
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(catalog.SaveToFile(path, &grid, "inch", "pics"));
    }
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_TRUE(catalog.modified);
    EXPECT_EQ(catalog.units, "cm");
    EXPECT_EQ(catalog.recordCount, 3);
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, "Could not save the file " + path + ".\nFile too large");
    EXPECT_EQ(ui.Calls()[0].caption, "Open Error");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Error);
    ASSERT_TRUE(catalog.FindByKey("P3")); // still reading the old file
    EXPECT_EQ(catalog.recordNumber, 30);

    EXPECT_FALSE(catalog.SaveToFile(folder.File("no/such/folder/x.ctf"), &grid, "cm", ""));
    ASSERT_EQ(ui.Calls().size(), 3u);
    EXPECT_EQ(ui.Calls()[1].caption, "Could not open output file");
    EXPECT_EQ(ui.Calls()[2].text, "Could not open file");
    EXPECT_EQ(ui.Calls()[2].caption, "Open Error");
    EXPECT_FALSE(catalog.SaveToFile(path, nullptr, "cm", ""));
}

TEST_F(TextCatalog, SavingWhileModifiedGoesOnReadingTheSavedFile)
{
    const std::string path = Write(CatalogText(13, 3, ProductRows(3)));
    didASCII catalog;
    ASSERT_TRUE(catalog.Open(path, nullptr));
    TStringGrid grid;
    catalog.LoadIntoGrid(grid);
    grid.SetCells(3, 2, "linked.jpg");
    grid.SetRowCount(5);
    grid.SetCells(1, 4, "NEW");
    ASSERT_TRUE(catalog.FindByKey("P2"));
    catalog.modified = true;
    ASSERT_TRUE(catalog.SaveToFile(path, &grid, "cm", ""));
    EXPECT_FALSE(catalog.modified);
    EXPECT_EQ(catalog.CurrentRecord(), 2);
    EXPECT_EQ(catalog.pictureName, "linked.jpg");
    EXPECT_EQ(catalog.recordCount, 4);
    ASSERT_TRUE(catalog.FindByKey("NEW"));
    EXPECT_EQ(catalog.CurrentRecord(), 4);

    // Without the flag the catalog closes: moves read nothing until it is opened again.
    ASSERT_TRUE(catalog.SaveToFile(path, &grid, "cm", ""));
    ASSERT_TRUE(catalog.First());
    EXPECT_EQ(catalog.partNumber, "");
}

TEST_F(TextCatalog, AccentedPathRoundTrips)
{
    const std::string path = folder.File("Caf\xE9 \xC9t\xE9.ctf");
    TStringGrid grid(2, 2);
    grid.SetCells(1, 1, "P\xE9");
    didASCII catalog;
    ASSERT_TRUE(catalog.SaveToFile(path, &grid, "cm", ""));
    EXPECT_TRUE(FileExists(path));
    EXPECT_NE(ReadWholeFile(NativePath(path)).find("\r\nr1=\tP\xE9\r\n"), std::string::npos);
    didASCII reader;
    ASSERT_TRUE(reader.Open(path, nullptr));
    EXPECT_EQ(reader.fileName, path);
    EXPECT_TRUE(reader.FindByKey("P\xE9"));
}

TEST_F(TextCatalog, CommaLocaleChangesNoNumber)
{
    CommaLocale comma;
    ASSERT_TRUE(comma.Active());
    didASCII catalog;
    ASSERT_TRUE(catalog.Open(Write(CatalogText(13, 1, {ProductRow(1, "P1", "2.5", "1.25")})), nullptr));
    ASSERT_TRUE(catalog.First());
    EXPECT_EQ(catalog.width, 2.5);
    EXPECT_EQ(catalog.widthQ, 10);
    EXPECT_EQ(catalog.salePrice, 1.25);
    EXPECT_DOUBLE_EQ(catalog.depthQ, 49.2);
    TStringGrid grid;
    catalog.LoadIntoGrid(grid);
    const std::string saved = folder.File("saved.ctf");
    ASSERT_TRUE(catalog.SaveToFile(saved, &grid, "cm", ""));
    EXPECT_NE(ReadWholeFile(saved).find("\t2.5\t20\t12.3\t0.5\t1.25\t"), std::string::npos);
    EXPECT_NE(ReadWholeFile(saved).find("catheader.facingsColNr=-1\r\n"), std::string::npos);
}
