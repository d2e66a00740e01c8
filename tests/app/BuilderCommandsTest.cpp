// The builder's commands on the main window with the example wall, offscreen: the selector's "Add by
// Filter" and "Build display", File > Load Product List and Product Details from the menu and the
// planogram's popup, with their dialogs answered by script.
#include "app/MainFormFixture.h"

#include "app/ProductCommands.h"
#include "app/SmallDialogs.h"
#include "planogram/FilterCode.h"
#include "planogram/Planobuilder.h"
#include "planogram/SelectorCode.h"
#include "platform/core/Numbers.h"
#include "platform/ui/StringGrid.h"
#include "platform/ui/StringGridView.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>

namespace {

class BuilderCommands : public MainFormFixture {
protected:
    BuilderCommands()
    {
        selector = std::make_unique<TSelector>(*form, form.get());
        form->SetSelector(*selector);
        filter = std::make_unique<TfrmFilter>(*form, form.get());
        selector->SetFilterWindow(*filter);
        PDetails = &details;
        frmLoadListOps = &listOps;
        frmMissingItems = &missing;
    }
    ~BuilderCommands() override
    {
        PDetails = nullptr;
        frmLoadListOps = nullptr;
        frmMissingItems = nullptr;
        filter.reset();
        selector.reset();
    }

    // The first item of the active planogram placed from the product, made current; null without one.
    ListOB* SelectFirstItemOf(const std::string& partNumber)
    {
        PlanogramDocument& document = Active();
        ListOB* item = document.items->head;
        while (item && item->index != partNumber)
            item = item->next;
        document.items->current = item;
        return item;
    }

    // Answers the product list dialog, which the command empties first, with the text, the amount and
    // its kind; the missing products' window that may follow is left as it is.
    void TypeList(const char* text, const char* amount = "5", int kind = 0)
    {
        ui.whileShownModally = [this, text, amount, kind] {
            if (!listOps.List1->toPlainText().isEmpty())
                return;
            listOps.List1->setPlainText(text);
            listOps.edAmount->setText(amount);
            listOps.cbAmount->setCurrentIndex(kind);
        };
    }
    std::vector<std::string> Indexes()
    {
        std::vector<std::string> indexes;
        for (const ListOB* item = Active().items->head; item; item = item->next)
            indexes.push_back(item->index);
        return indexes;
    }

    // What a refused command must leave as it was: every item's number, part, box and hook depth, and
    // the builder list.
    std::string Snapshot()
    {
        std::string text;
        for (const ListOB* item = Active().items->head; item; item = item->next)
            text += IntToStr(item->itemNo) + " " + item->index + " " + IntToStr(item->left) + " " +
                    IntToStr(item->top) + " " + IntToStr(item->right) + " " + IntToStr(item->bottom) + " " +
                    IntToStr(item->hookdepth) + " " + FloatToStr(item->hookdepthCM) + "\n";
        for (const BuilderEntry& entry : Active().builderList)
            text += entry.item + "\t" + entry.rank + "\t" + entry.facings + "\n";
        return text;
    }
    QImage Wall() { return Active().backBitmap.ImageView().copy(); }
    // The rows of the Layout page as "number part".
    std::vector<std::string> LayoutRows()
    {
        std::vector<std::string> rows;
        for (int row = 1; row < selector->GridL().RowCount(); ++row)
            if (!selector->GridL().Cells(0, row).empty())
                rows.push_back(selector->GridL().Cells(0, row) + " " + selector->GridL().Cells(1, row));
        return rows;
    }
    std::vector<std::string> ItemRows()
    {
        std::vector<std::string> rows;
        for (const ListOB* item = Active().items->head; item; item = item->next)
            rows.push_back(IntToStr(item->itemNo) + " " + item->index);
        return rows;
    }

    std::unique_ptr<TSelector> selector;
    std::unique_ptr<TfrmFilter> filter;
    TPDetails details;
    TfrmLoadListOps listOps;
    TfrmMissingItems missing;
};

TEST_F(BuilderCommands, TheSelectorFiltersTheCatalogAndBuildsTheWallFromIt)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    EXPECT_TRUE(selector->Button1->isEnabled());
    EXPECT_TRUE(selector->Button2->isEnabled());
    // The filter window opens in the middle of the desktop, wherever the main window is, and cannot
    // be sized.
    const QRect mainWindow = form->geometry();
    form->setGeometry(10, 10, 500, 400);
    filter->show();
    QApplication::processEvents();
    // Its frame, unknown until shown, may shift it by its margins.
    const QPoint offCentre =
        filter->frameGeometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 8);
    EXPECT_EQ(filter->minimumSize(), filter->maximumSize());
    EXPECT_EQ(filter->size(), filter->minimumSize());
    filter->hide();
    form->setGeometry(mainWindow);
    ui.whileShownModally = [this] {
        EXPECT_EQ(filter->cbColumns->count(), 16);
        EXPECT_EQ(filter->cbColumns->itemText(12).toStdString(), "Brand");
        filter->cbColumns->setCurrentIndex(12);
        filter->cbOP->setCurrentIndex(0);
        filter->edKey->setText("Meadowbrook");
        filter->Button1->click();
    };
    ui.AnswerModal(mrOk);
    selector->Button1->click();
    ui.whileShownModally = nullptr;
    EXPECT_EQ(Active().builderList,
              (std::vector<BuilderEntry>{
                  {"MB-201", "Meadowbrook", "1"}, {"MB-202", "Meadowbrook", "1"}, {"MB-203", "Meadowbrook", "1"}}));
    EXPECT_EQ(selector->GridB().RowCount(), 5);

    // "Tall to Short": 30, 28 and 24 cm; the first hangs its top 75 cm (300 units) above the floor.
    selector->cbRankBy->setCurrentIndex(9);
    selector->edBestHeight->setText("75");
    selector->ckAutoAddShelf->setChecked(true);
    selector->Button2->click();
    EXPECT_TRUE(ui.MessageTexts().empty());
    EXPECT_EQ(Active().builderList,
              (std::vector<BuilderEntry>{{"MB-202", "1", "1"}, {"MB-201", "2", "1"}, {"MB-203", "3", "1"}}));
    EXPECT_EQ(Active().builderList, BuilderEntries(selector->GridB()));
    // The row's shelf follows its first product.
    EXPECT_EQ(Indexes(), (std::vector<std::string>{"MB-202", "shelf1", "MB-201", "MB-203"}));
    const ListOB& first = *Active().items->head;
    EXPECT_EQ(first.left, 1);
    EXPECT_EQ(first.top, Active().displayHeight - 300);
    EXPECT_FALSE(Active().autoAddShelves);
    EXPECT_FALSE(selector->model.building);
    EXPECT_TRUE(Active().modified);

    // Without "automatically add shelves" the same build adds none.
    selector->ckAutoAddShelf->setChecked(false);
    selector->Button2->click();
    EXPECT_EQ(Indexes(), (std::vector<std::string>{"MB-202", "MB-201", "MB-203"}));
}

TEST_F(BuilderCommands, LoadProductListBuildsFromTheListAndNamesWhatIsMissing)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    form->FileMenuClick();
    EXPECT_TRUE(form->LoadProductList1->isEnabled());
    const std::vector<BuilderEntry> before = Active().builderList;
    const int items = Active().items->Count();

    TypeList("SK-101");
    ui.AnswerModal(mrCancel);
    form->LoadProductList1->trigger();
    EXPECT_EQ(Active().builderList, before);
    EXPECT_EQ(Active().items->Count(), items);

    // An empty list, and one of blank lines only, say so and change nothing.
    for (const char* text : {"", " \t\n\n"}) {
        TypeList(text);
        ui.AnswerModal(mrOk);
        ui.AnswerMessage(MsgAnswer::OK);
        form->LoadProductList1->trigger();
    }
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{"List is empty. Please add product part numbers to the list and try again.",
                                        "The list seems to be empty"}));
    const auto boxes = ui.CallsOf(ScriptedUi::Kind::MessageBox);
    EXPECT_EQ(boxes[0].caption, "Load Product List");
    EXPECT_EQ(boxes[1].caption, "Load From List");
    EXPECT_EQ(boxes[1].icon, MsgIcon::Warning);
    EXPECT_EQ(Active().builderList, before);

    EXPECT_EQ(ProductListEntries("A1 \r\n\tB2\r\r\n  \nC3\t\r"), (std::vector<std::string>{"A1", "B2", "C3"}));
    TypeList("SK-101  \nNOPE\n\nSK-103\t", "2");
    ui.AnswerModal(mrOk);
    ui.AnswerModal(mrOk);
    form->LoadProductList1->trigger();
    EXPECT_EQ(Active().builderList, (std::vector<BuilderEntry>{{"SK-101", "1", "2"}, {}, {"SK-103", "3", "2"}}));
    EXPECT_EQ(selector->GridB().RowCount(), 5);
    EXPECT_EQ(missing.Memo1->toPlainText().toStdString(), "NOPE\n");
    EXPECT_EQ(selector->PageControl1->currentIndex(), 3);
    const std::vector<std::string> placed = Indexes();
    EXPECT_EQ(std::count(placed.begin(), placed.end(), "SK-101"), 2);
    EXPECT_EQ(std::count(placed.begin(), placed.end(), "SK-103"), 2);
    ASSERT_TRUE(form->SavePlanogram(false));
    EXPECT_NE(ReadWholeFile(Example()).find("BI1=SK-101\t1\t2\r\nBI2=\r\nBI3=SK-103\t3\t2\r\n"), std::string::npos);

    // Rows of products take the wall's width, not the zoomed drawing's: 2 x (480 / 76 units) = 12.
    ASSERT_EQ(Active().displayWidth, 480);
    for (double zoom : {1.0, 0.5}) {
        Active().SetZoom(zoom);
        TypeList("SK-101", "2", 1);
        ui.AnswerModal(mrOk);
        form->LoadProductList1->trigger();
        EXPECT_EQ(Active().builderList, (std::vector<BuilderEntry>{{"SK-101", "1", "12"}}));
    }
}

TEST_F(BuilderCommands, ProductDetailsShowTheItemsOwnProductAndTakeItsHookDepth)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PlanogramDocument& document = Active();
    ListOB* found = SelectFirstItemOf("SK-101");
    ASSERT_TRUE(found);
    ListOB& item = *found;
    form->Object1Click();
    EXPECT_TRUE(form->ProductDetails1->isEnabled());
    // The catalog bar was browsed elsewhere: the details still show the item's own product.
    ASSERT_TRUE(document.catalog->Last());
    const int browsed = document.catalog->CurrentRecord();
    form->unitsInches = 1;
    ui.whileShownModally = [this] {
        EXPECT_EQ(details.txtProduct->text().toStdString(), "SK-101");
        EXPECT_EQ(details.txtDes->text().toStdString(), "Crunchy Oats 500 g");
        EXPECT_EQ(details.txtW->text().toStdString(), "19 cm");
        EXPECT_EQ(details.txtPHUnit->text().toStdString(), "Inches");
        details.edPHDepth->setText("10");
    };
    ui.AnswerModal(mrOk);
    document.modified = false;
    form->ProductDetails1->trigger();
    EXPECT_EQ(item.hookdepth, 101);
    EXPECT_FLOAT_EQ(item.hookdepthIN, 10);
    EXPECT_TRUE(document.modified);
    EXPECT_EQ(document.catalog->CurrentRecord(), browsed);

    // A hook depth that is no number changes nothing; an item without depth has no stack count.
    item.depth = 0;
    ui.whileShownModally = [this] {
        EXPECT_EQ(details.txtSC->text().toStdString(), "?d?");
        details.edPHDepth->setText("ten");
    };
    ui.AnswerModal(mrOk);
    ui.AnswerMessage(MsgAnswer::OK);
    form->ProductDetails1->trigger();
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{"'ten' is not a valid floating point value."}));
    EXPECT_EQ(item.hookdepth, 101);
    EXPECT_FLOAT_EQ(item.hookdepthIN, 10);

    // The planogram's popup runs the same command.
    ui.whileShownModally = nullptr;
    ui.AnswerModal(mrCancel);
    Tplandoc& window = *form->ActivePlanogram();
    window.PopupMenu1Popup();
    ASSERT_TRUE(window.ProductDetails1->isEnabled());
    window.ProductDetails1->trigger();
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::ModalWindow).size(), 3u);
}

TEST_F(BuilderCommands, ASecondBuildGivesTheSameWallAndTheLayoutListsWhatTheWallHolds)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    selector->PageControl1->setCurrentIndex(3);
    selector->ckAutoAddShelf->setChecked(true);
    // More rows than the wall holds: what does not fit is deleted after each build.
    QAbstractItemModel* builder = selector->GridBView->model();
    ASSERT_TRUE(builder->setData(builder->index(2, 2), "30"));
    selector->Button2->click();
    const QImage first = Wall();
    const std::vector<std::string> firstItems = ItemRows();
    ASSERT_GT(firstItems.size(), 3u);
    EXPECT_EQ(LayoutRows(), firstItems);

    for (int again = 0; again < 2; ++again) {
        selector->Button2->click();
        EXPECT_EQ(ItemRows(), firstItems);
        EXPECT_TRUE(Wall() == first) << "build " << again + 2;
        EXPECT_EQ(LayoutRows(), firstItems);
    }
}

TEST_F(BuilderCommands, EveryBuildEnablesSavingPrintingAndExportingWithoutAMenuOpened)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    const std::vector<BuilderEntry> list = Active().builderList;
    const auto enabled = [this] {
        std::vector<bool> states;
        for (QAction* action : {form->SaveItem, form->SaveAs1, form->Export1, form->MakePDF1, form->Print1})
            states.push_back(action->isEnabled());
        for (QToolButton* button : {form->sbSave, form->sbExport, form->sbMakePDF, form->sbPrint})
            states.push_back(button->isEnabled());
        return states;
    };
    const std::vector<bool> all(9, true), none(9, false);
    const struct {
        const char* path;
        std::function<void()> place;
    } paths[] = {
        {"Build display",
         [&] {
             Active().SetBuilderList(list);
             Active().FillBuilderGrid();
             selector->Button2->click();
         }},
        {"Load Product List",
         [&] {
             TypeList("SK-101\nSK-103", "2");
             ui.AnswerModal(mrOk);
             form->LoadProductList1->trigger();
         }},
        {"Add on the browser bar", [&] { form->ToolButton9->defaultAction()->trigger(); }},
        {"Add in the selector", [&] { selector->SpeedButton2->click(); }},
    };
    for (const auto& path : paths) {
        // A build from an empty list empties the wall.
        selector->bClearAllBuilderList->click();
        selector->Button2->click();
        ASSERT_EQ(Active().items->Count(), 0) << path.path;
        EXPECT_EQ(enabled(), none) << path.path;
        path.place();
        EXPECT_GT(Active().items->Count(), 0) << path.path;
        EXPECT_EQ(enabled(), all) << path.path;
    }
}

TEST_F(BuilderCommands, NumbersBeyondWhatTheirPlaceHoldsAreRefusedAndChangeNothing)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PlanogramDocument& document = Active();
    ListOB* product = SelectFirstItemOf("SK-101");
    ASSERT_TRUE(product);
    const auto select = [&] {
        document.items->current = product;
        form->Object1Click();
    };
    const auto detailsTyped = [&](const char* depth) {
        return [this, depth] {
            ui.whileShownModally = [this, depth] { details.edPHDepth->setText(depth); };
            ui.AnswerModal(mrOk);
            form->ProductDetails1->trigger();
            ui.whileShownModally = nullptr;
        };
    };
    // Three of a product side by side, grouped as they are placed.
    const auto group = [&] {
        form->sbAutoGroup->setChecked(true);
        ASSERT_TRUE(form->FindCatalogProduct("SK-103"));
        document.items->current = nullptr;
        for (int i = 0; i < 3; ++i)
            form->ToolButton9->defaultAction()->trigger();
        form->sbAutoGroup->setChecked(false);
        const ListOB& last = *document.items->current;
        ASSERT_TRUE(document.SelectAt(last.left + 1, last.top + 1));
        form->Object1Click();
        ASSERT_TRUE(form->Space1->isEnabled());
    };
    QAbstractItemModel* builder = selector->GridBView->model();
    const auto facingsTyped = [&](const char* facings) {
        return [builder, facings] { ASSERT_TRUE(builder->setData(builder->index(1, 2), facings)); };
    };
    const auto build = [this] { selector->Button2->click(); };
    const std::string tooMany = "The display can hold at most 36 of SK-101. Please lower its facings and build again.";
    const struct {
        const char* number;
        std::function<void()> prepare, enter;
        std::string message;
    } cases[] = {
        {"most visible height past the whole numbers", [&] { selector->edBestHeight->setText("2147483648"); },
         [&] {
             build();
             selector->edBestHeight->setText("75");
         },
         "'2147483648' is not a valid integer value."},
        {"hook depth of 1e10 cm", select, detailsTyped("1e10"), "'1e10' is not a valid floating point value."},
        {"hook depth of -1e10 cm", select, detailsTyped("-1e10"), "'-1e10' is not a valid floating point value."},
        {"space of 1e9 cm", group,
         [&] {
             ui.AnswerInput("1e9");
             form->Space1->trigger();
         },
         "'1e9' is not a valid floating point value."},
        {"37 facings where 6 x 6 fit", facingsTyped("37"), build, tooMany},
        {"16000 facings", facingsTyped("16000"), build, tooMany},
        {"rows of products times the largest amount", [] {},
         [&] {
             TypeList("SK-101", "2147483647", 1);
             ui.AnswerModal(mrOk);
             form->LoadProductList1->trigger();
         },
         tooMany},
        {"200 facings of a product without a width",
         [&] {
             const std::optional<int> row = selector->model.FindProductRow(selector->GridP(), "SK-101");
             selector->GridP().SetCells(selector->model.catalog.roleColumns[RoleWidth], row.value_or(0), "0");
             facingsTyped("200")();
         },
         build, "The width, height or Part Number for this item is not defined, so it can not be added."},
    };
    for (const auto& c : cases) {
        c.prepare();
        const std::string before = Snapshot();
        const size_t shown = ui.MessageTexts().size();
        ui.AnswerMessage(MsgAnswer::OK);
        c.enter();
        const std::vector<std::string> texts = ui.MessageTexts();
        ASSERT_EQ(texts.size(), shown + 1) << c.number;
        EXPECT_EQ(texts.back(), c.message) << c.number;
        EXPECT_EQ(Snapshot(), before) << c.number;
    }
}

TEST_F(BuilderCommands, AMostVisibleHeightAboveTheWallHangsTheFirstRowAtItsTop)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    Active().SetBuilderList({{"SK-101", "1", "1"}});
    Active().FillBuilderGrid();
    for (const bool inches : {false, true})
        for (const char* height : {"181", "536870912", "2147483647"}) {
            form->unitsInches = inches;
            selector->edBestHeight->setText(height);
            selector->Button2->click();
            ASSERT_EQ(Active().items->Count(), 2) << height; // the product and its shelf
            EXPECT_EQ(Active().items->head->top, 1) << height << (inches ? " inches" : " cm");
        }
    EXPECT_TRUE(ui.MessageTexts().empty());
}

} // namespace
