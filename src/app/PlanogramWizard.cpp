#include "app/PlanogramWizard.h"

#include "ado/Adocomps.h"
#include "app/SDIMain.h"
#include "catalog/CatWizardCode.h"
#include "catalog/Didfilefinder.h"
#include "planogram/Planobuilder.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/graphics/Picture.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/Application.h"
#include "platform/ui/FileListBoxView.h"
#include "platform/ui/StringGridView.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/WizardPages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

TSUWizard* SUWizard = nullptr;

namespace {

constexpr int FormWidth = 560;
constexpr int FormHeight = 440;
constexpr const char* CatalogMask = "*.vdx;*.ctf;*.ddl";
constexpr const char* TemplateChoice = "Open an existing planogram template?";
constexpr const char* TemplateHint = "Select a template file and click Next.";

// The peg edits' captions, in the order of PlanogramWizardPages::peg.
constexpr const char* PegCaptions[] = {"First peg row from top",          "First peg row from bottom",
                                       "First peg column from right",     "First peg column from left",
                                       "Space between peg rows",          "Space between peg columns",
                                       "Peg hole size (decimals allowed)"};

std::string TextOf(const QLineEdit* edit) { return fromQString(edit->text()); }

void Check(QButtonGroup* group, int id)
{
    if (QAbstractButton* button = group->button(id))
        button->setChecked(true);
}

QLabel* WrappedLabel(const char* text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

StringGridView* Grid(QWidget* parent)
{
    auto* view = new StringGridView(parent);
    view->Grid().SetColCount(3);
    view->Grid().SetRowCount(2);
    return view;
}

} // namespace

TSUWizard::TSUWizard(TMainForm& mainForm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), pages(*this),
      dADOConnection1(std::make_unique<TdADOConnection>()), dADODataset1(std::make_unique<TdADODataset>()),
      mainForm_(mainForm)
{
    SUWizard = this;
    setObjectName("SUWizard");
    setWindowTitle("Planogram Setup Wizard");
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    for (QWidget* page : {WelcomePage(), DoWhatPage(), HaveCatalogPage(), CatalogPage(), UnitsPage(), SizePage(),
                          BackgroundPage(), PegPage(), AutoPage(), ProductsPage(), PlacementPage(), FinishedPage()})
        PageControl1->addTab(page, QString());
    PageControl1->tabBar()->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    CreateButtons(*layout);
    FindCat.title = "Find Kestrame Catalog";
    FindCat.defaultExt = "did";
    FindCat.filter = std::string("Catalog (") + CatalogMask + ")|" + CatalogMask + "|All file types|*.*";
    OpenPictureDialog1.title = "Select Display Background Image";
    OpenPictureDialog1.filter = TPicture::GraphicFilter();
    dADOConnection1->SetName("dADOConnection1");
    dADOConnection1->SetProvider("MSDASQL.1");
    dADOConnection1->SetMode(ad_ModeRead);
    dADODataset1->SetName("dADODataset1");
    dADODataset1->SetConnection(dADOConnection1.get());
    dADODataset1->SetCursorLocation(ad_UseServer);
    ConnectHandlers();
    CentreOnScreen(*this, QSize(FormWidth, FormHeight));
}

TSUWizard::~TSUWizard()
{
    // The catalog may read through the components, so it goes first.
    catalog.reset();
    if (SUWizard == this)
        SUWizard = nullptr;
}

QWidget* TSUWizard::TextPage(const char* heading, const char* text)
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, heading);
    layout->addWidget(WrappedLabel(text, page));
    layout->addStretch();
    return page;
}

QWidget* TSUWizard::WelcomePage()
{
    return TextPage("Welcome to the Kestrame planogram wizard ",
                    "This wizard will guide you through all the steps needed to build your planogram display. Click "
                    "Next to continue ");
}

QWidget* TSUWizard::DoWhatPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "What would you like to do?");
    rbDoWhat = RadioGroup(*layout, "",
                          {"Make a new planogram display?", "Open an existing planogram display?", TemplateChoice},
                          PlanogramWizardPages::NewDisplay);
    TemplateList = new FileListBoxView(page);
    TemplateList->setObjectName("TemplateList");
    Label4 = new QLabel(TemplateHint, page);
    layout->addWidget(Label4);
    layout->addWidget(TemplateList, 1);
    return page;
}

QWidget* TSUWizard::HaveCatalogPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Have you made a Kestrame catalog for your products?");
    rbHaveCat = RadioGroup(*layout, "", {"Yes", "No"}, 0);
    layout->addStretch();
    return page;
}

QWidget* TSUWizard::CatalogPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Select a product catalog");
    auto* row = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(WrappedLabel("Select the product catalog you would like to use in your planogram display from the "
                                 "list on the right. (Direct data links can not be used from the Planogram Wizard) ",
                                 page));
    Button1 = new QPushButton("Find Catalog", page);
    left->addWidget(Button1, 0, Qt::AlignLeft);
    left->addStretch();
    CatalogList = new FileListBoxView(page);
    CatalogList->setObjectName("CatalogList");
    row->addLayout(left, 1);
    row->addWidget(CatalogList, 1);
    layout->addLayout(row, 1);
    return page;
}

QWidget* TSUWizard::UnitsPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "What unit of meassurement would you like to use?");
    rbUnits = RadioGroup(*layout, "", {"Centemeters", "Inches"}, 0);
    layout->addStretch();
    return page;
}

QLineEdit* TSUWizard::LabelledEdit(QVBoxLayout& layout, const char* caption, QLabel** unit)
{
    auto* row = new QHBoxLayout;
    auto* edit = new QLineEdit;
    row->addWidget(new QLabel(caption));
    row->addWidget(edit);
    *unit = new QLabel("cm");
    row->addWidget(*unit);
    row->addStretch();
    layout.addLayout(row);
    return edit;
}

QWidget* TSUWizard::SizePage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "What are the dimentions of your display?");
    edWidth = LabelledEdit(*layout, "Width", &lbUnitW1);
    edHeight = LabelledEdit(*layout, "Height", &lbUnitH1);
    layout->addStretch();
    return page;
}

QWidget* TSUWizard::BackgroundPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "What kind of display background do you want?");
    rbDisplayType =
        RadioGroup(*layout, "", {"Pegboard", "Slatwall", "Image", "Solid Color"}, PlanogramWizardPages::Pegboard);
    auto* colour = new QHBoxLayout;
    Button2 = new QPushButton("Set background color", page);
    Panel3 = new QFrame(page);
    Panel3->setObjectName("Panel3");
    Panel3->setFrameShape(QFrame::Box);
    Panel3->setFixedSize(40, 24);
    Panel3->setAutoFillBackground(true);
    colour->addWidget(Button2);
    colour->addWidget(Panel3);
    colour->addStretch();
    layout->addLayout(colour);
    layout->addStretch();
    ShowSwatch();
    return page;
}

QWidget* TSUWizard::PegPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Peghole placement and size", &lbPegHeading);
    auto* form = new QFormLayout;
    for (size_t i = 0; i < pegEdits.size(); ++i) {
        pegEdits[i] = new QLineEdit(page);
        form->addRow(PegCaptions[i], pegEdits[i]);
    }
    layout->addLayout(form);
    layout->addStretch();
    return page;
}

QWidget* TSUWizard::AutoPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Automatic or Manual Planogram?");
    rbAutoDisplay = RadioGroup(*layout, "", {"Automatic Planogram", "Manual Planogram"}, 1);
    layout->addStretch();
    return page;
}

QWidget* TSUWizard::ProductsPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "Select products for your display");
    auto* grids = new QGridLayout;
    grids->addWidget(new QLabel("Catalog Items", page), 0, 0);
    grids->addWidget(new QLabel("Items to place in display", page), 0, 2);
    GridPView = Grid(page);
    GridPView->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridBView = Grid(page);
    GridB().SetFixedCols(0);
    GridB().SetEditing(true);
    ShowGridB();
    auto* buttons = new QVBoxLayout;
    bAdd = new QPushButton("+", page);
    bRemove = new QPushButton("-", page);
    buttons->addStretch();
    buttons->addWidget(bAdd);
    buttons->addWidget(bRemove);
    buttons->addStretch();
    grids->addWidget(GridPView, 1, 0);
    grids->addLayout(buttons, 1, 1);
    grids->addWidget(GridBView, 1, 2);
    layout->addLayout(grids, 1);
    ckAutoShelves = new QCheckBox("Automatically add shelves", page);
    layout->addWidget(ckAutoShelves);
    return page;
}

QWidget* TSUWizard::PlacementPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewWizardPage(layout, "How should your products be placed?");
    edBestHeight = LabelledEdit(*layout, "What is the most visible height?", &lbUnitHeight);
    layout->addWidget(new QLabel("Placement options", page));
    RankList = new QListWidget(page);
    for (const char* mode : RankModeNames)
        RankList->addItem(mode);
    layout->addWidget(RankList, 1);
    return page;
}

QWidget* TSUWizard::FinishedPage()
{
    return TextPage("Finished!", "Kestrame now has all the information needed to make a display. Click Finish to start "
                                 "planogramming!");
}

void TSUWizard::CreateButtons(QVBoxLayout& layout)
{
    ckShowAtStart = new QCheckBox("Show at program start", this);
    ckShowAtStart->setChecked(true);
    bBack = new QPushButton("<&Back", this);
    bNext = new QPushButton("&Next>", this);
    bNext->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ckShowAtStart);
    buttons->addStretch();
    for (QPushButton* button : {bBack, bNext, CancelBtn})
        buttons->addWidget(button);
    layout.addLayout(buttons);
}

void TSUWizard::ConnectHandlers()
{
    connect(bNext, &QPushButton::clicked, this, ShowingErrors(this, &TSUWizard::bNextClick));
    connect(bBack, &QPushButton::clicked, this, ShowingErrors(this, &TSUWizard::bBackClick));
    connect(CancelBtn, &QPushButton::clicked, this, &QWidget::close);
    connect(rbDoWhat, &QButtonGroup::idClicked, this, ShowingErrors(this, &TSUWizard::rbDoWhatClick));
    connect(rbDisplayType, &QButtonGroup::idClicked, this, ShowingErrors(this, &TSUWizard::rbDisplayTypeClick));
    connect(Button1, &QPushButton::clicked, this, ShowingErrors(this, &TSUWizard::Button1Click));
    connect(Button2, &QPushButton::clicked, this, ShowingErrors(this, &TSUWizard::Button2Click));
    connect(bAdd, &QPushButton::clicked, this, ShowingErrors(this, &TSUWizard::bAddClick));
    connect(bRemove, &QPushButton::clicked, this, ShowingErrors(this, &TSUWizard::bRemoveClick));
}

void TSUWizard::ConnectCatalogWizard(TCatalogWizard& wizard)
{
    catalogWizard_ = &wizard;
    wizard.SetStartPlanogramming([this] { show(); });
}

void TSUWizard::ShowAtStart(bool show)
{
    pages.showAtStart = show;
    ckShowAtStart->setChecked(show);
}

TStringGrid& TSUWizard::GridP() { return GridPView->Grid(); }

TStringGrid& TSUWizard::GridB() { return GridBView->Grid(); }

void TSUWizard::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TSUWizard::FormShow()
{
    fileFinder = std::make_unique<Didfilefinder>();
    // Every kind of catalog a planogram reads, so that the current one shows whatever its kind.
    CatalogList->Files().SetMask(CatalogMask);
    fileFinder->SelectCurrentCatalog(CatalogList->Files());
    fileFinder->ListTemplates(TemplateList->Files());
    rbDoWhat->button(PlanogramWizardPages::OpenTemplate)->setText(TemplateChoice);
    Label4->setText(TemplateHint);
    pages.FormShow(SettingsStore());
    ShowPages();
}

void TSUWizard::closeEvent(QCloseEvent* event)
{
    if (building_) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TSUWizard::reject() { close(); }

void TSUWizard::FormClose()
{
    SettingsStore().WriteBool("Options", "Welcome", ckShowAtStart->isChecked());
    catalog.reset();
    fileFinder.reset();
}

void TSUWizard::bNextClick()
{
    ReadControls();
    pages.NextClick(SettingsStore());
    ShowPages();
}

void TSUWizard::bBackClick()
{
    ReadControls();
    pages.BackClick();
    ShowPages();
}

void TSUWizard::rbDoWhatClick()
{
    const bool templates = rbDoWhat->checkedId() == PlanogramWizardPages::OpenTemplate;
    TemplateList->setVisible(templates);
    Label4->setVisible(templates);
}

void TSUWizard::rbDisplayTypeClick()
{
    if (rbDisplayType->checkedId() != PlanogramWizardPages::Image)
        return;
    if (const std::optional<FileDialogResult> choice = Ui().OpenDialog(OpenPictureDialog1))
        pages.pictureFile = choice->fileName;
}

void TSUWizard::Button1Click()
{
    if (const std::optional<FileDialogResult> choice = Ui().OpenDialog(FindCat))
        CatalogList->Files().SetFileName(choice->fileName);
}

void TSUWizard::Button2Click()
{
    if (const std::optional<DialogColor> colour = Ui().ColorDialog(static_cast<DialogColor>(pages.backgroundColor))) {
        pages.backgroundColor = static_cast<TColor>(*colour);
        ShowSwatch();
    }
}

void TSUWizard::bAddClick()
{
    ReadGridB();
    pages.AddProduct(SelectedPartNumber());
    ShowGridB();
}

void TSUWizard::bRemoveClick()
{
    ReadGridB();
    pages.RemoveProduct(GridB().Row());
    ShowGridB();
}

std::string TSUWizard::SelectedPartNumber()
{
    const TStringGrid& grid = GridP();
    // A link's stored field count may lag behind its table, which the grid shows as it is now.
    const int column = catalog ? catalog->roles[RolePartNumber] : -1;
    const int row = grid.Row();
    if (column < 0 || column >= grid.ColCount() || row < 1 || row >= grid.RowCount())
        return {};
    return grid.Cells(column, row);
}

void TSUWizard::ReadControls()
{
    pages.doWhat = rbDoWhat->checkedId();
    pages.templateFile = TemplateList->Files().FileName();
    pages.haveCatalog = rbHaveCat->checkedId() == 0;
    pages.catalogFile = CatalogList->Files().FileName();
    pages.inchUnits = rbUnits->checkedId() == 1;
    pages.edWidth = TextOf(edWidth);
    pages.edHeight = TextOf(edHeight);
    pages.displayType = rbDisplayType->checkedId();
    for (size_t i = 0; i < pegEdits.size(); ++i)
        pages.peg[i] = TextOf(pegEdits[i]);
    pages.autoDisplay = rbAutoDisplay->checkedId() == 0;
    ReadGridB();
    pages.autoShelves = ckAutoShelves->isChecked();
    pages.edBestHeight = TextOf(edBestHeight);
    pages.rankIndex = RankList->currentRow();
    pages.showAtStart = ckShowAtStart->isChecked();
}

void TSUWizard::ShowPages()
{
    if (pages.currentPage < PlanogramWizardPages::PageCount)
        PageControl1->setCurrentIndex(pages.currentPage);
    bNext->setText(toQString(pages.NextCaption()));
    bBack->setEnabled(pages.BackEnabled());
    Check(rbDoWhat, pages.doWhat);
    rbDoWhatClick();
    Check(rbUnits, pages.inchUnits ? 1 : 0);
    for (QLabel* label : {lbUnitW1, lbUnitH1, lbUnitHeight})
        label->setText(toQString(pages.unitLabel));
    lbPegHeading->setText(toQString(pages.pegHeading));
    for (size_t i = 0; i < pegEdits.size(); ++i)
        pegEdits[i]->setText(toQString(pages.peg[i]));
    edBestHeight->setText(toQString(pages.edBestHeight));
    RankList->setCurrentRow(pages.rankIndex);
    ckShowAtStart->setChecked(pages.showAtStart);
    ShowGridB();
}

void TSUWizard::ReadGridB()
{
    const TStringGrid& grid = GridB();
    pages.gridB.assign(static_cast<size_t>(grid.RowCount()), {});
    for (int row = 0; row < grid.RowCount(); ++row)
        for (int col = 0; col < 3; ++col)
            pages.gridB[static_cast<size_t>(row)][static_cast<size_t>(col)] = grid.Cells(col, row);
}

void TSUWizard::ShowGridB()
{
    TStringGrid& grid = GridB();
    grid.SetRowCount(static_cast<int>(pages.gridB.size()));
    for (size_t row = 0; row < pages.gridB.size(); ++row)
        for (size_t col = 0; col < 3; ++col)
            grid.SetCells(static_cast<int>(col), static_cast<int>(row), pages.gridB[row][col]);
}

void TSUWizard::ShowSwatch()
{
    QPalette palette = Panel3->palette();
    palette.setColor(QPalette::Window, ColorToQColor(pages.backgroundColor));
    Panel3->setPalette(palette);
}

bool TSUWizard::OpenPlanogram(const std::string& fileName) { return mainForm_.OpenPlanogram(fileName); }

void TSUWizard::ShowCatalogWizard()
{
    if (catalogWizard_)
        catalogWizard_->show();
}

void TSUWizard::CloseWizard() { close(); }

bool TSUWizard::OpenCatalog(const std::string& fileName)
{
    catalog.reset();
    std::unique_ptr<didBase> opened = NewCatalogForFile(fileName);
    if (!opened)
        return false;
    opened->displayScale = mainForm_.displayScale;
    opened->unitsMode = mainForm_.unitsMode;
    if (!opened->Open(fileName, nullptr))
        return false;
    for (int col = 0; col < 3; ++col)
        GridP().SetCells(col, 1, "");
    opened->LoadIntoGrid(GridP());
    catalog = std::move(opened);
    return true;
}
