#include "platform/graphics/MetafileCanvas.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/EmfRecords.h"
#include "platform/graphics/Metafile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>

namespace {

// The records of a metafile behind its header, EOF included, each as its own bytes.
std::vector<std::vector<std::uint8_t>> RecordsOf(const TMetafile& metafile)
{
    std::vector<std::vector<std::uint8_t>> records;
    TEmfReader reader(metafile.Data());
    while (const auto record = reader.Next())
        records.emplace_back(record->Bytes().begin(), record->Bytes().end());
    return records;
}

std::vector<std::uint32_t> TypesOf(const std::vector<std::vector<std::uint8_t>>& records)
{
    std::vector<std::uint32_t> types;
    for (const auto& record : records)
        types.push_back(TEmfRecord(record).Type());
    return types;
}

// The first record of a type at or after `from`.
TEmfRecord Find(const std::vector<std::vector<std::uint8_t>>& records, std::uint32_t type, std::size_t from = 0)
{
    for (std::size_t i = from; i < records.size(); ++i)
        if (TEmfRecord(records[i]).Type() == type)
            return TEmfRecord(records[i]);
    ADD_FAILURE() << "no record of type " << type;
    static const std::vector<std::uint8_t> none = {0, 0, 0, 0, 8, 0, 0, 0};
    return TEmfRecord(none);
}

// A page as the PDF writer sets one up: canvas units of 1/300 inch, Arial 12 at 300 pixels per inch.
void DrawPage(TMetafile& metafile, const std::function<void(TMetafileCanvas&)>& draw)
{
    metafile.SetMMWidth(21000);
    metafile.SetMMHeight(29700);
    {
        TMetafileCanvas canvas(metafile);
        canvas.SetMapMode(Emf::MM_ANISOTROPIC);
        canvas.SetWindowExtEx(300, 300);
        canvas.SetViewportExtEx(canvas.GetDeviceCaps(LOGPIXELSX), canvas.GetDeviceCaps(LOGPIXELSY));
        canvas.Font.Name = "Arial";
        canvas.Font.SetSize(12);
        canvas.Font.SetPixelsPerInch(300);
        canvas.Brush.Style = bsClear;
        draw(canvas);
    }
}

std::string SaveToTemporary(const TMetafile& metafile, const TemporaryFolder& folder)
{
    const std::string path = folder.Path() + "/page.emf";
    metafile.SaveToFile(path);
    return path;
}

std::u16string Utf16(const char16_t* text) { return text; }

} // namespace

TEST(MetafileCanvas, RecordsEachDrawingCallWithItsFields)
{
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(3, 2);
    picture.SetPixel(0, 0, clRed);
    picture.SetPixel(2, 1, clBlue);
    TMetafile metafile;
    DrawPage(metafile, [&](TMetafileCanvas& canvas) {
        canvas.Pen.Color = clRed;
        canvas.Pen.Width = 3;
        canvas.MoveTo(10, 20);
        canvas.LineTo(30, 40);
        canvas.Brush.Style = bsCross;
        canvas.Brush.Color = clGreen;
        canvas.Rectangle(1, 2, 3, 4);
        canvas.Pen.Mode = pmXor;
        canvas.Ellipse(5, 6, 7, 8);
        canvas.Pen.Style = psClear;
        canvas.Brush.Style = bsSolid;
        canvas.FillRect(Rect(100, 200, 150, 260));
        canvas.SetPixel(7, 9, clLime);
        canvas.SaveDC();
        canvas.SetClipRect(Rect(0, 0, 50, 60));
        canvas.RestoreDC();
        const TPoint points[] = {Point(0, 0), Point(10, -5), Point(20, 7)};
        canvas.Polygon(points);
        canvas.StretchDraw(Rect(40, 50, 46, 54), picture);
    });
    const auto records = RecordsOf(metafile);
    EXPECT_EQ(TypesOf(records), (std::vector<std::uint32_t>{EMR_SETMAPMODE,
                                                            EMR_SETWINDOWEXTEX,
                                                            EMR_SETVIEWPORTEXTEX,
                                                            EMR_MOVETOEX,
                                                            EMR_CREATEPEN,
                                                            EMR_SELECTOBJECT,
                                                            EMR_LINETO,
                                                            EMR_CREATEBRUSHINDIRECT,
                                                            EMR_SELECTOBJECT,
                                                            EMR_RECTANGLE,
                                                            EMR_SETROP2,
                                                            EMR_ELLIPSE,
                                                            EMR_CREATEBRUSHINDIRECT,
                                                            EMR_SELECTOBJECT,
                                                            EMR_DELETEOBJECT,
                                                            EMR_BITBLT,
                                                            EMR_SETPIXELV,
                                                            EMR_SAVEDC,
                                                            EMR_INTERSECTCLIPRECT,
                                                            EMR_RESTOREDC,
                                                            EMR_SELECTOBJECT,
                                                            EMR_DELETEOBJECT,
                                                            EMR_POLYGON,
                                                            EMR_STRETCHDIBITS,
                                                            EMR_EOF}));

    const TEmfPen pen = ReadEmfPen(Find(records, EMR_CREATEPEN));
    EXPECT_EQ(pen.Index, 1u);
    EXPECT_EQ(pen.Width, 3);
    EXPECT_EQ(pen.Color, 0x0000FFu);
    EXPECT_EQ(Find(records, EMR_LINETO).PointAt(8), Point(30, 40));
    EXPECT_EQ(ReadEmfBrush(Find(records, EMR_CREATEBRUSHINDIRECT)).Hatch, Emf::HS_CROSS);
    // Only a pen mode other than copy is recorded.
    EXPECT_EQ(Find(records, EMR_SETROP2).U32(8), Emf::R2_XORPEN);
    EXPECT_EQ(Find(records, EMR_ELLIPSE).RectAt(8), Rect(5, 6, 7, 8));
    // The null pen is a stock object; the pen it replaces is deleted.
    EXPECT_EQ(Find(records, EMR_SELECTOBJECT, 20).U32(8), EmfStockObject | Emf::NULL_PEN);
    EXPECT_EQ(Find(records, EMR_DELETEOBJECT, 21).U32(8), 1u);

    const TEmfBitBlt fill = ReadEmfBitBlt(Find(records, EMR_BITBLT));
    EXPECT_EQ(fill.Rop, PATCOPY);
    EXPECT_EQ(fill.DestOrigin, Point(100, 200));
    EXPECT_EQ(fill.DestSize, (TSize{50, 60}));
    EXPECT_TRUE(fill.Source.Info.empty());
    const TEmfRecord pixel = Find(records, EMR_SETPIXELV);
    EXPECT_EQ(pixel.PointAt(8), Point(7, 9));
    EXPECT_EQ(pixel.U32(16), 0x00FF00u);
    EXPECT_EQ(Find(records, EMR_RESTOREDC).I32(8), -1);
    EXPECT_EQ(ReadEmfPoints(Find(records, EMR_POLYGON)),
              (std::vector<TPoint>{Point(0, 0), Point(10, -5), Point(20, 7)}));
    EXPECT_EQ(Find(records, EMR_POLYGON).RectAt(8), Rect(0, -5, 20, 7));

    // The picture as a bottom-up 24-bit DIB: its first row in the records' bits is its last row.
    const TEmfStretchDIBits stretch = ReadEmfStretchDIBits(Find(records, EMR_STRETCHDIBITS));
    EXPECT_EQ(stretch.DestSize, (TSize{6, 4}));
    EXPECT_EQ(stretch.SourceSize, (TSize{3, 2}));
    EXPECT_EQ(stretch.Rop, SRCCOPY);
    EXPECT_EQ(stretch.Dib.Usage, Emf::DIB_RGB_COLORS);
    EXPECT_EQ(stretch.Dib.Info[14], 24);
    ASSERT_EQ(stretch.Dib.Bits.size(), 24u);
    EXPECT_EQ((std::vector<std::uint8_t>(stretch.Dib.Bits.begin() + 6, stretch.Dib.Bits.begin() + 9)),
              (std::vector<std::uint8_t>{255, 0, 0}));
    EXPECT_EQ((std::vector<std::uint8_t>(stretch.Dib.Bits.begin() + 12, stretch.Dib.Bits.begin() + 15)),
              (std::vector<std::uint8_t>{0, 0, 255}));
}

TEST(MetafileCanvas, CompletesTheHeaderWithItsTotals)
{
    TMetafile metafile;
    DrawPage(metafile, [](TMetafileCanvas& canvas) {
        canvas.TextOut(10, 10, "Total");
        canvas.Rectangle(0, 0, 5, 5);
    });
    const TEmfHeader header = ReadEmfFileHeader(metafile.Data());
    EXPECT_EQ(header.Bytes, metafile.Data().size());
    EXPECT_EQ(header.Records, RecordsOf(metafile).size() + 1);
    // Font and pen at indices 1 and 2, index 0 being reserved; the clear brush is a stock object.
    EXPECT_EQ(header.Handles, 3);
    EXPECT_EQ(header.Frame, Rect(0, 0, 21000, 29700));
    EXPECT_EQ(header.Bounds, Rect(0, 0, 794, 1123));
    EXPECT_EQ(header.Device, (TSize{1920, 1440}));
    EXPECT_EQ(header.Millimeters, (TSize{508, 381}));
    EXPECT_EQ(header.Micrometers, (TSize{508000, 381000}));
    EXPECT_EQ(metafile.Width(), 794);
    EXPECT_EQ(metafile.MMHeight(), 29700);

    TMetafile printerPage;
    printerPage.SetMMWidth(2540);
    {
        TMetafileCanvas canvas(printerPage, PrinterDevice(300, 600, TSize{2400, 6000}));
        EXPECT_EQ(canvas.GetDeviceCaps(LOGPIXELSY), 600);
        EXPECT_EQ(canvas.GetDeviceCaps(HORZRES), 2400);
        EXPECT_EQ(canvas.GetDeviceCaps(HORZSIZE), 203);
    }
    EXPECT_EQ(ReadEmfFileHeader(printerPage.Data()).Bounds.Right, 300);
}

TEST(MetafileCanvas, RecordsTextWithTheFontEnginesWidths)
{
    int width = 0;
    TSize tabbed;
    int nameX = 0;
    TMetafile metafile;
    DrawPage(metafile, [&](TMetafileCanvas& canvas) {
        canvas.TextOut(40, 60, "Caf\xE9 \x80");
        width = canvas.TextWidth("Caf\xE9 \x80");
        EXPECT_EQ(canvas.PenPos(), Point(40 + width, 60));
        const int stop[] = {460};
        // The piece before the tab ends at 500: the next one starts at the first stop beyond it.
        nameX = 500 - canvas.TextWidth("Name");
        canvas.TabbedTextOut(nameX, 200, "Name\tPrice", stop, 3);
        tabbed = canvas.TabbedTextOut(40, 300, "A\t\tB", stop, 3);
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = clYellow;
        canvas.TextRect(Rect(0, 0, 20, 20), 2, 3, "R");
    });
    const auto records = RecordsOf(metafile);
    const TEmfFont font = ReadEmfFont(Find(records, EMR_EXTCREATEFONTINDIRECTW));
    EXPECT_EQ(font.Height, -50);
    EXPECT_EQ(font.Weight, 400);
    EXPECT_EQ(font.FaceName, Utf16(u"Arial"));
    EXPECT_EQ(Find(records, EMR_SETBKMODE).U32(8), Emf::TRANSPARENT);

    const TEmfText text = ReadEmfText(Find(records, EMR_EXTTEXTOUTW));
    EXPECT_EQ(text.Reference, Point(40, 60));
    EXPECT_EQ(text.Chars, Utf16(u"Caf\u00E9 \u20AC"));
    ASSERT_EQ(text.Dx.size(), 6u);
    int sum = 0;
    for (int dx : text.Dx)
        sum += dx;
    EXPECT_EQ(sum, width);

    std::vector<TEmfText> pieces;
    for (const auto& record : records)
        if (TEmfRecord(record).Type() == EMR_EXTTEXTOUTW)
            pieces.push_back(ReadEmfText(TEmfRecord(record)));
    ASSERT_EQ(pieces.size(), 6u);
    EXPECT_EQ(pieces[1].Reference, Point(nameX, 200));
    EXPECT_EQ(pieces[2].Reference, Point(923, 200));
    EXPECT_EQ(pieces[2].Chars, Utf16(u"Price"));
    // Two tabs in a row: the empty piece between them is skipped, and B lands a stop further.
    EXPECT_EQ(pieces[3].Chars, Utf16(u"A"));
    EXPECT_EQ(pieces[4].Reference, Point(923, 300));
    EXPECT_EQ(tabbed.cx, 923 + pieces[4].Dx[0] - 40);

    EXPECT_EQ(pieces[5].Options, Emf::ETO_CLIPPED | Emf::ETO_OPAQUE);
    EXPECT_EQ(pieces[5].Rect, Rect(0, 0, 20, 20));
    EXPECT_EQ(Find(records, EMR_SETBKMODE, 10).U32(8), Emf::OPAQUE);
    EXPECT_EQ(Find(records, EMR_SETBKCOLOR).U32(8), 0x00FFFFu);
}

TEST(MetafileCanvas, RefusesWhatItCannotRecordAndNamesTheCall)
{
    TMetafile metafile;
    TMetafileCanvas canvas(metafile);
    TBitmap bitmap;
    bitmap.SetSize(2, 2);
    TRect rect = Rect(0, 0, 10, 10);
    const auto refused = [](const std::function<void()>& call) {
        return RaisedMessage<EInvalidGraphicOperation>(call);
    };
    EXPECT_EQ(refused([&] { canvas.DrawText("x", rect, DT_LEFT); }), "Cannot record DrawText on a metafile canvas");
    EXPECT_EQ(refused([&] { canvas.CopyRect(rect, bitmap.Canvas(), rect); }),
              "Cannot record CopyRect on a metafile canvas");
    EXPECT_EQ(refused([&] { canvas.DrawEdge(rect, EDGE_RAISED, BF_RECT); }),
              "Cannot record DrawEdge on a metafile canvas");
    EXPECT_EQ(refused([&] { canvas.DrawFocusRect(rect); }), "Cannot record DrawFocusRect on a metafile canvas");
    EXPECT_EQ(refused([&] { canvas.InvertRect(rect); }), "Cannot record InvertRect on a metafile canvas");
    EXPECT_EQ(refused([&] { canvas.BitBlt(0, 0, 2, 2, &bitmap.Canvas(), 0, 0, SRCCOPY); }),
              "Cannot record BitBlt with a source on a metafile canvas");
    EXPECT_EQ(refused([&] { canvas.BitBlt(0, 0, 2, 2, &bitmap.Canvas(), 0, 0, SRCINVERT); }),
              "Cannot record BitBlt with SRCINVERT on a metafile canvas");
    bitmap.SetTransparent(true);
    EXPECT_EQ(refused([&] { canvas.Draw(0, 0, bitmap); }), "Cannot record a transparent Draw on a metafile canvas");
    EXPECT_EQ(canvas.Pixel(1, 1), CLR_INVALID);
    EXPECT_FALSE(canvas.BitBlt(0, 0, 2, 2, nullptr, 0, 0, 0x00BB0226));
    // Measuring is no drawing: DrawText works out the rectangle.
    TRect measured = Rect(5, 5, 5, 5);
    EXPECT_EQ(canvas.DrawText("one line", measured, DT_CALCRECT), canvas.TextHeight("one line"));
    EXPECT_EQ(measured.Width(), canvas.TextWidth("one line"));
}

TEST(Metafile, SavesAndLoadsTheSameBytesAndRefusesDamagedFiles)
{
    TemporaryFolder folder;
    TMetafile page;
    DrawPage(page, [](TMetafileCanvas& canvas) { canvas.TextOut(0, 0, "Saved"); });
    const std::string path = SaveToTemporary(page, folder);
    TMetafile loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.Data(), page.Data());
    EXPECT_EQ(loaded.MMWidth(), 21000);
    EXPECT_EQ(loaded.ClassName(), "TMetafile");

    const std::string bytes = ReadWholeFile(path);
    const auto refusal = [&](std::string damaged) {
        WriteWholeFile(path, damaged);
        TMetafile metafile;
        return RaisedMessage<EInvalidGraphic>([&] { metafile.LoadFromFile(path); });
    };
    EXPECT_EQ(refusal(bytes.substr(0, 60)), "Metafile is not valid: the file ends inside its header");
    std::string unsigned_ = bytes;
    unsigned_[40] = 'X';
    EXPECT_EQ(refusal(unsigned_), "Metafile is not valid: it does not start with an enhanced-metafile header");
    EXPECT_EQ(refusal(bytes.substr(0, bytes.size() - 20)),
              "Metafile is not valid: its header declares " + std::to_string(bytes.size()) +
                  " bytes, but the file holds " + std::to_string(bytes.size() - 20));
    EXPECT_EQ(refusal(""), "Metafile is not valid: it does not start with an enhanced-metafile header");
}

TEST(EmfRecords, TheReaderChecksEverySizeCountAndOffset)
{
    TMetafile page;
    DrawPage(page, [](TMetafileCanvas& canvas) {
        const TPoint points[] = {Point(0, 0), Point(9, 9)};
        canvas.Polyline(points);
        canvas.TextOut(0, 0, "ab");
    });
    const std::vector<std::uint8_t> good = page.Data();
    const auto offsetOf = [&](std::uint32_t type) {
        std::size_t at = EmfHeaderSize;
        while (TEmfRecord(std::span(good).subspan(at, 8)).Type() != type)
            at += good[at + 4] | good[at + 5] << 8;
        return at;
    };
    const auto walk = [](const std::vector<std::uint8_t>& data) {
        return RaisedMessage<EInvalidGraphic>([&] {
            TEmfReader reader(data);
            while (const auto record = reader.Next()) {
                if (record->Type() == EMR_POLYLINE)
                    ReadEmfPoints(*record);
                if (record->Type() == EMR_EXTTEXTOUTW)
                    ReadEmfText(*record);
            }
        });
    };
    EXPECT_EQ(walk(good), "nothing raised");
    const auto damaged = [&](std::uint32_t type, std::size_t field, std::uint32_t value) {
        std::vector<std::uint8_t> data = good;
        const std::size_t at = offsetOf(type) + field;
        for (int i = 0; i < 4; ++i)
            data[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return walk(data);
    };
    const std::string polylineAt = " at byte " + std::to_string(offsetOf(EMR_POLYLINE));
    EXPECT_EQ(damaged(EMR_POLYLINE, 4, 0), "Metafile is not valid: the record" + polylineAt + " has a size of 0 bytes");
    EXPECT_EQ(damaged(EMR_POLYLINE, 4, 0x7FFFFFF0),
              "Metafile is not valid: the record" + polylineAt + " has a size of 2147483632 bytes");
    EXPECT_EQ(damaged(EMR_POLYLINE, 4, 20),
              "Metafile is not valid: the record of type 4" + polylineAt + " is shorter than its fields");
    const std::string passes = "Metafile is not valid: record of type ";
    EXPECT_EQ(damaged(EMR_POLYLINE, 24, 0x40000000), passes + "4: a field passes the end of the record");
    EXPECT_EQ(damaged(EMR_EXTTEXTOUTW, 44, 1000), passes + "84: a field passes the end of the record");
    EXPECT_EQ(damaged(EMR_EXTTEXTOUTW, 48, 0xFFFFFFFC), passes + "84: a field passes the end of the record");
    EXPECT_EQ(damaged(EMR_EXTTEXTOUTW, 72, 90), passes + "84: a field passes the end of the record");
}

TEST(MetafileOracles, PrintemfListsTheRecordsFontAndMapping)
{
    TemporaryFolder folder;
    TMetafile page;
    DrawPage(page, [](TMetafileCanvas& canvas) {
        canvas.TextOut(40, 0, "Planogram");
        canvas.Rectangle(10, 10, 200, 100);
    });
    int status = 0;
    const std::string listing = RunCommand("printemf " + SaveToTemporary(page, folder) + " 2>&1", &status);
    ASSERT_EQ(status, 0) << listing;
    std::string names;
    const std::regex name("\\*([A-Z0-9]+)\\*");
    for (auto it = std::sregex_iterator(listing.begin(), listing.end(), name); it != std::sregex_iterator(); ++it)
        names += (*it)[1].str() + " ";
    EXPECT_EQ(names, "HEADER SETMAPMODE SETWINDOWEXTEX SETVIEWPORTEXTEX EXTCREATEFONTINDIRECTW SELECTOBJECT "
                     "SETTEXTCOLOR SETBKMODE SETTEXTALIGN EXTTEXTOUTW CREATEPEN SELECTOBJECT SELECTOBJECT RECTANGLE "
                     "EOF ");
    for (const char* field :
         {"lfHeight\\s*: -50\\n", "lfFaceName\\s*: 'Arial'", "iMode\\s*: MM_ANISOTROPIC",
          "SETWINDOWEXTEX\\*\\s*szlExtent\\s*: \\(300, 300\\)", "SETVIEWPORTEXTEX\\*\\s*szlExtent\\s*: \\(96, 96\\)",
          "nRecords\\s*: 15\\n", "nHandles\\s*: 3\\n", "iMode\\s*: TRANSPARENT", "Planogram"})
        EXPECT_TRUE(std::regex_search(listing, std::regex(field))) << field << "\n" << listing;
}

TEST(MetafileOracles, Emf2svgPlacesTheTextWhereItWasRecorded)
{
    TemporaryFolder folder;
    TMetafile page;
    int ascent = 0;
    DrawPage(page, [&](TMetafileCanvas& canvas) {
        canvas.Font.Color = clBlue;
        canvas.TextOut(40, 100, "Shelf");
        canvas.TextOut(600, 900, "Price");
        canvas.Rectangle(10, 10, 200, 100);
        ascent = canvas.Font.Face()->Metrics(canvas.Font.EmHeight()).Ascent;
    });
    const std::string svgPath = folder.Path() + "/page.svg";
    int status = 0;
    const std::string output =
        RunCommand("emf2svg-conv -i " + SaveToTemporary(page, folder) + " -o " + svgPath + " 2>&1", &status);
    ASSERT_EQ(status, 0) << output;
    const std::string svg = ReadWholeFile(svgPath);
    // The page's units are 1/300 inch on a 96 pixels-per-inch device; the converter places each text
    // by its baseline, one ascent below the top of the cell.
    const auto placed = [&](const std::string& text, double x, double y) {
        std::smatch found;
        ASSERT_TRUE(std::regex_search(
            svg, found,
            std::regex("fill=\"#0000FF\"[^>]* x=\"([0-9.]+)\" y=\"([0-9.]+)\"[^>]*><!\\[CDATA\\[" + text + "\\]\\]>")))
            << svg;
        EXPECT_NEAR(std::stod(found[1]), x * 96 / 300, 0.001) << text;
        EXPECT_NEAR(std::stod(found[2]), (y + ascent) * 96 / 300, 0.001) << text;
    };
    placed("Shelf", 40, 100);
    placed("Price", 600, 900);
    EXPECT_NE(svg.find("<rect x=\"3.2000\" y=\"3.2000\" width=\"60.8000\" height=\"28.8000\""), std::string::npos)
        << svg;
}
