// The player on metafiles that producers made: the program's own metafile canvas, whose every
// recorded call must come back as the call that made it, and libEMF, a GDI-like writer of other
// programs' metafiles.
#include "EmfPlayerTestSupport.h"
#include "LibEmfProducer.h"
#include "TestSupport.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"

#include <gtest/gtest.h>

TEST(PdfEmfPlayerProducers, CanvasMadeMetafilesPlayToTheCallsThatMadeThem)
{
    TMetafile metafile;
    metafile.SetMMWidth(2540);
    metafile.SetMMHeight(2540);
    std::string spacing;
    {
        TMetafileCanvas canvas(metafile);
        canvas.Pen.Color = clRed;
        canvas.Pen.Width = 3;
        canvas.Brush.Color = clBlue;
        canvas.MoveTo(1, 2);
        canvas.LineTo(30, 40);
        canvas.Rectangle(5, 6, 50, 60);
        canvas.Ellipse(7, 8, 9, 10);
        canvas.RoundRect(1, 2, 3, 4, 5, 6);
        canvas.Arc(0, 0, 10, 10, 1, 2, 3, 4);
        canvas.Pie(0, 0, 10, 10, 4, 3, 2, 1);
        const TPoint triangle[] = {{1, 1}, {20, 1}, {10, 15}};
        canvas.Polygon(triangle);
        canvas.Polyline(triangle);
        canvas.Brush.Color = clLime;
        canvas.FillRect(Rect(0, 0, 10, 10));
        canvas.BitBlt(0, 0, 5, 5, nullptr, 0, 0, WHITENESS);
        canvas.SetPixel(3, 4, clYellow);
        canvas.SaveDC();
        canvas.SetClipRect(Rect(0, 0, 50, 50));
        canvas.SetClipRect(Rect(10, 10, 40, 40));
        canvas.RestoreDC();
        const std::uint8_t note[] = {'n', 'o', 't', 'e'};
        canvas.GdiComment(note);
        TBitmap picture;
        picture.SetPixelFormat(pf24bit);
        picture.SetSize(2, 2);
        canvas.StretchDraw(Rect(60, 60, 80, 90), picture);
        canvas.Font.Name = "Arial";
        canvas.Font.SetSize(10);
        canvas.Font.Color = clNavy;
        canvas.Brush.Style = bsClear;
        canvas.TextOut(5, 70, "Cola");
        for (const char ch : std::string("Cola"))
            spacing += (spacing.empty() ? "" : " ") + std::to_string(canvas.TextWidth(std::string(1, ch)));
    }
    TRecordingDevice device;
    device.SetModes({peClipRectSupport});
    EXPECT_TRUE(device.PlayEnhMetaFile(metafile.Data(), 0, 0, 0, 0, false, 0, 0));
    // A 1-inch frame on the canvas's reference screen of 96 pixels per inch.
    EXPECT_EQ(device.calls.front(), "CheckOpenPage(96,96,96,96)");
    EXPECT_EQ(device.Drawn(),
              "MoveToEx(1,2) pen(0,3,0xff) LineTo(30,40) brush(0,0xff0000,0) Rectangle(5,6,50,60) Ellipse(7,8,9,10) "
              "RoundRect(1,2,3,4,5,6) Arc(0:0:10:10,1:2,3:4,false) Pie(0:0:10:10,4:3,2:1) "
              "Polygon([1:1 20:1 10:15]) Polyline([1:1 20:1 10:15],false) brush(0,0xff00,0) "
              "BitBlt(0,0,10,10,0xf00021) BitBlt(0,0,5,5,0xff0062) SetPixelV(3,4,65535) SaveDC() q() "
              "SelectClipRGN(1,0:0:50:50,[]) Q() SelectClipRGN(1,10:10:40:40,[]) RestoreDC(-1) GDIComment(note) "
              "StretchDIBits(60,60,20,30,0,0,2,2,bits16,info40,0,0xcc0020) font(Arial,-13) "
              "ExtTextOut(5,70,0x0,0:0:0:0,WCola,A,4,[" +
                  spacing + "])");
}

TEST(PdfEmfPlayerProducers, MetafilesOfAnotherProducerPlayToTheExpectedCalls)
{
    const TemporaryFolder folder;
    const std::string path = folder.File("libemf.emf");
    DrawWithLibEmf(path);
    const std::string bytes = ReadWholeFile(path);
    TRecordingDevice device;
    EXPECT_TRUE(device.PlayEnhMetaFile(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0,
                                       0, 0, 0, false, 0, 0));
    // libEMF records for a screen of 1024 x 768 pixels on 320 x 240 mm: 81 pixels per inch.
    EXPECT_EQ(device.calls.front(), "CheckOpenPage(81,81,81,81)");
    EXPECT_EQ(device.Drawn(), "pen(0,3,0xff) brush(0,0xff0000,0) Rectangle(10,20,110,70) Ellipse(1,2,30,40) "
                              "Polygon([0:0 90:0 90:90]) Polygon([0:0 90:0 90:90]) Polygon([30:30 60:30 60:60]) "
                              "CloseFigure() EndPath() StrokeAndFillPath(true,true) MoveToEx(5,6) LineTo(7,8) "
                              "ExtTextOut(5,80,0x0,0:0:-1:-1,W,ACola,4,[]) brush(1,0xffffff,0) Rectangle(1,1,2,2)");
    EXPECT_EQ(device.DC().textColor, 0x800000);
}
