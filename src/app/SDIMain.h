#pragma once

#include "app/LongOperations.h"
#include "app/PlanogramFiles.h"
#include "app/PreferencesClass.h"
#include "app/SelectorGrids.h"
#include "catalog/CatalogPictureFinder.h"
#include "catalog/Didfilefinder.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSetup.h"
#include "planogram/SelectorHost.h"
#include "platform/core/StringList.h"
#include "platform/core/UiServices.h"
#include "reports/CustomReport.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLineEdit;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;
class QMdiSubWindow;
class QToolButton;
class TBitmap;
class HttpClient;
class TPdfPrinter;
class OpenFileServer;
class TMainProgressBar;
class BuilderHost;
class TCatalogWizard;
class TSUWizard;
class TDForm;
class TOptions;
class TSelector;
class THookHelpSystem;
class CatalogPictureEditor;
class Tplandoc;

// The program's frame: one MDI window holding every planogram window, the menus, the tool bars, the
// catalog browser bar, the status panel and the timers. It keeps no list of documents: each command
// takes the active MDI child. Its fields and components are the program's shared state; other windows
// read and set them through `MainForm`.
//
// A command stays disabled until the window or service it drives exists. The planogram document windows
// reach the frame only through the document's main-window interface, which this class implements.
class TMainForm : public QMainWindow, public DocumentMainWindow, public SelectorHost {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    void FormCreate();
    void FormShow();
    void FormDestroy();
    // False while an open, save or print runs: the window it works on must not go away under it.
    bool FormCloseQuery() const;
    void ExitItemClick();
    void About1Click();
    void Help2Click();
    void PrintSetup1Click();
    void QuickReports1Click();
    void ShowReport1Click();
    // Prints the active planogram; the windows stay while it runs.
    void Print1Click();
    // Writes the active planogram as a picture or web pages, as the save and options dialogs say.
    void Export1Click();
    // The active planogram's wall drawn at twice the back bitmap's scale into the bitmap, sized by the
    // caller; false without a bitmap or a planogram, or when cancelled.
    bool RenderDisplayBitmap(TBitmap* bitmap);
    // Writes the active planogram and the quick reports chosen in the PDF options as a PDF file.
    void aMakePDFExecute();
    void AllTagsOn1Click();
    void AllTagsOff1Click();
    void Timer1Timer();
    // Once a second after the window is made: asks the update server whether a new version exists.
    void UpgradeCheckTriggerTimer();
    // The check's answer: exactly "YES" offers the upgrade page.
    void UpgradeVersionCheckSuccess(const std::string& body);
    // Shows the updater.
    void Checkforsoftwareupdates1Click();

    // Opening, saving and new planograms. Each returns true when it did what it was asked; none
    // starts while an open, save or print runs.
    bool OpenPlanogram(std::string path);
    bool SavePlanogram(bool askForName);
    // A blank display as the Document Setup dialog describes it, or the template chosen on it,
    // opened untitled.
    bool NewPlanogram();
    // A new display set up and filled by the caller (the planogram wizard), as PlanogramFiles does.
    bool NewSetUpPlanogram(const std::function<bool(PlanogramDocument&)>& setUp,
                           const std::function<void(PlanogramDocument&)>& fill);
    // The Document Setup command of the active planogram: its wall takes the new size, background
    // and peg holes; items left wholly outside are moved to its upper left corner.
    void DocumentSetup1Click();
    // The save dialog's filter changed: the file name takes that filter's extension.
    void SaveKQFTypeChange(int filterIndex);
    void OpenRecent1Click();
    // Doc1 ... Doc5 carry the tags 0 ... 4.
    void DocClick(int tag);
    // The first dropped file is opened when it is a planogram or template.
    void DropFiles(const std::vector<std::string>& paths);
    // A request of a second start, "OpenFile=<path>".
    void SystemExecuteMacro(const std::string& request);
    // The window a start-up hands its path to; false when another program already holds the name.
    bool StartOpenFileServer();

    // The main window follows the active planogram: its Tags and View marks, the selector, the
    // catalog bar, the rulers' units and the layout thumbnail. Unforced, the window it followed last
    // is not followed again; reset only forgets that window.
    void SyncToActiveDocument(bool force, bool reset);
    // The selector window the documents show (not owned); until one is given, the grids alone, and
    // the commands that need the window stay disabled.
    void SetSelector(TSelector& selector);
    DocumentSelector& Selector() { return *selector_; }

    // The catalog browser bar on the active planogram's catalog.
    void UpdateCatalogBar() override;
    bool FindCatalogProduct(const std::string& key) override;
    // Places the catalog's current product; while the builder places, its shelves follow the
    // selector's "automatically add shelves". The planogram's automatic shelves are off afterwards.
    bool AddCurrentProduct(int x, int y) override;
    void ToolButton3Click();
    void tbFindKeyPress();

    // What the selector asks of the main window.
    PlanogramDocument* ActiveDocument() const override;
    int PlanogramCount() const override;
    MakerUnits FixtureUnits() const override;
    int ControlBarBottom() const override;
    void ApplyTagMenuToActiveDocument();
    // The entry points other windows call on the active planogram; each does nothing (or answers
    // false or 0) without one.
    int DeleteSelected() override;
    bool AddItemToActiveDocument(const std::string& index, const std::string& picture, int width, int height,
                                 double depth) override;
    void AppendBuilderRow();
    // n counts from 1; outside the list nothing happens.
    void DeleteBuilderRow(int n);
    void ClearBuilderList();
    void RefreshActiveDocument();
    void ClearActiveDocument();
    bool FitItemsToActiveDocument(int mode);
    void ApplyUnitsToChildren();
    void ApplyOptionsToChildren();
    // Fills the builder list from a list of part numbers and builds the display from it.
    void LoadProductList1Click();
    // Shows the current item's product and takes its peg hook depth back.
    void ProductDetails1Click();
    void ShowProductDetails() override { ProductDetails1Click(); }
    // The position read-outs' hints, and the selector's unit label, name the unit `unitsInches` says.
    void ApplyUnitHints();
    void ShowSelectorUnits();
    // The unit `unitsInches` says, wherever one shows: the read-outs' hints, the selector's label and
    // every open planogram.
    void ApplyUnits();
    // The planogram wizard's "Show at program start" box follows the stored choice, so that closing
    // the wizard does not write back what it showed before.
    void ShowWelcomeChoice(bool welcome);

    // The Tools menu's windows (not owned); their commands stay disabled without them.
    void SetOptionsWindow(TOptions& options);
    void SetCatalogWizard(TCatalogWizard& wizard);
    void SetPlanogramWizard(TSUWizard& wizard);
    // Shows the options; the active planogram then takes the unit and the peg alignment.
    void Options1Click();
    void CatalogWizard1Click();
    void PlanogramWizard1Click();
    // The selector's product finding and placing for a builder; nullptr without the selector window.
    BuilderHost* SelectorBuilder();
    // The selector's Builder page takes the most visible height and the ranking a display was built with.
    void ShowBuilderChoices(const std::string& bestHeight, int rankIndex);

    // Each menu's enabling as it opens.
    void FileMenuClick();
    void Edit1Click();
    void Object1Click();
    void mnuCatalogClick();
    void Reports1Click();
    void View1Click();
    void Tags1Click();
    void PlacementBoxes1Click();
    // The fixture tools' long press: the timer pops the drawing tools up.
    void Timer2Timer();
    // Enter in a read-out moves the selection there.
    void lbCurXKeyPress();
    void lbCurYKeyPress();

    // The Catalog Manager the Catalog menu and the selector show (not owned); their commands stay
    // disabled without one.
    void SetCatalogManager(TDForm& catalogManager);
    void CatalogManager1Click();
    void Open2Click();
    void NewDirectDataLink1Click();
    void Edit2Click();
    void EditCatalog(const std::string& catalogFile) override;
    // The picture editor, on the picture of the active planogram's current item when there is one.
    void PictureManager1Click();
    // A new, hidden picture editor belonging to the program.
    std::unique_ptr<CatalogPictureEditor> NewPictureEditor();

    // The document setup dialog the documents show (not owned); New stays disabled without one.
    void SetDocumentSetupDialog(DocumentSetupDialog* dialog);
    // The active MDI child when it is a planogram window.
    Tplandoc* ActivePlanogram() const;

    // The document's main-window interface.
    TFont TagFont() const override;
    TColor TagColor() const override;
    bool UnitsMode() const override { return unitsMode != 0; }
    int DisplayScale() const override { return displayScale; }
    bool UnitsInches() const override { return unitsInches != 0; }
    void SetDisplayScale(int scale) override { displayScale = scale; }
    TagMenuChecks TagChecks() const override;
    Progress& ProgressBar() override;
    bool PrintCancelled() const override { return printCancel != 0; }
    void ClearPrintCancel() override { printCancel = 0; }
    void RequestPrintCancel() override { printCancel = 1; }
    void ShowLoadingNotice() override;
    void CloseLoadingNotice() override;
    bool AutoGroupDown() const override;
    bool ReorderAlarmOn() const override;
    bool PointerToolDown() const override;
    int FixtureDrawingKind() const override;
    void EnableUngroup(bool enabled) override;
    void ShowPlacementBoxes() override;
    void CheckCustomText() override;
    std::optional<TColor> PickTagColor() override;
    void ShowPosition(const std::string& x, const std::string& y) override;
    void DocumentActivated(PlanogramDocument& document) override;
    void DocumentChanged(const PlanogramDocument& document) override;
    bool SaveDocument(PlanogramDocument& document) override;
    void DocumentClosed(PlanogramDocument& document) override;
    // While the planogram wizard builds a display, it connects that display's data link itself.
    bool PlanogramWizardVisible() const override;

    // Opening, saving and printing hold a guard of it while they run.
    LongOperations longOperations;
    bool LongOperationRunning() const { return longOperations.Running(); }

    // Shared fields.
    std::unique_ptr<TStringList> recentFiles;
    std::unique_ptr<PreferencesClass> prefs;
    // Routes the application's help requests to the help window from the first showing on.
    std::unique_ptr<THookHelpSystem> helpHook;
    std::int32_t displayScale = 0;
    std::uint8_t unitsMode = 0;
    std::uint8_t alignToPeg = 0;
    std::uint8_t updatesAvailable = 0;
    std::int32_t activeDocHeight = 0;
    std::uint8_t unitsInches = 0;
    std::uint8_t printCancel = 0;
    bool showHints = true;

    QMdiArea* ClientArea = nullptr;

    // File menu.
    QMenu* FileMenu = nullptr;
    QAction* NewItem = nullptr;
    QAction* OpenItem = nullptr;
    QMenu* OpenRecent1 = nullptr;
    std::array<QAction*, 5> Docs{}; // Doc1 ... Doc5
    QAction* SaveItem = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* LoadProductList1 = nullptr;
    QAction* DocumentSetup1 = nullptr;
    QAction* Export1 = nullptr;
    QAction* MakePDF1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* PrintSetup1 = nullptr;
    QAction* Checkforsoftwareupdates1 = nullptr;
    QAction* Exit1 = nullptr;

    // Edit menu.
    QMenu* Edit1 = nullptr;
    QAction* Undo1 = nullptr;
    QAction* Cut1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Duplicate1 = nullptr;
    QAction* Delete2 = nullptr;
    QAction* CopyAll1 = nullptr;

    // Product menu.
    QMenu* Object1 = nullptr;
    QAction* aAddFixture = nullptr;
    QAction* AddFixture1 = nullptr;
    QAction* SelectNext1 = nullptr;
    QAction* SelectPrevious1 = nullptr;
    QAction* SendtoFront1 = nullptr;
    QAction* SendtoBack1 = nullptr;
    QAction* BringForward1 = nullptr;
    QAction* BringBackward1 = nullptr;
    QMenu* Rotate1 = nullptr;
    QAction* R180 = nullptr;
    QAction* N90CW1 = nullptr;
    QAction* N90CCW1 = nullptr;
    QAction* N01 = nullptr;
    QAction* Arbitrary1 = nullptr;
    QMenu* Flip1 = nullptr;
    QAction* Front1 = nullptr;
    QAction* Side1 = nullptr;
    QAction* Top2 = nullptr;
    QMenu* Align1 = nullptr;
    QAction* Top3 = nullptr;
    QAction* Bottom2 = nullptr;
    QAction* Space1 = nullptr;
    QMenu* AddProductAlignment1 = nullptr;
    QAction* Automatic1 = nullptr;
    QAction* Top1 = nullptr;
    QAction* Bottom1 = nullptr;
    QMenu* WrapDirection1 = nullptr;
    QAction* Automatic2 = nullptr;
    QAction* Up1 = nullptr;
    QAction* Down1 = nullptr;
    QMenu* PegholeAlignment1 = nullptr;
    QAction* On2 = nullptr;
    QAction* Off2 = nullptr;
    QAction* Ungroup1 = nullptr;
    QAction* UngroupAll1 = nullptr;
    QAction* ProductDetails1 = nullptr;
    QAction* Delete1 = nullptr;

    // Catalog menu.
    QMenu* mnuCatalog = nullptr;
    QAction* New2 = nullptr;
    QAction* Open2 = nullptr;
    QAction* Edit2 = nullptr;
    QAction* CatalogManager1 = nullptr;
    QAction* NewDirectDataLink1 = nullptr;
    QAction* PictureManager1 = nullptr;

    // Reports menu.
    QMenu* Reports1 = nullptr;
    QAction* ShowReport1 = nullptr;
    QAction* QuickReports1 = nullptr;

    // View menu.
    QMenu* View1 = nullptr;
    QMenu* Zoom1 = nullptr;
    QAction* N51 = nullptr;
    QAction* N251 = nullptr;
    QAction* N501 = nullptr;
    QAction* N751 = nullptr;
    QAction* N1001 = nullptr;
    QAction* N1251 = nullptr;
    QAction* N1501 = nullptr;
    QAction* N2001 = nullptr;
    QAction* FittoWindow1 = nullptr;
    QAction* ProductPictures1 = nullptr;
    QMenu* PlacementBoxes1 = nullptr;
    QAction* ColorBySize1 = nullptr;
    QAction* ColorByCategory1 = nullptr;
    QAction* ColorByBrand1 = nullptr;
    QAction* AllWhite1 = nullptr;
    QAction* ManualColor1 = nullptr;
    QAction* ClearManualColor1 = nullptr;
    QAction* ClearAllManualColors1 = nullptr;
    QMenu* ProductTransparency1 = nullptr;
    QAction* On1 = nullptr;
    QAction* Off1 = nullptr;
    QMenu* ReorderAlarm1 = nullptr;
    QAction* On3 = nullptr;
    QAction* Off3 = nullptr;
    QAction* CatalogSelector1 = nullptr;
    QMenu* Windows1 = nullptr;
    QAction* Tile1 = nullptr;
    QAction* Cascade1 = nullptr;
    QAction* ArrangeAll1 = nullptr;

    // Tags menu.
    QMenu* Tags1 = nullptr;
    QAction* ItemNumber1 = nullptr;
    QAction* PartNumber1 = nullptr;
    QAction* XYLocation1 = nullptr;
    QAction* StackCount1 = nullptr;
    QAction* CurrentInventory1 = nullptr;
    QAction* UnitsSold1 = nullptr;
    QAction* Category1 = nullptr;
    QAction* Brand1 = nullptr;
    QAction* CustomText1 = nullptr;
    QAction* AllTagsOn1 = nullptr;
    QAction* AllTagsOff1 = nullptr;
    QAction* TagFont1 = nullptr;
    QAction* TagColor1 = nullptr;
    QAction* FlipTag1 = nullptr;
    QAction* EnterCustomText1 = nullptr;

    // Tools and Help menus.
    QMenu* Tools1 = nullptr;
    QAction* Options1 = nullptr;
    QAction* PlanogramWizard1 = nullptr;
    QAction* CatalogWizard1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Help2 = nullptr;
    QAction* About1 = nullptr;

    // The fixture drawing tools, popped up by a long press on `tbFixtures`.
    QMenu* FixtureDrawingTools = nullptr;
    QAction* DrawShelf1 = nullptr;
    QAction* DrawSectionDivider1 = nullptr;
    QAction* DrawPegboard1 = nullptr;
    QAction* DrawTextBox1 = nullptr;
    QAction* DrawSlatboard1 = nullptr;

    // The control bar: the catalog browser's buttons, its current product and the status panel.
    QToolBar* ControlBar1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton10 = nullptr;
    QToolButton* ToolButton9 = nullptr;
    QToolButton* ToolButton4 = nullptr;
    QToolButton* ToolButton7 = nullptr;
    QToolButton* ToolButton3 = nullptr;
    QFrame* pannel1 = nullptr;
    QLineEdit* tbFind = nullptr;
    QFrame* Panel4 = nullptr;
    QFrame* panXY = nullptr;
    QLineEdit* lbCurX = nullptr;
    QLineEdit* lbCurY = nullptr;
    TMainProgressBar* ProgressBar1 = nullptr;

    // The tool bar below it.
    QToolBar* ToolBar2 = nullptr;
    QToolButton* sbNew = nullptr;
    QToolButton* sbOpen = nullptr;
    QToolButton* sbSave = nullptr;
    QToolButton* sbPrint = nullptr;
    QToolButton* sbPaste = nullptr;
    QToolButton* sbCopyAll = nullptr;
    QToolButton* sbZoomIn = nullptr;
    QToolButton* sbZoomOut = nullptr;
    QToolButton* sbExport = nullptr;
    QToolButton* sbMakePDF = nullptr;
    QToolButton* sbAddFixture = nullptr;
    QToolButton* tbPointer = nullptr;
    QToolButton* tbFixtures = nullptr;
    QToolButton* sbAutoGroup = nullptr;
    QToolButton* sbUngroup = nullptr;

    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* UpgradeCheckTrigger = nullptr;
    std::unique_ptr<HttpClient> UpgradeVersionCheck;

    // The dialogs whose current choice the documents take.
    FontChoice TagFontDialog;
    DialogColor TagColorDialog = 0;
    FileDialogOptions OCat;
    FileDialogOptions CDopen;
    FileDialogOptions OD1;
    FileDialogOptions SaveKQF;
    FileDialogOptions ExportDB;
    FileDialogOptions SavePDFDialog1;
    // Kept with the window: what one PDF sets stays for the next.
    std::unique_ptr<TPdfPrinter> pdfExport1;

    // Shows the window; the first time, once it is on the screen, runs FormShow and shows the selector.
    void setVisible(bool visible) override;

signals:
    // The window has closed, with every window holding work agreeing: the program ends with it, also
    // while other windows of its own are still open.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The custom report's spreadsheet objects, kept until the next report or the window goes.
    SpreadsheetReportObjects reportObjects_;

    void CreateControlBar();
    void CreateCatalogBrowser();
    void CreateStatusPanel();
    void CreateToolBar2();
    void CreateTimers();
    void CreateDialogs();
    void CreateExportDialog();
    void CreatePdfExport();
    void ConnectCommands();
    // Without waiting, painted at once, so that the main window stays usable beside it.
    void ShowPlanogramWizardAtStart();
    void LockTransparencyOff();
    void SetTagItems(bool checked);
    // The commands that need a planogram, its items or a copied item, in the menus and on the tool
    // bars alike, follow the active planogram.
    void EnableDocumentCommands(const PlanogramDocument* document);
    void RememberSavedPlanogram(const std::string& path);
    void ConnectDocumentCommands();
    void ConnectBrowserBar();
    void ChooseDrawingTool(QAction* item);
    void ConnectViewCommands();
    void ConnectTagCommands();
    // Runs the command on the active planogram's document, when there is one.
    void OnActive(const std::function<void(PlanogramDocument&)>& command);
    // Checks the view mode's item; true when the active planogram's mode changed (boxes are drawn by
    // the caller's colouring).
    bool SetViewMode(bool placementBoxes);
    void TakeDocumentsMarks(const PlanogramDocument& document);
    void ShowCatalogInSelector(PlanogramDocument& document);
    void ConnectProductCommands();
    void RebuildWindowList();
    void ApplyTypedPosition(bool vertical);
    void Space1Click();
    void UngroupAll1Click();
    // The open planograms and the Catalog Manager, when shown without waiting, are asked about their
    // unsaved work; true when every one agreed to close.
    bool WindowsAgreeToClose(const std::vector<Tplandoc*>& planograms) const;
    bool CatalogManagerAgreesToClose() const;
    std::vector<Tplandoc*> OpenPlanograms() const;

    bool firstShowDone_ = false;
    Didfilefinder fileFinder_;
    CatalogPictureFinder pictureFinder_;
    SelectorGrids selectorGrids_;
    TSelector* selectorWindow_ = nullptr;
    TDForm* catalogManager_ = nullptr;
    TOptions* optionsWindow_ = nullptr;
    TCatalogWizard* catalogWizard_ = nullptr;
    TSUWizard* planogramWizard_ = nullptr;
    DocumentSelector* selector_ = &selectorGrids_;
    std::unique_ptr<PlanogramFiles> files_;
    QPointer<Tplandoc> lastSynced_;
    std::vector<QAction*> windowEntries_;
    OpenFileServer* openFileServer_ = nullptr;
};

extern TMainForm* MainForm;
