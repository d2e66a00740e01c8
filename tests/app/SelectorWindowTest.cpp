// The catalog browser bar and the selector window on the main window, offscreen: the bar walks and
// searches the active planogram's catalog, adds its product, and the selector's keys and Link
// Picture reach the planogram and the catalog file.
#include "app/MainFormFixture.h"

#include "catalog/Didbase.h"
#include "imageformats/DecodedPictureCache.h"
#include "planogram/Picturehelpers.h"
#include "planogram/Planobuilder.h"
#include "planogram/SelectorCode.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/StringGrid.h"
#include "platform/ui/StringGridView.h"

#include "ImageTestSupport.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

namespace {

class SelectorWindow : public MainFormFixture {
protected:
    SelectorWindow()
    {
        selector = std::make_unique<TSelector>(*form, form.get());
        form->SetSelector(*selector);
    }
    ~SelectorWindow() override { selector.reset(); }

    std::string BarText() const { return form->tbFind->text().toStdString(); }
    static void Click(QToolButton* button) { button->defaultAction()->trigger(); }
    int Count() { return Active().items->Count(); }
    void PressDelete(QWidget* target)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }

    std::unique_ptr<TSelector> selector;
};

TEST_F(SelectorWindow, TheSelectorFloatsDocksAtTheTopAndFloatsAgainButNeverCloses)
{
    EXPECT_EQ(selector->windowTitle().toStdString(), "Selector");
    std::vector<std::string> tabs;
    for (int i = 0; i < selector->PageControl1->count(); ++i)
        tabs.push_back(selector->PageControl1->tabText(i).toStdString());
    EXPECT_EQ(tabs, (std::vector<std::string>{"Fixtures", "Products", "Layout", "Builder"}));
    EXPECT_TRUE(selector->isFloating());
    EXPECT_FALSE(selector->features() & QDockWidget::DockWidgetClosable);
    selector->setFloating(false);
    EXPECT_EQ(form->dockWidgetArea(selector.get()), Qt::TopDockWidgetArea);
    selector->setFloating(true);
    EXPECT_TRUE(selector->isFloating());
}

TEST_F(SelectorWindow, FloatingItIsAToolWindowOfTheMainWindowThatDialogsCanCover)
{
    form->CatalogSelector1->trigger();
    QApplication::processEvents();
    QDialog dialog(form.get());
    const struct {
        const char* after;
        std::function<void()> step;
    } steps[] = {
        {"shown", [] {}},
        {"docked and floated again",
         [this] {
             selector->setFloating(false);
             selector->setFloating(true);
             selector->Show();
         }},
        {"a dialog of the program shown", [&] { dialog.show(); }},
        {"the selector brought forward again", [this] { selector->Show(); }},
    };
    for (const auto& step : steps) {
        step.step();
        QApplication::processEvents();
        ASSERT_TRUE(selector->isFloating()) << step.after;
        ASSERT_TRUE(selector->windowHandle()) << step.after;
        EXPECT_EQ(selector->windowType(), Qt::Tool) << step.after;
        // Above its main window only: the window manager keeps a tool window over the window it belongs
        // to, and stacks a dialog of that window that opens later over it.
        EXPECT_EQ(selector->windowHandle()->transientParent(), form->windowHandle()) << step.after;
        EXPECT_FALSE(selector->windowHandle()->flags() & Qt::WindowStaysOnTopHint) << step.after;
        EXPECT_FALSE(selector->windowHandle()->flags() & Qt::X11BypassWindowManagerHint) << step.after;
    }
    EXPECT_EQ(dialog.windowHandle()->transientParent(), form->windowHandle());
    EXPECT_FALSE(dialog.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
}

TEST_F(SelectorWindow, TheBrowserBarWalksAndSearchesTheActiveCatalog)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    Click(form->ToolButton1);
    EXPECT_EQ(BarText(), "SK-101   Crunchy Oats 500 g");
    Click(form->ToolButton7);
    EXPECT_EQ(BarText(), "LT-704   Peppermint 20 bags");
    Click(form->ToolButton2);
    EXPECT_EQ(BarText(), "LT-703   Earl Grey 50 bags");
    Click(form->ToolButton4);
    EXPECT_EQ(BarText(), "LT-704   Peppermint 20 bags");

    ui.AnswerInput("SK-103");
    Click(form->ToolButton3);
    EXPECT_EQ(BarText(), "SK-103   Choco Puffs 450 g");
    ui.AnswerInput("XX-999");
    ui.AnswerMessage(MsgAnswer::OK);
    Click(form->ToolButton3);
    ui.AnswerInput(ScriptedUi::Cancel());
    Click(form->ToolButton3);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Could Not Find Item"});
    EXPECT_EQ(BarText(), "SK-103   Choco Puffs 450 g");

    // Enter in the bar searches what it holds: the shown "part   description" finds nothing and
    // says nothing; a bare part number moves the catalog.
    emit form->tbFind->returnPressed();
    EXPECT_EQ(BarText(), "SK-103   Choco Puffs 450 g");
    form->tbFind->setText("SK-102");
    emit form->tbFind->returnPressed();
    EXPECT_EQ(BarText(), "SK-102   Honey Flakes 375 g");
    EXPECT_EQ(Active().catalog->partNumber, "SK-102");
    EXPECT_EQ(ui.MessageTexts().size(), 1u);
}

TEST_F(SelectorWindow, AddCurrentProductPlacesTheBarsProductOnThePlanogram)
{
    EXPECT_FALSE(form->AddCurrentProduct(0, 0));
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    const int before = Count();
    ui.AnswerInput("SK-103");
    Click(form->ToolButton3);
    Click(form->ToolButton9);
    ASSERT_EQ(Count(), before + 1);
    EXPECT_EQ(Active().items->current->index, "SK-103");
    EXPECT_TRUE(Active().modified);
    EXPECT_FALSE(Active().autoAddShelves);
}

TEST_F(SelectorWindow, DeleteInTheSelectorDeletesTheSelectionUnlessTyping)
{
    EXPECT_TRUE(selector->isFloating());
    EXPECT_TRUE(form->CatalogSelector1->isEnabled());
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    Active().items->current = Active().items->head;
    const int before = Count();

    PressDelete(selector->edFixW);
    EXPECT_EQ(Count(), before);
    PressDelete(selector->Memo1);
    EXPECT_EQ(Count(), before);
    // Blocked by a window shown modally.
    selector->setEnabled(false);
    PressDelete(selector->PageControl1);
    EXPECT_EQ(Count(), before);
    selector->setEnabled(true);
    PressDelete(selector->PageControl1);
    EXPECT_EQ(Count(), before - 1);
}

TEST_F(SelectorWindow, LinkPictureWritesTheChosenNameIntoTheCatalogFile)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    TStringGrid& products = selector->GridP();
    ASSERT_GT(products.RowCount(), 3);
    ASSERT_TRUE(products.SetRow(2));
    ui.AnswerFile(FileDialogResult{program.File("Catalogs/honey.png"), 1});
    selector->comUpdateClick();
    // The picture-open dialog offers the picture kinds the program reads.
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::OpenDialog).at(0).fileOptions.filter, TPicture::GraphicFilter());
    const std::string saved = ReadWholeFile(program.File("Catalogs/Sample.ctf"));
    EXPECT_NE(saved.find("r2=2\tSK-102\tHoney Flakes 375 g\t" + program.File("Catalogs/honey.png") + "\t"),
              std::string::npos);
    EXPECT_NE(saved.find("r3=3\tSK-103\tChoco Puffs 450 g\tSK-103.jpg\t"), std::string::npos);
    EXPECT_EQ(products.Cells(1, 2), "SK-102");
    EXPECT_TRUE(ui.MessageTexts().empty());
}

TEST_F(SelectorWindow, AddNewFixtureMakesTheTabsFixtureInTheMainWindowsUnit)
{
    form->unitsInches = 1;
    selector->Show();
    // Placed by its laid-out width, on the screen beside the main window's right edge, which lies
    // beyond the screen here (the borders the window manager adds are not known before it is shown).
    const QRect screen = selector->screen()->availableGeometry();
    ASSERT_GT(form->frameGeometry().right(), screen.right());
    EXPECT_EQ(selector->width(), selector->sizeHint().width());
    EXPECT_EQ(selector->x() + selector->width(), screen.right() + 1);
    EXPECT_EQ(selector->lbUnits->text().toStdString(), "inches");
    EXPECT_FALSE(selector->windowFlags() & Qt::WindowStaysOnTopHint);
    // Every showing starts afresh: the unit in use, the Products tab, below the control bar.
    selector->PageControl1->setCurrentIndex(3);
    selector->Hide();
    form->unitsInches = 0;
    form->CatalogSelector1->trigger();
    EXPECT_TRUE(selector->isVisible());
    EXPECT_EQ(selector->lbUnits->text().toStdString(), "cm");
    EXPECT_EQ(selector->PageControl1->currentIndex(), 1);
    EXPECT_EQ(selector->pos().y(), form->mapToGlobal(form->ControlBar1->geometry().bottomLeft()).y() + 21);
    selector->setFloating(false);
    selector->setFloating(true);
    EXPECT_FALSE(selector->windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    selector->cbFixtureType->setCurrentIndex(0);
    selector->edFixW->setText("120");
    selector->edFixH->clear();
    ui.AnswerMessage(MsgAnswer::OK);
    selector->bAddNewFixture->click();
    EXPECT_EQ(
        ui.MessageTexts(),
        std::vector<std::string>{"You forgot to fill in the width or height in the Selector under the Fixture tab."});

    const int before = Count();
    selector->edFixH->setText("2");
    form->aAddFixture->trigger();
    ASSERT_EQ(Count(), before + 1);
    const ListOB& shelf = *Active().items->current;
    EXPECT_EQ(shelf.PlacementBox(), Rect(10, 10, 490, 18));
    EXPECT_TRUE(FixtureKind(shelf.picture));

    // A text box takes the chosen font at its chosen size; only the memo shows it at 8 points.
    Active().items->current = nullptr;
    ui.AnswerFont(FontChoice{"Courier New", 14, 0, 0});
    selector->Button4->click();
    EXPECT_EQ(selector->Memo1->font().pointSize(), 8);
    selector->cbFixtureType->setCurrentIndex(4);
    selector->Memo1->setPlainText("Fresh");
    form->aAddFixture->trigger();
    const std::string text = Active().items->current->picture;
    EXPECT_NE(text.find("<font=Courier New><value=Fresh>"), std::string::npos) << text;
    EXPECT_NE(text.find("<fontsize=14>"), std::string::npos) << text;
}

TEST_F(SelectorWindow, LinkPictureOnADataLinkCatalogSaysSoAndChangesNothing)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    const std::string before = ReadWholeFile(program.File("Catalogs/Sample.ctf"));
    Active().catalog->type = "DDL";
    ASSERT_TRUE(selector->GridP().SetRow(2));
    ui.AnswerMessage(MsgAnswer::OK);
    selector->comUpdateClick();
    const std::vector<ScriptedUi::Call> boxes = ui.CallsOf(ScriptedUi::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    const ScriptedUi::Call& box = boxes.front();
    EXPECT_EQ(box.text, "Pictures of a data-link catalog can not be linked from the Selector. Please use Link "
                        "Picture in the Catalog Manager.");
    EXPECT_EQ(box.caption, "Kestrame");
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_EQ(ReadWholeFile(program.File("Catalogs/Sample.ctf")), before);
}

TEST_F(SelectorWindow, BuilderMarksShowInTheProductsGridAndNeverReachTheCatalogFile)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    TStringGrid& products = selector->GridP();
    ASSERT_TRUE(products.SetRow(2));
    const size_t entries = Active().builderList.size();
    selector->SpeedButton4->click();
    selector->SpeedButton4->click();
    const auto shown = [&](int row) {
        QAbstractItemModel* view = selector->GridPView->model();
        return view->data(view->index(row, 0), Qt::DisplayRole).toString().toStdString();
    };
    EXPECT_EQ(shown(2), products.Cells(0, 2) + "**");
    EXPECT_EQ(shown(3), products.Cells(0, 3));
    EXPECT_EQ(Active().builderList.size(), entries + 2);

    // Linking a picture saves the grid: the marks stay out of the file.
    ui.AnswerFile(FileDialogResult{program.File("Catalogs/honey.png"), 1});
    selector->comUpdateClick();
    const std::string saved = ReadWholeFile(program.File("Catalogs/Sample.ctf"));
    EXPECT_EQ(saved.find('*'), std::string::npos);
    EXPECT_NE(saved.find("r2=2\tSK-102\t"), std::string::npos);
}

TEST_F(SelectorWindow, TheBuilderListSurvivesOpeningSwitchingAndSavingAndTakesTheUsersEdit)
{
    const std::string other = program.File("Other.kqf");
    WriteWholeFile(other, ReadWholeFile(Example()));
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    QMdiSubWindow* first = form->ClientArea->currentSubWindow();
    ASSERT_TRUE(form->OpenPlanogram(other));
    form->ClientArea->setActiveSubWindow(first);
    ASSERT_EQ(form->ClientArea->currentSubWindow(), first);
    form->SyncToActiveDocument(true, false);
    EXPECT_FALSE(Active().modified);

    // The user's edit of a facings cell reaches the active planogram's list; every other entry stays.
    QAbstractItemModel* builder = selector->GridBView->model();
    ASSERT_TRUE(builder->setData(builder->index(2, 2), "5"));
    EXPECT_TRUE(Active().modified);
    ASSERT_TRUE(form->SavePlanogram(false));
    const std::string saved = ReadWholeFile(Example());
    EXPECT_NE(saved.find("=3\r\nBI1=SK-101\t1\t2\r\nBI2=BR-501\t2\t5\r\nBI3=CR-601\t3\t2\r\nS1."),
              std::string::npos)
        << saved.substr(saved.find("BI1"), 60);
}

// Build display and a click on a wall item look products up in the product grid: a lookup whose
// picture does not show decodes none, and the preview decodes the one it shows once, at its size.
TEST_F(SelectorWindow, ALookupDecodesOnlyThePictureThePreviewShows)
{
    for (const char* part : {"SK-101", "BR-501", "CR-601"})
        WriteStripedJpeg(program.File("Catalogs/" + std::string(part) + ".jpg"), 1200, 1800, {0x2040C0, 0x30A050});
    // Opening shows the first product, whose picture the preview then keeps.
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    selector->Show();
    selector->PageControl1->setCurrentIndex(3);
    selector->cbRankBy->setCurrentIndex(5);
    // The first build draws the placed products, which the wall then keeps.
    selector->Button2->click();
    QApplication::processEvents();
    const OpenCounter opened(program.File("Catalogs"));
    const auto picturesOpened = [&] {
        std::map<std::string, int> pictures = opened.Take();
        std::erase_if(pictures, [](const auto& file) { return !file.first.ends_with(".jpg"); });
        return pictures;
    };
    const std::size_t decoded = DecodedPictures().DecodeCount();
    selector->Button2->click();
    selector->FindCatalogItem("BR-501");
    QApplication::processEvents();
    EXPECT_EQ(DecodedPictures().DecodeCount(), decoded);
    EXPECT_EQ(picturesOpened(), (std::map<std::string, int>{}));

    selector->PageControl1->setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_EQ(picturesOpened(), (std::map<std::string, int>{{"BR-501.jpg", 1}}));
    const QWidget* preview = selector->imProduct;
    EXPECT_TRUE(selector->preview.Width() == preview->width() || selector->preview.Height() == preview->height());
    EXPECT_LT(selector->preview.Width(), 1200);
    for (int tab : {3, 1})
        selector->PageControl1->setCurrentIndex(tab);
    selector->FindCatalogItem("BR-501");
    QApplication::processEvents();
    EXPECT_EQ(DecodedPictures().DecodeCount(), decoded + 1);
}

// Every builder line of a planogram file, in its order.
std::vector<std::string> BuilderLines(const std::string& file)
{
    std::vector<std::string> lines;
    for (size_t at = file.find("\r\nBI"); at != std::string::npos; at = file.find("\r\nBI", at + 2))
        lines.push_back(file.substr(at + 2, file.find("\r\n", at + 2) - at - 2));
    return lines;
}

// A click on the window's title bar: the focus the system gives a clicked window, then the click.
void ClickTitleBar(QMdiSubWindow* frame)
{
    const QPoint title(frame->width() / 2, frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame) / 2);
    frame->setFocus(Qt::MouseFocusReason);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, title, frame->mapToGlobal(title), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &click);
    }
    QApplication::processEvents();
}

TEST_F(SelectorWindow, EachPlanogramBroughtForwardAsAUserDoesBuildsAndSavesItsOwnList)
{
    const std::string other = program.File("Other.kqf");
    WriteWholeFile(other,
                   Replaced(ReadWholeFile(Example()),
                            "Header.BuilderListSize=3\r\nBI1=SK-101\t1\t2\r\nBI2=BR-501\t2\t3\r\nBI3=CR-601\t3\t2",
                            "Header.BuilderListSize=1\r\nBI1=SK-103\t1\t4"));
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    QMdiSubWindow* first = form->ClientArea->currentSubWindow();
    ASSERT_TRUE(form->OpenPlanogram(other));
    QMdiSubWindow* second = form->ClientArea->currentSubWindow();
    ASSERT_NE(first, second);
    EXPECT_EQ(BuilderEntries(selector->GridB()), (std::vector<BuilderEntry>{{"SK-103", "1", "4"}}));

    // A click on the first window's title bar; nothing is synchronised by hand.
    form->activateWindow();
    QApplication::processEvents();
    ASSERT_TRUE(form->isActiveWindow());
    ClickTitleBar(first);
    ASSERT_EQ(form->ClientArea->activeSubWindow(), first);
    EXPECT_EQ(BuilderEntries(selector->GridB()), Active().builderList);
    EXPECT_EQ(selector->GridB().RowCount(), 5);
    selector->Button2->click();
    ASSERT_TRUE(form->SavePlanogram(false));

    // The window list's entry of the second.
    form->View1Click();
    QAction* entry = nullptr;
    for (QAction* action : form->View1->actions())
        if (action->text().startsWith("1 ") && action->text().contains("Other"))
            entry = action;
    ASSERT_TRUE(entry);
    entry->trigger();
    QApplication::processEvents();
    ASSERT_EQ(form->ClientArea->activeSubWindow(), second);
    EXPECT_EQ(BuilderEntries(selector->GridB()), (std::vector<BuilderEntry>{{"SK-103", "1", "4"}}));
    selector->Button2->click();
    ASSERT_TRUE(form->SavePlanogram(false));

    const std::vector<std::string> firstLines = {"BI1=SK-101\t1\t2", "BI2=BR-501\t2\t3", "BI3=CR-601\t3\t2"};
    EXPECT_EQ(BuilderLines(ReadWholeFile(Example())), firstLines);
    EXPECT_EQ(BuilderLines(ReadWholeFile(other)), std::vector<std::string>{"BI1=SK-103\t1\t4"});

    // Closing the top window brings the other forward, with its own list.
    second->close();
    QApplication::processEvents();
    ASSERT_EQ(form->ActivePlanogram(), first->widget());
    EXPECT_EQ(BuilderEntries(selector->GridB()), Active().builderList);
    EXPECT_EQ(Active().builderList.size(), 3u);
}

} // namespace
