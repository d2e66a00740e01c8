#include "catalog/GridSearch.h"

#include "platform/ui/StringGrid.h"

#include <algorithm>

namespace {

// The text as Trim gives it, without copying it: every search compares it with every cell.
std::string_view Trimmed(std::string_view text)
{
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

bool GridSearch::Find(const std::string& text, TStringGrid& searched)
{
    searchText = text;
    grid = &searched;
    return FindFrom(1, 1);
}

bool GridSearch::FindFrom(int column, int row)
{
    if (!grid)
        return Miss();
    for (int r = std::max(row, 0); r < grid->RowCount(); ++r)
        for (int c = r == row ? std::max(column, 0) : 0; c < grid->ColCount(); ++c)
            if (Matches(c, r))
                return Hit(c, r);
    return Miss();
}

bool GridSearch::FindInColumn(const std::string& text, TStringGrid& searched, int column)
{
    searchText = text;
    grid = &searched;
    if (column >= 0 && column < grid->ColCount())
        for (int r = 1; r < grid->RowCount(); ++r)
            if (Matches(column, r))
                return Hit(column, r);
    return Miss();
}

bool GridSearch::Matches(int column, int row) const
{
    return Trimmed(grid->Cells(column, row)) == Trimmed(searchText);
}

bool GridSearch::Hit(int column, int row)
{
    currentCol = column;
    currentRow = row;
    grid->SetRow(row);
    grid->SetCol(column);
    return true;
}

bool GridSearch::Miss()
{
    searchText.clear();
    return false;
}
