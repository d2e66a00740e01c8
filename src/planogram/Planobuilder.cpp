#include "planogram/Planobuilder.h"

#include "planogram/DocumentView.h"
#include "planogram/Placing.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/CodePage.h"
#include "platform/core/Numbers.h"
#include "platform/core/TryNumbers.h"
#include "platform/core/UiServices.h"
#include "platform/ui/StringGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The rows between the titles and the trailing empty row.
int EntryCount(const TStringGrid& grid) { return std::max(grid.RowCount() - 2, 0); }

// Further down than any wall reaches, with room left to add an item's size.
constexpr long long FarBelowAnyWall = std::numeric_limits<int>::max() / 2;

} // namespace

std::vector<BuilderEntry> BuilderEntries(const TStringGrid& grid)
{
    std::vector<BuilderEntry> entries;
    for (int row = 1; row <= EntryCount(grid); ++row)
        entries.push_back(BuilderEntry{grid.Cells(0, row), grid.Cells(1, row), grid.Cells(2, row)});
    return entries;
}

template <typename Rank> void Planobuilder::WriteRanks(TStringGrid& grid, Rank rank)
{
    for (int row = 1; row <= EntryCount(grid); ++row)
        if (const std::optional<SelectorProduct> product = host_.FindProduct(grid.Cells(0, row)))
            grid.SetCells(1, row, rank(*product, grid.Cells(1, row)));
}

void Planobuilder::RankBySpaceProfit(TStringGrid& grid, bool descending)
{
    WriteRanks(grid, [](const SelectorProduct& p, const std::string&) {
        return IntToStr(static_cast<std::int64_t>(std::trunc(p.retailPrice - p.costPrice)));
    });
    WriteRanks(grid, [](const SelectorProduct& p, const std::string& profit) {
        return FloatToStr(Atoi(profit) - p.width * p.height);
    });
    SortByRank(grid, descending);
}

void Planobuilder::RankByProfit(TStringGrid& grid, bool descending)
{
    WriteRanks(grid,
               [](const SelectorProduct& p, const std::string&) { return FloatToStr(p.retailPrice - p.costPrice); });
    SortByRank(grid, descending);
}

void Planobuilder::RankBySize(TStringGrid& grid, bool descending)
{
    WriteRanks(grid, [](const SelectorProduct& p, const std::string&) { return FloatToStr(p.width * p.height); });
    SortByRank(grid, descending);
}

void Planobuilder::RankByWidth(TStringGrid& grid, bool descending)
{
    WriteRanks(grid, [](const SelectorProduct& p, const std::string&) { return FloatToStr(p.width); });
    SortByRank(grid, descending);
}

void Planobuilder::RankByHeight(TStringGrid& grid, bool descending)
{
    WriteRanks(grid, [](const SelectorProduct& p, const std::string&) { return FloatToStr(p.height); });
    SortByRank(grid, descending);
}

void Planobuilder::RankBy(TStringGrid& grid, int mode)
{
    const bool descending = mode % 2 == 1;
    switch ((mode + 1) / 2) {
    case 1:
        return RankBySpaceProfit(grid, descending);
    case 2:
        return RankByProfit(grid, descending);
    case 3:
        return RankBySize(grid, descending);
    case 4:
        return RankByWidth(grid, descending);
    case 5:
        return RankByHeight(grid, descending);
    default:
        return;
    }
}

void Planobuilder::SortByRank(TStringGrid& grid, bool descending)
{
    struct Entry {
        BuilderEntry texts;
        double rank;
    };
    std::vector<Entry> entries;
    for (const BuilderEntry& texts : BuilderEntries(grid))
        entries.push_back(Entry{texts, TryStrToFloat(texts.rank).value_or(0)});
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.rank < b.rank; });
    if (descending)
        std::reverse(entries.begin(), entries.end());
    grid.SetRowCount(2);
    for (size_t i = 0; i < entries.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        grid.SetCells(0, row, entries[i].texts.item);
        grid.SetCells(1, row, IntToStr(row));
        grid.SetCells(2, row, entries[i].texts.facings);
        grid.SetRowCount(row + 2);
    }
}

long long FacingsThatFit(int wallWidth, int wallHeight, int width, int height)
{
    if (width <= 0 || height <= 0)
        return std::numeric_limits<long long>::max();
    return static_cast<long long>(std::max(wallWidth, 0) / width) * (std::max(wallHeight, 0) / height);
}

void RefuseFacings(const std::string& partNumber, long long most)
{
    Ui().MessageBox("The display can hold at most " + IntToStr(most) + " of " + Win1252ToUtf8(partNumber) +
                        ". Please lower its facings and build again.",
                    ApplicationTitle, MsgButtons::OK, MsgIcon::Exclamation);
}

bool FacingsFit(const TStringGrid& grid, int wallWidth, int wallHeight, const BuilderProductLookup& find)
{
    for (int row = 1; row < grid.RowCount(); ++row) {
        const int facings = TryStrToInt(grid.Cells(2, row)).value_or(0);
        if (facings <= 0)
            continue;
        const std::optional<SelectorProduct> product = find(grid.Cells(0, row));
        if (!product)
            continue;
        // Placing would refuse it once per facing, after the wall was cleared.
        if (product->widthQ <= 0 || product->heightQ <= 0) {
            RefuseUndefinedProduct();
            return false;
        }
        const long long most = FacingsThatFit(wallWidth, wallHeight, product->widthQ, product->heightQ);
        if (facings > most) {
            RefuseFacings(product->partNumber, most);
            return false;
        }
    }
    return true;
}

bool Planobuilder::PlaceList(const TStringGrid& grid, int height, bool inches)
{
    if (height == 0)
        height = 1;
    // Any whole number of centimetres or inches may be typed: one above the wall hangs the first row
    // at its top, one far below it puts the row out of the wall, where nothing stays.
    const long long rowHeight =
        inches ? static_cast<long long>(std::trunc(height * CentimetresPerInch * 4)) : height * 4LL;
    x = 1;
    y = static_cast<int>(std::clamp(host_.DisplayHeight() - rowHeight, 1LL, FarBelowAnyWall));
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (!host_.FindProduct(grid.Cells(0, row)))
            continue;
        const int facings = TryStrToInt(grid.Cells(2, row)).value_or(0);
        for (int i = 0; i < facings; ++i)
            host_.AddCurrentProduct(x, y);
    }
    return host_.RefreshDisplay();
}

void Planobuilder::DeleteItemsOutside(PlanogramDocument& document)
{
    if (document.FitItemsToDisplay(2)) {
        Ui().MessageBox("There was not enough room in your display to place all the items in your builder list "
                        "correctly. These items will be deleted.",
                        ApplicationTitle, MsgButtons::OK, MsgIcon::Warning);
        document.services.view.WallChanged();
    }
    // Placing added each product's row; neither what was cleared before nor what was deleted stays.
    document.FillLayoutGrid();
    document.renderer.RefreshLayoutThumbnail();
}
