#include "catalog/Didbase.h"
#include "catalog/DidADOData.h"
#include "catalog/Didascii.h"
#include "platform/ui/Progress.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

TEST(CatalogRoles, KeysAndDefaultColumns)
{
    const char* keys[] = {"numberColNr",     "indexColNr",
                          "desColNr",        "picColNr",
                          "wthColNr",        "hgtColNr",
                          "dpthColNr",       "facingsColNr",
                          "costpriceColNr",  "salepriceColNr",
                          "pegXColNr",       "pegYColNr",
                          "sellAmountColNr", "",
                          "inventoryColNr",  "minInventoryColNr",
                          "categoryColNr",   "brandColNr"};
    const int columns[] = {0, 1, 2, 3, 4, 5, 6, -1, 7, 8, 9, 10, -1, -1, -1, -1, 11, 12};
    ASSERT_EQ(CatalogRoles.size(), 18u);
    for (size_t role = 0; role < CatalogRoles.size(); ++role) {
        EXPECT_EQ(CatalogRoles[role].key, keys[role]) << role;
        EXPECT_EQ(DefaultRoleColumns()[role], columns[role]) << role;
    }
    didASCII catalog;
    EXPECT_EQ(catalog.roles, DefaultRoleColumns());
    EXPECT_EQ(catalog.unitsMode, 1);
    EXPECT_EQ(catalog.viewStart, 1);
    EXPECT_FALSE(catalog.modified);
    EXPECT_EQ(catalog.progressBar, nullptr);
}

TEST(CatalogRoles, AbsentWhenOutsideTheFields)
{
    didASCII catalog;
    catalog.fieldCount = 5;
    catalog.roles[RoleWidth] = 4;
    catalog.roles[RoleHeight] = 5;
    catalog.roles[RoleDepth] = -3;
    EXPECT_EQ(catalog.ColumnOf(RoleWidth), 4);
    EXPECT_EQ(catalog.ColumnOf(RoleHeight), -1);
    EXPECT_EQ(catalog.ColumnOf(RoleDepth), -1);
    EXPECT_EQ(catalog.ColumnOf(RoleFacings), -1);
}

// A file's column 0 holds record numbers and stands for "none"; a data link's first field is a field.
TEST(CatalogRoles, AssignedAsThePlanogramReadsThem)
{
    didASCII file;
    didADOData link;
    for (const auto& [column, inFile, inLink] : {std::tuple{0, false, true}, {-1, true, false}, {3, true, true}}) {
        file.roles[RolePegX] = column;
        link.roles[RolePegX] = column;
        EXPECT_EQ(file.RoleAssigned(RolePegX), inFile) << column;
        EXPECT_EQ(link.RoleAssigned(RolePegX), inLink) << column;
    }
}

TEST(CatalogUnits, QuarterCentimetres)
{
    didASCII catalog;
    catalog.units = "cm";
    EXPECT_DOUBLE_EQ(catalog.QuarterCentimetres(12.3), 49.2);
    catalog.units = "Inches";
    EXPECT_EQ(catalog.QuarterCentimetres(10), 40);
    for (const char* inch : {"inch", "INCH", "Inch"}) {
        catalog.units = inch;
        EXPECT_EQ(TruncateToInt(catalog.QuarterCentimetres(10)), 101) << inch;
        EXPECT_EQ(TruncateToInt(catalog.QuarterCentimetres(0.985)), 10) << inch;
        EXPECT_EQ(TruncateToInt(catalog.QuarterCentimetres(0.394)), 4) << inch;
    }
    // Every thousandth of an inch up to 100 truncates where the exact quotient does.
    for (int thousandths = 0; thousandths <= 100000; ++thousandths) {
        const long long exact = static_cast<long long>(thousandths) * 4 * 1000 / 394000;
        ASSERT_EQ(TruncateToInt(catalog.QuarterCentimetres(thousandths / 1000.0)), exact) << thousandths;
    }
    EXPECT_EQ(TruncateToInt(-1.9), -1);
    EXPECT_EQ(TruncateToInt(1e300), INT_MAX);
    EXPECT_EQ(TruncateToInt(-1e300), INT_MIN);
}

TEST(CatalogProgress, StartAndStep)
{
    didASCII catalog;
    catalog.StartProgress(10, 1); // nothing attached: nothing happens
    catalog.StepProgress();
    Progress bar;
    bar.SetStep(2);
    bar.SetPosition(50);
    catalog.progressBar = &bar;
    catalog.StartProgress(10, 3);
    EXPECT_EQ(bar.Max(), 10);
    EXPECT_EQ(bar.Position(), 3);
    catalog.StepProgress();
    EXPECT_EQ(bar.Position(), 5);
}

TEST(CatalogKinds, ChosenByExtension)
{
    for (const char* path : {"shop.ctf", "C:\\Cats\\SHOP.CTF", "/a.b/Shop.Ctf"}) {
        const auto catalog = NewCatalogForFile(path);
        ASSERT_NE(catalog, nullptr) << path;
        EXPECT_EQ(catalog->type, "CTF");
    }
    for (const char* path : {"shop.txt", "shop", "ctf", "shop.ctf.bak", "dir.ctf\\shop", "shop.zzz"})
        EXPECT_EQ(NewCatalogForFile(path), nullptr) << path;

    RegisterCatalogKind(".zzz", [] {
        auto catalog = std::make_unique<didASCII>();
        catalog->type = "ZZZ";
        return std::unique_ptr<didBase>(std::move(catalog));
    });
    const auto registered = NewCatalogForFile("shop.ZZZ");
    ASSERT_NE(registered, nullptr);
    EXPECT_EQ(registered->type, "ZZZ");
}
