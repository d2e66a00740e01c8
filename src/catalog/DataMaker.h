#pragma once

#include "catalog/CatalogManager.h"

#include <QMainWindow>

#include <string>

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QToolBar;
class StringGridView;
class TZYBBrowser;

// The Catalog Manager: a catalog edited as a table, with its menus, tool bar and cell inspector. The
// window only shows; CatalogManager does the work. Callers start a catalog (new, from a file, or the
// active planogram's) and show the window modally.
class TDForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TDForm(CatalogManagerHost& host, QWidget* parent = nullptr);
    ~TDForm() override;

    CatalogManager model;

    // What other windows call.
    bool OpenCatalog(const std::string& path);
    void NewCatalog();
    void AutoFitColumns();
    bool SaveCatalog();

    // The callers' commands, each ending in a modal showing: a new catalog; the catalog in `path`;
    // the catalog of a planogram, whose selector follows each save while it is shown. A window shown
    // without waiting and holding edits first asks to save them, and on Cancel only comes to the front.
    void ShowNewCatalog();
    void ShowCatalogFile(const std::string& path);
    void EditPlanogramCatalog(const std::string& path);
    // Shown without waiting, then File > New > Direct Data Link.
    void ShowNewDirectDataLink();

    // Handlers.
    void File1Click();
    void Edit1Click();
    void Datafieldassignmentoptions1Click();
    // The importer, then the field roles.
    void aImportExcelExecute();
    void CM1Click();
    void Inches1Click();
    bool FormCloseQuery();
    void FormClose();
    // Closes the window without asking again: its close query was answered already.
    void CloseAgreed();
    void aOpenZYBExecute();
    // Keeps the window disabled while it runs: edits, a close or a second export would pull the
    // catalog from under it.
    void SavePicturesToZybFile();
    void GridKeyDown(int key);
    void FormKeyUp(int key);
    void NewDirectDataLink();
    void DBGrid1CellClick(const QModelIndex& cell);

    StringGridView* GridView = nullptr;
    QTableView* DBGrid1 = nullptr; // the table of a data link, in the grid's place
    QToolBar* ControlBar1 = nullptr;
    QWidget* Panel3 = nullptr;
    QComboBox* cbCellSelection = nullptr;
    QLineEdit* edCellContent = nullptr;
    QWidget* PLocationBar = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edLocation = nullptr;
    QPushButton* Button1 = nullptr;

    // The actions that menu items and tool buttons share.
    QAction* aOpen = nullptr;
    QAction* aSave = nullptr;
    QAction* ImportText = nullptr;
    QAction* aImportExcel = nullptr;
    QAction* aFindFirst = nullptr;
    QAction* aFindNext = nullptr;
    QAction* aUnits = nullptr;
    QAction* aChangeUnits = nullptr;
    QAction* aAddRow = nullptr;
    QAction* aAddColumn = nullptr;
    QAction* aGetPicture = nullptr;
    QAction* aEditPic = nullptr;
    QAction* aScan = nullptr;
    QAction* aOpenZYB = nullptr;
    QAction* aSetPCollection = nullptr;
    QAction* aChangeDrive = nullptr;
    QAction* aStripPath = nullptr;

    QMenu* File1 = nullptr;
    QMenu* New1 = nullptr;
    QAction* NewCatalog1 = nullptr;
    QAction* DirectDataLink1 = nullptr;
    QAction* CatalogCapture1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* Export1 = nullptr;
    QAction* Close1 = nullptr;
    QMenu* Edit1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Cut1 = nullptr;
    QAction* Datafieldassignmentoptions1 = nullptr;
    QMenu* Grid1 = nullptr;
    QAction* DeleteRpw1 = nullptr;
    QAction* DeleteColum1 = nullptr;
    QAction* RenameColum1 = nullptr;
    QMenu* Picture1 = nullptr;
    QAction* SaveAllPicturesSingleZYBFile1 = nullptr;

    TZYBBrowser* ZYBBrowser = nullptr; // not owned

    QToolBar* ToolBar1 = nullptr;
    QAction* ToolButton1 = nullptr; // "Import"

    QMenu* PopupMenuUnits = nullptr;
    QAction* CM1 = nullptr;
    QAction* Inches1 = nullptr;
    QAction* convert1 = nullptr;
    QMenu* PopupMenuImport = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Stands for the form's key preview: the keys of the grid, its cell editor and the inspector are
    // seen here before they reach them.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateInspector();
    QWidget* CreateClientArea();
    void ConnectCommands();
    // Runs a model command, then shows what it changed.
    template <typename Command> void Connect(QAction* action, Command command);
    bool StartNewCatalog();
    // The window shows the model's inspector, location, units and commands as they now are.
    void ShowModelState();
    void EnableCommands();
    void PopUpBeside(QMenu& menu, QAction& button);
    bool PreviewKey(QWidget& target, const QKeyEvent& event);

    bool closeAgreed_ = false;
    int commitKeyDown_ = 0; // Enter or Tab, pressed in the grid or the inspector and not yet up
};

// The program's one instance (not owned); null until main makes it.
extern TDForm* DForm;
