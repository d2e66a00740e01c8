#include "catalog/CatalogHeader.h"

#include "platform/core/Keyval.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"

#include <algorithm>

namespace {

constexpr std::string_view HeaderPrefix = "catheader.";

} // namespace

std::string HeaderKey(std::string_view name) { return std::string(HeaderPrefix) + std::string(name); }

std::string Clean(std::string_view value)
{
    std::string clean(value);
    std::replace_if(
        clean.begin(), clean.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return clean;
}

std::vector<std::string> CatalogHeaderLines(std::string_view magic, int version, const CatalogHeaderValues& values)
{
    return {
        std::string(magic),
        HeaderKey("version=") + IntToStr(version),
        HeaderKey("platform=Windows"),
        HeaderKey("unit=") + Clean(values.units),
        HeaderKey("FieldCount=") + IntToStr(values.fieldCount),
        HeaderKey("recordsize=") + IntToStr(values.recordCount),
        HeaderKey("PhotoCollection=") + Clean(values.photoCollection),
        HeaderKey("PhotoCollectionMacPath=") + Clean(values.photoCollectionMacPath),
    };
}

std::string RoleLine(CatalogFieldRole role, int column)
{
    return HeaderKey(CatalogRoles[role].key) + "=" + IntToStr(column);
}

void ReadCatalogHeaderTexts(KeyVal& store, didBase& catalog)
{
    catalog.units = Trim(CutAtNonPrintable(store.GetValue(HeaderKey("unit"))));
    catalog.photoCollection = CutAtNonPrintable(store.GetValue(HeaderKey("PhotoCollection")));
    catalog.photoCollectionMacPath = CutAtNonPrintable(store.GetValue(HeaderKey("PhotoCollectionMacPath")));
}
