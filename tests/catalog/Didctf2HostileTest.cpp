// Binary catalogs that do not hold together: each must be refused with "Wrong file format" (or,
// when only one record is damaged, that record must be out of reach), never crash, raise or
// allocate what the file cannot back.
#include "catalog/Didctf2.h"
#include "platform/ui/StringGrid.h"
#include "testing/ScriptedUi.h"

#include "LittleEndianBytes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class HostileCatalog : public testing::Test {
protected:
    void SetUp() override
    {
        TStringGrid grid(3, 4);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c)
                grid.SetCells(c, r, "cell " + std::to_string(c) + "," + std::to_string(r));
        didCTF2 writer;
        ASSERT_TRUE(writer.SaveToFile(folder.File("good.vdx"), &grid, "cm", ""));
        good = ReadWholeFile(folder.File("good.vdx"));
    }

    // Record r's head, by the offset its index entry holds.
    size_t RecordAt(int r) const { return U32At(good, 976 + 260 * static_cast<size_t>(r) + 256); }

    std::string Patched(size_t at, const std::string& bytes) const
    {
        std::string patched = good;
        patched.replace(at, bytes.size(), bytes);
        return patched;
    }

    // Opens the bytes with and without a grid; true when both opened. Each refusal says "Wrong file
    // format" once, whichever of the two it is.
    bool Opens(const std::string& bytes)
    {
        const std::string path = folder.File("hostile.vdx");
        WriteWholeFile(path, bytes);
        ScriptedUi ui(ScriptedUi::Strictness::Lenient);
        didCTF2 plain;
        const bool plainOpened = plain.Open(path, nullptr);
        TStringGrid grid;
        didCTF2 withGrid;
        const bool gridOpened = withGrid.Open(path, &grid);
        for (const std::string& text : ui.MessageTexts())
            EXPECT_EQ(text, "Wrong file format");
        EXPECT_EQ(ui.Calls().size(), (plainOpened ? 0u : 1u) + (gridOpened ? 0u : 1u));
        if (!plainOpened) {
            EXPECT_FALSE(plain.GoToRecord(0));
        }
        return plainOpened && gridOpened;
    }

    TemporaryFolder folder;
    ScriptedUi ui;
    std::string good;
};

} // namespace

TEST_F(HostileCatalog, TheUntouchedFileOpens) { EXPECT_TRUE(Opens(good)); }

TEST_F(HostileCatalog, EveryTruncationIsRefused)
{
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(Opens(good.substr(0, length))) << length;
}

TEST_F(HostileCatalog, CountsTheFileCannotHoldAreRefused)
{
    for (std::uint32_t records : {5u, 1000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
        EXPECT_FALSE(Opens(Patched(20, U32(records)))) << records;
    for (std::uint32_t fields : {200u, 0x10000000u, 0x80000000u, 0xFFFFFFFFu})
        EXPECT_FALSE(Opens(Patched(16, U32(fields)))) << fields;
    // Fields with no record to hold them.
    EXPECT_FALSE(Opens(Patched(20, U32(0)).substr(0, 976)));
    // No records and no fields is a file that holds together: nothing to move to.
    const std::string path = folder.File("empty.vdx");
    WriteWholeFile(path, Patched(16, U32(0) + U32(0)).substr(0, 976));
    didCTF2 catalog;
    TStringGrid grid;
    EXPECT_TRUE(catalog.Open(path, &grid));
    EXPECT_EQ(catalog.recordCount, 0);
    EXPECT_TRUE(catalog.columnNames.empty());
    EXPECT_FALSE(catalog.First());
}

TEST_F(HostileCatalog, OffsetsOutsideTheFileAreRefused)
{
    for (std::uint32_t offset : {static_cast<std::uint32_t>(good.size()), static_cast<std::uint32_t>(good.size() - 11),
                                 0x7FFFFFFFu, 0xFFFFFFF8u, 0xFFFFFFFFu})
        for (int entry : {0, 2, 3})
            EXPECT_FALSE(Opens(Patched(976 + 260 * static_cast<size_t>(entry) + 256, U32(offset)))) << offset;
}

TEST_F(HostileCatalog, RecordSizesPastTheEndAreRefused)
{
    for (std::uint32_t size : {0xFFFFFFFFu, 0x80000000u, static_cast<std::uint32_t>(good.size())})
        EXPECT_FALSE(Opens(Patched(RecordAt(0) + 8, U32(size)))) << size;
    // A record too small for its fields.
    EXPECT_FALSE(Opens(Patched(RecordAt(0) + 8, U32(16))));
}

TEST_F(HostileCatalog, MalformedTextLengthsAreRefused)
{
    const size_t text = RecordAt(0) + 12;
    EXPECT_FALSE(Opens(Patched(text, U32(9))));                            // L above P (8)
    EXPECT_FALSE(Opens(Patched(text + 4, U32(10))));                       // P not padded
    EXPECT_FALSE(Opens(Patched(text + 4, U32(0x7FFFFFFC))));               // P past the record
    EXPECT_FALSE(Opens(Patched(text, U32(0xFFFFFFF0) + U32(0xFFFFFFF0)))); // negative lengths
}

TEST_F(HostileCatalog, ADamagedProductIsOutOfReachAlone)
{
    const std::string path = folder.File("damaged.vdx");
    WriteWholeFile(path, Patched(RecordAt(2) + 12 + 4, U32(0x40000000)));
    didCTF2 catalog;
    ASSERT_TRUE(catalog.Open(path, nullptr));
    EXPECT_FALSE(catalog.GoToRecord(2));
    EXPECT_EQ(catalog.CurrentRecord(), 1);
    EXPECT_EQ(catalog.GetFieldText(0, 2), "");
    EXPECT_FALSE(catalog.FindByKey("cell 1,2"));
    EXPECT_TRUE(catalog.FindByKey("cell 1,3"));
    EXPECT_TRUE(ui.Calls().empty());

    TStringGrid grid;
    ui.AnswerMessage(MsgAnswer::OK);
    catalog.LoadIntoGrid(grid);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Wrong file format"});
    ui.ClearCalls();
    ui.AnswerMessage(MsgAnswer::OK);
    catalog.LoadRangeIntoGrid(grid, 3, 1);
    EXPECT_EQ(grid.Cells(1, 1), "cell 1,3");
    catalog.LoadRangeIntoGrid(grid, 1, 3);
    EXPECT_EQ(grid.Cells(1, 1), "cell 1,1");
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Wrong file format"});
}
