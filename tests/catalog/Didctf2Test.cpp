#include "catalog/Didctf2.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/Progress.h"
#include "platform/ui/StringGrid.h"
#include "testing/ScriptedUi.h"

#include "LittleEndianBytes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A header as a freshly written file holds it, built here independently of the writer.
std::string ExpectedHeader(std::uint32_t fields, std::uint32_t records, std::uint32_t units, const std::string& photos,
                           const std::vector<std::int32_t>& roleColumns)
{
    std::string header = U32(150105) + U32(1) + U32(1) + U32(35) + U32(fields) + U32(records) + Fixed("Windows", 56) +
                         U32(units) + Fixed(photos, 256) + Fixed("", 256) + Fixed("", 268);
    for (std::int32_t column : roleColumns)
        header += U32(static_cast<std::uint32_t>(column));
    header += U32(976) + U32(0xFFFFFFFF) + U32(1);
    for (int i = 0; i < 8; ++i)
        header += U32(0xFFFFFFFF);
    return header;
}

const std::vector<std::int32_t> DefaultStoredRoles = {0, 1, 2, 3, 4, 5, 6, -1, 7, 8, 9, 10, -1, -1, -1, 11, 12};

std::string StoredString(const std::string& text)
{
    const size_t padded = (text.size() + 3) / 4 * 4;
    return U32(static_cast<std::uint32_t>(text.size())) + U32(static_cast<std::uint32_t>(padded)) + Fixed(text, padded);
}

const char* const Titles[] = {"Record Nr.", "Product Part Nr.", "Description",  "Picture Name", "Width", "Height",
                              "Depth",      "Cost Price",       "Retail Price", "PegX",         "PegY",  "Category",
                              "Brand"};

// A catalog grid of the thirteen default columns and `products` products "P<n>".
void FillProducts(TStringGrid& grid, int products)
{
    grid.SetColCount(13);
    grid.SetRowCount(products + 1);
    for (int c = 0; c < 13; ++c)
        grid.SetCells(c, 0, Titles[c]);
    for (int r = 1; r <= products; ++r) {
        const std::string n = std::to_string(r);
        const std::vector<std::string> row = {n,
                                              "P" + n,
                                              "Product " + n,
                                              "p" + n + ".jpg",
                                              std::to_string(r % 50 + 1),
                                              "20",
                                              "12.3",
                                              "0.5",
                                              "1." + n,
                                              "1",
                                              "2",
                                              "Cat",
                                              r % 3 ? "Brand" : ""};
        for (int c = 0; c < 13; ++c)
            grid.SetCells(c, r, row[static_cast<size_t>(c)]);
    }
}

class BinaryCatalog : public testing::Test {
protected:
    std::string Save(TStringGrid& grid, const std::string& units = "cm", const std::string& name = "shop.vdx")
    {
        const std::string path = folder.File(name);
        didCTF2 writer;
        EXPECT_TRUE(writer.SaveToFile(path, &grid, units, "/pics"));
        return path;
    }

    TemporaryFolder folder;
    ScriptedUi ui;
};

} // namespace

TEST_F(BinaryCatalog, WorkedExampleByteForByte)
{
    TStringGrid grid(2, 3);
    grid.SetCells(0, 0, "ab");
    grid.SetCells(1, 0, "abcd");
    grid.SetCells(0, 1, "1");
    grid.SetCells(1, 1, "hello");
    grid.SetCells(0, 2, "");
    grid.SetCells(1, 2, "x");
    const std::string path = folder.File("example.vdx");
    didCTF2 catalog;
    ASSERT_TRUE(catalog.SaveToFile(path, &grid, "cm", "C:\\Pics"));

    std::string expected = ExpectedHeader(2, 3, 0, "C:\\Pics", DefaultStoredRoles);
    ASSERT_EQ(expected.size(), 976u);
    expected += Fixed("abcd", 256) + U32(1756);
    expected += Fixed("hello", 256) + U32(1792); // 1756 + 12 + 24
    expected += Fixed("x", 256) + U32(1792 + 12 + 12 + 16);
    expected += U32(0) + U32(0) + U32(24) + StoredString("ab") + StoredString("abcd");
    expected += U32(1) + U32(0) + U32(28) + StoredString("1") + StoredString("hello");
    expected += U32(2) + U32(0) + U32(20) + std::string(8, '\0') + StoredString("x");
    EXPECT_EQ(ReadWholeFile(path), expected);
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(BinaryCatalog, LongPartNumbersAreCutInTheIndexOnly)
{
    TStringGrid grid;
    FillProducts(grid, 4);
    const std::string longPart(300, 'L');
    const std::string sameStart = longPart.substr(0, 255) + std::string(45, 'M');
    grid.SetCells(1, 2, longPart);
    grid.SetCells(1, 3, sameStart);
    grid.SetCells(1, 4, longPart.substr(0, 255));
    const std::string bytes = ReadWholeFile(Save(grid));
    const size_t entry2 = 976 + 2 * 260;
    EXPECT_EQ(bytes.substr(entry2, 256), longPart.substr(0, 255) + '\0');
    EXPECT_NE(bytes.find(StoredString(longPart)), std::string::npos);

    didCTF2 catalog;
    ASSERT_TRUE(catalog.Open(folder.File("shop.vdx"), nullptr));
    // A key of 255 characters is compared with the index keys: the first product whose part number
    // starts with it is found, also the one whose part number is longer.
    ASSERT_TRUE(catalog.FindByKey(longPart.substr(0, 255)));
    EXPECT_EQ(catalog.CurrentRecord(), 2);
    EXPECT_EQ(catalog.partNumber, longPart);
    EXPECT_FALSE(catalog.FindByKey(longPart.substr(0, 254)));
    // A longer key is compared whole with the part numbers that share its first 255 characters.
    ASSERT_TRUE(catalog.FindByKey(sameStart));
    EXPECT_EQ(catalog.CurrentRecord(), 3);
    ASSERT_TRUE(catalog.FindByKey(longPart));
    EXPECT_EQ(catalog.CurrentRecord(), 2);
    EXPECT_FALSE(catalog.FindByKey(longPart + "x"));
    EXPECT_EQ(catalog.CurrentRecord(), 2);
}

TEST_F(BinaryCatalog, FiveThousandRecordsRoundTripInBothUnits)
{
    TStringGrid grid;
    FillProducts(grid, 5000);
    for (const char* units : {"cm", "Inch"}) {
        SCOPED_TRACE(units);
        const std::string path = Save(grid, units);
        EXPECT_EQ(U32At(ReadWholeFile(path), 80), std::string(units) == "cm" ? 0u : 1u);
        didCTF2 catalog;
        Progress bar;
        catalog.progressBar = &bar;
        ASSERT_TRUE(catalog.Open(path, nullptr));
        EXPECT_EQ(bar.Max(), 5001);
        EXPECT_EQ(catalog.recordCount, 5001);
        EXPECT_EQ(catalog.fieldCount, 13);
        EXPECT_EQ(catalog.units, std::string(units) == "cm" ? "cm" : "inch");
        EXPECT_EQ(catalog.photoCollection, "/pics");
        EXPECT_EQ(catalog.columnNames, std::vector<std::string>(std::begin(Titles), std::end(Titles)));
        EXPECT_EQ(catalog.CurrentRecord(), 1); // Open ends on the first product
        for (int r = 1; r <= 5000; ++r) {
            ASSERT_TRUE(catalog.FindByKey("P" + std::to_string(r)));
            ASSERT_EQ(catalog.recordNumber, r);
            ASSERT_EQ(catalog.description, "Product " + std::to_string(r));
            ASSERT_EQ(catalog.width, r % 50 + 1);
        }
        ASSERT_TRUE(catalog.GoToRecord(4321));
        EXPECT_EQ(catalog.partNumber, "P4321");
        EXPECT_EQ(catalog.pictureName, "p4321.jpg");
        EXPECT_DOUBLE_EQ(catalog.salePrice, 1.4321);
        EXPECT_EQ(catalog.brand, "Brand");
        EXPECT_EQ(catalog.category, "Cat");
        EXPECT_EQ(catalog.pegY, 2);
        EXPECT_EQ(catalog.facings, 0); // no column
        if (std::string(units) == "cm") {
            EXPECT_EQ(catalog.widthQ, 88); // width 22
            EXPECT_DOUBLE_EQ(catalog.depthQ, 49.2);
        } else {
            EXPECT_EQ(catalog.widthQ, 223); // 22 x 4 / 0.394 = 223.35
            EXPECT_EQ(catalog.pegXQ, 10);
        }

        TStringGrid loaded;
        didCTF2 gridReader;
        ASSERT_TRUE(gridReader.Open(path, &loaded));
        ASSERT_EQ(loaded.RowCount(), 5001);
        ASSERT_EQ(loaded.ColCount(), 13);
        EXPECT_EQ(loaded.FixedRows(), 1);
        for (int r = 0; r <= 5000; ++r)
            for (int c = 0; c < 13; ++c)
                ASSERT_EQ(loaded.Cells(c, r), grid.Cells(c, r)) << c << "," << r;
    }
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(BinaryCatalog, UnitsAndRolesAsStored)
{
    TStringGrid grid;
    FillProducts(grid, 1);
    didCTF2 writer;
    writer.roles[RoleDescription] = 0;
    for (CatalogFieldRole role : {RoleSellAmount, RoleInventory, RoleMinInventory, RoleCategory, RoleBrand})
        writer.roles[role] = 0;
    writer.roles[RoleFacings] = 12;
    const std::string path = folder.File("roles.vdx");
    ASSERT_TRUE(writer.SaveToFile(path, &grid, "mm", ""));
    EXPECT_EQ(ReadWholeFile(path).substr(864, 68),
              ExpectedHeader(0, 0, 0, "", {0, 1, 0, 3, 4, 5, 6, 12, 7, 8, 9, 10, 0, 0, 0, 0, 0}).substr(864, 68));

    didCTF2 reader;
    reader.units = "furlong";
    ASSERT_TRUE(reader.Open(path, nullptr));
    EXPECT_EQ(reader.units, "cm");
    EXPECT_EQ(reader.roles[RoleDescription], 0);
    EXPECT_EQ(reader.roles[RoleFacings], 12);
    for (CatalogFieldRole role :
         {RoleSellAmount, RoleReserved, RoleInventory, RoleMinInventory, RoleCategory, RoleBrand})
        EXPECT_EQ(reader.roles[role], -1) << role;
    EXPECT_EQ(reader.description, "1"); // column 0
    EXPECT_EQ(reader.facings, 0);       // column 12 holds "Brand", which is no number
}

TEST_F(BinaryCatalog, UnknownUnitsAreKept)
{
    TStringGrid grid;
    FillProducts(grid, 1);
    std::string bytes = ReadWholeFile(Save(grid));
    bytes.replace(80, 4, U32(7));
    WriteWholeFile(folder.File("odd.vdx"), bytes);
    didCTF2 reader;
    reader.units = "inch";
    ASSERT_TRUE(reader.Open(folder.File("odd.vdx"), nullptr));
    EXPECT_EQ(reader.units, "inch");
}

TEST_F(BinaryCatalog, NewerVersionsAndOtherFilesAreRefused)
{
    TStringGrid grid;
    FillProducts(grid, 2);
    const std::string good = ReadWholeFile(Save(grid));
    for (std::uint32_t version : {2u, 3u, 0xFFFFFFFFu}) {
        std::string bytes = good;
        bytes.replace(4, 4, U32(version));
        WriteWholeFile(folder.File("new.vdx"), bytes);
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        didCTF2 catalog;
        EXPECT_FALSE(catalog.Open(folder.File("new.vdx"), nullptr));
        ASSERT_EQ(ui.Calls().size(), 1u);
        EXPECT_EQ(ui.Calls()[0].text, "The catalog file can not be opened with this version of Kestrame.");
        EXPECT_EQ(ui.Calls()[0].caption, "Error");
        EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Exclamation);
        EXPECT_FALSE(catalog.GoToRecord(1));
    }
    std::string old = good;
    old.replace(4, 4, U32(0));
    WriteWholeFile(folder.File("old.vdx"), old);
    didCTF2 oldCatalog;
    EXPECT_TRUE(oldCatalog.Open(folder.File("old.vdx"), nullptr));

    WriteWholeFile(folder.File("text.vdx"), "DIDF1\r\ncatheader.version=2\r\n" + std::string(1000, ' '));
    ui.ClearCalls();
    ui.AnswerMessage(MsgAnswer::OK);
    didCTF2 catalog;
    EXPECT_FALSE(catalog.Open(folder.File("text.vdx"), nullptr));
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, "Wrong file format");
    EXPECT_EQ(ui.Calls()[0].caption, "Error");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Stop);

    ui.ClearCalls();
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(catalog.Open(folder.File("missing.vdx"), nullptr));
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, "Cannot open file \"" + folder.File("missing.vdx") + "\". No such file or directory");
    EXPECT_EQ(ui.Calls()[0].caption, "Error");
}

TEST_F(BinaryCatalog, MovesWithinTheRecords)
{
    TStringGrid grid;
    FillProducts(grid, 3);
    grid.SetCells(1, 3, "P1"); // a second P1: the first one wins
    didCTF2 catalog;
    EXPECT_FALSE(catalog.GoToRecord(0)); // nothing open
    EXPECT_FALSE(catalog.First());
    ASSERT_TRUE(catalog.Open(Save(grid), nullptr));
    ASSERT_TRUE(catalog.Last());
    EXPECT_EQ(catalog.CurrentRecord(), 3);
    EXPECT_FALSE(catalog.Next());
    EXPECT_EQ(catalog.CurrentRecord(), 3);
    EXPECT_EQ(catalog.description, "Product 3");
    ASSERT_TRUE(catalog.First());
    ASSERT_TRUE(catalog.Prior());
    EXPECT_EQ(catalog.CurrentRecord(), 0);
    EXPECT_EQ(catalog.partNumber, "Product Part Nr.");
    EXPECT_FALSE(catalog.Prior());
    EXPECT_FALSE(catalog.GoToRecord(4));
    EXPECT_FALSE(catalog.GoToRecord(-1));
    EXPECT_EQ(catalog.CurrentRecord(), 0);

    ASSERT_TRUE(catalog.FindByKey("P1"));
    EXPECT_EQ(catalog.CurrentRecord(), 1);
    ASSERT_TRUE(catalog.FindByKey("Product Part Nr."));
    EXPECT_EQ(catalog.CurrentRecord(), 0);
    EXPECT_FALSE(catalog.FindByKey("p2")); // letter case counts
    EXPECT_FALSE(catalog.FindByKey("P3"));
    EXPECT_EQ(catalog.CurrentRecord(), 0);
}

TEST_F(BinaryCatalog, FieldTextsWithoutMoving)
{
    TStringGrid grid;
    FillProducts(grid, 2);
    grid.SetCells(2, 2, "  padded\t");
    didCTF2 catalog;
    ASSERT_TRUE(catalog.Open(Save(grid), nullptr));
    EXPECT_EQ(catalog.GetFieldText(2, 2), "padded");
    EXPECT_EQ(catalog.GetFieldText(1, 0), "Product Part Nr.");
    EXPECT_EQ(catalog.GetFieldText(12, 1), "Brand");
    // The filter goes up to recordCount, one past the last record: nothing there.
    EXPECT_EQ(catalog.GetFieldText(1, catalog.recordCount), "");
    EXPECT_EQ(catalog.GetFieldText(13, 1), "");
    EXPECT_EQ(catalog.GetFieldText(-1, 1), "");
    EXPECT_EQ(catalog.GetFieldText(1, -1), "");
    EXPECT_EQ(catalog.CurrentRecord(), 1);
    EXPECT_EQ(catalog.partNumber, "P1");
}

TEST_F(BinaryCatalog, LoadsRangesOnlyFromRecordsThatExist)
{
    TStringGrid source;
    FillProducts(source, 3);
    didCTF2 catalog;
    ASSERT_TRUE(catalog.Open(Save(source), nullptr));
    TStringGrid grid(2, 2);
    grid.SetCells(0, 0, "kept");
    grid.SetCells(1, 1, "old");
    catalog.LoadRangeIntoGrid(grid, catalog.recordCount, 5);
    catalog.LoadRangeIntoGrid(grid, -1, 5);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cells(1, 1), "old");

    catalog.LoadRangeIntoGrid(grid, 2, 5);
    EXPECT_EQ(grid.RowCount(), 6);
    EXPECT_EQ(grid.ColCount(), 13);
    EXPECT_EQ(grid.Cells(0, 0), "kept");
    EXPECT_EQ(grid.Cells(1, 1), "P2");
    EXPECT_EQ(grid.Cells(1, 2), "P3");
    EXPECT_EQ(grid.Cells(1, 3), "");
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(BinaryCatalog, ATitleOnlyCatalogKeepsItsTitleRowFixed)
{
    TStringGrid titles(13, 1);
    FillProducts(titles, 0);
    didCTF2 catalog;
    TStringGrid grid;
    ASSERT_TRUE(catalog.Open(Save(titles), &grid));
    EXPECT_EQ(catalog.recordCount, 1);
    EXPECT_FALSE(catalog.First());
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.Cells(12, 0), "Brand");
    EXPECT_EQ(grid.Cells(1, 1), "");
}

TEST_F(BinaryCatalog, SavingKeepsTheCatalogReadable)
{
    TStringGrid grid;
    FillProducts(grid, 4);
    const std::string path = Save(grid);
    didCTF2 catalog;
    TStringGrid loaded;
    ASSERT_TRUE(catalog.Open(path, &loaded));
    ASSERT_TRUE(catalog.GoToRecord(3));
    catalog.modified = true;
    loaded.SetCells(2, 3, "Renamed");
    loaded.SetRowCount(6);
    loaded.SetCells(1, 5, "P5");
    ASSERT_TRUE(catalog.SaveToFile(path, &loaded, "inch", "/other"));
    EXPECT_FALSE(catalog.modified);
    EXPECT_EQ(catalog.recordCount, 6); // as Open counts: the title record included
    EXPECT_EQ(catalog.units, "inch");
    EXPECT_EQ(catalog.CurrentRecord(), 3);
    EXPECT_EQ(catalog.description, "Renamed");
    ASSERT_TRUE(catalog.FindByKey("P5"));
    EXPECT_EQ(catalog.CurrentRecord(), 5);
    EXPECT_FALSE(catalog.Next());
    EXPECT_FALSE(catalog.SaveToFile(path, nullptr, "cm", ""));
}

TEST_F(BinaryCatalog, AFailedSaveKeepsTheOldFile)
{
    TStringGrid grid;
    FillProducts(grid, 200);
    const std::string path = Save(grid);
    const std::string before = ReadWholeFile(path);
    didCTF2 catalog;
    ASSERT_TRUE(catalog.Open(path, nullptr));
    grid.SetCells(2, 1, std::string(100000, 'x'));
    {
        FileSizeLimit limit(static_cast<rlim_t>(before.size()));
        EXPECT_THROW(catalog.SaveToFile(path, &grid, "cm", ""), EWriteError);
    }
    EXPECT_EQ(ReadWholeFile(path), before);
    ASSERT_TRUE(catalog.FindByKey("P200"));
    EXPECT_EQ(catalog.description, "Product 200");
}

TEST_F(BinaryCatalog, EveryOffsetChainHoldsTogether)
{
    TStringGrid grid;
    FillProducts(grid, 40);
    for (int r = 0; r <= 40; ++r)
        grid.SetCells(2, r, std::string(static_cast<size_t>(r * 7 % 13), 'd'));
    const std::string bytes = ReadWholeFile(Save(grid));
    // A reader of its own: the header's counts, each index entry's offset, each record's size
    // against the texts it holds, and records that follow each other to the file's end.
    const std::uint32_t fields = U32At(bytes, 16);
    const std::uint32_t records = U32At(bytes, 20);
    ASSERT_EQ(fields, 13u);
    ASSERT_EQ(records, 41u);
    ASSERT_EQ(U32At(bytes, 932), 976u);
    size_t expectedOffset = 976 + 260 * records;
    for (std::uint32_t r = 0; r < records; ++r) {
        const size_t entry = 976 + 260 * r;
        ASSERT_EQ(U32At(bytes, entry + 256), expectedOffset) << r;
        ASSERT_EQ(U32At(bytes, expectedOffset), r);
        ASSERT_EQ(U32At(bytes, expectedOffset + 4), 0u);
        const std::uint32_t size = U32At(bytes, expectedOffset + 8);
        size_t at = expectedOffset + 12;
        for (std::uint32_t f = 0; f < fields; ++f) {
            const std::uint32_t length = U32At(bytes, at);
            const std::uint32_t padded = U32At(bytes, at + 4);
            ASSERT_EQ(padded % 4, 0u);
            ASSERT_LE(length, padded);
            ASSERT_LT(padded - length, 4u);
            EXPECT_EQ(bytes.substr(at + 8, length), grid.Cells(static_cast<int>(f), static_cast<int>(r)));
            EXPECT_EQ(bytes.substr(at + 8 + length, padded - length), std::string(padded - length, '\0'));
            if (f == 1) {
                EXPECT_EQ(bytes.substr(entry, 256), Fixed(grid.Cells(1, static_cast<int>(r)), 256));
            }
            at += 8 + padded;
        }
        ASSERT_EQ(at, expectedOffset + 12 + size);
        expectedOffset = at;
    }
    EXPECT_EQ(expectedOffset, bytes.size());
}

TEST_F(BinaryCatalog, ChosenForItsExtension)
{
    for (const char* path : {"shop.vdx", "C:\\Cats\\SHOP.VDX"}) {
        const auto catalog = NewCatalogForFile(path);
        ASSERT_NE(catalog, nullptr) << path;
        EXPECT_EQ(catalog->type, "VDX");
        EXPECT_EQ(catalog->unitsMode, 1);
        EXPECT_EQ(catalog->recordCount, 0);
        EXPECT_EQ(catalog->roles, DefaultRoleColumns());
    }
}
