#include "catalog/GridUtilities.h"
#include "catalog/GridSearch.h"
#include "platform/ui/StringGrid.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Every cell holds "c,r" of where it was made.
void Label(TStringGrid& grid)
{
    for (int r = 0; r < grid.RowCount(); ++r)
        for (int c = 0; c < grid.ColCount(); ++c)
            grid.SetCells(c, r, std::to_string(c) + "," + std::to_string(r));
}

std::string Origin(int c, int r) { return std::to_string(c) + "," + std::to_string(r); }

} // namespace

TEST(GridUtilities, ClearGridKeepsTheTitles)
{
    TStringGrid grid(4, 10);
    Label(grid);
    GridUtilities().ClearGrid(grid);
    ASSERT_EQ(grid.RowCount(), 2);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(grid.Cells(c, 0), Origin(c, 0));
        EXPECT_EQ(grid.Cells(c, 1), "");
    }
    grid.SetRowCount(10); // the cleared rows do not come back
    EXPECT_EQ(grid.Cells(0, 5), "");
}

TEST(GridUtilities, InsertRowMovesTheRowsBelowDown)
{
    TStringGrid grid(12, 5);
    Label(grid);
    GridUtilities().InsertRow(grid, 3);
    ASSERT_EQ(grid.RowCount(), 6);
    for (int c = 0; c < 12; ++c) {
        EXPECT_EQ(grid.Cells(c, 2), Origin(c, 2));
        EXPECT_EQ(grid.Cells(c, 3), "");
        EXPECT_EQ(grid.Cells(c, 4), Origin(c, 3));
        EXPECT_EQ(grid.Cells(c, 5), Origin(c, 4));
    }
    GridUtilities().InsertRow(grid, 0); // the title row stays first
    GridUtilities().InsertRow(grid, 6);
    EXPECT_EQ(grid.RowCount(), 6);
    EXPECT_EQ(grid.Cells(0, 0), "0,0");
}

TEST(GridUtilities, DeleteRowMovesTheRowsBelowUp)
{
    TStringGrid grid(3, 5);
    Label(grid);
    GridUtilities().DeleteRow(grid, 2);
    ASSERT_EQ(grid.RowCount(), 4);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(grid.Cells(c, 1), Origin(c, 1));
        EXPECT_EQ(grid.Cells(c, 2), Origin(c, 3));
        EXPECT_EQ(grid.Cells(c, 3), Origin(c, 4));
    }
    GridUtilities().DeleteRow(grid, 3); // the last row: only the count shrinks
    ASSERT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cells(0, 2), "0,3");
    GridUtilities().DeleteRow(grid, 0);
    GridUtilities().DeleteRow(grid, 3);
    EXPECT_EQ(grid.RowCount(), 3);
}

TEST(GridUtilities, CopyToAndFromArray)
{
    TStringGrid grid(2, 4);
    Label(grid);
    GridUtilities utilities;
    utilities.CopyToArray(grid, 2);
    utilities.CopyFromArray(grid, 1);
    EXPECT_EQ(grid.Cells(1, 1), "1,2");
    EXPECT_EQ(grid.Cells(1, 2), "1,3");
    EXPECT_EQ(grid.Cells(1, 3), "1,3");
}

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Every cell of the grid, row by row.
Rows Contents(const TStringGrid& grid)
{
    Rows rows(static_cast<size_t>(grid.RowCount()));
    for (int r = 0; r < grid.RowCount(); ++r)
        for (int c = 0; c < grid.ColCount(); ++c)
            rows[static_cast<size_t>(r)].push_back(grid.Cells(c, r));
    return rows;
}

} // namespace

TEST(GridUtilities, ImportTextFillsTheGridFromTabDelimitedText)
{
    const std::string longField(1000, 'x');
    std::string twentyLines = "Code\n";
    Rows twenty = {{"Record nr.", "Code"}};
    for (int n = 1; n <= 20; ++n) {
        twentyLines += "P" + std::to_string(n) + (n < 20 ? "\r\n" : "");
        twenty.push_back({std::to_string(n), "P" + std::to_string(n)});
    }
    const struct {
        const char* name;
        std::string text;
        Rows grid;
    } cases[] = {
        {"titles", "Code\tName\n", {{"Record nr.", "Code", "Name"}, {"", "", ""}}},
        {"an empty field between two", "A\tB\tC\n7\t\tShelf\n", {{"Record nr.", "A", "B", "C"}, {"1", "7", "", "Shelf"}}},
        {"twenty lines, the last without an end", twentyLines, twenty},
        {"pieces beyond the titles dropped, missing ones empty", "A\tB\n1\t2\t3\n4\n",
         {{"Record nr.", "A", "B"}, {"1", "1", "2"}, {"2", "4", ""}}},
        // Each TAB starts a field: four empty fields in a row, a leading TAB and an empty title keep
        // every field under its own title.
        {"empty fields anywhere", "A\t\tC\tD\tE\tF\n\t\t\t\t\tf\n\tb\n",
         {{"Record nr.", "A", "", "C", "D", "E", "F"}, {"1", "", "", "", "", "", "f"}, {"2", "", "b", "", "", "", ""}}},
        {"every field trimmed", " A \tB\n  x \t y\r\n", {{"Record nr.", "A", "B"}, {"1", "x", "y"}}},
        {"a long line is one row", "A\n" + longField + "\n", {{"Record nr.", "A"}, {"1", longField}}},
    };
    TemporaryFolder folder;
    for (const auto& c : cases) {
        WriteWholeFile(folder.File("list.txt"), c.text);
        TStringGrid grid(5, 4);
        grid.SetCells(0, 0, "Old");
        grid.SetCells(1, 3, "old cell");
        ScriptedUi ui;
        EXPECT_TRUE(GridUtilities().ImportText(grid, folder.File("list.txt"))) << c.name;
        EXPECT_EQ(Contents(grid), c.grid) << c.name;
    }
}

TEST(GridUtilities, ImportTextSaysWhatFailed)
{
    TemporaryFolder folder;
    WriteWholeFile(folder.File("empty.txt"), "\r\nA\tB\r\n");
    const struct {
        std::string path;
        const char* text;
        const char* caption;
        MsgIcon icon;
    } cases[] = {
        {folder.File("missing.txt"), "Could not open text file", "error", MsgIcon::None},
        {folder.File("empty.txt"), "No fields found on first line of text", "Import error", MsgIcon::Exclamation},
    };
    for (const auto& c : cases) {
        TStringGrid grid(3, 5);
        ScriptedUi ui;
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(GridUtilities().ImportText(grid, c.path));
        ASSERT_EQ(ui.Calls().size(), 1u);
        EXPECT_EQ(ui.Calls()[0].text, c.text);
        EXPECT_EQ(ui.Calls()[0].caption, c.caption);
        EXPECT_EQ(ui.Calls()[0].icon, c.icon);
    }
}

namespace {

class Search : public testing::Test {
protected:
    void SetUp() override
    {
        const std::vector<std::vector<std::string>> rows = {
            {"Record Nr.", "Part", "Width", "Price"},
            {"123", "A1", "10", "2"},
            {"2", " 123 ", "10", "ABC"},
            {"3", "10", "123", "abc"},
        };
        for (size_t r = 0; r < rows.size(); ++r)
            for (size_t c = 0; c < rows[r].size(); ++c)
                grid.SetCells(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
        grid.OnSelectCell = [this](int col, int row, bool&) { selected.emplace_back(col, row); };
    }

    TStringGrid grid{4, 4};
    GridSearch search;
    std::vector<std::pair<int, int>> selected;
};

} // namespace

TEST_F(Search, FindStartsAtColumnOneOfRowOne)
{
    ASSERT_TRUE(search.Find(" 123 ", grid)); // never column 0 of row 1, never the titles
    EXPECT_EQ(search.CurrentCol(), 1);
    EXPECT_EQ(search.CurrentRow(), 2);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(grid.Col(), 1);
    ASSERT_FALSE(selected.empty());
    EXPECT_EQ(selected.back(), std::make_pair(1, 2));
    EXPECT_EQ(search.SearchText(), " 123 ");

    ASSERT_TRUE(search.FindFrom(search.CurrentCol() + 1, search.CurrentRow()));
    EXPECT_EQ(search.CurrentCol(), 2);
    EXPECT_EQ(search.CurrentRow(), 3);
    EXPECT_FALSE(search.FindFrom(3, 3));
    EXPECT_EQ(search.SearchText(), "");
    EXPECT_EQ(search.CurrentRow(), 3);
}

TEST_F(Search, LaterRowsStartAtColumnZeroAndCaseMatters)
{
    ASSERT_TRUE(search.Find("3", grid));
    EXPECT_EQ(search.CurrentCol(), 0);
    EXPECT_EQ(search.CurrentRow(), 3);
    ASSERT_TRUE(search.Find("abc", grid));
    EXPECT_EQ(search.CurrentRow(), 3);
    EXPECT_EQ(search.CurrentCol(), 3);
    EXPECT_FALSE(search.Find("Part", grid));
    const size_t shown = selected.size();
    EXPECT_FALSE(search.Find("Abc", grid));
    EXPECT_EQ(selected.size(), shown);
}

TEST_F(Search, ColumnRestrictedSearch)
{
    ASSERT_TRUE(search.FindInColumn("10", grid, 1)); // not row 1's width
    EXPECT_EQ(search.CurrentRow(), 3);
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_TRUE(search.FindInColumn("123", grid, 1));
    EXPECT_EQ(search.CurrentRow(), 2);
    EXPECT_FALSE(search.FindInColumn("2", grid, 1));
    EXPECT_EQ(search.SearchText(), "");
    EXPECT_FALSE(search.FindInColumn("A1", grid, -1));
    EXPECT_FALSE(search.FindInColumn("A1", grid, 4));
    EXPECT_FALSE(search.FindInColumn("Part", grid, 1));
}
