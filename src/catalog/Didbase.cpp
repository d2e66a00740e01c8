#include "catalog/Didbase.h"

#include "catalog/DidADOData.h"
#include "catalog/Didascii.h"
#include "catalog/Didctf2.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/ui/Progress.h"

#include <climits>
#include <map>

namespace {

// Inches to centimetres as the catalogs have always converted them: 1 / 0.394, not 2.54. Computed in
// double, it truncates exactly where the true quotient does.
constexpr double InchFactor = 1.0 / 0.394;

std::map<std::string, CatalogMaker>& CatalogKinds()
{
    static std::map<std::string, CatalogMaker> kinds = {
        {".CTF", [] { return std::unique_ptr<didBase>(std::make_unique<didASCII>()); }},
        {".VDX", [] { return std::unique_ptr<didBase>(std::make_unique<didCTF2>()); }},
        // Unbound: whoever opens a link with its own components reads it through this one.
        {".DDL", [] { return std::unique_ptr<didBase>(std::make_unique<didADOData>()); }},
    };
    return kinds;
}

} // namespace

CatalogRoleColumns DefaultRoleColumns()
{
    CatalogRoleColumns columns{};
    for (size_t role = 0; role < CatalogRoles.size(); ++role)
        columns[role] = CatalogRoles[role].defaultColumn;
    return columns;
}

didBase::~didBase() = default;

void didBase::StartProgress(int count, int step)
{
    if (!progressBar)
        return;
    progressBar->SetPosition(0);
    progressBar->SetMax(count);
    progressBar->StepBy(step);
}

void didBase::StepProgress()
{
    if (progressBar)
        progressBar->StepIt();
}

int didBase::ColumnOf(CatalogFieldRole role) const
{
    const int column = roles[static_cast<size_t>(role)];
    return column >= 0 && column < fieldCount ? column : -1;
}

bool didBase::RoleAssigned(CatalogFieldRole role) const
{
    const int column = roles[static_cast<size_t>(role)];
    return type == "DDL" ? column != -1 : column != 0;
}

double didBase::QuarterCentimetres(double value) const
{
    return SameText(units, "inch") ? value * 4 * InchFactor : value * 4;
}

int TruncateToInt(double value)
{
    if (!(value > static_cast<double>(INT_MIN)))
        return INT_MIN;
    if (!(value < static_cast<double>(INT_MAX)))
        return INT_MAX;
    return static_cast<int>(value);
}

void didBase::AssignCurrentRecord(const std::function<std::string(int column)>& fieldText)
{
    const auto text = [&](CatalogFieldRole role) {
        const int column = ColumnOf(role);
        return column < 0 ? std::string() : fieldText(column);
    };
    const auto integer = [&](CatalogFieldRole role) { return Atoi(text(role)); };
    const auto number = [&](CatalogFieldRole role) { return Atof(text(role)); };

    recordNumber = integer(RoleRecordNumber);
    partNumber = text(RolePartNumber);
    description = text(RoleDescription);
    pictureName = text(RolePictureName);
    width = number(RoleWidth);
    height = number(RoleHeight);
    depth = number(RoleDepth);
    facings = integer(RoleFacings);
    costPrice = number(RoleCostPrice);
    salePrice = number(RoleSalePrice);
    pegX = number(RolePegX);
    pegY = number(RolePegY);
    sellAmount = integer(RoleSellAmount);
    reservedValue = integer(RoleReserved);
    inventory = integer(RoleInventory);
    minInventory = integer(RoleMinInventory);
    category = text(RoleCategory);
    brand = text(RoleBrand);

    widthQ = TruncateToInt(QuarterCentimetres(width));
    heightQ = TruncateToInt(QuarterCentimetres(height));
    depthQ = QuarterCentimetres(depth);
    pegXQ = TruncateToInt(QuarterCentimetres(pegX));
    pegYQ = TruncateToInt(QuarterCentimetres(pegY));
}

std::unique_ptr<didBase> NewCatalogForFile(std::string_view path)
{
    const auto kind = CatalogKinds().find(UpperCase(ExtractFileExt(path)));
    return kind == CatalogKinds().end() ? nullptr : kind->second();
}

CatalogMaker RegisterCatalogKind(std::string_view extension, CatalogMaker maker)
{
    const std::string key = UpperCase(extension);
    CatalogMaker previous;
    if (const auto old = CatalogKinds().find(key); old != CatalogKinds().end()) {
        previous = std::move(old->second);
        CatalogKinds().erase(old);
    }
    if (maker)
        CatalogKinds().emplace(key, std::move(maker));
    return previous;
}
