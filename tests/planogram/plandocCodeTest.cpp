#include "planogram/plandocCode.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/ProductDrag.h"

#include "platform/core/CodePage.h"
#include "platform/settings/SettingsStore.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextEdit>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

constexpr TColor Wall = 0xE0E0E0;

struct WindowFakes {
    FakeMainWindow mainWindow;
    FakeSelector selector;
    FakeSetupDialog setup;
    FakeCatalogKinds catalogs;
    FakeCatalogFinder finder;
    FakePictureFinder pictures;

    PlandocServices Services() { return {mainWindow, selector, setup, finder, pictures}; }
};

// A shown pixel as the class library's colour.
TColor Shade(const QImage& image, int x, int y)
{
    const QRgb pixel = image.pixel(x, y);
    return static_cast<TColor>(RGB(qRed(pixel), qGreen(pixel), qBlue(pixel)));
}

class DocumentWindow : public testing::Test, protected WindowFakes {
protected:
    ScopedSettingsFolder settings;
    ScriptedUi ui;
    QMdiArea area;

    DocumentWindow()
    {
        area.resize(900, 700);
        area.show();
    }

    // A shown window in the MDI area, with the caption the main window gives it.
    Tplandoc* NewWindow(const char* caption = "My Display 1")
    {
        auto* window = new Tplandoc(Services());
        QMdiSubWindow* subWindow = area.addSubWindow(window);
        subWindow->setWindowTitle(toQString(caption));
        subWindow->show();
        return window;
    }

    // A live document with a catalog and items, drawn.
    Tplandoc* OpenWindow(int width = 200, int height = 150)
    {
        Tplandoc* window = NewWindow();
        PlanogramDocument& document = window->Document();
        document.backgroundColor = Wall;
        EXPECT_TRUE(document.NewDocument(width, height));
        AddTestItem(document, "blue", Rect(10, 10, 70, 60), 0xFF0000);
        AddTestItem(document, "shelf", Rect(0, 90, width, 98), 0x00FFFF, "s");
        AddTestItem(document, "over", Rect(60, 40, 120, 100), 0x00FF00);
        document.renderer.RedrawAll();
        Settle();
        return window;
    }

    static void Settle()
    {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static QImage Shown(QWidget* widget, const QRect& area = QRect())
    {
        return widget->grab(area.isNull() ? widget->rect() : area).toImage();
    }

    // True when the shown picture is the back bitmap stretched by a whole factor, pixel for pixel.
    static testing::AssertionResult ShowsBackBitmap(Tplandoc& window, int factor, const QRect& area)
    {
        TBitmap& back = window.Document().backBitmap;
        const QImage shown = Shown(window.outWall, area);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const int wallX = (area.left() + x) / factor, wallY = (area.top() + y) / factor;
                if (Shade(shown, x, y) != back.Pixel(wallX, wallY))
                    return testing::AssertionFailure() << "pixel " << area.left() + x << "," << area.top() + y;
            }
        return testing::AssertionSuccess();
    }

    static void SendMouse(Tplandoc* window, QEvent::Type type, QPoint at, Qt::MouseButton button)
    {
        const QPointF global = window->outWall->mapToGlobal(QPointF(at));
        QMouseEvent event(type, QPointF(at), global, button, type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(window->outWall, &event);
    }

    static void CloseWindow(Tplandoc* window)
    {
        window->parentWidget()->close();
        Settle();
    }

    void ExpectSavePrompt(const std::string& caption)
    {
        const auto boxes = ui.CallsOf(ScriptedUi::Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Do you wish to save changes to" + caption + " before quiting?");
        EXPECT_EQ(boxes[0].caption, "Kestrame");
        EXPECT_EQ(boxes[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(boxes[0].icon, MsgIcon::Question);
    }
};

} // namespace

TEST_F(DocumentWindow, IsMadeWithItsComponentsAndNoWallYet)
{
    Tplandoc window(Services());
    EXPECT_EQ(window.windowTitle(), "plandoc");
    EXPECT_EQ(window.size(), QSize(291, 320));
    EXPECT_TRUE(window.outWall->isHidden());
    EXPECT_TRUE(window.RichEdit1->isHidden());
    EXPECT_EQ(window.Document().catalog, nullptr);
    QStringList captions;
    for (const QAction* action : window.PopupMenu1->actions()) {
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
        EXPECT_FALSE(action->isEnabled() && !action->isSeparator());
    }
    EXPECT_EQ(captions, QStringList({"Delete", "Cut", "Copy", "Duplicate", "-", "Send to Front", "Send to Back", "-",
                                     "Set Custom Tag Text", "-", "Set Placement Box Color", "Clear Placement Box Color",
                                     "-", "Product Details"}));
    EXPECT_EQ(window.SendtoBack1->text(), "Send to Back");
}

TEST_F(DocumentWindow, PaintsTheBackBitmapAtZoomOne)
{
    Tplandoc* window = OpenWindow();
    ASSERT_TRUE(window->outWall->isVisible());
    EXPECT_EQ(window->outWall->size(), QSize(200, 150));
    TBitmap& back = window->Document().backBitmap;
    // Items stand out from the wall, so that the comparison means something.
    EXPECT_EQ(back.Pixel(30, 30), TColor(0xFF0000));
    EXPECT_EQ(back.Pixel(150, 20), Wall);
    EXPECT_TRUE(ShowsBackBitmap(*window, 1, window->outWall->rect()));
    // An exposed part alone paints the same pixels.
    EXPECT_TRUE(ShowsBackBitmap(*window, 1, QRect(55, 35, 30, 70)));
}

TEST_F(DocumentWindow, ZoomStretchesTheWallAndTheRulersFollow)
{
    Tplandoc* window = OpenWindow();
    window->SetZoom(2);
    Settle();
    EXPECT_EQ(window->outWall->size(), QSize(400, 300));
    EXPECT_EQ(window->xRuler->size(), QSize(400, 15));
    EXPECT_EQ(window->yRuler->size(), QSize(15, 300));
    EXPECT_TRUE(ShowsBackBitmap(*window, 2, window->outWall->rect()));
    EXPECT_TRUE(ShowsBackBitmap(*window, 2, QRect(101, 61, 37, 45)));
    EXPECT_FALSE(window->Document().modified);

    // The rulers show the document's ruler pictures, flush against the wall's edges.
    const QImage ruler = Shown(window->xRuler);
    TBitmap& xRuler = window->Document().xRuler;
    int differences = 0;
    for (int x = 0; x < ruler.width(); ++x)
        for (int y = 0; y < ruler.height(); ++y)
            differences += Shade(ruler, x, y) != xRuler.Pixel(x, y);
    EXPECT_EQ(differences, 0);
    EXPECT_EQ(window->xRuler->mapTo(window, QPoint(0, 15)), window->outWall->mapTo(window, QPoint(0, 0)));
    EXPECT_EQ(window->yRuler->mapTo(window, QPoint(15, 0)), window->outWall->mapTo(window, QPoint(0, 0)));
}

TEST_F(DocumentWindow, ScrollingMovesTheRulersAndTheWindowRectangles)
{
    Tplandoc* window = OpenWindow(2000, 1500);
    QScrollBar* horizontal = window->ScrollBox1->horizontalScrollBar();
    QScrollBar* vertical = window->ScrollBox1->verticalScrollBar();
    ASSERT_GE(horizontal->maximum(), 300);
    ASSERT_GE(vertical->maximum(), 200);
    horizontal->setValue(300);
    vertical->setValue(200);
    Settle();
    const QPoint wallOrigin = window->outWall->mapTo(window, QPoint(0, 0));
    EXPECT_EQ(wallOrigin, QPoint(17 - 300, 17 - 200));
    EXPECT_EQ(window->xRuler->mapTo(window, QPoint(0, 15)).x(), wallOrigin.x());
    EXPECT_EQ(window->yRuler->mapTo(window, QPoint(15, 0)).y(), wallOrigin.y());
    // Window rectangles are measured from the window's corner, through the scrolled wall.
    EXPECT_EQ(window->Document().WindowRectOf(Rect(400, 300, 410, 310)),
              Rect(400 + 14 - 300, 300 + 14 - 200, 410 + 20 - 300, 310 + 20 - 200));
    EXPECT_TRUE(ShowsBackBitmap(*window, 1, QRect(300, 200, 120, 80)));
}

TEST_F(DocumentWindow, FitToWindowShowsTheWholeWall)
{
    Tplandoc* window = OpenWindow(2000, 1500);
    window->FitToWindow();
    Settle();
    const QSize room = window->ScrollBox1->maximumViewportSize();
    const QSize wall = window->outWall->size();
    EXPECT_LT(window->Document().zoom.Factor(), 1);
    EXPECT_LE(wall.width(), room.width());
    EXPECT_LE(wall.height(), room.height());
    EXPECT_TRUE(wall.width() >= room.width() - 1 || wall.height() >= room.height() - 1);
    EXPECT_EQ(window->ScrollBox1->horizontalScrollBar()->maximum(), 0);
}

TEST_F(DocumentWindow, TheWindowTakesTheWallsWidthWithinTheMainWindow)
{
    Tplandoc* narrow = OpenWindow(200, 150);
    const QSize client = area.viewport()->size();
    EXPECT_EQ(narrow->parentWidget()->size(), QSize(17 + 200 + 30, client.height() - 70));
    Tplandoc* wide = OpenWindow(2000, 150);
    EXPECT_EQ(wide->parentWidget()->width(), client.width());
}

TEST_F(DocumentWindow, SelectionFrameIsPaintedAtTheZoom)
{
    Tplandoc* window = OpenWindow();
    PlanogramDocument& document = window->Document();
    window->SetZoom(2);
    document.DrawSelection(Rect(130, 10, 170, 40));
    Settle();
    const QImage shown = Shown(window->outWall);
    const TColor wall = Wall;
    const TColor inverted = Wall ^ 0xFFFFFF;
    // Handles of 7 pixels inside the corners of the frame at (260, 20)-(340, 80).
    EXPECT_EQ(Shade(shown, 263, 23), inverted);
    EXPECT_EQ(Shade(shown, 336, 23), inverted);
    EXPECT_EQ(Shade(shown, 263, 76), inverted);
    EXPECT_EQ(Shade(shown, 336, 76), inverted);
    EXPECT_EQ(Shade(shown, 270, 23), wall);
    // The dotted frame between the handles, every other pixel.
    EXPECT_NE(Shade(shown, 300, 20), Shade(shown, 301, 20));
    EXPECT_EQ(Shade(shown, 300, 21), wall);
    // Nothing where the frame would stand unscaled.
    EXPECT_EQ(Shade(shown, 133, 13), wall);
    EXPECT_EQ(Shade(shown, 131, 11), wall);
    // The back bitmap stays clean: the frame is only painted over it.
    EXPECT_EQ(document.backBitmap.Pixel(131, 11), Wall);

    document.DrawSelection(TRect{});
    Settle();
    EXPECT_TRUE(ShowsBackBitmap(*window, 2, window->outWall->rect()));
}

TEST_F(DocumentWindow, NothingIsPaintedWithoutACatalog)
{
    Tplandoc* window = NewWindow();
    catalogs.opens = false;
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(window->Document().NewDocument(100, 100));
    window->outWall->setFixedSize(50, 50);
    window->outWall->show();
    const QImage shown = Shown(window->outWall);
    const QColor background = window->outWall->palette().window().color();
    EXPECT_EQ(Shade(shown, 10, 10), static_cast<TColor>(RGB(background.red(), background.green(), background.blue())));
}

TEST_F(DocumentWindow, ActivationTellsTheMainWindow)
{
    Tplandoc* first = OpenWindow();
    Tplandoc* second = OpenWindow();
    const int before = mainWindow.activations;
    area.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    EXPECT_EQ(mainWindow.lastActivated, &first->Document());
    area.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(second->parentWidget()));
    EXPECT_EQ(mainWindow.lastActivated, &second->Document());
    EXPECT_EQ(mainWindow.activations, before + 2);
    // A window whose document is not set up tells nothing.
    Tplandoc* blank = NewWindow();
    area.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(blank->parentWidget()));
    EXPECT_EQ(mainWindow.activations, before + 2);
}

TEST_F(DocumentWindow, ShowingAgainDoesNotReadTheSettingsAgain)
{
    const SettingsStore store;
    store.WriteString("Options", "AlignToPeg", "1");
    Tplandoc* window = OpenWindow();
    PlanogramDocument& document = window->Document();
    EXPECT_TRUE(document.alignToPeg);
    document.alignToPeg = false;
    document.SetPlacementSettings(2, 1);
    QWidget* subWindow = window->parentWidget();
    subWindow->showMinimized();
    Settle();
    subWindow->showNormal();
    Settle();
    window->hide();
    window->show();
    Settle();
    EXPECT_FALSE(document.alignToPeg);
    EXPECT_EQ(document.addAlign, 2);
    EXPECT_EQ(document.wrapDirection, 1);
}

TEST_F(DocumentWindow, ClosingUnchangedAsksNothingAndTellsTheMainWindow)
{
    QPointer<Tplandoc> window = OpenWindow();
    const PlanogramDocument* document = &window->Document();
    CloseWindow(window);
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_TRUE(mainWindow.saved.empty());
    EXPECT_EQ(mainWindow.closed, std::vector<const PlanogramDocument*>{document});
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(area.subWindowList().isEmpty());
}

TEST_F(DocumentWindow, YesSavesThisDocumentAndClosesAfterASuccessfulSave)
{
    QPointer<Tplandoc> closing = OpenWindow();
    Tplandoc* other = OpenWindow();
    other->Document().modified = true;
    // The other window is the active one; the one closing is saved all the same.
    area.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(other->parentWidget()));
    const PlanogramDocument* document = &closing->Document();
    closing->Document().modified = true;
    ui.AnswerMessage(MsgAnswer::Yes);
    CloseWindow(closing);
    ExpectSavePrompt("My Display 1");
    EXPECT_EQ(mainWindow.saved, std::vector<const PlanogramDocument*>{document});
    EXPECT_EQ(mainWindow.closed, std::vector<const PlanogramDocument*>{document});
    EXPECT_TRUE(closing.isNull());
    EXPECT_EQ(area.subWindowList().size(), 1);
}

TEST_F(DocumentWindow, AFailedOrCancelledSaveKeepsTheWindowOpen)
{
    QPointer<Tplandoc> window = OpenWindow();
    window->Document().modified = true;
    mainWindow.saveSucceeds = false;
    ui.AnswerMessage(MsgAnswer::Yes);
    CloseWindow(window);
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(mainWindow.saved.size(), 1u);
    EXPECT_TRUE(mainWindow.closed.empty());
    EXPECT_TRUE(window->outWall->isVisible());
    EXPECT_TRUE(window->Document().modified);

    ui.ClearCalls();
    ui.AnswerMessage(MsgAnswer::Cancel);
    CloseWindow(window);
    ExpectSavePrompt("My Display 1");
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(mainWindow.saved.size(), 1u);
    EXPECT_TRUE(mainWindow.closed.empty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(DocumentWindow, NoClosesWithoutSaving)
{
    QPointer<Tplandoc> window = OpenWindow();
    window->Document().modified = true;
    ui.AnswerMessage(MsgAnswer::No);
    CloseWindow(window);
    EXPECT_TRUE(mainWindow.saved.empty());
    EXPECT_EQ(mainWindow.closed.size(), 1u);
    EXPECT_TRUE(window.isNull());
}

TEST_F(DocumentWindow, AWindowOutsideAnMdiAreaClosesTheSameWay)
{
    QPointer<Tplandoc> window = new Tplandoc(Services());
    window->setWindowTitle(toQString("Caf\xE9"));
    window->show();
    window->Document().modified = true;
    ui.AnswerMessage(MsgAnswer::Cancel);
    EXPECT_FALSE(window->close());
    ExpectSavePrompt("Caf\xC3\xA9");
    ui.AnswerMessage(MsgAnswer::No);
    EXPECT_TRUE(window->close());
    Settle();
    EXPECT_TRUE(window.isNull());
}

TEST_F(DocumentWindow, OnlyAProductDroppedOnTheActiveWallIsPlacedWhereItFalls)
{
    Tplandoc* window = OpenWindow(400, 300);
    PlanogramDocument& document = window->Document();
    document.SetZoom(2);
    didBase& product = *document.catalog;
    product.roles = DefaultRoleColumns();
    product.partNumber = "P1";
    product.widthQ = product.heightQ = 20;
    document.items->current = nullptr;
    const int before = document.items->Count();
    // As a drag arrives: it enters the wall, then drops.
    const auto drop = [](Tplandoc* target, QMimeData& data) {
        QDragEnterEvent enter(QPoint(100, 60), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target->outWall, &enter);
        QDropEvent event(QPointF(100, 60), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target->outWall, &event);
    };
    QMimeData productDrag;
    productDrag.setData(CatalogProductMimeType, "P1");
    QMimeData fileDrag;
    fileDrag.setUrls({QUrl::fromLocalFile("/plans/wall.kqf")});

    drop(window, fileDrag);
    EXPECT_EQ(document.items->Count(), before);
    drop(window, productDrag);
    ASSERT_EQ(document.items->Count(), before + 1);
    EXPECT_EQ(document.items->tail->PlacementBox(), Rect(50, 30, 70, 50));

    Tplandoc* other = NewWindow("My Display 2");
    ASSERT_TRUE(other->Document().NewDocument(100, 100));
    Settle();
    drop(window, productDrag);
    EXPECT_EQ(document.items->Count(), before + 1);
}

TEST_F(DocumentWindow, TheMouseOnTheWallMovesByDocumentUnitsAndRightPressesPopUpAtThePointer)
{
    Tplandoc* window = OpenWindow(400, 300);
    PlanogramDocument& document = window->Document();
    document.SetZoom(2);
    Settle();
    const auto send = [window](QEvent::Type type, QPoint at, Qt::MouseButton button) {
        SendMouse(window, type, at, button);
    };
    ListOB& blue = *document.items->head;
    send(QEvent::MouseButtonPress, QPoint(40, 40), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(60, 50), Qt::NoButton);
    EXPECT_EQ(window->outWall->cursor().shape(), Qt::ArrowCursor);
    send(QEvent::MouseButtonRelease, QPoint(60, 50), Qt::LeftButton);
    EXPECT_EQ(blue.PlacementBox(), Rect(20, 15, 80, 65));

    mainWindow.pointerTool = false;
    send(QEvent::MouseMove, QPoint(300, 300), Qt::NoButton);
    EXPECT_EQ(window->outWall->cursor().shape(), Qt::CrossCursor);

    send(QEvent::MouseButtonPress, QPoint(50, 40), Qt::RightButton);
    EXPECT_FALSE(document.mouseDown);
    ASSERT_TRUE(window->PopupMenu1->isVisible());
    EXPECT_LT((window->PopupMenu1->pos() - window->outWall->mapToGlobal(QPoint(50, 40))).manhattanLength(), 3);
    window->PopupMenu1->hide();
    send(QEvent::MouseButtonRelease, QPoint(90, 90), Qt::RightButton);
    EXPECT_EQ(blue.PlacementBox(), Rect(20, 15, 80, 65));
}

// A window shown modally disables the planogram's window: the wall, whose filter sees the mouse
// before Qt drops it, takes no press, drag or popup, and the window no key.
TEST_F(DocumentWindow, ABlockedWallTakesNoMouseAndNoKeys)
{
    Tplandoc* window = OpenWindow(400, 300);
    PlanogramDocument& document = window->Document();
    ListOB& blue = *document.items->head;
    document.items->current = nullptr;
    area.setEnabled(false);
    SendMouse(window, QEvent::MouseButtonPress, QPoint(40, 40), Qt::LeftButton);
    SendMouse(window, QEvent::MouseMove, QPoint(60, 50), Qt::LeftButton);
    SendMouse(window, QEvent::MouseButtonRelease, QPoint(60, 50), Qt::LeftButton);
    SendMouse(window, QEvent::MouseButtonPress, QPoint(40, 40), Qt::RightButton);
    EXPECT_FALSE(window->PopupMenu1->isVisible());
    EXPECT_EQ(document.items->current, nullptr);
    EXPECT_EQ(blue.PlacementBox(), Rect(10, 10, 70, 60));
    document.items->current = &blue;
    const int before = document.items->Count();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &press);
    EXPECT_EQ(document.items->Count(), before);
    EXPECT_FALSE(document.modified);

    area.setEnabled(true);
    SendMouse(window, QEvent::MouseButtonPress, QPoint(40, 40), Qt::RightButton);
    EXPECT_TRUE(window->PopupMenu1->isVisible());
    window->PopupMenu1->hide();
}

TEST_F(DocumentWindow, KeysEditTheSelectionWithoutScrollingAndThePopupFollowsIt)
{
    Tplandoc* window = OpenWindow(1600, 1200);
    PlanogramDocument& document = window->Document();
    Settle();
    ListOB& blue = *document.items->head;
    document.items->current = &blue;
    window->ScrollBox1->horizontalScrollBar()->setValue(40);
    const auto press = [window](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &event);
    };
    press(Qt::Key_Right);
    EXPECT_EQ(blue.left, 11);
    EXPECT_EQ(window->ScrollBox1->horizontalScrollBar()->value(), 40);

    window->PopupMenu1Popup();
    EXPECT_TRUE(window->Delete1->isEnabled());
    EXPECT_FALSE(window->SetColor1->isEnabled());
    ASSERT_TRUE(window->ProductDetails1->isEnabled());
    window->ProductDetails1->trigger();
    EXPECT_EQ(mainWindow.productDetailsShown, 1);
    document.graphics.viewMode = true;
    window->PopupMenu1Popup();
    EXPECT_TRUE(window->SetColor1->isEnabled());

    const int before = document.items->Count();
    press(Qt::Key_Delete);
    EXPECT_EQ(document.items->Count(), before - 1);
}
