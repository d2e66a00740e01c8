#include "pdf/PdfGenericDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A wide logical font as a metafile holds it: the measures, then the face name in UTF-16.
std::vector<std::uint8_t> LogFont(std::u16string_view face, std::int32_t height, std::int32_t escapement,
                                  std::size_t faceUnits = 32)
{
    std::vector<std::uint8_t> bytes(28 + 2 * faceUnits, 0);
    const auto put32 = [&bytes](std::size_t offset, std::int32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
    };
    put32(0, height);
    put32(4, 7);
    put32(8, escapement);
    put32(12, escapement);
    put32(16, 700);
    bytes[20] = 1; // italic
    bytes[21] = 1; // underline
    bytes[23] = 238;
    bytes[27] = 0x22;
    for (std::size_t i = 0; i < face.size() && i < faceUnits; ++i) {
        bytes[28 + 2 * i] = static_cast<std::uint8_t>(face[i] & 0xFF);
        bytes[29 + 2 * i] = static_cast<std::uint8_t>(face[i] >> 8);
    }
    return bytes;
}

// Records the drawing calls the base class makes on its own.
class RecordingDevice : public TPdfGenericDevice {
public:
    void CloseFigure() override { ++closedFigures; }
    void SelectClipRGN(int mode, const TRect& bounds, std::span<const TRect> rectangles) override
    {
        clipMode = mode;
        clipBounds = bounds;
        clipRectangles = static_cast<int>(rectangles.size());
    }
    int closedFigures = 0;
    int clipMode = 0;
    TRect clipBounds;
    int clipRectangles = -1;
};

} // namespace

TEST(PdfGenericDevice, CreatePenMapsStylesAndEndCaps)
{
    TPdfGenericDevice device;
    struct Case {
        std::uint32_t style;
        TPdfPenStyles expected;
        TPdfPenEndCap cap;
    } cases[] = {
        {0, peps_Solid, pecap_Round},
        {1, peps_Dash, pecap_Round},
        {2, peps_Dot, pecap_Round},
        {3, peps_DashDot, pecap_Round},
        {4, peps_DashDotDot, pecap_Round},
        {5, peps_Null, pecap_Round},
        {6, peps_InsideFrame, pecap_Round},
        {7, peps_Dash, pecap_Round}, // PS_USERSTYLE
        {8, peps_Dot, pecap_Round},  // PS_ALTERNATE
        {15, peps_Solid, pecap_Round},
        {0x100 | 2, peps_Dot, pecap_Square},
        {0x200 | 3, peps_DashDot, pecap_Flat},
        {0x10000 | 0x300 | 1, peps_Dash, pecap_Square},
    };
    for (const Case& c : cases) {
        const int handle = device.CreatePen(c.style, 3, 0x123456);
        const auto& pen = dynamic_cast<const TPdfDvPen&>(*device.Objects().GetObjects(handle));
        EXPECT_EQ(pen.style, c.expected) << c.style;
        EXPECT_EQ(pen.endCap, c.cap) << c.style;
        EXPECT_EQ(pen.width, 3);
        EXPECT_EQ(pen.color, 0x123456);
    }
}

TEST(PdfGenericDevice, FontFaceIsReadAsUtf16WithinItsThirtyTwoUnits)
{
    TPdfGenericDevice device;
    const auto fontAt = [&device](int handle) -> const TPdfDvFont& {
        return dynamic_cast<const TPdfDvFont&>(*device.Objects().GetObjects(handle));
    };
    const auto tahoma = LogFont(u"Tahoma", -13, 0);
    const TPdfDvFont& font = fontAt(device.CreateFontIndirect(tahoma));
    EXPECT_EQ(font.faceName, "Tahoma");
    EXPECT_EQ(font.fontData.height, -13);
    EXPECT_EQ(font.fontData.width, 7);
    EXPECT_EQ(font.fontData.weight, 700);
    EXPECT_EQ(font.fontData.italic, 1);
    EXPECT_EQ(font.fontData.underline, 1);
    EXPECT_EQ(font.fontData.charSet, 238);
    EXPECT_EQ(font.fontData.pitchAndFamily, 0x22);

    EXPECT_EQ(fontAt(device.CreateFontIndirect(LogFont(u"Caf\u00E9 \u20AC\u4E2D", 10, 0))).faceName, "Caf\xE9 \x80?");
    EXPECT_EQ(fontAt(device.CreateFontIndirect(LogFont(u"\U0001F600x", 10, 0))).faceName, "?x");

    // A face that fills all 32 units has no terminator; what follows is not part of it.
    auto full = LogFont(std::u16string(32, u'A'), 10, 0);
    full.insert(full.end(), {'B', 0, 'C', 0, 0, 0});
    EXPECT_EQ(fontAt(device.CreateFontIndirect(full)).faceName, std::string(32, 'A'));

    // A record cut short: only the whole units inside it count, missing measures read as 0.
    auto cut = LogFont(u"Verdana", 10, 0);
    cut.resize(28 + 5);
    EXPECT_EQ(fontAt(device.CreateFontIndirect(cut)).faceName, "Ve");
    const std::vector<std::uint8_t> tiny = {0x0C, 0, 0, 0, 0x05};
    const TPdfDvFont& shortFont = fontAt(device.CreateFontIndirect(tiny));
    EXPECT_EQ(shortFont.fontData.height, 12);
    EXPECT_EQ(shortFont.fontData.width, 5);
    EXPECT_EQ(shortFont.faceName, "");
}

TEST(PdfGenericDevice, SelectObjectReturnsThePreviousHandleOfItsKind)
{
    TPdfGenericDevice device;
    TPdfGenericDeviceObjects& objects = device.Objects();
    const int blackPen = objects.GetStockObject(7), whitePen = objects.GetStockObject(6);
    EXPECT_EQ(device.SelectObject(blackPen), 0);
    EXPECT_EQ(device.SelectObject(whitePen), blackPen);
    EXPECT_EQ(device.DC().pen.color, clWhite);
    EXPECT_EQ(device.DC().pen.width, 1);

    const int brush = device.CreateBrushIndirect(pebsHatched, 0x00FF00, 3);
    EXPECT_EQ(device.SelectObject(brush), 0);
    EXPECT_EQ(device.SelectObject(objects.GetStockObject(5)), brush);
    EXPECT_EQ(device.DC().brush.style, pebs_Null);
    EXPECT_EQ(device.SelectObject(brush), objects.GetStockObject(5));
    EXPECT_EQ(device.DC().brush.color, 0x00FF00);
    EXPECT_EQ(device.DC().brush.hatch, 3);
    EXPECT_EQ(device.DC().penHandle, whitePen);

    const int pen = device.CreatePen(0x200 | 1, 4, 0x0000FF);
    EXPECT_EQ(device.SelectObject(pen), whitePen);
    EXPECT_EQ(device.DC().pen.style, peps_Dash);
    EXPECT_EQ(device.DC().pen.endCap, pecap_Flat);

    const std::vector<std::uint32_t> entries = {0x010203, 0x040506};
    const int palette = device.CreatePalette(entries);
    EXPECT_EQ(dynamic_cast<const TPdfDvPalette&>(*objects.GetObjects(palette)).entries, entries);
    EXPECT_EQ(device.SelectPalette(pen), 0);
    EXPECT_EQ(device.SelectPalette(palette), 0);
    EXPECT_EQ(device.SelectObject(palette), palette);
    EXPECT_EQ(device.DC().paletteHandle, palette);
}

TEST(PdfGenericDevice, SelectingFontsCopiesDataAndFlagsARotation)
{
    TPdfGenericDevice device;
    EXPECT_EQ(device.SelectObject(device.Objects().GetStockObject(17)), 0);
    EXPECT_EQ(device.DC().selectedFaceName, "Arial");
    EXPECT_EQ(device.DC().fontHandle, 10);
    EXPECT_EQ(device.DC().fontData.height, 0); // the stock font's data replaces the default 10
    EXPECT_EQ(device.DC().faceName, "Arial");

    device.SetTextMatrixNeeded(false);
    const int upright = device.CreateFontIndirect(LogFont(u"Courier New", -20, 0));
    EXPECT_EQ(device.SelectObject(upright), 10);
    EXPECT_FALSE(device.DC().fontChanged);
    EXPECT_FALSE(device.TextMatrixNeeded());
    EXPECT_EQ(device.DC().selectedFaceName, "Courier New");
    EXPECT_EQ(device.DC().faceName, "Courier New");

    const int rotated = device.CreateFontIndirect(LogFont(u"Courier New", -20, 900));
    EXPECT_EQ(device.SelectObject(rotated), upright);
    EXPECT_TRUE(device.DC().fontChanged);
    EXPECT_TRUE(device.TextMatrixNeeded());
    EXPECT_EQ(device.DC().fontData.escapement, 900);

    // A font without a face changes nothing.
    const int faceless = device.CreateFontIndirect(LogFont(u"", -30, 0));
    EXPECT_EQ(device.SelectObject(faceless), 0);
    EXPECT_EQ(device.DC().fontHandle, rotated);
    EXPECT_EQ(device.DC().fontData.height, -20);
}

TEST(PdfGenericDevice, InvalidHandlesAreIgnored)
{
    TPdfGenericDevice device;
    device.SelectObject(device.Objects().GetStockObject(4));
    const TPdfDCStackVar before = device.DC();
    for (int handle : {0, -1, -2147483647 - 1, 11, 500, 2147483647})
        EXPECT_EQ(device.SelectObject(handle), 0) << handle;
    EXPECT_EQ(device.SelectPalette(-5), 0);
    EXPECT_FALSE(device.DeleteObject(-5));
    EXPECT_FALSE(device.DeleteObject(1 << 30));
    EXPECT_EQ(device.DC().brushHandle, before.brushHandle);
    EXPECT_EQ(device.DC().brush.color, before.brush.color);
}

TEST(PdfGenericDevice, DeletedObjectsStayUsableUntilInitDC)
{
    TPdfGenericDevice device;
    const int brush = device.CreateBrushIndirect(pebs_Solid, 0x0000FF, 0);
    EXPECT_FALSE(device.DeleteObject(brush));
    EXPECT_EQ(device.SelectObject(brush), 0);
    EXPECT_EQ(device.DC().brush.color, 0x0000FF);
    device.InitDC();
    EXPECT_EQ(device.SelectObject(brush), 0);
    EXPECT_EQ(device.DC().brush.color, clBlack);
    EXPECT_EQ(device.CreatePen(0, 1, 0), brush);
}

TEST(PdfGenericDevice, TextAlignmentFlags)
{
    TPdfGenericDevice device;
    struct Case {
        std::uint32_t flags;
        TPdfTextAlign expected;
    } cases[] = {
        {0, {}},
        {1, {peal_UPDATECP}},
        {2, {peal_RIGHT}},
        {6, {peal_CENTER}},
        {8, {peal_BOTTOM}},
        {24, {peal_BOTTOM, peal_BASELINE}},
        {16, {}},
        {24 | 6 | 1, {peal_UPDATECP, peal_CENTER, peal_BOTTOM, peal_BASELINE}},
        {8 | 2, {peal_RIGHT, peal_BOTTOM}},
    };
    for (const Case& c : cases) {
        device.SetTextAlign(c.flags);
        EXPECT_EQ(device.DC().textAlign, c.expected) << c.flags;
        EXPECT_EQ(device.DC().rawTextAlign, c.flags);
        EXPECT_FALSE(device.DC().textAlign.Contains(peal_LEFT));
    }
}

TEST(PdfGenericDevice, ModesColoursAndSpacing)
{
    TPdfGenericDevice device;
    EXPECT_EQ(device.SetBKMode(2), 0);
    EXPECT_TRUE(device.DC().opaque);
    EXPECT_EQ(device.SetBKMode(1), 2);
    EXPECT_FALSE(device.DC().opaque);
    EXPECT_EQ(device.SetPolyFillMode(2), 0);
    EXPECT_TRUE(device.DC().winding);
    EXPECT_EQ(device.SetPolyFillMode(1), 2);
    EXPECT_FALSE(device.DC().winding);

    device.SetTextColor(0x112233);
    device.SetBKColor(0x445566);
    device.SetRop2(13);
    device.SetBrushOrgEx(4, 5);
    device.SetArcDirection(2);
    EXPECT_EQ(device.DC().textColor, 0x112233);
    EXPECT_EQ(device.DC().bkColor, 0x445566);
    EXPECT_EQ(device.DC().rop2, 13);
    EXPECT_EQ(device.DC().brushOrg, Point(4, 5));
    EXPECT_TRUE(device.DC().clockwiseArcs);
    device.SetArcDirection(1);
    EXPECT_FALSE(device.DC().clockwiseArcs);

    device.SetTextJustification(12, 3);
    device.SetTextJustificationRemainder(2);
    EXPECT_EQ(device.TextJustificationExtra(), 12);
    EXPECT_EQ(device.TextJustificationCount(), 3);
    device.SetTextJustification(0, 4);
    EXPECT_EQ(device.TextJustificationRemainder(), 0);
    EXPECT_EQ(device.TextJustificationCount(), 4);
}

TEST(PdfGenericDevice, PathBracketsNestAndAbortCloses)
{
    RecordingDevice device;
    EXPECT_FALSE(device.EndPath());
    device.BeginPath(pesStroke);
    device.BeginPath(pesStrokeAndFill);
    EXPECT_EQ(device.PathDepth(), 2);
    EXPECT_EQ(device.FigureMode(), pesStrokeAndFill);
    EXPECT_TRUE(device.EndPath()); // the nested bracket only closes its figure
    EXPECT_EQ(device.closedFigures, 1);
    EXPECT_EQ(device.PathDepth(), 1);
    EXPECT_TRUE(device.EndPath());
    EXPECT_EQ(device.PathDepth(), 0);
    EXPECT_EQ(device.FigureMode(), pesNoFigure);

    for (int i = 0; i < 4; ++i)
        device.BeginPath(pesFill);
    device.AbortPath();
    EXPECT_EQ(device.PathDepth(), 0);
    EXPECT_EQ(device.FigureMode(), pesNoFigure);
}

TEST(PdfGenericDevice, IntersectClipRectAndRegionCallsWithoutEffect)
{
    RecordingDevice device;
    device.IntersectClipRect(1, 2, 30, 40);
    EXPECT_EQ(device.clipMode, 1);
    EXPECT_EQ(device.clipBounds, Rect(1, 2, 30, 40));
    EXPECT_EQ(device.clipRectangles, 0);
    EXPECT_EQ(device.ExcludeClipRect() + device.OffsetClipRgn() + device.FillRgnData() + device.FrameRgnData() +
                  device.InvertRgnData() + device.PaintRgnData(),
              0);
    EXPECT_FALSE(device.CheckOpenPage(1, 1, 72, 72));
}

TEST(PdfGenericDevice, WriterStateStack)
{
    TPdfGenericDevice device;
    EXPECT_FALSE(device.RestoreWrittenData());
    TPdfWriterStackVar& fresh = device.WrittenData();
    EXPECT_EQ(device.WrittenDepth(), 1);
    EXPECT_EQ(fresh.fontSize, 10);
    EXPECT_EQ(fresh.fontName, "Arial");
    EXPECT_EQ(fresh.cm, TPdfXForm{});
    EXPECT_TRUE(fresh.mustWriteStroke && fresh.mustWriteFill && fresh.mustWriteText);

    fresh.fillColor = 0x0000FF;
    fresh.mustWriteFill = false;
    device.SaveWrittenData();
    EXPECT_EQ(device.WrittenDepth(), 2);
    EXPECT_EQ(device.WrittenData().fillColor, 0x0000FF);
    EXPECT_FALSE(device.WrittenData().mustWriteFill);
    device.WrittenData().fillColor = 0x00FF00;
    EXPECT_TRUE(device.RestoreWrittenData());
    EXPECT_EQ(device.WrittenData().fillColor, 0x0000FF);

    device.SaveWrittenData();
    device.InitDC();
    EXPECT_EQ(device.WrittenDepth(), 0);
}
