#include "catalog/CatWizardCode.h"

#include "catalog/DataMaker.h"
#include "catalog/ExcelImport.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/WizardPages.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <initializer_list>

namespace {

constexpr int FormWidth = 480;
constexpr int FormHeight = 400;

// The labels beside the field assignment combo boxes, in their order.
constexpr const char* ComboCaptions[] = {"Product/Part Nr", "Description",  "Width",        "Height", "Depth",
                                         "Picture Name",    "Cost Price",   "Retail Price", "Peg X",  "Peg Y"};

} // namespace

TCatalogWizard::TCatalogWizard(TDForm& catalogManager, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), pages(catalogManager.model, *this),
      catalogManager_(catalogManager)
{
    setObjectName("CatalogWizard");
    setWindowTitle("Catalog Wizard");
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    for (QWidget* page : {WelcomePage(), DoWhatPage(), ImportPage(), FieldsPage(), AssignmentsPage(), UnitsPage(),
                          AddProductsPage(), CellPage(), DoNextPage(), FinishedPage()})
        PageControl1->addTab(page, QString());
    PageControl1->tabBar()->hide();
    bBack = new QPushButton("<&Back", this);
    bNext = new QPushButton("&Next>", this);
    bNext->setDefault(true);
    bCancel = new QPushButton("&Cancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {bBack, bNext, bCancel})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);
    pages.progressBar = ProgressBar1;
    OpenPictureDialog1.filter = TPicture::GraphicFilter();
    SetStartPlanogramming({});
    ConnectHandlers();
    CentreOnScreen(*this, QSize(FormWidth, FormHeight));
}

QWidget* TCatalogWizard::WelcomePage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Welcome to the Kestrame catalog wizard ");
    auto* text = new QLabel(
        "This wizard will guide you through all the steps needed to build your Kestrame catalog. Click Next to "
        "continue ",
        page);
    text->setWordWrap(true);
    layout->addWidget(text);
    layout->addStretch();
    return page;
}

QWidget* TCatalogWizard::DoWhatPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "What would you like to do?");
    rgDoWhat = RadioGroup(*layout, "", {"Create a new catalog", "Continue working on an existing catalog"},
                          CatalogWizardPages::CreateNew);
    layout->addStretch();
    return page;
}

QWidget* TCatalogWizard::ImportPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "How do you want to enter your catalog information?");
    rgImport = RadioGroup(*layout, "", {"Import Excel file", "Import tab delimited text file", "Enter manually"},
                          CatalogWizardPages::EnterManually);
    gbRowCol = new QGroupBox("Import Excel", page);
    edMaxR = new QLineEdit("1", gbRowCol);
    edMaxC = new QLineEdit("1", gbRowCol);
    ProgressBar1 = new StepProgressBar(gbRowCol);
    auto* excel = new QFormLayout(gbRowCol);
    excel->addRow("Rows:", edMaxR);
    excel->addRow("Columns:", edMaxC);
    excel->addRow(ProgressBar1);
    gbRowCol->hide();
    layout->addWidget(gbRowCol);
    layout->addStretch();
    return page;
}

QWidget* TCatalogWizard::FieldsPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Product attributes / data fields");
    lFields = new QListWidget(page);
    edNewField = new QLineEdit(page);
    bAddField = new QPushButton("Add", page);
    bRemove = new QPushButton("Remove", page);
    bRemove->setEnabled(false);
    auto* edit = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{edNewField, bAddField, bRemove})
        edit->addWidget(widget);
    layout->addWidget(lFields, 1);
    layout->addLayout(edit);
    return page;
}

QWidget* TCatalogWizard::AssignmentsPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Data field assignments");
    auto* form = new QFormLayout;
    for (size_t i = 0; i < fieldCombos.size(); ++i) {
        fieldCombos[i] = new QComboBox(page);
        form->addRow(ComboCaptions[i], fieldCombos[i]);
    }
    layout->addLayout(form);
    layout->addStretch();
    return page;
}

QWidget* TCatalogWizard::UnitsPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Please select the unit of meassurement you will use in your catalog");
    rgUnits = RadioGroup(*layout, "", {"cm", "inch"}, 0);
    layout->addStretch();
    return page;
}

QWidget* TCatalogWizard::AddProductsPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Start adding products to your catalog");
    rgAddManualOrNot = RadioGroup(*layout, "", {"Add products manually", "Add products with the wizards help"},
                                  CatalogWizardPages::AddManually);
    layout->addStretch();
    return page;
}

QWidget* TCatalogWizard::CellPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Add product information");
    lbAddInfo = new QLabel(page);
    lbAddInfo->setWordWrap(true);
    edCellInfo = new QLineEdit(page);
    bPic = new QPushButton("Find and Preview Picture", page);
    layout->addWidget(lbAddInfo);
    layout->addWidget(edCellInfo);
    layout->addWidget(bPic, 0, Qt::AlignLeft);
    layout->addStretch();
    return page;
}

QWidget* TCatalogWizard::DoNextPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "What would you like to do now?");
    rgDoNext = RadioGroup(*layout, "", {"Add next product entry", "I am done adding products"},
                          CatalogWizardPages::AddNextEntry);
    layout->addStretch();
    return page;
}

QWidget* TCatalogWizard::FinishedPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Finished!");
    rgFinished = RadioGroup(*layout, "", {"Finish", "Start planogramming"}, CatalogWizardPages::Finish);
    layout->addStretch();
    return page;
}

void TCatalogWizard::ConnectHandlers()
{
    connect(bNext, &QPushButton::clicked, this, ShowingErrors(this, &TCatalogWizard::bNextClick));
    connect(bBack, &QPushButton::clicked, this, ShowingErrors(this, &TCatalogWizard::bBackClick));
    connect(bCancel, &QPushButton::clicked, this, ShowingErrors(this, &TCatalogWizard::bCancelClick));
    connect(rgImport, &QButtonGroup::idClicked, this, ShowingErrors(this, &TCatalogWizard::rgImportClick));
    connect(lFields, &QListWidget::currentRowChanged, this, ShowingErrors(this, &TCatalogWizard::lFieldsClick));
    connect(bAddField, &QPushButton::clicked, this, ShowingErrors(this, &TCatalogWizard::bAddFieldClick));
    connect(bRemove, &QPushButton::clicked, this, ShowingErrors(this, &TCatalogWizard::bRemoveClick));
    connect(bPic, &QPushButton::clicked, this, ShowingErrors(this, &TCatalogWizard::bPicClick));
}

void TCatalogWizard::SetStartPlanogramming(std::function<void()> start)
{
    rgFinished->button(CatalogWizardPages::StartPlanogramming)->setEnabled(static_cast<bool>(start));
    pages.startPlanogramming = std::move(start);
}

void TCatalogWizard::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TCatalogWizard::FormShow()
{
    pages.FormShow();
    SetStaysOnTop(false);
    rgImportClick();
    ShowPages();
}

void TCatalogWizard::bNextClick()
{
    ReadControls();
    managerShown_ = false;
    pages.AdvancePage();
    ShowPages();
    // The Catalog Manager, larger and shown last, would hide the wizard's buttons.
    if (managerShown_ && isVisible()) {
        raise();
        activateWindow();
    }
    if (pages.page == CatalogWizardPages::CellPage)
        edCellInfo->setFocus();
}

void TCatalogWizard::bBackClick()
{
    ReadControls();
    pages.BackPage();
    ShowPages();
}

void TCatalogWizard::bCancelClick() { close(); }

void TCatalogWizard::rgImportClick() { gbRowCol->setVisible(rgImport->checkedId() == CatalogWizardPages::ImportExcel); }

void TCatalogWizard::lFieldsClick() { bRemove->setEnabled(lFields->currentRow() >= 0); }

void TCatalogWizard::bAddFieldClick()
{
    pages.AddField(fromQString(edNewField->text()));
    edNewField->clear();
    ShowFields();
}

void TCatalogWizard::bRemoveClick()
{
    pages.RemoveField(lFields->currentRow());
    ShowFields();
    bRemove->setEnabled(false);
}

void TCatalogWizard::bPicClick()
{
    if (const std::optional<FileDialogResult> choice = Ui().OpenDialog(OpenPictureDialog1))
        edCellInfo->setText(PathToQString(choice->fileName));
}

void TCatalogWizard::ReadControls()
{
    pages.doWhat = static_cast<CatalogWizardPages::DoWhat>(rgDoWhat->checkedId());
    pages.importKind = static_cast<CatalogWizardPages::ImportKind>(rgImport->checkedId());
    pages.maxRows = fromQString(edMaxR->text());
    pages.maxColumns = fromQString(edMaxC->text());
    for (size_t i = 0; i < fieldCombos.size(); ++i)
        pages.combos[i].selected = fieldCombos[i]->currentIndex();
    pages.centimetres = rgUnits->checkedId() == 0;
    pages.addProducts = static_cast<CatalogWizardPages::AddProducts>(rgAddManualOrNot->checkedId());
    pages.cellInfo = fromQString(edCellInfo->text());
    pages.doNext = static_cast<CatalogWizardPages::DoNext>(rgDoNext->checkedId());
    pages.finished = static_cast<CatalogWizardPages::Finished>(rgFinished->checkedId());
}

void TCatalogWizard::ShowPages()
{
    PageControl1->setCurrentIndex(pages.page);
    bNext->setText(toQString(pages.NextCaption()));
    bBack->setEnabled(pages.backEnabled && pages.page > CatalogWizardPages::WelcomePage);
    ShowFields();
    for (size_t i = 0; i < fieldCombos.size(); ++i) {
        QComboBox& combo = *fieldCombos[i];
        combo.clear();
        for (const std::string& item : pages.combos[i].items)
            combo.addItem(toShownQString(item));
        combo.setCurrentIndex(pages.combos[i].selected);
    }
    lbAddInfo->setText(toShownQString(pages.addInfo));
    edCellInfo->setText(toQString(pages.cellInfo));
}

void TCatalogWizard::ShowFields()
{
    lFields->clear();
    for (const std::string& field : pages.fields)
        lFields->addItem(toShownQString(field));
}

void TCatalogWizard::SetStaysOnTop(bool onTop)
{
    // Changing the flags the usual way hides the window, which would end its modal showing.
    const Qt::WindowFlags flags = onTop ? windowFlags() | Qt::WindowStaysOnTopHint
                                        : windowFlags() & ~Qt::WindowFlags(Qt::WindowStaysOnTopHint);
    overrideWindowFlags(flags);
    if (QWindow* window = windowHandle())
        window->setFlags(flags);
}

void TCatalogWizard::ShowCatalogManager()
{
    catalogManager_.show();
    catalogManager_.raise();
    managerShown_ = true;
}

void TCatalogWizard::CloseCatalogManager() { catalogManager_.close(); }

void TCatalogWizard::HideWizard() { hide(); }

void TCatalogWizard::CloseWizard() { close(); }

void TCatalogWizard::KeepWizardOnTop() { SetStaysOnTop(true); }
