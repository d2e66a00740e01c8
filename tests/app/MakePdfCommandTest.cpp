#include "MainFormFixture.h"

#include "app/SmallDialogs.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "reports/PdfComposition.h"
#include "reports/QuickReports.h"
#include "reports/ReportText.h"
#include "testing/FixedPrinter.h"

#include "ImageTestSupport.h"
#include "PdfJudging.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QToolButton>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace {

// Where pdftotext puts the words on the row of `anchor` on the page, across in points.
std::map<std::string, double> RowOf(const std::string& file, int page, const std::string& anchor)
{
    const std::string n = std::to_string(page);
    const std::string boxes = Judged("pdftotext -bbox -f " + n + " -l " + n + " '" + file + "' -");
    const std::regex word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)<)re");
    std::map<std::string, std::map<std::string, double>> rows;
    std::string anchorRow;
    for (auto match = std::sregex_iterator(boxes.begin(), boxes.end(), word); match != std::sregex_iterator();
         ++match) {
        rows[(*match)[2]].emplace((*match)[3], std::stod((*match)[1]));
        anchorRow = (*match)[3] == anchor ? (*match)[2].str() : anchorRow;
    }
    return rows[anchorRow];
}

} // namespace

TEST_F(MainFormFixture, MakePdfWritesTheWallAndTheChosenReports)
{
    TpdfOP options(form.get());
    pdfOP = &options;
    FixedPrinter printer; // 8 x 10.5 inches at 600 dpi
    printer.printableArea = TRect{150, 150, 150 + 4800, 150 + 6300};
    TemporaryFolder out;
    const auto makePdf = [&](const std::string& name, int modalResult = mrOk) {
        ui.AnswerFile(FileDialogResult{out.File(name), 1});
        ui.AnswerModal(modalResult);
        form->MakePDF1->trigger();
        return out.File(name);
    };

    // Enabled as the File menu says: with a planogram that has items.
    EXPECT_FALSE(form->MakePDF1->isEnabled());
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    form->FileMenuClick();
    ASSERT_TRUE(form->sbMakePDF->isEnabled());
    EXPECT_EQ(form->sbMakePDF->defaultAction(), form->MakePDF1);
    const TBitmap& back = Active().backBitmap;

    // Cancelling either dialog writes nothing.
    ui.AnswerFile(std::nullopt);
    form->MakePDF1->trigger();
    EXPECT_FALSE(FileExists(makePdf("cancelled.pdf", mrCancel)));
    const ScriptedUi::Call save = ui.CallsOf(ScriptedUi::Kind::SaveDialog).at(0);
    EXPECT_EQ(save.caption + save.fileOptions.filter + save.fileOptions.defaultExt,
              "Save PDFAdobe Acrobat (*.pdf)|*.pdfpdf");

    // The wall alone, one pixel one point, its pixels as they are.
    const std::string wall = makePdf("wall.pdf");
    Judged("qpdf --check '" + wall + "'");
    EXPECT_EQ(PageSizes(wall),
              std::vector<std::string>{std::to_string(back.Width()) + " x " + std::to_string(back.Height())});
    EXPECT_EQ(DecodedBy("pdfimages '" + wall + "' " + out.File("wall") + " && cat " + out.File("wall-000.ppm")),
              RgbOf(back));
    EXPECT_TRUE(std::regex_search(Judged("pdfinfo '" + wall + "'"), std::regex("\nProducer: +Kestrame 3.5\n")));

    // Twice the scale, "High" compression and every report, on the printer's paper.
    options.rbPrintOptimized->setChecked(true);
    options.cbCompressImage->setCurrentIndex(2);
    for (QCheckBox* box : {options.cbListing, options.cbInvest, options.cbSpace, options.cbFixture, options.cbMoved,
                           options.cbTurnover, options.cbProfit})
        box->setChecked(true);
    const std::string full = makePdf("full.pdf");
    Judged("qpdf --check '" + full + "'");
    std::vector<std::string> sizes(8, "576 x 756");
    sizes[0] = std::to_string(back.Width() * 2) + " x " + std::to_string(back.Height() * 2);
    EXPECT_EQ(PageSizes(full), sizes);
    Judged("pdfimages -j -f 1 -l 1 '" + full + "' " + out.File("full"));
    EXPECT_EQ(Judged("/usr/bin/identify -format %Q " + out.File("full-000.jpg")), "50");
    EXPECT_TRUE(
        std::regex_search(Judged("pdffonts '" + full + "'"), std::regex(R"(\nArial +TrueType +WinAnsi +no +no +no )")));

    // The reports' lines in the dialog's order, the fixture listing after the space usage.
    std::string expected;
    TReportText text;
    QuickReports reports(text);
    reports.document = &Active();
    for (const auto& make : {&QuickReports::MakeProductListing, &QuickReports::MakeInvestmentProfit,
                             &QuickReports::MakeSpaceUsageForPdf, &QuickReports::MakeFixtureListing})
        for ((reports.*make)(); const std::string& line : text.lines)
            expected += toQString(line).toStdString();
    for (int kind = 0; kind < 3; ++kind)
        for (reports.MakeSalesRanking(kind); const std::string& line : text.lines)
            expected += toQString(line).toStdString();
    // Blanks aside: a piece ending just at a tab stop runs into the next for pdftotext.
    EXPECT_EQ(Unspaced(Judged("pdftotext -layout -f 2 '" + full + "' -")), Unspaced(expected));

    // Each piece after a TAB at a tab stop of 360 units from 3; the line itself 40 units in. The
    // report's units are the paper's at 300 per inch or, for lines wider than it, a multiple.
    reports.MakeInvestmentProfit();
    const int resolution = FitReportLayout(TSize{2400, 3150}, text.lines, 360).resolution;
    EXPECT_EQ(FitReportLayout(TSize{2400, 3150}, {"Short\tline"}, 360).resolution, 300);
    const std::map<std::string, double> row = RowOf(full, 3, "Qty");
    ASSERT_EQ(text.lines.at(2).rfind("Item\tQty\tUnit Cost\tRetail Price\t", 0), 0u);
    EXPECT_NEAR(row.at("Item") * resolution / 72, 40, 1);
    for (const char* piece : {"Qty", "Unit", "Retail", "Margin", "Invs.", "Profit"})
        EXPECT_NEAR(std::remainder(row.at(piece) * resolution / 72 - 3, 360), 0, 1.5) << piece;

    form->ClearActiveDocument();
    form->FileMenuClick();
    EXPECT_FALSE(form->sbMakePDF->isEnabled());
    pdfOP = nullptr;
}
