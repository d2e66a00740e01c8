#include "app/ProductCommands.h"

#include "catalog/Didbase.h"
#include "planogram/Listmanager.h"
#include "planogram/Planobuilder.h"
#include "platform/core/Numbers.h"
#include "platform/core/TryNumbers.h"
#include "platform/core/StringList.h"
#include "platform/core/TextUtils.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

double HookUnitsPerUnit(const DetailUnits& units)
{
    if (units.inches)
        return CentimetresPerInch * 4;
    return units.unitsMode ? 4 : units.displayScale;
}

double HookUnits(double value, const DetailUnits& units) { return value * HookUnitsPerUnit(units); }

std::string WithUnits(double value, const std::string& units) { return FloatToStr(value) + " " + units; }

std::string StackCount(double hookUnits, double depth)
{
    return depth == 0 ? std::string("?d?") : IntToStr(static_cast<std::int64_t>(std::floor(hookUnits / depth)));
}

} // namespace

std::vector<std::string> ProductListEntries(const std::string& text)
{
    TStringList lines;
    lines.SetText(text);
    std::vector<std::string> entries;
    for (int i = 0; i < lines.Count(); ++i) {
        std::string entry = Trim(lines[i]);
        if (!entry.empty())
            entries.push_back(std::move(entry));
    }
    return entries;
}

LoadedProductList LoadProductList(didBase& catalog, const std::vector<std::string>& entries, const std::string& amount,
                                  bool rowsOfProducts, int displayWidth, int displayHeight)
{
    const long long perEntry = TryStrToInt(amount).value_or(1);
    LoadedProductList list;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!catalog.FindByKey(entries[i]) || catalog.widthQ == 0 || catalog.heightQ == 0) {
            list.rows.emplace_back();
            list.missing.push_back(entries[i]);
            continue;
        }
        const long long facings = rowsOfProducts ? perEntry * (displayWidth / catalog.widthQ) : perEntry;
        const long long most = FacingsThatFit(displayWidth, displayHeight, catalog.widthQ, catalog.heightQ);
        if (facings > most) {
            RefuseFacings(catalog.partNumber, most);
            return LoadedProductList{{}, {}, true};
        }
        list.rows.push_back(BuilderEntry{catalog.partNumber, IntToStr(static_cast<int>(i) + 1), IntToStr(facings)});
    }
    return list;
}

ProductDetailsTexts ProductDetailsOf(const ListOB& item, didBase* catalog, const DetailUnits& units)
{
    ProductDetailsTexts texts;
    texts.product = item.index;
    texts.picture = item.picture;
    static const char* const Faces[] = {"Front", "Side", "Top"};
    texts.face = item.face >= 0 && item.face <= 2 ? Faces[item.face] : "";
    const double hook = units.inches ? item.hookdepthIN : item.hookdepthCM;
    texts.hookDepth = GcvtString(hook, 7);
    texts.hookUnit = units.inches ? "Inches" : "cm";
    const double hookUnits = HookUnits(hook, units);
    double depthUsed = item.depth;
    if (catalog) {
        const int before = catalog->CurrentRecord();
        if (catalog->FindByKey(item.index)) {
            texts.description = catalog->description;
            texts.width = WithUnits(catalog->width, catalog->units);
            texts.height = WithUnits(catalog->height, catalog->units);
            texts.depth = WithUnits(catalog->depth, catalog->units);
            if (units.inches && SameText(catalog->units, "inch"))
                depthUsed = CentimetresPerInch * catalog->depth * 4;
        }
        catalog->GoToRecord(before);
    }
    texts.stackCount = StackCount(hookUnits, depthUsed);
    return texts;
}

void ApplyHookDepth(ListOB& item, const std::string& text, const DetailUnits& units)
{
    // The depth in document units is kept as a whole number: a depth beyond that is no depth.
    const double perUnit = std::max(std::fabs(HookUnitsPerUnit(units)), 1.0);
    const double largest = std::numeric_limits<int>::max() / perUnit;
    const double value = StrToFloatWithin(text, -largest, largest);
    (units.inches ? item.hookdepthIN : item.hookdepthCM) = static_cast<float>(value);
    item.hookdepth = static_cast<int>(std::trunc(HookUnits(value, units)));
}
