#pragma once

#include "app/PreferencesClass.h"
#include "app/SelectorGrids.h"
#include "catalog/CatalogPictureFinder.h"
#include "catalog/Didfilefinder.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSetup.h"
#include "platform/core/StringList.h"
#include "platform/core/UiServices.h"

#include <QMainWindow>

#include <cstdint>
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
class OpenFileServer;
class TMainProgressBar;
class Tplandoc;

// The program's frame: one MDI window holding every planogram window, the menus, the tool bars, the
// catalog browser bar, the status panel and the timers. It keeps no list of documents: each command
// takes the active MDI child. Its fields and components are the program's shared state; other windows
// read and set them through `MainForm`.
//
// A command stays disabled until the window or service it drives exists. The planogram document windows
// reach the frame only through the document's main-window interface, which this class implements.
class TMainForm : public QMainWindow, public DocumentMainWindow {
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
    void PrintSetup1Click();
    void AllTagsOn1Click();
    void AllTagsOff1Click();
    void Timer1Timer();

    // Opening, saving and new planograms. Each returns true when it did what it was asked; none
    // starts while an open, save or print runs.
    bool OpenPlanogram(std::string path);
    bool SavePlanogram(bool askForName);
    // A blank display as the Document Setup dialog describes it, or the template chosen on it,
    // opened untitled.
    bool NewPlanogram();
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
    void CloseLoadingNotice() override;
    void DocumentActivated(PlanogramDocument& document) override;
    bool SaveDocument(PlanogramDocument& document) override;
    void DocumentClosed(PlanogramDocument& document) override;

    // Opening, saving and printing hold one while they run.
    class LongOperation {
    public:
        explicit LongOperation(TMainForm& form);
        ~LongOperation();
        LongOperation(const LongOperation&) = delete;
        LongOperation& operator=(const LongOperation&) = delete;

    private:
        TMainForm& form_;
    };
    bool LongOperationRunning() const { return longOperations_ > 0; }

    // Shared fields.
    std::unique_ptr<TStringList> recentFiles;
    std::uint8_t openMismatchAsk = 0;
    std::uint8_t openUpdateFromCatalog = 0;
    std::unique_ptr<PreferencesClass> prefs;
    std::int32_t displayScale = 0;
    std::uint8_t unitsMode = 0;
    std::uint8_t alignToPeg = 0;
    std::uint8_t updatesAvailable = 0;
    std::int32_t activeDocHeight = 0;
    std::uint8_t unitsInches = 0;
    std::uint8_t printCancel = 0;
    bool showHints = true;

    QMdiArea* ClientArea;

    // File menu.
    QMenu* FileMenu;
    QAction* NewItem;
    QAction* OpenItem;
    QMenu* OpenRecent1;
    QAction* Doc1;
    QAction* Doc2;
    QAction* Doc3;
    QAction* Doc4;
    QAction* Doc5;
    QAction* SaveItem;
    QAction* SaveAs1;
    QAction* LoadProductList1;
    QAction* DocumentSetup1;
    QAction* Export1;
    QAction* MakePDF1;
    QAction* Print1;
    QAction* PrintSetup1;
    QAction* Checkforsoftwareupdates1;
    QAction* Exit1;

    // Edit menu.
    QMenu* Edit1;
    QAction* Undo1;
    QAction* Cut1;
    QAction* Copy1;
    QAction* Paste1;
    QAction* Duplicate1;
    QAction* Delete2;
    QAction* CopyAll1;

    // Product menu.
    QMenu* Object1;
    QAction* aAddFixture;
    QAction* AddFixture1;
    QAction* SelectNext1;
    QAction* SelectPrevious1;
    QAction* SendtoFront1;
    QAction* SendtoBack1;
    QAction* BringForward1;
    QAction* BringBackward1;
    QMenu* Rotate1;
    QAction* R180;
    QAction* N90CW1;
    QAction* N90CCW1;
    QAction* N01;
    QAction* Arbitrary1;
    QMenu* Flip1;
    QAction* Front1;
    QAction* Side1;
    QAction* Top2;
    QMenu* Align1;
    QAction* Top3;
    QAction* Bottom2;
    QAction* Space1;
    QMenu* AddProductAlignment1;
    QAction* Automatic1;
    QAction* Top1;
    QAction* Bottom1;
    QMenu* WrapDirection1;
    QAction* Automatic2;
    QAction* Up1;
    QAction* Down1;
    QMenu* PegholeAlignment1;
    QAction* On2;
    QAction* Off2;
    QAction* Ungroup1;
    QAction* UngroupAll1;
    QAction* ProductDetails1;
    QAction* Delete1;

    // Catalog menu.
    QMenu* mnuCatalog;
    QAction* New2;
    QAction* Open2;
    QAction* Edit2;
    QAction* CatalogManager1;
    QAction* NewDirectDataLink1;
    QAction* PictureManager1;

    // Reports menu.
    QMenu* Reports1;
    QAction* ShowReport1;
    QAction* QuickReports1;

    // View menu.
    QMenu* View1;
    QMenu* Zoom1;
    QAction* N51;
    QAction* N251;
    QAction* N501;
    QAction* N751;
    QAction* N1001;
    QAction* N1251;
    QAction* N1501;
    QAction* N2001;
    QAction* FittoWindow1;
    QAction* ProductPictures1;
    QMenu* PlacementBoxes1;
    QAction* ColorBySize1;
    QAction* ColorByCategory1;
    QAction* ColorByBrand1;
    QAction* AllWhite1;
    QAction* ManualColor1;
    QAction* ClearManualColor1;
    QAction* ClearAllManualColors1;
    QMenu* ProductTransparency1;
    QAction* On1;
    QAction* Off1;
    QMenu* ReorderAlarm1;
    QAction* On3;
    QAction* Off3;
    QAction* CatalogSelector1;
    QMenu* Windows1;
    QAction* Tile1;
    QAction* Cascade1;
    QAction* ArrangeAll1;

    // Tags menu.
    QMenu* Tags1;
    QAction* ItemNumber1;
    QAction* PartNumber1;
    QAction* XYLocation1;
    QAction* StackCount1;
    QAction* CurrentInventory1;
    QAction* UnitsSold1;
    QAction* Category1;
    QAction* Brand1;
    QAction* CustomText1;
    QAction* AllTagsOn1;
    QAction* AllTagsOff1;
    QAction* TagFont1;
    QAction* TagColor1;
    QAction* FlipTag1;
    QAction* EnterCustomText1;

    // Tools and Help menus.
    QMenu* Tools1;
    QAction* Options1;
    QAction* PlanogramWizard1;
    QAction* CatalogWizard1;
    QMenu* Help1;
    QAction* Help2;
    QAction* About1;

    // The fixture drawing tools, popped up by a long press on `tbFixtures`.
    QMenu* FixtureDrawingTools;
    QAction* DrawShelf1;
    QAction* DrawSectionDivider1;
    QAction* DrawPegboard1;
    QAction* DrawTextBox1;
    QAction* DrawSlatboard1;

    // The control bar: the catalog browser's buttons, its current product and the status panel.
    QToolBar* ControlBar1;
    QToolBar* ToolBar1;
    QToolButton* ToolButton1;
    QToolButton* ToolButton2;
    QToolButton* ToolButton10;
    QToolButton* ToolButton9;
    QToolButton* ToolButton4;
    QToolButton* ToolButton7;
    QToolButton* ToolButton3;
    QFrame* pannel1;
    QLineEdit* tbFind;
    QFrame* Panel4;
    QFrame* panXY;
    QLineEdit* lbCurX;
    QLineEdit* lbCurY;
    TMainProgressBar* ProgressBar1;

    // The tool bar below it.
    QToolBar* ToolBar2;
    QToolButton* sbNew;
    QToolButton* sbOpen;
    QToolButton* sbSave;
    QToolButton* sbPrint;
    QToolButton* sbPaste;
    QToolButton* sbCopyAll;
    QToolButton* sbZoomIn;
    QToolButton* sbZoomOut;
    QToolButton* sbExport;
    QToolButton* sbMakePDF;
    QToolButton* sbAddFixture;
    QToolButton* tbPointer;
    QToolButton* tbFixtures;
    QToolButton* sbAutoGroup;
    QToolButton* sbUngroup;

    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* UpgradeCheckTrigger;

    // The dialogs whose current choice the documents take.
    FontChoice TagFontDialog;
    DialogColor TagColorDialog = 0;
    FileDialogOptions OCat;
    FileDialogOptions CDopen;
    FileDialogOptions OD1;
    FileDialogOptions SaveKQF;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateFileMenu();
    void CreateEditMenu();
    void CreateProductMenu();
    void CreateCatalogMenu();
    void CreateReportsMenu();
    void CreateViewMenu();
    void CreateTagsMenu();
    void CreateToolsMenu();
    void CreateHelpMenu();
    void CreateFixtureDrawingTools();
    void CreateControlBar();
    void CreateBrowserControls();
    void CreateCatalogBrowser();
    void CreateStatusPanel();
    void CreateToolBar2();
    void CreateTimers();
    void CreateDialogs();
    void ConnectCommands();
    void ApplyUnitHints();
    void LockTransparencyOff();
    void SetTagItems(bool checked);
    void EnableDocumentCommands(bool enabled);
    Tplandoc* NewPlanogramWindow(QMdiSubWindow*& frame);
    // The work of OpenPlanogram and NewPlanogram once they hold the long operation.
    bool OpenPlanogramFile(const std::string& path);
    bool NewBlankPlanogram(std::string& chosenTemplate);
    void ApplyDocumentSetup(PlanogramDocument& document);
    Tplandoc* WindowOf(const PlanogramDocument& document) const;
    bool OpenInto(Tplandoc& window, QMdiSubWindow& frame, const std::string& path);
    bool SaveWindow(Tplandoc& window, bool askForName);
    bool AskMismatchUpdate();

    bool firstShowDone_ = false;
    int longOperations_ = 0;
    Didfilefinder fileFinder_;
    CatalogPictureFinder pictureFinder_;
    SelectorGrids selector_;
    DocumentSetupDialog* setupDialog_ = nullptr;
    OpenFileServer* openFileServer_ = nullptr;
};

extern TMainForm* MainForm;
