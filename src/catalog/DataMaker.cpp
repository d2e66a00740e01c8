#include "catalog/DataMaker.h"

#include "catalog/DataLinkTableModel.h"
#include "catalog/ExcelImport.h"
#include "catalog/ZYBBrowserCode.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/UiServices.h"
#include "platform/ui/Application.h"
#include "platform/ui/PrintStatus.h"
#include "platform/ui/QtUiServices.h"
#include "platform/ui/StringGridView.h"
#include "platform/ui/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <functional>
#include <memory>
#include <utility>

TDForm* DForm = nullptr;

namespace {

constexpr int FormWidth = 829;
constexpr int FormHeight = 470;

QAction* NewAction(QWidget* form, const char* name, const char* caption, const char* hint = "",
                   const QKeySequence& shortcut = {})
{
    auto* action = new QAction(caption, form);
    action->setObjectName(name);
    if (*hint)
        action->setToolTip(hint);
    action->setShortcut(shortcut);
    return action;
}

// The key as the catalog editor's handlers know it: Enter and Tab by their codes, a typed character
// of the ASCII range by its code, any other key as 0.
int KeyCode(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return CatalogManager::EnterKey;
    case Qt::Key_Tab:
        return CatalogManager::TabKey;
    default:
        break;
    }
    const QString text = event.text();
    return text.size() == 1 && text[0].unicode() < 128 ? text[0].unicode() : 0;
}

void SetTextKeepingCursor(QLineEdit& edit, const QString& shown)
{
    if (edit.text() != shown)
        edit.setText(shown);
}

// The class library's standard edit actions work on the edit control that has the focus.
template <typename Command> void OnFocusedEdit(Command command)
{
    if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget()))
        std::invoke(command, edit);
}

// The export's progress in its status window, which has no Cancel: the export runs to its end with the
// Catalog Manager disabled, while the messages the window processes keep the program painted.
class PrintStatusProgress : public CollectionExportProgress {
public:
    explicit PrintStatusProgress(QWidget& form) : form_(form) {}

    void Start(int records) override
    {
        form_.setEnabled(false);
        status_ = std::make_unique<TPrintStatus>(nullptr, &form_);
        status_->Button1->hide();
        status_->PrintProgress->setRange(0, records);
        status_->PrintProgress->setValue(0);
        status_->show();
        status_->repaint();
    }

    void Processed(const std::string& pictureName) override
    {
        status_->StepIt();
        status_->SetStatus("Processing..." + pictureName);
        QApplication::processEvents();
    }

    void Finish() override
    {
        if (status_) {
            status_->PrintProgress->setValue(0);
            status_->close();
            status_.reset();
        }
        form_.setEnabled(true);
    }

private:
    QWidget& form_;
    std::unique_ptr<TPrintStatus> status_;
};

} // namespace

TDForm::TDForm(CatalogManagerHost& host, QWidget* parent) : QMainWindow(parent, ModalWindowFrame), model(host)
{
    setObjectName("DForm");
    setWindowTitle("Catalog Manager");
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateInspector();
    setCentralWidget(CreateClientArea());
    ConnectCommands();
    model.textWidth = [this](const std::string& text) {
        return GridView->fontMetrics().horizontalAdvance(toShownQString(text));
    };
    model.Grid.OnSelectCell = [this](int col, int row, bool&) {
        model.GridSelectCell(col, row);
        ShowModelState();
    };
    model.Grid.OnSetEditText = [this](int col, int row, const std::string& text) {
        model.GridSetEditText(col, row, text);
        ShowModelState();
    };
    model.Grid.SetEditing(true);
    qApp->installEventFilter(this);
    CentreOnScreen(*this, QSize(FormWidth, FormHeight));
    ShowModelState();
}

TDForm::~TDForm()
{
    qApp->removeEventFilter(this);
    // The views observe the model's grid and data source, which go before the window's widgets would.
    delete GridView;
    delete DBGrid1;
}

void TDForm::CreateActions()
{
    aOpen = NewAction(this, "aOpen", "Open", "Open Catalog", QKeySequence("Ctrl+O"));
    aSave = NewAction(this, "aSave", "Save", "Save Catalog", QKeySequence("Ctrl+S"));
    ImportText = NewAction(this, "ImportText", "Import Text");
    aImportExcel = NewAction(this, "aImportExcel", "Import Excel");
    aFindFirst = NewAction(this, "aFindFirst", "Find First", "", QKeySequence("Ctrl+F"));
    aFindNext = NewAction(this, "aFindNext", "Find Next", "", QKeySequence(Qt::Key_F3));
    aUnits = NewAction(this, "aUnits", "Unit Of Measurements");
    aChangeUnits = NewAction(this, "aChangeUnits", "Change unit of meassurement", "Set or convert unit of measurement");
    aAddRow = NewAction(this, "aAddRow", "Insert Row", "Add Row");
    aAddColumn = NewAction(this, "aAddColumn", "Add Column", "Add Column");
    aGetPicture = NewAction(this, "aGetPicture", "Link Picture", "", QKeySequence("Ctrl+D"));
    aEditPic = NewAction(this, "aEditPic", "Open / Edit Picture");
    aScan = NewAction(this, "aScan", "Scan / Import Picture");
    aOpenZYB = NewAction(this, "aOpenZYB", "Browse ZYB File");
    aSetPCollection = NewAction(this, "aSetPCollection", "Set Photo Collection Location");
    aChangeDrive = NewAction(this, "aChangeDrive", "Change drive letter for links");
    aStripPath = NewAction(this, "aStripPath", "Strip Picture Path");
    Cut1 = NewAction(this, "Cut1", "Cu&t", "", QKeySequence("Ctrl+X"));
    Copy1 = NewAction(this, "Copy1", "&Copy", "", QKeySequence("Ctrl+C"));
    Paste1 = NewAction(this, "Paste1", "&Paste", "", QKeySequence("Ctrl+V"));
    ToolButton1 = NewAction(this, "ToolButton1", "Import", "Import Data");

    PopupMenuUnits = new QMenu(this);
    PopupMenuUnits->setObjectName("PopupMenuUnits");
    CM1 = PopupMenuUnits->addAction("cm");
    CM1->setObjectName("CM1");
    Inches1 = PopupMenuUnits->addAction("inches");
    Inches1->setObjectName("Inches1");
    for (QAction* unit : {CM1, Inches1})
        unit->setCheckable(true);
    PopupMenuUnits->addSeparator();
    convert1 = PopupMenuUnits->addAction("convert");
    convert1->setObjectName("convert1");
    PopupMenuImport = new QMenu(this);
    PopupMenuImport->setObjectName("PopupMenuImport");
    PopupMenuImport->addActions({ImportText, aImportExcel});
}

void TDForm::CreateMenus()
{
    File1 = menuBar()->addMenu("&File");
    New1 = File1->addMenu("New");
    NewCatalog1 = NewAction(this, "NewCatalog1", "Catalog", "", QKeySequence("Ctrl+N"));
    DirectDataLink1 = NewAction(this, "DirectDataLink1", "Direct Data Link");
    CatalogCapture1 = NewAction(this, "CatalogCapture1", "Catalog Capture");
    New1->addActions({NewCatalog1, DirectDataLink1, CatalogCapture1});
    SaveAs1 = NewAction(this, "SaveAs1", "Save &As");
    Export1 = NewAction(this, "Export1", "&Export");
    Close1 = NewAction(this, "Close1", "&Close");
    File1->addActions({aOpen, aSave, SaveAs1, ImportText, aImportExcel, Export1, Close1});

    Edit1 = menuBar()->addMenu("&Edit");
    Datafieldassignmentoptions1 = NewAction(this, "Datafieldassignmentoptions1", "Data field assignment options");
    Edit1->addActions({Copy1, Paste1, Cut1, aFindFirst, aFindNext, aUnits, Datafieldassignmentoptions1});

    Grid1 = menuBar()->addMenu("&Grid");
    DeleteRpw1 = NewAction(this, "DeleteRpw1", "Delete Row");
    DeleteColum1 = NewAction(this, "DeleteColum1", "Delete Last Column");
    RenameColum1 = NewAction(this, "RenameColum1", "&Rename Column");
    Grid1->addActions({aAddRow, aAddColumn, DeleteRpw1, DeleteColum1, RenameColum1});

    Picture1 = menuBar()->addMenu("Picture");
    SaveAllPicturesSingleZYBFile1 =
        NewAction(this, "SaveAllPicturesSingleZYBFile1", "Save All Pictures to a Single ZYB File");
    Picture1->addActions({aGetPicture, aEditPic, aScan, SaveAllPicturesSingleZYBFile1, aOpenZYB, aSetPCollection,
                          aChangeDrive, aStripPath});
}

void TDForm::CreateToolBar()
{
    ToolBar1 = addToolBar("Standard");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->addActions(
        {ToolButton1, aOpen, aSave, Cut1, Copy1, Paste1, aChangeUnits, aAddColumn, aAddRow, aGetPicture});
}

void TDForm::CreateInspector()
{
    ControlBar1 = addToolBar("Cell Inspector");
    ControlBar1->setObjectName("ControlBar1");
    Panel3 = new QWidget(ControlBar1);
    Panel3->setObjectName("Panel3");
    cbCellSelection = new QComboBox(Panel3);
    cbCellSelection->setObjectName("cbCellSelection");
    cbCellSelection->setEditable(true);
    cbCellSelection->setToolTip("Current Cell");
    cbCellSelection->setMinimumContentsLength(24);
    edCellContent = new QLineEdit(Panel3);
    edCellContent->setObjectName("edCellContent");
    edCellContent->setToolTip("Cell Inspector");
    edCellContent->setFrame(false);
    auto* layout = new QHBoxLayout(Panel3);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cbCellSelection);
    layout->addWidget(edCellContent, 1);
    ControlBar1->addWidget(Panel3);
}

QWidget* TDForm::CreateClientArea()
{
    auto* area = new QWidget(this);
    PLocationBar = new QWidget(area);
    PLocationBar->setObjectName("PLocationBar");
    Label1 = new QLabel("Picture collection location:", PLocationBar);
    edLocation = new QLineEdit(PLocationBar);
    edLocation->setObjectName("edLocation");
    edLocation->setToolTip("Picture Collecion Location ");
    Button1 = new QPushButton("&Find", PLocationBar);
    auto* bar = new QHBoxLayout(PLocationBar);
    bar->addWidget(Label1);
    bar->addWidget(edLocation, 1);
    bar->addWidget(Button1);
    PLocationBar->hide();

    GridView = new StringGridView(model.Grid, area);
    GridView->setObjectName("Grid");
    GridView->setSelectionMode(QAbstractItemView::ContiguousSelection);
    // Column 0 holds the record numbers; the roles follow the columns that move.
    GridView->AllowColumnMoving(1, [this](int from, int to) {
        model.MoveColumn(from, to);
        ShowModelState();
    });
    DBGrid1 = new QTableView(area);
    DBGrid1->setObjectName("DBGrid1");
    DBGrid1->setModel(new DataLinkTableModel(*model.DataSource1, DBGrid1));
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->hide();
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PLocationBar);
    layout->addWidget(GridView, 1);
    layout->addWidget(DBGrid1, 1);
    return area;
}

template <typename Command> void TDForm::Connect(QAction* action, Command command)
{
    connect(action, &QAction::triggered, this, ShowingErrors([this, command] {
                command();
                ShowModelState();
            }));
}

void TDForm::ConnectCommands()
{
    CatalogManager& m = model;
    Connect(aOpen, [&m] { m.OpenClick(); });
    Connect(aSave, [&m] { m.SaveCatalog(); });
    Connect(SaveAs1, [&m] { m.SaveAs(); });
    Connect(NewCatalog1, [&m] { m.NewCatalog1Click(); });
    Connect(DirectDataLink1, [this] { NewDirectDataLink(); });
    Connect(ImportText, [&m] { m.ImportText(); });
    Connect(aImportExcel, [this] { aImportExcelExecute(); });
    Connect(Export1, [&m] { m.ExportText(); });
    Connect(aFindFirst, [&m] { m.FindFirst(); });
    Connect(aFindNext, [&m] { m.FindNext(); });
    Connect(aAddRow, [&m] { m.InsertRow(); });
    Connect(aAddColumn, [&m] { m.AddColumn(); });
    Connect(DeleteRpw1, [&m] { m.DeleteRow(); });
    Connect(DeleteColum1, [&m] { m.DeleteLastColumn(); });
    Connect(RenameColum1, [&m] { m.RenameColumn(); });
    Connect(convert1, [&m] { m.ConvertUnits(); });
    Connect(CM1, [this] { CM1Click(); });
    Connect(Inches1, [this] { Inches1Click(); });
    Connect(Datafieldassignmentoptions1, [this] { Datafieldassignmentoptions1Click(); });
    Connect(Cut1, [] { OnFocusedEdit(&QLineEdit::cut); });
    Connect(Copy1, [] { OnFocusedEdit(&QLineEdit::copy); });
    Connect(Paste1, [] { OnFocusedEdit(&QLineEdit::paste); });
    Connect(ToolButton1, [this] { PopUpBeside(*PopupMenuImport, *ToolButton1); });
    Connect(aChangeUnits, [this] { PopUpBeside(*PopupMenuUnits, *aChangeUnits); });
    Connect(aUnits, [this] { PopUpBeside(*PopupMenuUnits, *aChangeUnits); });
    Connect(aGetPicture, [&m] { m.LinkPicture(); });
    Connect(aEditPic, [&m] { m.EditPicture(); });
    Connect(aScan, [&m] { m.ScanPicture(); });
    Connect(CatalogCapture1, [&m] { m.CatalogCapture(); });
    Connect(SaveAllPicturesSingleZYBFile1, [this] { SavePicturesToZybFile(); });
    Connect(aOpenZYB, [this] { aOpenZYBExecute(); });
    Connect(aSetPCollection, [&m] { m.SetPhotoCollectionLocation(); });
    Connect(aChangeDrive, [&m] { m.ChangeDriveLetter(); });
    Connect(aStripPath, [&m] { m.StripPicturePath(); });
    connect(Button1, &QPushButton::clicked, this, ShowingErrors([this] {
                model.FindLocation();
                ShowModelState();
            }));
    // The selected cell is the current one however it was reached: by a click or by the keys.
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            ShowingErrors([this](const QModelIndex& cell, const QModelIndex&) { DBGrid1CellClick(cell); }));
    connect(Close1, &QAction::triggered, this, &QWidget::close);
    connect(File1, &QMenu::aboutToShow, this, ShowingErrors(this, &TDForm::File1Click));
    connect(Edit1, &QMenu::aboutToShow, this, ShowingErrors(this, &TDForm::Edit1Click));
    connect(PopupMenuUnits, &QMenu::aboutToShow, this, ShowingErrors(this, &TDForm::ShowModelState));
    connect(edCellContent, &QLineEdit::textEdited, this, ShowingErrors([this](const QString& text) {
                model.EditCellContent(fromQString(text));
                ShowModelState();
            }));
    connect(edLocation, &QLineEdit::textEdited, this, ShowingErrors([this](const QString& text) {
                model.EditLocation(StoredPath(PathFromQString(text)));
                ShowModelState();
            }));
}

bool TDForm::OpenCatalog(const std::string& path)
{
    const bool opened = model.OpenCatalog(path);
    ShowModelState();
    return opened;
}

void TDForm::NewCatalog()
{
    model.NewCatalog();
    ShowModelState();
}

void TDForm::AutoFitColumns() { model.AutoFitColumns(); }

bool TDForm::SaveCatalog()
{
    const bool saved = model.SaveCatalog();
    ShowModelState();
    return saved;
}

bool TDForm::StartNewCatalog()
{
    // Shown without waiting, the window may hold edits that a new catalog would throw away.
    const bool started = model.NewCatalog1Click();
    ShowModelState();
    if (!started) {
        raise();
        activateWindow();
    }
    return started;
}

void TDForm::ShowNewCatalog()
{
    if (StartNewCatalog())
        Ui().ShowModal(*this);
}

void TDForm::ShowCatalogFile(const std::string& path)
{
    if (!StartNewCatalog())
        return;
    OpenCatalog(path);
    Ui().ShowModal(*this);
}

void TDForm::EditPlanogramCatalog(const std::string& path)
{
    if (!StartNewCatalog())
        return;
    model.refreshSelectorOnSave = true;
    OpenCatalog(path);
    Ui().ShowModal(*this);
    model.refreshSelectorOnSave = false;
}

void TDForm::ShowNewDirectDataLink()
{
    show();
    raise();
    activateWindow();
    NewDirectDataLink();
}

void TDForm::NewDirectDataLink()
{
    model.NewDirectDataLink();
    ShowModelState();
}

void TDForm::DBGrid1CellClick(const QModelIndex& cell)
{
    model.DBGrid1CellClick(cell.column(), cell.row() + 1);
    ShowModelState();
}

void TDForm::ShowModelState()
{
    // The inspector shows the start of a long value, which typing there would cut: it is edited in
    // the grid's own editor then, which takes it whole.
    edCellContent->setReadOnly(!ShownWhole(model.cellContent));
    SetTextKeepingCursor(*edCellContent, toShownQString(model.cellContent));
    // The location is a path, shown and typed as the system names it.
    SetTextKeepingCursor(*edLocation, PathToQString(StoredPathName(model.location)));
    cbCellSelection->setEditText(toShownQString(model.cellSelection));
    PLocationBar->setVisible(model.locationBarShown);
    GridView->setVisible(model.gridShown);
    DBGrid1->setVisible(model.DataLinkShown());
    CM1->setChecked(model.Centimetres());
    Inches1->setChecked(!model.Centimetres());
    EnableCommands();
}

void TDForm::EnableCommands()
{
    const bool catalog = model.catalog != nullptr;
    const bool gridCommands = model.GridCommandsEnabled();
    for (QAction* command : {aSave, SaveAs1})
        command->setEnabled(catalog);
    Export1->setEnabled(catalog && gridCommands);
    for (QAction* command : {aAddColumn, aAddRow, ImportText, Grid1->menuAction()})
        command->setEnabled(gridCommands);
    aFindNext->setEnabled(!model.findText.empty());
    aImportExcel->setEnabled(gridCommands && ExcelImporter != nullptr);
    Datafieldassignmentoptions1->setEnabled(model.catalogOptions != nullptr);
}

void TDForm::File1Click() { EnableCommands(); }

void TDForm::Edit1Click() { EnableCommands(); }

void TDForm::PopUpBeside(QMenu& menu, QAction& button)
{
    const QWidget* shown = ToolBar1->widgetForAction(&button);
    menu.popup(shown ? shown->mapToGlobal(QPoint(0, shown->height())) : QCursor::pos());
}

void TDForm::Datafieldassignmentoptions1Click()
{
    if (!model.catalogOptions)
        return;
    if (const std::optional<RoleEntries> entries = model.catalogOptions->Show(false))
        model.ApplyFieldAssignment(*entries);
}

void TDForm::aImportExcelExecute()
{
    Ui().ShowModal(*ExcelImporter);
    Datafieldassignmentoptions1Click();
}

void TDForm::CM1Click() { model.SetCentimetres(true); }

void TDForm::Inches1Click() { model.SetCentimetres(false); }

void TDForm::aOpenZYBExecute()
{
    if (!ZYBBrowser)
        return;
    ZYBBrowser->SetCollectionPath(model.BrowsedCollection());
    Ui().ShowModal(*ZYBBrowser);
}

void TDForm::SavePicturesToZybFile()
{
    PrintStatusProgress progress(*this);
    model.SavePicturesToZybFile(progress);
}

bool TDForm::FormCloseQuery() { return model.FormCloseQuery(); }

void TDForm::FormClose()
{
    model.FormClose();
    ShowModelState();
}

void TDForm::CloseAgreed()
{
    closeAgreed_ = true;
    close();
}

void TDForm::closeEvent(QCloseEvent* event)
{
    // Disabled, the window is exporting its catalog's pictures, which must not go from under it.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    bool closing = false;
    ShowingExceptions([&] {
        closing = std::exchange(closeAgreed_, false) || FormCloseQuery();
        if (closing)
            FormClose();
        return true;
    });
    if (closing)
        event->accept();
    else
        event->ignore();
}

void TDForm::GridKeyDown(int key)
{
    model.GridKeyDown(key);
    ShowModelState();
}

void TDForm::FormKeyUp(int key)
{
    model.FormKeyUp(key);
    ShowModelState();
}

bool TDForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || target->window() != this)
        return false;
    return PreviewKey(*target, static_cast<const QKeyEvent&>(*event));
}

bool TDForm::PreviewKey(QWidget& target, const QKeyEvent& event)
{
    const bool inGrid = &target == GridView || GridView->isAncestorOf(&target);
    if (!inGrid && &target != edCellContent)
        return false;
    const int key = KeyCode(event);
    const bool commits = key == CatalogManager::EnterKey || key == CatalogManager::TabKey;
    if (event.type() == QEvent::KeyPress) {
        if (inGrid)
            GridKeyDown(key);
        // Enter and Tab do their work when they come up; the grid's own moves would add to it.
        if (commits)
            commitKeyDown_ = key;
        return commits;
    }
    // The Enter that closed a dialog comes up here too, but was pressed there.
    if (commits && !event.isAutoRepeat() && commitKeyDown_ == key) {
        commitKeyDown_ = 0;
        FormKeyUp(key);
    }
    return commits;
}
