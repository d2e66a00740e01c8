#include "app/SDIMain.h"

#include "app/CommandLine.h"
#include "app/FileRequests.h"
#include "app/Hh.h"
#include "app/Hh_funcs.h"
#include "app/LoadingNotice.h"
#include "app/MainCommands.h"
#include "app/MainProgressBar.h"
#include "app/OpenFileServer.h"
#include "app/RecentFiles.h"
#include "app/Splash.h"
#include "app/StartupSettings.h"
#include "catalog/DataMaker.h"
#include "catalog/GridUtilities.h"
#include "pdf/PDFR2.h"
#include "planogram/DocumentSelector.h"
#include "planogram/Kqfascii.h"
#include "planogram/Makefixture.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/PlanogramLoading.h"
#include "planogram/plandocCode.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/Seams.h"
#include "platform/services/HttpClient.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/Application.h"
#include "reports/KQReporterCode.h"
#include "reports/qReportsCode.h"

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
// The help contents: F1 anywhere in the main window and its planograms, and Help > On-line Help.
constexpr int MainHelpContext = 1;
constexpr int RequestRetryMs = 100;
constexpr std::string_view NoActiveCatalog = "Catalog Browser... no active catalog.";
constexpr std::string_view NoActiveCatalogAfterClose = "Catalog Browser... No Active Catalog";

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
    CreateMainMenus(*this);
    CreateControlBar();
    CreateToolBar2();
    CreateToolButtons(*this);
    CreateTimers();
    CreateDialogs();
    files_ = std::make_unique<PlanogramFiles>(PlanogramFilesSeams{
        *ClientArea, *this, [this]() -> DocumentSelector& { return *selector_; }, fileFinder_, pictureFinder_, OD1,
        SaveKQF, longOperations, [this](const std::string& path) { RememberSavedPlanogram(path); },
        [this] { SyncToActiveDocument(true, false); }});
    // The area names a window active only after the window itself hears of it: every way one comes
    // forward (a click, the window list, the keyboard, the close of the top one) is followed from here.
    connect(ClientArea, &QMdiArea::subWindowActivated, this, ShowingErrors([this](QMdiSubWindow* frame) {
                if (frame)
                    SyncToActiveDocument(false, false);
            }));
    ConnectCommands();
    FormCreate();
}

TMainForm::~TMainForm()
{
    FormDestroy();
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::CreateControlBar()
{
    ControlBar1 = addToolBar("Control Bar");
    ControlBar1->setObjectName("ControlBar1");
    ControlBar1->setMovable(false);
    ToolBar1 = new QToolBar("Browser Controls", ControlBar1);
    ToolBar1->setObjectName("ToolBar1");
    CreateCatalogBrowser();
    CreateStatusPanel();
    ControlBar1->addWidget(ToolBar1);
    ControlBar1->addWidget(pannel1);
    ControlBar1->addWidget(Panel4);
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
}

void TMainForm::CreateTimers()
{
    Timer1 = Timer(this, "Timer1", 60000);
    Timer2 = Timer(this, "Timer2", 200);
    UpgradeCheckTrigger = Timer(this, "UpgradeCheckTrigger", 1000);
    UpgradeCheckTrigger->start();
    UpgradeVersionCheck = MakeHttpClient();
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
    CreateExportDialog();
    CreatePdfExport();
}

void TMainForm::ConnectCommands()
{
    connect(Exit1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::ExitItemClick));
    connect(PrintSetup1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::PrintSetup1Click));
    connect(Print1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::Print1Click));
    connect(Export1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::Export1Click));
    connect(MakePDF1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::aMakePDFExecute));
    QuickReports1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(QuickReports1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::QuickReports1Click));
    connect(ShowReport1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::ShowReport1Click));
    connect(PictureManager1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::PictureManager1Click));
    connect(About1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::About1Click));
    connect(Help2, &QAction::triggered, this, ShowingErrors(this, &TMainForm::Help2Click));
    connect(AllTagsOn1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::AllTagsOn1Click));
    connect(AllTagsOff1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::AllTagsOff1Click));
    ConnectDocumentCommands();
    ConnectProductCommands();
    connect(Timer1, &QTimer::timeout, this, ShowingErrors(this, &TMainForm::Timer1Timer));
    connect(UpgradeCheckTrigger, &QTimer::timeout, this, ShowingErrors(this, &TMainForm::UpgradeCheckTriggerTimer));
    connect(Checkforsoftwareupdates1, &QAction::triggered, this,
            ShowingErrors(this, &TMainForm::Checkforsoftwareupdates1Click));
    connect(OpenItem, &QAction::triggered, this, ShowingErrors([this] { OpenPlanogram(std::string()); }));
    connect(SaveItem, &QAction::triggered, this, ShowingErrors([this] { SavePlanogram(false); }));
    connect(SaveAs1, &QAction::triggered, this, ShowingErrors([this] { SavePlanogram(true); }));
    connect(NewItem, &QAction::triggered, this, ShowingErrors(this, &TMainForm::NewPlanogram));
    connect(DocumentSetup1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::DocumentSetup1Click));
    connect(OpenRecent1, &QMenu::aboutToShow, this, ShowingErrors(this, &TMainForm::OpenRecent1Click));
    for (size_t tag = 0; tag < Docs.size(); ++tag)
        connect(Docs[tag], &QAction::triggered, this, ShowingErrors([this, tag] { DocClick(static_cast<int>(tag)); }));
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
    SetHelpContext(*this, MainHelpContext);
}

void TMainForm::setVisible(bool visible)
{
    QMainWindow::setVisible(visible);
    // After the window is mapped, not from its show event: a window mapped before the window it belongs
    // to (the selector, the start-up wizard) is not kept above it by the window manager.
    if (visible && !firstShowDone_) {
        firstShowDone_ = true;
        FormShow();
        selector_->Show();
    }
}

void TMainForm::FormShow()
{
    helpHook = std::make_unique<THookHelpSystem>(ProgramFolder() + std::string(HelpFileName), std::string(),
                                                 THostType::HtmlHelpApi);
    const StartupSettings settings = ReadStartupSettings(SettingsStore());
    alignToPeg = settings.alignToPeg ? 1 : 0;
    showHints = settings.tips;
    unitsInches = settings.unitsInches ? 1 : 0;
    ApplyUnitHints();
    if (TransparencyLockedOff(ScreenDepth()))
        LockTransparencyOff();
    // As File > Open: an error of the open (settings that cannot be written, say) is shown, and the
    // start goes on without the planogram.
    const std::string path = PlanogramPathArgument(ProgramCommandLine());
    if (!path.empty())
        ShowingExceptions([&] { return OpenPlanogram(path); });
    if (settings.welcome)
        ShowPlanogramWizardAtStart();
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
    helpHook.reset();
}

bool TMainForm::FormCloseQuery() const { return !LongOperationRunning(); }

void TMainForm::closeEvent(QCloseEvent* event)
{
    // Every window holding work is asked about its unsaved changes first, one at a time; the first
    // Cancel keeps every window and the program. Only when all agree are they closed, unasked.
    const std::vector<Tplandoc*> planograms = OpenPlanograms();
    if (!FormCloseQuery() || !WindowsAgreeToClose(planograms)) {
        event->ignore();
        return;
    }
    if (catalogManager_ && catalogManager_->isVisible())
        catalogManager_->CloseAgreed();
    for (Tplandoc* window : planograms)
        window->CloseAgreed();
    ClientArea->closeAllSubWindows();
    if (!ClientArea->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    UpgradeVersionCheck->Abort();
    QMainWindow::closeEvent(event);
    emit Closed();
}

std::vector<Tplandoc*> TMainForm::OpenPlanograms() const
{
    std::vector<Tplandoc*> planograms;
    for (QMdiSubWindow* frame : ClientArea->subWindowList())
        if (auto* window = qobject_cast<Tplandoc*>(frame->widget()))
            planograms.push_back(window);
    return planograms;
}

bool TMainForm::WindowsAgreeToClose(const std::vector<Tplandoc*>& planograms) const
{
    if (!CatalogManagerAgreesToClose())
        return false;
    for (Tplandoc* window : planograms)
        if (!window->FormCloseQuery())
            return false;
    return true;
}

bool TMainForm::CatalogManagerAgreesToClose() const
{
    if (!catalogManager_ || !catalogManager_->isVisible())
        return true;
    // Disabled, it works on its catalog (a picture export), which must not go away under it.
    if (!catalogManager_->isEnabled())
        return false;
    return ShowingExceptions([this] { return catalogManager_->FormCloseQuery(); });
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

void TMainForm::ExitItemClick() { close(); }

void TMainForm::About1Click() { ShowAbout(); }

void TMainForm::Help2Click()
{
    if (helpHook)
        helpHook->HelpContext(MainHelpContext);
}

void TMainForm::PrintSetup1Click() { Ui().PrinterSetupDialog(); }

void TMainForm::QuickReports1Click()
{
    if (qReports)
        qReports->exec();
}

void TMainForm::ShowReport1Click()
{
    Tplandoc* window = ActivePlanogram();
    if (!window || !wReporter || Ui().ShowModal(*wReporter) == mrCancel)
        return;
    MakeCustomReport(reportObjects_, window->Document(), window->Caption().toStdString(), wReporter->TemplateFileName(),
                     wReporter->NotifyWhenDone());
}

void TMainForm::Print1Click()
{
    Tplandoc* window = ActivePlanogram();
    if (!window || LongOperationRunning())
        return;
    LongOperations::Guard busy(longOperations);
    window->PrintPlanogram();
}

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
    checks.stackCount = StackCount1->isChecked();
    checks.currentInventory = CurrentInventory1->isChecked();
    checks.unitsSold = UnitsSold1->isChecked();
    checks.category = Category1->isChecked();
    checks.brand = Brand1->isChecked();
    checks.customText = CustomText1->isChecked();
    checks.placementBoxes = PlacementBoxes1->menuAction()->isChecked();
    checks.transparency = On1->isChecked();
    return checks;
}

Progress& TMainForm::ProgressBar() { return *ProgressBar1; }

// The loading notice comes with the small dialogs; until then an open shows none, so there is
// nothing to close.
void TMainForm::ShowLoadingNotice()
{
    if (frmLoading && SettingsStore().ReadBool("Options", "ShowDataLoadingDialog", true))
        frmLoading->show();
}

void TMainForm::CloseLoadingNotice()
{
    if (frmLoading)
        frmLoading->close();
}

bool TMainForm::AutoGroupDown() const { return sbAutoGroup->isChecked(); }

bool TMainForm::ReorderAlarmOn() const { return On3->isChecked(); }

bool TMainForm::PointerToolDown() const { return tbPointer->isChecked(); }

int TMainForm::FixtureDrawingKind() const
{
    if (DrawSectionDivider1->isChecked())
        return MakeFixture::kDivider;
    if (DrawPegboard1->isChecked())
        return MakeFixture::kPegboard;
    if (DrawTextBox1->isChecked())
        return MakeFixture::kText;
    if (DrawSlatboard1->isChecked())
        return MakeFixture::kSlatwall;
    return MakeFixture::kShelf;
}

void TMainForm::EnableUngroup(bool enabled) { sbUngroup->setEnabled(enabled); }

void TMainForm::ShowPlacementBoxes() { PlacementBoxes1->menuAction()->setChecked(true); }

void TMainForm::CheckCustomText() { CustomText1->setChecked(true); }

std::optional<TColor> TMainForm::PickTagColor()
{
    const std::optional<DialogColor> chosen = Ui().ColorDialog(TagColorDialog);
    if (!chosen)
        return std::nullopt;
    TagColorDialog = *chosen;
    return static_cast<TColor>(*chosen);
}

void TMainForm::ShowPosition(const std::string& x, const std::string& y)
{
    lbCurX->setText(toQString(x));
    lbCurY->setText(toQString(y));
}

void TMainForm::DocumentActivated(PlanogramDocument& document)
{
    activeDocHeight = document.displayHeight;
    EnableDocumentCommands(&document);
    SyncToActiveDocument(false, false);
}

void TMainForm::DocumentChanged(const PlanogramDocument& document)
{
    if (&document == ActiveDocument())
        EnableDocumentCommands(&document);
}

bool TMainForm::SaveDocument(PlanogramDocument& document)
{
    Tplandoc* window = files_->WindowOf(document);
    return window && files_->SaveWindow(*window, false);
}

void TMainForm::DocumentClosed(PlanogramDocument& document)
{
    int others = 0;
    for (QMdiSubWindow* frame : ClientArea->subWindowList()) {
        auto* window = qobject_cast<Tplandoc*>(frame->widget());
        others += window && &window->Document() != &document;
    }
    // The window followed last goes: nothing may follow it, or its catalog, any longer.
    const bool followed = lastSynced_ && &lastSynced_->Document() == &document;
    if (followed) {
        lastSynced_ = nullptr;
        selector_->DropCatalog(others == 0);
    }
    if (others > 0)
        return;
    for (TStringGrid* grid : {&selector_->GridP(), &selector_->GridB(), &selector_->GridA(), &selector_->GridL()})
        GridUtilities().ClearGrid(*grid);
    selector_->DropCatalog(true);
    lastSynced_ = nullptr;
    tbFind->setText(toQString(NoActiveCatalogAfterClose));
    lbCurX->clear();
    lbCurY->clear();
    EnableDocumentCommands(nullptr);
}

void TMainForm::SetDocumentSetupDialog(DocumentSetupDialog* dialog)
{
    files_->SetDocumentSetupDialog(dialog);
    NewItem->setEnabled(dialog != nullptr);
}

Tplandoc* TMainForm::ActivePlanogram() const { return files_->ActivePlanogram(); }

// Opening, saving, new

bool TMainForm::OpenPlanogram(std::string path) { return files_->OpenPlanogram(std::move(path)); }

bool TMainForm::SavePlanogram(bool askForName) { return files_->SavePlanogram(askForName); }

void TMainForm::SaveKQFTypeChange(int filterIndex) { files_->SaveTypeChange(filterIndex); }

bool TMainForm::NewPlanogram() { return files_->NewPlanogram(); }

bool TMainForm::NewSetUpPlanogram(const std::function<bool(PlanogramDocument&)>& setUp,
                                  const std::function<void(PlanogramDocument&)>& fill)
{
    return files_->NewSetUpPlanogram(setUp, fill);
}

void TMainForm::DocumentSetup1Click() { files_->DocumentSetup(); }

void TMainForm::RememberSavedPlanogram(const std::string& path)
{
    AddSavedPlanogram(*recentFiles, path);
    StoreRecentFiles(*recentFiles, *prefs);
    prefs->Save();
}

void TMainForm::OpenRecent1Click()
{
    ForgetMissingRecentFiles(*recentFiles);
    const std::vector<std::optional<std::string>> captions = RecentMenuCaptions(*recentFiles);
    for (size_t i = 0; i < captions.size() && i < Docs.size(); ++i) {
        QAction* doc = Docs[i];
        if (captions[i])
            doc->setText(PathToQString(*captions[i]));
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
            paths.push_back(PathFromQString(url.toLocalFile()));
    event->acceptProposedAction();
    DropFiles(paths);
}

void TMainForm::SystemExecuteMacro(const std::string& request)
{
    const std::optional<std::string> path = OpenFileRequestPath(request);
    if (!path)
        return;
    // The second start was told its path is taken: a request arriving while an open, save or print
    // runs waits for it to end instead of being dropped, and one arriving while the main window asks
    // whether to close waits for the answer, so that nothing opens into a window that is closing.
    if (LongOperationRunning() || CloseUnderWay(*this)) {
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
