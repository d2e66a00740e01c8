#include "pdf/PdfGenericPSDevice.h"

#include "ImageTestSupport.h"
#include "PdfTestSupport.h"
#include "TestSupport.h"
#include "pdf/PdfAssert.h"
#include "platform/core/LittleEndian.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <string>
#include <vector>

using namespace PdfGdi;

namespace {

constexpr std::uint32_t PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5;
constexpr std::uint32_t SRCAND = 0x008800C6, MERGECOPY = 0x00C000CA;

int Count(const std::string& text, const std::string& token)
{
    int count = 0;
    for (std::size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + token.size()))
        ++count;
    return count;
}

std::string Head(const std::string& text, const std::string& expected) { return text.substr(0, expected.size()); }
std::string Tail(const std::string& text, const std::string& expected)
{
    return text.substr(text.size() - std::min(text.size(), expected.size()));
}

// What a call adds to the content stream.
template <typename Action> std::string Written(TPageDevice& device, Action action)
{
    const std::string before = device.Pending();
    action();
    return device.Pending().substr(before.size());
}

} // namespace

TEST(PdfGenericPSDevice, OutputOpensAndClosesWithItsOwnQAndReportsMisuse)
{
    TPageDevice device;
    device.MoveToEx(10, 20, nullptr);
    device.LineTo(30, 40);
    device.LineTo(50, 20);
    // Each line is painted at once; the second starts again where the first ended.
    EXPECT_EQ(device.Content(), "q 0 0 0 RG 0.000 w 1 J 10 180 m 30 160 l S 30 160 m 50 180 l S Q ");

    // A new device context in the middle of a page closes what is open and starts a fresh q-level.
    TPageDevice restarted;
    restarted.SaveDC();
    restarted.LineTo(1, 1);
    restarted.InitDC();
    restarted.LineTo(2, 2);
    EXPECT_EQ(restarted.Content(), "q q 0 0 0 RG 0.000 w 1 J 0 200 m 1 199 l S Q Q q 0 0 0 RG 0.000 w 1 J 1 199 m "
                                   "2 198 l S Q ");

    TPdfGenericPSDevice closed;
    EXPECT_EQ(RaisedMessage<Exception>([&] { closed.PSEndOutput(); }), "Output is not open!");
    EXPECT_EQ(RaisedMessage<EAssertionFailed>([&] { closed.Rectangle(0, 0, 1, 1); }), "Output is not open!");
    EXPECT_EQ(RaisedMessage<EAssertionFailed>([&] { closed.PSStartOutput(nullptr); }), "OutputStream must not be nil!");
    TPageDevice open;
    EXPECT_EQ(RaisedMessage<Exception>([&] { open.PSStartOutput(&open.stream); }), "Output is already open!");
}

TEST(PdfGenericPSDevice, LineAttributesFollowThePenAndDashesKeepTheirLengthInPoints)
{
    TPageDevice device;
    device.DCStack().InitRes(96, 96); // 0.75 points per unit; the page is 267 units high
    struct Case {
        std::uint32_t style;
        int width;
        const char* attributes;
    } cases[] = {
        {PS_SOLID, 1, "0 0 0 RG 0.500 w 1 J "},
        {PS_SOLID, 0, "0.000 w "},
        {PS_DASH, 0, "[10.667 10.667] 0 d "},
        {PS_DOT, 1, "0.500 w [0.444 1.778] 0 d "},
        {PS_DOT, 3, "3.000 w "}, // the pattern stays: only a change of style writes it
        {PS_DASHDOT, 3, "[8.000 2.667 1.333 2.667] 0 d "},
        {PS_DASHDOTDOT, 3, "[8.000 5.333 1.333 5.333 1.333 5.333] 0 d "},
        {PS_SOLID | PS_ENDCAP_FLAT, 3, "0 J [] 0 d "},
        {PS_SOLID | PS_ENDCAP_SQUARE, 3, "2 J "},
    };
    std::string expected = "q 0.750 0 0 0.750 0 0 cm ";
    for (const Case& c : cases) {
        device.Pen(c.style, c.width, clBlack);
        device.MoveToEx(0, 10, nullptr);
        device.LineTo(100, 10);
        expected += std::string(c.attributes) + "0 257 m 100 257 l S ";
    }
    EXPECT_EQ(device.Content(), expected + "Q ");
}

TEST(PdfGenericPSDevice, PaintFollowsPenBrushFillModeAndDeviceModes)
{
    TPageDevice device;
    device.Pen(PS_NULL, 1, clBlack);
    device.Brush(pebs_Solid, clRed);
    EXPECT_EQ(Written(device, [&] { device.Rectangle(10, 20, 30, 50); }), "1 0 0 rg 10 180 20 -30 re f* ");
    device.SetPolyFillMode(WINDING);
    EXPECT_EQ(Written(device, [&] { device.Rectangle(10, 20, 30, 50); }), "10 180 20 -30 re f ");
    device.Pen(PS_SOLID, 2, clBlue);
    EXPECT_EQ(Written(device, [&] { device.Rectangle(10, 20, 30, 50); }), "0 0 1 RG 2.000 w 1 J 10 180 20 -30 re b ");

    device.SetModes({peNeverFill});
    EXPECT_EQ(Written(device, [&] { device.Rectangle(10, 20, 30, 50); }), "10 180 20 -30 re S ");
    device.SetModes({peWhiteBrushIsTransparent});
    device.Brush(pebs_Solid, clWhite);
    EXPECT_EQ(Written(device, [&] { device.Rectangle(1, 2, 3, 4); }), "1 198 2 -2 re S ");
    device.Pen(PS_NULL, 1, clBlack);
    EXPECT_EQ(Written(device, [&] { device.Rectangle(1, 2, 3, 4); }), "1 198 2 -2 re n ");
    device.Brush(pebs_Null, clRed);
    device.Pen(PS_SOLID, 2, clBlue);
    device.SetModes({});
    EXPECT_EQ(Written(device,
                      [&] {
                          device.Polygon(std::vector<TPoint>{{0, 0}, {10, 0}, {10, 10}});
                      }),
              "0 200 m 10 200 l 10 190 l 0 200 l S ");

    // Bezier curves and angle arcs are lines: stroked, never filled.
    device.Brush(pebs_Solid, clRed);
    EXPECT_EQ(Written(device,
                      [&] {
                          device.PolyBezier(std::vector<TPoint>{{0, 0}, {1, 1}, {2, 1}, {3, 0}}, false);
                      }),
              "0 200 m 1 199 2 199 3 200 c S ");
    EXPECT_EQ(Written(device, [&] { device.PolyBezier(std::vector<TPoint>{{0, 0}, {1, 1}, {2, 1}}, false); }), "");
}

TEST(PdfGenericPSDevice, BitBlitsFillOnlyForWholeFillOperationsAndPixelsTakeTheirColour)
{
    TPageDevice device;
    device.Brush(pebs_Solid, clLime);
    EXPECT_EQ(Written(device, [&] { device.BitBlt(10, 20, 20, 30, WHITENESS); }), "q 1 1 1 rg 10 180 20 -30 re f Q ");
    EXPECT_EQ(Written(device, [&] { device.BitBlt(10, 20, 20, 30, BLACKNESS); }), "q 0 0 0 rg 10 180 20 -30 re f Q ");
    EXPECT_EQ(Written(device, [&] { device.BitBlt(10, 20, 20, 30, PATCOPY); }), "q 0 1 0 rg 10 180 20 -30 re f Q ");
    // Masks share the bits of BLACKNESS or WHITENESS and must not paint solid.
    for (const std::uint32_t mask : {SRCAND, MERGECOPY, std::uint32_t{0x00CC0020}})
        EXPECT_EQ(Written(device, [&] { device.BitBlt(10, 20, 20, 30, mask); }), "") << mask;
    device.SetModes({peNoBITBLTFillRect});
    EXPECT_EQ(Written(device, [&] { device.BitBlt(10, 20, 20, 30, PATCOPY); }), "");
    EXPECT_EQ(Written(device, [&] { device.SetPixelV(5, 6, clBlue); }), "q 0 0 1 rg 5 194 1 -1 re f Q ");
}

TEST(PdfGenericPSDevice, EllipsesArcsAndRoundedRectanglesBecomeCurves)
{
    TPageDevice device;
    EXPECT_EQ(Written(device, [&] { device.Ellipse(10, 10, 12, 13); }), ""); // radius rounds to 0
    const std::string ellipse = Written(device, [&] { device.Ellipse(0, 0, 101, 51); });
    const std::string ellipseStart = "0 0 0 rg 0 0 0 RG 0.000 w 1 J 100.001 174.001 m 100.001 187.808 ";
    EXPECT_EQ(Head(ellipse, ellipseStart), ellipseStart);
    EXPECT_EQ(Count(ellipse, "c "), 4);
    EXPECT_EQ(Tail(ellipse, "100.001 174.001 c h b* "), "100.001 174.001 c h b* ");

    device.MoveToEx(100, 100, nullptr);
    const std::string eighth = Written(device, [&] { device.AngleArc(100, 100, 50, 0, 45); });
    EXPECT_EQ(Head(eighth, "100 100 m 150.001 100.001 l 150.001 113.262 "),
              "100 100 m 150.001 100.001 l 150.001 113.262 ");
    EXPECT_EQ(Count(eighth, "c "), 1);
    EXPECT_EQ(Tail(eighth, " 135.356 135.356 c S "), " 135.356 135.356 c S ");
    // Clockwise: the curve goes down the page from the start, ending below the centre.
    const std::string clockwise = Written(device, [&] { device.AngleArc(100, 100, 50, 0, -90); });
    EXPECT_EQ(Count(clockwise, "c "), 1);
    EXPECT_EQ(Head(clockwise, "135 135 m 150.001 100.001 l 150.001 72.387 "),
              "135 135 m 150.001 100.001 l 150.001 72.387 ");
    EXPECT_EQ(Tail(clockwise, " 100.001 50.001 c S "), " 100.001 50.001 c S ");
    // Two turns draw the circle once.
    const std::string twice = Written(device, [&] { device.AngleArc(100, 100, 50, 0, 720); });
    EXPECT_EQ(Head(twice, "100 50 m 150.001 100.001 l "), "100 50 m 150.001 100.001 l ");
    EXPECT_EQ(Count(twice, "c "), 4);
    EXPECT_EQ(Tail(twice, " 150.001 100.001 c S "), " 150.001 100.001 c S ");

    EXPECT_EQ(Written(device, [&] { device.RoundRect(10, 20, 110, 80, 40, 20); }),
              "30 180 m 90 180 l 100 180 110 175 110 170 c 110 130 l 110 125 100 120 90 120 c 30 120 l 20 120 10 125 "
              "10 130 c 10 170 l 10 175 20 180 30 180 c b* ");

    // A quarter from the right to the top: the centre, the arc, the centre again.
    const std::string pie = Written(device, [&] { device.Pie(TRect{0, 0, 101, 101}, {100, 50}, {50, 0}); });
    EXPECT_EQ(Head(pie, "50 150 m 99.998 150.506 l "), "50 150 m 99.998 150.506 l ");
    EXPECT_EQ(Count(pie, "c "), 1);
    EXPECT_EQ(Tail(pie, " 49.506 199.999 c 50 150 l b* "), " 49.506 199.999 c 50 150 l b* ");
}

TEST(PdfGenericPSDevice, PathBracketsPaintOnlyWhenAskedAndClipsNeedTheirMode)
{
    TPageDevice device;
    device.BeginPath(pesStrokeAndFill);
    device.MoveToEx(10, 10, nullptr);
    device.LineTo(50, 10);
    device.LineTo(50, 50);
    device.CloseFigure();
    EXPECT_TRUE(device.EndPath());
    EXPECT_EQ(device.Pending(), "q 10 190 m 50 190 l 50 150 l  h ");
    EXPECT_EQ(Written(device, [&] { device.StrokeAndFillPath(true, false); }), "0 0 0 RG 0.000 w 1 J S ");
    EXPECT_EQ(Written(device, [&] { device.StrokeAndFillPath(true, true); }), ""); // no path is left

    device.BeginPath(pesStrokeAndFill);
    device.Rectangle(0, 0, 10, 10);
    device.EndPath();
    EXPECT_EQ(Written(device, [&] { device.SelectClipPath(RGN_AND); }), "W* n ");

    EXPECT_EQ(Written(device, [&] { device.IntersectClipRect(10, 20, 30, 50); }), "");
    device.SetModes({peClipRectSupport});
    EXPECT_EQ(Written(device, [&] { device.IntersectClipRect(30, 50, 10, 20); }), "10 180 20 -30 re W n ");
    const TRect parts[] = {{0, 0, 5, 5}, {8, 9, 6, 7}};
    EXPECT_EQ(Written(device,
                      [&] {
                          device.SelectClipRGN(RGN_AND, TRect{0, 0, 8, 9}, parts);
                      }),
              "0 200 5 -5 re 6 193 2 -2 re W n ");
    EXPECT_EQ(Written(device, [&] { device.SelectClipRGN(0, TRect{0, 0, 8, 9}, {}); }), "");

    // With the y axis up a clip still covers its own rectangle.
    TPageDevice metric;
    metric.SetModes({peClipRectSupport});
    metric.SetMapMode(MM_LOENGLISH); // 0.72 points per unit, the page 278 units high
    EXPECT_EQ(Written(metric, [&] { metric.IntersectClipRect(10, -20, 30, -50); }),
              "0.720 0 0 0.720 0 0 cm 10 228 20 30 re W n ");
}

TEST(PdfGenericPSDevice, AttributesAndTheMatrixAreWrittenOncePerQLevel)
{
    TPageDevice device;
    device.Pen(PS_SOLID, 2, clRed);
    device.Brush(pebs_Solid, clBlue);
    const auto drawMany = [&] {
        for (int i = 0; i < 40; ++i) {
            device.Rectangle(i, i, i + 10, i + 20);
            device.Ellipse(i, i, i + 30, i + 20);
            device.MoveToEx(i, 0, nullptr);
            device.LineTo(i, 100);
        }
    };
    drawMany();
    device.SaveDC();
    drawMany();
    device.SetWorldTransform(0.5, 0, 0, 0.5, 0, 0);
    drawMany();
    EXPECT_TRUE(device.RestoreDC(-1));
    drawMany();
    const std::string content = device.Content();
    EXPECT_EQ(Count(content, " RG "), 1);
    EXPECT_EQ(Count(content, " rg "), 1);
    EXPECT_EQ(Count(content, " w "), 1);
    EXPECT_EQ(Count(content, " J "), 1);
    EXPECT_EQ(Count(content, " cm "), 1);
    EXPECT_EQ(Count(content, "q "), Count(content, "Q "));

    // A new matrix cancels the one in force with its inverse, or leaves and reopens the q-levels.
    for (const bool restack : {false, true}) {
        TPageDevice scaled;
        if (restack)
            scaled.SetModes({peDontStackWorldModifications});
        scaled.DCStack().InitRes(96, 96);
        scaled.LineTo(1, 1);
        scaled.DCStack().InitRes(72, 72);
        scaled.SetWorldChanged(true);
        EXPECT_EQ(Written(scaled, [&] { scaled.LineTo(2, 2); }),
                  restack ? "Q q 1 0 0 1 0 0 cm 0 0 0 RG 0.000 w 1 J 1 199 m 2 198 l S "
                          : "1.333333333 0 0 1.333333333 0 0 cm 1 0 0 1 0 0 cm 1 199 m 2 198 l S ");
    }
}

// Three saved levels, a clip look-ahead q and a clip at the innermost; each restore closes the q's
// of the levels it pops, none when it pops nothing.
TEST(PdfGenericPSDevice, RestoringLevelsClosesEveryQOpenedSince)
{
    struct Case {
        int level;
        bool restored;
        int closed;
    } cases[] = {{-1, true, 2}, {-2, true, 3},  {1, true, 4}, {3, true, 2},
                 {4, false, 0}, {-4, false, 0}, {0, false, 0}};
    for (const Case& c : cases) {
        TPageDevice device;
        device.SetModes({peClipRectSupport});
        for (int level = 1; level <= 3; ++level)
            EXPECT_EQ(device.SaveDC(), level);
        device.PSSaveState();
        device.IntersectClipRect(0, 0, 10, 10);
        EXPECT_EQ(device.WrittenDepth(), 5);
        const std::string closing = Written(device, [&] { EXPECT_EQ(device.RestoreDC(c.level), c.restored); });
        EXPECT_EQ(Count(closing, "Q "), c.closed) << c.level;
        EXPECT_EQ(device.WrittenDepth(), 5 - c.closed) << c.level;
        const std::string content = device.Content();
        EXPECT_EQ(Count(content, "q "), Count(content, "Q ")) << c.level;
    }
}

TEST(PdfGenericPSDevice, CommandCommentsAndBitmapsReachTheirHooks)
{
    struct Device : TPageDevice {
        void PSCommand(const TRect& rect, int code, std::string_view text) override
        {
            commands.push_back({rect, code, std::string(text)});
        }
        int PSStretchDIBits(bool rgbColors, double x, double, double width, double, const TRect& source, bool mayCrop,
                            std::span<const std::uint8_t> bits, std::span<const std::uint8_t>,
                            std::span<const std::uint8_t> colorTable, std::uint32_t rop) override
        {
            stretched = rgbColors && x == 5 && width == 7 && source == TRect{1, 2, 4, 6} && bits.size() == 3 &&
                        colorTable.size() == 8 && rop == 0x00CC0020;
            cropping = mayCrop;
            return 3;
        }
        struct Command {
            TRect rect;
            int code;
            std::string text;
        };
        std::vector<Command> commands;
        bool stretched = false;
        bool cropping = false;
    } device;
    device.DCStack().InitRes(96, 96);
    const auto record = [](std::uint32_t marker, std::uint32_t length, const std::string& text) {
        std::vector<std::uint8_t> bytes(28);
        const std::uint32_t fields[] = {501, marker, 8, 20, 40, 60, length};
        for (std::size_t i = 0; i < 7; ++i)
            PutU32(&bytes[4 * i], fields[i]);
        bytes.insert(bytes.end(), text.begin(), text.end());
        return bytes;
    };
    device.GDIComment(record(120269, 8, "http://x"));
    device.GDIComment(record(120269, 9, "http://x"));
    device.GDIComment(record(120268, 8, "http://x"));
    device.GDIComment(std::vector<std::uint8_t>(27, 0));
    ASSERT_EQ(device.commands.size(), 1u);
    EXPECT_EQ(device.commands[0].rect, (TRect{6, 15, 30, 45}));
    EXPECT_EQ(device.commands[0].code, 501);
    EXPECT_EQ(device.commands[0].text, "http://x");

    const std::vector<std::uint8_t> bits(3), info(48);
    EXPECT_EQ(device.StretchDIBits(5, 6, 7, 8, 1, 2, 3, 4, bits, info, DIB_RGB_COLORS, 0x00CC0020), 3);
    EXPECT_TRUE(device.stretched);
    EXPECT_TRUE(device.cropping);
    device.SetModes({peDontCropBitmaps});
    device.StretchDIBits(5, 6, 7, 8, 1, 2, 3, 4, bits, info, 1, 0x00CC0020);
    EXPECT_FALSE(device.stretched); // palette indices carry no colour table
    EXPECT_FALSE(device.cropping);
}

// Coordinates, sizes and angles as a broken or hostile drawing may give them.
TEST(PdfGenericPSDevice, ExtremeValuesGiveFiniteNumbersAndEndSoon)
{
    struct Device : TPageDevice {
        // A cell higher than the size, as real fonts have: a huge cell height must not be fitted
        // half a unit at a time.
        void PSFontHeight(int& ascent, int& cellHeight, double size) override
        {
            ascent = PdfRound(size * 0.9);
            cellHeight = PdfRound(size * 1.2);
        }
    } device;
    device.SetModes({peClipRectSupport});
    device.Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    device.RoundRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MIN);
    device.Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    device.Pie(TRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MAX, 0}, {0, INT_MIN});
    device.AngleArc(INT_MAX, INT_MIN, INT_MAX, std::numeric_limits<float>::quiet_NaN(), 1e30f);
    device.AngleArc(0, 0, INT_MAX, 0, 1e30f);
    device.FillRect(INT_MAX, INT_MIN, INT_MAX, INT_MAX, clRed);
    device.IntersectClipRect(INT_MIN, INT_MAX, INT_MAX, INT_MIN);
    device.DC().fontData.height = INT_MAX;
    device.DC().fontData.underline = 1;
    const int spacing[] = {INT_MAX, INT_MAX};
    device.ExtTextOut(INT_MAX, INT_MIN, ETO_OPAQUE | ETO_CLIPPED, TRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {}, "a b",
                      1000, spacing);
    device.SetTextAlign(TA_UPDATECP | TA_RIGHT);
    device.ExtTextOut(0, 0, 0, TRect{}, u"xyz", {}, INT_MAX, spacing);
    const std::string content = device.Content();
    EXPECT_EQ(content.find("nan"), std::string::npos);
    EXPECT_EQ(content.find("inf"), std::string::npos);
    EXPECT_EQ(Count(content, "q "), Count(content, "Q "));
    EXPECT_EQ(Count(content, "BT"), 2);
}

// The content in a one-page file, as qpdf checks it and poppler renders it.
TEST(PdfGenericPSDevice, RenderedShapesStandWhereTheyWereDrawnInTheirColours)
{
    TPageDevice device(842);
    device.Pen(PS_NULL, 1, clBlack);
    device.Brush(pebs_Solid, clRed);
    device.Rectangle(50, 50, 150, 120);
    device.Brush(pebs_Solid, clBlue);
    device.Ellipse(200, 50, 300, 150);
    device.Pen(PS_SOLID, 8, clLime);
    device.MoveToEx(50, 200, nullptr);
    device.LineTo(300, 200);
    // A clip set three levels down is gone once two of them are restored.
    device.SetModes({peClipRectSupport});
    device.SaveDC();
    device.SaveDC();
    device.SaveDC();
    device.PSSaveState();
    device.IntersectClipRect(400, 400, 410, 410);
    device.RestoreDC(-2);
    device.FillRect(450, 450, 50, 50, clYellow);

    TemporaryFolder folder;
    TPdfFileWriter writer;
    writer.OpenMemory();
    TSmallDocument document(writer);
    document.Write(device.Content());
    const std::string pdf = OutputOf(writer);
    int status = -1;
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_NE(check.find("No syntax or stream encoding errors found"), std::string::npos) << check;

    const RgbImage page = DecodedBy("pdftoppm -r 72 " + folder.File("out.pdf"));
    ASSERT_EQ(page.width, 595);
    ASSERT_EQ(page.height, 842);
    const auto expectBlock = [&page](int cx, int cy, Rgb colour, const char* what) {
        for (int y = cy - 3; y <= cy + 3; ++y)
            for (int x = cx - 3; x <= cx + 3; ++x)
                ASSERT_EQ(page.At(x, y), colour) << what << " at " << x << "," << y;
    };
    expectBlock(100, 85, Rgb{255, 0, 0}, "rectangle");
    expectBlock(250, 100, Rgb{0, 0, 255}, "ellipse");
    expectBlock(175, 200, Rgb{0, 255, 0}, "line");
    expectBlock(475, 475, Rgb{255, 255, 0}, "fill after the restore");
    expectBlock(175, 300, Rgb{255, 255, 255}, "background");
}
