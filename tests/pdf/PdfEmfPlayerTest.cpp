#include "EmfPlayerTestSupport.h"
#include "TestSupport.h"
#include "platform/core/LittleEndian.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <tuple>

namespace {

constexpr std::uint32_t SRCAND = 0x008800C6, SRCPAINT = 0x00EE0086, DIB_PAL_COLORS = 1;

// A 16-bit point as one 32-bit field.
constexpr std::int32_t P16(int x, int y)
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(y) << 16) | static_cast<std::uint16_t>(x));
}

std::int32_t Bits(float value) { return std::bit_cast<std::int32_t>(value); }

// A bottom-up DIB: its BITMAPINFO (header and grey colour table) and zero bits.
struct TDib {
    std::vector<std::uint8_t> info, bits;
};

TDib Dib(int width, int height, int bitCount, int colors)
{
    TEmfWriter w;
    w.Record(0, {40, width, height, 1 | bitCount << 16, 0, 0, 0, 0, colors, 0});
    for (int i = 0; i < colors; ++i)
        w.U32(static_cast<std::uint32_t>(0x010101 * i));
    return TDib{{w.Data().begin() + 8, w.Data().end()},
                std::vector<std::uint8_t>((width * bitCount + 31) / 32 * 4 * height)};
}

// BITBLT or STRETCHBLT to (10, 20) of 30 x 40, with a source when `dib` holds one.
void Blt(TEmfWriter& w, std::uint32_t type, std::uint32_t rop, const TDib& dib = {}, std::uint32_t usage = 0,
         TPoint source = {}, TSize sourceSize = {})
{
    const std::int32_t infoAt = type == EMR_STRETCHBLT ? 108 : 100;
    const auto infoSize = static_cast<std::int32_t>(dib.info.size());
    w.Begin(type);
    for (std::int32_t value : {0,
                               0,
                               0,
                               0,
                               10,
                               20,
                               30,
                               40,
                               static_cast<std::int32_t>(rop),
                               source.X,
                               source.Y,
                               Bits(1),
                               0,
                               0,
                               Bits(1),
                               0,
                               0,
                               0,
                               static_cast<std::int32_t>(usage),
                               infoSize ? infoAt : 0,
                               infoSize,
                               infoSize ? infoAt + infoSize : 0,
                               static_cast<std::int32_t>(dib.bits.size())})
        w.I32(value);
    if (type == EMR_STRETCHBLT) {
        w.I32(sourceSize.cx);
        w.I32(sourceSize.cy);
    }
    w.Bytes(dib.info);
    w.Bytes(dib.bits);
    w.End();
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
    EXPECT_TRUE(calls.size() >= 3 && calls.front() == "CheckOpenPage(100,100,100,100)" &&
                calls[calls.size() - 2] == "PSEndCurrentGraphic()" && calls.back() == "CheckCloseOpenPage(true)")
        << device.Calls();
    return device.Drawn();
}

std::string Played(std::span<const std::uint8_t> data)
{
    TRecordingDevice device;
    device.SetModes({peClipRectSupport});
    return Played(device, data);
}

const std::vector<std::int32_t> Square16 = {0, 0,         0,         0,         2,         6,         3,
                                            3, P16(0, 0), P16(9, 0), P16(9, 9), P16(3, 3), P16(6, 3), P16(6, 6)};

} // namespace

TEST(PdfEmfPlayer, EveryActedOnRecordReachesItsOperationWithObjectsThroughTheHandleMap)
{
    const TDib dib = Dib(2, 1, 24, 0);
    const std::vector<std::uint8_t> data = Metafile([&](TEmfWriter& w) {
        w.Record(EMR_SETMAPMODE, {Emf::MM_ANISOTROPIC});
        w.Record(EMR_SETWINDOWEXTEX, {300, 300});
        w.Record(EMR_SETBKMODE, {Emf::OPAQUE});
        w.Record(EMR_SETTEXTCOLOR, {0x0000FF});
        w.Record(EMR_SETMAPPERFLAGS, {1});
        w.Record(EMR_SETWINDOWORGEX, {7, 8});
        w.Record(EMR_SETVIEWPORTEXTEX, {600, 300});
        w.Record(EMR_SCALEVIEWPORTEXTEX, {1, 2, 1, 3});
        w.Record(EMR_SCALEWINDOWEXTEX, {2, 1, 1, 1});
        w.Record(EMR_SETVIEWPORTORGEX, {5, 6});
        w.Record(EMR_SETBRUSHORGEX, {3, 4});
        w.Record(EMR_SETPOLYFILLMODE, {2});
        w.Record(EMR_SETROP2, {7});
        w.Record(EMR_SETTEXTALIGN, {24});
        w.Record(EMR_SETBKCOLOR, {0x00FF00});
        w.Record(EMR_SETARCDIRECTION, {2});
        w.Record(EMR_SETWORLDTRANSFORM, {Bits(1), 0, 0, Bits(1), Bits(10), Bits(20)});
        w.Record(EMR_MODIFYWORLDTRANSFORM, {Bits(2), 0, 0, Bits(2), 0, 0, 2});
        WriteEmfPen(w, TEmfPen{1, Emf::PS_SOLID, 7, 0x00FF00, Emf::BS_SOLID, 0, {}});
        // A brush style beyond GDI's four draws solid; an index outside the map creates nothing.
        WriteEmfBrush(w, TEmfBrush{2, Emf::BS_HATCHED, 0x0000FF, Emf::HS_CROSS});
        WriteEmfBrush(w, TEmfBrush{3, 9, 0x00FF00, 0});
        WriteEmfBrush(w, TEmfBrush{5, Emf::BS_SOLID, 0xFF0000, 0});
        WriteEmfFont(w, TEmfFont{4, -50, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial"});
        for (int index : {1, 2, 4})
            w.Record(EMR_SELECTOBJECT, {index});
        w.Record(EMR_MOVETOEX, {1, 2});
        w.Record(EMR_LINETO, {3, 4});
        w.Record(EMR_RECTANGLE, {1, 2, 3, 4});
        w.Record(EMR_ELLIPSE, {5, 6, 7, 8});
        w.Record(EMR_ROUNDRECT, {1, 2, 3, 4, 5, 6});
        for (std::uint32_t type : {EMR_ARC, EMR_ARCTO, EMR_CHORD, EMR_PIE})
            w.Record(type, {0, 0, 10, 10, 1, 2, 3, 4});
        w.Record(EMR_SETPIXELV, {9, 8, 0x123456});
        w.Record(EMR_ANGLEARC, {5, 6, 7, Bits(30), Bits(-90.5f)});
        w.Record(EMR_SELECTOBJECT, {3});
        w.Record(EMR_POLYGON, {0, 0, 0, 0, 3, 1, 2, 3, 4, 5, 6});
        w.Record(EMR_POLYLINE16, {0, 0, 0, 0, 2, P16(1, 1), P16(2, -2)});
        w.Record(EMR_POLYBEZIERTO, {0, 0, 0, 0, 1, 7, 7});
        w.Record(EMR_POLYLINETO16, {0, 0, 0, 0, 1, P16(8, 8)});
        w.Record(EMR_POLYDRAW, {0, 0, 0, 0, 2, 1, 2, 3, 4, 6 | 3 << 8});
        w.Record(EMR_POLYPOLYLINE, {0, 0, 0, 0, 2, 3, 1, 2, 0, 0, 1, 1, 2, 2});
        w.Record(EMR_SELECTOBJECT, {static_cast<std::int32_t>(EmfStockObject | Emf::NULL_BRUSH)});
        for (std::uint32_t type : {EMR_BEGINPATH, EMR_CLOSEFIGURE, EMR_ENDPATH, EMR_STROKEPATH, EMR_FILLPATH,
                                   EMR_STROKEANDFILLPATH, EMR_ABORTPATH, EMR_SAVEDC})
            w.Record(type, {0, 0, 0, 0});
        w.Record(EMR_SELECTCLIPPATH, {1});
        w.Record(EMR_RESTOREDC, {-1});
        w.Record(EMR_GDICOMMENT, {5, 'h' | 'e' << 8 | 'l' << 16 | 'l' << 24, 'o'});
        WriteEmfTextW(w, TEmfText{TRect{},
                                  Emf::GM_COMPATIBLE,
                                  1,
                                  1,
                                  TPoint{40, 50},
                                  Emf::ETO_OPAQUE,
                                  TRect{40, 50, 90, 70},
                                  u"Hi",
                                  {11, 12}});
        // 8-bit text at (60, 70) with a dx and a dy per character.
        w.Record(EMR_EXTTEXTOUTA, {0, 0,  0,  0, 1,  0,
                                   0, 60, 70, 2, 76, static_cast<std::int32_t>(Emf::ETO_PDY),
                                   1, 2,  3,  4, 80, 'a' | 'b' << 8,
                                   1, 2,  3,  4});
        WriteEmfStretchDIBits(w, TEmfStretchDIBits{TRect{}, TPoint{1, 2}, TSize{20, 10}, TPoint{0, 0}, TSize{2, 1},
                                                   SRCCOPY, TEmfDib{Emf::DIB_RGB_COLORS, dib.info, dib.bits}});
        w.Record(EMR_CREATEPALETTE, {2, 0x00020300, 0x112233, 0x445566});
        w.Record(EMR_SELECTPALETTE, {2});
        w.Record(EMR_SETTEXTJUSTIFICATION, {12, 3});
        // A deleted index names nothing any more.
        w.Record(EMR_DELETEOBJECT, {1});
        w.Record(EMR_SELECTOBJECT, {static_cast<std::int32_t>(EmfStockObject | Emf::BLACK_PEN)});
        w.Record(EMR_SELECTOBJECT, {1});
        w.Record(EMR_SELECTOBJECT, {5});
        w.Record(EMR_LINETO, {5, 5});
    });
    TRecordingDevice device;
    EXPECT_EQ(
        Played(device, data),
        "MoveToEx(1,2) pen(0,7,0xff00) brush(2,0xff,4) font(Arial,-50) LineTo(3,4) Rectangle(1,2,3,4) "
        "Ellipse(5,6,7,8) RoundRect(1,2,3,4,5,6) Arc(0:0:10:10,1:2,3:4,false) Arc(0:0:10:10,1:2,3:4,true) "
        "Chord(0:0:10:10,1:2,3:4) Pie(0:0:10:10,1:2,3:4) SetPixelV(9,8,1193046) AngleArc(5,6,7,30,-90.5) "
        "brush(0,0xff00,0) Polygon([1:2 3:4 5:6]) Polyline([1:1 2:-2],false) PolyBezier([7:7],true) "
        "Polyline([8:8],true) PolyDraw([1:2 3:4],[6 3]) Polyline([0:0],false) Polyline([1:1 2:2],false) "
        "CloseFigure() EndPath() brush(1,0xffffff,0) StrokeAndFillPath(true,false) "
        "StrokeAndFillPath(false,true) StrokeAndFillPath(true,true) EndPath() SaveDC() SelectClipPath(1) "
        "RestoreDC(-1) GDIComment(hello) ExtTextOut(40,50,0x2,40:50:90:70,WHi,A,2,[11 12]) "
        "ExtTextOut(60,70,0x2000,1:2:3:4,W,Aab,2,[1 2 3 4]) StretchDIBits(1,2,20,10,0,0,2,1,bits8,info40,0,0xcc0020) "
        "pen(0,1,0x0) LineTo(5,5)");
    const TPdfDCStackVar& state = device.DC();
    EXPECT_EQ(state.mapMode, Emf::MM_ANISOTROPIC);
    EXPECT_EQ(std::tuple(state.windowExt, state.windowOrg, state.viewportExt, state.viewportOrg, state.brushOrg),
              std::tuple(TPoint{600, 300}, TPoint{7, 8}, TPoint{300, 100}, TPoint{5, 6}, TPoint{3, 4}));
    EXPECT_EQ(state.world, (TPdfXForm{2, 0, 0, 2, 10, 20}));
    EXPECT_TRUE(state.opaque && state.winding && state.clockwiseArcs && state.textAlign.Contains(peal_BASELINE));
    EXPECT_EQ(std::tuple(state.rop2, state.bkColor), std::tuple(7, 0x00FF00));
    EXPECT_EQ(state.textColor, 0x0000FF);
    EXPECT_EQ(state.fontData.weight, 700);
    EXPECT_EQ(device.TextJustificationCount(), 3);
    const auto* palette = dynamic_cast<const TPdfDvPalette*>(device.Objects().GetObjects(state.paletteHandle));
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->entries, (std::vector<std::uint32_t>{0x112233, 0x445566}));
}

TEST(PdfEmfPlayer, PolyPolygonsFillAsOnePathAndPolyPolylinesStayOpen)
{
    std::vector<std::int32_t> square32 = {0, 0, 0, 0, 2, 6, 3, 3, 0, 0, 9, 0, 9, 9, 3, 3, 6, 3, 6, 6};
    const std::string parts = "Polygon([0:0 9:0 9:9]) Polygon([3:3 6:3 6:6]) CloseFigure() EndPath() ";
    // Both polygon records fill as one path, so that the inner parts cut holes.
    for (const auto& [type, fields] : {std::pair{EMR_POLYPOLYGON16, Square16}, {EMR_POLYPOLYGON, square32}}) {
        const std::vector<std::uint8_t> data = Metafile([&](TEmfWriter& w) {
            w.Begin(type);
            for (std::int32_t value : fields)
                w.I32(value);
            w.End();
        });
        EXPECT_EQ(Played(data), parts + "StrokeAndFillPath(true,true)");
    }
    // Polylines are stroked as drawn, with no closing segment; inside the metafile's own path the
    // parts join it.
    EXPECT_EQ(Played(Metafile([&](TEmfWriter& w) {
                  w.Begin(EMR_POLYPOLYLINE16);
                  for (std::int32_t value : Square16)
                      w.I32(value);
                  w.End();
                  w.Record(EMR_BEGINPATH, {});
                  w.Begin(EMR_POLYPOLYGON16);
                  for (std::int32_t value : Square16)
                      w.I32(value);
                  w.End();
              })),
              "Polyline([0:0 9:0 9:9],false) Polyline([3:3 6:3 6:6],false) EndPath() StrokeAndFillPath(true,false) " +
                  parts + "CloseFigure()");
}

TEST(PdfEmfPlayer, BitBlocksDrawTheirSourceOnlyWhenThePictureIsACopy)
{
    const TDib rgb = Dib(30, 40, 24, 0);
    const TDib paletted = Dib(8, 4, 8, 256);
    EXPECT_EQ(Played(Metafile([&](TEmfWriter& w) {
                  Blt(w, EMR_BITBLT, WHITENESS);
                  Blt(w, EMR_BITBLT, SRCCOPY, rgb, Emf::DIB_RGB_COLORS, TPoint{3, 4});
                  // A mask drawn as an opaque picture would hide what lies below it.
                  Blt(w, EMR_BITBLT, SRCAND, rgb);
                  Blt(w, EMR_BITBLT, SRCPAINT, rgb);
                  Blt(w, EMR_STRETCHBLT, SRCCOPY, paletted, Emf::DIB_RGB_COLORS, TPoint{1, 2}, TSize{6, 3});
                  Blt(w, EMR_STRETCHBLT, SRCCOPY, paletted, DIB_PAL_COLORS, TPoint{0, 0}, TSize{8, 4});
                  Blt(w, EMR_STRETCHBLT, BLACKNESS);
              })),
              "BitBlt(10,20,30,40,0xff0062) StretchDIBits(10,20,30,40,3,4,30,40,bits3680,info40,0,0xcc0020) "
              "StretchDIBits(10,20,30,40,1,2,6,3,bits32,info1064,0,0xcc0020) "
              "StretchDIBits(10,20,30,40,0,0,8,4,bits32,info1064,1,0xcc0020) BitBlt(10,20,30,40,0x42)");
}

TEST(PdfEmfPlayer, AFailureEndsTheWalkWithTheDeviceValuesRestoredUnlessAStretchBltBitmapFails)
{
    const TDib dib = Dib(2, 2, 24, 0);
    const std::vector<std::uint8_t> data = Metafile([&](TEmfWriter& w) {
        Blt(w, EMR_STRETCHBLT, SRCCOPY, dib, 0, TPoint{}, TSize{2, 2});
        w.Record(EMR_RECTANGLE, {1, 2, 3, 4});
        w.Record(EMR_ELLIPSE, {1, 2, 3, 4});
    });
    TRecordingDevice device;
    device.failOn = "StretchDIBits";
    device.PlayEnhMetaFile(data, 0, 0, 0, 0, false, 0, 0);
    EXPECT_NE(device.Calls().find("Ellipse(1,2,3,4)"), std::string::npos);

    std::vector<std::uint8_t> notEmf = data, wrongSignature = data, headerPastEnd = data;
    PutU32(notEmf.data(), EMR_EOF);
    PutU32(wrongSignature.data() + 40, 0x12345678);
    PutU32(headerPastEnd.data() + 4, 4000);
    for (const auto& [bytes, message] :
         {std::pair{data, "Rectangle failed"},
          {notEmf, "This is not an enhanced metafile"},
          {wrongSignature, "This is not an enhanced metafile"},
          {headerPastEnd, "This is not an enhanced metafile"},
          {std::vector<std::uint8_t>{1, 0, 0, 0, 88}, "This is not an enhanced metafile"}}) {
        TRecordingDevice failing;
        failing.failOn = "Rectangle";
        TPdfDCStack& stack = failing.DCStack();
        stack.SetUnitsPerInch(300, 200);
        stack.SetBaseMatrix(TPdfXForm{0.24f, 0, 0, 0.36f, 1, 2});
        stack.SetFrameOffset(TPoint{7, 8});
        stack.SetFrameScale(1.5, 2.5);
        failing.SetDeviceResolution(300, 200);
        failing.SetWorldChanged(false);
        EXPECT_EQ(RaisedMessage<Exception>([&] { failing.PlayEnhMetaFile(bytes, 0, 0, 0, 0, false, 0, 0); }), message);
        EXPECT_EQ(failing.Calls().find("Ellipse"), std::string::npos);
        EXPECT_EQ(std::tuple(stack.UnitsPerInchX(), stack.UnitsPerInchY(), stack.FrameScaleX(), stack.FrameScaleY(),
                             failing.ResolutionX(), failing.ResolutionY()),
                  std::tuple(300.0, 200.0, 1.5, 2.5, 300, 200));
        EXPECT_EQ(stack.BaseMatrix(), (TPdfXForm{0.24f, 0, 0, 0.36f, 1, 2}));
        EXPECT_EQ(stack.FrameOffset(), (TPoint{7, 8}));
        EXPECT_TRUE(failing.WorldChanged());
    }
    EXPECT_FALSE(device.PlayEnhMetaFile({}, 0, 0, 0, 0, false, 0, 0));
}

TEST(PdfEmfPlayer, FitsTheFrameWithAndWithoutBounds)
{
    TEmfBuilder builder;
    builder.header.Frame = TRect{254, 508, 2540, 1270};
    const auto play = [&](int x, int y, int width, int height, int resolutionX, int resolutionY) {
        TRecordingDevice device;
        device.PlayEnhMetaFile(builder.Bytes(), x, y, width, height, false, resolutionX, resolutionY);
        return device.calls.front() + " " + device.fitting;
    };
    // The frame's own size at the header's 100 pixels per inch; a resolution given wins over it.
    EXPECT_EQ(play(0, 0, 0, 0, 0, 0), "CheckOpenPage(100,50,100,100) 0.72,0.72,0,0,1,1,-10:-20,100,100,100:100");
    EXPECT_EQ(play(0, 0, 0, 0, 200, 50), "CheckOpenPage(200,25,200,50) 0.36,1.44,0,0,1,1,-20:-10,200,50,200:50");
    // Twice the frame's size at (36, 18) of the 72-dpi page: frame scale 2, offset by x and y.
    builder.header.Frame = TRect{0, 0, 2540, 1270};
    EXPECT_EQ(play(36, 18, 144, 72, 0, 0), "CheckOpenPage(250,125,100,100) 1.44,1.44,36,18,2,2,0:0,100,100,100:100");
    // Without bounds: the header's millimetre resolution, or 96 when a millimetre size is 0; the
    // place is still in points of the 72-dpi page.
    builder.header.Bounds = TRect{};
    EXPECT_EQ(play(10, 20, 0, 0, 300, 300), "CheckOpenPage(2540,1270,100,100) 0.72,0.72,10,20,1,1,0:0,100,100,100:100");
    builder.header.Millimeters = TSize{0, 254};
    EXPECT_EQ(play(0, 0, 0, 0, 0, 0), "CheckOpenPage(2540,1270,96,96) 0.75,0.75,0,0,1,1,0:0,96,96,96:96");
    // With bounds as well, instead of dividing by it.
    builder.header.Bounds = TRect{0, 0, 100, 100};
    EXPECT_EQ(play(0, 0, 0, 0, 0, 0), "CheckOpenPage(96,50,96,100) 0.75,0.72,0,0,1,1,0:0,96,100,96:100");
}

TEST(PdfEmfPlayer, TheWalkEndsAtEofOrAfterTheCountedRecordsAndNotAtAllForTheHeaderOnly)
{
    TEmfBuilder builder;
    builder.records.Record(EMR_LINETO, {1, 1});
    WriteEmfEof(builder.records);
    builder.records.Record(EMR_LINETO, {2, 2});
    EXPECT_EQ(Played(builder.Bytes()), "LineTo(1,1)");
    TRecordingDevice headerOnly;
    headerOnly.pageOpens = false;
    EXPECT_FALSE(headerOnly.PlayEnhMetaFile(builder.Bytes(), 0, 0, 0, 0, true, 0, 0));
    EXPECT_EQ(headerOnly.Calls(), "CheckOpenPage(100,100,100,100)");

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
        w.Record(EMR_EXTSELECTCLIPRGN, {64, Emf::RGN_COPY, 32, 1, 2, 32, 5, 6, 11, 12, 5, 6, 7, 8, 9, 10, 11, 12});
        w.Record(EMR_SAVEDC, {});
        w.Record(EMR_INTERSECTCLIPRECT, {20, 20, 30, 30});
        w.Record(EMR_RESTOREDC, {-1});
        w.Record(EMR_EXTSELECTCLIPRGN, {48, Emf::RGN_COPY, 32, 1, 1, 16, 0, 0, 1, 1, 0, 0, 1, 1});
        // No region selection follows within this level: the clip ends with the level's own Q.
        w.Record(EMR_SAVEDC, {});
        w.Record(EMR_INTERSECTCLIPRECT, {40, 40, 50, 50});
        w.Record(EMR_RESTOREDC, {-1});
    });
    TRecordingDevice device;
    EXPECT_EQ(Played(device, data), "SaveDC() RestoreDC(-1) SaveDC() RestoreDC(-1) SaveDC() RestoreDC(-1)");
    EXPECT_EQ(Played(data), "q() SelectClipRGN(1,1:2:3:4,[]) SaveDC() Q() RestoreDC(-1) q() "
                            "SelectClipRGN(5,5:6:11:12,[5:6:7:8 9:10:11:12]) SaveDC() SelectClipRGN(1,20:20:30:30,[]) "
                            "RestoreDC(-1) Q() SelectClipRGN(5,0:0:1:1,[0:0:1:1]) SaveDC() "
                            "SelectClipRGN(1,40:40:50:50,[]) RestoreDC(-1)");

    // Each clip looks ahead for a region selection; a page of clips without one is walked once, not
    // once per clip.
    const std::vector<std::uint8_t> clips = Metafile([&](TEmfWriter& w) {
        for (int i = 0; i < 50000; ++i)
            w.Record(EMR_INTERSECTCLIPRECT, {0, 0, i, i});
    });
    TRecordingDevice clipping;
    clipping.SetModes({peClipRectSupport});
    Played(clipping, clips);
    EXPECT_EQ(clipping.calls.size(), 50003u);
}

// Each metafile is damaged in one way; playing it ends without raising, and what could be read
// around the damage is played.
TEST(PdfEmfPlayer, HostileMetafilesEndCleanly)
{
    const auto around = [](std::initializer_list<std::int32_t> fields, std::uint32_t type = EMR_RECTANGLE) {
        return Metafile([&](TEmfWriter& w) {
            w.Record(EMR_LINETO, {1, 1});
            w.Record(type, fields);
            w.Record(EMR_LINETO, {2, 2});
        });
    };
    const auto patched = [](std::vector<std::uint8_t> data, std::size_t at, std::uint32_t value) {
        PutU32(data.data() + at, value);
        return data;
    };
    const std::string start = "LineTo(1,1)", both = "LineTo(1,1) LineTo(2,2)";
    constexpr std::size_t second = EmfHeaderSize + 16; // where the damaged record starts
    const std::vector<std::uint8_t> rectangle = around({0, 0, 5, 5});
    const std::vector<std::uint8_t> text =
        around({0, 0, 0, 0, 1, 0, 0, 0, 0, 3, 76, 0, 0, 0, 0, 0, 80, 'a', 1, 2, 3}, EMR_EXTTEXTOUTA);
    const TDib dib = Dib(2, 2, 8, 4);
    const std::vector<std::uint8_t> stretch = Metafile([&](TEmfWriter& w) {
        w.Record(EMR_LINETO, {1, 1});
        WriteEmfStretchDIBits(w, TEmfStretchDIBits{TRect{}, TPoint{}, TSize{2, 2}, TPoint{}, TSize{2, 2}, SRCCOPY,
                                                   TEmfDib{Emf::DIB_RGB_COLORS, dib.info, dib.bits}});
        w.Record(EMR_LINETO, {2, 2});
    });
    std::vector<std::uint8_t> longFace = Metafile([](TEmfWriter& w) {
        w.Record(EMR_LINETO, {1, 1});
        WriteEmfFont(w, TEmfFont{1, -10, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial"});
        w.Record(EMR_SELECTOBJECT, {1});
        w.Record(EMR_LINETO, {2, 2});
    });
    for (std::size_t i = 0; i < 32; ++i)
        PutU16(longFace.data() + second + 40 + 2 * i, 'A');
    TEmfBuilder unterminated;
    unterminated.withEof = false;
    unterminated.records.Record(EMR_LINETO, {1, 1});
    unterminated.records.Record(EMR_LINETO, {2, 2});

    const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
        // Records that end the walk: cut off, of size 0, unaligned, past the end; no records counted.
        {std::vector<std::uint8_t>(rectangle.begin(), rectangle.begin() + second + 12), start},
        {patched(rectangle, second + 4, 0), start},
        {patched(rectangle, second + 4, 26), start},
        {patched(rectangle, second + 4, 0x7FFFFFF0), start},
        {patched(rectangle, 52, 0), ""},
        {patched(unterminated.Bytes(), 52, 0xFFFFFFFF), both},
        // Records that are passed over: shorter than their fields, counts, offsets and lengths past
        // the record, an unknown type.
        {around({}), both},
        {around({0, 0, 0, 0, 0x40000000, P16(1, 1)}, EMR_POLYGON16), both},
        {around({0, 0, 0, 0, 2, 2, 7, P16(1, 1), P16(2, 2)}, EMR_POLYPOLYGON16), both},
        {around({0, 0, 0, 0, -1, 1, 1, 1, 1}, EMR_POLYPOLYLINE), both},
        {patched(text, second + 48, 0xFFFFFFF0), both},
        {patched(text, second + 72, 200), both},
        {patched(text, second + 44, 1000), both},
        {patched(stretch, second + 56, 4000), both},
        {patched(stretch, second + 60, 0x7FFFFFFF), both},
        {patched(stretch, second + 80 + 32, 300), both},
        {around({1, static_cast<std::int32_t>(0xFFFF0300)}, EMR_CREATEPALETTE), both},
        {around({48, Emf::RGN_COPY, 32, 1, 1000, 16, 1, 1, 2, 2, 1, 1, 2, 2}, EMR_EXTSELECTCLIPRGN), both},
        {patched(rectangle, second, 5000), both},
        // Objects at indices outside the map, a face name without its end, a frame far off the page.
        {around({5, 0, 9, 0, 0x0000FF}, EMR_CREATEPEN), both},
        {around({0x7FFFFFFF}, EMR_SELECTOBJECT), both},
        {around({-2}, EMR_DELETEOBJECT), both},
        {longFace, start + " font(" + std::string(32, 'A') + ",-10) LineTo(2,2)"},
        {patched(rectangle, 24, 0x80000000), start + " Rectangle(0,0,5,5) LineTo(2,2)"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Played(cases[i].first), cases[i].second);
    }
}
