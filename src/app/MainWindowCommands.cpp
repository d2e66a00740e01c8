// The main window's commands on the active planogram, the enabling of its menus as they open, and its
// synchronisation with the planogram that becomes active.
#include "app/MainProgressBar.h"
#include "app/MenuEnabling.h"
#include "app/SDIMain.h"
#include "app/UpdatesCode.h"
#include "catalog/Didbase.h"
#include "planogram/DocumentSelector.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/SelectorCode.h"
#include "planogram/plandocCode.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/Application.h"
#include "platform/ui/StringGrid.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <array>

namespace {

constexpr std::string_view UngroupAllQuestion = "Are you sure you want to ungroup all items in your planogram";
constexpr double ZoomStep = 0.1;

void Enable(std::initializer_list<std::pair<QAction*, bool>> items)
{
    for (const auto& [action, enabled] : items)
        action->setEnabled(enabled);
}

} // namespace

PlanogramDocument* TMainForm::ActiveDocument() const
{
    Tplandoc* window = ActivePlanogram();
    return window ? &window->Document() : nullptr;
}

void TMainForm::OnActive(const std::function<void(PlanogramDocument&)>& command)
{
    if (PlanogramDocument* document = ActiveDocument())
        command(*document);
}

// Synchronisation

void TMainForm::SyncToActiveDocument(bool force, bool reset)
{
    if (reset) {
        lastSynced_ = nullptr;
        return;
    }
    Tplandoc* window = ActivePlanogram();
    if (!window || (!force && window == lastSynced_))
        return;
    lastSynced_ = window;
    PlanogramDocument& document = window->Document();
    activeDocHeight = document.displayHeight;
    EnableDocumentCommands(&document);
    if (!document.catalog)
        return;
    TakeDocumentsMarks(document);
    ShowCatalogInSelector(document);
    const didBase& catalog = *document.catalog;
    tbFind->setText(toShownQString(catalog.partNumber) + "  " + toShownQString(catalog.description));
    document.unitsInches = unitsInches != 0;
    document.renderer.DrawRulers();
    document.services.view.ZoomChanged();
    document.renderer.RefreshLayoutThumbnail();
}

void TMainForm::TakeDocumentsMarks(const PlanogramDocument& document)
{
    const GraphicsManager& graphics = document.graphics;
    ItemNumber1->setChecked(graphics.tagItemNr);
    PartNumber1->setChecked(graphics.tagPartNr);
    XYLocation1->setChecked(graphics.tagXY);
    StackCount1->setChecked(graphics.tagStack);
    CurrentInventory1->setChecked(graphics.tagInventory);
    UnitsSold1->setChecked(graphics.tagUnitsSold);
    Category1->setChecked(graphics.tagCategory);
    Brand1->setChecked(graphics.tagBrand);
    CustomText1->setChecked(graphics.tagCustom);
    (graphics.viewMode ? PlacementBoxes1->menuAction() : ProductPictures1)->setChecked(true);
    (graphics.transparencySetting ? On1 : Off1)->setChecked(true);
    // The placement settings are the document's own, not those last chosen in another window.
    (document.addAlign == 2 ? Top1 : document.addAlign == 1 ? Bottom1 : Automatic1)->setChecked(true);
    (document.wrapDirection == 2 ? Up1 : document.wrapDirection == 1 ? Down1 : Automatic2)->setChecked(true);
}

void TMainForm::ShowCatalogInSelector(PlanogramDocument& document)
{
    DocumentSelector& selector = document.services.selector;
    didBase& catalog = *document.catalog;
    catalog.LoadIntoGrid(selector.GridP());
    SelectorCatalog taken;
    taken.catalog = &catalog;
    taken.file = catalog.fileName;
    taken.units = catalog.units;
    for (size_t role = 0; role < taken.roleColumns.size(); ++role)
        taken.roleColumns[role] = catalog.ColumnOf(static_cast<CatalogFieldRole>(role));
    taken.pictureFolder = catalog.photoCollection;
    selector.TakeCatalog(taken);
    selector.GridA().SetRowCount(2);
    for (int column = 0; column < selector.GridA().ColCount(); ++column)
        selector.GridA().SetCells(column, 1, "");
    document.FillBuilderGrid();
    document.FillLayoutGrid();
}

void TMainForm::ApplyTagMenuToActiveDocument()
{
    OnActive([this](PlanogramDocument& document) {
        document.TakeMenuChecks(TagChecks());
        document.modified = true;
    });
}

// The selector and the catalog browser bar

void TMainForm::SetSelector(TSelector& selector)
{
    selector_ = &selector;
    selectorWindow_ = &selector;
    // Floated hidden: the main window shows it once it is mapped itself.
    selector.hide();
    addDockWidget(Qt::TopDockWidgetArea, &selector);
    selector.setFloating(true);
    CatalogSelector1->setEnabled(true);
    connect(CatalogSelector1, &QAction::triggered, this, ShowingErrors([this] { selectorWindow_->Show(); }));
    selector.sbOpenDataFile->setEnabled(catalogManager_ != nullptr);
    aAddFixture->setEnabled(true);
    for (QAction* addFixture : {aAddFixture, AddFixture1})
        connect(addFixture, &QAction::triggered, &selector, ShowingErrors(&selector, &TSelector::bAddNewFixtureClick));
    // Drawing fixtures takes the selector's fixture settings.
    tbFixtures->defaultAction()->setEnabled(true);
    connect(tbFixtures->defaultAction(), &QAction::triggered, this, ShowingErrors([this] {
                const int kind = FixtureDrawingKind();
                selectorWindow_->cbFixtureType->setCurrentIndex(kind);
            }));
    for (QAction* item : {DrawShelf1, DrawSectionDivider1, DrawPegboard1, DrawTextBox1, DrawSlatboard1})
        connect(item, &QAction::triggered, this, ShowingErrors([this, item] { ChooseDrawingTool(item); }));
}

void TMainForm::ChooseDrawingTool(QAction* item)
{
    item->setChecked(true);
    selectorWindow_->cbFixtureType->setCurrentIndex(FixtureDrawingKind());
    tbFixtures->defaultAction()->setChecked(true);
}

int TMainForm::PlanogramCount() const
{
    int count = 0;
    for (QMdiSubWindow* frame : ClientArea->subWindowList())
        count += qobject_cast<Tplandoc*>(frame->widget()) != nullptr;
    return count;
}

MakerUnits TMainForm::FixtureUnits() const { return MakerUnits{unitsInches != 0, displayScale, unitsMode != 0}; }

int TMainForm::ControlBarBottom() const { return ControlBar1->geometry().bottom() + 1; }

void TMainForm::UpdateCatalogBar()
{
    OnActive([this](PlanogramDocument& d) {
        if (d.catalog)
            tbFind->setText(toShownQString(d.catalog->partNumber) + "   " + toShownQString(d.catalog->description));
    });
}

bool TMainForm::FindCatalogProduct(const std::string& key)
{
    PlanogramDocument* document = ActiveDocument();
    if (!document || !document->catalog || !document->catalog->FindByKey(key))
        return false;
    UpdateCatalogBar();
    return true;
}

bool TMainForm::AddCurrentProduct(int x, int y)
{
    PlanogramDocument* document = ActiveDocument();
    if (!document)
        return false;
    // Automatic shelves belong to this one placement, also when it fails with an exception.
    struct ShelvesForThisCall {
        bool& flag;
        ~ShelvesForThisCall() { flag = false; }
    } scope{document->autoAddShelves};
    if (selector_->Building())
        document->autoAddShelves = selector_->AutoAddShelves();
    return document->AddCatalogItem(x, y);
}

void TMainForm::ToolButton3Click()
{
    if (!ActiveDocument())
        return;
    const std::string key = ModelTextInputBox("Find", "Enter Part Number To Find", "");
    if (key.empty())
        return;
    if (!FindCatalogProduct(key))
        ShowMessage("Could Not Find Item");
}

void TMainForm::tbFindKeyPress() { FindCatalogProduct(fromQString(tbFind->text())); }

void TMainForm::ConnectBrowserBar()
{
    const auto move = [this](QToolButton* button, bool (didBase::*step)()) {
        connect(button->defaultAction(), &QAction::triggered, this, ShowingErrors([this, step] {
                    OnActive([this, step](PlanogramDocument& d) {
                        if (d.catalog && ((*d.catalog).*step)())
                            UpdateCatalogBar();
                    });
                }));
    };
    move(ToolButton1, &didBase::First);
    move(ToolButton2, &didBase::Prior);
    move(ToolButton4, &didBase::Next);
    move(ToolButton7, &didBase::Last);
    connect(ToolButton9->defaultAction(), &QAction::triggered, this,
            ShowingErrors([this] { AddCurrentProduct(0, 0); }));
    connect(ToolButton3->defaultAction(), &QAction::triggered, this, ShowingErrors(this, &TMainForm::ToolButton3Click));
    connect(tbFind, &QLineEdit::returnPressed, this, ShowingErrors(this, &TMainForm::tbFindKeyPress));
}

// Entry points

int TMainForm::DeleteSelected()
{
    PlanogramDocument* document = ActiveDocument();
    return document ? document->DeleteSelected() : 0;
}

bool TMainForm::AddItemToActiveDocument(const std::string& index, const std::string& picture, int width, int height,
                                        double depth)
{
    PlanogramDocument* document = ActiveDocument();
    return document && document->AddItem(index, picture, 10, 10, width, height, depth);
}

void TMainForm::AppendBuilderRow()
{
    OnActive([](PlanogramDocument& document) {
        TStringGrid& grid = document.services.selector.GridB();
        // The row before the last, the one just typed; a grid without it has nothing to append.
        if (grid.RowCount() < 2)
            return;
        const int row = grid.RowCount() - 2;
        std::vector<BuilderEntry> list = document.builderList;
        list.push_back(BuilderEntry{grid.Cells(0, row), grid.Cells(1, row), grid.Cells(2, row)});
        document.SetBuilderList(std::move(list));
    });
}

void TMainForm::DeleteBuilderRow(int n)
{
    OnActive([n](PlanogramDocument& document) {
        if (n < 1 || n > static_cast<int>(document.builderList.size()))
            return;
        std::vector<BuilderEntry> list = document.builderList;
        list.erase(list.begin() + (n - 1));
        document.SetBuilderList(std::move(list));
    });
}

void TMainForm::ClearBuilderList()
{
    OnActive([](PlanogramDocument& document) { document.SetBuilderList({}); });
}

void TMainForm::RefreshActiveDocument()
{
    OnActive([](PlanogramDocument& document) { document.services.view.WallChanged(); });
}

void TMainForm::ClearActiveDocument()
{
    OnActive([](PlanogramDocument& document) { document.ClearAll(); });
}

bool TMainForm::FitItemsToActiveDocument(int mode)
{
    PlanogramDocument* document = ActiveDocument();
    return !document || document->FitItemsToDisplay(mode);
}

void TMainForm::ApplyUnitsToChildren()
{
    for (QMdiSubWindow* frame : ClientArea->subWindowList())
        if (auto* window = qobject_cast<Tplandoc*>(frame->widget())) {
            window->Document().unitsInches = unitsInches != 0;
            window->Document().renderer.DrawRulers();
            window->Document().services.view.ZoomChanged();
        }
}

void TMainForm::ApplyOptionsToChildren()
{
    const SettingsStore settings;
    const bool stamp = settings.ReadBool("Options", "ShowDateTimeStamp", true);
    const bool loading = settings.ReadBool("Options", "ShowDataLoadingDialog", true);
    for (QMdiSubWindow* frame : ClientArea->subWindowList())
        if (auto* window = qobject_cast<Tplandoc*>(frame->widget())) {
            window->Document().showDateTimeStamp = stamp;
            window->Document().showDataLoadingDialog = loading;
        }
}

// Menus as they open

void TMainForm::EnableDocumentCommands(const PlanogramDocument* document)
{
    const DocumentState state = StateOf(document);
    const FileEnabling file = FileMenuEnabling(state);
    const EditEnabling edit = EditMenuEnabling(state);
    Enable({{LoadProductList1, file.loadProductList && selectorWindow_},
            {DocumentSetup1, file.documentSetup},
            {SaveItem, file.save},
            {SaveAs1, file.saveAs},
            {Export1, file.exportFile},
            {MakePDF1, file.makePdf},
            {Print1, file.print},
            {Paste1, edit.paste},
            {CopyAll1, edit.copyWall},
            {QuickReports1, state.planogram},
            {sbZoomIn->defaultAction(), state.planogram},
            {sbZoomOut->defaultAction(), state.planogram}});
    for (QToolButton* button : {ToolButton1, ToolButton2, ToolButton9, ToolButton4, ToolButton7, ToolButton3})
        button->defaultAction()->setEnabled(state.planogram);
}

void TMainForm::FileMenuClick()
{
    EnableDocumentCommands(ActiveDocument());
    Checkforsoftwareupdates1->setText(updatesAvailable ? "New Updates Available" : "Check For Kestrame Update");
    Checkforsoftwareupdates1->setEnabled(frmUpdates != nullptr);
}

void TMainForm::Edit1Click()
{
    EnableDocumentCommands(ActiveDocument());
    const EditEnabling enabling = EditMenuEnabling(StateOf(ActiveDocument()));
    Enable({{Cut1, enabling.cut},
            {Copy1, enabling.copy},
            {Delete2, enabling.deleteItem},
            {Duplicate1, enabling.duplicate},
            {Undo1, enabling.undo}});
}

void TMainForm::Object1Click()
{
    const ProductEnabling enabling = ProductMenuEnabling(StateOf(ActiveDocument()));
    Enable({{AddFixture1, enabling.addFixture && selectorWindow_},
            {SelectNext1, enabling.selectNext},
            {SelectPrevious1, enabling.selectPrevious},
            {UngroupAll1, enabling.ungroupAll},
            {Flip1->menuAction(), enabling.flip},
            {Delete1, enabling.deleteItem},
            {SendtoFront1, enabling.sendToFront},
            {SendtoBack1, enabling.sendToBack},
            {BringForward1, enabling.bringForward},
            {BringBackward1, enabling.bringBackward},
            {Rotate1->menuAction(), enabling.rotate},
            {Align1->menuAction(), enabling.align},
            {Space1, enabling.space},
            {Ungroup1, enabling.ungroup},
            {ProductDetails1, enabling.productDetails},
            {AddProductAlignment1->menuAction(), enabling.addFixture},
            {WrapDirection1->menuAction(), enabling.addFixture}});
    for (QMenu* menu : {Rotate1, Flip1, Align1, AddProductAlignment1, WrapDirection1})
        for (QAction* item : menu->actions())
            item->setEnabled(menu->menuAction()->isEnabled());
}

void TMainForm::mnuCatalogClick() { Edit2->setEnabled(catalogManager_ && ActiveDocument()); }

void TMainForm::Reports1Click()
{
    const bool planogram = ActiveDocument() != nullptr;
    ShowReport1->setEnabled(planogram);
    QuickReports1->setEnabled(planogram);
}

void TMainForm::View1Click()
{
    const DocumentState state = StateOf(ActiveDocument());
    Zoom1->menuAction()->setEnabled(state.planogram);
    Windows1->menuAction()->setEnabled(state.planogram);
    CatalogSelector1->setEnabled(selectorWindow_ && state.items);
    if (!state.items)
        ShowReport1->setEnabled(false);
    for (QAction* zoom : Zoom1->actions())
        zoom->setEnabled(state.planogram);
    for (QAction* command : {Tile1, Cascade1, ArrangeAll1})
        command->setEnabled(state.planogram);
    PlacementBoxes1->menuAction()->setEnabled(true);
    ProductPictures1->setEnabled(true);
    RebuildWindowList();
}

void TMainForm::Tags1Click()
{
    const DocumentState state = StateOf(ActiveDocument());
    Enable({{EnterCustomText1, state.current},
            {TagFont1, state.planogram},
            {TagColor1, state.planogram},
            {FlipTag1, state.current}});
}

void TMainForm::PlacementBoxes1Click()
{
    const DocumentState state = StateOf(ActiveDocument());
    Enable({{ColorBySize1, state.planogram},
            {ColorByCategory1, state.planogram},
            {ColorByBrand1, state.planogram},
            {AllWhite1, state.planogram},
            {ManualColor1, state.current},
            {ClearManualColor1, state.manualColor},
            {ClearAllManualColors1, state.planogram}});
}

void TMainForm::RebuildWindowList()
{
    for (QAction* entry : windowEntries_) {
        View1->removeAction(entry);
        delete entry;
    }
    windowEntries_.clear();
    const QList<QMdiSubWindow*> frames = ClientArea->subWindowList(QMdiArea::StackingOrder);
    std::vector<std::string> captions;
    int active = -1;
    // A planogram window's caption is its file's name, which Windows-1252 may not hold.
    for (int i = 0; i < frames.size(); ++i) {
        captions.push_back(PathFromQString(frames[i]->windowTitle()));
        if (frames[i] == ClientArea->currentSubWindow())
            active = i;
    }
    for (const WindowEntry& entry : WindowEntries(captions, active)) {
        QAction* action = View1->addAction(PathToQString(entry.caption));
        action->setCheckable(true);
        action->setChecked(entry.checked);
        QMdiSubWindow* frame = frames[entry.child];
        connect(action, &QAction::triggered, this, ShowingErrors([this, frame] {
                    if (ClientArea->subWindowList().contains(frame))
                        ClientArea->setActiveSubWindow(frame);
                }));
        windowEntries_.push_back(action);
    }
}

// Commands

void TMainForm::ConnectDocumentCommands()
{
    const auto on = [this](QAction* action, std::function<void(PlanogramDocument&)> command) {
        connect(action, &QAction::triggered, this, ShowingErrors([this, command] { OnActive(command); }));
    };
    on(Undo1, [](PlanogramDocument& d) { d.UndoLastEdit(); });
    on(Cut1, [](PlanogramDocument& d) { d.Cut(); });
    on(Copy1, [](PlanogramDocument& d) { d.CopyCurrent(); });
    on(Paste1, [](PlanogramDocument& d) { d.Paste(); });
    on(Duplicate1, [](PlanogramDocument& d) { d.Duplicate(); });
    on(Delete2, [](PlanogramDocument& d) { d.DeleteSelected(); });
    on(Delete1, [](PlanogramDocument& d) { d.DeleteSelected(); });
    connect(CopyAll1, &QAction::triggered, this, ShowingErrors([this] {
                OnActive([](PlanogramDocument& d) {
                    QGuiApplication::clipboard()->setImage(d.backBitmap.ImageView().copy());
                });
            }));
    on(SelectNext1, [](PlanogramDocument& d) { d.SelectNeighbour(true); });
    on(SelectPrevious1, [](PlanogramDocument& d) { d.SelectNeighbour(false); });
    on(SendtoFront1, [](PlanogramDocument& d) { d.SendCurrentToFront(); });
    on(SendtoBack1, [](PlanogramDocument& d) { d.SendCurrentToBack(); });
    on(BringForward1, [](PlanogramDocument& d) {
        if (d.items->current) {
            d.items->MoveForward();
            d.renderer.RedrawRect();
            d.modified = true;
        }
    });
    on(BringBackward1, [](PlanogramDocument& d) {
        if (d.items->current) {
            d.items->MoveBackward();
            d.renderer.RedrawRect();
            d.modified = true;
        }
    });
    const std::pair<QAction*, const char*> rotations[] = {
        {R180, "180"}, {N90CW1, "270"}, {N90CCW1, "90"}, {N01, "0"}, {Arbitrary1, ""}};
    for (const auto& [action, angle] : rotations)
        on(action, [angle = std::string(angle)](PlanogramDocument& d) { d.RotateCurrent(angle); });
    const std::pair<QAction*, int> views[] = {{Front1, 0}, {Side1, 1}, {Top2, 2}};
    for (const auto& [action, view] : views)
        on(action, [view = view](PlanogramDocument& d) {
            if (d.items->current)
                d.FlipView(view, *d.items->current);
        });
    on(Top3, [](PlanogramDocument& d) {
        if (d.items->current)
            d.AlignGroup(*d.items->current, 1);
    });
    on(Bottom2, [](PlanogramDocument& d) {
        if (d.items->current)
            d.AlignGroup(*d.items->current, 0);
    });
    connect(Space1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::Space1Click));
    const std::pair<QAction*, int> alignments[] = {{Automatic1, 0}, {Top1, 2}, {Bottom1, 1}};
    for (const auto& [action, align] : alignments)
        on(action, [align = align](PlanogramDocument& d) { d.SetPlacementSettings(align, d.wrapDirection); });
    const std::pair<QAction*, int> wraps[] = {{Automatic2, 0}, {Up1, 2}, {Down1, 1}};
    for (const auto& [action, wrap] : wraps)
        on(action, [wrap = wrap](PlanogramDocument& d) { d.SetPlacementSettings(d.addAlign, wrap); });
    const auto ungroup = [this] {
        OnActive([](PlanogramDocument& d) {
            d.Ungroup();
            d.undo.Discard();
        });
        sbUngroup->setEnabled(false);
    };
    connect(Ungroup1, &QAction::triggered, this, ShowingErrors(ungroup));
    connect(UngroupAll1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::UngroupAll1Click));
    connect(On3, &QAction::triggered, this,
            ShowingErrors([this] { OnActive([](PlanogramDocument& d) { d.InventoryAlarmOn(); }); }));
    connect(Off3, &QAction::triggered, this,
            ShowingErrors([this] { OnActive([](PlanogramDocument& d) { d.InventoryAlarmOff(); }); }));
    connect(Tile1, &QAction::triggered, ClientArea, &QMdiArea::tileSubWindows);
    connect(Cascade1, &QAction::triggered, ClientArea, &QMdiArea::cascadeSubWindows);
    connect(ArrangeAll1, &QAction::triggered, this, ShowingErrors([this] {
                // The minimised windows in a row along the bottom.
                int x = 0;
                for (QMdiSubWindow* frame : ClientArea->subWindowList())
                    if (frame->isMinimized()) {
                        frame->move(x, ClientArea->viewport()->height() - frame->height());
                        x += frame->width();
                    }
            }));
    connect(lbCurX, &QLineEdit::returnPressed, this, ShowingErrors(this, &TMainForm::lbCurXKeyPress));
    connect(lbCurY, &QLineEdit::returnPressed, this, ShowingErrors(this, &TMainForm::lbCurYKeyPress));
    connect(Timer2, &QTimer::timeout, this, ShowingErrors(this, &TMainForm::Timer2Timer));
    connect(tbFixtures, &QToolButton::pressed, Timer2, qOverload<>(&QTimer::start));
    connect(tbFixtures, &QToolButton::released, Timer2, &QTimer::stop);
    ConnectViewCommands();
    ConnectTagCommands();
    ConnectBrowserBar();
    const std::pair<QMenu*, void (TMainForm::*)()> menus[] = {
        {FileMenu, &TMainForm::FileMenuClick}, {Edit1, &TMainForm::Edit1Click},
        {Object1, &TMainForm::Object1Click},   {mnuCatalog, &TMainForm::mnuCatalogClick},
        {Reports1, &TMainForm::Reports1Click}, {View1, &TMainForm::View1Click},
        {Tags1, &TMainForm::Tags1Click},       {PlacementBoxes1, &TMainForm::PlacementBoxes1Click}};
    for (const auto& [menu, handler] : menus)
        connect(menu, &QMenu::aboutToShow, this, ShowingErrors(this, handler));
}

void TMainForm::ConnectViewCommands()
{
    const std::pair<QAction*, double> zooms[] = {{N51, 0.05},  {N251, 0.25},  {N501, 0.5},  {N751, 0.75},
                                                 {N1001, 1.0}, {N1251, 1.25}, {N1501, 1.5}, {N2001, 2.0}};
    for (const auto& [action, factor] : zooms)
        connect(action, &QAction::triggered, this, ShowingErrors([this, factor = factor] {
                    OnActive([factor](PlanogramDocument& d) { d.SetZoom(factor); });
                }));
    connect(FittoWindow1, &QAction::triggered, this,
            ShowingErrors([this] { OnActive([](PlanogramDocument& d) { d.FitToWindow(); }); }));
    // Added, not multiplied; what a factor of 0 or less means is the document's to decide.
    connect(sbZoomIn->defaultAction(), &QAction::triggered, this,
            ShowingErrors([this] { OnActive([](PlanogramDocument& d) { d.SetZoom(d.zoom.factor + ZoomStep); }); }));
    connect(sbZoomOut->defaultAction(), &QAction::triggered, this,
            ShowingErrors([this] { OnActive([](PlanogramDocument& d) { d.SetZoom(d.zoom.factor - ZoomStep); }); }));
    connect(ProductPictures1, &QAction::triggered, this, ShowingErrors([this] { SetViewMode(false); }));
    const std::pair<QAction*, int> colours[] = {
        {ColorBySize1, 0}, {ColorByCategory1, 1}, {ColorByBrand1, 2}, {AllWhite1, 3}};
    for (const auto& [action, mode] : colours)
        connect(action, &QAction::triggered, this, ShowingErrors([this, mode = mode] {
                    SetViewMode(true);
                    OnActive([mode](PlanogramDocument& d) { d.ApplyColorMode(mode); });
                }));
    connect(ManualColor1, &QAction::triggered, this, ShowingErrors([this] {
                PlanogramDocument* document = ActiveDocument();
                if (!document || !document->items->current)
                    return;
                // Pictures turned to boxes show the whole wall anew, chosen colour or not.
                const bool switched = SetViewMode(true);
                if (const std::optional<TColor> color = PickTagColor())
                    document->SetCurrentColor(*color);
                if (switched)
                    document->renderer.RedrawAll();
            }));
    connect(ClearManualColor1, &QAction::triggered, this,
            ShowingErrors([this] { OnActive([](PlanogramDocument& d) { d.ClearCurrentColor(); }); }));
    connect(ClearAllManualColors1, &QAction::triggered, this,
            ShowingErrors([this] { OnActive([](PlanogramDocument& d) { d.ClearManualColors(); }); }));
    for (QAction* transparency : {On1, Off1})
        connect(transparency, &QAction::triggered, this, ShowingErrors([this] {
                    OnActive([this](PlanogramDocument& d) {
                        // Only a change is drawn and stored.
                        if (d.graphics.transparencySetting == On1->isChecked())
                            return;
                        d.graphics.transparencySetting = On1->isChecked();
                        d.modified = true;
                        d.renderer.RedrawAll();
                    });
                }));
}

void TMainForm::ConnectTagCommands()
{
    const auto applyTags = [this] {
        ApplyTagMenuToActiveDocument();
        OnActive([](PlanogramDocument& d) { d.renderer.RedrawAll(); });
    };
    for (QAction* tag : {ItemNumber1, PartNumber1, XYLocation1, StackCount1, CurrentInventory1, UnitsSold1, Category1,
                         Brand1, CustomText1})
        connect(tag, &QAction::triggered, this, ShowingErrors(applyTags));
    connect(AllTagsOn1, &QAction::triggered, this, ShowingErrors(applyTags));
    connect(AllTagsOff1, &QAction::triggered, this, ShowingErrors(applyTags));
    connect(TagFont1, &QAction::triggered, this, ShowingErrors([this] {
                const std::optional<FontChoice> chosen = Ui().FontDialog(TagFontDialog);
                if (!chosen)
                    return;
                TagFontDialog = *chosen;
                OnActive([this](PlanogramDocument& d) {
                    d.graphics.tagFont.Name = TagFontDialog.name;
                    d.modified = true;
                    d.renderer.RedrawAll();
                });
            }));
    connect(TagColor1, &QAction::triggered, this, ShowingErrors([this] {
                PlanogramDocument* document = ActiveDocument();
                if (!document)
                    return;
                if (const std::optional<TColor> color = PickTagColor()) {
                    document->graphics.tagColor = *color;
                    document->modified = true;
                    document->renderer.RedrawAll();
                }
            }));
    connect(FlipTag1, &QAction::triggered, this, ShowingErrors([this] {
                OnActive([](PlanogramDocument& d) {
                    if (!d.items->current)
                        return;
                    d.items->current->tagRotation = d.items->current->tagRotation == 0 ? 90 : 0;
                    d.modified = true;
                    d.renderer.RedrawAll();
                });
            }));
    connect(EnterCustomText1, &QAction::triggered, this,
            ShowingErrors([this] { OnActive([](PlanogramDocument& d) { d.EnterCustomTag(); }); }));
}

bool TMainForm::SetViewMode(bool placementBoxes)
{
    (placementBoxes ? PlacementBoxes1->menuAction() : ProductPictures1)->setChecked(true);
    PlanogramDocument* document = ActiveDocument();
    if (!document || document->graphics.viewMode == placementBoxes)
        return false;
    document->graphics.viewMode = placementBoxes;
    document->modified = true;
    if (!placementBoxes)
        document->renderer.RedrawAll();
    return true;
}

void TMainForm::Space1Click()
{
    PlanogramDocument* document = ActiveDocument();
    if (!document || !document->items->current)
        return;
    // Cancel keeps the group as it is; the input box's default would pack it tight.
    const std::optional<std::string> answer = Ui().InputQuery("Spacing", "Enter space between items", "0");
    if (!answer)
        return;
    const double largest = document->LargestSpace();
    document->SpaceGroup(*document->items->current, StrToFloatWithin(Utf8ToWin1252(*answer), -largest, largest));
}

void TMainForm::UngroupAll1Click()
{
    PlanogramDocument* document = ActiveDocument();
    if (!document)
        return;
    if (Ui().MessageBox(UngroupAllQuestion, "Ungroup All", MsgButtons::YesNo, MsgIcon::Exclamation) != MsgAnswer::Yes)
        return;
    document->UngroupAll();
    sbUngroup->setEnabled(false);
}

void TMainForm::Timer2Timer()
{
    Timer2->stop();
    FixtureDrawingTools->popup(tbFixtures->mapToGlobal(QPoint(tbFixtures->width(), 0)));
}

void TMainForm::lbCurXKeyPress() { ApplyTypedPosition(false); }

void TMainForm::lbCurYKeyPress() { ApplyTypedPosition(true); }

void TMainForm::ApplyTypedPosition(bool vertical)
{
    PlanogramDocument* document = ActiveDocument();
    if (!document || !document->items->current)
        return;
    QLineEdit* readOut = vertical ? lbCurY : lbCurX;
    const std::optional<int> units =
        TypedPosition(fromQString(readOut->text()), unitsMode != 0, document->unitsInches, displayScale);
    ListOB& current = *document->items->current;
    if (!units) {
        // Not a number: nothing moves, and the read-out shows where the selection is.
        document->ShowPosition(current.left, current.top);
        return;
    }
    if (vertical)
        document->SetCurrentY(document->backBitmap.Height() - *units);
    else
        document->SetCurrentX(*units);
}
