#include "planogram/SelectorCode.h"

#include "catalog/CatalogPictureFinder.h"
#include "catalog/Didbase.h"
#include "imageformats/DecodedPictureCache.h"
#include "imageformats/PictureLoading.h"
#include "planogram/DocumentView.h"
#include "planogram/FilterCode.h"
#include "planogram/Picturehelpers.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/ProductDrag.h"
#include "planogram/SelectorHost.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Picture.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/Application.h"
#include "platform/ui/StringGridModel.h"
#include "platform/ui/StringGridView.h"
#include "platform/ui/WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDrag>
#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// The product preview: paints through the selector, tells it when it comes into view and starts a
// drag of the current product.
class ProductPicture : public QWidget {
public:
    ProductPicture(std::function<void(QPainter&)> paint, std::function<void()> shown, QWidget* parent)
        : QWidget(parent), paint_(std::move(paint)), shown_(std::move(shown))
    {
        setMinimumSize(120, 120);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paint_(painter);
    }
    void showEvent(QShowEvent*) override { shown_(); }
    void mousePressEvent(QMouseEvent*) override
    {
        auto* data = new QMimeData;
        data->setData(CatalogProductMimeType, QByteArray());
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    }

private:
    std::function<void(QPainter&)> paint_;
    std::function<void()> shown_;
};

QComboBox* Combo(QWidget* parent, std::initializer_list<const char*> items)
{
    auto* combo = new QComboBox(parent);
    for (const char* item : items)
        combo->addItem(item);
    return combo;
}

QLineEdit* Edit(QWidget* parent, const char* text = "") { return new QLineEdit(text, parent); }

QToolButton* ToolButton(QWidget* parent, const char* text, const char* hint)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(hint);
    return button;
}

StringGridView* Grid(QWidget* parent, std::initializer_list<const char*> titles)
{
    auto* view = new StringGridView(parent);
    TStringGrid& grid = view->Grid();
    grid.SetColCount(static_cast<int>(std::max<size_t>(titles.size(), 2)));
    grid.SetRowCount(2);
    int col = 0;
    for (const char* title : titles)
        grid.SetCells(col++, 0, title);
    return view;
}

std::string TextOf(const QLineEdit* edit) { return fromQString(edit->text()); }

} // namespace

TSelector::TSelector(SelectorHost& host, QWidget* parent) : QDockWidget("Selector", parent), host_(host)
{
    setObjectName("Selector");
    // A tool window the user may dock and float, but not close: the main window shows and hides it.
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    setAllowedAreas(Qt::TopDockWidgetArea);
    PageControl1 = new QTabWidget(this);
    PageControl1->addTab(MakeFixturesTab(), "Fixtures");
    PageControl1->addTab(MakeProductsTab(), "Products");
    PageControl1->addTab(MakeLayoutTab(), "Layout");
    PageControl1->addTab(MakeBuilderTab(), "Builder");
    setWidget(PageControl1);
    ConnectFixtureControls();
    // Key preview: Delete reaches the selector whichever of its controls has the focus.
    QApplication::instance()->installEventFilter(this);
    layout_.SetSize(150, 200);
}

TSelector::~TSelector() { QApplication::instance()->removeEventFilter(this); }

QWidget* TSelector::MakeFixturesTab()
{
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    cbFixtureType = Combo(page, {"Shelf", "Section Divider", "Pegboard", "Base", "Text Box", "Slatwall"});
    form->addRow("Fixture", cbFixtureType);
    edFixW = Edit(page);
    edFixH = Edit(page);
    edFixD = Edit(page);
    form->addRow("Width", edFixW);
    form->addRow("Height", edFixH);
    form->addRow("Depth", edFixD);
    cbFixFill = Combo(page, {"Solid", "Clear", "Back Diagonal", "Forward Diagonal", "Cross", "Diagonal Cross",
                             "Horizontal", "Vertical"});
    cbFixEdge = Combo(page, {"Beveled", "Flat", "Flat with Outline"});
    form->addRow("Fill", cbFixFill);
    form->addRow("Edge", cbFixEdge);
    Button3 = new QPushButton("Color->", page);
    Swatch = new QFrame(page);
    Swatch->setFixedSize(24, 16);
    Swatch->setAutoFillBackground(true);
    auto* colour = new QHBoxLayout;
    colour->addWidget(Button3);
    colour->addWidget(Swatch);
    form->addRow(colour);
    bAddNewFixture = new QPushButton("Add New Fixture", page);
    bUpdateFixture = new QPushButton("Update Selected Fixture", page);
    bUpdateFixture->hide();
    bUpdateFixture->setEnabled(false);
    form->addRow(bAddNewFixture);
    form->addRow(bUpdateFixture);

    gbPegs = new QGroupBox("Peg Holes/Alignment options", page);
    auto* pegs = new QFormLayout(gbPegs);
    ed1PegTop = Edit(gbPegs, "4");
    ed1PegLeft = Edit(gbPegs, "4");
    ed1PegRight = Edit(gbPegs, "4");
    ed1PegBottom = Edit(gbPegs, "4");
    edVPegSpace = Edit(gbPegs, "4");
    edHPegSpace = Edit(gbPegs, "4");
    edPegRad = Edit(gbPegs, "1");
    pegs->addRow("First peg from top", ed1PegTop);
    pegs->addRow("First peg from left", ed1PegLeft);
    pegs->addRow("First peg from right", ed1PegRight);
    pegs->addRow("First peg from bottom", ed1PegBottom);
    pegs->addRow("Vertical peg space", edVPegSpace);
    pegs->addRow("Horizontal peg space", edHPegSpace);
    pegs->addRow("Peg hole size", edPegRad);
    gbPegs->hide();
    form->addRow(gbPegs);

    gbTextBox = new QGroupBox("Text Box Options", page);
    auto* text = new QFormLayout(gbTextBox);
    cbTextLine = Combo(gbTextBox, {"Single Line Text", "Multi Line Text"});
    cbTxtAlign = Combo(gbTextBox, {"Left", "Center", "Right"});
    Button4 = new QPushButton("Font / Font Size", gbTextBox);
    Memo1 = new QPlainTextEdit(gbTextBox);
    text->addRow(cbTextLine);
    text->addRow(cbTxtAlign);
    text->addRow(Button4);
    text->addRow(Memo1);
    gbTextBox->hide();
    form->addRow(gbTextBox);
    GridAView = Grid(page, {});
    GridAView->hide();
    return page;
}

QWidget* TSelector::MakeProductsTab()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* buttons = new QHBoxLayout;
    SpeedButton2 = ToolButton(page, "Add", "Add item to layout");
    sbOpenDataFile = ToolButton(page, "Catalog", "Open Catalog Manager");
    // Enabled by the main window once the program has a Catalog Manager.
    sbOpenDataFile->setEnabled(false);
    SpeedButton4 = ToolButton(page, "List", "Add product to builder list");
    comUpdate = ToolButton(page, "Link", "Link Picture");
    comUpdate->hide();
    for (QToolButton* button : {SpeedButton2, sbOpenDataFile, SpeedButton4, comUpdate})
        buttons->addWidget(button);
    lbCat1 = new QLabel(page);
    buttons->addWidget(lbCat1, 1);
    layout->addLayout(buttons);
    GridPView = Grid(page, {});
    GridPView->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A product's builder-list entries show as a "*" each after its record number.
    GridPView->Model().SetDecoration(
        [this](int col, int row) { return std::string(col == 0 ? static_cast<size_t>(model.Marks(row)) : 0, '*'); });
    layout->addWidget(GridPView, 1);
    imProduct =
        new ProductPicture([this](QPainter& painter) { PaintProduct(painter); }, [this] { QueuePreview(); }, page);
    layout->addWidget(imProduct);
    GridP().OnSelectCell = [this](int, int row, bool&) { GridPSelectCell(row); };
    connect(GridPView, &QAbstractItemView::doubleClicked, this, ShowingErrors(this, &TSelector::SpeedButton2Click));
    connect(SpeedButton2, &QToolButton::clicked, this, ShowingErrors(this, &TSelector::SpeedButton2Click));
    connect(sbOpenDataFile, &QToolButton::clicked, this, ShowingErrors(this, &TSelector::sbOpenDataFileClick));
    connect(SpeedButton4, &QToolButton::clicked, this, ShowingErrors(this, &TSelector::SpeedButton4Click));
    connect(comUpdate, &QToolButton::clicked, this, ShowingErrors(this, &TSelector::comUpdateClick));
    return page;
}

QWidget* TSelector::MakeLayoutTab()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    GridLView = Grid(page, {"Item No", "Item"});
    layout->addWidget(GridLView, 1);
    imLayout = new QLabel(page);
    imLayout->setFixedSize(150, 200);
    layout->addWidget(imLayout);
    return page;
}

QWidget* TSelector::MakeBuilderTab()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    GridBView = Grid(page, {"Item", "Rank", "Facings"});
    GridB().SetEditing(true);
    layout->addWidget(GridBView, 1);
    auto* form = new QFormLayout;
    SpeedButton3 = ToolButton(page, "Add", "Add product in browser to builder list");
    Button1 = new QPushButton("Add by Filter", page);
    Button1->setEnabled(false);
    cbRankBy = Combo(page, {});
    for (const char* mode : RankModeNames)
        cbRankBy->addItem(mode);
    edBestHeight = Edit(page, "75");
    lbUnits = new QLabel("cm", page);
    auto* height = new QHBoxLayout;
    height->addWidget(edBestHeight);
    height->addWidget(lbUnits);
    ckAutoAddShelf = new QCheckBox("automatically add shelves", page);
    ckAutoAddShelf->setChecked(true);
    Button2 = new QPushButton("Build display", page);
    SpeedButton7 = ToolButton(page, "Clear Item", "Clear Item");
    bClearAllBuilderList = new QPushButton("Clear List", page);
    form->addRow(SpeedButton3);
    form->addRow(Button1);
    form->addRow(cbRankBy);
    form->addRow("Most visible height", height);
    form->addRow(ckAutoAddShelf);
    form->addRow(Button2);
    form->addRow(SpeedButton7);
    form->addRow(bClearAllBuilderList);
    layout->addLayout(form);
    connect(SpeedButton3, &QToolButton::clicked, this, ShowingErrors(this, &TSelector::SpeedButton3Click));
    connect(Button1, &QPushButton::clicked, this, ShowingErrors(this, &TSelector::Button1Click));
    connect(Button2, &QPushButton::clicked, this, ShowingErrors(this, &TSelector::Button2Click));
    connect(SpeedButton7, &QToolButton::clicked, this, ShowingErrors(this, &TSelector::SpeedButton7Click));
    connect(bClearAllBuilderList, &QPushButton::clicked, this,
            ShowingErrors(this, &TSelector::bClearAllBuilderListClick));
    // The document's builder list is the model; a cell the user edited writes through. The grid's
    // fills from the list write nothing back.
    GridB().OnSetEditText = [this](int col, int row, const std::string& text) {
        if (PlanogramDocument* document = host_.ActiveDocument())
            model.BuilderCellEdited(*document, col, row, text);
    };
    return page;
}

void TSelector::ConnectFixtureControls()
{
    connect(cbFixtureType, &QComboBox::currentIndexChanged, this, ShowingErrors(this, &TSelector::cbFixtureTypeChange));
    connect(bAddNewFixture, &QPushButton::clicked, this, ShowingErrors(this, &TSelector::bAddNewFixtureClick));
    connect(bUpdateFixture, &QPushButton::clicked, this, ShowingErrors(this, &TSelector::UpdateSelectedFixture));
    connect(Button3, &QPushButton::clicked, this, ShowingErrors(this, &TSelector::Button3Click));
    connect(Button4, &QPushButton::clicked, this, ShowingErrors(this, &TSelector::Button4Click));
    for (QLineEdit* size : {edFixW, edFixH, edFixD})
        connect(size, &QLineEdit::returnPressed, this, ShowingErrors(this, &TSelector::UpdateSelectedFixture));
    for (QComboBox* style : {cbFixFill, cbFixEdge, cbTextLine, cbTxtAlign})
        connect(style, &QComboBox::currentIndexChanged, this, ShowingErrors(this, &TSelector::UpdateSelectedFixture));
    connect(Memo1, &QPlainTextEdit::textChanged, this, ShowingErrors(this, &TSelector::UpdateSelectedFixture));
}

// The document selector

void TSelector::Hide() { hide(); }

void TSelector::Show()
{
    // Each time it becomes visible, as a shown window is only brought forward.
    if (!isVisible())
        FormShow();
    show();
    // Brought back above the main window, also when it was shown already and had sunk behind it; the
    // planogram keeps the keyboard.
    raise();
}

bool TSelector::Visible() const { return isVisible(); }

void TSelector::ShowImages()
{
    imProduct->show();
    imLayout->show();
}

TStringGrid& TSelector::GridB() { return GridBView->Grid(); }
TStringGrid& TSelector::GridL() { return GridLView->Grid(); }
TStringGrid& TSelector::GridP() { return GridPView->Grid(); }
TStringGrid& TSelector::GridA() { return GridAView->Grid(); }

void TSelector::LayoutImageChanged() { imLayout->setPixmap(QPixmap::fromImage(layout_.ImageView())); }

void TSelector::FindCatalogItem(const std::string& partNumber) { FindProduct(partNumber); }

void TSelector::ShowFixtureInSelector(const ListOB& item)
{
    model.loading = true;
    const FixtureTab tab = model.ShowFixture(item, host_.FixtureUnits().inches, SettingsStore());
    edFixW->setText(toQString(tab.width));
    edFixH->setText(toQString(tab.height));
    edFixD->setText(toQString(tab.depth));
    ed1PegTop->setText(toQString(tab.pegTop));
    ed1PegLeft->setText(toQString(tab.pegLeft));
    ed1PegRight->setText(toQString(tab.pegRight));
    ed1PegBottom->setText(toQString(tab.pegBottom));
    edHPegSpace->setText(toQString(tab.hSpace));
    edVPegSpace->setText(toQString(tab.vSpace));
    edPegRad->setText(toQString(tab.pegSize));
    cbFixFill->setCurrentIndex(tab.fill);
    cbFixEdge->setCurrentIndex(tab.edge);
    cbTextLine->setCurrentIndex(tab.textMode);
    cbTxtAlign->setCurrentIndex(tab.textAlign);
    color_ = tab.color;
    ShowSwatch();
    cbFixtureType->setCurrentIndex(tab.type);
    Memo1->setPlainText(toQString(tab.memo));
    cbFixtureTypeChange();
    model.loading = false;
}

void TSelector::EnableUpdateFixture(bool enabled) { bUpdateFixture->setEnabled(enabled); }

std::optional<FixtureMakerInputs> TSelector::FixtureInputs() const
{
    const FixtureTab tab = Tab();
    FixtureMakerInputs inputs;
    inputs.color = tab.color;
    inputs.fillStyle = tab.fill;
    inputs.edgeStyle = tab.edge;
    inputs.textAlign = tab.textAlign;
    inputs.textMode = tab.textMode;
    inputs.font = tab.font;
    inputs.vPegSpace = tab.vSpace;
    inputs.hPegSpace = tab.hSpace;
    inputs.pegTop = tab.pegTop;
    inputs.pegLeft = tab.pegLeft;
    inputs.pegBottom = tab.pegBottom;
    inputs.pegRight = tab.pegRight;
    inputs.pegSize = tab.pegSize;
    return inputs;
}

void TSelector::TakeCatalog(const SelectorCatalog& catalog)
{
    model.catalog = catalog;
    model.ForgetMarks();
    GridPView->viewport()->update();
    lbCat1->setText(toQString(ExtractFileName(catalog.file)));
    GridP().FocusCell(GridP().Col(), 1);
    GridPSelectCell(1);
    imProduct->show();
}

void TSelector::DropCatalog(bool hidePictures)
{
    model.catalog = SelectorCatalog{};
    model.ForgetMarks();
    GridPView->viewport()->update();
    lbCat1->clear();
    if (hidePictures) {
        comUpdate->hide();
        imProduct->hide();
        imLayout->hide();
    }
}

bool TSelector::AutoAddShelves() const { return ckAutoAddShelf->isChecked(); }

// Showing and the product rows

void TSelector::FormShow()
{
    cbFixtureType->setCurrentIndex(0);
    cbRankBy->setCurrentIndex(0);
    QWidget* main = parentWidget();
    if (main && isFloating()) {
        // Laid out first: until it has been shown, the window has only the size of an empty widget.
        if (!testAttribute(Qt::WA_Resized))
            adjustSize();
        MoveOnScreen(*this, main->mapToGlobal(QPoint(main->width() - (width() + 20), host_.ControlBarBottom() + 20)));
    }
    // The unit the main window measures in, which also covers "none" on an inch system.
    lbUnits->setText(host_.FixtureUnits().inches ? "inches" : "cm");
    PageControl1->setCurrentIndex(1);
    for (QComboBox* combo : {cbTextLine, cbTxtAlign, cbFixFill, cbFixEdge})
        combo->setCurrentIndex(0);
    ShowSwatch();
}

void TSelector::ShowSwatch() { Swatch->setStyleSheet(QString("background: %1;").arg(ColorToQColor(color_).name())); }

void TSelector::GridPSelectCell(int row)
{
    const SelectorProduct product = model.ReadProduct(GridP(), row);
    host_.FindCatalogProduct(product.partNumber);
    const std::string picture = model.PictureOf(GridP(), row);
    if (FixtureKind(picture)) {
        previewFile_.clear();
        imProduct->hide();
        comUpdate->hide();
        return;
    }
    imProduct->setVisible(host_.PlanogramCount() > 0);
    if (picture.empty())
        ShowPreviewNotice("This item is not linked to a Picture", true);
    else
        ShowPicture(picture);
    imProduct->update();
}

void TSelector::ShowPreviewNotice(const std::string& text, bool question)
{
    previewFile_.clear();
    preview.SetSize(0, 0);
    previewNotice = text;
    previewQuestion = question;
    comUpdate->show();
}

void TSelector::ShowPicture(const std::string& picture)
{
    CatalogPictureFinder finder;
    const std::string found = finder.FindPicture(model.PicturePath(picture));
    if (found.empty()) {
        ShowPreviewNotice("Lost link to picture", false);
        return;
    }
    comUpdate->hide();
    previewNotice.clear();
    preview.SetSize(0, 0);
    // Decoded once the lookups of this turn are done, and only when the preview shows: the builder
    // and a click on the wall look many products up whose picture nobody sees.
    previewFile_ = found;
    QueuePreview();
}

void TSelector::QueuePreview()
{
    if (previewFile_.empty() || previewQueued_)
        return;
    previewQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            previewQueued_ = false;
            LoadPreview();
        },
        Qt::QueuedConnection);
}

void TSelector::LoadPreview()
{
    // A hidden preview decodes when it comes into view.
    if (previewFile_.empty() || !imProduct->isVisible())
        return;
    const std::string found = std::exchange(previewFile_, std::string());
    // A picture found but not readable has lost its link as much as a missing one.
    try {
        const std::shared_ptr<const TBitmap> picture =
            LoadCachedPicture(found, [](const std::string& path) { return path; }, DecodedPictures(),
                              {imProduct->width(), imProduct->height()});
        if (!picture || picture->Empty())
            ShowPreviewNotice("Lost link to picture", false);
        else
            preview.Assign(*picture);
    } catch (const Exception&) {
        ShowPreviewNotice("Lost link to picture", false);
    }
    imProduct->update();
}

void TSelector::PaintProduct(QPainter& painter)
{
    painter.fillRect(imProduct->rect(), imProduct->palette().window());
    if (!previewNotice.empty()) {
        const QIcon icon =
            style()->standardIcon(previewQuestion ? QStyle::SP_MessageBoxQuestion : QStyle::SP_MessageBoxWarning);
        const QSize size(32, 32);
        painter.drawPixmap(imProduct->rect().center() - QPoint(16, 16), icon.pixmap(size));
        painter.drawText(2, 5 + painter.fontMetrics().ascent(), toQString(previewNotice));
        return;
    }
    if (preview.Height() == 0)
        return;
    const double scale = std::min(static_cast<double>(imProduct->height()) / preview.Height(),
                                  static_cast<double>(imProduct->width()) / preview.Width());
    painter.drawImage(QRectF(0, 0, preview.Width() * scale, preview.Height() * scale), preview.ImageView());
}

void TSelector::sbOpenDataFileClick() { host_.EditCatalog(model.catalog.file); }

void TSelector::comUpdateClick()
{
    PlanogramDocument* document = host_.ActiveDocument();
    didBase* catalog = model.catalog.catalog;
    const int column = model.catalog.roleColumns[3];
    if (!document || !catalog || column < 0)
        return;
    if (catalog->type == "DDL") {
        Ui().MessageBox("Pictures of a data-link catalog can not be linked from the Selector. Please use Link "
                        "Picture in the Catalog Manager.",
                        ApplicationTitle, MsgButtons::OK, MsgIcon::Information);
        return;
    }
    FileDialogOptions options;
    options.filter = TPicture::GraphicFilter();
    const std::optional<FileDialogResult> chosen = Ui().OpenDialog(options);
    if (!chosen)
        return;
    TStringGrid& products = GridP();
    products.SetCells(column, products.Row(), StoredPath(chosen->fileName));
    catalog->modified = true;
    catalog->SaveToFile(model.catalog.file, &products, catalog->units, catalog->photoCollection);
    catalog->modified = false;
    GridPSelectCell(products.Row());
}

void TSelector::SpeedButton2Click() { host_.AddCurrentProduct(0, 0); }

void TSelector::SpeedButton3Click()
{
    if (PlanogramDocument* document = host_.ActiveDocument())
        model.AddToBuilderList(*document, model.ReadProduct(GridP(), GridP().Row()), 0);
}

void TSelector::SpeedButton4Click()
{
    PlanogramDocument* document = host_.ActiveDocument();
    if (!document)
        return;
    const int row = GridP().Row();
    model.AddToBuilderList(*document, model.ReadProduct(GridP(), row), row);
    GridPView->Model().RefreshCell(0, row);
}

void TSelector::SpeedButton7Click()
{
    if (PlanogramDocument* document = host_.ActiveDocument())
        model.ClearBuilderItem(*document, GridB().Row());
}

void TSelector::bClearAllBuilderListClick()
{
    if (PlanogramDocument* document = host_.ActiveDocument())
        model.ClearBuilderList(*document);
}

void TSelector::SetFilterWindow(TfrmFilter& filter)
{
    filter_ = &filter;
    Button1->setEnabled(true);
}

void TSelector::Button1Click()
{
    if (!filter_)
        return;
    filter_->FormShow();
    Ui().ShowModal(*filter_);
}

void TSelector::Button2Click() { BuildDisplay(); }

void TSelector::BuildDisplay()
{
    if (PlanogramDocument* document = host_.ActiveDocument())
        model.BuildDisplay(*document, GridB(), *this, cbRankBy->currentIndex(), TextOf(edBestHeight),
                           host_.FixtureUnits().inches);
}

std::optional<SelectorProduct> TSelector::FindProduct(const std::string& partNumber)
{
    const std::optional<int> row = model.FindProductRow(GridP(), partNumber);
    if (!row)
        return std::nullopt;
    GridPSelectCell(*row);
    return model.ReadProduct(GridP(), *row);
}

bool TSelector::AddCurrentProduct(int x, int y) { return host_.AddCurrentProduct(x, y); }

int TSelector::DisplayHeight() const
{
    const PlanogramDocument* document = host_.ActiveDocument();
    return document ? document->displayHeight : 0;
}

bool TSelector::RefreshDisplay()
{
    PlanogramDocument* document = host_.ActiveDocument();
    if (!document)
        return false;
    document->services.view.WallChanged();
    return true;
}

// The fixture tab

FixtureTab TSelector::Tab() const
{
    FixtureTab tab;
    tab.type = cbFixtureType->currentIndex();
    tab.width = TextOf(edFixW);
    tab.height = TextOf(edFixH);
    tab.depth = TextOf(edFixD);
    tab.fill = cbFixFill->currentIndex();
    tab.edge = cbFixEdge->currentIndex();
    tab.textMode = cbTextLine->currentIndex();
    tab.textAlign = cbTxtAlign->currentIndex();
    tab.color = color_;
    tab.font = font_;
    tab.memo = fromQString(Memo1->toPlainText());
    tab.pegTop = TextOf(ed1PegTop);
    tab.pegLeft = TextOf(ed1PegLeft);
    tab.pegRight = TextOf(ed1PegRight);
    tab.pegBottom = TextOf(ed1PegBottom);
    tab.vSpace = TextOf(edVPegSpace);
    tab.hSpace = TextOf(edHPegSpace);
    tab.pegSize = TextOf(edPegRad);
    return tab;
}

void TSelector::cbFixtureTypeChange()
{
    const int type = cbFixtureType->currentIndex();
    gbPegs->setVisible(type == 2 || type == 5);
    gbTextBox->setVisible(type == 4);
}

void TSelector::bAddNewFixtureClick()
{
    const FixtureTab tab = Tab();
    if (tab.width.empty() || tab.height.empty()) {
        ShowMessage("You forgot to fill in the width or height in the Selector under the Fixture tab.");
        return;
    }
    const MakerUnits units = host_.FixtureUnits();
    MakeFixture maker;
    if (!SelectorModel::MakeFromTab(tab, units, maker))
        return;
    if (!host_.AddItemToActiveDocument(maker.name, maker.description, maker.width, maker.height, maker.depth))
        return;
    PlanogramDocument* document = host_.ActiveDocument();
    if (units.inches && document && document->items->current) {
        ListOB& item = *document->items->current;
        if (edFixD->text().isEmpty())
            edFixD->setText("0");
        item.inchWidth = static_cast<float>(Atof(tab.width));
        item.inchHeight = static_cast<float>(Atof(tab.height));
        item.inchDepth = static_cast<float>(Atof(TextOf(edFixD)));
    }
}

void TSelector::UpdateSelectedFixture()
{
    if (PlanogramDocument* document = host_.ActiveDocument())
        model.UpdateSelectedFixture(*document, Tab(), host_.FixtureUnits());
}

void TSelector::Button3Click()
{
    const std::optional<DialogColor> chosen = Ui().ColorDialog(static_cast<DialogColor>(color_));
    if (!chosen)
        return;
    color_ = static_cast<TColor>(*chosen);
    ShowSwatch();
    UpdateSelectedFixture();
}

void TSelector::Button4Click()
{
    FontChoice initial;
    initial.name = font_.Name;
    initial.size = font_.Size();
    const std::optional<FontChoice> chosen = Ui().FontDialog(initial);
    if (!chosen)
        return;
    font_.Name = chosen->name;
    font_.SetSize(chosen->size);
    font_.Style = static_cast<TFontStyles>(chosen->style);
    font_.Color = static_cast<TColor>(chosen->color);
    // The memo shows the text in the chosen face at a size that fits it; fixtures take the chosen size.
    Memo1->setFont(QFont(toQString(chosen->name), 8));
    UpdateSelectedFixture();
}

// Keys

bool TSelector::DeleteKey(QObject* watched)
{
    // Typing in an edit, the memo or a grid cell (whose editor is an edit) keeps its Delete.
    if (qobject_cast<QLineEdit*>(watched) || qobject_cast<QPlainTextEdit*>(watched) ||
        qobject_cast<QTextEdit*>(watched))
        return false;
    PlanogramDocument* document = host_.ActiveDocument();
    if (!document || !document->items || !document->items->current)
        return false;
    host_.DeleteSelected();
    return true;
}

bool TSelector::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // Seen before Qt drops the key of a disabled widget: a window shown modally blocks this one.
        if (widget && widget->isEnabled() && (widget == this || isAncestorOf(widget)) && DeleteKey(watched))
            return true;
    }
    return QDockWidget::eventFilter(watched, event);
}
