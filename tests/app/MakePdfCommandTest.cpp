#include "MainFormFixture.h"

#include "app/SmallDialogs.h"
#include "pdf/PdfSecurity.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Seams.h"
#include "platform/graphics/JPEGCompressor.h"
#include "reports/PdfComposition.h"
#include "reports/QuickReports.h"
#include "reports/ReportText.h"
#include "testing/FixedPrinter.h"

#include "ImageTestSupport.h"
#include "PdfJudging.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace {

// Every piece of the report's lines, split at TABs, stands in its column on the page: the words
// pdftotext reads on each line's row hold the piece's first word where the column starts (within a
// blank, as a piece may start with one). The rows come from the top; a line without words has none.
void ExpectPiecesInColumns(const std::string& file, int page, const std::vector<std::string>& lines,
                           const std::vector<int>& columns, double points)
{
    const std::string n = std::to_string(page);
    const std::string boxes = Judged("pdftotext -bbox -f " + n + " -l " + n + " '" + file + "' -");
    const std::regex word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)<)re");
    std::map<double, std::map<double, std::string>> rows;
    for (auto match = std::sregex_iterator(boxes.begin(), boxes.end(), word); match != std::sregex_iterator(); ++match)
        rows[std::stod((*match)[2])][std::stod((*match)[1])] = (*match)[3];
    auto row = rows.begin();
    for (const std::string& line : lines) {
        if (Unspaced(line).empty())
            continue;
        ASSERT_NE(row, rows.end()) << line;
        std::istringstream pieces(toQString(line).toStdString());
        std::string piece, first;
        for (std::size_t k = 0; std::getline(pieces, piece, '\t'); ++k) {
            if (!(std::istringstream(piece) >> first))
                continue;
            const double x = (ReportLeft + columns.at(k)) * points;
            const auto found = row->second.lower_bound(x - 0.5);
            EXPECT_TRUE(found != row->second.end() && found->first < x + 16 * points && found->second == first)
                << first << " at " << x << " in " << line;
        }
        ++row;
    }
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

    // Memory running short in the wall's compression: the usual message, no file, no temporary.
    SetJPEGBlockAllocator([](std::size_t bytes) { return bytes > 4096 ? nullptr : std::malloc(bytes); });
    ui.AnswerMessage(MsgAnswer::OK);
    makePdf("short.pdf");
    SetJPEGBlockAllocator(nullptr);
    EXPECT_EQ(ui.Calls().back().text, "Out of memory.");
    EXPECT_EQ(RunCommand("ls -A '" + out.Path() + "' | grep -c -e short -e '^[.]'"), "0\n");

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

    // Every value stands under its heading, the lines 40 units in; the units are the paper's at 300
    // per inch or, for lines wider than it, a multiple.
    const std::pair<int, void (QuickReports::*)()> pages[] = {{2, &QuickReports::MakeProductListing},
                                                              {3, &QuickReports::MakeInvestmentProfit},
                                                              {4, &QuickReports::MakeSpaceUsageForPdf}};
    for (const auto& [page, make] : pages) {
        (reports.*make)();
        const ReportColumns columns = LayReportColumns(text.lines, text.tabStops);
        const double points = 72.0 / FitReportLayout(TSize{2400, 3150}, columns.width).resolution;
        ExpectPiecesInColumns(full, page, text.lines, columns.starts, points);
    }

    form->ClearActiveDocument();
    form->FileMenuClick();
    EXPECT_FALSE(form->sbMakePDF->isEnabled());
    pdfOP = nullptr;
}

// A product photo of 92 million pixels, more than the picture cache could ever keep whole, is drawn
// on the wall and on the display page of a PDF, not as the product's box.
TEST_F(MainFormFixture, MakePdfDrawsAProductPhotoOfNinetyTwoMillionPixels)
{
    // White round the colour, as product photos are: white is the picture's transparent colour.
    WriteStripedJpeg(program.File("Catalogs/SK-101.jpg"), 9600, 9600, {clWhite, 0x2040C0, clWhite});
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    const ListOB* item = Active().items->head;
    while (item && item->index != "SK-101")
        item = item->next;
    ASSERT_TRUE(item);
    const int x = (item->left + item->right) / 2, y = (item->top + item->bottom) / 2;
    const auto photo = [](const Rgb& pixel) {
        return std::abs(pixel.r - 0xC0) <= 6 && std::abs(pixel.g - 0x40) <= 6 && std::abs(pixel.b - 0x20) <= 6;
    };
    EXPECT_TRUE(photo(RgbOf(Active().backBitmap).At(x, y))) << RgbOf(Active().backBitmap).At(x, y);

    TpdfOP options(form.get());
    pdfOP = &options;
    FixedPrinter printer;
    options.rbPrintOptimized->setChecked(true);
    TemporaryFolder out;
    ui.AnswerFile(FileDialogResult{out.File("photo.pdf"), 1});
    ui.AnswerModal(mrOk);
    form->MakePDF1->trigger();
    const RgbImage page = DecodedBy("pdfimages '" + out.File("photo.pdf") + "' " + out.File("photo") + " && cat " +
                                    out.File("photo-000.ppm"));
    ASSERT_EQ(page.width, Active().backBitmap.Width() * 2);
    EXPECT_TRUE(photo(page.At(2 * x, 2 * y))) << page.At(2 * x, 2 * y);
    pdfOP = nullptr;
}

// "Password to open" alone opens the file as a user only, so the unticked permissions hold, and its
// owner entry, which holds that password, gives nothing away; a password with a letter PDFDocEncoding
// lacks is refused, by the dialog's Ok and by the command, and nothing is written; one it holds is
// written in it.
TEST_F(MainFormFixture, MakePdfKeepsThePermissionsAndRefusesForeignPasswords)
{
    TpdfOP options(form.get());
    pdfOP = &options;
    TemporaryFolder out;
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    options.edPassword->setText("sesame");
    for (QCheckBox* allow : {options.cbPrint, options.cbEdit, options.cbCopy})
        allow->setChecked(false);
    ui.AnswerFile(FileDialogResult{out.File("locked.pdf"), 1});
    ui.AnswerModal(mrOk);
    using std::chrono::milliseconds;
    const auto started = std::chrono::duration_cast<milliseconds>(Now().time_since_epoch()).count();
    form->MakePDF1->trigger();
    const auto ended = std::chrono::duration_cast<milliseconds>(Now().time_since_epoch()).count();
    const std::string shown = Judged("qpdf --show-encryption --password=sesame '" + out.File("locked.pdf") + "'");
    for (const char* line : {"Supplied password is user password\n", "print high resolution: not allowed\n",
                             "modify other: not allowed\n", "extract for any purpose: not allowed\n"})
        EXPECT_NE(shown.find(line), std::string::npos) << line << " in " << shown;
    EXPECT_EQ(shown.find("owner password"), std::string::npos) << shown;
    // The generator seeded with the time made the document ID the file shows; replayed, its next
    // bytes must not be the owner key's.
    const std::string locked = ReadWholeFile(out.File("locked.pdf"));
    bool replayed = false;
    for (auto tick = started; tick <= ended && !replayed; ++tick) {
        LibraryRandom generator;
        generator.Seed(static_cast<std::uint32_t>(tick));
        std::string id;
        while (id.size() < 16)
            id += static_cast<char>('A' + generator.Next(26));
        if (locked.find("/ID[" + TPdfFileWriter::HexString(id.data(), id.size())) == std::string::npos)
            continue;
        replayed = true;
        TPdfEncryptInfo::TPasswordBlock owner;
        for (std::uint8_t& byte : owner)
            byte = static_cast<std::uint8_t>(generator.Next(255));
        const auto o = TPdfEncryptInfo::OValueOf(owner, TPdfEncryptInfo::PadPassword("sesame"), false);
        EXPECT_EQ(locked.find("/O" + TPdfFileWriter::HexString(o.data(), o.size())), std::string::npos);
    }
    EXPECT_TRUE(replayed);

    // Refused by Ok, which keeps the dialog open, and by the command, which writes nothing.
    const char* refusal = "A PDF password can hold only letters of the Western European (Windows-1252) character set.";
    const std::pair<QString, bool> passwords[] = {
        {"\u0441\u0435\u043a\u0440\u0435\u0442", false}, {"caf\u00e9\u00a0", false}, {"\u20acuro", true}};
    for (const auto& [open, accepted] : passwords) {
        options.edPassword->setText(open);
        ui.ClearCalls();
        for (int answers = accepted ? 0 : 2; answers > 0; --answers)
            ui.AnswerMessage(MsgAnswer::OK);
        options.setResult(QDialog::Rejected);
        options.PageControl1->setCurrentIndex(0);
        options.Button1->click();
        EXPECT_EQ(options.result(), accepted ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(options.PageControl1->currentIndex(), accepted ? 0 : 1);
        const std::string file = out.File(accepted ? "accepted.pdf" : "refused.pdf");
        ui.AnswerFile(FileDialogResult{file, 1});
        ui.AnswerModal(mrOk);
        form->MakePDF1->trigger();
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>(accepted ? 0 : 2, refusal));
        for (const ScriptedUi::Call& message : ui.CallsOf(ScriptedUi::Kind::MessageBox))
            EXPECT_EQ(message.caption, "PDF Options");
        EXPECT_EQ(FileExists(file), accepted);
    }
    // € is 0xA0 in PDFDocEncoding: poppler, which takes the bytes it is given, opens the file with them.
    Judged("pdfinfo -upw '\xA0uro' '" + out.File("accepted.pdf") + "'");
    pdfOP = nullptr;
}
