#include "reports/PdfComposition.h"

#include "pdf/PDFR2.h"
#include "platform/core/FilePaths.h"
#include "testing/FixedPrinter.h"
#include "testing/ScriptedUi.h"

#include "ExportFixture.h"
#include "PdfJudging.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

constexpr TSize A4{2480, 3508};

class PdfComposition : public testing::Test, protected ExportDocument {
protected:
    ScriptedUi ui;
    TemporaryFolder folder;
    TPdfPrinter pdf;

    PdfComposition()
    {
        SetUpPdfExport(pdf);
        MakeWall(60, 40, 0x336699);
    }
    std::string Make(const PdfChoices& choices, const std::string& name = "plan.pdf")
    {
        MakePdf(mainWindow, document, pdf, choices, folder.File(name), A4, true);
        return folder.File(name);
    }
};

int RequiresPassword(const std::string& file)
{
    int status = -1;
    RunCommand("qpdf --requires-password '" + file + "'", &status);
    return status;
}

// The lines of each page as pdftotext lays them out, blank lines left out.
std::vector<std::vector<std::string>> PageLines(const std::string& file)
{
    std::vector<std::vector<std::string>> pages(1);
    const std::string text = Judged("pdftotext -layout '" + file + "' -");
    std::string line;
    for (const char c : text) {
        if (c == '\f')
            pages.emplace_back();
        else if (c != '\n')
            line.push_back(c);
        if ((c == '\n' || c == '\f') && !WordsOf(line).empty())
            pages[pages.size() - (c == '\f' ? 2 : 1)].push_back(Joined(WordsOf(line)));
        if (c == '\n' || c == '\f')
            line.clear();
    }
    pages.pop_back();
    return pages;
}

} // namespace

// "Password to open" is needed to open the file, "Password to edit" to change its permissions; a
// withheld permission encrypts without a password; each export starts from what the dialog shows.
TEST_F(PdfComposition, EncryptsAsTheDialogSays)
{
    struct Case {
        const char* open;
        const char* edit;
        bool print;
        int requiresPassword; // qpdf: 0 needs one, 2 not encrypted, 3 encrypted without one
        const char* password; // the one that opens it, and what it is
        const char* supplied;
        const char* printing;
    };
    const Case cases[] = {
        {"sesame", "", true, 0, "sesame", "owner", "allowed"},
        {"", "master", true, 3, "master", "owner", "allowed"},
        {"sesame", "master", true, 0, "master", "owner", "allowed"},
        {"sesame", "master", false, 0, "sesame", "user", "not allowed"},
        {"", "", false, 3, "", "owner", "not allowed"},
        {"", "", true, 2, "", "", ""},
    };
    for (const Case& c : cases) {
        PdfChoices choices;
        choices.passwordToOpen = c.open;
        choices.passwordToEdit = c.edit;
        choices.allowPrinting = c.print;
        const std::string file = Make(choices);
        SCOPED_TRACE(std::string(c.open) + "/" + c.edit + (c.print ? "" : " no printing"));
        EXPECT_EQ(RequiresPassword(file), c.requiresPassword);
        const std::string password = std::string("--password=") + c.password + " ";
        Judged("qpdf --check " + password + "'" + file + "'");
        const std::string shown = Judged("qpdf --show-encryption " + password + "'" + file + "'");
        if (c.requiresPassword == 2) {
            EXPECT_NE(shown.find("File is not encrypted"), std::string::npos) << shown;
            continue;
        }
        EXPECT_NE(shown.find("User password = " + std::string(c.open) + "\n"), std::string::npos) << shown;
        if (*c.password) {
            EXPECT_NE(shown.find(std::string("Supplied password is ") + c.supplied + " password"), std::string::npos)
                << shown;
        }
        EXPECT_NE(shown.find(std::string("print high resolution: ") + c.printing + "\n"), std::string::npos) << shown;
        EXPECT_NE(shown.find("modify other: allowed"), std::string::npos) << shown;
    }
}

TEST_F(PdfComposition, AFailedRenderOrWriteKeepsTheOldFile)
{
    WriteWholeFile(folder.File("plan.pdf"), "older");
    PdfChoices choices;
    choices.planogramType = 1;
    mainWindow.bar.cancelAtStep = 1;
    ui.AnswerMessage(MsgAnswer::OK);
    for (int left : {5, 30})
        AddTestItem(document, "A", Rect(left, 5, left + 20, 25));
    Make(choices);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"PDF Export error occured."});
    EXPECT_EQ(ui.Calls().at(0).caption, "Export");
    EXPECT_EQ(ui.Calls().at(0).icon, MsgIcon::Exclamation);
    EXPECT_EQ(ReadWholeFile(folder.File("plan.pdf")), "older");

    mainWindow.bar.cancelAtStep = -1;
    {
        FileSizeLimit limit(200);
        EXPECT_NE(RaisedMessage<Exception>([&] { Make(choices); }), "nothing raised");
    }
    EXPECT_FALSE(pdf.DocumentOpen());
    EXPECT_EQ(ReadWholeFile(folder.File("plan.pdf")), "older");
    const TBitmap& back = document.backBitmap;
    EXPECT_EQ(PageSizes(Make(choices)),
              std::vector<std::string>{std::to_string(back.Width() * 2) + " x " + std::to_string(back.Height() * 2)});
}

TEST_F(PdfComposition, ReportPagesAreThePrintersPaper)
{
    FixedPrinter printer;
    struct Case {
        bool installed;
        TSize resolution;
        TRect area;
        TSize page;
    };
    const Case cases[] = {
        {true, {600, 600}, {150, 150, 4950, 6450}, {2400, 3150}},
        {true, {300, 600}, {0, 0, 2550, 6600}, {2550, 3300}},
        {true, {0, 0}, {0, 0, 2550, 3300}, A4},
        {false, {600, 600}, {0, 0, 4800, 6300}, A4},
    };
    for (const Case& c : cases) {
        printer.installed = c.installed;
        printer.resolution = c.resolution;
        printer.printableArea = c.area;
        EXPECT_EQ(ReportPageSize(printer), c.page) << c.area.Right;
    }
    const TSize page = ReportPageSize(printer);
    EXPECT_EQ(FitReportLayout(page, {"Kestrame Report\t10\t20"}, 360), (ReportLayout{page, 300}));
    EXPECT_EQ(FitReportLayout(page, {"wide\t\t\t\t\t\t\tend"}, 360), (ReportLayout{{page.cx * 2, page.cy * 2}, 600}));
}

// A report longer than the page goes on to further pages of the same size, each from the top; one
// that fits keeps its one page.
TEST_F(PdfComposition, LongReportsGoOnToFurtherPages)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= 30; ++i)
        lines.push_back("Line " + std::to_string(i) + "\tcolumn");
    pdf.Filename = folder.File("report.pdf");
    pdf.BeginDoc();
    EXPECT_EQ(AddReportText(pdf, {"Short", "report"}, 360, TSize{600, 400}), 2);
    EXPECT_EQ(AddReportText(pdf, lines, 360, TSize{600, 400}), 30);
    pdf.EndDoc();

    Judged("qpdf --check '" + pdf.Filename + "'");
    const std::vector<std::vector<std::string>> pages = PageLines(pdf.Filename);
    ASSERT_GE(pages.size(), 3u);
    EXPECT_EQ(PageSizes(pdf.Filename), std::vector<std::string>(pages.size(), "144 x 96"));
    const std::size_t perPage = pages[1].size();
    EXPECT_GE(perPage, 2u);
    EXPECT_EQ(pages[0], (std::vector<std::string>{"Short", "report"}));
    std::vector<std::string> found;
    for (std::size_t page = 1; page < pages.size(); ++page) {
        EXPECT_EQ(pages[page].size(), page + 1 < pages.size() ? perPage : 30 - perPage * (pages.size() - 2)) << page;
        found.insert(found.end(), pages[page].begin(), pages[page].end());
    }
    std::vector<std::string> expected;
    for (int i = 1; i <= 30; ++i)
        expected.push_back("Line " + std::to_string(i) + " column");
    EXPECT_EQ(found, expected);
    // Each page's last line lies within it: 96 points high.
    const std::string words = Judged("pdftotext -bbox -f 2 -l 2 '" + pdf.Filename + "' -");
    const std::regex bottom(R"re(yMax="([\d.]+)")re");
    for (auto match = std::sregex_iterator(words.begin(), words.end(), bottom); match != std::sregex_iterator(); ++match)
        EXPECT_LE(std::stod((*match)[1].str()), 96);
}
