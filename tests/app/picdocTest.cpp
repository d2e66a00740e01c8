// The picture editor's window offscreen: a picture opened, saved, and opened again in a second
// window; Optimize Size through its dialog; the layouts and the key flag; and the main window's
// Picture Editor command.
#include "app/MainFormFixture.h"
#include "app/picdocCode.h"

#include "catalog/PicOptimizeOps.h"
#include "planogram/Listmanager.h"
#include "platform/graphics/Picture.h"
#include "catalog/EnhTwain.h"
#include "testing/CatalogFakes.h"
#include "testing/FakeScanner.h"
#include "testing/PlainDrawingSettings.h"

#include "ImageTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {

class PictureEditorWindow : public testing::Test {
protected:
    PictureEditorWindow() { frmPicOptimizeOps = &optimizeOps; }
    ~PictureEditorWindow() override { frmPicOptimizeOps = nullptr; }

    // Scans through the scan dialog of the connection the editor's Scan / Import opened, until the
    // transfer ends.
    static void ScanThroughTheDialog(Tpicdoc& editor)
    {
        TTwain* connection = editor.EnhTwain1->Connection();
        ASSERT_TRUE(connection != nullptr && connection->Dialog() != nullptr);
        connection->Dialog()->Scan();
        QElapsedTimer waited;
        waited.start();
        while (connection->SourceOpen() && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    ScriptedUi ui;
    TemporaryFolder folder;
    FakePictureFinder finder;
    PlainDrawingSettings settings;
    TfrmPicOptimizeOps optimizeOps;
};

TEST_F(PictureEditorWindow, APictureSavedAsTargaOpensAgainWithTheSamePixels)
{
    const RgbImage original = StripedImage(90, 70, 5);
    WriteWholeFile(folder.File("shelf.ppm"), PpmOf(original));
    QPointer<Tpicdoc> editor = new Tpicdoc(finder, settings);
    ASSERT_TRUE(editor->OpenPicture(folder.File("shelf.ppm")));
    editor->show();
    EXPECT_EQ(editor->windowTitle(), "Picture Editor");
    EXPECT_TRUE(editor->EditBar->isVisible());
    EXPECT_FALSE(editor->InfoBar->isVisible() || editor->CatalogBar->isVisible() || editor->pInfo->isVisible());
    // Fitted to the view as it is laid out with its bars.
    const QSize view = editor->ScrollBox1->viewport()->size();
    QApplication::processEvents();
    EXPECT_EQ(editor->ScrollBox1->viewport()->size(), view);
    const double zoom = std::min(view.width() / 90.0, view.height() / 70.0);
    EXPECT_EQ(editor->PaintBox1->size(), QSize(static_cast<int>(90 * zoom), static_cast<int>(70 * zoom)));
    editor->aZoomIn->trigger();
    EXPECT_EQ(editor->PaintBox1->width(), static_cast<int>(90 * editor->model.zoom));
    EXPECT_TRUE(editor->aSave->isEnabled() && editor->aSaveAs->isEnabled() && editor->OptimizeSize1->isEnabled() &&
                editor->aDrawCrop->isEnabled() && editor->aRemoveBG->isEnabled());
    EXPECT_FALSE(editor->aUndo->isEnabled() || editor->aOptimize->isEnabled() || editor->Rotate1->isEnabled() ||
                 editor->sbRemoveBG->isEnabled());
    EXPECT_TRUE(editor->aScan->isEnabled() && editor->aSelectScanner->isEnabled());
    EXPECT_EQ(editor->aUndo->shortcut(), QKeySequence("Ctrl+Alt+Z"));

    // Optimize Size offers the main window's unit and takes the dialog's choice.
    int offeredUnit = -1;
    ui.whileShownModally = [&] {
        offeredUnit = optimizeOps.cbUnit->currentIndex();
        optimizeOps.cbSide->setCurrentIndex(0);
        optimizeOps.cbUnit->setCurrentIndex(0);
        optimizeOps.edWidth->setText("30");
        optimizeOps.edHeight->setText("20");
    };
    ui.AnswerModal(mrOk);
    editor->OptimizeSize1->trigger();
    EXPECT_EQ(offeredUnit, 1);
    EXPECT_EQ(editor->model.picture->Width(), 120);
    EXPECT_EQ(editor->PaintBox1->width(), static_cast<int>(120 * editor->model.zoom));
    ASSERT_TRUE(editor->aUndo->isEnabled());
    editor->aUndo->trigger();

    // Undone, the picture is what its file holds: closing asks nothing.
    ui.AnswerFile(FileDialogResult{folder.File("shelf copy.tga"), 4});
    editor->aSaveAs->trigger();
    EXPECT_TRUE(editor->close());
    EXPECT_TRUE(ui.MessageTexts().empty());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(editor.isNull());

    Tpicdoc again(finder, settings);
    ASSERT_TRUE(again.OpenPicture(folder.File("shelf copy.tga")));
    EXPECT_EQ(RgbOf(*again.model.picture), original);
}

// A scan replaces the picture that was open: it has no file, so that Save cannot overwrite that one,
// and it counts as changed, so that closing asks to save it.
TEST_F(PictureEditorWindow, AScanHasNoFileAndClosingAsksToSaveIt)
{
    WriteWholeFile(folder.File("shelf.ppm"), PpmOf(StripedImage(30, 20, 3)));
    FakeScanner scanner;
    scanner.frames.push_back(FakeScanner::GrayFrame(40, 25, 0x33));
    QPointer<Tpicdoc> editor = new Tpicdoc(finder, settings);
    ASSERT_TRUE(editor->OpenPicture(folder.File("shelf.ppm")));
    editor->show();
    editor->aScan->trigger();
    QApplication::processEvents();
    TScanDialog* dialog = editor->EnhTwain1->Connection()->Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), editor.data());
    ScanThroughTheDialog(*editor);
    ASSERT_EQ(editor->model.picture->Width(), 40);
    EXPECT_EQ(RgbOf(*editor->model.picture).At(39, 24), (Rgb{0x33, 0x33, 0x33}));
    EXPECT_EQ(editor->model.picturePath, "");
    EXPECT_TRUE(editor->model.modified);
    EXPECT_EQ(editor->PaintBox1->width(), static_cast<int>(40 * editor->model.zoom));

    ui.AnswerMessage(MsgAnswer::No);
    EXPECT_TRUE(editor->close());
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Save changes to picture"});
    EXPECT_EQ(ReadWholeFile(folder.File("shelf.ppm")), PpmOf(StripedImage(30, 20, 3)));
}

// Escape ends the scanner's connection as Cancel does, so that the next Scan / Import shows the
// dialog again and scans.
TEST_F(PictureEditorWindow, TheScanDialogLeftByEscapeScansAgainNextTime)
{
    FakeScanner scanner;
    scanner.frames.push_back(FakeScanner::GrayFrame(40, 25, 0x33));
    QPointer<Tpicdoc> editor = new Tpicdoc(finder, settings);
    editor->show();
    editor->aScan->trigger();
    QApplication::processEvents();
    TTwain* connection = editor->EnhTwain1->Connection();
    ASSERT_TRUE(connection->Dialog() && connection->Dialog()->isVisible());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(connection->Dialog(), &escape);
    EXPECT_FALSE(connection->SourceOpen());
    EXPECT_EQ(scanner.Count("close"), 1);

    editor->aScan->trigger();
    QApplication::processEvents();
    ASSERT_TRUE(connection->Dialog() && connection->Dialog()->isVisible());
    ScanThroughTheDialog(*editor);
    EXPECT_EQ(editor->model.picture->Width(), 40);
    ui.AnswerMessage(MsgAnswer::No);
    EXPECT_TRUE(editor->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// In catalog capture a scanned display leads on to its crop, as an opened one does.
TEST_F(PictureEditorWindow, AScanInCatalogCaptureGoesOnToTheCrop)
{
    FakeScanner scanner;
    scanner.frames.push_back(FakeScanner::GrayFrame(40, 25, 0x33));
    QPointer<Tpicdoc> editor = new Tpicdoc(finder, settings);
    editor->model.catalogCapture = true;
    editor->show();
    EXPECT_FALSE(editor->tbCropDraw2->isEnabled());
    editor->aScan->trigger();
    QApplication::processEvents();
    ScanThroughTheDialog(*editor);
    ASSERT_EQ(editor->model.picture->Width(), 40);
    EXPECT_TRUE(editor->tbCropDraw2->isEnabled());
    EXPECT_EQ(editor->model.captureStep, CaptureStep::Crop);
    EXPECT_EQ(editor->mMsg->toPlainText().left(20).toStdString(), "Crop the display are");
    EXPECT_TRUE(editor->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The program's end after a scan attempt with the system's own SANE configuration, whose backends
// keep static data that the process's teardown frees: SANE ends before it.
TEST(ProgramEnd, AfterAScanWithTheSystemsBackendsItEndsCleanly)
{
    TemporaryFolder folder;
    int status = -1;
    const std::string output =
        RunCommand("env -u SANE_CONFIG_DIR LSAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen KESTRAME_CONFIG_DIR='" +
                       folder.Path() + "' " KESTRAME_SCAN_EXIT_PROBE " 2>&1",
                   &status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_TRUE(output.find("Sorry, no scanner found by SANE\n") != std::string::npos ||
                output.find("dialog\n") != std::string::npos)
        << output;
}

TEST_F(PictureEditorWindow, OpenAndScanOverAChangedPictureAskTheSaveQuestionFirst)
{
    WriteWholeFile(folder.File("shelf.ppm"), PpmOf(StripedImage(30, 20, 3)));
    WriteWholeFile(folder.File("other.ppm"), PpmOf(StripedImage(50, 40, 3)));
    FakeScanner scanner;
    scanner.frames.push_back(FakeScanner::GrayFrame(40, 25, 0x33));
    Tpicdoc editor(finder, settings);
    ASSERT_TRUE(editor.OpenPicture(folder.File("shelf.ppm")));
    editor.show();
    editor.model.modified = true;
    ui.AnswerFile(FileDialogResult{folder.File("other.ppm"), 1});
    ui.AnswerMessage(MsgAnswer::Cancel);
    editor.aOpen->trigger();
    ui.AnswerMessage(MsgAnswer::Cancel);
    editor.aScan->trigger();
    EXPECT_EQ(editor.EnhTwain1->Connection(), nullptr);
    EXPECT_EQ(editor.model.picture->Width(), 30);
    EXPECT_EQ(editor.model.picturePath, folder.File("shelf.ppm"));
    EXPECT_TRUE(editor.model.modified);

    ui.AnswerFile(FileDialogResult{folder.File("other.ppm"), 1});
    ui.AnswerMessage(MsgAnswer::No);
    editor.aOpen->trigger();
    EXPECT_EQ(editor.model.picture->Width(), 50);
    EXPECT_EQ(editor.model.picturePath, folder.File("other.ppm"));
    EXPECT_FALSE(editor.model.modified);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>(3, "Save changes to picture"));
    EXPECT_EQ(ReadWholeFile(folder.File("shelf.ppm")), PpmOf(StripedImage(30, 20, 3)));
}

// A key released in another window, or in a menu opened from the keyboard, never reaches the editor.
TEST_F(PictureEditorWindow, TheKeyFlagIsDroppedWhenTheWindowLosesTheKeyboard)
{
    Tpicdoc editor(finder, settings);
    editor.show();
    QWidget other;
    const auto pressAlt = [&] {
        editor.activateWindow();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::activeWindow(), &editor);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QApplication::sendEvent(editor.PaintBox1, &press);
        ASSERT_TRUE(editor.model.keyHeld);
    };
    pressAlt();
    other.show();
    other.activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &other);
    EXPECT_FALSE(editor.model.keyHeld);

    pressAlt();
    editor.File1->popup(editor.mapToGlobal(QPoint(10, 10)));
    QApplication::processEvents();
    EXPECT_FALSE(editor.model.keyHeld);
    editor.File1->hide();
}

TEST_F(PictureEditorWindow, WithoutSaneTheScannerCommandsSaySo)
{
    FakeScanner missing(false);
    Tpicdoc editor(finder, settings);
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerMessage(MsgAnswer::OK);
    editor.aScan->trigger();
    editor.aSelectScanner->trigger();
    const std::string text = "Scanning is not available: the SANE library (libsane.so.1) is not installed.";
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{text, text}));
    EXPECT_EQ(ui.Calls()[0].caption, "Kestrame");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Information);
}

TEST_F(PictureEditorWindow, CatalogCaptureShowsItsBarsAndTheKeyFlagFollowsTheKeys)
{
    Tpicdoc editor(finder, settings);
    editor.model.catalogCapture = true;
    editor.show();
    EXPECT_TRUE(editor.InfoBar->isVisible() && editor.CatalogBar->isVisible() && editor.pInfo->isVisible());
    EXPECT_FALSE(editor.EditBar->isVisible() || editor.Photo1->menuAction()->isVisible());
    EXPECT_EQ(editor.toolBarArea(editor.CatalogBar), Qt::LeftToolBarArea);
    EXPECT_EQ(editor.mMsg->toPlainText().toStdString(),
              "Step 1\nOpen or scan a picture \nof an existing pegboard \nor shelf display");
    EXPECT_FALSE(editor.bAdd->isEnabled() || editor.tbCropDraw2->isEnabled());

    WriteWholeFile(folder.File("display.ppm"), PpmOf(StripedImage(20, 10, 2)));
    ui.AnswerFile(FileDialogResult{folder.File("display.ppm"), 1});
    editor.aOpen->trigger();
    EXPECT_TRUE(editor.tbCropDraw2->isEnabled());
    EXPECT_EQ(editor.mMsg->toPlainText().left(20).toStdString(), "Crop the display are");
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::OpenDialog)[0].fileOptions.filter, TPicture::GraphicFilter());

    QKeyEvent press(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier, QString(), true);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
    QApplication::sendEvent(editor.edIndex, &press);
    EXPECT_TRUE(editor.model.keyHeld);
    QApplication::sendEvent(editor.edIndex, &repeat);
    EXPECT_TRUE(editor.model.keyHeld);
    QApplication::sendEvent(editor.edIndex, &release);
    EXPECT_FALSE(editor.model.keyHeld);
    editor.model.modified = true;
    EXPECT_TRUE(editor.FormCloseQuery());
}

void SendMouse(QWidget& widget, QEvent::Type type, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// A press, a move and a release on the paint box, in its own pixels.
void DragOn(QWidget& widget, QPoint from, QPoint to)
{
    SendMouse(widget, QEvent::MouseButtonPress, from);
    SendMouse(widget, QEvent::MouseMove, to);
    SendMouse(widget, QEvent::MouseButtonRelease, to);
}

void ClickOn(QWidget& widget, QPoint at) { DragOn(widget, at, at); }

void Type(QWidget& widget, const QString& text)
{
    for (QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, character);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, character);
        QApplication::sendEvent(&widget, &press);
        QApplication::sendEvent(&widget, &release);
    }
}

TEST_F(PictureEditorWindow, AMouseDragCropsAndCatalogCaptureAddsTheBoxedProduct)
{
    const RgbImage original = StripedImage(80, 60, 4);
    WriteWholeFile(folder.File("shelf.ppm"), PpmOf(original));
    Tpicdoc editor(finder, settings);
    ASSERT_TRUE(editor.OpenPicture(folder.File("shelf.ppm")));
    editor.show();
    // The mouse goes to the paint box directly, whatever its size.
    editor.model.SetZoom(2);
    editor.aDrawCrop->trigger();
    EXPECT_TRUE(editor.tbCropDraw->isChecked());
    EXPECT_EQ(editor.PaintBox1->cursor().shape(), Qt::CrossCursor);
    DragOn(*editor.PaintBox1, {21, 11}, {101, 71});
    EXPECT_EQ(editor.model.selection, (TRect{20, 10, 100, 70}));
    ClickOn(*editor.PaintBox1, {40, 40});
    EXPECT_FALSE(editor.tbCropDraw->isChecked());
    EXPECT_TRUE(editor.aUndo->isEnabled());
    EXPECT_EQ(editor.PaintBox1->size(), QSize(80, 60));
    ui.AnswerFile(FileDialogResult{folder.File("cropped.bmp"), 2});
    editor.aSaveAs->trigger();
    Tpicdoc again(finder, settings);
    ASSERT_TRUE(again.OpenPicture(folder.File("cropped.bmp")));
    const RgbImage cropped = RgbOf(*again.model.picture);
    ASSERT_EQ(cropped.width, 40);
    ASSERT_EQ(cropped.height, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(cropped.pixels[static_cast<size_t>(y * 40 + x)], original.pixels[static_cast<size_t>((y + 5) * 80 + x + 10)]);

    NoSelectorHost host;
    CatalogManager catalog{host};
    catalog.NewCatalog();
    Tpicdoc capture(finder, settings);
    capture.model.catalogCapture = true;
    capture.SetCatalogLink(catalog, -1, "0");
    capture.show();
    ui.AnswerFile(FileDialogResult{folder.File("shelf.ppm"), 1});
    capture.aOpen->trigger();
    capture.model.SetZoom(1);
    capture.tbCropDraw2->click();
    DragOn(*capture.PaintBox1, {0, 0}, {80, 60});
    ui.AnswerInput("50");
    ui.AnswerInput("40");
    ClickOn(*capture.PaintBox1, {10, 10});
    EXPECT_EQ(capture.model.picture->Width(), 200);
    EXPECT_TRUE(capture.tbMeasure->isEnabled() && capture.bAdd->isEnabled() && !capture.tbCropDraw2->isEnabled());
    EXPECT_TRUE(capture.mMsg->toPlainText().startsWith("For each item in your display picture"));
    capture.tbMeasure->click();
    DragOn(*capture.PaintBox1, {10, 10}, {50, 30});
    ClickOn(*capture.PaintBox1, {20, 20});
    EXPECT_EQ(capture.edW->text(), "10");
    EXPECT_EQ(capture.edH->text(), "5");
    Type(*capture.edIndex, "P1");
    capture.bAdd->click();
    EXPECT_EQ(catalog.Grid.Cells(catalog.catalog->roles[RolePartNumber], 1), "P1");
    EXPECT_EQ(catalog.Grid.Cells(catalog.catalog->roles[RoleWidth], 1), "10");
    EXPECT_TRUE(catalog.modified);
}

class PictureEditorCommand : public MainFormFixture {
protected:
    PictureEditorCommand()
    {
        ui.whileShownModally = [this] {
            auto* editor = form->findChild<Tpicdoc*>();
            ASSERT_NE(editor, nullptr);
            shownPath = editor->model.picturePath;
            shownWidth = editor->model.HasPicture() ? editor->model.picture->Width() : 0;
        };
    }
    // The texts of the message boxes shown.
    std::vector<std::string> Run()
    {
        ui.AnswerModal(mrCancel);
        form->PictureManager1->trigger();
        const std::vector<ScriptedUi::Call> shown = ui.CallsOf(ScriptedUi::Kind::ModalWindow);
        EXPECT_EQ(shown.size(), 1u);
        EXPECT_TRUE(!shown.empty() && shown[0].text == "picdoc");
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(form->findChild<Tpicdoc*>(), nullptr);
        const std::vector<std::string> texts = ui.MessageTexts();
        ui.ClearCalls();
        return texts;
    }

    std::string shownPath = "?";
    int shownWidth = -1;
};

TEST_F(PictureEditorCommand, OpensTheCurrentProductsPictureThroughThePictureFolder)
{
    EXPECT_TRUE(form->PictureManager1->isEnabled());
    EXPECT_TRUE(Run().empty());
    EXPECT_EQ(shownPath, "");

    // The first product's front picture, whichever face it shows.
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    ListOB& product = Item(5);
    ASSERT_EQ(product.picture, "SK-101.jpg");
    Active().items->current = &product;
    product.face = 1;
    const std::string file = program.File("Catalogs/SK-101.jpg");
    WriteWholeFile(file + ".ppm", PpmOf(StripedImage(33, 21, 2)));
    RunTool("cjpeg -outfile '" + file + "' '" + file + ".ppm'");
    EXPECT_TRUE(Run().empty());
    EXPECT_EQ(shownWidth, 33);
    EXPECT_EQ(shownPath, file);

    WriteWholeFile(file, "not a picture at all");
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_EQ(Run().size(), 1u);
    EXPECT_EQ(shownWidth, 0);
    EXPECT_EQ(shownPath, file);

    // A fixture's picture text describes it: the editor opens empty.
    Active().items->current = Active().items->head;
    EXPECT_TRUE(Run().empty());
    EXPECT_EQ(shownPath, "");
}

} // namespace
