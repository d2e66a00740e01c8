#include "MainFormFixture.h"

#include "app/SmallDialogs.h"
#include "pdf/PDFR2.h"
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

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

struct PlacedWord {
    double x = 0, y = 0;
    std::string text;
};

// The words of one page as pdftotext places them, in points from the page's top left.
std::vector<PlacedWord> PlacedWords(const std::string& file, int page)
{
    const std::string page_ = std::to_string(page);
    const std::string boxes = Judged("pdftotext -bbox -f " + page_ + " -l " + page_ + " '" + file + "' -");
    const std::regex word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)<)re");
    std::vector<PlacedWord> words;
    for (auto match = std::sregex_iterator(boxes.begin(), boxes.end(), word); match != std::sregex_iterator(); ++match)
        words.push_back({std::stod((*match)[1].str()), std::stod((*match)[2].str()), (*match)[3].str()});
    return words;
}

std::vector<std::string> Pieces(const std::string& line)
{
    std::vector<std::string> pieces(1);
    for (const char c : line)
        if (c == '\t')
            pieces.emplace_back();
        else
            pieces.back().push_back(c);
    return pieces;
}

class MakePdfCommand : public MainFormFixture {
protected:
    TpdfOP options{form.get()};
    FixedPrinter printer;
    TemporaryFolder out;

    MakePdfCommand()
    {
        pdfOP = &options;
        // 8 x 10.5 inches at 600 dpi.
        printer.printableArea = TRect{150, 150, 150 + 4800, 150 + 6300};
    }
    ~MakePdfCommand() override { pdfOP = nullptr; }

    std::string MakePdf(const std::string& name, int modalResult = mrOk)
    {
        ui.AnswerFile(FileDialogResult{out.File(name), 1});
        ui.AnswerModal(modalResult);
        form->MakePDF1->trigger();
        return out.File(name);
    }
    std::vector<std::string> ReportLines(const std::function<void(QuickReports&)>& make)
    {
        TReportText text;
        QuickReports reports(text);
        reports.document = &Active();
        make(reports);
        return text.lines;
    }
};

// Each piece after a TAB starts at a tab stop, 3 + k x tabStop units of the page's resolution.
void ExpectPiecesAtTabStops(const std::vector<std::string>& lines, const std::vector<PlacedWord>& words, int tabStop,
                            int resolution)
{
    std::map<long, std::vector<PlacedWord>> rows;
    for (const PlacedWord& word : words)
        rows[std::lround(word.y)].push_back(word);
    auto row = rows.begin();
    for (const std::string& line : lines) {
        if (WordsOf(line).empty())
            continue;
        ASSERT_NE(row, rows.end()) << line;
        std::vector<PlacedWord>& onLine = (row++)->second;
        std::sort(onLine.begin(), onLine.end(), [](const PlacedWord& a, const PlacedWord& b) { return a.x < b.x; });
        std::size_t at = 0;
        const std::vector<std::string> pieces = Pieces(line);
        for (std::size_t p = 0; p < pieces.size(); ++p) {
            if (pieces[p].empty() || pieces[p][0] == ' ')
                continue;
            while (at < onLine.size() && onLine[at].text != WordsOf(pieces[p])[0])
                ++at;
            ASSERT_LT(at, onLine.size()) << pieces[p] << " of " << line;
            const double units = onLine[at].x * resolution / 72;
            if (p == 0)
                EXPECT_NEAR(units, 40, 1) << line;
            else
                EXPECT_NEAR(std::remainder(units - 3, tabStop), 0, 1.5) << pieces[p] << " of " << line;
        }
    }
}

} // namespace

TEST_F(MakePdfCommand, WritesTheWallAndTheChosenReports)
{
    EXPECT_FALSE(form->MakePDF1->isEnabled());
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    ASSERT_TRUE(form->MakePDF1->isEnabled());
    EXPECT_EQ(form->sbMakePDF->defaultAction(), form->MakePDF1);
    const TBitmap& back = Active().backBitmap;

    // Cancelling either dialog writes nothing.
    ui.AnswerFile(std::nullopt);
    form->MakePDF1->trigger();
    EXPECT_FALSE(FileExists(MakePdf("cancelled.pdf", mrCancel)));
    const auto saves = ui.CallsOf(ScriptedUi::Kind::SaveDialog);
    ASSERT_EQ(saves.size(), 2u);
    EXPECT_EQ(saves[0].caption, "Save PDF");
    EXPECT_EQ(saves[0].fileOptions.filter, "Adobe Acrobat (*.pdf)|*.pdf");
    EXPECT_EQ(saves[0].fileOptions.defaultExt, "pdf");

    // The wall alone, one pixel one point, its pixels as they are.
    const std::string wall = MakePdf("wall.pdf");
    Judged("qpdf --check '" + wall + "'");
    const std::string size = std::to_string(back.Width()) + " x " + std::to_string(back.Height());
    EXPECT_EQ(PageSizes(wall), std::vector<std::string>{size});
    EXPECT_EQ(DecodedBy("pdfimages -f 1 -l 1 '" + wall + "' " + out.File("wall") + " && cat " + out.File("wall-000.ppm")),
              RgbOf(back));
    const std::string info = Judged("pdfinfo '" + wall + "'");
    EXPECT_TRUE(std::regex_search(info, std::regex("\nProducer: +Kestrame 3.5\n"))) << info;

    // The wall drawn at twice the scale, compressed as "High", and every report.
    options.rbPrintOptimized->setChecked(true);
    options.cbCompressImage->setCurrentIndex(2);
    for (QCheckBox* box : {options.cbListing, options.cbInvest, options.cbSpace, options.cbFixture, options.cbMoved,
                           options.cbTurnover, options.cbProfit})
        box->setChecked(true);
    const std::string full = MakePdf("full.pdf");
    Judged("qpdf --check '" + full + "'");
    const std::vector<std::string> sizes = PageSizes(full);
    ASSERT_GE(sizes.size(), 8u);
    EXPECT_EQ(sizes[0], std::to_string(back.Width() * 2) + " x " + std::to_string(back.Height() * 2));
    for (std::size_t page = 1; page < sizes.size(); ++page)
        EXPECT_EQ(sizes[page], "576 x 756") << page;
    Judged("pdfimages -j -f 1 -l 1 '" + full + "' " + out.File("full"));
    EXPECT_EQ(Judged("identify -format %Q " + out.File("full-000.jpg")), "50");
    const std::string fonts = Judged("pdffonts '" + full + "'");
    EXPECT_TRUE(std::regex_search(fonts, std::regex(R"(\nArial +TrueType +WinAnsi +no +no +no )"))) << fonts;

    // The reports' lines in the dialog's order, with the fixture listing after the space usage.
    const std::vector<std::function<void(QuickReports&)>> reports{
        [](QuickReports& r) { r.MakeProductListing(); },  [](QuickReports& r) { r.MakeInvestmentProfit(); },
        [](QuickReports& r) { r.MakeSpaceUsageForPdf(); }, [](QuickReports& r) { r.MakeFixtureListing(); },
        [](QuickReports& r) { r.MakeSalesRanking(0); },    [](QuickReports& r) { r.MakeSalesRanking(1); },
        [](QuickReports& r) { r.MakeSalesRanking(2); }};
    // Blanks aside: a piece ending at a tab stop runs into the next for pdftotext.
    std::string expected;
    for (const auto& make : reports)
        for (const std::string& line : ReportLines(make))
            expected += Joined(WordsOf(toQString(line).toStdString()), "");
    EXPECT_EQ(Joined(WordsOf(Judged("pdftotext -layout -f 2 '" + full + "' -")), ""), expected);
    // The listing's lines are wider than the paper: its page is the same paper at twice the units.
    const TSize page{2400, 3150};
    EXPECT_EQ(FitReportLayout(page, ReportLines(reports[0]), 460), (ReportLayout{TSize{4800, 6300}, 600}));
    ExpectPiecesAtTabStops(ReportLines(reports[0]), PlacedWords(full, 2), 460, 600);
    const int investment = FitReportLayout(page, ReportLines(reports[1]), 360).resolution;
    ExpectPiecesAtTabStops(ReportLines(reports[1]), PlacedWords(full, 3), 360, investment);
}

TEST_F(MakePdfCommand, FollowsTheFileMenusRule)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    form->FileMenuClick();
    EXPECT_TRUE(form->MakePDF1->isEnabled());
    EXPECT_TRUE(form->sbMakePDF->isEnabled());
    form->ClearActiveDocument();
    form->FileMenuClick();
    EXPECT_FALSE(form->MakePDF1->isEnabled());
    EXPECT_FALSE(form->sbMakePDF->isEnabled());
    EXPECT_FALSE(form->SaveItem->isEnabled());
}
