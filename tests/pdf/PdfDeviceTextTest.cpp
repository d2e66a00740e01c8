#include "pdf/PdfDevice.h"

#include "EmfPlayerTestSupport.h"
#include "PdfTestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

// A document open on memory, the device context's font Arial at 12 units.
struct TTextDocument {
    TTextDocument()
    {
        device.BeginDoc(612, 792, 72);
        device.DC().faceName = "Arial";
        device.DC().fontData.height = -12;
    }

    // What the text state writes now, as a new run at `size` would.
    std::string Attributes(double size = 12)
    {
        TPdfDeviceWorkBuffer buffer(100);
        device.PSWriteTextAttributes(&buffer, size);
        return std::string(buffer.Buffer(), buffer.Length());
    }

    TPdfDevice device;
};

} // namespace

TEST(PdfDeviceText, TextStateIsWrittenOnlyWhereItChanged)
{
    TTextDocument doc;
    TPdfDCStackVar& dc = doc.device.DC();
    EXPECT_EQ(doc.Attributes(), "/F1 12.000 Tf 0 0 0 rg 0.000 Tc 0.000 Tw 100.000 Tz ");
    EXPECT_EQ(doc.Attributes(), "");
    dc.charSpacing = 0.5F;
    dc.horzTextScale = 0.8F;
    EXPECT_EQ(doc.Attributes(), "0.500 Tc 80.000 Tz ");
    dc.charSpacing = 0;
    dc.wordSpacing = 2;
    dc.horzTextScale = 0;
    EXPECT_EQ(doc.Attributes(), "0.000 Tc 2.000 Tw 100.000 Tz ");
    dc.textColor = clRed;
    dc.fontData.weight = 700;
    EXPECT_EQ(doc.Attributes(), "/F2 12.000 Tf 1 0 0 rg ");
    EXPECT_EQ(doc.Attributes(14), "/F2 14.000 Tf ");
    dc.fontData.weight = 400;
    dc.fontData.italic = 1;
    EXPECT_EQ(doc.Attributes(14), "/F3 14.000 Tf ");
    // A new stream, or graphics between texts, writes the whole state again.
    doc.device.WrittenData().mustWriteText = true;
    EXPECT_EQ(doc.Attributes(14), "/F3 14.000 Tf 1 0 0 rg 0.000 Tc 2.000 Tw 100.000 Tz ");
}

TEST(PdfDeviceText, RunsOfOneFontWriteTheStateOncePerStream)
{
    TTextDocument doc;
    for (int page = 0; page < 2; ++page) {
        doc.device.StartPage(612, 792, 72, 72, 0);
        doc.device.DC().faceName = "Arial";
        doc.device.DC().fontData.height = -12;
        doc.device.TextOut(20, 100, "First");
        doc.device.TextOut(20, 120, "Second");
        doc.device.EndPage();
    }
    doc.device.EndDoc();
    const std::string pdf = DeviceOutput(doc.device);
    EXPECT_EQ(Occurrences(pdf, "/F1 12.000 Tf 0 0 0 rg "), 2);
    EXPECT_EQ(Occurrences(pdf, " Tf "), 2);
    EXPECT_EQ(Occurrences(pdf, " rg "), 2);
    EXPECT_EQ(Occurrences(pdf, "(Second)Tj"), 2);
}

TEST(PdfDeviceText, WideTextTakesTheFontsCodePage)
{
    TTextDocument doc;
    TPdfDevice& d = doc.device;
    d.PSWriteTextAttributes(nullptr, 0);
    EXPECT_EQ(d.PSWideCharToMultiByte(u"Shelf \u20AC"), "Shelf \x80");
    // Characters Windows-1252 lacks become blanks, unless all are symbol codes.
    EXPECT_EQ(d.PSWideCharToMultiByte(u"A\u4E00B\u041F"), "A B ");
    EXPECT_EQ(d.PSWideCharToMultiByte(u"\uF041\uF042C"), "ABC");
    EXPECT_EQ(d.PSWideCharToMultiByte(u"?"), "?");

    d.DC().fontData.charSet = 204;
    d.PSWriteTextAttributes(nullptr, 0);
    EXPECT_EQ(d.PSWideCharToMultiByte(u"\u041F\u043E\u043B\u043A\u0430 1"), "\xCF\xEE\xEB\xEA\xE0 1");
    d.DC().fontData.charSet = 186;
    d.PSWriteTextAttributes(nullptr, 0);
    EXPECT_EQ(d.PSWideCharToMultiByte(u"\u0104\u017Euolas"), "\xC0\xFEuolas");
}

TEST(PdfDeviceText, FontQueriesAnswerFromTheCurrentFont)
{
    TPdfDevice empty;
    int ascent = -1, cell = -1;
    empty.PSFontHeight(ascent, cell, 13);
    EXPECT_EQ(ascent, 10);
    EXPECT_EQ(cell, 13);
    EXPECT_EQ(empty.PSGetFontWidth(), 0);
    EXPECT_EQ(empty.PSTextWidth("Shelf", 10), 0);
    int widths[2] = {};
    EXPECT_FALSE(empty.PSTextWidthArrayW(u"ab", 10, 1000, widths));

    TTextDocument doc;
    TPdfDevice& d = doc.device;
    d.PSWriteTextAttributes(nullptr, 0);
    const TPdfFont& font = *d.Resources()->CurrentFont();
    const TPdfFontDescriptor& metrics = *font.Descriptor();
    EXPECT_EQ(d.PSGetFontWidth(), metrics.AvgWidth);
    d.PSFontHeight(ascent, cell, 50);
    EXPECT_EQ(ascent, std::lround(metrics.Ascent * 50 / 1000.0));
    EXPECT_EQ(cell, std::lround(1000 / metrics.Scale * 50 / 1000));
    EXPECT_EQ(d.PSTextWidth("Shelf", 30), std::lround(font.TextWidth("Shelf", 30)));
    EXPECT_EQ(d.PSTextWidthW(u"Shelf \u20AC", 30), std::lround(font.TextWidth("Shelf \x80", 30)));
    EXPECT_TRUE(d.PSTextWidthArrayW(u"ab", 10, 1000, widths));
    EXPECT_EQ(widths[0], std::lround(font.TextWidth("a", 10) * 1000));

    // The standard fonts carry no metrics.
    d.FontMode = peUseBase14Type1Fonts;
    d.DC().faceName = "Courier New";
    d.PSWriteTextAttributes(nullptr, 0);
    d.PSFontHeight(ascent, cell, 13);
    EXPECT_EQ(ascent, 10);
    EXPECT_EQ(cell, 13);
}

// A page the canvas records in three faces and a page of Cyrillic text that another producer
// wrote, played and written as TrueType or standard fonts: the faces pdffonts lists, and the lines,
// in their own letters. The Western standard fonts give no widths to spread over the recorded
// advances; the Cyrillic one brings its face's, and its line is fitted to them.
TEST(PdfDeviceText, CanvasTextReadsBackThroughPoppler)
{
    TMetafile metafile;
    metafile.SetMMWidth(21590);
    metafile.SetMMHeight(27940);
    {
        TMetafileCanvas canvas(metafile, PrinterDevice(72, 72, TSize{612, 792}));
        canvas.Brush.Style = bsClear;
        canvas.Font.Name = "Arial";
        canvas.Font.SetSize(14);
        canvas.TextOut(72, 72, "Planogram bay 4");
        canvas.Font.Style = {fsBold};
        canvas.Font.Color = clBlue;
        canvas.TextOut(72, 120, "Shelf (A) \\ 12 facings");
        canvas.Font.Name = "Times New Roman";
        canvas.Font.Style = {};
        canvas.TextOut(72, 160, "Price 1.99");
    }
    TEmfBuilder cyrillic;
    cyrillic.header.Frame = TRect{0, 0, 4 * 2540, 2540};
    WriteEmfFont(cyrillic.records, TEmfFont{1, -20, 0, 0, 0, 400, 0, 0, 0, 204, 0, 0, 0, 0, u"Arial"});
    cyrillic.records.Record(EMR_SELECTOBJECT, {1});
    WriteEmfTextW(cyrillic.records, TEmfText{TRect{}, Emf::GM_COMPATIBLE, 1, 1, TPoint{10, 40}, 0, TRect{},
                                             u"\u041F\u0440\u0438\u0432\u0435\u0442 \u043C\u0438\u0440",
                                             {12, 11, 11, 11, 11, 9, 6, 11, 11, 10}});
    TMetafile cyrillicPage;
    cyrillicPage.SetData(cyrillic.Bytes());

    const struct {
        TPdfFontMode mode;
        const char* fonts;
    } cases[] = {
        {peUseTrueTypeFonts,
         "Arial TrueType WinAnsi|Arial,Bold TrueType WinAnsi|TimesNewRoman TrueType WinAnsi|Arial TrueType Custom|"},
        {peUseBase14Type1Fonts,
         "Helvetica Type 1 WinAnsi|Helvetica-Bold Type 1 WinAnsi|Times-Roman Type 1 WinAnsi|Helvetica Type 1 Custom|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        TPdfDevice device;
        device.FontMode = c.mode;
        device.BeginDoc(612, 792, 72);
        ASSERT_TRUE(device.PlayMetafile(metafile, 0, 0, 0, 0, 72, 72));
        ASSERT_TRUE(device.PlayMetafile(cyrillicPage, 0, 0, 0, 0, 0, 0));
        device.EndDoc();
        const std::string pdf = DeviceOutput(device);
        if (c.mode == peUseBase14Type1Fonts) {
            EXPECT_EQ(Occurrences(pdf, " 0.000 Tw "), 1) << pdf;
            EXPECT_EQ(Occurrences(pdf, " 0.000 Tc "), 1) << pdf;
            EXPECT_EQ(Occurrences(pdf, "/F4 20.000 Tf 0 0 0 rg -0.333 Tc -3.000 Tw "), 1) << pdf;
        }
        TemporaryFolder folder;
        int status = -1;
        const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
        EXPECT_EQ(status, 0) << check;
        const std::string report = SaveAndRun(folder, pdf, "pdffonts", &status);
        const std::regex font(R"re(\n(\S+) +(TrueType|Type 1) +(\S+) )re");
        std::string fonts;
        for (auto it = std::sregex_iterator(report.begin(), report.end(), font); it != std::sregex_iterator(); ++it)
            fonts += (*it)[1].str() + " " + (*it)[2].str() + " " + (*it)[3].str() + "|";
        EXPECT_EQ(fonts, c.fonts) << report;
        // Blank lines depend on how poppler spaces the lines, so only the lines count.
        const std::string lines = RunCommand(
            "pdftotext -layout " + folder.File("out.pdf") + " - | tr -d '\\f' | sed 's/^ *//;/^$/d'", &status);
        EXPECT_EQ(status, 0) << lines;
        EXPECT_EQ(lines, "Planogram bay 4\nShelf (A) \\ 12 facings\nPrice 1.99\n"
                         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80\n");
    }
}
