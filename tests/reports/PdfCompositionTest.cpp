#include "reports/PdfComposition.h"

#include "pdf/PDFR2.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "testing/FixedPrinter.h"
#include "testing/ScriptedUi.h"

#include "ExportFixture.h"
#include "PdfJudging.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class PdfComposition : public testing::Test, protected ExportDocument {
protected:
    ScriptedUi ui;
    TemporaryFolder folder;
    TPdfPrinter pdf;
    const std::string file = folder.File("plan.pdf");

    PdfComposition()
    {
        SetUpPdfExport(pdf);
        MakeWall(60, 40, 0x336699);
    }
    void Make(const PdfChoices& choices) { MakePdf(mainWindow, document, pdf, choices, file, {2480, 3508}, true); }
};

} // namespace

// "Password to open" opens the file, "Password to edit" changes its permissions, and only it: with
// none the owner's key is random; a withheld permission encrypts without a password; each export
// starts from what the dialog shows.
TEST_F(PdfComposition, EncryptsAsTheDialogSays)
{
    struct Case {
        const char *open, *edit;
        bool print;
        int requiresPassword;        // qpdf: 0 needs one, 2 not encrypted, 3 encrypted without one
        const char *password, *kind; // one that opens the file, and which it is
    };
    for (const Case& c :
         {Case{"sesame", "", true, 0, "sesame", "user"}, Case{"sesame", "", false, 0, "sesame", "user"},
          Case{"", "master", true, 3, "master", "owner"}, Case{"sesame", "master", true, 0, "master", "owner"},
          Case{"sesame", "master", false, 0, "sesame", "user"}, Case{"", "", false, 3, "", "user"},
          Case{"", "", true, 2, "", ""}}) {
        SCOPED_TRACE(std::string(c.open) + "/" + c.edit + (c.print ? "" : " no printing"));
        PdfChoices choices;
        choices.passwordToOpen = c.open;
        choices.passwordToEdit = c.edit;
        choices.allowPrinting = c.print;
        Make(choices);
        int status = -1;
        RunCommand("qpdf --requires-password '" + file + "'", &status);
        EXPECT_EQ(status, c.requiresPassword);
        const std::string password = std::string(" --password=") + c.password + " '" + file + "'";
        Judged("qpdf --check" + password);
        const std::string shown = Judged("qpdf --show-encryption" + password);
        const std::string printing = c.print ? "allowed\n" : "not allowed\n";
        for (const std::string& line :
             c.requiresPassword == 2
                 ? std::vector<std::string>{"File is not encrypted"}
                 : std::vector<std::string>{"User password = " + std::string(c.open) + "\n",
                                            "Supplied password is " + std::string(c.kind),
                                            "print high resolution: " + printing, "modify other: allowed\n"})
            EXPECT_NE(shown.find(line), std::string::npos) << line << " in " << shown;
        EXPECT_EQ(shown.find("Supplied password is owner") != std::string::npos, std::string(c.kind) == "owner")
            << shown;
    }
}

TEST_F(PdfComposition, AFailedRenderOrWriteKeepsTheOldFile)
{
    WriteWholeFile(file, "older");
    for (int left : {5, 30})
        AddTestItem(document, "A", Rect(left, 5, left + 20, 25));
    PdfChoices printOptimized;
    printOptimized.planogramType = 1;
    mainWindow.bar.cancelAtStep = 1;
    ui.AnswerMessage(MsgAnswer::OK);
    Make(printOptimized);
    EXPECT_EQ(ui.Calls().at(0).text + "|" + ui.Calls().at(0).caption, "PDF Export error occured.|Export");
    EXPECT_EQ(ui.Calls().at(0).icon, MsgIcon::Exclamation);
    EXPECT_EQ(ReadWholeFile(file), "older");

    mainWindow.bar.cancelAtStep = -1;
    {
        FileSizeLimit limit(200);
        EXPECT_NE(RaisedMessage<Exception>([&] { Make(printOptimized); }), "nothing raised");
    }
    EXPECT_EQ(ReadWholeFile(file), "older");
    Make(printOptimized);
    const TBitmap& back = document.backBitmap;
    EXPECT_EQ(PageSizes(file),
              std::vector<std::string>{std::to_string(back.Width() * 2) + " x " + std::to_string(back.Height() * 2)});
}

// The printable area in inches at 300 a inch, or A4; a report longer than the page goes on to
// further pages of the same size, each from the top, and one that fits keeps its one page.
TEST_F(PdfComposition, ReportPagesAreThePrintersPaperOneAfterAnother)
{
    FixedPrinter printer;
    printer.printableArea = TRect{150, 150, 4950, 6450};
    EXPECT_EQ(ReportPageSize(printer), (TSize{2400, 3150}));
    printer.resolution = TSize{300, 600};
    EXPECT_EQ(ReportPageSize(printer), (TSize{4800, 3150}));
    printer.resolution = TSize{0, 0};
    EXPECT_EQ(ReportPageSize(printer), (TSize{2480, 3508}));
    printer.resolution = TSize{600, 600};
    printer.installed = false;
    EXPECT_EQ(ReportPageSize(printer), (TSize{2480, 3508}));

    std::vector<std::string> lines;
    std::string expected;
    for (int i = 1; i <= 30; ++i) {
        lines.push_back("Line" + std::to_string(i) + "\tcolumn");
        expected += "Line" + std::to_string(i) + "column";
    }
    pdf.Filename = file;
    pdf.BeginDoc();
    EXPECT_EQ(AddReportText(pdf, {"Short", "report"}, {0, 86}, TSize{600, 400}), 2);
    EXPECT_EQ(AddReportText(pdf, lines, {0, 86}, TSize{600, 400}), 30);
    pdf.EndDoc();
    // 12-point lines are about 56 units apart: 7 on a page 400 high.
    EXPECT_EQ(PageSizes(file), std::vector<std::string>(6, "144 x 96"));
    EXPECT_EQ(Unspaced(Judged("pdftotext -layout -l 1 '" + file + "' -")), "Shortreport");
    EXPECT_EQ(Unspaced(Judged("pdftotext -layout -f 2 -l 2 '" + file + "' -")),
              expected.substr(0, expected.find("Line8")));
    EXPECT_EQ(Unspaced(Judged("pdftotext -layout -f 2 '" + file + "' -")), expected);
    EXPECT_EQ(Unspaced(Judged("pdftotext -layout -f 6 '" + file + "' -")), expected.substr(expected.find("Line29")));
}

// Piece k of every line in column k: at the report's stop (points at 300 units an inch) when the
// pieces before it fit, else two blanks after the longest; a piece runs on over an empty column of
// its line, and pieces beyond the stops follow on.
TEST(ReportColumns, EachPieceStandsInItsColumn)
{
    TMetafile scratch;
    TMetafileCanvas canvas(scratch);
    canvas.Font.Name = "Arial";
    canvas.Font.SetSize(12);
    canvas.Font.SetPixelsPerInch(ReportResolution);
    const int gap = canvas.TextWidth("  ");
    const int wide = 150 + canvas.TextWidth("Lemon Soda 1...") + gap;
    const std::vector<std::string> lines{"Key\tLemon Soda 1...\tQty\t\tStack", "1\tCola\t4\t2\t3\t5"};
    const ReportColumns columns = LayReportColumns(lines, {0, 36, 72, 168, 240});
    EXPECT_EQ(columns.starts, (std::vector<int>{0, 150, wide, 700, 1000, 1000 + canvas.TextWidth("3") + gap}));
    EXPECT_EQ(columns.width, 1000 + canvas.TextWidth("Stack"));
    EXPECT_EQ(FitReportLayout(TSize{2400, 3150}, 2320), (ReportLayout{TSize{2400, 3150}, 300}));
    EXPECT_EQ(FitReportLayout(TSize{2400, 3150}, 2321), (ReportLayout{TSize{4800, 6300}, 600}));
}
