#include "platform/ui/StringGrid.h"
#include "platform/ui/StringGridModel.h"
#include "platform/ui/StringGridView.h"

#include <gtest/gtest.h>

#include <QHeaderView>

namespace {

void Fill(TStringGrid& grid)
{
    for (int row = 0; row < grid.RowCount(); ++row)
        for (int col = 0; col < grid.ColCount(); ++col)
            grid.SetCells(col, row, std::to_string(col) + "," + std::to_string(row));
}

} // namespace

TEST(StringGrid, NewGridIsFiveByFiveWithOneFixedRowAndColumn)
{
    TStringGrid grid;
    EXPECT_EQ(grid.ColCount(), 5);
    EXPECT_EQ(grid.RowCount(), 5);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.FixedCols(), 1);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.ColWidths(3), 64);
}

TEST(StringGrid, GrowingAndShrinkingKeepsCells)
{
    TStringGrid grid(3, 4);
    Fill(grid);
    grid.SetRowCount(10);
    grid.SetColCount(6);
    EXPECT_EQ(grid.Cells(2, 3), "2,3");
    EXPECT_EQ(grid.Cells(5, 9), "");
    grid.SetCells(5, 9, "corner");
    grid.SetRowCount(2);
    grid.SetColCount(2);
    EXPECT_EQ(grid.Cells(1, 1), "1,1");
    EXPECT_EQ(grid.Cells(0, 0), "0,0");
    // Dropped cells do not come back when the grid grows again.
    grid.SetRowCount(10);
    grid.SetColCount(6);
    EXPECT_EQ(grid.Cells(2, 3), "");
    EXPECT_EQ(grid.Cells(5, 9), "");
    grid.SetRowCount(0);
    EXPECT_EQ(grid.RowCount(), 1);
}

TEST(StringGrid, RowsHoldCellsOnlyUpToTheirLastText)
{
    TStringGrid grid(100000, 3);
    EXPECT_EQ(grid.HeldCells(1), 0);
    grid.SetCells(99999, 1, "");
    EXPECT_EQ(grid.HeldCells(1), 0);
    grid.SetCells(2, 1, "c");
    grid.SetCells(0, 2, "a");
    EXPECT_EQ(grid.HeldCells(1), 3);
    EXPECT_EQ(grid.HeldCells(2), 1);
    EXPECT_EQ(grid.Cells(1, 1), "");
    EXPECT_EQ(grid.Cells(99999, 2), "");
    grid.SetCells(2, 1, "");
    EXPECT_EQ(grid.Cells(2, 1), "");
    grid.SetCells(99999, 0, "end");
    EXPECT_EQ(grid.Cells(99999, 0), "end");
    EXPECT_EQ(grid.HeldCells(0), 100000);
    grid.SetColCount(10);
    EXPECT_EQ(grid.HeldCells(0), 10);
    EXPECT_EQ(grid.HeldCells(5), 0);
}

TEST(StringGrid, OutOfRangeReadsAreEmptyAndWritesIgnored)
{
    TStringGrid grid(2, 2);
    grid.SetCells(2, 0, "x");
    grid.SetCells(0, 2, "x");
    grid.SetCells(-1, 0, "x");
    EXPECT_EQ(grid.Cells(2, 0), "");
    EXPECT_EQ(grid.Cells(0, -1), "");
    EXPECT_EQ(grid.Cells(100000, 100000), "");
    grid.SetRowCount(3);
    EXPECT_EQ(grid.Cells(0, 2), "");
}

TEST(StringGrid, FixedRowsAreClampedNotRefused)
{
    TStringGrid grid(3, 2);
    grid.SetFixedRows(5);
    EXPECT_EQ(grid.FixedRows(), 1);
    grid.SetFixedCols(-2);
    EXPECT_EQ(grid.FixedCols(), 0);
    grid.SetRowCount(6);
    grid.SetFixedRows(3);
    EXPECT_EQ(grid.FixedRows(), 3);
    EXPECT_EQ(grid.Row(), 3);
    grid.SetRowCount(2);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.Row(), 1);
    grid.SetRowCount(1);
    EXPECT_EQ(grid.FixedRows(), 0);
    EXPECT_EQ(grid.Row(), 0);
}

TEST(StringGrid, SelectCellRunsAlsoWhenCodeMovesTheCurrentCell)
{
    TStringGrid grid(4, 6);
    std::vector<std::pair<int, int>> asked;
    bool allow = true;
    grid.OnSelectCell = [&](int col, int row, bool& canSelect) {
        asked.emplace_back(col, row);
        canSelect = allow;
    };
    EXPECT_TRUE(grid.SetRow(4));
    EXPECT_TRUE(grid.SetCol(2));
    EXPECT_TRUE(grid.FocusCell(0, 5));
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}, {0, 5}}));
    EXPECT_EQ(grid.Row(), 5);
    EXPECT_EQ(grid.Col(), 0);
    allow = false;
    EXPECT_FALSE(grid.SetRow(2));
    EXPECT_EQ(grid.Row(), 5);
    EXPECT_FALSE(grid.SetRow(6));
    EXPECT_EQ(asked.size(), 4u);
    grid.SetRowCount(3);
    EXPECT_EQ(grid.Row(), 2);
}

TEST(StringGrid, ModelShowsEveryCellAndShadesFixedOnes)
{
    TStringGrid grid(3, 3);
    Fill(grid);
    grid.SetCells(2, 2, "caf\xE9");
    StringGridModel model(grid);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.data(model.index(2, 2)).toString(), QString::fromUtf8("café"));
    EXPECT_TRUE(model.data(model.index(0, 1), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.data(model.index(1, 1), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.flags(model.index(1, 1)) & Qt::ItemIsEditable);
    grid.SetEditing(true);
    EXPECT_TRUE(model.flags(model.index(1, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.setData(model.index(1, 2), QString::fromUtf8("crème")));
    EXPECT_EQ(grid.Cells(2, 1), "cr\xE8me");

    int changed = 0;
    int reset = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&] { ++changed; });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++reset; });
    grid.SetCells(1, 1, "x");
    grid.SetRowCount(7);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(reset, 1);
    EXPECT_EQ(model.rowCount(), 7);
}

TEST(StringGrid, TakingCellsMovesThemWithOneResetAndKeepsTheWidths)
{
    TStringGrid from(3, 6);
    Fill(from);
    from.SetFixedRows(2);
    TStringGrid grid(5, 2);
    grid.SetColWidths(1, 90);
    StringGridModel model(grid);
    int changed = 0;
    int reset = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&] { ++changed; });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++reset; });
    grid.TakeCells(from);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(reset, 1);
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(grid.ColCount(), 3);
    EXPECT_EQ(grid.Cells(2, 5) + grid.Cells(0, 0), "2,50,0");
    EXPECT_EQ(grid.FixedRows(), 2);
    EXPECT_EQ(grid.ColWidths(1), 90);
    EXPECT_EQ(from.RowCount(), 1);
    EXPECT_EQ(from.Cells(0, 0), "");
}

TEST(StringGrid, ViewFollowsTheGridAndAsksBeforeMoving)
{
    StringGridView view;
    TStringGrid& grid = view.Grid();
    grid.SetRowCount(4);
    grid.SetColWidths(2, 120);
    EXPECT_EQ(view.columnWidth(2), 120);
    view.horizontalHeader()->resizeSection(1, 90);
    EXPECT_EQ(grid.ColWidths(1), 90);

    grid.SetRow(3);
    EXPECT_EQ(view.currentIndex().row(), 3);
    int asked = 0;
    grid.OnSelectCell = [&](int, int row, bool& canSelect) {
        ++asked;
        canSelect = row != 2;
    };
    view.setCurrentIndex(view.model()->index(2, 1));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(view.currentIndex().row(), 3);
    view.setCurrentIndex(view.model()->index(1, 4));
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 4);
    EXPECT_EQ(asked, 2);
}

TEST(StringGrid, MovingAColumnShiftsTheOnesBetweenAndOnlyUserEditsAreTold)
{
    TStringGrid grid(5, 3);
    for (int col = 0; col < 5; ++col)
        grid.SetCells(col, 0, std::string(1, static_cast<char>('a' + col)));
    grid.SetCells(1, 1, "short row"); // holds two cells only
    grid.SetColWidths(3, 30);
    grid.MoveColumn(1, 3);
    EXPECT_EQ(grid.Cells(0, 0) + grid.Cells(1, 0) + grid.Cells(2, 0) + grid.Cells(3, 0) + grid.Cells(4, 0), "acdbe");
    EXPECT_EQ(grid.Cells(3, 1), "short row");
    EXPECT_EQ(grid.Cells(1, 1), "");
    EXPECT_EQ(grid.ColWidths(2), 30);
    grid.MoveColumn(3, 1);
    EXPECT_EQ(grid.Cells(1, 1), "short row");
    grid.MoveColumn(1, 5); // outside: nothing moves
    EXPECT_EQ(grid.Cells(1, 0), "b");

    std::vector<std::string> told;
    grid.OnSetEditText = [&](int col, int row, const std::string& text) {
        told.push_back(std::to_string(col) + "," + std::to_string(row) + "=" + text);
    };
    grid.SetCells(2, 2, "code");
    grid.SetEditText(2, 1, "typed");
    EXPECT_EQ(told, std::vector<std::string>{"2,1=typed"});
    EXPECT_EQ(grid.Cells(2, 1), "typed");
}
