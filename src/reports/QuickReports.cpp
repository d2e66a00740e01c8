#include "reports/QuickReports.h"

#include "catalog/Didbase.h"
#include "planogram/Listmanager.h"
#include "planogram/Picturehelpers.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/Numbers.h"
#include "platform/core/Seams.h"
#include "platform/core/TextUtils.h"
#include "reports/ReportText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace {

constexpr double CmPerInch = 2.5380710659898478;
constexpr double InchesPerCm = 0.39;
const char* const SpaceUsageHeader = "Facings\tItem No\tDescription\tQty\tLinear cm/ft \tSq cm/ft\tCubic cm/ft\t"
                                     "approx. % of Total Square cm/ft";

// The smallest integer not below the value; a value no integer holds (an undefined share) is 0.
std::int64_t CeilingOf(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double limit = 9.2e18;
    return static_cast<std::int64_t>(std::ceil(std::clamp(value, -limit, limit)));
}

std::string Ceiling(double value) { return IntToStr(CeilingOf(value)); }

// The whole part of a count worked out from sizes; a damaged file's tiny depth (1e-9) gives a count
// no int holds, which stays at the int's end instead.
std::int64_t CountOf(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double limit = INT32_MAX;
    return static_cast<std::int64_t>(std::clamp(value, -limit, limit));
}

// The share as a whole percentage rounded up; "0%" when there is nothing to share.
std::string Percent(double part, double whole, std::int64_t times = 1)
{
    if (whole == 0)
        return "0%";
    return IntToStr(CeilingOf(part / whole * 100) * times) + "%";
}

std::string FaceWord(int face)
{
    switch (face) {
    case 1:
        return "side";
    case 2:
        return "top";
    default:
        return "front";
    }
}

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const { return CompareText(a, b) < 0; }
};

// The items' part numbers with their counts, in case-insensitive order. Keys that differ only in case
// stay separate, the exact tie-break keeping each key's items together.
std::vector<std::pair<std::string, int>> CountedKeys(const ListManager& items)
{
    std::vector<std::string> keys;
    for (const ListOB* item = items.head; item; item = item->next)
        keys.push_back(item->index);
    std::sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
        const int order = CompareText(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    std::vector<std::pair<std::string, int>> counted;
    for (const std::string& key : keys) {
        if (!counted.empty() && counted.back().first == key)
            ++counted.back().second;
        else
            counted.emplace_back(key, 1);
    }
    return counted;
}

// The distinct part numbers, compared without case; the first spelling met stands for them all.
std::vector<std::string> DistinctKeys(const ListManager& items)
{
    std::map<std::string, bool, CaseInsensitiveLess> distinct;
    for (const ListOB* item = items.head; item; item = item->next)
        distinct.emplace(item->index, true);
    std::vector<std::string> keys;
    for (const auto& [key, unused] : distinct)
        keys.push_back(key);
    return keys;
}

} // namespace

bool QuickReports::Start(const std::string& title)
{
    if (!document)
        return false;
    text_.ResetReport();
    text_.Add(title);
    return true;
}

bool QuickReports::InCatalog(const std::string& key) { return document->catalog && document->catalog->FindByKey(key); }

std::string QuickReports::FittedDescription() const
{
    const std::string& description = document->catalog->description;
    if (fitDescription && description.size() > 12)
        return description.substr(0, 12) + "...";
    return description;
}

double QuickReports::HookDepthCm(const ListOB& item) const
{
    return document->unitsInches ? item.hookdepthIN * CmPerInch : item.hookdepthCM;
}

// Side and top faces take their depth from the catalog: the item's own depth is in document units
// and a flip sets it to the width or height it turned away.
double QuickReports::FaceArea(const ListOB& item) const
{
    const didBase& product = *document->catalog;
    switch (item.face) {
    case 1:
        return product.depth * product.height;
    case 2:
        return product.depth * product.width;
    default:
        return product.width * product.height;
    }
}

// The width the face takes along the shelf: the depth for a side face, else the width.
double QuickReports::FaceWidth(const ListOB& item) const
{
    const didBase& product = *document->catalog;
    return item.face == 1 ? product.depth : product.width;
}

double QuickReports::FaceAreaQuarters(const ListOB& item) const
{
    const didBase& product = *document->catalog;
    switch (item.face) {
    case 1:
        return product.heightQ * product.depthQ;
    case 2:
        return product.widthQ * product.depthQ;
    default:
        return static_cast<double>(product.widthQ) * product.heightQ;
    }
}

int QuickReports::UnitsPerFacingAcross(int face, int hookdepth) const
{
    const int across = face == 1 ? document->catalog->widthQ : document->catalog->heightQ;
    return across == 0 ? 1 : hookdepth / across;
}

std::string QuickReports::ShareOfDisplay(double area) const
{
    return Percent(area, static_cast<double>(document->backBitmap.Width()) * document->backBitmap.Height());
}

void QuickReports::MakeProductListing()
{
    if (!Start("Kestrame Report - Product Listing"))
        return;
    text_.SetTabStops(8, 85);
    text_.Add("Key#\tItem\tDescription\tSide Shown\tWidth x Height x Depth\t\tStack Count\t Hook Size");
    const didBase* product = document->catalog.get();
    for (const ListOB* item = document->items->head; item; item = item->next) {
        if (!InCatalog(item->index))
            continue;
        const std::string stack = item->depth == 0 ? "0" : FloatToStr(std::floor(HookDepthCm(*item) * 4 / item->depth));
        const double hook = document->unitsInches ? item->hookdepthIN : item->hookdepthCM;
        text_.Add(IntToStr(item->itemNo) + "\t" + product->partNumber + "\t" + FittedDescription() + "\t" +
                  FaceWord(item->face) + "\t" + FloatToStr(product->width) + " x " + FloatToStr(product->height) +
                  " x " + FloatToStr(product->depth) + "\t\t" + stack + "\t" + FloatToStr(hook));
        text_.SetTabStops(8, 85);
    }
}

void QuickReports::MakeFixtureListing()
{
    if (!Start("Kestrame Report - Fixture Listing"))
        return;
    text_.SetTabStops(8, 85);
    text_.Add("Key#\t\tItem\t\tDescription\tWidth x Height x Depth");
    for (const ListOB* item = document->items->head; item; item = item->next) {
        if (!FixtureKind(item->picture))
            continue;
        // Whole centimetres of the placement box and of the fixture's own depth.
        const int width = (item->right - item->left) / 4;
        const int height = (item->bottom - item->top) / 4;
        const int depth = static_cast<int>(item->depth / 4);
        const std::string size = document->unitsInches
                                     ? FloatToStr(width * InchesPerCm) + " x " + FloatToStr(height * InchesPerCm) +
                                           " x " + FloatToStr(depth * InchesPerCm)
                                     : IntToStr(width) + " x " + IntToStr(height) + " x " + IntToStr(depth);
        text_.Add(IntToStr(item->itemNo) + "\t\t" + item->index + "\t\tFixture \t" + size + "\t\t");
        text_.SetTabStops(8, 85);
    }
}

void QuickReports::MakeInvestmentProfit()
{
    if (!Start("Kestrame Report - Investment and Profit"))
        return;
    text_.SetTabStops(10, 60);
    text_.Add("Item\tQty\tUnit Cost\tRetail Price\tMargin %\tInvs. Cost\tRetail Value\tProfit\tSpace %\tProfit %");
    double totalQuantity = 0, totalInvestment = 0, totalRetail = 0, totalProfit = 0;
    std::vector<std::pair<size_t, double>> rowProfits;
    const double area = static_cast<double>(document->backBitmap.Width()) * document->backBitmap.Height();
    for (const auto& [key, count] : CountedKeys(*document->items)) {
        if (!InCatalog(key))
            continue;
        document->items->FindIndex(key);
        const ListOB& first = *document->items->current;
        const didBase& product = *document->catalog;
        const std::int64_t stack = first.depth == 0 ? 1 : CountOf(std::floor(HookDepthCm(first) * 4 / first.depth));
        const std::int64_t quantity = count * stack;
        const double investment = static_cast<double>(quantity) * product.costPrice;
        const double retail = static_cast<double>(quantity) * product.salePrice;
        const double profit = retail - investment;
        totalQuantity += static_cast<double>(quantity);
        totalInvestment += investment;
        totalRetail += retail;
        totalProfit += profit;
        const std::int64_t space = static_cast<std::int64_t>(product.widthQ) * product.heightQ * count;
        text_.SetTabStops(10, 60);
        text_.Add(key + "\t" + IntToStr(quantity) + "\t" + FloatToStr(product.costPrice) + "\t" +
                  FloatToStr(product.salePrice) + "\t" +
                  Percent(product.salePrice - product.costPrice, product.salePrice) + "\t$" + FloatToStr(investment) +
                  "\t$" + FloatToStr(retail) + "\t$" + FloatToStr(profit) + "\t" +
                  Percent(static_cast<double>(space), area) + "\t");
        rowProfits.emplace_back(text_.lines.size() - 1, profit);
    }
    for (const auto& [line, profit] : rowProfits)
        text_.lines[line] += Percent(profit, totalProfit);
    text_.Add("");
    text_.Add("TOTALS:\t" + FloatToStr(totalQuantity) + "\t\t\t\t$" + FloatToStr(totalInvestment) + "\t$" +
              FloatToStr(totalRetail) + "\t$" + FloatToStr(totalProfit));
}

void QuickReports::SpaceUsageRow(int facings, std::int64_t quantity, const ListOB& first)
{
    const didBase& product = *document->catalog;
    const double face = FaceArea(first);
    const double share = static_cast<double>(document->backBitmap.Width()) * document->backBitmap.Height();
    text_.Add(IntToStr(facings) + "\t" + product.partNumber + "\t" + FittedDescription() + "\t" + IntToStr(quantity) +
              "\t" + Ceiling(FaceWidth(first) * facings) + "\t" + Ceiling(face) + "\t" +
              Ceiling(product.width * product.height * product.depth) + "\t" +
              Percent(FaceAreaQuarters(first), share, facings) + "\t");
    text_.SetTabStops(8, 70);
}

void QuickReports::MakeSpaceUsageForPdf()
{
    if (!Start("Kestrame Report - Space Usage"))
        return;
    text_.SetTabStops(8, 70);
    text_.Add(SpaceUsageHeader);
    for (const auto& [key, count] : CountedKeys(*document->items)) {
        if (!InCatalog(key))
            continue;
        document->items->FindIndex(key);
        const ListOB& first = *document->items->current;
        std::int64_t units = 1;
        if (first.face == 0 && first.depth != 0)
            units = CountOf(first.hookdepth / first.depth);
        else if (first.face != 0)
            units = UnitsPerFacingAcross(first.face, first.hookdepth);
        SpaceUsageRow(count, count * units, first);
    }
}

void QuickReports::MakeSpaceUsage()
{
    if (!Start("Kestrame Report - Space Usage"))
        return;
    // Part number and face are kept apart rather than joined into one text, so a part number holding
    // "=" keeps its own rows and count; the order is that of the joined text.
    struct Facing {
        std::string part;
        int face = 0;
        int count = 0;
    };
    std::map<std::string, Facing, CaseInsensitiveLess> facings;
    std::map<std::string, int, CaseInsensitiveLess> perPart;
    for (const ListOB* item = document->items->head; item; item = item->next) {
        ++facings.try_emplace(item->index + "=" + IntToStr(item->face), Facing{item->index, item->face, 0})
              .first->second.count;
        ++perPart[item->index];
    }
    text_.SetTabStops(8, 70);
    text_.Add(SpaceUsageHeader);
    for (const auto& [joined, facing] : facings) {
        if (!InCatalog(facing.part))
            continue;
        document->items->FindIndex(facing.part);
        const ListOB& first = *document->items->current;
        std::int64_t units = 1;
        if (facing.face == 0 && first.depth != 0)
            units = CountOf(HookDepthCm(first) * 4 / first.depth);
        else if (facing.face != 0)
            units = UnitsPerFacingAcross(facing.face, first.hookdepth);
        SpaceUsageRow(facing.count, perPart[facing.part] * units, first);
    }
}

void QuickReports::MakeSalesRanking(int kind)
{
    if (!Start("Kestrame Report - Sales Ranking " + IntToStr(kind)))
        return;
    if (!document->catalog || document->catalog->ColumnOf(RoleSellAmount) == -1) {
        text_.Add("Can not create a sales report because a sales quantities column has not been defined in your "
                  "product catalog or product data source.");
        text_.Add("");
        text_.Add("Open your product catalog or data in the catalog manager, click on EDIT >> Data Field "
                  "Assignments to define a sales quantities column");
        Beep();
        return;
    }
    struct Slot {
        std::string part;
        double value = 0;
        bool filled = false;
    };
    const std::vector<std::string> parts = DistinctKeys(*document->items);
    std::vector<Slot> slots(parts.size());
    size_t filled = 0;
    for (const std::string& part : parts) {
        if (!InCatalog(part))
            continue;
        const didBase& product = *document->catalog;
        double value = 0;
        if (kind == 0)
            value = product.sellAmount;
        else if (kind == 1)
            value = product.sellAmount * product.salePrice;
        else if (kind == 2)
            value = product.sellAmount * (product.salePrice - product.costPrice);
        slots[filled++] = Slot{part, value, true};
    }
    std::stable_sort(slots.begin(), slots.end(), [](const Slot& a, const Slot& b) { return a.value < b.value; });
    text_.SetTabStops(8, 70);
    text_.Add("Rank\tItem No\tDescription\tUnit Cost\tUnit Price\tUnit Profit\tUnits Sold\tTotal Profit");
    for (size_t p = slots.size(); p-- > 0;) {
        if (!slots[p].filled || !InCatalog(slots[p].part))
            continue;
        const didBase& product = *document->catalog;
        const double unitProfit = product.salePrice - product.costPrice;
        text_.Add(IntToStr(static_cast<std::int64_t>(slots.size() - p)) + "\t" + slots[p].part + "\t" +
                  FittedDescription() + "\t$" + FloatToStr(product.costPrice) + "\t$" + FloatToStr(product.salePrice) +
                  "\t$" + FloatToStr(unitProfit) + "\t" + IntToStr(product.sellAmount) + "\t$" +
                  FloatToStr(product.sellAmount * unitProfit) + "\t");
        text_.SetTabStops(8, 70);
    }
}
