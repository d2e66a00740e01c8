#pragma once

#include "planogram/Kqfascii.h"
#include "planogram/SelectorModel.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class PlanogramDocument;
class TStringGrid;

// The names of the rank modes 0-10, as the lists that choose one show them.
inline constexpr const char* RankModeNames[] = {"Manual Ranking",
                                                "Least Space, Most Profit",
                                                "Most Space, Least Profit",
                                                "Most Profitable",
                                                "Least Profitable",
                                                "Large to Small",
                                                "Small to Large",
                                                "Wide to Thin",
                                                "Thin to Wide",
                                                "Tall to Short",
                                                "Short to Tall"};

// Centimetres to the inch as sizes typed in inches have always been converted: 1 / 0.394, not 2.54.
inline constexpr double CentimetresPerInch = 2.5380710659898478;

// What the builder asks of the windows: the selector finds a part number in its product grid (the
// row selected and its product made the catalog's current record), the main window places that
// product and refreshes the active planogram.
class BuilderHost {
public:
    virtual ~BuilderHost() = default;
    // The product of the part number in catalog units, or nothing when the product grid lacks it.
    virtual std::optional<SelectorProduct> FindProduct(const std::string& partNumber) = 0;
    // Places the catalog's current product on the active planogram, first tried at (x, y).
    virtual bool AddCurrentProduct(int x, int y) = 0;
    virtual int DisplayHeight() const = 0;
    virtual bool RefreshDisplay() = 0;
};

// Fills the active planogram from a builder grid: row 0 the titles, then one row per entry (part
// number, rank, facings) and one empty row at the end. Ranking writes each found product's rank and
// sorts the rows by it; placing puts each found product down as many times as its facings say.
class Planobuilder {
public:
    explicit Planobuilder(BuilderHost& host) : host_(host) {}

    // The placing point in document units handed to every placement.
    int x = 0, y = 0;

    void RankBySpaceProfit(TStringGrid& grid, bool descending);
    void RankByProfit(TStringGrid& grid, bool descending);
    void RankBySize(TStringGrid& grid, bool descending);
    void RankByWidth(TStringGrid& grid, bool descending);
    void RankByHeight(TStringGrid& grid, bool descending);
    // The ranking of a rank mode 1-10 (odd modes descending); mode 0 keeps the grid's order.
    void RankBy(TStringGrid& grid, int mode);
    // Sorts the entry rows by their rank, equal ranks keeping their order (reversed when descending),
    // and numbers the rank column 1, 2, 3 ... in the new order.
    static void SortByRank(TStringGrid& grid, bool descending);
    // Places the grid's products, the first one with its top `height` centimetres (or inches) above
    // the floor and every later one after it; returns the refresh's result.
    bool PlaceList(const TStringGrid& grid, int height, bool inches);

    // The end of every build: deletes the items lying outside the display, telling the user when there
    // were any, and the Layout page lists what the wall holds.
    static void DeleteItemsOutside(PlanogramDocument& document);

private:
    // Writes rank(product) as the rank text of every row whose product is found.
    template <typename Rank> void WriteRanks(TStringGrid& grid, Rank rank);

    BuilderHost& host_;
};

// The entry rows of a builder grid as the planogram's builder list.
std::vector<BuilderEntry> BuilderEntries(const TStringGrid& grid);

// How many of a product fit on a wall, side by side and stacked, all sizes in document units. A
// product without a size is not bounded here: the builds refuse it before.
long long FacingsThatFit(int wallWidth, int wallHeight, int width, int height);
// Tells the user that the wall holds at most `most` of the part number.
void RefuseFacings(const std::string& partNumber, long long most);

// A part number's product with its size in document units, or nothing when there is no such product.
using BuilderProductLookup = std::function<std::optional<SelectorProduct>(const std::string& partNumber)>;
// False, after telling the user once, when a row of a builder grid asks for more facings of its product
// than a wall of that size holds, or for facings of a product without a width or height; checked
// before a build clears or makes anything, since placing that many would hold the program for as long
// as it takes. Products the lookup lacks are not bounded here.
bool FacingsFit(const TStringGrid& grid, int wallWidth, int wallHeight, const BuilderProductLookup& find);
