#include "pdf/PdfGenericDeviceObjects.h"
#include "pdf/PdfAssert.h"

#include <gtest/gtest.h>

namespace {

const TPdfDvBrush& BrushAt(const TPdfGenericDeviceObjects& table, int handle)
{
    return dynamic_cast<const TPdfDvBrush&>(*table.GetObjects(handle));
}

const TPdfDvPen& PenAt(const TPdfGenericDeviceObjects& table, int handle)
{
    return dynamic_cast<const TPdfDvPen&>(*table.GetObjects(handle));
}

} // namespace

TEST(PdfGenericDeviceObjects, StockObjectsInTheirOrder)
{
    TPdfGenericDeviceObjects table;
    ASSERT_EQ(table.StockCount(), 11);
    EXPECT_EQ(table.GetObjects(0)->objectType, pegdi_null);
    const TColor brushColors[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000, 0xFFFFFF};
    for (int number = 0; number <= 5; ++number) {
        const int handle = table.GetStockObject(number);
        EXPECT_EQ(handle, number + 1);
        EXPECT_EQ(BrushAt(table, handle).color, brushColors[number]) << number;
        EXPECT_EQ(BrushAt(table, handle).style, number == 5 ? pebs_Null : pebs_Solid);
    }
    const TColor penColors[] = {0xFFFFFF, 0x000000, 0xFFFFFF};
    for (int number = 6; number <= 8; ++number) {
        const TPdfDvPen& pen = PenAt(table, table.GetStockObject(number));
        EXPECT_EQ(pen.color, penColors[number - 6]);
        EXPECT_EQ(pen.width, 1);
        EXPECT_EQ(pen.style, number == 8 ? peps_Null : peps_Solid);
    }
}

TEST(PdfGenericDeviceObjects, StockFontsShareOneArialAndPaletteIsNone)
{
    TPdfGenericDeviceObjects table;
    for (int number : {10, 11, 12, 13, 14, 16, 17}) {
        const auto* font = dynamic_cast<const TPdfDvFont*>(table.GetObjects(table.GetStockObject(number)));
        ASSERT_NE(font, nullptr) << number;
        EXPECT_EQ(font->handle, 10);
        EXPECT_EQ(font->faceName, "Arial");
        EXPECT_EQ(font->fontData, TPdfFontData{});
    }
    EXPECT_EQ(table.StockHandle(pestock_DEFAULT_GUI_FONT), 10);
    // DEFAULT_PALETTE, DC_BRUSH and the numbers GDI leaves free name nothing.
    for (int number : {9, 15, 18, 19, -1, 1000})
        EXPECT_EQ(table.GetStockObject(number), 0) << number;
    EXPECT_EQ(table.StockHandle(pestock_DEFAULT_PALETTE), 0);
    EXPECT_EQ(table.StockHandle(pestock_DC_BRUSH), 0);
}

TEST(PdfGenericDeviceObjects, Descriptions)
{
    TPdfGenericDeviceObjects table;
    EXPECT_EQ(table.GetObjects(0)->Description(), "TPdfBasicGDIObject");
    EXPECT_EQ(table.GetObjects(1)->Description(), "TPdfDvBrush style:0 color:clWhite");
    EXPECT_EQ(table.GetObjects(4)->Description(), "TPdfDvBrush style:0 color:$00404040");
    EXPECT_EQ(table.GetObjects(9)->Description(), "TPdfDvPen style:5 color:clWhite width:1");
    EXPECT_EQ(table.GetObjects(10)->Description(), "TPdfDvFont Arial height:0");
    EXPECT_EQ(table.Add(pegdi_palette)->Description(), "TPdfDvPalette");
}

TEST(PdfGenericDeviceObjects, DeleteKeepsObjectsOfALowerLevelAndStockObjects)
{
    TPdfGenericDeviceObjects table;
    const int handle = table.Add(pegdi_pen)->handle;
    EXPECT_EQ(handle, 11);
    EXPECT_EQ(table.GetObjects(handle)->level, 0);
    EXPECT_FALSE(table.Delete(handle)); // created at level 0, the table is at level 1
    EXPECT_NE(table.GetObjects(handle), nullptr);

    table.DecLevel();
    EXPECT_EQ(table.Level(), 0);
    for (int stock = 0; stock < table.StockCount(); ++stock)
        EXPECT_FALSE(table.Delete(stock));
    EXPECT_FALSE(table.Delete(-1));
    EXPECT_FALSE(table.Delete(table.Count()));
    EXPECT_TRUE(table.Delete(handle));
    EXPECT_EQ(table.GetObjects(handle), nullptr);
    EXPECT_FALSE(table.Delete(handle)); // already free
}

TEST(PdfGenericDeviceObjects, FreedHandlesAreReusedLastInFirstOut)
{
    TPdfGenericDeviceObjects table;
    table.DecLevel();
    const int first = table.Add(pegdi_brush)->handle;
    const int second = table.Add(pegdi_pen)->handle;
    const int third = table.Add(pegdi_font)->handle;
    EXPECT_EQ(third, 13);
    ASSERT_TRUE(table.Delete(first));
    ASSERT_TRUE(table.Delete(second));
    EXPECT_EQ(table.Add(pegdi_palette)->handle, second);
    EXPECT_EQ(table.Add(pegdi_palette)->handle, first);
    EXPECT_EQ(table.Add(pegdi_palette)->handle, 14);
    EXPECT_EQ(table.GetObjects(first)->objectType, pegdi_palette);
}

TEST(PdfGenericDeviceObjects, ClearAndDecLevelFreeOnlyNonStockObjects)
{
    TPdfGenericDeviceObjects table;
    table.Add(pegdi_pen);
    table.Add(pegdi_brush);
    table.Clear();
    EXPECT_EQ(table.Count(), table.StockCount());
    EXPECT_EQ(table.Add(pegdi_font)->handle, 11);

    table.IncLevel();
    TPdfBasicGDIObject* raised = table.Add(pegdi_pen);
    raised->level = 2;
    table.DecLevel(); // frees the objects of level 2, then lowers to 1
    EXPECT_EQ(table.Level(), 1);
    EXPECT_EQ(table.GetObjects(12), nullptr);
    EXPECT_NE(table.GetObjects(11), nullptr);
    EXPECT_EQ(table.Add(pegdi_brush)->handle, 12);
    EXPECT_NE(table.GetObjects(1), nullptr);
}

TEST(PdfGenericDeviceObjects, UnknownTypeFailsTheAssertion)
{
    TPdfGenericDeviceObjects table;
    try {
        table.Add(static_cast<TPdfBasicGDIObjectType>(7));
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& error) {
        EXPECT_STREQ(error.what(), "Object was not created");
    }
    EXPECT_EQ(table.Count(), table.StockCount());
}
