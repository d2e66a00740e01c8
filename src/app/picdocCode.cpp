#include "app/picdocCode.h"

#include "catalog/EnhTwain.h"
#include "catalog/PicOptimizeOps.h"
#include "planogram/DrawingSettings.h"
#include "planogram/Graphicsmanager.h"
#include "platform/core/CodePage.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/Application.h"
#include "platform/ui/Progress.h"
#include "platform/ui/QtUiServices.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QShowEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

// The tool bar's progress bar, which resampling steps.
class TEditorProgressBar : public QProgressBar, public Progress {
public:
    explicit TEditorProgressBar(QWidget* parent) : QProgressBar(parent)
    {
        setRange(0, 100);
        setValue(0);
        setTextVisible(false);
        setMaximumWidth(150);
    }

protected:
    void Changed() override
    {
        setRange(Min(), Max());
        setValue(Position());
    }
};

namespace {

constexpr int FormWidth = 800;
constexpr int FormHeight = 600;
constexpr int InfoPanelWidth = 200;
constexpr int MarkerSide = 9;

constexpr const char* NoScanning =
    "Scanning is not available: the SANE library (libsane.so.1) is not installed.";
constexpr const char* CaptureStart = "Step 1\nOpen or scan a picture \nof an existing pegboard \nor shelf display";
constexpr const char* BoxesHint =
    "For each item in your display picture draw a bounding box around the item. When you are satisfied with a "
    "bounding box's placement click in the middle of the bounding box. The measurement of your product will then "
    "appear in the info tool bar. Make any adjustments to this information and then click on ADD PRODUCT. Repeat "
    "this process for each product in your display picture.";
constexpr const char* CropHint =
    "Crop the display area as closely as possible. Your crop should not include the display's base or marquee. "
    "After you crop the image you will be asked to enter the display area's width and height.";

// The paint box: the window paints the picture into it and takes its mouse.
class PictureBox : public QWidget {
public:
    PictureBox(Tpicdoc& form, QWidget* parent) : QWidget(parent), form_(form) { setMouseTracking(true); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        form_.PaintBox1Paint(painter);
    }
    void mousePressEvent(QMouseEvent* event) override { form_.PaintBox1MouseDown(*event); }
    void mouseMoveEvent(QMouseEvent* event) override { form_.PaintBox1MouseMove(*event); }
    void mouseReleaseEvent(QMouseEvent* event) override { form_.PaintBox1MouseUp(*event); }

private:
    Tpicdoc& form_;
};

QAction* NewAction(QWidget* form, const char* name, const char* category, const char* caption,
                   const QKeySequence& shortcut = {})
{
    auto* action = new QAction(caption, form);
    action->setObjectName(name);
    action->setProperty("category", category);
    action->setShortcut(shortcut);
    return action;
}

QToolButton* NewButton(QToolBar* bar, const char* name, QAction* action)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setDefaultAction(action);
    bar->addWidget(button);
    return button;
}

QToolButton* NewButton(QToolBar* bar, const char* name, const char* caption, bool checkable = false)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setText(caption);
    button->setEnabled(false);
    button->setCheckable(checkable);
    bar->addWidget(button);
    return button;
}

Qt::CursorShape ShapeOf(ToolCursor cursor)
{
    switch (cursor) {
    case ToolCursor::Cross:
        return Qt::CrossCursor;
    case ToolCursor::HandPoint:
        return Qt::PointingHandCursor;
    default:
        return Qt::ArrowCursor;
    }
}

QRect FrameOf(const TRect& rect) { return {rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1}; }

QLineEdit* NewLabelledEdit(QToolBar* bar, const char* label, const char* name)
{
    bar->addWidget(new QLabel(label, bar));
    auto* edit = new QLineEdit(bar);
    edit->setObjectName(name);
    edit->setMaximumWidth(80);
    bar->addWidget(edit);
    return edit;
}

} // namespace

Tpicdoc::Tpicdoc(PictureFinder& finder, const DrawingSettings& settings, QWidget* parent)
    : QMainWindow(parent, ModalWindowFrame), model(finder, settings), settings_(settings)
{
    setObjectName("picdoc");
    setWindowTitle("Picture Editor");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(FormWidth, FormHeight);
    OpenPictureDialog1.filter = TPicture::GraphicFilter();
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateClientArea();
    CreateScanner();
    ConnectCommands();
    model.progress = ProgressBar1;
    EnableCommands();
    qApp->installEventFilter(this);
}

Tpicdoc::~Tpicdoc()
{
    qApp->removeEventFilter(this);
    // Before the window's children go: the scanner's dialogs are among them.
    EnhTwain1.reset();
}

void Tpicdoc::CreateScanner()
{
    EnhTwain1 = std::make_unique<TEnhTwain>(this);
    EnhTwain1->SetIndicators(etwbTrue);
    EnhTwain1->ProductName = "TEnhTwain";
    EnhTwain1->Manufacturer = "Kestrame";
    EnhTwain1->ProductFamily = "Kestrame";
    EnhTwain1->OnCapture = [this](TEnhTwain&) { ShowingExceptions([this] { EnhTwain1Capture(); return true; }); };
}

void Tpicdoc::CreateActions()
{
    aOpen = NewAction(this, "aOpen", "File", "Open", QKeySequence("Ctrl+O"));
    aSave = NewAction(this, "aSave", "File", "Save", QKeySequence("Ctrl+S"));
    aSaveAs = NewAction(this, "aSaveAs", "File", "Save As");
    aClose = NewAction(this, "aClose", "File", "Close");
    aScan = NewAction(this, "aScan", "File", "Scan / Import");
    aSelectScanner = NewAction(this, "aSelectScanner", "File", "Select Twain Device ");
    aOptimize = NewAction(this, "aOptimize", "File", "Save Optimized");
    aDrawCrop = NewAction(this, "aDrawCrop", "Picture", "Draw Crop");
    aDrawDots = NewAction(this, "aDrawDots", "Picture", "Draw Dots");
    aConnectStraight = NewAction(this, "aConnectStraight", "Picture", "Connect with straight lines");
    aConnectCurves = NewAction(this, "aConnectCurves", "Picture", "Connect with curved lines");
    aRemoveBG = NewAction(this, "aRemoveBG", "Picture", "Remove Background");
    aZoomIn = NewAction(this, "aZoomIn", "Picture", "Zoom In");
    aZoomIn->setToolTip("Zoom In by 10%");
    aZoomOut = NewAction(this, "aZoomOut", "Picture", "Zoom Out");
    aZoomOut->setToolTip("Zoom Out by 10%");
    aDrawZoom = NewAction(this, "aDrawZoom", "Picture", "Draw Zoom Area");
    aUndo = NewAction(this, "aUndo", "Edit", "Undo", QKeySequence("Ctrl+Alt+Z"));
    aTransColor = NewAction(this, "aTransColor", "Edit", "Transparency color");
    aCopyPic = NewAction(this, "aCopyPic", "Edit", "Copy Picture");
    Cut1 = NewAction(this, "Cut1", "Edit", "Cut");
    Paste1 = NewAction(this, "Paste1", "Edit", "Paste");
    // The inert entries have no command here.
    for (QAction* action : {aClose, aDrawZoom, aTransColor})
        action->setEnabled(false);
    for (QAction* action : {aCopyPic, Cut1, Paste1})
        action->setVisible(false);
    addActions({aOpen, aSave, aUndo});
}

void Tpicdoc::CreateMenus()
{
    File1 = menuBar()->addMenu("&File");
    File1->setObjectName("File1");
    New1 = File1->addAction("New");
    New1->setObjectName("New1");
    File1->addActions({aOpen, aSave, aSaveAs, aOptimize});
    File1->addSeparator();
    File1->addActions({aSelectScanner, aScan});
    File1->addSeparator();
    File1->addAction(aClose);

    Edit1 = menuBar()->addMenu("&Edit");
    Edit1->setObjectName("Edit1");
    Edit1->addActions({aUndo, aCopyPic, Paste1});
    Edit1->addSeparator();
    Edit1->addAction(aTransColor);

    Photo1 = menuBar()->addMenu("&Picture");
    Photo1->setObjectName("Photo1");
    Photo1->addAction(aDrawCrop);
    Photo1->addSeparator();
    Photo1->addActions({aDrawDots, aConnectCurves, aConnectStraight, aRemoveBG});
    Photo1->addSeparator();
    Rotate1 = Photo1->addMenu("R&otate");
    Rotate1->setObjectName("Rotate1");
    for (const char* caption : {"180\xC2\xB0", "90\xC2\xB0 CW", "90\xC2\xB0 CCW", "0\xC2\xB0 (Reset)", "Arbitrary..."})
        Rotate1->addAction(QString::fromUtf8(caption));
    Rotate1->setEnabled(false);
    OptimizeSize1 = Photo1->addAction("Optimize Size");
    OptimizeSize1->setObjectName("OptimizeSize1");
}

void Tpicdoc::CreateToolBars()
{
    ToolBar1 = addToolBar("ToolBar1");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->addActions({aOpen, aScan, aSave, aSaveAs, aCopyPic, Cut1, Paste1, aUndo, aZoomIn, aZoomOut});
    ProgressBar1 = new TEditorProgressBar(ToolBar1);
    ProgressBar1->setObjectName("ProgressBar1");
    ToolBar1->addWidget(ProgressBar1);

    EditBar = addToolBar("Drawing Tools");
    EditBar->setObjectName("EditBar");
    // The buttons keep states of their own: the menu offers every tool with a picture, the buttons
    // only those the outline is ready for.
    tbCropDraw = NewButton(EditBar, "tbCropDraw", "Draw Crop", true);
    sbDrawDots = NewButton(EditBar, "sbDrawDots", "Draw Dots", true);
    sbZoomArea = NewButton(EditBar, "sbZoomArea", aDrawZoom);
    sbCurves = NewButton(EditBar, "sbCurves", "Connect with curved lines");
    sbLines = NewButton(EditBar, "sbLines", "Connect with straight lines");
    sbRemoveBG = NewButton(EditBar, "sbRemoveBG", "Remove Background");

    addToolBarBreak();
    CreateInfoBar();
    CreateCatalogBar();
}

void Tpicdoc::CreateInfoBar()
{
    InfoBar = addToolBar("InfoBar");
    InfoBar->setObjectName("InfoBar");
    edIndex = NewLabelledEdit(InfoBar, " p:", "edIndex");
    edDescription = NewLabelledEdit(InfoBar, " d:", "edDescription");
    edW = NewLabelledEdit(InfoBar, " w:", "edW");
    edH = NewLabelledEdit(InfoBar, " h:", "edH");
    edPegX = NewLabelledEdit(InfoBar, "pX:", "edPegX");
    edPegY = NewLabelledEdit(InfoBar, "pY:", "edPegY");
    bAdd = NewButton(InfoBar, "bAdd", "Add Product");
}

void Tpicdoc::CreateCatalogBar()
{
    CatalogBar = new QToolBar("CatalogBar", this);
    CatalogBar->setObjectName("CatalogBar");
    addToolBar(Qt::LeftToolBarArea, CatalogBar);
    tbCropDraw2 = NewButton(CatalogBar, "tbCropDraw2", "Crop", true);
    tbMeasure = NewButton(CatalogBar, "tbMeasure", "Measure", true);
    tbPegXY = NewButton(CatalogBar, "tbPegXY", "Peg X/Y", true);
}

void Tpicdoc::CreateClientArea()
{
    auto* client = new QWidget(this);
    auto* layout = new QHBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    ScrollBox1 = new QScrollArea(client);
    ScrollBox1->setObjectName("ScrollBox1");
    PaintBox1 = new PictureBox(*this, ScrollBox1);
    PaintBox1->setObjectName("PaintBox1");
    PaintBox1->resize(0, 0);
    ScrollBox1->setWidget(PaintBox1);
    layout->addWidget(ScrollBox1, 1);

    pInfo = new QFrame(client);
    pInfo->setObjectName("pInfo");
    pInfo->setFixedWidth(InfoPanelWidth);
    auto* info = new QVBoxLayout(pInfo);
    info->addWidget(new QLabel("Catalog Capture", pInfo));
    mMsg = new QPlainTextEdit(CaptureStart, pInfo);
    mMsg->setObjectName("mMsg");
    mMsg->setReadOnly(true);
    info->addWidget(mMsg);
    layout->addWidget(pInfo);
    setCentralWidget(client);
}

void Tpicdoc::ConnectCommands()
{
    const auto on = [this](QAction* action, void (Tpicdoc::*handler)()) {
        connect(action, &QAction::triggered, this, ShowingErrors(this, handler));
    };
    on(aOpen, &Tpicdoc::aOpenExecute);
    on(aSave, &Tpicdoc::aSaveExecute);
    on(aSaveAs, &Tpicdoc::aSaveAsExecute);
    on(aOptimize, &Tpicdoc::aOptimizeExecute);
    on(aScan, &Tpicdoc::aScanExecute);
    on(aSelectScanner, &Tpicdoc::aSelectScannerExecute);
    on(aZoomIn, &Tpicdoc::aZoomInExecute);
    on(aZoomOut, &Tpicdoc::aZoomOutExecute);
    on(aUndo, &Tpicdoc::aUndoExecute);
    on(OptimizeSize1, &Tpicdoc::OptimizeSize1Click);
    // The menu's entries work their buttons.
    connect(aDrawCrop, &QAction::triggered, tbCropDraw, &QToolButton::click);
    connect(aDrawDots, &QAction::triggered, sbDrawDots, &QToolButton::click);
    on(aConnectCurves, &Tpicdoc::aConnectCurvesExecute);
    on(aConnectStraight, &Tpicdoc::aConnectStraightExecute);
    on(aRemoveBG, &Tpicdoc::aRemoveBGExecute);
    ConnectTools();
    connect(File1, &QMenu::aboutToShow, this, ShowingErrors(this, &Tpicdoc::File1Click));
    connect(Edit1, &QMenu::aboutToShow, this, ShowingErrors(this, &Tpicdoc::Edit1Click));
    connect(Photo1, &QMenu::aboutToShow, this, ShowingErrors(this, &Tpicdoc::Photo1Click));
}

void Tpicdoc::ConnectTools()
{
    const auto toggles = [this](QToolButton* button, PictureTool tool) {
        connect(button, &QToolButton::clicked, this, [this, tool](bool down) { ChooseTool(tool, down); });
    };
    toggles(tbCropDraw, PictureTool::CropDraw);
    toggles(tbCropDraw2, PictureTool::CropDraw2);
    toggles(tbMeasure, PictureTool::Measure);
    toggles(tbPegXY, PictureTool::PegXY);
    connect(sbDrawDots, &QToolButton::clicked, this, [this](bool down) {
        model.drawDotsDown = down;
        aDrawDotsExecute();
    });
    const auto click = [this](QToolButton* button, void (Tpicdoc::*handler)()) {
        connect(button, &QToolButton::clicked, this, ShowingErrors(this, handler));
    };
    click(sbCurves, &Tpicdoc::aConnectCurvesExecute);
    click(sbLines, &Tpicdoc::aConnectStraightExecute);
    click(sbRemoveBG, &Tpicdoc::aRemoveBGExecute);
    click(bAdd, &Tpicdoc::bAddClick);
    const auto typed = [this](QLineEdit* edit, std::string CaptureEntry::*text) {
        connect(edit, &QLineEdit::textEdited, this,
                [this, text](const QString& value) { model.entry.*text = fromQString(value); });
    };
    typed(edIndex, &CaptureEntry::index);
    typed(edDescription, &CaptureEntry::description);
    typed(edW, &CaptureEntry::width);
    typed(edH, &CaptureEntry::height);
    typed(edPegX, &CaptureEntry::pegX);
    typed(edPegY, &CaptureEntry::pegY);
}

void Tpicdoc::ChooseTool(PictureTool tool, bool down)
{
    if (down)
        model.tool = tool;
    else if (model.tool == tool)
        model.tool = PictureTool::None;
    aDrawCropExecute();
}

void Tpicdoc::ShowTools()
{
    const bool picture = model.HasPicture();
    const std::pair<QToolButton*, PictureTool> group[] = {{tbCropDraw, PictureTool::CropDraw},
                                                          {tbCropDraw2, PictureTool::CropDraw2},
                                                          {tbMeasure, PictureTool::Measure},
                                                          {tbPegXY, PictureTool::PegXY}};
    for (const auto& [button, tool] : group)
        button->setChecked(model.tool == tool);
    sbDrawDots->setChecked(model.drawDotsDown);
    tbCropDraw->setEnabled(picture);
    sbDrawDots->setEnabled(picture);
    sbLines->setEnabled(model.LinesEnabled());
    sbCurves->setEnabled(model.CurvesEnabled());
    sbRemoveBG->setEnabled(model.RemoveBackgroundEnabled());
    const bool boxes = model.captureStep == CaptureStep::Boxes;
    tbCropDraw2->setEnabled(model.captureStep == CaptureStep::Crop);
    for (QToolButton* button : {tbMeasure, tbPegXY, bAdd})
        button->setEnabled(boxes);
    const std::pair<QLineEdit*, const std::string*> edits[] = {
        {edIndex, &model.entry.index}, {edDescription, &model.entry.description}, {edW, &model.entry.width},
        {edH, &model.entry.height},    {edPegX, &model.entry.pegX},              {edPegY, &model.entry.pegY}};
    for (const auto& [edit, text] : edits)
        edit->setText(toQString(*text));
    if (boxes && mMsg->toPlainText() != BoxesHint)
        mMsg->setPlainText(BoxesHint);
    PaintBox1->setCursor(ShapeOf(model.cursor));
}

bool Tpicdoc::OpenPicture(const std::string& path)
{
    TakeClientSize();
    const bool reset = model.OpenPicture(path);
    ShowPicture();
    return reset;
}

bool Tpicdoc::ScanPicture()
{
    if (!ScanningAvailable())
        return false;
    try {
        return EnhTwain1->acquire(true);
    } catch (const std::exception&) {
        return false;
    }
}

bool Tpicdoc::ScanningAvailable()
{
    if (EnhTwain1->IsTwainPresent())
        return true;
    Ui().MessageBox(NoScanning, ApplicationTitle, MsgButtons::OK, MsgIcon::Information);
    return false;
}

void Tpicdoc::aScanExecute()
{
    if (MayReplacePicture())
        ScanPicture();
}

bool Tpicdoc::MayReplacePicture()
{
    const bool replace = ShowingExceptions([this] { return model.MayReplacePicture(); });
    EnableCommands();
    return replace;
}

void Tpicdoc::aSelectScannerExecute()
{
    if (ScanningAvailable())
        EnhTwain1->SelectSource();
}

void Tpicdoc::EnhTwain1Capture()
{
    TakeClientSize();
    if (model.TakeScannedPicture(EnhTwain1->Bitmap()))
        GoOnToCaptureCrop();
    ShowPicture();
}

// A display opened or scanned in catalog capture is cropped next.
void Tpicdoc::GoOnToCaptureCrop()
{
    if (!model.catalogCapture)
        return;
    model.captureStep = CaptureStep::Crop;
    mMsg->setPlainText(CropHint);
    ShowTools();
}

void Tpicdoc::SetCatalogLink(CatalogManager& catalog, int column, const std::string& partNumber)
{
    model.SetCatalogLink(catalog, column, partNumber);
}

void Tpicdoc::TakeClientSize()
{
    // The bars learn their sizes as they are first shown: lay the window out with them first.
    layout()->activate();
    model.clientWidth = ScrollBox1->viewport()->width();
    model.clientHeight = ScrollBox1->viewport()->height();
}

void Tpicdoc::ShowPicture()
{
    const TSize size = model.ViewSize();
    PaintBox1->resize(size.cx, size.cy);
    PaintBox1->update();
    EnableCommands();
}

void Tpicdoc::EnableCommands()
{
    File1Click();
    Edit1Click();
    Photo1Click();
    ShowTools();
}

void Tpicdoc::FormShow()
{
    model.rowCounter = 0;
    const bool capture = model.catalogCapture;
    InfoBar->setVisible(capture);
    CatalogBar->setVisible(capture);
    pInfo->setVisible(capture);
    EditBar->setVisible(!capture);
    Photo1->menuAction()->setVisible(!capture);
    TakeClientSize();
    model.FitToWindow();
    ShowPicture();
}

bool Tpicdoc::FormCloseQuery() { return ShowingExceptions([this] { return model.CloseQuery(); }); }

void Tpicdoc::FormClose() { model.graphics.reset(); }

void Tpicdoc::FormKeyDown() { model.keyHeld = true; }

void Tpicdoc::FormKeyUp() { model.keyHeld = false; }

void Tpicdoc::PaintBox1Paint(QPainter& painter)
{
    if (!model.picture)
        return;
    const TSize size = model.ViewSize();
    painter.drawImage(QRect(0, 0, size.cx, size.cy), model.picture->ImageView());
    PaintOverlays(painter);
}

void Tpicdoc::PaintOverlays(QPainter& painter)
{
    const double zoom = model.zoom;
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    for (size_t i = 0; i < model.dotsX.size(); ++i) {
        const int x = static_cast<int>(model.dotsX[i] * zoom);
        const int y = static_cast<int>(model.dotsY[i] * zoom);
        painter.drawRect(x, y, model.dotSize - 1, model.dotSize - 1);
    }
    painter.setBrush(Qt::NoBrush);
    if (model.markerVisible && model.selectedDot >= 0) {
        const auto dot = static_cast<size_t>(model.selectedDot);
        painter.drawRect(static_cast<int>(model.dotsX[dot] * zoom), static_cast<int>(model.dotsY[dot] * zoom),
                         MarkerSide - 1, MarkerSide - 1);
    }
    if (!model.focusRect.IsEmpty()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(FrameOf(model.focusRect));
    }
    if (!model.selection.IsEmpty()) {
        painter.setPen(Qt::white);
        painter.drawRect(FrameOf(model.selection));
    }
}

void Tpicdoc::PaintBox1MouseDown(QMouseEvent& event)
{
    const QPoint at = event.position().toPoint();
    ShowingExceptions([&] {
        model.MouseDown(static_cast<int>(at.x() / model.zoom), static_cast<int>(at.y() / model.zoom),
                        event.button() == Qt::RightButton);
        return true;
    });
    ShowPicture();
}

void Tpicdoc::PaintBox1MouseMove(QMouseEvent& event)
{
    const QPoint at = event.position().toPoint();
    model.MouseMove(static_cast<int>(at.x() / model.zoom), static_cast<int>(at.y() / model.zoom));
    PaintBox1->setCursor(ShapeOf(model.cursor));
    PaintBox1->update();
}

void Tpicdoc::PaintBox1MouseUp(QMouseEvent& event)
{
    const QPoint at = event.position().toPoint();
    model.MouseUp(static_cast<int>(at.x() / model.zoom), static_cast<int>(at.y() / model.zoom));
    ShowPicture();
}

void Tpicdoc::aDrawCropExecute()
{
    model.DrawCropChanged();
    ShowTools();
}

void Tpicdoc::aDrawDotsExecute()
{
    model.DrawDotsChanged();
    ShowPicture();
}

void Tpicdoc::aConnectCurvesExecute()
{
    model.ConnectCurves();
    ShowPicture();
}

void Tpicdoc::aConnectStraightExecute()
{
    model.ConnectStraight();
    ShowPicture();
}

void Tpicdoc::aRemoveBGExecute()
{
    model.RemoveBackground();
    ShowPicture();
}

void Tpicdoc::bAddClick()
{
    model.AddProduct();
    ShowTools();
}

void Tpicdoc::aOpenExecute()
{
    const std::optional<FileDialogResult> choice = Ui().OpenDialog(OpenPictureDialog1);
    if (!choice || !MayReplacePicture())
        return;
    OpenPictureDialog1.fileName = choice->fileName;
    OpenPicture(choice->fileName);
    GoOnToCaptureCrop();
}

void Tpicdoc::aSaveExecute()
{
    model.SavePicture();
    EnableCommands();
}

void Tpicdoc::aSaveAsExecute()
{
    model.SaveAs();
    EnableCommands();
}

void Tpicdoc::aOptimizeExecute()
{
    model.SaveOptimized();
    EnableCommands();
}

void Tpicdoc::aZoomInExecute()
{
    model.ZoomIn();
    ShowPicture();
}

void Tpicdoc::aZoomOutExecute()
{
    model.ZoomOut();
    ShowPicture();
}

void Tpicdoc::aUndoExecute()
{
    model.Undo();
    ShowPicture();
}

void Tpicdoc::File1Click()
{
    const EditorMenuStates states = model.MenuStates();
    aOptimize->setEnabled(states.saveOptimized);
    aSave->setEnabled(states.save);
    aSaveAs->setEnabled(states.save);
}

void Tpicdoc::Edit1Click()
{
    const EditorMenuStates states = model.MenuStates();
    aUndo->setEnabled(states.undo);
    aCopyPic->setEnabled(states.copy);
}

void Tpicdoc::Photo1Click()
{
    const bool picture = model.MenuStates().pictureCommands;
    for (QAction* action : {aDrawCrop, aDrawDots, aConnectCurves, aConnectStraight, aRemoveBG, OptimizeSize1})
        action->setEnabled(picture);
}

void Tpicdoc::OptimizeSize1Click()
{
    TfrmPicOptimizeOps& dialog = *frmPicOptimizeOps;
    dialog.SetUnitBeforeFirstShowing(settings_.UnitsInches());
    if (Ui().ShowModal(dialog) != mrOk)
        return;
    OptimizeSizeChoice choice;
    choice.side = dialog.cbSide->currentIndex();
    choice.unit = dialog.cbUnit->currentIndex();
    choice.width = fromQString(dialog.edWidth->text());
    choice.height = fromQString(dialog.edHeight->text());
    choice.depth = fromQString(dialog.edDepth->text());
    choice.bilinear = dialog.cbBLScale->isChecked();
    model.OptimizeSize(choice);
    ShowPicture();
}

void Tpicdoc::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        ShowingExceptions([this] {
            FormShow();
            return true;
        });
}

void Tpicdoc::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

bool Tpicdoc::OwnsWidget(QObject* object) const
{
    return object->isWidgetType() && (object == this || isAncestorOf(static_cast<QWidget*>(object)));
}

bool Tpicdoc::eventFilter(QObject* watched, QEvent* event)
{
    // The window sees every key before the control that has the focus.
    if (event->type() == QEvent::KeyPress && OwnsWidget(watched))
        FormKeyDown();
    else if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat() &&
             OwnsWidget(watched))
        FormKeyUp();
    else if (TakesTheKeysAway(watched, event))
        FormKeyUp();
    return QMainWindow::eventFilter(watched, event);
}

bool Tpicdoc::TakesTheKeysAway(QObject* watched, QEvent* event) const
{
    // The release of a key held as the window lost the keyboard never reaches it: another window or
    // a menu takes it.
    if (event->type() == QEvent::WindowDeactivate)
        return watched == this;
    return event->type() == QEvent::Show && watched->isWidgetType() &&
           static_cast<QWidget*>(watched)->windowType() == Qt::Popup;
}
