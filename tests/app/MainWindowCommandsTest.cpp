// The main window's commands on the active planogram, its menus' enabling and its following of the
// active planogram, offscreen.
#include "app/MainFormFixture.h"
#include "app/MenuEnabling.h"

#include "catalog/Didbase.h"
#include "planogram/SelectorCode.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/StringGrid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

namespace {

class MainWindowCommands : public MainFormFixture {
protected:
    // Opens the menu's enabling as the user opening it would.
    static void Open(QMenu* menu) { emit menu->aboutToShow(); }

    ListOB& Current() { return *Active().items->current; }
};

TEST(MenuEnabling, EachMenuFollowsTheStateOfTheActivePlanogram)
{
    DocumentState none;
    EXPECT_FALSE(FileMenuEnabling(none).documentSetup);
    EXPECT_FALSE(EditMenuEnabling(none).copyWall);
    EXPECT_FALSE(ProductMenuEnabling(none).addFixture);

    DocumentState empty;
    empty.planogram = empty.backBitmap = true;
    EXPECT_TRUE(FileMenuEnabling(empty).documentSetup);
    EXPECT_FALSE(FileMenuEnabling(empty).save);
    EXPECT_TRUE(EditMenuEnabling(empty).copyWall);
    EXPECT_FALSE(EditMenuEnabling(empty).paste);
    EXPECT_TRUE(ProductMenuEnabling(empty).addFixture);
    EXPECT_FALSE(ProductMenuEnabling(empty).selectNext);

    DocumentState first = empty;
    first.items = first.current = first.first = true;
    first.copied = first.undo = true;
    const ProductEnabling atFirst = ProductMenuEnabling(first);
    EXPECT_TRUE(atFirst.sendToFront && atFirst.bringForward);
    EXPECT_FALSE(atFirst.sendToBack || atFirst.bringBackward);
    EXPECT_FALSE(atFirst.align || atFirst.ungroup);
    EXPECT_TRUE(EditMenuEnabling(first).paste && EditMenuEnabling(first).undo && EditMenuEnabling(first).cut);

    DocumentState last = first;
    last.first = false;
    last.last = last.linked = true;
    last.groupMembers = 2;
    const ProductEnabling atLast = ProductMenuEnabling(last);
    EXPECT_FALSE(atLast.sendToFront || atLast.bringForward);
    EXPECT_TRUE(atLast.sendToBack && atLast.align && atLast.space && atLast.ungroup);
}

TEST(TypedPositions, CentimetresInchesAndScaleUnitsAndNoNumber)
{
    EXPECT_EQ(TypedPosition("12.5", true, false, 8), 50);
    EXPECT_EQ(TypedPosition("10", true, true, 8), 102);
    EXPECT_EQ(TypedPosition("3", false, false, 8), 24);
    EXPECT_EQ(TypedPosition("abc", true, false, 8), std::nullopt);
    EXPECT_EQ(TypedPosition("1e300", true, false, 8), std::nullopt);
}

TEST(WindowList, NumbersTheWindowsFromTheBottomAndChecksTheActiveOne)
{
    const std::vector<WindowEntry> entries = WindowEntries({"a.kqf", "b.kqf", "c.kqf"}, 2);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].caption, "1 a.kqf");
    EXPECT_EQ(entries[0].child, 0);
    EXPECT_EQ(entries[2].caption, "3 c.kqf");
    EXPECT_TRUE(entries[2].checked);
    EXPECT_FALSE(entries[0].checked || entries[1].checked);
}

TEST_F(MainWindowCommands, TheMainWindowFollowsTheActivePlanogramAndForgetsItAsItCloses)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PlanogramDocument& first = Active();
    first.graphics.tagBrand = true;
    first.graphics.viewMode = true;
    // The window followed already is not followed again unless forced.
    form->SyncToActiveDocument(false, false);
    EXPECT_FALSE(form->Brand1->isChecked());
    form->SyncToActiveDocument(true, false);
    EXPECT_TRUE(form->Brand1->isChecked());
    // And the other way: the Tags menu into the document.
    form->PartNumber1->trigger();
    EXPECT_TRUE(first.graphics.tagPartNr);
    EXPECT_TRUE(first.modified);
    first.modified = false;
    EXPECT_TRUE(form->PlacementBoxes1->menuAction()->isChecked());
    const didBase& catalog = *first.catalog;
    EXPECT_EQ(form->tbFind->text().toStdString(), catalog.partNumber + "  " + catalog.description);
    TStringGrid& products = first.services.selector.GridP();
    EXPECT_EQ(products.RowCount(), catalog.recordCount + 1);

    // Closing the window followed last while another stays leaves nothing behind.
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    form->ClientArea->subWindowList().back()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    form->SyncToActiveDocument(false, false);
    form->ClientArea->subWindowList().front()->close();
    EXPECT_EQ(form->tbFind->text().toStdString(), "Catalog Browser... No Active Catalog");
    EXPECT_TRUE(form->lbCurX->text().isEmpty());
}

TEST_F(MainWindowCommands, TheWindowListHasOneCheckedEntryPerPlanogram)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(form->OpenPlanogram(Example()));
    const int fixed = static_cast<int>(form->View1->actions().size());
    for (int opening = 0; opening < 2; ++opening) {
        Open(form->View1);
        const QList<QAction*> actions = form->View1->actions();
        ASSERT_EQ(actions.size(), fixed + 3);
        int checked = 0;
        for (int i = static_cast<int>(actions.size()) - 3; i < actions.size(); ++i) {
            EXPECT_TRUE(actions[i]->text().startsWith(QString::number(i - actions.size() + 4) + " "));
            checked += actions[i]->isChecked();
        }
        EXPECT_EQ(checked, 1);
        EXPECT_TRUE(actions.back()->isChecked());
    }
}

TEST_F(MainWindowCommands, ToolButtonsFollowOpenCopyAndCloseWithNoMenuOpened)
{
    QToolButton* const* buttons[] = {&form->sbSave, &form->sbPrint, &form->sbExport, &form->sbCopyAll, &form->sbPaste};
    const auto enabled = [&] {
        std::string states;
        for (QToolButton* const* button : buttons)
            states += (*button)->isEnabled() ? '1' : '0';
        return states;
    };
    TSelector selector(*form, form.get());
    form->SetSelector(selector);
    EXPECT_EQ(enabled(), "00000");
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    EXPECT_EQ(enabled(), "11110");
    Active().SelectAt(Item(5).left, Item(5).top);
    form->ActivePlanogram()->Copy1Click();
    EXPECT_EQ(enabled(), "11111");

    // Without items there is nothing to save, print, export or select; the wall can still be copied.
    Open(form->Object1);
    EXPECT_TRUE(form->AddFixture1->isEnabled());
    Open(form->View1);
    EXPECT_TRUE(form->CatalogSelector1->isEnabled());
    form->ClearActiveDocument();
    EXPECT_EQ(enabled(), "00011");
    Open(form->View1);
    EXPECT_FALSE(form->CatalogSelector1->isEnabled());
    ui.AnswerMessage(MsgAnswer::No);
    form->ClientArea->subWindowList().front()->close();
    EXPECT_EQ(enabled(), "00000");
    Open(form->View1);
    EXPECT_FALSE(form->CatalogSelector1->isEnabled());
    Open(form->Object1);
    EXPECT_FALSE(form->AddFixture1->isEnabled());
}

TEST_F(MainWindowCommands, SetManualColorFromPicturesDrawsTheWholeWallAsBoxes)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PlanogramDocument& document = Active();
    ASSERT_FALSE(document.graphics.viewMode);
    const auto matchesFullRedraw = [&] {
        const QImage drawn = document.backBitmap.ImageView().copy();
        document.renderer.RedrawAll();
        return drawn == document.backBitmap.ImageView();
    };
    for (const std::optional<DialogColor> answer : {std::optional<DialogColor>(), std::optional<DialogColor>(0xFF)}) {
        form->ProductPictures1->trigger();
        document.SelectAt(Item(5).left, Item(5).top);
        Open(form->PlacementBoxes1);
        ui.AnswerColor(answer);
        form->ManualColor1->trigger();
        EXPECT_TRUE(document.graphics.viewMode);
        EXPECT_EQ(Item(5).manualcolor, answer.has_value());
        EXPECT_TRUE(matchesFullRedraw());
    }
}

TEST_F(MainWindowCommands, EditCommandsFromTheMenusActOnTheActivePlanogram)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PlanogramDocument& document = Active();
    document.SelectAt(Item(5).left, Item(5).top);
    const TRect copied = Current().PlacementBox();
    Open(form->Edit1);
    EXPECT_FALSE(form->Paste1->isEnabled());
    form->Copy1->trigger();
    Open(form->Edit1);
    ASSERT_TRUE(form->Paste1->isEnabled());
    const int count = document.items->Count();
    form->Paste1->trigger();
    form->Paste1->trigger();
    EXPECT_EQ(document.items->Count(), count + 2);
    EXPECT_EQ(document.items->tail->left, copied.Left + 10);
    EXPECT_EQ(document.items->tail->prev->left, copied.Left + 10);

    document.SelectAt(copied.Left, copied.Top);
    document.MouseDownAt(copied.Left, copied.Top, MouseButton::Left);
    document.FinishMouseEdit(copied.Left + 3, copied.Top);
    Open(form->Edit1);
    ASSERT_TRUE(form->Undo1->isEnabled());
    form->Undo1->trigger();
    EXPECT_EQ(Current().PlacementBox(), copied);

    form->CopyAll1->trigger();
    const QImage wall = QGuiApplication::clipboard()->image();
    ASSERT_EQ(wall.width(), document.backBitmap.Width());
    EXPECT_EQ(wall.pixelColor(copied.Left + 1, copied.Top + 1).rgb() & 0xFFFFFF,
              document.backBitmap.ImageView().pixelColor(copied.Left + 1, copied.Top + 1).rgb() & 0xFFFFFF);

    const double zoom = document.zoom.factor;
    form->sbZoomIn->click();
    EXPECT_DOUBLE_EQ(document.zoom.factor, zoom + 0.1);
}

TEST_F(MainWindowCommands, SpaceAndUngroupAllAskAndACancelOrNoChangesNothing)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PlanogramDocument& document = Active();
    ListOB& a = Item(5);
    ListOB& b = Item(6);
    a.childItem = &b;
    b.groupItem = &a;
    document.items->current = &a;
    document.groupMembers = 2;
    const int gap = b.left - a.right;
    Open(form->Object1);
    ASSERT_TRUE(form->Space1->isEnabled());

    ui.AnswerInput(ScriptedUi::Cancel());
    form->Space1->trigger();
    EXPECT_EQ(b.left - a.right, gap);
    ui.AnswerInput("abc");
    ui.AnswerMessage(MsgAnswer::OK);
    form->Space1->trigger(); // the command shows its own error: nothing is thrown through Qt
    ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{"'abc' is not a valid floating point value."});
    EXPECT_EQ(b.left - a.right, gap);
    ui.AnswerInput("2");
    form->Space1->trigger();
    EXPECT_EQ(b.left - a.right, 8);

    ui.AnswerMessage(MsgAnswer::No);
    form->UngroupAll1->trigger();
    EXPECT_EQ(a.childItem, &b);
    ui.AnswerMessage(MsgAnswer::Yes);
    form->UngroupAll1->trigger();
    EXPECT_EQ(a.childItem, nullptr);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::MessageBox).back().caption, "Ungroup All");
}

TEST_F(MainWindowCommands, TagAndTransparencyCommandsMarkTheDocumentOnlyWhenTheyChangeIt)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PlanogramDocument& document = Active();
    const bool transparent = document.graphics.transparencySetting;
    (transparent ? form->On1 : form->Off1)->trigger();
    EXPECT_FALSE(document.modified);
    (transparent ? form->Off1 : form->On1)->trigger();
    EXPECT_EQ(document.graphics.transparencySetting, !transparent);
    EXPECT_TRUE(document.modified);

    ui.AnswerFont(FontChoice{"Courier New", 30, FontBold, 0xFF});
    const int size = document.graphics.tagFont.Size();
    document.items->current = &Item(5);
    Open(form->Tags1);
    form->TagFont1->trigger();
    EXPECT_EQ(document.graphics.tagFont.Name, "Courier New");
    EXPECT_EQ(document.graphics.tagFont.Size(), size);

    form->FlipTag1->trigger();
    EXPECT_EQ(Item(5).tagRotation, 90);
    form->FlipTag1->trigger();
    EXPECT_EQ(Item(5).tagRotation, 0);

    // Custom text checked by the command is stored, and marked, even when the text is cancelled.
    ASSERT_FALSE(document.graphics.tagCustom);
    document.modified = false;
    ui.AnswerInput(ScriptedUi::Cancel());
    form->EnterCustomText1->trigger();
    EXPECT_TRUE(document.graphics.tagCustom);
    EXPECT_TRUE(document.modified);
}

TEST_F(MainWindowCommands, TypedPositionsMoveTheSelectionAndIgnoreWhatIsNoNumber)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PlanogramDocument& document = Active();
    ListOB& item = Item(5);
    document.SelectAt(item.left, item.top);
    form->lbCurX->setText("12.5");
    emit form->lbCurX->returnPressed();
    EXPECT_EQ(item.left, 50);
    form->lbCurY->setText("10");
    emit form->lbCurY->returnPressed();
    EXPECT_EQ(item.top, document.backBitmap.Height() - 40);
    form->lbCurX->setText("abc");
    emit form->lbCurX->returnPressed();
    EXPECT_EQ(item.left, 50);
    EXPECT_EQ(form->lbCurX->text().toStdString(), "12.50");
}

TEST_F(MainWindowCommands, ALongPressOnTheFixtureToolPopsTheDrawingToolsUpAtItsCorner)
{
    form->tbFixtures->setEnabled(true);
    emit form->tbFixtures->pressed();
    emit form->tbFixtures->released();
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_FALSE(form->FixtureDrawingTools->isVisible());
    emit form->tbFixtures->pressed();
    ASSERT_TRUE(form->Timer2->isActive());
    form->Timer2Timer();
    EXPECT_FALSE(form->Timer2->isActive());
    ASSERT_TRUE(form->FixtureDrawingTools->isVisible());
    // At the button's top-right corner, moved left only as far as the screen's edge asks.
    const QPoint corner = form->tbFixtures->mapToGlobal(QPoint(form->tbFixtures->width(), 0));
    const QRect shown = form->FixtureDrawingTools->geometry();
    EXPECT_EQ(shown.top(), corner.y());
    EXPECT_LE(shown.left(), corner.x());
    EXPECT_GE(shown.right() + 1, std::min(corner.x(), shown.width()));
    form->FixtureDrawingTools->hide();
}

TEST_F(MainWindowCommands, EntryPointsActOnTheActivePlanogramAndOnEveryWindow)
{
    EXPECT_FALSE(form->AddItemToActiveDocument("shelf1", "s", 100, 8, 0));
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PlanogramDocument& document = Active();
    ASSERT_TRUE(form->AddItemToActiveDocument("shelf1", "s", 100, 8, 0));
    EXPECT_EQ(document.items->tail->PlacementBox(), Rect(10, 10, 110, 18));

    TStringGrid& builder = document.services.selector.GridB();
    builder.SetRowCount(3);
    builder.SetCells(0, 1, "P1");
    builder.SetCells(1, 1, "1");
    builder.SetCells(2, 1, "2");
    const size_t entries = document.builderList.size();
    form->AppendBuilderRow();
    ASSERT_EQ(document.builderList.size(), entries + 1);
    EXPECT_EQ(document.builderList.back().item, "P1");
    form->DeleteBuilderRow(0);
    form->DeleteBuilderRow(static_cast<int>(entries) + 2);
    EXPECT_EQ(document.builderList.size(), entries + 1);
    form->DeleteBuilderRow(static_cast<int>(entries) + 1);
    EXPECT_EQ(document.builderList.size(), entries);

    ASSERT_TRUE(form->OpenPlanogram(Example()));
    form->unitsInches = 1;
    SettingsStore().WriteString("Options", "ShowDateTimeStamp", "0");
    form->ApplyUnitsToChildren();
    form->ApplyOptionsToChildren();
    for (QMdiSubWindow* frame : form->ClientArea->subWindowList()) {
        PlanogramDocument& each = qobject_cast<Tplandoc*>(frame->widget())->Document();
        EXPECT_TRUE(each.unitsInches);
        EXPECT_FALSE(each.showDateTimeStamp);
    }
}

} // namespace
