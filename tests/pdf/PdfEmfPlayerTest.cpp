#include "EmfPlayerTestSupport.h"
#include "TestSupport.h"
#include "pdf/PdfGenericPSDevice.h"
#include "platform/core/LittleEndian.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace {

constexpr std::uint32_t SRCAND = 0x008800C6, SRCPAINT = 0x00EE0086, DIB_PAL_COLORS = 1;

TEmfPen Pen(std::uint32_t index, int width, std::uint32_t color)
{
    TEmfPen pen;
    pen.Index = index;
    pen.Width = width;
    pen.Color = color;
    return pen;
}

void Poly(TEmfWriter& w, std::uint32_t type, const std::vector<TPoint>& points, bool wide = false)
{
    w.Begin(type);
    w.Rect(TRect{});
    w.U32(static_cast<std::uint32_t>(points.size()));
    for (const TPoint& p : points) {
        if (wide) {
            w.Point(p);
        } else {
            w.U16(static_cast<std::uint16_t>(p.X));
            w.U16(static_cast<std::uint16_t>(p.Y));
        }
    }
    w.End();
}

void PolyPoly(TEmfWriter& w, std::uint32_t type, const std::vector<std::vector<TPoint>>& parts, bool wide = false)
{
    std::uint32_t total = 0;
    for (const auto& part : parts)
        total += static_cast<std::uint32_t>(part.size());
    w.Begin(type);
    w.Rect(TRect{});
    w.U32(static_cast<std::uint32_t>(parts.size()));
    w.U32(total);
    for (const auto& part : parts)
        w.U32(static_cast<std::uint32_t>(part.size()));
    for (const auto& part : parts)
        for (const TPoint& p : part) {
            if (wide) {
                w.Point(p);
            } else {
                w.U16(static_cast<std::uint16_t>(p.X));
                w.U16(static_cast<std::uint16_t>(p.Y));
            }
        }
    w.End();
}

// EXTTEXTOUTA with its rectangle, the text at 76 and the spacing behind it.
void TextA(TEmfWriter& w, TPoint at, std::uint32_t options, const std::string& text, const std::vector<int>& dx)
{
    const auto dxOffset = static_cast<std::uint32_t>(76 + (text.size() + 3) / 4 * 4);
    w.Begin(EMR_EXTTEXTOUTA);
    w.Rect(TRect{});
    w.U32(Emf::GM_COMPATIBLE);
    w.Float(1);
    w.Float(1);
    w.Point(at);
    w.U32(static_cast<std::uint32_t>(text.size()));
    w.U32(76);
    w.U32(options);
    w.Rect(TRect{1, 2, 3, 4});
    w.U32(dx.empty() ? 0 : dxOffset);
    for (char ch : text)
        w.U8(static_cast<std::uint8_t>(ch));
    w.Zeros(dxOffset - w.RecordOffset());
    for (int value : dx)
        w.I32(value);
    w.End();
}

// A bottom-up DIB: its BITMAPINFO (header and colour table) and zero bits.
struct TDib {
    std::vector<std::uint8_t> info, bits;
};

TDib Dib(int width, int height, int bitCount, int colors)
{
    TEmfWriter w;
    w.Begin(0);
    for (int value : {40, width, height})
        w.I32(value);
    w.U16(1);
    w.U16(static_cast<unsigned>(bitCount));
    for (int value : {0, 0, 0, 0, colors, 0})
        w.I32(value);
    for (int i = 0; i < colors; ++i)
        w.U32(static_cast<std::uint32_t>(0x010101 * i));
    w.End();
    TDib dib;
    dib.info.assign(w.Data().begin() + 8, w.Data().end());
    dib.bits.assign(static_cast<std::size_t>((width * bitCount + 31) / 32 * 4 * height), 0);
    return dib;
}

// BITBLT or STRETCHBLT at (10, 20) of 30 x 40, with a source when `dib` holds one.
void Blt(TEmfWriter& w, std::uint32_t type, std::uint32_t rop, const TDib& dib, std::uint32_t usage, TPoint source = {},
         TSize sourceSize = {})
{
    const bool stretch = type == EMR_STRETCHBLT;
    const std::uint32_t infoAt = stretch ? 108 : 100;
    const auto infoSize = static_cast<std::uint32_t>(dib.info.size());
    w.Begin(type);
    w.Rect(TRect{});
    for (int value : {10, 20, 30, 40})
        w.I32(value);
    w.U32(rop);
    w.Point(source);
    for (float value : {1.f, 0.f, 0.f, 1.f, 0.f, 0.f})
        w.Float(value);
    w.U32(0);
    w.U32(usage);
    w.U32(infoSize ? infoAt : 0);
    w.U32(infoSize);
    w.U32(infoSize ? infoAt + infoSize : 0);
    w.U32(static_cast<std::uint32_t>(dib.bits.size()));
    if (stretch) {
        w.I32(sourceSize.cx);
        w.I32(sourceSize.cy);
    }
    w.Bytes(dib.info);
    w.Bytes(dib.bits);
    w.End();
}

void ClipRegion(TEmfWriter& w, const std::vector<TRect>& rects, std::uint32_t mode = Emf::RGN_COPY)
{
    w.Begin(EMR_EXTSELECTCLIPRGN);
    w.U32(rects.empty() ? 0 : static_cast<std::uint32_t>(32 + 16 * rects.size()));
    w.U32(mode);
    if (!rects.empty()) {
        for (int value : {32, 1, static_cast<int>(rects.size()), static_cast<int>(16 * rects.size())})
            w.I32(value);
        w.Rect(rects.front());
        for (const TRect& rect : rects)
            w.Rect(rect);
    }
    w.End();
}

void ExpectXForm(const TPdfXForm& actual, std::array<double, 6> expected)
{
    const float values[] = {actual.eM11, actual.eM12, actual.eM21, actual.eM22, actual.eDx, actual.eDy};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_NEAR(values[i], expected[i], 1e-5) << "at " << i;
}

std::vector<std::uint8_t> Metafile(const std::function<void(TEmfWriter&)>& write)
{
    TEmfBuilder builder;
    write(builder.records);
    return builder.Bytes();
}

// Plays at the frame's own size; the calls between opening and closing the page.
std::string Played(TRecordingDevice& device, std::span<const std::uint8_t> data)
{
    device.PlayEnhMetaFile(data, 0, 0, 0, 0, false, 0, 0);
    const std::vector<std::string>& calls = device.calls;
    if (calls.size() < 3) {
        ADD_FAILURE() << "the page was not opened and closed: " << device.Calls();
        return device.Calls();
    }
    EXPECT_EQ(calls.front(), "CheckOpenPage(100,100,100,100)");
    EXPECT_EQ(calls[calls.size() - 2], "PSEndCurrentGraphic()");
    EXPECT_EQ(calls.back(), "CheckCloseOpenPage(true)");
    return device.Drawn();
}

std::string Played(std::span<const std::uint8_t> data)
{
    TRecordingDevice device;
    return Played(device, data);
}

} // namespace

TEST(PdfEmfPlayer, EveryActedOnRecordReachesItsOperation)
{
    const TDib dib = Dib(2, 1, 24, 0);
    const std::vector<std::uint8_t> data = Metafile([&](TEmfWriter& w) {
        w.Record(EMR_SETMAPMODE, {Emf::MM_ANISOTROPIC});
        w.Record(EMR_SETWINDOWEXTEX, {300, 300});
        w.Record(EMR_SETVIEWPORTORGEX, {5, 6});
        w.Record(EMR_SETBKMODE, {Emf::OPAQUE});
        w.Record(EMR_SETTEXTCOLOR, {0x0000FF});
        w.Record(EMR_SETTEXTALIGN, {24});
        w.Record(EMR_SETMAPPERFLAGS, {1});
        w.Record(EMR_SETSTRETCHBLTMODE, {3});
        WriteEmfPen(w, Pen(1, 7, 0x00FF00));
        WriteEmfBrush(w, TEmfBrush{2, Emf::BS_HATCHED, 0x0000FF, Emf::HS_CROSS});
        WriteEmfFont(w, TEmfFont{3, -50, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial"});
        w.Record(EMR_SELECTOBJECT, {1});
        w.Record(EMR_SELECTOBJECT, {2});
        w.Record(EMR_SELECTOBJECT, {3});
        w.Record(EMR_MOVETOEX, {1, 2});
        w.Record(EMR_LINETO, {3, 4});
        w.Record(EMR_RECTANGLE, {1, 2, 3, 4});
        w.Record(EMR_ELLIPSE, {5, 6, 7, 8});
        w.Record(EMR_ROUNDRECT, {1, 2, 3, 4, 5, 6});
        w.Record(EMR_ARC, {0, 0, 10, 10, 1, 2, 3, 4});
        w.Record(EMR_ARCTO, {0, 0, 10, 10, 1, 2, 3, 4});
        w.Record(EMR_CHORD, {0, 0, 10, 10, 1, 2, 3, 4});
        w.Record(EMR_PIE, {0, 0, 10, 10, 1, 2, 3, 4});
        w.Record(EMR_SETPIXELV, {9, 8, 0x123456});
        w.Begin(EMR_ANGLEARC);
        for (int value : {5, 6, 7})
            w.I32(value);
        w.Float(30);
        w.Float(-90.5f);
        w.End();
        Poly(w, EMR_POLYGON, {{1, 2}, {3, 4}, {5, 6}}, true);
        Poly(w, EMR_POLYLINE16, {{1, 1}, {2, -2}});
        Poly(w, EMR_POLYBEZIERTO, {{1, 1}, {2, 2}, {3, 3}}, true);
        Poly(w, EMR_POLYLINETO16, {{7, 7}});
        Poly(w, EMR_POLYBEZIER16, {{0, 0}, {1, 1}, {2, 2}, {3, 3}});
        w.Begin(EMR_POLYDRAW);
        w.Rect(TRect{});
        w.U32(2);
        w.Point(TPoint{1, 2});
        w.Point(TPoint{3, 4});
        w.U8(6);
        w.U8(3);
        w.End();
        PolyPoly(w, EMR_POLYPOLYLINE, {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}}}, true);
        w.Record(EMR_BEGINPATH, {});
        w.Record(EMR_CLOSEFIGURE, {});
        w.Record(EMR_ENDPATH, {});
        w.Record(EMR_STROKEPATH, {0, 0, 0, 0});
        w.Record(EMR_FILLPATH, {0, 0, 0, 0});
        w.Record(EMR_STROKEANDFILLPATH, {0, 0, 0, 0});
        w.Record(EMR_SELECTCLIPPATH, {1});
        w.Record(EMR_ABORTPATH, {});
        w.Record(EMR_SAVEDC, {});
        w.Record(EMR_RESTOREDC, {-1});
        w.Begin(EMR_GDICOMMENT);
        w.U32(5);
        for (char ch : std::string("hello"))
            w.U8(static_cast<std::uint8_t>(ch));
        w.End();
        WriteEmfTextW(w, TEmfText{TRect{},
                                  Emf::GM_COMPATIBLE,
                                  1,
                                  1,
                                  TPoint{40, 50},
                                  Emf::ETO_OPAQUE,
                                  TRect{40, 50, 90, 70},
                                  u"Hi",
                                  {11, 12}});
        TextA(w, TPoint{60, 70}, Emf::ETO_PDY, "ab", {1, 2, 3, 4});
        WriteEmfStretchDIBits(w, TEmfStretchDIBits{TRect{}, TPoint{1, 2}, TSize{20, 10}, TPoint{0, 0}, TSize{2, 1},
                                                   0x00CC0020, TEmfDib{Emf::DIB_RGB_COLORS, dib.info, dib.bits}});
        w.Record(EMR_SETTEXTJUSTIFICATION, {12, 3});
    });
    TRecordingDevice device;
    EXPECT_EQ(Played(device, data),
              "MoveToEx(1,2) pen(0,7,0xff00) brush(2,0xff,4) font(Arial,-50) LineTo(3,4) Rectangle(1,2,3,4) "
              "Ellipse(5,6,7,8) RoundRect(1,2,3,4,5,6) Arc(0:0:10:10,1:2,3:4,false) Arc(0:0:10:10,1:2,3:4,true) "
              "Chord(0:0:10:10,1:2,3:4) Pie(0:0:10:10,1:2,3:4) SetPixelV(9,8,1193046) AngleArc(5,6,7,30,-90.5) "
              "Polygon([1:2 3:4 5:6]) Polyline([1:1 2:-2],false) PolyBezier([1:1 2:2 3:3],true) "
              "Polyline([7:7],true) PolyBezier([0:0 1:1 2:2 3:3],false) PolyDraw([1:2 3:4],[6 3]) "
              "Polyline([0:0 1:1],false) Polyline([2:2 3:3],false) CloseFigure() EndPath() "
              "StrokeAndFillPath(true,false) StrokeAndFillPath(false,true) StrokeAndFillPath(true,true) "
              "SelectClipPath(1) EndPath() SaveDC() RestoreDC(-1) GDIComment(hello) "
              "ExtTextOut(40,50,0x2,40:50:90:70,WHi,A,2,[11 12]) ExtTextOut(60,70,0x2000,1:2:3:4,W,Aab,2,[1 2 3 4]) "
              "StretchDIBits(1,2,20,10,0,0,2,1,bits8,info40,0,0xcc0020)");
    const TPdfDCStackVar& state = device.DC();
    EXPECT_EQ(state.mapMode, Emf::MM_ANISOTROPIC);
    EXPECT_EQ(state.windowExt, (TPoint{300, 300}));
    EXPECT_EQ(state.viewportOrg, (TPoint{5, 6}));
    EXPECT_TRUE(state.opaque);
    EXPECT_EQ(state.textColor, 0x0000FF);
    EXPECT_TRUE(state.textAlign.Contains(peal_BASELINE));
    EXPECT_EQ(state.fontData.weight, 700);
    EXPECT_EQ(device.TextJustificationExtra(), 12);
    EXPECT_EQ(device.TextJustificationCount(), 3);
}

TEST(PdfEmfPlayer, StockObjectsPalettesAndBrushStylesGoThroughTheHandleMap)
{
    const std::vector<std::uint8_t> data = Metafile([&](TEmfWriter& w) {
        w.Record(EMR_SELECTOBJECT, {static_cast<std::int32_t>(EmfStockObject | Emf::NULL_BRUSH)});
        w.Record(EMR_RECTANGLE, {0, 0, 1, 1});
        // A brush style beyond GDI's four draws solid; an index past the map creates nothing.
        WriteEmfBrush(w, TEmfBrush{1, 9, 0x00FF00, 0});
        WriteEmfBrush(w, TEmfBrush{4, Emf::BS_SOLID, 0x0000FF, 0});
        WriteEmfBrush(w, TEmfBrush{5, Emf::BS_SOLID, 0xFF0000, 0});
        w.Record(EMR_SELECTOBJECT, {5});
        w.Record(EMR_RECTANGLE, {0, 0, 2, 2});
        w.Record(EMR_SELECTOBJECT, {1});
        w.Record(EMR_RECTANGLE, {0, 0, 3, 3});
        w.Record(EMR_SELECTOBJECT, {4});
        w.Record(EMR_RECTANGLE, {0, 0, 4, 4});
        // A deleted index names nothing any more.
        w.Record(EMR_DELETEOBJECT, {1});
        w.Record(EMR_SELECTOBJECT, {1});
        w.Record(EMR_RECTANGLE, {0, 0, 5, 5});
        w.Record(EMR_SELECTOBJECT, {static_cast<std::int32_t>(EmfStockObject | 99)});
        w.Begin(EMR_CREATEPALETTE);
        w.U32(2);
        w.U16(0x300);
        w.U16(2);
        w.U32(0x112233);
        w.U32(0x445566);
        w.End();
        w.Record(EMR_SELECTPALETTE, {2});
        w.Record(EMR_REALIZEPALETTE, {});
    });
    TRecordingDevice device;
    EXPECT_EQ(Played(device, data), "brush(1,0xffffff,0) Rectangle(0,0,1,1) Rectangle(0,0,2,2) brush(0,0xff00,0) "
                                    "Rectangle(0,0,3,3) brush(0,0xff,0) Rectangle(0,0,4,4) Rectangle(0,0,5,5)");
    const auto* palette = dynamic_cast<const TPdfDvPalette*>(device.Objects().GetObjects(device.DC().paletteHandle));
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->entries, (std::vector<std::uint32_t>{0x112233, 0x445566}));
}

TEST(PdfEmfPlayer, PolyPolygonsFillAsOnePathAndPolyPolylinesStayOpen)
{
    const std::vector<std::vector<TPoint>> square = {{{0, 0}, {9, 0}, {9, 9}}, {{3, 3}, {6, 3}, {6, 6}}};
    const std::string parts = "Polygon([0:0 9:0 9:9]) Polygon([3:3 6:3 6:6]) CloseFigure() EndPath() ";
    // Both polygon records fill the holes the inner parts cut.
    EXPECT_EQ(Played(Metafile([&](TEmfWriter& w) { PolyPoly(w, EMR_POLYPOLYGON16, square); })),
              parts + "StrokeAndFillPath(true,true)");
    EXPECT_EQ(Played(Metafile([&](TEmfWriter& w) { PolyPoly(w, EMR_POLYPOLYGON, square, true); })),
              parts + "StrokeAndFillPath(true,true)");
    // Polylines are stroked as drawn, with no closing segment.
    EXPECT_EQ(Played(Metafile([&](TEmfWriter& w) { PolyPoly(w, EMR_POLYPOLYLINE16, square); })),
              "Polyline([0:0 9:0 9:9],false) Polyline([3:3 6:3 6:6],false) EndPath() StrokeAndFillPath(true,false)");
    // Inside a path of the metafile's own the parts become part of it.
    EXPECT_EQ(Played(Metafile([&](TEmfWriter& w) {
                  w.Record(EMR_BEGINPATH, {});
                  PolyPoly(w, EMR_POLYPOLYGON16, square);
              })),
              "Polygon([0:0 9:0 9:9]) Polygon([3:3 6:3 6:6]) CloseFigure() EndPath() CloseFigure()");
}

TEST(PdfEmfPlayer, BitBlocksDrawTheirSourceOnlyWhenThePictureIsACopy)
{
    const TDib rgb = Dib(30, 40, 24, 0);
    const TDib paletted = Dib(8, 4, 8, 256);
    EXPECT_EQ(Played(Metafile([&](TEmfWriter& w) {
                  Blt(w, EMR_BITBLT, WHITENESS, {}, 0);
                  Blt(w, EMR_BITBLT, SRCCOPY, rgb, Emf::DIB_RGB_COLORS, TPoint{3, 4});
                  // A mask drawn as an opaque picture would hide what lies below it.
                  Blt(w, EMR_BITBLT, SRCAND, rgb, Emf::DIB_RGB_COLORS);
                  Blt(w, EMR_BITBLT, SRCPAINT, rgb, Emf::DIB_RGB_COLORS);
                  Blt(w, EMR_STRETCHBLT, SRCCOPY, paletted, Emf::DIB_RGB_COLORS, TPoint{1, 2}, TSize{6, 3});
                  Blt(w, EMR_STRETCHBLT, SRCCOPY, paletted, DIB_PAL_COLORS, TPoint{0, 0}, TSize{8, 4});
                  Blt(w, EMR_STRETCHBLT, BLACKNESS, {}, 0);
              })),
              "BitBlt(10,20,30,40,0xff0062) "
              "StretchDIBits(10,20,30,40,3,4,30,40,bits3680,info40,0,0xcc0020) "
              "StretchDIBits(10,20,30,40,1,2,6,3,bits32,info1064,0,0xcc0020) "
              "StretchDIBits(10,20,30,40,0,0,8,4,bits32,info1064,1,0xcc0020) BitBlt(10,20,30,40,0x42)");
}

TEST(PdfEmfPlayer, AFailingStretchBltBitmapIsPassedOverAndOtherFailuresReachTheCaller)
{
    const TDib dib = Dib(2, 2, 24, 0);
    TRecordingDevice device;
    device.failOn = "StretchDIBits";
    device.PlayEnhMetaFile(Metafile([&](TEmfWriter& w) {
                               Blt(w, EMR_STRETCHBLT, SRCCOPY, dib, 0, TPoint{}, TSize{2, 2});
                               w.Record(EMR_RECTANGLE, {1, 2, 3, 4});
                           }),
                           0, 0, 0, 0, false, 0, 0);
    EXPECT_NE(device.Calls().find("Rectangle(1,2,3,4)"), std::string::npos);

    // Any other failure ends the walk; the values the metafile changed come back.
    TRecordingDevice failing;
    failing.failOn = "Rectangle";
    failing.DCStack().SetUnitsPerInch(300, 200);
    failing.DCStack().SetBaseMatrix(TPdfXForm{0.24f, 0, 0, 0.36f, 1, 2});
    failing.DCStack().SetFrameOffset(TPoint{7, 8});
    failing.DCStack().SetFrameScale(1.5, 2.5);
    failing.SetDeviceResolution(300, 200);
    failing.SetWorldChanged(false);
    const std::vector<std::uint8_t> data = Metafile([&](TEmfWriter& w) {
        w.Record(EMR_RECTANGLE, {1, 2, 3, 4});
        w.Record(EMR_ELLIPSE, {1, 2, 3, 4});
    });
    EXPECT_EQ(RaisedMessage<Exception>([&] { failing.PlayEnhMetaFile(data, 0, 0, 0, 0, false, 0, 0); }),
              "Rectangle failed");
    EXPECT_EQ(failing.Calls().find("Ellipse"), std::string::npos);
    EXPECT_EQ(failing.openUnitsX, 100);
    EXPECT_EQ(failing.DCStack().UnitsPerInchX(), 300);
    EXPECT_EQ(failing.DCStack().UnitsPerInchY(), 200);
    EXPECT_EQ(failing.DCStack().BaseMatrix(), (TPdfXForm{0.24f, 0, 0, 0.36f, 1, 2}));
    EXPECT_EQ(failing.DCStack().FrameOffset(), (TPoint{7, 8}));
    EXPECT_EQ(failing.DCStack().FrameScaleX(), 1.5);
    EXPECT_EQ(failing.DCStack().FrameScaleY(), 2.5);
    EXPECT_EQ(failing.ResolutionX(), 300);
    EXPECT_EQ(failing.ResolutionY(), 200);
    EXPECT_TRUE(failing.WorldChanged());
}

TEST(PdfEmfPlayer, ANonMetafileIsRefusedWithTheValuesKept)
{
    TEmfBuilder builder;
    std::vector<std::uint8_t> wrongType = builder.Bytes();
    PutU32(wrongType.data(), EMR_EOF);
    std::vector<std::uint8_t> wrongSignature = builder.Bytes();
    PutU32(wrongSignature.data() + 40, 0x12345678);
    std::vector<std::uint8_t> headerPastEnd = builder.Bytes();
    PutU32(headerPastEnd.data() + 4, 4000);
    const std::vector<std::uint8_t> tooShort = {1, 0, 0, 0, 88};
    for (const auto& data : {wrongType, wrongSignature, headerPastEnd, tooShort}) {
        TRecordingDevice device;
        device.DCStack().SetUnitsPerInch(300, 300);
        EXPECT_EQ(RaisedMessage<Exception>([&] { device.PlayEnhMetaFile(data, 0, 0, 0, 0, false, 0, 0); }),
                  "This is not an enhanced metafile");
        EXPECT_EQ(device.Calls(), "");
        EXPECT_EQ(device.DCStack().UnitsPerInchX(), 300);
    }
    TRecordingDevice device;
    EXPECT_FALSE(device.PlayEnhMetaFile({}, 0, 0, 0, 0, false, 0, 0));
    EXPECT_EQ(device.Calls(), "");
}

TEST(PdfEmfPlayer, FitsTheFrameWithAndWithoutBounds)
{
    TEmfBuilder builder;
    builder.header.Frame = TRect{254, 508, 2540, 2540};
    builder.records.Record(EMR_RECTANGLE, {1, 2, 3, 4});
    TRecordingDevice device;
    // The frame's own size at the header's 100 pixels per inch.
    EXPECT_TRUE(device.PlayEnhMetaFile(builder.Bytes(), 0, 0, 0, 0, false, 0, 0));
    EXPECT_EQ(device.calls.front(), "CheckOpenPage(100,100,100,100)");
    ExpectXForm(device.openBase, {0.72, 0, 0, 0.72, 0, 0});
    EXPECT_EQ(device.openFrameOffset, (TPoint{-10, -20}));
    EXPECT_EQ(device.openViewportExt, (TPoint{100, 100}));
    EXPECT_EQ(device.openUnitsY, 100);

    // Twice the frame's width and height at (36, 18) of a 72-dpi page: frame scale 2, offset by x and y.
    builder.header.Frame = TRect{0, 0, 2540, 1270};
    TRecordingDevice doubled;
    doubled.PlayEnhMetaFile(builder.Bytes(), 36, 18, 144, 72, false, 0, 0);
    EXPECT_EQ(doubled.calls.front(), "CheckOpenPage(250,125,100,100)");
    EXPECT_EQ(doubled.openFrameScaleX, 2);
    EXPECT_EQ(doubled.openFrameScaleY, 2);
    ExpectXForm(doubled.openBase, {1.44, 0, 0, 1.44, 25.92, 12.96});

    // A resolution given wins over the header's.
    TRecordingDevice given;
    given.PlayEnhMetaFile(builder.Bytes(), 0, 0, 0, 0, false, 200, 50);
    EXPECT_EQ(given.calls.front(), "CheckOpenPage(200,25,200,50)");

    // Without bounds: the header's millimetre resolution, or 96 when it has no millimetres.
    builder.header.Bounds = TRect{};
    TRecordingDevice unbounded;
    unbounded.PlayEnhMetaFile(builder.Bytes(), 10, 20, 0, 0, false, 300, 300);
    EXPECT_EQ(unbounded.calls.front(), "CheckOpenPage(2540,1270,100,100)");
    ExpectXForm(unbounded.openBase, {0.72, 0, 0, 0.72, 7.2, 14.4});
    builder.header.Millimeters = TSize{0, 254};
    TRecordingDevice noMillimeters;
    noMillimeters.PlayEnhMetaFile(builder.Bytes(), 0, 0, 0, 0, false, 0, 0);
    EXPECT_EQ(noMillimeters.calls.front(), "CheckOpenPage(2540,1270,96,96)");
    ExpectXForm(noMillimeters.openBase, {0.75, 0, 0, 0.75, 0, 0});

    // With bounds a zero millimetre size takes 96 too, instead of dividing by it.
    builder.header.Bounds = TRect{0, 0, 100, 100};
    builder.header.Millimeters = TSize{0, 0};
    TRecordingDevice boundedNoMillimeters;
    boundedNoMillimeters.PlayEnhMetaFile(builder.Bytes(), 0, 0, 0, 0, false, 0, 0);
    EXPECT_EQ(boundedNoMillimeters.calls.front(), "CheckOpenPage(96,48,96,96)");
    ExpectXForm(boundedNoMillimeters.openBase, {0.75, 0, 0, 0.75, 0, 0});
}

TEST(PdfEmfPlayer, HeaderOnlyOpensThePageAndPlaysNothing)
{
    TRecordingDevice device;
    device.pageOpens = false;
    EXPECT_FALSE(device.PlayEnhMetaFile(Metafile([](TEmfWriter& w) {
                                            w.Record(EMR_RECTANGLE, {1, 2, 3, 4});
                                        }),
                                        0, 0, 0, 0, true, 0, 0));
    EXPECT_EQ(device.Calls(), "CheckOpenPage(100,100,100,100)");
}

TEST(PdfEmfPlayer, TheWalkEndsAtEofOrAfterTheRecordsTheHeaderCounts)
{
    TEmfBuilder builder;
    builder.records.Record(EMR_RECTANGLE, {1, 1, 1, 1});
    WriteEmfEof(builder.records);
    builder.records.Record(EMR_RECTANGLE, {2, 2, 2, 2});
    EXPECT_EQ(Played(builder.Bytes()), "Rectangle(1,1,1,1)");

    // Without EOF, nRecords - 1 records follow the header.
    TEmfBuilder counted;
    counted.withEof = false;
    for (int i = 1; i <= 3; ++i)
        counted.records.Record(EMR_LINETO, {i, i});
    std::vector<std::uint8_t> data = counted.Bytes();
    PutU32(data.data() + 52, 3);
    EXPECT_EQ(Played(data), "LineTo(1,1) LineTo(2,2)");
}

TEST(PdfEmfPlayer, ClipRecordsActOnlyWithClipSupportAndAReplacedClipGetsItsOwnQ)
{
    const std::vector<std::uint8_t> data = Metafile([&](TEmfWriter& w) {
        w.Record(EMR_INTERSECTCLIPRECT, {1, 2, 3, 4});
        w.Record(EMR_EXCLUDECLIPRECT, {1, 2, 3, 4});
        w.Record(EMR_SAVEDC, {});
        w.Record(EMR_EXTSELECTCLIPRGN, {0, Emf::RGN_COPY});
        w.Record(EMR_RESTOREDC, {-1});
        w.Record(EMR_OFFSETCLIPRGN, {1, 1});
        ClipRegion(w, {TRect{5, 6, 7, 8}, TRect{9, 10, 11, 12}});
        w.Record(EMR_SAVEDC, {});
        w.Record(EMR_INTERSECTCLIPRECT, {20, 20, 30, 30});
        w.Record(EMR_RESTOREDC, {-1});
        ClipRegion(w, {TRect{0, 0, 1, 1}});
        // No region selection follows within this level: the clip ends with the level's own Q.
        w.Record(EMR_SAVEDC, {});
        w.Record(EMR_INTERSECTCLIPRECT, {40, 40, 50, 50});
        w.Record(EMR_RESTOREDC, {-1});
    });
    EXPECT_EQ(Played(data), "SaveDC() RestoreDC(-1) SaveDC() RestoreDC(-1) SaveDC() RestoreDC(-1)");

    TRecordingDevice device;
    device.SetModes({peClipRectSupport});
    EXPECT_EQ(Played(device, data),
              "q() SelectClipRGN(1,1:2:3:4,[]) SaveDC() Q() RestoreDC(-1) q() "
              "SelectClipRGN(5,5:6:7:8,[5:6:7:8 9:10:11:12]) SaveDC() "
              "SelectClipRGN(1,20:20:30:30,[]) RestoreDC(-1) Q() SelectClipRGN(5,0:0:1:1,[0:0:1:1]) "
              "SaveDC() SelectClipRGN(1,40:40:50:50,[]) RestoreDC(-1)");
}

// Each clip looks ahead for a region selection that would replace it; a page of clips without one
// must not walk the rest of the page again for each.
TEST(PdfEmfPlayer, ManyClipsWithoutARegionSelectionPlayInOneWalk)
{
    constexpr int clips = 50000;
    TRecordingDevice device;
    device.SetModes({peClipRectSupport});
    device.PlayEnhMetaFile(Metafile([&](TEmfWriter& w) {
                               for (int i = 0; i < clips; ++i)
                                   w.Record(EMR_INTERSECTCLIPRECT, {0, 0, i, i});
                           }),
                           0, 0, 0, 0, false, 0, 0);
    ASSERT_EQ(device.calls.size(), clips + 3u);
    EXPECT_EQ(device.calls[clips], "SelectClipRGN(1,0:0:49999:49999,[])");
}

// Each metafile is damaged in one way; playing it ends without raising, and what could be read
// around the damage is played.
TEST(PdfEmfPlayer, HostileMetafilesEndCleanly)
{
    const auto withRecords = [](const std::function<void(TEmfWriter&)>& write) {
        return Metafile([&](TEmfWriter& w) {
            w.Record(EMR_LINETO, {1, 1});
            write(w);
            w.Record(EMR_LINETO, {2, 2});
        });
    };
    const std::string start = "LineTo(1,1)";
    const std::string both = start + " LineTo(2,2)";
    const auto patched = [](std::vector<std::uint8_t> data, std::size_t at, std::uint32_t value) {
        PutU32(data.data() + at, value);
        return data;
    };
    // The record behind the first LINETO starts at byte 124.
    constexpr std::size_t second = EmfHeaderSize + 16;
    const std::vector<std::uint8_t> rectangle = withRecords([](TEmfWriter& w) {
        w.Record(EMR_RECTANGLE, {0, 0, 5, 5});
    });
    const std::vector<std::uint8_t> text = withRecords([](TEmfWriter& w) { TextA(w, {0, 0}, 0, "abc", {1, 2, 3}); });
    const TDib dib = Dib(2, 2, 8, 4);
    const std::vector<std::uint8_t> stretch = withRecords([&](TEmfWriter& w) {
        WriteEmfStretchDIBits(w, TEmfStretchDIBits{TRect{}, TPoint{}, TSize{2, 2}, TPoint{}, TSize{2, 2}, SRCCOPY,
                                                   TEmfDib{Emf::DIB_RGB_COLORS, dib.info, dib.bits}});
    });
    std::vector<std::uint8_t> unterminatedFace = withRecords([](TEmfWriter& w) {
        WriteEmfFont(w, TEmfFont{1, -10, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial"});
        w.Record(EMR_SELECTOBJECT, {1});
    });
    for (std::size_t i = 0; i < 32; ++i)
        PutU16(unterminatedFace.data() + second + 40 + 2 * i, 'A');
    TEmfBuilder unterminated;
    unterminated.withEof = false;
    unterminated.records.Record(EMR_LINETO, {1, 1});
    unterminated.records.Record(EMR_LINETO, {2, 2});
    const std::vector<std::uint8_t> withoutEof = unterminated.Bytes();

    struct TCase {
        const char* name;
        std::vector<std::uint8_t> data;
        std::string expected;
    };
    const TCase cases[] = {
        {"cut inside a record", std::vector<std::uint8_t>(rectangle.begin(), rectangle.begin() + second + 12), start},
        {"a record of size 0", patched(rectangle, second + 4, 0), start},
        {"a size that is no multiple of 4", patched(rectangle, second + 4, 26), start},
        {"a size past the end", patched(rectangle, second + 4, 0x7FFFFFF0), start},
        {"a rectangle record of 8 bytes", withRecords([](TEmfWriter& w) { w.Record(EMR_RECTANGLE, {}); }), both},
        {"no records counted", patched(rectangle, 52, 0), ""},
        {"every record counted, no EOF", patched(withoutEof, 52, 0xFFFFFFFF), both},
        {"a huge point count",
         patched(withRecords([](TEmfWriter& w) {
                     Poly(w, EMR_POLYGON16, {{1, 1}, {2, 2}});
                 }),
                 second + 24, 0x40000000),
         both},
        {"poly counts that do not add up",
         patched(withRecords([](TEmfWriter& w) {
                     PolyPoly(w, EMR_POLYPOLYGON16, {{{1, 1}}, {{2, 2}}});
                 }),
                 second + 32, 7),
         both},
        {"a huge poly count",
         patched(withRecords([](TEmfWriter& w) {
                     PolyPoly(w, EMR_POLYPOLYLINE, {{{1, 1}}}, true);
                 }),
                 second + 24, 0xFFFFFFFF),
         both},
        {"text past the end", patched(text, second + 48, 0xFFFFFFF0), both},
        {"spacing past the end", patched(text, second + 72, 200), both},
        {"a character count past the end", patched(text, second + 44, 1000), both},
        {"bits past the end", patched(stretch, second + 56, 4000), both},
        {"a bit length past the end", patched(stretch, second + 60, 0x7FFFFFFF), both},
        {"a colour table past its info", patched(stretch, second + 80 + 32, 300), both},
        {"palette entries past the end",
         patched(withRecords([](TEmfWriter& w) {
                     w.Record(EMR_CREATEPALETTE, {1, 0x00010300, 0});
                     w.Record(EMR_SELECTPALETTE, {1});
                 }),
                 second + 12, 0xFFFF0300),
         both},
        {"objects at indices outside the map", withRecords([](TEmfWriter& w) {
             WriteEmfPen(w, Pen(4, 9, 0x0000FF));
             WriteEmfPen(w, Pen(5, 9, 0x00FF00));
             WriteEmfPen(w, Pen(0xFFFFFFF, 9, 0x00FF00));
             w.Record(EMR_SELECTOBJECT, {5});
             w.Record(EMR_SELECTOBJECT, {0x7FFFFFFF});
             w.Record(EMR_DELETEOBJECT, {-2});
         }),
         both},
        {"a face name without its end", unterminatedFace,
         start + " font(" + std::string(32, 'A') + ",-10) LineTo(2,2)"},
        {"a region with more rectangles than data",
         patched(withRecords([](TEmfWriter& w) {
                     ClipRegion(w, {TRect{1, 1, 2, 2}});
                 }),
                 second + 16 + 8, 1000),
         both},
        {"a frame far off the page", patched(rectangle, 24, 0xE0000000), start + " Rectangle(0,0,5,5) LineTo(2,2)"},
        {"an unknown record type", patched(rectangle, second, 5000), both},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TRecordingDevice device;
        device.SetModes({peClipRectSupport});
        EXPECT_EQ(Played(device, c.data), c.expected);
    }
}
