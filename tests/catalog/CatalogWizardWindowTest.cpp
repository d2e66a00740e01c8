// The catalog wizard's window, offscreen and shown modally the way the program shows it: a catalog
// typed in through the wizard, edited in the Catalog Manager it shows meanwhile, saved when both
// close, and opened again.
#include "catalog/CatWizardCode.h"
#include "catalog/DataMaker.h"
#include "platform/ui/QtUiServices.h"
#include "platform/ui/StringGridView.h"
#include "testing/ScriptedUi.h"

#include "testing/CatalogFakes.h"
#include "TestSupport.h"

#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void Key(QWidget* target, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

void Type(QWidget* target, const std::string& text)
{
    for (const char c : text)
        Key(target, QChar(c).toUpper().unicode(), QString(QChar(c)));
}

void Choose(QButtonGroup* group, int id) { group->button(id)->click(); }

TEST(CatalogWizardWindow, ACatalogMadeThroughTheWizardIsSavedAndOpensAgain)
{
    TemporaryFolder folder;
    const std::string saved = folder.File("made.ctf");
    ScriptedUi ui;
    ui.AnswerMessage(MsgAnswer::Yes); // "Save changes to catalog?" as the Catalog Manager closes
    ui.AnswerFile(FileDialogResult{saved, CatalogManager::TextEntry});
    NoSelectorHost host;
    TDForm manager(host);
    TCatalogWizard wizard(manager);
    EXPECT_EQ(wizard.windowTitle().toStdString(), "Catalog Wizard");
    const std::vector<const char*> product = {"P-9", "Soap", "soap.jpg", "10", "20", "5", "1.5", "2.5", "", "3"};

    bool managerUsable = false;
    bool onTopBefore = true;
    bool onTopOnCellPage = false;
    QTimer::singleShot(0, [&] {
        const auto next = [&] { wizard.bNext->click(); };
        EXPECT_EQ(wizard.PageControl1->currentIndex(), CatalogWizardPages::WelcomePage);
        EXPECT_FALSE(wizard.bBack->isEnabled());
        next();
        next();
        next(); // entered by hand
        next(); // the field list as it is
        EXPECT_EQ(wizard.PageControl1->currentIndex(), CatalogWizardPages::UnitsPage);
        Choose(wizard.rgUnits, 1);
        next();
        onTopBefore = wizard.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        Choose(wizard.rgAddManualOrNot, CatalogWizardPages::AddWithWizard);
        next();
        onTopOnCellPage = wizard.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        EXPECT_EQ(wizard.lbAddInfo->text().toStdString(),
                  "add the Product/Part Nr attribute information for product entry number 1");
        for (const char* cell : product) {
            wizard.edCellInfo->setText(cell);
            next();
        }
        EXPECT_EQ(wizard.PageControl1->currentIndex(), CatalogWizardPages::DoNextPage);
        EXPECT_EQ(wizard.bNext->text().toStdString(), "&Finish");
        // Back shows the last cell as typed; Next again keeps it.
        wizard.bBack->click();
        EXPECT_EQ(wizard.PageControl1->currentIndex(), CatalogWizardPages::CellPage);
        EXPECT_EQ(wizard.edCellInfo->text().toStdString(), "3");
        next();
        EXPECT_EQ(wizard.PageControl1->currentIndex(), CatalogWizardPages::DoNextPage);
        // Back to the page that starts the products and on again goes on with the product typed.
        wizard.bBack->click();
        wizard.bBack->click();
        EXPECT_EQ(wizard.PageControl1->currentIndex(), CatalogWizardPages::AddProductsPage);
        next();
        EXPECT_EQ(wizard.edCellInfo->text().toStdString(), "P-9");
        for (size_t cell = 0; cell < product.size(); ++cell)
            next();
        EXPECT_EQ(wizard.PageControl1->currentIndex(), CatalogWizardPages::DoNextPage);

        // The Catalog Manager the wizard showed takes a typed cell while the wizard waits.
        managerUsable = manager.isVisible() && manager.isEnabled();
        manager.model.Grid.FocusCell(2, 1);
        Type(manager.GridView, "S");
        if (auto* editor = manager.GridView->viewport()->findChild<QLineEdit*>()) {
            Type(editor, "uds");
            Key(editor, Qt::Key_Return, "\r");
        }
        Choose(wizard.rgDoNext, CatalogWizardPages::DoneAdding);
        next();
        next(); // Finish
    });
    QtUiServices().ShowModal(wizard);

    EXPECT_TRUE(managerUsable);
    EXPECT_FALSE(onTopBefore);
    EXPECT_TRUE(onTopOnCellPage);
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_FALSE(manager.isVisible());
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Save changes to catalog?"});
    EXPECT_TRUE(ui.AllAnswersUsed());

    CatalogManager opened(host);
    ASSERT_TRUE(opened.OpenCatalog(saved));
    EXPECT_EQ(opened.Grid.Cells(1, 0), "Product/Part Nr");
    EXPECT_EQ(opened.Grid.Cells(1, 1), "P-9");
    EXPECT_EQ(opened.Grid.Cells(2, 1), "Suds");
    EXPECT_EQ(opened.Grid.Cells(7, 1), "1.5");
    EXPECT_EQ(opened.Grid.Cells(10, 1), "3");
    EXPECT_FALSE(opened.Centimetres());
    EXPECT_EQ(opened.catalog->roles[RoleWidth], 4);
    EXPECT_EQ(opened.catalog->roles[RoleSalePrice], 8);
}

TEST(CatalogWizardWindow, TheWizardStaysInFrontOfTheCatalogManagerItShows)
{
    TemporaryFolder folder;
    const std::string list = folder.File("list.txt");
    WriteWholeFile(list, "Part\tName\r\nP-1\tSoap\r\n");
    ScriptedUi ui;
    ui.AnswerFile(FileDialogResult{list, 1});
    NoSelectorHost host;
    TDForm manager(host);
    TCatalogWizard wizard(manager);
    std::vector<std::pair<int, bool>> fronts; // the page, and whether the wizard was the active window
    const auto next = [&] {
        wizard.bNext->click();
        QApplication::processEvents();
        fronts.emplace_back(wizard.PageControl1->currentIndex(),
                            manager.isVisible() && QApplication::activeWindow() == &wizard);
    };
    QTimer::singleShot(0, [&] {
        next();
        next();
        Choose(wizard.rgImport, CatalogWizardPages::ImportTextFile);
        next(); // imported, shown in the Catalog Manager
        next();
        next(); // the roles given to the Catalog Manager
        wizard.close();
    });
    QtUiServices().ShowModal(wizard);
    const std::vector<std::pair<int, bool>> expected = {{CatalogWizardPages::DoWhatPage, false},
                                                        {CatalogWizardPages::ImportPage, false},
                                                        {CatalogWizardPages::AssignmentsPage, true},
                                                        {CatalogWizardPages::UnitsPage, true},
                                                        {CatalogWizardPages::FinishedPage, true}};
    EXPECT_EQ(fronts, expected);
    EXPECT_EQ(manager.model.Grid.Cells(2, 1), "Soap");
    EXPECT_TRUE(ui.AllAnswersUsed());
}

} // namespace
