#include "app/SDIMain.h"

#include "app/CommandLine.h"
#include "app/FileRequests.h"
#include "app/MainProgressBar.h"
#include "app/OpenFileServer.h"
#include "app/RecentFiles.h"
#include "app/Splash.h"
#include "app/StartupSettings.h"
#include "planogram/DocumentSelector.h"
#include "planogram/Kqfascii.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/PlanogramLoading.h"
#include "planogram/plandocCode.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/Seams.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QShowEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>

TMainForm* MainForm = nullptr;

namespace {

constexpr int CatalogBarTypedLimit = 12;
constexpr int RequestRetryMs = 100;
constexpr std::string_view NoActiveCatalog = "Catalog Browser... no active catalog.";
constexpr std::string_view NoActiveCatalogAfterClose = "Catalog Browser... No Active Catalog";
constexpr std::string_view MismatchQuestionText =
    "The picture link information or product meassurements for one or more products in this planogram does not "
    "match the information in your catalog and may not display, print or show report results as expected. Would you "
    "like to update this planogram with the information in your catalog?";

constexpr std::string_view ItemsMovedText =
    "Some items were outside of your new document width or height. These items were moved to the upper left corner "
    "of your display area.";

// The thumbnail shows the old wall no more; it is drawn again with the next change.
void ClearLayoutThumbnail(DocumentSelector& selector)
{
    TBitmap& image = selector.LayoutImage();
    if (image.Empty())
        return;
    image.Canvas().FillRect(Rect(0, 0, image.Width(), image.Height()));
    selector.LayoutImageChanged();
}

// The first three bytes of a multi-image collection, which is not a planogram.
bool StartsWithCollectionMark(const std::string& path, bool& readable)
{
    FILE* file = OpenFile(path, "rb");
    readable = file != nullptr;
    if (!file)
        return false;
    char mark[3] = {};
    const size_t read = std::fread(mark, 1, sizeof mark, file);
    std::fclose(file);
    return read == sizeof mark && std::memcmp(mark, "PMT", sizeof mark) == 0;
}

bool ConfirmReplace(const std::string& path)
{
    return Ui().MessageBox(ExtractFileName(path) + " already exists.\nDo you want to replace it?", "Confirm Save As",
                           MsgButtons::YesNo, MsgIcon::Warning) == MsgAnswer::Yes;
}

// A window being made for an open or new display that has not succeeded yet: freed unless kept.
class PendingWindow {
public:
    explicit PendingWindow(QMdiSubWindow* frame) : frame_(frame) {}
    ~PendingWindow() { delete frame_; }
    PendingWindow(const PendingWindow&) = delete;
    PendingWindow& operator=(const PendingWindow&) = delete;
    void Keep() { frame_ = nullptr; }

private:
    QMdiSubWindow* frame_;
};

QMenu* AddMenu(QMenuBar* bar, const char* name, const char* caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

// A submenu of settings the documents read, open at all times.
QMenu* AddSettingMenu(QMenu* parent, const char* name, const char* caption)
{
    QMenu* menu = parent->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

// A submenu of commands that are not there yet, so it cannot be opened.
QMenu* AddSubMenu(QMenu* parent, const char* name, const char* caption)
{
    QMenu* menu = AddSettingMenu(parent, name, caption);
    menu->menuAction()->setEnabled(false);
    return menu;
}

// A command, disabled until what it drives exists.
QAction* AddItem(QMenu* menu, const char* name, const char* caption)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setEnabled(false);
    return item;
}

// A check mark the documents read as a setting.
QAction* AddCheckItem(QMenu* menu, const char* name, const char* caption, bool checked)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setCheckable(true);
    item->setChecked(checked);
    return item;
}

void MakeRadioGroup(QObject* owner, std::initializer_list<QAction*> items)
{
    auto* group = new QActionGroup(owner);
    for (QAction* item : items) {
        item->setCheckable(true);
        group->addAction(item);
    }
}

// Tool buttons show their text; the hint is the tool tip.
QToolButton* AddToolButton(QToolBar* bar, const char* name, const char* text, const char* hint)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(hint);
    button->setEnabled(false);
    bar->addWidget(button);
    return button;
}

QToolButton* AddActionButton(QToolBar* bar, const char* name, QAction* action)
{
    auto* button = new QToolButton(bar);
    button->setDefaultAction(action);
    button->setObjectName(name);
    bar->addWidget(button);
    return button;
}

// At most `limit` characters may be typed into the edit; a longer text the program puts there stays
// whole, and the user may still shorten it.
class TypedLengthLimit : public QObject {
public:
    TypedLengthLimit(QLineEdit* edit, int limit) : QObject(edit), edit_(edit), limit_(limit)
    {
        edit->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != edit_ || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString inserted = key->matches(QKeySequence::Paste) ? QGuiApplication::clipboard()->text() : key->text();
        if (inserted.isEmpty() || !inserted.at(0).isPrint())
            return false;
        const qsizetype before = edit_->text().size();
        const qsizetype after = before - edit_->selectedText().size() + inserted.size();
        return after > limit_ && after > before;
    }

private:
    QLineEdit* edit_;
    int limit_;
};

QFrame* Panel(QWidget* parent, const char* name, const char* caption)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setWindowTitle(caption);
    panel->setFrameShape(QFrame::StyledPanel);
    return panel;
}

QLineEdit* PositionReadOut(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(64);
    return edit;
}

QTimer* Timer(QObject* owner, const char* name, int interval)
{
    auto* timer = new QTimer(owner);
    timer->setObjectName(name);
    timer->setInterval(interval);
    return timer;
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    MainForm = this;
    setObjectName("MainForm");
    setWindowTitle(toQString(ApplicationTitle));
    resize(1024, 768); // where no window manager maximises it
    setWindowState(Qt::WindowMaximized);
    ClientArea = new QMdiArea(this);
    setCentralWidget(ClientArea);
    CreateFileMenu();
    CreateEditMenu();
    CreateProductMenu();
    CreateCatalogMenu();
    CreateReportsMenu();
    CreateViewMenu();
    CreateTagsMenu();
    CreateToolsMenu();
    CreateHelpMenu();
    CreateFixtureDrawingTools();
    CreateControlBar();
    CreateToolBar2();
    CreateTimers();
    CreateDialogs();
    ConnectCommands();
    FormCreate();
}

TMainForm::~TMainForm()
{
    FormDestroy();
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::CreateFileMenu()
{
    FileMenu = AddMenu(menuBar(), "FileMenu", "&File");
    NewItem = AddItem(FileMenu, "NewItem", "&New");
    OpenItem = AddItem(FileMenu, "OpenItem", "&Open...");
    OpenRecent1 = AddSubMenu(FileMenu, "OpenRecent1", "Open &Recent");
    Doc1 = AddItem(OpenRecent1, "Doc1", "");
    Doc2 = AddItem(OpenRecent1, "Doc2", "");
    Doc3 = AddItem(OpenRecent1, "Doc3", "");
    Doc4 = AddItem(OpenRecent1, "Doc4", "");
    Doc5 = AddItem(OpenRecent1, "Doc5", "");
    for (QAction* doc : {Doc1, Doc2, Doc3, Doc4, Doc5})
        doc->setVisible(false);
    SaveItem = AddItem(FileMenu, "SaveItem", "&Save");
    SaveAs1 = AddItem(FileMenu, "SaveAs1", "Save &As...");
    FileMenu->addSeparator();
    LoadProductList1 = AddItem(FileMenu, "LoadProductList1", "&Load Product List...");
    DocumentSetup1 = AddItem(FileMenu, "DocumentSetup1", "&Document Setup...");
    FileMenu->addSeparator();
    Export1 = AddItem(FileMenu, "Export1", "&Export...");
    MakePDF1 = AddItem(FileMenu, "MakePDF1", "&Make PDF...");
    FileMenu->addSeparator();
    Print1 = AddItem(FileMenu, "Print1", "&Print...");
    PrintSetup1 = AddItem(FileMenu, "PrintSetup1", "Print Set&up...");
    FileMenu->addSeparator();
    Checkforsoftwareupdates1 = AddItem(FileMenu, "Checkforsoftwareupdates1", "Check For Kestrame Update");
    FileMenu->addSeparator();
    Exit1 = AddItem(FileMenu, "Exit1", "E&xit");
}

void TMainForm::CreateEditMenu()
{
    Edit1 = AddMenu(menuBar(), "Edit1", "&Edit");
    Undo1 = AddItem(Edit1, "Undo1", "&Undo");
    Edit1->addSeparator();
    Cut1 = AddItem(Edit1, "Cut1", "Cu&t");
    Copy1 = AddItem(Edit1, "Copy1", "&Copy");
    Paste1 = AddItem(Edit1, "Paste1", "&Paste");
    Duplicate1 = AddItem(Edit1, "Duplicate1", "D&uplicate");
    Delete2 = AddItem(Edit1, "Delete2", "&Delete");
    Edit1->addSeparator();
    CopyAll1 = AddItem(Edit1, "CopyAll1", "Copy &Wall");
}

void TMainForm::CreateProductMenu()
{
    Object1 = AddMenu(menuBar(), "Object1", "&Product");
    aAddFixture = new QAction("Add Fixture", this);
    aAddFixture->setObjectName("aAddFixture");
    aAddFixture->setEnabled(false);
    AddFixture1 = AddItem(Object1, "AddFixture1", "Add &Fixture");
    Object1->addSeparator();
    SelectNext1 = AddItem(Object1, "SelectNext1", "Select &Next");
    SelectPrevious1 = AddItem(Object1, "SelectPrevious1", "Select P&revious");
    Object1->addSeparator();
    SendtoFront1 = AddItem(Object1, "SendtoFront1", "Send to Front");
    SendtoBack1 = AddItem(Object1, "SendtoBack1", "Send to Back");
    BringForward1 = AddItem(Object1, "BringForward1", "Bring Forward");
    BringBackward1 = AddItem(Object1, "BringBackward1", "Bring Backward");
    Object1->addSeparator();
    Rotate1 = AddSubMenu(Object1, "Rotate1", "R&otate");
    R180 = AddItem(Rotate1, "R180", "180");
    N90CW1 = AddItem(Rotate1, "N90CW1", "90 CW");
    N90CCW1 = AddItem(Rotate1, "N90CCW1", "90 CCW");
    N01 = AddItem(Rotate1, "N01", "0");
    Arbitrary1 = AddItem(Rotate1, "Arbitrary1", "Arbitrary...");
    Flip1 = AddSubMenu(Object1, "Flip1", "F&lip To");
    Front1 = AddItem(Flip1, "Front1", "Front");
    Side1 = AddItem(Flip1, "Side1", "Side");
    Top2 = AddItem(Flip1, "Top2", "Top");
    Align1 = AddSubMenu(Object1, "Align1", "&Align");
    Top3 = AddItem(Align1, "Top3", "Top");
    Bottom2 = AddItem(Align1, "Bottom2", "Bottom");
    Space1 = AddItem(Object1, "Space1", "&Space...");
    Object1->addSeparator();
    AddProductAlignment1 = AddSubMenu(Object1, "AddProductAlignment1", "Add Product Alignment");
    Automatic1 = AddItem(AddProductAlignment1, "Automatic1", "Automatic");
    Top1 = AddItem(AddProductAlignment1, "Top1", "Top");
    Bottom1 = AddItem(AddProductAlignment1, "Bottom1", "Bottom");
    MakeRadioGroup(this, {Automatic1, Top1, Bottom1});
    Automatic1->setChecked(true);
    WrapDirection1 = AddSubMenu(Object1, "WrapDirection1", "Wrap Direction");
    Automatic2 = AddItem(WrapDirection1, "Automatic2", "Automatic");
    Up1 = AddItem(WrapDirection1, "Up1", "Up");
    Down1 = AddItem(WrapDirection1, "Down1", "Down");
    MakeRadioGroup(this, {Automatic2, Up1, Down1});
    Automatic2->setChecked(true);
    PegholeAlignment1 = AddSubMenu(Object1, "PegholeAlignment1", "Peghole Alignment");
    PegholeAlignment1->menuAction()->setVisible(false);
    On2 = AddItem(PegholeAlignment1, "On2", "On");
    Off2 = AddItem(PegholeAlignment1, "Off2", "Off");
    Object1->addSeparator();
    Ungroup1 = AddItem(Object1, "Ungroup1", "&Ungroup");
    UngroupAll1 = AddItem(Object1, "UngroupAll1", "Ungroup A&ll");
    Object1->addSeparator();
    ProductDetails1 = AddItem(Object1, "ProductDetails1", "Product &Details...");
    Delete1 = AddItem(Object1, "Delete1", "&Delete");
}

void TMainForm::CreateCatalogMenu()
{
    mnuCatalog = AddMenu(menuBar(), "mnuCatalog", "&Catalog");
    New2 = AddItem(mnuCatalog, "New2", "&New");
    Open2 = AddItem(mnuCatalog, "Open2", "&Open...");
    Edit2 = AddItem(mnuCatalog, "Edit2", "&Edit");
    mnuCatalog->addSeparator();
    CatalogManager1 = AddItem(mnuCatalog, "CatalogManager1", "Catalog &Manager");
    NewDirectDataLink1 = AddItem(mnuCatalog, "NewDirectDataLink1", "New Direct &Data Link");
    PictureManager1 = AddItem(mnuCatalog, "PictureManager1", "&Picture Editor");
}

void TMainForm::CreateReportsMenu()
{
    Reports1 = AddMenu(menuBar(), "Reports1", "&Reports");
    ShowReport1 = AddItem(Reports1, "ShowReport1", "&Custom Report Writer");
    QuickReports1 = AddItem(Reports1, "QuickReports1", "&Quick Reports");
}

void TMainForm::CreateViewMenu()
{
    View1 = AddMenu(menuBar(), "View1", "&View");
    Zoom1 = AddSubMenu(View1, "Zoom1", "&Zoom");
    N51 = AddItem(Zoom1, "N51", "5%");
    N251 = AddItem(Zoom1, "N251", "25%");
    N501 = AddItem(Zoom1, "N501", "50%");
    N751 = AddItem(Zoom1, "N751", "75%");
    N1001 = AddItem(Zoom1, "N1001", "100%");
    N1251 = AddItem(Zoom1, "N1251", "125%");
    N1501 = AddItem(Zoom1, "N1501", "150%");
    N2001 = AddItem(Zoom1, "N2001", "200%");
    Zoom1->addSeparator();
    FittoWindow1 = AddItem(Zoom1, "FittoWindow1", "Fit to Window");
    View1->addSeparator();
    ProductPictures1 = AddItem(View1, "ProductPictures1", "Product &Pictures");
    PlacementBoxes1 = AddSubMenu(View1, "PlacementBoxes1", "Placement &Boxes");
    MakeRadioGroup(this, {ProductPictures1, PlacementBoxes1->menuAction()});
    ProductPictures1->setChecked(true);
    ColorBySize1 = AddItem(PlacementBoxes1, "ColorBySize1", "Color By Size");
    ColorByCategory1 = AddItem(PlacementBoxes1, "ColorByCategory1", "Color By Category");
    ColorByBrand1 = AddItem(PlacementBoxes1, "ColorByBrand1", "Color By Brand");
    AllWhite1 = AddItem(PlacementBoxes1, "AllWhite1", "All White");
    PlacementBoxes1->addSeparator();
    ManualColor1 = AddItem(PlacementBoxes1, "ManualColor1", "Set Manual Color...");
    ClearManualColor1 = AddItem(PlacementBoxes1, "ClearManualColor1", "Clear Manual Color");
    ClearAllManualColors1 = AddItem(PlacementBoxes1, "ClearAllManualColors1", "Clear All Manual Colors");
    View1->addSeparator();
    ProductTransparency1 = AddSettingMenu(View1, "ProductTransparency1", "Product &Transparency");
    On1 = AddCheckItem(ProductTransparency1, "On1", "On", true);
    Off1 = AddCheckItem(ProductTransparency1, "Off1", "Off", false);
    MakeRadioGroup(this, {On1, Off1});
    ReorderAlarm1 = AddSettingMenu(View1, "ReorderAlarm1", "&Reorder Alarm");
    On3 = AddCheckItem(ReorderAlarm1, "On3", "On", false);
    Off3 = AddCheckItem(ReorderAlarm1, "Off3", "Off", true);
    MakeRadioGroup(this, {On3, Off3});
    View1->addSeparator();
    CatalogSelector1 = AddItem(View1, "CatalogSelector1", "&Selector");
    View1->addSeparator();
    Windows1 = AddSubMenu(View1, "Windows1", "&Windows");
    Tile1 = AddItem(Windows1, "Tile1", "&Tile");
    Cascade1 = AddItem(Windows1, "Cascade1", "&Cascade");
    ArrangeAll1 = AddItem(Windows1, "ArrangeAll1", "&Arrange Icons");
}

void TMainForm::CreateTagsMenu()
{
    Tags1 = AddMenu(menuBar(), "Tags1", "T&ags");
    ItemNumber1 = AddCheckItem(Tags1, "ItemNumber1", "&Item Number", false);
    PartNumber1 = AddCheckItem(Tags1, "PartNumber1", "&Part Number", false);
    XYLocation1 = AddCheckItem(Tags1, "XYLocation1", "&XY Location", false);
    StackCount1 = AddCheckItem(Tags1, "StackCount1", "&Stack Count", false);
    CurrentInventory1 = AddCheckItem(Tags1, "CurrentInventory1", "Current In&ventory", false);
    UnitsSold1 = AddCheckItem(Tags1, "UnitsSold1", "&Units Sold", false);
    Category1 = AddCheckItem(Tags1, "Category1", "&Category", false);
    Brand1 = AddCheckItem(Tags1, "Brand1", "&Brand", false);
    CustomText1 = AddCheckItem(Tags1, "CustomText1", "Custom &Text", false);
    Tags1->addSeparator();
    AllTagsOn1 = AddItem(Tags1, "AllTagsOn1", "All Tags &On");
    AllTagsOff1 = AddItem(Tags1, "AllTagsOff1", "All Tags O&ff");
    AllTagsOn1->setEnabled(true);
    AllTagsOff1->setEnabled(true);
    Tags1->addSeparator();
    TagFont1 = AddItem(Tags1, "TagFont1", "Tag &Font...");
    TagColor1 = AddItem(Tags1, "TagColor1", "Tag Co&lor...");
    FlipTag1 = AddItem(Tags1, "FlipTag1", "Flip T&ag");
    EnterCustomText1 = AddItem(Tags1, "EnterCustomText1", "&Enter Custom Text...");
}

void TMainForm::CreateToolsMenu()
{
    Tools1 = AddMenu(menuBar(), "Tools1", "T&ools");
    Options1 = AddItem(Tools1, "Options1", "&Options...");
    Tools1->addSeparator();
    PlanogramWizard1 = AddItem(Tools1, "PlanogramWizard1", "&Planogram Wizard...");
    CatalogWizard1 = AddItem(Tools1, "CatalogWizard1", "&Catalog Wizard...");
}

void TMainForm::CreateHelpMenu()
{
    Help1 = AddMenu(menuBar(), "Help1", "&Help");
    Help2 = AddItem(Help1, "Help2", "On-line &Help");
    Help1->addSeparator();
    About1 = AddItem(Help1, "About1", "&About...");
}

void TMainForm::CreateFixtureDrawingTools()
{
    FixtureDrawingTools = new QMenu(this);
    FixtureDrawingTools->setObjectName("FixtureDrawingTools");
    DrawShelf1 = AddCheckItem(FixtureDrawingTools, "DrawShelf1", "Shelf", true);
    DrawSectionDivider1 = AddCheckItem(FixtureDrawingTools, "DrawSectionDivider1", "Section Divider", false);
    DrawPegboard1 = AddCheckItem(FixtureDrawingTools, "DrawPegboard1", "Pegboard", false);
    DrawTextBox1 = AddCheckItem(FixtureDrawingTools, "DrawTextBox1", "Text Box", false);
    DrawSlatboard1 = AddCheckItem(FixtureDrawingTools, "DrawSlatboard1", "Slatwall", false);
    MakeRadioGroup(this, {DrawShelf1, DrawSectionDivider1, DrawPegboard1, DrawTextBox1, DrawSlatboard1});
}

void TMainForm::CreateControlBar()
{
    ControlBar1 = addToolBar("Control Bar");
    ControlBar1->setObjectName("ControlBar1");
    ControlBar1->setMovable(false);
    CreateBrowserControls();
    CreateCatalogBrowser();
    CreateStatusPanel();
    ControlBar1->addWidget(ToolBar1);
    ControlBar1->addWidget(pannel1);
    ControlBar1->addWidget(Panel4);
}

void TMainForm::CreateBrowserControls()
{
    ToolBar1 = new QToolBar("Browser Controls", ControlBar1);
    ToolBar1->setObjectName("ToolBar1");
    ToolButton1 = AddToolButton(ToolBar1, "ToolButton1", "|<", "Go to first catalog item");
    ToolButton2 = AddToolButton(ToolBar1, "ToolButton2", "<", "Go to previous catalog item");
    ToolBar1->addSeparator();
    ToolButton10 = AddActionButton(ToolBar1, "ToolButton10", aAddFixture);
    ToolButton9 = AddToolButton(ToolBar1, "ToolButton9", "+", "Add current product");
    ToolBar1->addSeparator();
    ToolButton4 = AddToolButton(ToolBar1, "ToolButton4", ">", "Go to next catalog item");
    ToolButton7 = AddToolButton(ToolBar1, "ToolButton7", ">|", "Go to last catalog item");
    ToolBar1->addSeparator();
    ToolButton3 = AddToolButton(ToolBar1, "ToolButton3", "Find", "Find Product");
}

void TMainForm::CreateCatalogBrowser()
{
    pannel1 = Panel(ControlBar1, "pannel1", "Catalog Browser");
    auto* layout = new QHBoxLayout(pannel1);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(new QLabel("  Current Product:", pannel1));
    tbFind = new QLineEdit(toQString(NoActiveCatalog), pannel1);
    tbFind->setObjectName("tbFind");
    tbFind->setFrame(false);
    tbFind->setFont(QFont("Arial"));
    tbFind->setStyleSheet("background: white;");
    tbFind->setMinimumWidth(260);
    new TypedLengthLimit(tbFind, CatalogBarTypedLimit);
    layout->addWidget(tbFind, 1);
}

void TMainForm::CreateStatusPanel()
{
    Panel4 = Panel(ControlBar1, "Panel4", "Status");
    auto* layout = new QHBoxLayout(Panel4);
    layout->setContentsMargins(2, 2, 2, 2);
    panXY = new QFrame(Panel4);
    panXY->setObjectName("panXY");
    auto* readOuts = new QHBoxLayout(panXY);
    readOuts->setContentsMargins(0, 0, 0, 0);
    readOuts->addWidget(new QLabel("X:", panXY));
    lbCurX = PositionReadOut(panXY, "lbCurX");
    readOuts->addWidget(lbCurX);
    readOuts->addWidget(new QLabel("Y:", panXY));
    lbCurY = PositionReadOut(panXY, "lbCurY");
    readOuts->addWidget(lbCurY);
    ProgressBar1 = new TMainProgressBar(panXY, Panel4);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setMinimumWidth(150);
    layout->addWidget(panXY);
    layout->addWidget(ProgressBar1);
}

void TMainForm::CreateToolBar2()
{
    addToolBarBreak();
    ToolBar2 = addToolBar("Tools");
    ToolBar2->setObjectName("ToolBar2");
    sbNew = AddToolButton(ToolBar2, "sbNew", "New", "New");
    sbOpen = AddToolButton(ToolBar2, "sbOpen", "Open", "Open");
    sbSave = AddToolButton(ToolBar2, "sbSave", "Save", "Save");
    ToolBar2->addSeparator();
    sbPrint = AddToolButton(ToolBar2, "sbPrint", "Print", "Print");
    ToolBar2->addSeparator();
    sbPaste = AddToolButton(ToolBar2, "sbPaste", "Paste", "Paste");
    sbCopyAll = AddToolButton(ToolBar2, "sbCopyAll", "Copy All", "Copy Entire Display");
    ToolBar2->addSeparator();
    sbZoomIn = AddToolButton(ToolBar2, "sbZoomIn", "Zoom +", "Zoom in by 10%");
    sbZoomOut = AddToolButton(ToolBar2, "sbZoomOut", "Zoom -", "Zoom out by 10%");
    ToolBar2->addSeparator();
    sbExport = AddToolButton(ToolBar2, "sbExport", "Export", "Export");
    sbMakePDF = AddToolButton(ToolBar2, "sbMakePDF", "PDF", "Make PDF");
    ToolBar2->addSeparator();
    sbAddFixture = AddActionButton(ToolBar2, "sbAddFixture", aAddFixture);
    ToolBar2->addSeparator();
    tbPointer = AddToolButton(ToolBar2, "tbPointer", "Pointer", "Pointer");
    tbFixtures = AddToolButton(ToolBar2, "tbFixtures", "Fixtures", "Draw fixtures");
    tbPointer->setCheckable(true);
    tbFixtures->setCheckable(true);
    tbPointer->setAutoExclusive(true);
    tbFixtures->setAutoExclusive(true);
    tbPointer->setChecked(true);
    tbPointer->setEnabled(true);
    sbAutoGroup = AddToolButton(ToolBar2, "sbAutoGroup", "Autogroup", "Autogroup Items");
    sbAutoGroup->setCheckable(true);
    sbAutoGroup->setEnabled(true);
    sbUngroup = AddToolButton(ToolBar2, "sbUngroup", "Ungroup", "Ungroup");
}

void TMainForm::CreateTimers()
{
    Timer1 = Timer(this, "Timer1", 60000);
    Timer2 = Timer(this, "Timer2", 200);
    UpgradeCheckTrigger = Timer(this, "UpgradeCheckTrigger", 1000);
}

void TMainForm::CreateDialogs()
{
    OCat.title = "Find catalog";
    OCat.filter = "Kestrame Catalog (*.ddl) (*.ctf)|*.ddl;*ctf";
    OCat.defaultExt = "did";
    CDopen.filter = "Kestrame Catalog (*.vdx) (*.ctf) (*.ddl)|*.vdx;*.did;*.ctf;*.ddl";
    CDopen.defaultExt = "did";
    OD1.filter = "Kestrame File|*.kqf;*.kqt|All file types|*.*";
    OD1.defaultExt = "kqf";
    SaveKQF.filter = "Kestrame File (*.kqf)|*.kqf|Kestrame Template (*.kqt)|*.kqt";
    SaveKQF.defaultExt = "kqf";
}

void TMainForm::ConnectCommands()
{
    Exit1->setEnabled(true);
    connect(Exit1, &QAction::triggered, this, &TMainForm::ExitItemClick);
    PrintSetup1->setEnabled(true);
    connect(PrintSetup1, &QAction::triggered, this, &TMainForm::PrintSetup1Click);
    About1->setEnabled(true);
    connect(About1, &QAction::triggered, this, &TMainForm::About1Click);
    connect(AllTagsOn1, &QAction::triggered, this, &TMainForm::AllTagsOn1Click);
    connect(AllTagsOff1, &QAction::triggered, this, &TMainForm::AllTagsOff1Click);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    OpenItem->setEnabled(true);
    sbOpen->setEnabled(true);
    connect(OpenItem, &QAction::triggered, this, [this] { OpenPlanogram(std::string()); });
    connect(sbOpen, &QToolButton::clicked, this, [this] { OpenPlanogram(std::string()); });
    connect(SaveItem, &QAction::triggered, this, [this] { SavePlanogram(false); });
    connect(sbSave, &QToolButton::clicked, this, [this] { SavePlanogram(false); });
    connect(SaveAs1, &QAction::triggered, this, [this] { SavePlanogram(true); });
    connect(NewItem, &QAction::triggered, this, &TMainForm::NewPlanogram);
    connect(sbNew, &QToolButton::clicked, this, &TMainForm::NewPlanogram);
    connect(DocumentSetup1, &QAction::triggered, this, &TMainForm::DocumentSetup1Click);
    OpenRecent1->menuAction()->setEnabled(true);
    connect(OpenRecent1, &QMenu::aboutToShow, this, &TMainForm::OpenRecent1Click);
    int tag = 0;
    for (QAction* doc : {Doc1, Doc2, Doc3, Doc4, Doc5}) {
        doc->setEnabled(true);
        connect(doc, &QAction::triggered, this, [this, tag] { DocClick(tag); });
        ++tag;
    }
}

void TMainForm::FormCreate()
{
    displayScale = 8;
    unitsMode = 1;
    prefs = std::make_unique<PreferencesClass>();
    recentFiles = std::make_unique<TStringList>(RecentFilesFrom(*prefs));
    SetMainProgress(ProgressBar1);
    qApp->installEventFilter(this);
    setAcceptDrops(true);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!firstShowDone_ && !event->spontaneous()) {
        firstShowDone_ = true;
        FormShow();
    }
}

void TMainForm::FormShow()
{
    const StartupSettings settings = ReadStartupSettings(SettingsStore());
    alignToPeg = settings.alignToPeg ? 1 : 0;
    showHints = settings.tips;
    unitsInches = settings.unitsInches ? 1 : 0;
    ApplyUnitHints();
    if (TransparencyLockedOff(ScreenDepth()))
        LockTransparencyOff();
    const std::string path = PlanogramPathArgument(ProgramCommandLine());
    if (!path.empty())
        OpenPlanogram(path);
}

void TMainForm::ApplyUnitHints()
{
    const PositionHints hints = PositionHintsFor(unitsInches != 0);
    lbCurX->setToolTip(toQString(hints.x));
    lbCurY->setToolTip(toQString(hints.y));
}

void TMainForm::LockTransparencyOff()
{
    Off1->setChecked(true);
    On1->setEnabled(false);
    Off1->setEnabled(false);
}

void TMainForm::FormDestroy()
{
    if (&MainProgress() == ProgressBar1)
        SetMainProgress(nullptr);
    qApp->removeEventFilter(this);
    prefs.reset();
    recentFiles.reset();
}

bool TMainForm::FormCloseQuery() const { return !LongOperationRunning(); }

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    // Each planogram window asks about its own unsaved changes and may keep itself open.
    ClientArea->closeAllSubWindows();
    if (!ClientArea->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !showHints)
        return true;
    // A planogram window stays while an open, save or print works on the windows.
    if (event->type() == QEvent::Close && LongOperationRunning() && qobject_cast<QMdiSubWindow*>(watched)) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

TMainForm::LongOperation::LongOperation(TMainForm& form) : form_(form) { ++form_.longOperations_; }

TMainForm::LongOperation::~LongOperation() { --form_.longOperations_; }

void TMainForm::ExitItemClick() { close(); }

void TMainForm::About1Click() { ShowAbout(); }

void TMainForm::PrintSetup1Click() { Ui().PrinterSetupDialog(); }

void TMainForm::SetTagItems(bool checked)
{
    for (QAction* tag : {ItemNumber1, PartNumber1, XYLocation1, StackCount1, CurrentInventory1, UnitsSold1, Category1,
                         Brand1, CustomText1})
        tag->setChecked(checked);
}

void TMainForm::AllTagsOn1Click() { SetTagItems(true); }

void TMainForm::AllTagsOff1Click() { SetTagItems(false); }

void TMainForm::Timer1Timer() { Timer1->stop(); }

// The document's main-window interface

TFont TMainForm::TagFont() const
{
    TFont font;
    font.Name = TagFontDialog.name;
    font.SetSize(TagFontDialog.size);
    font.Style = static_cast<TFontStyles>(TagFontDialog.style);
    font.Color = static_cast<TColor>(TagFontDialog.color);
    return font;
}

TColor TMainForm::TagColor() const { return static_cast<TColor>(TagColorDialog); }

TagMenuChecks TMainForm::TagChecks() const
{
    TagMenuChecks checks;
    checks.itemNumber = ItemNumber1->isChecked();
    checks.partNumber = PartNumber1->isChecked();
    checks.xyLocation = XYLocation1->isChecked();
    checks.placementBoxes = PlacementBoxes1->menuAction()->isChecked();
    checks.transparency = On1->isChecked();
    return checks;
}

Progress& TMainForm::ProgressBar() { return *ProgressBar1; }

// The loading notice comes with the small dialogs; until then an open shows none, so there is
// nothing to close.
void TMainForm::CloseLoadingNotice() {}

void TMainForm::DocumentActivated(PlanogramDocument& document)
{
    activeDocHeight = document.displayHeight;
    EnableDocumentCommands(true);
}

bool TMainForm::SaveDocument(PlanogramDocument& document)
{
    Tplandoc* window = WindowOf(document);
    return window && SaveWindow(*window, false);
}

void TMainForm::DocumentClosed(PlanogramDocument& document)
{
    int others = 0;
    for (QMdiSubWindow* frame : ClientArea->subWindowList()) {
        auto* window = qobject_cast<Tplandoc*>(frame->widget());
        others += window && &window->Document() != &document;
    }
    if (others > 0)
        return;
    tbFind->setText(toQString(NoActiveCatalogAfterClose));
    lbCurX->clear();
    lbCurY->clear();
    EnableDocumentCommands(false);
}

void TMainForm::EnableDocumentCommands(bool enabled)
{
    for (QAction* command : {SaveItem, SaveAs1, DocumentSetup1})
        command->setEnabled(enabled);
    sbSave->setEnabled(enabled);
}

void TMainForm::SetDocumentSetupDialog(DocumentSetupDialog* dialog)
{
    setupDialog_ = dialog;
    NewItem->setEnabled(dialog != nullptr);
    sbNew->setEnabled(dialog != nullptr);
}

Tplandoc* TMainForm::ActivePlanogram() const
{
    QMdiSubWindow* frame = ClientArea->activeSubWindow();
    if (!frame) {
        const QList<QMdiSubWindow*> frames = ClientArea->subWindowList(QMdiArea::ActivationHistoryOrder);
        frame = frames.isEmpty() ? nullptr : frames.last();
    }
    return frame ? qobject_cast<Tplandoc*>(frame->widget()) : nullptr;
}

Tplandoc* TMainForm::WindowOf(const PlanogramDocument& document) const
{
    for (QMdiSubWindow* frame : ClientArea->subWindowList()) {
        auto* window = qobject_cast<Tplandoc*>(frame->widget());
        if (window && &window->Document() == &document)
            return window;
    }
    return nullptr;
}

// Opening, saving, new

Tplandoc* TMainForm::NewPlanogramWindow(QMdiSubWindow*& frame)
{
    if (!setupDialog_)
        throw Exception("The Document Setup dialog is missing.");
    auto* window = new Tplandoc(PlandocServices{*this, selector_, *setupDialog_, fileFinder_, pictureFinder_});
    frame = ClientArea->addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    return window;
}

bool TMainForm::OpenPlanogram(std::string path)
{
    if (LongOperationRunning())
        return false;
    LongOperation busy(*this);
    if (path.empty()) {
        const std::optional<FileDialogResult> chosen = Ui().OpenDialog(OD1);
        if (!chosen)
            return false;
        path = chosen->fileName;
    }
    return OpenPlanogramFile(path);
}

bool TMainForm::OpenPlanogramFile(const std::string& path)
{
    bool readable = false;
    if (StartsWithCollectionMark(path, readable) || !readable) {
        if (!readable)
            Ui().MessageBox("Could not open file", "Open Error", MsgButtons::OK, MsgIcon::Stop);
        return false;
    }
    QMdiSubWindow* frame = nullptr;
    Tplandoc* window = NewPlanogramWindow(frame);
    PendingWindow pending(frame);
    if (!OpenInto(*window, *frame, path))
        return false;
    pending.Keep();
    return true;
}

bool TMainForm::OpenInto(Tplandoc& window, QMdiSubWindow& frame, const std::string& path)
{
    kqfASCII file(fileFinder_);
    QCoreApplication::processEvents();
    if (!file.Read(path, static_cast<int>(ClientArea->subWindowList().size())))
        return false;
    const std::unique_ptr<ListManager> fileItems = file.TakeItems();
    frame.setWindowTitle(toQString(file.title));
    // The window's first showing takes the settings' values; the file's come after them.
    frame.show();
    PlanogramDocument& document = window.Document();
    document.fileName = path;
    document.untitled = IsTemplateFileName(path);
    CopyHeaderIntoDocument(file, document);
    if (!document.NewDocument(file.Width, file.Height))
        return false;
    document.untitled = IsTemplateFileName(path);
    Progress& progress = *ProgressBar1;
    progress.SetMax(document.itemCounter + 1);
    progress.SetPosition(0);
    progress.SetStep(1);
    document.builderList = file.builderItems;
    document.FillBuilderGrid();
    openMismatchAsk = 1;
    openUpdateFromCatalog = 0;
    MismatchQuestion question{openMismatchAsk, openUpdateFromCatalog, [this] { return AskMismatchUpdate(); }};
    if (fileItems)
        LoadFileItems(*fileItems, document, ProductsOf(*document.catalog), question);
    document.SetZoom(file.zoomSetting);
    DocumentActivated(document);
    document.renderer.RedrawAll();
    document.modified = false;
    progress.SetPosition(0);
    return true;
}

bool TMainForm::AskMismatchUpdate()
{
    CloseLoadingNotice();
    return Ui().MessageBox(MismatchQuestionText, ApplicationTitle, MsgButtons::YesNo, MsgIcon::Exclamation) ==
           MsgAnswer::Yes;
}

bool TMainForm::SavePlanogram(bool askForName)
{
    Tplandoc* window = ActivePlanogram();
    return window && SaveWindow(*window, askForName);
}

bool TMainForm::SaveWindow(Tplandoc& window, bool askForName)
{
    if (LongOperationRunning())
        return false;
    LongOperation busy(*this);
    PlanogramDocument& document = window.Document();
    const bool askName = askForName || document.untitled;
    if (askName) {
        FileDialogOptions options = SaveKQF;
        options.fileName = document.fileName;
        const std::optional<FileDialogResult> chosen = Ui().SaveDialog(options);
        if (!chosen)
            return false;
        SaveKQF.fileName = chosen->fileName;
        SaveKQF.filterIndex = chosen->filterIndex;
        SaveKQFTypeChange(chosen->filterIndex);
        // The dialog asked about replacing the name it returned, not the one its filter made of it.
        if (SaveKQF.fileName != chosen->fileName && FileExists(SaveKQF.fileName) && !ConfirmReplace(SaveKQF.fileName))
            return false;
    } else {
        SaveKQF.fileName = document.fileName;
    }
    const std::string target = SaveKQF.fileName;
    kqfASCII file(fileFinder_);
    FillFileFromDocument(file, document);
    bool written = false;
    try {
        written = file.Write(target);
    } catch (const Exception& error) {
        Ui().MessageBox(error.Message(), ApplicationTitle, MsgButtons::OK, MsgIcon::Stop);
    } catch (const std::bad_alloc&) {
        Ui().MessageBox("Allocation Error", ApplicationTitle, MsgButtons::OK, MsgIcon::Stop);
    }
    if (!written)
        return false;
    document.fileName = target;
    if (askName && window.parentWidget())
        window.parentWidget()->setWindowTitle(toQString(ExtractFileName(target)));
    document.untitled = false;
    document.modified = false;
    AddSavedPlanogram(*recentFiles, target);
    StoreRecentFiles(*recentFiles, *prefs);
    prefs->Save();
    return true;
}

void TMainForm::SaveKQFTypeChange(int filterIndex)
{
    SaveKQF.defaultExt = filterIndex == 2 ? "kqt" : "kqf";
    SaveKQF.fileName = FileNameForSaveFilter(SaveKQF.fileName, filterIndex);
}

bool TMainForm::NewPlanogram()
{
    if (LongOperationRunning() || !setupDialog_)
        return false;
    LongOperation busy(*this);
    std::string chosenTemplate;
    if (NewBlankPlanogram(chosenTemplate))
        return true;
    // The blank window is gone by now, so the template's window takes its number.
    return !chosenTemplate.empty() && OpenPlanogramFile(chosenTemplate);
}

bool TMainForm::NewBlankPlanogram(std::string& chosenTemplate)
{
    try {
        QMdiSubWindow* frame = nullptr;
        Tplandoc* window = NewPlanogramWindow(frame);
        PendingWindow pending(frame);
        frame->resize(1, 1);
        frame->setWindowTitle(toQString("My Display" + IntToStr(static_cast<int>(ClientArea->subWindowList().size()))));
        PlanogramDocument& document = window->Document();
        if (!document.NewDocument(0, 0)) {
            chosenTemplate = document.chosenTemplate;
            return false;
        }
        pending.Keep();
        frame->resize(640, 480);
        frame->show();
        DocumentActivated(document);
        return true;
    } catch (const std::bad_alloc&) {
        Ui().MessageBox("Allocation Error", ApplicationTitle, MsgButtons::OK, MsgIcon::Stop);
    } catch (const Exception&) {
        Ui().MessageBox("Could not create new document", ApplicationTitle, MsgButtons::OK, MsgIcon::Exclamation);
    }
    return false;
}

void TMainForm::DocumentSetup1Click()
{
    Tplandoc* window = ActivePlanogram();
    if (!window || !setupDialog_ || LongOperationRunning())
        return;
    LongOperation busy(*this);
    PlanogramDocument& document = window->Document();
    setupDialog_->SetHideCatalogs(true);
    const int result = document.ValidateDisplaySize();
    setupDialog_->SetHideCatalogs(false);
    if (result == 1)
        ApplyDocumentSetup(document);
}

void TMainForm::ApplyDocumentSetup(PlanogramDocument& document)
{
    if (!document.renderer.LoadBackground())
        return;
    if (document.FitItemsToDisplay(1))
        Ui().MessageBox(ItemsMovedText, ApplicationTitle, MsgButtons::OK, MsgIcon::Exclamation);
    document.renderer.DrawRulers();
    document.services.view.ZoomChanged();
    ClearLayoutThumbnail(document.services.selector);
    document.BuildPegHoleList();
    document.renderer.RedrawAll();
    document.modified = true;
}

void TMainForm::OpenRecent1Click()
{
    ForgetMissingRecentFiles(*recentFiles);
    const std::vector<std::optional<std::string>> captions = RecentMenuCaptions(*recentFiles);
    const QAction* docs[] = {Doc1, Doc2, Doc3, Doc4, Doc5};
    for (size_t i = 0; i < captions.size(); ++i) {
        QAction* doc = const_cast<QAction*>(docs[i]);
        if (captions[i])
            doc->setText(toQString(*captions[i]));
        doc->setVisible(captions[i].has_value());
    }
}

void TMainForm::DocClick(int tag)
{
    if (tag >= 0 && tag < recentFiles->Count() && !(*recentFiles)[tag].empty())
        OpenPlanogram((*recentFiles)[tag]);
}

void TMainForm::DropFiles(const std::vector<std::string>& paths)
{
    if (paths.empty() || LongOperationRunning())
        return;
    if (IsPlanogramFileName(paths.front()))
        OpenPlanogram(paths.front());
    else
        Ui().MessageBox("Not a valid drag and drop file.", "Error", MsgButtons::OK, MsgIcon::Exclamation);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(ModelPath(url.toLocalFile().toStdString()));
    event->acceptProposedAction();
    DropFiles(paths);
}

void TMainForm::SystemExecuteMacro(const std::string& request)
{
    const std::optional<std::string> path = OpenFileRequestPath(request);
    if (!path)
        return;
    // The second start was told its path is taken: a request arriving while an open, save or print
    // runs waits for it to end instead of being dropped.
    if (LongOperationRunning()) {
        QTimer::singleShot(RequestRetryMs, this, [this, request] { SystemExecuteMacro(request); });
        return;
    }
    raise();
    activateWindow();
    OpenPlanogram(*path);
}

bool TMainForm::StartOpenFileServer()
{
    if (!openFileServer_)
        openFileServer_ = new OpenFileServer([this](const std::string& request) { SystemExecuteMacro(request); }, this);
    return openFileServer_->Listen();
}
