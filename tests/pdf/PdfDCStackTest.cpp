#include "pdf/PdfAssert.h"
#include "pdf/PdfGenericDevice.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace PdfGdi;

namespace {

void ExpectXForm(const TPdfXForm& actual, const TPdfXForm& expected)
{
    EXPECT_NEAR(actual.eM11, expected.eM11, 1e-5);
    EXPECT_NEAR(actual.eM12, expected.eM12, 1e-5);
    EXPECT_NEAR(actual.eM21, expected.eM21, 1e-5);
    EXPECT_NEAR(actual.eM22, expected.eM22, 1e-5);
    EXPECT_NEAR(actual.eDx, expected.eDx, 1e-3);
    EXPECT_NEAR(actual.eDy, expected.eDy, 1e-3);
}

// A device at 72 dpi on a letter page 792 points high.
struct PageDevice : TPdfGenericDevice {
    PageDevice() { DCStack().SetPage(0, 792); }
    const TPdfXForm& Folded()
    {
        DCStack().World();
        return DCStack().Matrix();
    }
};

} // namespace

TEST(PdfDCStack, CombineXFORMsMultipliesFirstThenSecond)
{
    TPdfXForm result;
    CombineXFORMs(TPdfXForm{1, 2, 3, 4, 5, 6}, TPdfXForm{7, 8, 9, 10, 11, 12}, result);
    EXPECT_EQ(result, (TPdfXForm{25, 28, 57, 64, 100, 112}));
    TPdfXForm inPlace{1, 2, 3, 4, 5, 6};
    CombineXFORMs(inPlace, TPdfXForm{7, 8, 9, 10, 11, 12}, inPlace);
    EXPECT_EQ(inPlace, result);
}

TEST(PdfDCStack, MapModeTable)
{
    struct Case {
        int mode;
        double units;
        bool yUp;
    } cases[] = {{MM_LOMETRIC, 254, true},   {MM_HIMETRIC, 2540, true},  {MM_LOENGLISH, 100, true},
                 {MM_HIENGLISH, 1000, true}, {MM_TWIPS, 1440, true},     {MM_TEXT, 72, false},
                 {MM_ISOTROPIC, 72, false},  {MM_ANISOTROPIC, 72, false}};
    for (const Case& c : cases) {
        PageDevice device;
        device.SetMapMode(c.mode == MM_TEXT ? MM_ANISOTROPIC : MM_TEXT);
        device.SetWorldChanged(false);
        EXPECT_NE(device.SetMapMode(c.mode), c.mode);
        EXPECT_EQ(device.DCStack().UnitsPerInchX(), c.units) << c.mode;
        EXPECT_EQ(device.DCStack().UnitsPerInchY(), c.units);
        EXPECT_EQ(device.DCStack().YAxisUp(), c.yUp);
        EXPECT_EQ(device.DC().yAxisUp, c.yUp);
        EXPECT_TRUE(device.WorldChanged());
        EXPECT_NEAR(device.DCStack().BaseMatrix().eM11, 72 / c.units, 1e-7);
        EXPECT_NEAR(device.DCStack().BaseMatrix().eM22, 72 / c.units, 1e-7);
        EXPECT_EQ(device.SetMapMode(c.mode), c.mode);
    }
}

TEST(PdfDCStack, MapModeScalesWithTheFrame)
{
    PageDevice device;
    device.DCStack().SetFrameScale(2, 0.5);
    device.SetMapMode(MM_LOENGLISH);
    ExpectXForm(device.DCStack().BaseMatrix(), TPdfXForm{1.44f, 0, 0, 0.36f, 0, 0});
}

TEST(PdfDCStack, HimetricPutsPositiveYAboveTheReferenceLine)
{
    PageDevice device;
    device.SetMapMode(MM_HIMETRIC);
    const TPdfXForm& m = device.Folded();
    EXPECT_NEAR(m.eM22, 72.0 / 2540, 1e-7);
    // 792 / round(0.028346 * 1000) / 1000
    EXPECT_EQ(device.LogicalPageHeight(), 28286);
    EXPECT_EQ(device.dcY(100) - device.dcY(0), 100);
    EXPECT_NEAR((device.dcY(100) - device.dcY(0)) * m.eM22, 100 * 72.0 / 2540, 1e-5);
    EXPECT_EQ(device.Y2DC(device.dcY(100)), 100);

    device.SetMapMode(MM_TEXT);
    device.Folded();
    EXPECT_LT(device.dcY(100), device.dcY(0));
    EXPECT_EQ(device.Y2DC(device.dcY(-37)), -37);
}

TEST(PdfDCStack, AnisotropicExtentsAndOrigins)
{
    PageDevice device;
    device.SetMapMode(MM_ANISOTROPIC);
    device.SetWindowExtEx(1000, 1000);
    device.SetViewPortExtEx(500, 250);
    device.SetWindowOrgEx(100, 200);
    device.SetViewPortOrgEx(10, 20);
    EXPECT_TRUE(device.DC().viewportExtSet);
    // fx = 2, fy = 4; dx = 10 - 100 / 2, dy = 20 - 200 / 4.
    ExpectXForm(device.Folded(), TPdfXForm{0.5f, 0, 0, 0.25f, -40, -30});
    ExpectXForm(device.DCStack().Inverse(), TPdfXForm{0.5f, 0, 0, 0.25f, -40, -30});
    EXPECT_DOUBLE_EQ(device.DCStack().TextXScale(), 0.5);
    EXPECT_EQ(device.LogicalPageHeight(), 3168);
    EXPECT_FALSE(device.DCStack().Flipped());

    int x = 110, y = 70; // logical (300, 400) in device units
    device.DCStack().XYToDevice(x, y);
    EXPECT_EQ(Point(x, y), Point(300, 400));
}

TEST(PdfDCStack, IsotropicExtentsKeepTheShapeWithTheSmallerScale)
{
    PageDevice device;
    device.SetMapMode(MM_ISOTROPIC);
    device.SetWindowExtEx(1000, -1000);
    device.SetViewPortExtEx(500, 250);
    device.SetWindowOrgEx(100, 200);
    // fx = 2 and fy = -4 become 4 and -4: a circle stays round, the y axis keeps its direction.
    device.Folded();
    ExpectXForm(device.DCStack().Inverse(), TPdfXForm{0.25f, 0, 0, -0.25f, -25, 50});
    EXPECT_DOUBLE_EQ(device.DCStack().TextXScale(), 1);
    // The anisotropic mode keeps the two scales.
    device.SetMapMode(MM_ANISOTROPIC);
    device.Folded();
    ExpectXForm(device.DCStack().Inverse(), TPdfXForm{0.5f, 0, 0, -0.25f, -50, 50});
}

TEST(PdfDCStack, NegativeExtentAtAHigherResolution)
{
    PageDevice device;
    device.SetDeviceResolution(144, 144);
    device.InitDC();
    device.DCStack().SetPage(0, 1584);
    device.SetMapMode(MM_ANISOTROPIC);
    device.SetWindowExtEx(200, -100);
    device.SetViewPortExtEx(100, 100);
    device.SetWindowOrgEx(8, 6);
    device.SetViewPortOrgEx(4, 2);
    // bx = by = 0.5; fx = 2, fy = -1 so M22 = -0.5, turned positive against the page height.
    // dx = 4 * 0.5 - 8 * 0.25; dy = -1584 + 2 * 0.5 - 6 * 0.5.
    ExpectXForm(device.Folded(), TPdfXForm{0.25f, 0, 0, 0.5f, 0, -1586});
    ExpectXForm(device.DCStack().Inverse(), TPdfXForm{0.5f, 0, 0, -1, 0, 8});
    EXPECT_DOUBLE_EQ(device.DCStack().TextXScale(), 1);

    int x = 10, y = -4; // logical (20, 12)
    device.DCStack().XYToDevice(x, y);
    EXPECT_EQ(Point(x, y), Point(20, 12));
}

TEST(PdfDCStack, ExtentsAreIgnoredOutsideTheScalableModes)
{
    PageDevice device;
    device.SetWindowExtEx(1000, 1000);
    device.SetViewPortExtEx(10, 10);
    device.SetWindowOrgEx(5, 7);
    ExpectXForm(device.Folded(), TPdfXForm{1, 0, 0, 1, -5, -7});
}

TEST(PdfDCStack, UnchangedValuesMarkNothing)
{
    PageDevice device;
    device.SetWindowExtEx(10, 10);
    device.Folded();
    device.SetWorldChanged(false);
    TPoint old;
    EXPECT_TRUE(device.SetWindowExtEx(10, 10, &old));
    EXPECT_EQ(old, Point(10, 10));
    EXPECT_FALSE(device.DC().matrixDirty);
    EXPECT_FALSE(device.WorldChanged());

    device.SetViewPortOrgEx(3, 4, &old);
    EXPECT_EQ(old, Point(0, 0));
    EXPECT_TRUE(device.DC().matrixDirty);
    EXPECT_TRUE(device.WorldChanged()); // a viewport origin moves the drawing too
    ExpectXForm(device.Folded(), TPdfXForm{1, 0, 0, 1, 3, 4});
    device.SetWorldChanged(false);
    device.SetViewPortOrgEx(3, 4);
    EXPECT_FALSE(device.WorldChanged());
}

TEST(PdfDCStack, ScaleExtentsTruncateAndRefuseZeroDenominators)
{
    PageDevice device;
    device.SetWindowExtEx(10, -10);
    device.SetViewPortExtEx(7, 9);
    device.Folded();
    device.SetWorldChanged(false);
    TPoint old;
    EXPECT_TRUE(device.ScaleWindowExtEx(1, 3, 1, 3, &old));
    EXPECT_EQ(old, Point(10, -10));
    EXPECT_EQ(device.DC().windowExt, Point(3, -3));
    EXPECT_TRUE(device.DC().matrixDirty);
    EXPECT_TRUE(device.WorldChanged());

    device.Folded();
    EXPECT_FALSE(device.ScaleViewportExtEx(2, 0, 1, 1, &old));
    EXPECT_FALSE(device.ScaleViewportExtEx(1, 1, 2, 0));
    EXPECT_EQ(old, Point(7, 9));
    EXPECT_EQ(device.DC().viewportExt, Point(7, 9));
    EXPECT_FALSE(device.DC().matrixDirty);

    EXPECT_TRUE(device.ScaleViewportExtEx(300000000, 1000, 2, 1));
    EXPECT_EQ(device.DC().viewportExt, Point(2100000, 18));
    EXPECT_FALSE(device.ScaleViewportExtEx(INT_MAX, 1, 1, 1)); // beyond 32 bits
    EXPECT_EQ(device.DC().viewportExt, Point(2100000, 18));
}

TEST(PdfDCStack, WorldTransformFoldsIntoTheMatrix)
{
    PageDevice device;
    device.SetWorldTransform(2, 0, 0, 3, 10, 20);
    EXPECT_TRUE(device.DC().worldSet);
    // The world's translation lifts the page, so dcY no longer adds the page height.
    ExpectXForm(device.Folded(), TPdfXForm{2, 0, 0, 3, 10, 20 - 792});
    EXPECT_EQ(device.LogicalPageHeight(), 0);
    ExpectXForm(device.DCStack().Inverse(), TPdfXForm{2, 0, 0, 3, 10, 20});
    int x = 20, y = 41;
    device.DCStack().XYToDevice(x, y);
    EXPECT_EQ(Point(x, y), Point(5, 7));

    // A quarter turn: its zero scales become 0.001.
    device.SetWorldTransform(0, 1, -1, 0, 0, 0);
    ExpectXForm(device.Folded(), TPdfXForm{0.001f, 1, -1, 0.001f, 0, 0});
    EXPECT_FALSE(device.DCStack().Flipped());

    device.SetWorldTransform(1, 0, 0, -1, 0, 0);
    device.Folded();
    EXPECT_TRUE(device.DCStack().Flipped());
}

TEST(PdfDCStack, WorldTransformOverAMappingMode)
{
    PageDevice device;
    device.SetMapMode(MM_ANISOTROPIC);
    device.SetWindowExtEx(2, 2);
    device.SetViewPortExtEx(1, 1);
    device.SetWindowOrgEx(4, 0);
    ExpectXForm(device.Folded(), TPdfXForm{0.5f, 0, 0, 0.5f, -2, 0});
    EXPECT_EQ(device.LogicalPageHeight(), 1584);
    device.SetWorldTransform(1, 0, 0, 1, 6, 0);
    // The world comes first: tx = 6 * 0.5 - 2. Without a vertical shift the page height stays.
    ExpectXForm(device.Folded(), TPdfXForm{0.5f, 0, 0, 0.5f, 1, 0});
    EXPECT_EQ(device.LogicalPageHeight(), 1584);
}

TEST(PdfDCStack, ModifyWorldTransformModes)
{
    PageDevice device;
    device.SetWorldTransform(2, 0, 0, 2, 0, 0);
    const TPdfXForm shift{1, 0, 0, 1, 5, 0};
    EXPECT_TRUE(device.ModifyWorldTransform(shift, MWT_LEFTMULTIPLY));
    EXPECT_EQ(device.DC().world, (TPdfXForm{2, 0, 0, 2, 10, 0}));
    device.SetWorldTransform(2, 0, 0, 2, 0, 0);
    EXPECT_TRUE(device.ModifyWorldTransform(shift, MWT_RIGHTMULTIPLY));
    EXPECT_EQ(device.DC().world, (TPdfXForm{2, 0, 0, 2, 5, 0}));

    device.Folded();
    device.SetWorldChanged(false);
    EXPECT_FALSE(device.ModifyWorldTransform(shift, 9));
    EXPECT_FALSE(device.WorldChanged());
    EXPECT_TRUE(device.ModifyWorldTransform(shift, MWT_IDENTITY));
    EXPECT_TRUE(device.WorldChanged());
    EXPECT_FALSE(device.DC().worldSet);
    EXPECT_EQ(device.DC().world, TPdfXForm{});
    ExpectXForm(device.Folded(), TPdfXForm{1, 0, 0, 1, 0, 0});
    EXPECT_EQ(device.LogicalPageHeight(), 792);
}

TEST(PdfDCStack, ZeroYScaleNeverDividesByZero)
{
    PageDevice device;
    device.SetMapMode(MM_ANISOTROPIC);
    device.SetWindowExtEx(1, 100000);
    device.SetViewPortExtEx(1, 1);
    const TPdfXForm& m = device.Folded();
    EXPECT_NEAR(m.eM22, 1e-5, 1e-9);
    EXPECT_EQ(device.LogicalPageHeight(), 792000); // 792 / 0.001

    device.SetWorldTransform(1, 0, 0, 0, 0, 0);
    EXPECT_FLOAT_EQ(device.Folded().eM22, 0.001f);
}

TEST(PdfDCStack, XYToDeviceLeavesPointsOfASingularMatrix)
{
    PageDevice device;
    device.SetWorldTransform(1, 2, 2, 4, 0, 0);
    int x = 17, y = -3;
    device.DCStack().XYToDevice(x, y);
    EXPECT_EQ(Point(x, y), Point(17, -3));
}

TEST(PdfDCStack, ResolutionOverrideStopsFolding)
{
    PageDevice device;
    device.Folded();
    device.SetWorldChanged(false);
    device.SetResolution(144, 144);
    EXPECT_TRUE(device.DCStack().ResolutionSet());
    EXPECT_TRUE(device.WorldChanged());
    ExpectXForm(device.DCStack().ResolutionMatrix(), TPdfXForm{0.5f, 0, 0, 0.5f, 0, 0});
    device.SetWorldChanged(false);
    device.SetResolution(144, 144);
    EXPECT_FALSE(device.WorldChanged());
    device.SetWindowOrgEx(50, 50);
    ExpectXForm(device.Folded(), TPdfXForm{1, 0, 0, 1, 0, 0});
    device.SetResolution(0, 144);
    EXPECT_FALSE(device.DCStack().ResolutionSet());
    ExpectXForm(device.Folded(), TPdfXForm{1, 0, 0, 1, -50, -50});
}

TEST(PdfDCStack, InitDCAndInitRes)
{
    PageDevice device;
    device.SetDeviceResolution(96, 48);
    device.SetMapMode(MM_TWIPS);
    device.SaveDC();
    device.InitDC();
    EXPECT_EQ(device.DCStack().UnitsPerInchX(), 96);
    EXPECT_EQ(device.DCStack().UnitsPerInchY(), 48);
    ExpectXForm(device.DCStack().BaseMatrix(), TPdfXForm{0.75f, 0, 0, 1.5f, 0, 0});
    EXPECT_FALSE(device.DCStack().YAxisUp());
    EXPECT_EQ(device.DC().mapMode, MM_TEXT);
    EXPECT_EQ(device.DCStack().Count(), 1);

    device.Folded();
    device.DCStack().InitRes(300, 600);
    EXPECT_TRUE(device.DC().matrixDirty);
    ExpectXForm(device.Folded(), TPdfXForm{0.24f, 0, 0, 0.12f, 0, 0});
    device.DCStack().InitRes(0, 600); // no resolution, no change
    ExpectXForm(device.DCStack().BaseMatrix(), TPdfXForm{0.24f, 0, 0, 0.12f, 0, 0});
}

TEST(PdfDCStack, SaveAndRestoreLevels)
{
    PageDevice device;
    device.SetTextColor(1);
    EXPECT_EQ(device.SaveDC(), 1);
    device.SetTextColor(2);
    EXPECT_EQ(device.SaveDC(), 2);
    device.SetTextColor(3);
    EXPECT_EQ(device.SaveDC(), 3);
    device.SetTextColor(4);

    device.SetWorldChanged(false);
    device.SetTextMatrixNeeded(false);
    device.Folded();
    EXPECT_TRUE(device.RestoreDC(-1));
    EXPECT_EQ(device.DC().textColor, 3);
    EXPECT_TRUE(device.DC().matrixDirty);
    EXPECT_TRUE(device.WorldChanged());
    EXPECT_TRUE(device.TextMatrixNeeded());

    EXPECT_EQ(device.SaveDC(), 3);
    device.SetTextColor(5);
    EXPECT_TRUE(device.RestoreDC(-2)); // two levels at once
    EXPECT_EQ(device.DC().textColor, 2);
    EXPECT_EQ(device.DCStack().Depth(), 1);

    EXPECT_EQ(device.SaveDC(), 2);
    EXPECT_EQ(device.SaveDC(), 3);
    EXPECT_TRUE(device.RestoreDC(2)); // back to the state that SaveDC number 2 saved
    EXPECT_EQ(device.DC().textColor, 2);
    EXPECT_EQ(device.DCStack().Depth(), 1);
    EXPECT_TRUE(device.RestoreDC(1));
    EXPECT_EQ(device.DC().textColor, 1);
    EXPECT_EQ(device.DCStack().Count(), 1);
}

TEST(PdfDCStack, LevelsOutsideTheSavesAreIgnored)
{
    PageDevice device;
    device.SaveDC();
    device.SetTextColor(7);
    for (int level : {0, 2, -2, 100, -100, INT_MIN, INT_MAX})
        EXPECT_FALSE(device.RestoreDC(level)) << level;
    EXPECT_EQ(device.DC().textColor, 7);
    EXPECT_TRUE(device.RestoreDC(-1));
    EXPECT_FALSE(device.RestoreDC(-1)); // never the bottom
    EXPECT_EQ(device.DCStack().Count(), 1);
    EXPECT_EQ(device.DCStack().Remove(5), 0);
    EXPECT_EQ(device.DCStack().RemoveFrom(0), 0);
}

TEST(PdfDCStack, RestoreReappliesTheYDirection)
{
    PageDevice device;
    device.SaveDC();
    device.SetMapMode(MM_LOMETRIC);
    EXPECT_TRUE(device.DCStack().YAxisUp());
    device.RestoreDC(-1);
    EXPECT_FALSE(device.DCStack().YAxisUp());
    EXPECT_EQ(device.DC().mapMode, MM_TEXT);
}

TEST(PdfDCStack, BreaksFenceTheSavesAndKeepThePathAside)
{
    PageDevice device;
    device.SaveDC();
    device.SetTextColor(1);
    device.BeginPath(pesStroke);
    device.DCStack().AddBreak();
    EXPECT_EQ(device.PathDepth(), 0);
    EXPECT_EQ(device.DCStack().Depth(), 0);
    EXPECT_EQ(device.DC().textColor, 1);
    EXPECT_FALSE(device.RestoreDC(-1));
    EXPECT_EQ(device.SaveDC(), 1);
    device.SetTextColor(2);
    EXPECT_EQ(device.SaveDC(), 2);
    EXPECT_FALSE(device.RestoreDC(-3));
    EXPECT_EQ(device.DCStack().Remove(10), 2); // stops at the break
    EXPECT_EQ(device.DCStack().Count(), 3);

    device.SaveDC();
    device.DCStack().RemoveBreak();
    EXPECT_EQ(device.DCStack().Count(), 2);
    EXPECT_EQ(device.PathDepth(), 1);
    EXPECT_EQ(device.DCStack().Depth(), 1);
    EXPECT_TRUE(device.RestoreDC(-1));

    device.DCStack().RemoveBreak(); // no break: nothing happens
    EXPECT_EQ(device.DCStack().Count(), 1);
}

TEST(PdfDCStack, RemovingABreakWithAnOpenPathFailsTheAssertion)
{
    PageDevice device;
    device.DCStack().AddBreak();
    device.BeginPath(pesFill);
    try {
        device.DCStack().RemoveBreak();
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& error) {
        EXPECT_STREQ(error.what(), "PS Stack must be cleared");
    }
}

TEST(PdfDCStack, TextWorldFollowsTheEscapement)
{
    PageDevice device;
    device.SetTextOffset(3, 4);
    device.Folded();
    EXPECT_EQ(device.DCStack().TextWorld(), TPdfXForm{});
    EXPECT_FALSE(device.TextRotated());
    EXPECT_EQ(device.TextOffsetX(), 0);

    device.DC().fontData.escapement = 900;
    device.DCStack().NothingIsOK();
    device.Folded();
    ExpectXForm(device.DCStack().TextWorld(), TPdfXForm{0, 1, -1, 0, 0, 0});
    EXPECT_TRUE(device.TextRotated());

    device.DC().fontData.escapement = 3150;
    ExpectXForm(
        device.DCStack().TextWorld(), // a rotated matrix is always made again
        TPdfXForm{float(std::sqrt(0.5)), float(-std::sqrt(0.5)), float(std::sqrt(0.5)), float(std::sqrt(0.5)), 0, 0});

    device.DC().fontData.escapement = 0;
    device.SetWorldTransform(1, 0, 0, -1, 0, 0);
    device.Folded();
    ExpectXForm(device.DCStack().TextWorld(), TPdfXForm{1, 0, 0, 1, 0, 0});
    EXPECT_TRUE(device.TextRotated()); // a flipped matrix counts as rotated
}
