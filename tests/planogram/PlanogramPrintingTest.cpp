#include "planogram/PlanogramDocument.h"
#include "planogram/plandocCode.h"
#include "platform/core/CodePage.h"
#include "platform/core/Seams.h"
#include "platform/ui/PrintStatus.h"
#include "platform/ui/QtUiServices.h"
#include "testing/DocumentFakes.h"
#include "testing/RecordingPrintTarget.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageSize>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace {

constexpr TColor WallColor = 0xE0E0E0;
constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;

TPrintStatus* ShownStatus()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* status = dynamic_cast<TPrintStatus*>(widget); status && status->isVisible())
            return status;
    return nullptr;
}

class Printing : public testing::Test {
protected:
    ScopedSettingsFolder settings;
    ScriptedUi ui;
    TemporaryFolder folder;
    FakeMainWindow mainWindow;
    FakeSelector selector;
    FakeSetupDialog setup;
    FakeCatalogKinds catalogs;
    FakeCatalogFinder finder;
    FakePictureFinder pictures;
    QMdiArea area;
    Tplandoc* window = nullptr;

    Printing()
    {
        area.resize(900, 700);
        area.show();
    }

    std::string SolidPicture(const std::string& name, TColor color)
    {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(4, 4);
        bitmap.Canvas().Brush.Color = color;
        bitmap.Canvas().FillRect(Rect(0, 0, 4, 4));
        bitmap.SaveToFile(folder.File(name));
        return folder.File(name);
    }

    // A shown window titled "Wall A" with two one-colour products, the stamp off.
    PlanogramDocument& Wall(int width, int height)
    {
        window = new Tplandoc(PlandocServices{mainWindow, selector, setup, finder, pictures});
        QMdiSubWindow* frame = area.addSubWindow(window);
        frame->setWindowTitle("Wall A");
        frame->show();
        PlanogramDocument& document = window->Document();
        document.backgroundColor = WallColor;
        EXPECT_TRUE(document.NewDocument(width, height));
        document.showDateTimeStamp = false;
        document.graphics.transparencySetting = false;
        AddTestItem(document, "red", Rect(0, 0, width / 2, height / 2), Red, SolidPicture("red.bmp", Red));
        AddTestItem(document, "green", Rect(width / 2, height / 2, width, height), Green,
                    SolidPicture("green.bmp", Green));
        document.renderer.RedrawAll();
        return document;
    }

    void Print()
    {
        ui.AnswerPrint(PrintChoice{});
        window->PrintPlanogram();
        EXPECT_EQ(ShownStatus(), nullptr);
    }

    // Presses the status window's Cancel as soon as the print shows it.
    static void CancelWhenShown(bool byKeyboard)
    {
        QTimer::singleShot(0, [byKeyboard] {
            TPrintStatus* status = ShownStatus();
            ASSERT_NE(status, nullptr);
            const QPointer<TPrintStatus> alive(status);
            if (byKeyboard) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
                QApplication::sendEvent(status->Button1, &press);
                QApplication::sendEvent(status->Button1, &release);
            } else {
                status->Button1->click();
            }
            ASSERT_FALSE(alive.isNull());
            EXPECT_TRUE(status->isHidden());
            EXPECT_EQ(status->lbPrintStatus->text(), "Print canceled");
        });
    }

    static std::string Tool(const std::string& command)
    {
        int status = 0;
        const std::string output = RunCommand(command + " 2>&1", &status);
        EXPECT_EQ(status, 0) << command << "\n" << output;
        return output;
    }

    // The program's printer writes PDF on a fixed page without margins.
    static void PrintToPdf(const std::string& path, const QPageSize& size, int dpi)
    {
        QPrinter& printer = ProgramPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(toQString(path));
        printer.setPageSize(size);
        printer.setResolution(dpi);
        printer.setFullPage(false);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }
};

bool Near(QRgb pixel, TColor color)
{
    const int tolerance = 24;
    return std::abs(qRed(pixel) - GetRValue(color)) <= tolerance &&
           std::abs(qGreen(pixel) - GetGValue(color)) <= tolerance &&
           std::abs(qBlue(pixel) - GetBValue(color)) <= tolerance;
}

} // namespace

TEST_F(Printing, WallShapeChoosesTheOrientationAndTheCaptionTitlesTheJob)
{
    RecordingPrinter printer;
    for (const auto& [width, height] : {std::pair{400, 300}, std::pair{300, 300}, std::pair{300, 400}}) {
        Wall(width, height);
        ui.AnswerPrint(std::nullopt);
        window->PrintPlanogram();
    }
    EXPECT_EQ(printer.record->orientations, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(printer.record->title, "Wall A");
    EXPECT_EQ(printer.record->begun, 0);
}

TEST_F(Printing, PageIsTheDoubledWallScaledToFill)
{
    RecordingPrinter printer;
    PlanogramDocument& document = Wall(400, 300);
    mainWindow.cancelled = true;
    Print();
    const PrintRecord& record = *printer.record;
    EXPECT_FALSE(mainWindow.cancelled);
    EXPECT_EQ(record.begun, 1);
    EXPECT_EQ(record.ended, 1);
    EXPECT_EQ(record.drawnAt, QRect(0, 0, 4800, 3600));
    ASSERT_EQ(record.drawn.size(), QSize(800, 600));
    EXPECT_EQ(record.drawn.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(record.drawn.pixel(100, 100), qRgb(255, 0, 0));
    EXPECT_EQ(record.drawn.pixel(700, 500), qRgb(0, 255, 0));
    EXPECT_EQ(document.backBitmap.Width(), 400);
    EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST_F(Printing, StampNamesTheCaptionAtTheClocksTime)
{
    RecordingPrinter printer;
    PlanogramDocument& document = Wall(400, 300);
    Print();
    const QImage plain = printer.record->drawn;
    document.showDateTimeStamp = true;
    std::tm time{};
    time.tm_year = 124, time.tm_mon = 2, time.tm_mday = 5, time.tm_hour = 9, time.tm_min = 7, time.tm_isdst = -1;
    SetClock([stamp = std::chrono::system_clock::from_time_t(std::mktime(&time))] { return stamp; });
    Print();
    SetClock({});
    const QImage stamped = printer.record->drawn;
    int changed = 0;
    for (int y = 0; y < stamped.height(); ++y)
        for (int x = 0; x < stamped.width(); ++x)
            if (stamped.pixel(x, y) != plain.pixel(x, y)) {
                ++changed;
                EXPECT_TRUE(x >= 10 && y >= 580) << x << "," << y;
            }
    EXPECT_GT(changed, 50);
}

TEST_F(Printing, RefusingPrintersPrintNothing)
{
    RecordingPrinter printer;
    Wall(400, 300);
    for (int refusal = 0; refusal < 2; ++refusal) {
        printer.record->raster = refusal != 0;
        printer.record->area = refusal == 0 ? QRect(0, 0, 100, 100) : QRect();
        ui.AnswerMessage(MsgAnswer::OK);
        ui.AnswerPrint(PrintChoice{});
        window->PrintPlanogram();
        const ScriptedUi::Call box = ui.CallsOf(ScriptedUi::Kind::MessageBox).back();
        EXPECT_EQ(box.text, "The selected printer does not support print operations required by this program");
        EXPECT_EQ(box.caption, "Can Not Print");
        EXPECT_EQ(box.buttons, MsgButtons::OKCancel);
    }
    EXPECT_EQ(printer.record->begun, 0);
}

TEST_F(Printing, FailedBeginOrEndIsReported)
{
    RecordingPrinter printer;
    Wall(400, 300);
    for (const bool beginFails : {true, false}) {
        printer.record->beginSucceeds = !beginFails;
        printer.record->endSucceeds = beginFails;
        ui.AnswerMessage(MsgAnswer::OK);
        Print();
        const ScriptedUi::Call box = ui.CallsOf(ScriptedUi::Kind::MessageBox).back();
        EXPECT_EQ(box.text, "Print Operation Failed");
        EXPECT_EQ(box.caption, "rGDIB error");
    }
    EXPECT_EQ(printer.record->begun, 2);
    EXPECT_EQ(printer.record->ended, 1);
}

TEST_F(Printing, TooLargeAWallIsRefusedBeforeAnythingIsDrawn)
{
    RecordingPrinter printer;
    PlanogramDocument& document = Wall(400, 300);
    // Only the size counts: one bit a pixel keeps the wall itself small.
    document.backBitmap.SetPixelFormat(pf1bit);
    document.backBitmap.SetSize(PlanogramDocument::MaxDisplayUnits, PlanogramDocument::MaxDisplayUnits);
    ui.AnswerMessage(MsgAnswer::OK);
    Print();
    const ScriptedUi::Call box = ui.CallsOf(ScriptedUi::Kind::MessageBox).back();
    EXPECT_EQ(box.text, "Printer resolution too high. Out Of System Resources");
    EXPECT_EQ(box.caption, "Allocation Error");
    EXPECT_EQ(box.icon, MsgIcon::Stop);
    EXPECT_EQ(printer.record->begun, 0);
}

TEST_F(Printing, CancelByMouseOrKeyboardStopsBeforeTheJobAndTheNextPrintRuns)
{
    RecordingPrinter printer;
    Wall(400, 300);
    for (const bool byKeyboard : {false, true}) {
        CancelWhenShown(byKeyboard);
        Print();
        EXPECT_TRUE(mainWindow.cancelled);
        EXPECT_EQ(printer.record->begun, 0);
    }
    Print();
    EXPECT_EQ(printer.record->begun, 1);
    EXPECT_EQ(printer.record->ended, 1);
}

TEST_F(Printing, PdfHoldsOneLandscapePageWithTheWallCentred)
{
    Wall(400, 300);
    const std::string pdf = folder.File("wall.pdf");
    // Letter landscape at 100 dpi: 1100 x 850 pixels; the 800 x 600 picture at 1.375 is 1100 x 825.
    PrintToPdf(pdf, QPageSize(QPageSize::Letter), 100);
    Print();
    const std::string info = Tool("pdfinfo '" + pdf + "'");
    EXPECT_NE(info.find("Title:           Wall A"), std::string::npos) << info;
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
    EXPECT_NE(info.find("Page size:       792 x 612 pts (letter)"), std::string::npos) << info;

    const std::string images = Tool("pdfimages -list '" + pdf + "'");
    std::istringstream lines(images);
    std::string line;
    int imageLines = 0;
    while (std::getline(lines, line))
        if (line.find(" image ") != std::string::npos) {
            ++imageLines;
            std::istringstream fields(line);
            std::string page, number, type;
            int width = 0, height = 0;
            fields >> page >> number >> type >> width >> height;
            EXPECT_EQ(width, 800);
            EXPECT_EQ(height, 600);
        }
    EXPECT_EQ(imageLines, 1) << images;

    Tool("pdftoppm -r 100 -png -singlefile '" + pdf + "' '" + folder.File("page") + "'");
    const QImage page(toQString(folder.File("page.png")));
    ASSERT_EQ(page.size(), QSize(1100, 850));
    EXPECT_TRUE(Near(page.pixel(550, 4), clWhite));
    EXPECT_TRUE(Near(page.pixel(550, 845), clWhite));
    EXPECT_TRUE(Near(page.pixel(200, 150), Red));
    EXPECT_TRUE(Near(page.pixel(900, 700), Green));
    EXPECT_TRUE(Near(page.pixel(900, 200), WallColor));
}

TEST_F(Printing, CancelledPdfLeavesNoFileAndPrintSetupsPageSizeIsTheNextPrints)
{
    Wall(300, 400);
    const std::string pdf = folder.File("wall.pdf");
    PrintToPdf(pdf, QPageSize(QPageSize::Letter), 72);
    CancelWhenShown(false);
    Print();
    EXPECT_FALSE(FileExists(pdf));

    ProgramPrinter().setPageSize(QPageSize(QPageSize::A5));
    Print();
    const std::string info = Tool("pdfinfo '" + pdf + "'");
    EXPECT_NE(info.find("Page size:       420 x 595 pts (A5)"), std::string::npos) << info;
}
