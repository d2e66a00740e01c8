#include "app/MainCommands.h"

#include "app/SDIMain.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <string>
#include <vector>

namespace {

using MenuMember = QMenu* TMainForm::*;
using ActionMember = QAction* TMainForm::*;
using ButtonMember = QToolButton* TMainForm::*;
using BarMember = QToolBar* TMainForm::*;

// How a command or submenu starts.
enum Start : unsigned {
    Disabled = 0,     // a command whose window or service is not there yet
    Enabled = 1,      // a command that works
    Checkable = 2,    // a setting the documents read; always enabled
    Checked = 4,      // a setting that starts on
    Hidden = 8,       // not shown until a document asks for it
    Radio = 16,       // one of a group in the menu: checking it unchecks the others of its group
    OwnGroupEnd = 32, // the last item of its radio group
};

enum class Entry { Menu, SubMenu, Item, RecentFiles, Separator };

// One line of a menu, in menu order.
struct MenuEntry {
    Entry entry;
    MenuMember parent; // the menu it is in; none for a menu of the menu bar
    MenuMember menu;   // Menu and SubMenu
    ActionMember action;
    const char* name;
    const char* caption;
    unsigned start;
};

constexpr MenuEntry Menu(MenuMember menu, const char* name, const char* caption)
{
    return {Entry::Menu, nullptr, menu, nullptr, name, caption, Enabled};
}
constexpr MenuEntry SubMenu(MenuMember parent, MenuMember menu, const char* name, const char* caption, unsigned start)
{
    return {Entry::SubMenu, parent, menu, nullptr, name, caption, start};
}
constexpr MenuEntry Item(MenuMember parent, ActionMember action, const char* name, const char* caption,
                         unsigned start = Disabled)
{
    return {Entry::Item, parent, nullptr, action, name, caption, start};
}
constexpr MenuEntry Separator(MenuMember parent) { return {Entry::Separator, parent, nullptr, nullptr, "", "", 0}; }

using F = TMainForm;

// The menus, as the menu bar shows them. A radio group is the run of Radio items that ends at an
// OwnGroupEnd.
const std::vector<MenuEntry>& MenuTable()
{
    static const std::vector<MenuEntry> table = {
        Menu(&F::FileMenu, "FileMenu", "&File"),
        Item(&F::FileMenu, &F::NewItem, "NewItem", "&New"),
        Item(&F::FileMenu, &F::OpenItem, "OpenItem", "&Open...", Enabled),
        SubMenu(&F::FileMenu, &F::OpenRecent1, "OpenRecent1", "Open &Recent", Enabled),
        // Doc1 ... Doc5, shown once they name a file.
        {Entry::RecentFiles, &F::OpenRecent1, nullptr, nullptr, "Doc", "", Enabled | Hidden},
        Item(&F::FileMenu, &F::SaveItem, "SaveItem", "&Save"),
        Item(&F::FileMenu, &F::SaveAs1, "SaveAs1", "Save &As..."),
        Separator(&F::FileMenu),
        Item(&F::FileMenu, &F::LoadProductList1, "LoadProductList1", "&Load Product List..."),
        Item(&F::FileMenu, &F::DocumentSetup1, "DocumentSetup1", "&Document Setup..."),
        Separator(&F::FileMenu),
        Item(&F::FileMenu, &F::Export1, "Export1", "&Export..."),
        Item(&F::FileMenu, &F::MakePDF1, "MakePDF1", "&Make PDF..."),
        Separator(&F::FileMenu),
        Item(&F::FileMenu, &F::Print1, "Print1", "&Print..."),
        Item(&F::FileMenu, &F::PrintSetup1, "PrintSetup1", "Print Set&up...", Enabled),
        Separator(&F::FileMenu),
        Item(&F::FileMenu, &F::Checkforsoftwareupdates1, "Checkforsoftwareupdates1", "Check For Kestrame Update"),
        Separator(&F::FileMenu),
        Item(&F::FileMenu, &F::Exit1, "Exit1", "E&xit", Enabled),

        Menu(&F::Edit1, "Edit1", "&Edit"),
        Item(&F::Edit1, &F::Undo1, "Undo1", "&Undo"),
        Separator(&F::Edit1),
        Item(&F::Edit1, &F::Cut1, "Cut1", "Cu&t"),
        Item(&F::Edit1, &F::Copy1, "Copy1", "&Copy"),
        Item(&F::Edit1, &F::Paste1, "Paste1", "&Paste"),
        Item(&F::Edit1, &F::Duplicate1, "Duplicate1", "D&uplicate"),
        Item(&F::Edit1, &F::Delete2, "Delete2", "&Delete"),
        Separator(&F::Edit1),
        Item(&F::Edit1, &F::CopyAll1, "CopyAll1", "Copy &Wall"),

        Menu(&F::Object1, "Object1", "&Product"),
        Item(&F::Object1, &F::AddFixture1, "AddFixture1", "Add &Fixture"),
        Separator(&F::Object1),
        Item(&F::Object1, &F::SelectNext1, "SelectNext1", "Select &Next"),
        Item(&F::Object1, &F::SelectPrevious1, "SelectPrevious1", "Select P&revious"),
        Separator(&F::Object1),
        Item(&F::Object1, &F::SendtoFront1, "SendtoFront1", "Send to Front"),
        Item(&F::Object1, &F::SendtoBack1, "SendtoBack1", "Send to Back"),
        Item(&F::Object1, &F::BringForward1, "BringForward1", "Bring Forward"),
        Item(&F::Object1, &F::BringBackward1, "BringBackward1", "Bring Backward"),
        Separator(&F::Object1),
        SubMenu(&F::Object1, &F::Rotate1, "Rotate1", "R&otate", Disabled),
        Item(&F::Rotate1, &F::R180, "R180", "180"),
        Item(&F::Rotate1, &F::N90CW1, "N90CW1", "90 CW"),
        Item(&F::Rotate1, &F::N90CCW1, "N90CCW1", "90 CCW"),
        Item(&F::Rotate1, &F::N01, "N01", "0"),
        Item(&F::Rotate1, &F::Arbitrary1, "Arbitrary1", "Arbitrary..."),
        SubMenu(&F::Object1, &F::Flip1, "Flip1", "F&lip To", Disabled),
        Item(&F::Flip1, &F::Front1, "Front1", "Front"),
        Item(&F::Flip1, &F::Side1, "Side1", "Side"),
        Item(&F::Flip1, &F::Top2, "Top2", "Top"),
        SubMenu(&F::Object1, &F::Align1, "Align1", "&Align", Disabled),
        Item(&F::Align1, &F::Top3, "Top3", "Top"),
        Item(&F::Align1, &F::Bottom2, "Bottom2", "Bottom"),
        Item(&F::Object1, &F::Space1, "Space1", "&Space..."),
        Separator(&F::Object1),
        SubMenu(&F::Object1, &F::AddProductAlignment1, "AddProductAlignment1", "Add Product Alignment", Disabled),
        Item(&F::AddProductAlignment1, &F::Automatic1, "Automatic1", "Automatic", Radio | Checked),
        Item(&F::AddProductAlignment1, &F::Top1, "Top1", "Top", Radio),
        Item(&F::AddProductAlignment1, &F::Bottom1, "Bottom1", "Bottom", Radio | OwnGroupEnd),
        SubMenu(&F::Object1, &F::WrapDirection1, "WrapDirection1", "Wrap Direction", Disabled),
        Item(&F::WrapDirection1, &F::Automatic2, "Automatic2", "Automatic", Radio | Checked),
        Item(&F::WrapDirection1, &F::Up1, "Up1", "Up", Radio),
        Item(&F::WrapDirection1, &F::Down1, "Down1", "Down", Radio | OwnGroupEnd),
        SubMenu(&F::Object1, &F::PegholeAlignment1, "PegholeAlignment1", "Peghole Alignment", Disabled | Hidden),
        Item(&F::PegholeAlignment1, &F::On2, "On2", "On"),
        Item(&F::PegholeAlignment1, &F::Off2, "Off2", "Off"),
        Separator(&F::Object1),
        Item(&F::Object1, &F::Ungroup1, "Ungroup1", "&Ungroup"),
        Item(&F::Object1, &F::UngroupAll1, "UngroupAll1", "Ungroup A&ll"),
        Separator(&F::Object1),
        Item(&F::Object1, &F::ProductDetails1, "ProductDetails1", "Product &Details..."),
        Item(&F::Object1, &F::Delete1, "Delete1", "&Delete"),

        Menu(&F::mnuCatalog, "mnuCatalog", "&Catalog"),
        Item(&F::mnuCatalog, &F::New2, "New2", "&New"),
        Item(&F::mnuCatalog, &F::Open2, "Open2", "&Open..."),
        Item(&F::mnuCatalog, &F::Edit2, "Edit2", "&Edit"),
        Separator(&F::mnuCatalog),
        Item(&F::mnuCatalog, &F::CatalogManager1, "CatalogManager1", "Catalog &Manager"),
        Item(&F::mnuCatalog, &F::NewDirectDataLink1, "NewDirectDataLink1", "New Direct &Data Link"),
        Item(&F::mnuCatalog, &F::PictureManager1, "PictureManager1", "&Picture Editor", Enabled),

        Menu(&F::Reports1, "Reports1", "&Reports"),
        Item(&F::Reports1, &F::ShowReport1, "ShowReport1", "&Custom Report Writer"),
        Item(&F::Reports1, &F::QuickReports1, "QuickReports1", "&Quick Reports"),

        Menu(&F::View1, "View1", "&View"),
        SubMenu(&F::View1, &F::Zoom1, "Zoom1", "&Zoom", Disabled),
        Item(&F::Zoom1, &F::N51, "N51", "5%"),
        Item(&F::Zoom1, &F::N251, "N251", "25%"),
        Item(&F::Zoom1, &F::N501, "N501", "50%"),
        Item(&F::Zoom1, &F::N751, "N751", "75%"),
        Item(&F::Zoom1, &F::N1001, "N1001", "100%"),
        Item(&F::Zoom1, &F::N1251, "N1251", "125%"),
        Item(&F::Zoom1, &F::N1501, "N1501", "150%"),
        Item(&F::Zoom1, &F::N2001, "N2001", "200%"),
        Separator(&F::Zoom1),
        Item(&F::Zoom1, &F::FittoWindow1, "FittoWindow1", "Fit to Window"),
        Separator(&F::View1),
        // Pictures or boxes: the boxes' submenu is the other half of the pair.
        Item(&F::View1, &F::ProductPictures1, "ProductPictures1", "Product &Pictures", Radio | Checked),
        SubMenu(&F::View1, &F::PlacementBoxes1, "PlacementBoxes1", "Placement &Boxes", Disabled | Radio | OwnGroupEnd),
        Item(&F::PlacementBoxes1, &F::ColorBySize1, "ColorBySize1", "Color By Size"),
        Item(&F::PlacementBoxes1, &F::ColorByCategory1, "ColorByCategory1", "Color By Category"),
        Item(&F::PlacementBoxes1, &F::ColorByBrand1, "ColorByBrand1", "Color By Brand"),
        Item(&F::PlacementBoxes1, &F::AllWhite1, "AllWhite1", "All White"),
        Separator(&F::PlacementBoxes1),
        Item(&F::PlacementBoxes1, &F::ManualColor1, "ManualColor1", "Set Manual Color..."),
        Item(&F::PlacementBoxes1, &F::ClearManualColor1, "ClearManualColor1", "Clear Manual Color"),
        Item(&F::PlacementBoxes1, &F::ClearAllManualColors1, "ClearAllManualColors1", "Clear All Manual Colors"),
        Separator(&F::View1),
        SubMenu(&F::View1, &F::ProductTransparency1, "ProductTransparency1", "Product &Transparency", Enabled),
        Item(&F::ProductTransparency1, &F::On1, "On1", "On", Checkable | Radio | Checked),
        Item(&F::ProductTransparency1, &F::Off1, "Off1", "Off", Checkable | Radio | OwnGroupEnd),
        SubMenu(&F::View1, &F::ReorderAlarm1, "ReorderAlarm1", "&Reorder Alarm", Enabled),
        Item(&F::ReorderAlarm1, &F::On3, "On3", "On", Checkable | Radio),
        Item(&F::ReorderAlarm1, &F::Off3, "Off3", "Off", Checkable | Radio | Checked | OwnGroupEnd),
        Separator(&F::View1),
        Item(&F::View1, &F::CatalogSelector1, "CatalogSelector1", "&Selector"),
        Separator(&F::View1),
        SubMenu(&F::View1, &F::Windows1, "Windows1", "&Windows", Disabled),
        Item(&F::Windows1, &F::Tile1, "Tile1", "&Tile"),
        Item(&F::Windows1, &F::Cascade1, "Cascade1", "&Cascade"),
        Item(&F::Windows1, &F::ArrangeAll1, "ArrangeAll1", "&Arrange Icons"),

        Menu(&F::Tags1, "Tags1", "T&ags"),
        Item(&F::Tags1, &F::ItemNumber1, "ItemNumber1", "&Item Number", Checkable),
        Item(&F::Tags1, &F::PartNumber1, "PartNumber1", "&Part Number", Checkable),
        Item(&F::Tags1, &F::XYLocation1, "XYLocation1", "&XY Location", Checkable),
        Item(&F::Tags1, &F::StackCount1, "StackCount1", "&Stack Count", Checkable),
        Item(&F::Tags1, &F::CurrentInventory1, "CurrentInventory1", "Current In&ventory", Checkable),
        Item(&F::Tags1, &F::UnitsSold1, "UnitsSold1", "&Units Sold", Checkable),
        Item(&F::Tags1, &F::Category1, "Category1", "&Category", Checkable),
        Item(&F::Tags1, &F::Brand1, "Brand1", "&Brand", Checkable),
        Item(&F::Tags1, &F::CustomText1, "CustomText1", "Custom &Text", Checkable),
        Separator(&F::Tags1),
        Item(&F::Tags1, &F::AllTagsOn1, "AllTagsOn1", "All Tags &On", Enabled),
        Item(&F::Tags1, &F::AllTagsOff1, "AllTagsOff1", "All Tags O&ff", Enabled),
        Separator(&F::Tags1),
        Item(&F::Tags1, &F::TagFont1, "TagFont1", "Tag &Font..."),
        Item(&F::Tags1, &F::TagColor1, "TagColor1", "Tag Co&lor..."),
        Item(&F::Tags1, &F::FlipTag1, "FlipTag1", "Flip T&ag"),
        Item(&F::Tags1, &F::EnterCustomText1, "EnterCustomText1", "&Enter Custom Text..."),

        Menu(&F::Tools1, "Tools1", "T&ools"),
        Item(&F::Tools1, &F::Options1, "Options1", "&Options..."),
        Separator(&F::Tools1),
        Item(&F::Tools1, &F::PlanogramWizard1, "PlanogramWizard1", "&Planogram Wizard..."),
        Item(&F::Tools1, &F::CatalogWizard1, "CatalogWizard1", "&Catalog Wizard..."),

        Menu(&F::Help1, "Help1", "&Help"),
        Item(&F::Help1, &F::Help2, "Help2", "On-line &Help", Enabled),
        Separator(&F::Help1),
        Item(&F::Help1, &F::About1, "About1", "&About...", Enabled),

        // Popped up by a long press on the fixtures button, never from the menu bar.
        Menu(&F::FixtureDrawingTools, "FixtureDrawingTools", ""),
        Item(&F::FixtureDrawingTools, &F::DrawShelf1, "DrawShelf1", "Shelf", Checkable | Radio | Checked),
        Item(&F::FixtureDrawingTools, &F::DrawSectionDivider1, "DrawSectionDivider1", "Section Divider",
             Checkable | Radio),
        Item(&F::FixtureDrawingTools, &F::DrawPegboard1, "DrawPegboard1", "Pegboard", Checkable | Radio),
        Item(&F::FixtureDrawingTools, &F::DrawTextBox1, "DrawTextBox1", "Text Box", Checkable | Radio),
        Item(&F::FixtureDrawingTools, &F::DrawSlatboard1, "DrawSlatboard1", "Slatwall",
             Checkable | Radio | OwnGroupEnd),
    };
    return table;
}

// One button of a tool bar, in bar order: it shows its command's action, or one of its own when
// the command has no menu item.
struct ButtonEntry {
    BarMember bar;
    ButtonMember button; // none for a separator
    const char* name;
    ActionMember action;
    const char* text; // the button's own text, when it differs from its menu item's
    const char* hint;
    unsigned start; // for a button of its own
};

constexpr ButtonEntry Button(BarMember bar, ButtonMember button, const char* name, ActionMember action,
                             const char* text, const char* hint)
{
    return {bar, button, name, action, text, hint, Disabled};
}
constexpr ButtonEntry OwnButton(BarMember bar, ButtonMember button, const char* name, const char* text,
                                const char* hint, unsigned start = Disabled)
{
    return {bar, button, name, nullptr, text, hint, start};
}
constexpr ButtonEntry BarSeparator(BarMember bar) { return {bar, nullptr, "", nullptr, "", "", 0}; }

const std::vector<ButtonEntry>& ButtonTable()
{
    static const std::vector<ButtonEntry> table = {
        OwnButton(&F::ToolBar1, &F::ToolButton1, "ToolButton1", "|<", "Go to first catalog item"),
        OwnButton(&F::ToolBar1, &F::ToolButton2, "ToolButton2", "<", "Go to previous catalog item"),
        BarSeparator(&F::ToolBar1),
        Button(&F::ToolBar1, &F::ToolButton10, "ToolButton10", &F::aAddFixture, "", ""),
        OwnButton(&F::ToolBar1, &F::ToolButton9, "ToolButton9", "+", "Add current product"),
        BarSeparator(&F::ToolBar1),
        OwnButton(&F::ToolBar1, &F::ToolButton4, "ToolButton4", ">", "Go to next catalog item"),
        OwnButton(&F::ToolBar1, &F::ToolButton7, "ToolButton7", ">|", "Go to last catalog item"),
        BarSeparator(&F::ToolBar1),
        OwnButton(&F::ToolBar1, &F::ToolButton3, "ToolButton3", "Find", "Find Product"),

        Button(&F::ToolBar2, &F::sbNew, "sbNew", &F::NewItem, "New", "New"),
        Button(&F::ToolBar2, &F::sbOpen, "sbOpen", &F::OpenItem, "Open", "Open"),
        Button(&F::ToolBar2, &F::sbSave, "sbSave", &F::SaveItem, "Save", "Save"),
        BarSeparator(&F::ToolBar2),
        Button(&F::ToolBar2, &F::sbPrint, "sbPrint", &F::Print1, "Print", "Print"),
        BarSeparator(&F::ToolBar2),
        Button(&F::ToolBar2, &F::sbPaste, "sbPaste", &F::Paste1, "Paste", "Paste"),
        Button(&F::ToolBar2, &F::sbCopyAll, "sbCopyAll", &F::CopyAll1, "Copy All", "Copy Entire Display"),
        BarSeparator(&F::ToolBar2),
        OwnButton(&F::ToolBar2, &F::sbZoomIn, "sbZoomIn", "Zoom +", "Zoom in by 10%"),
        OwnButton(&F::ToolBar2, &F::sbZoomOut, "sbZoomOut", "Zoom -", "Zoom out by 10%"),
        BarSeparator(&F::ToolBar2),
        Button(&F::ToolBar2, &F::sbExport, "sbExport", &F::Export1, "Export", "Export"),
        Button(&F::ToolBar2, &F::sbMakePDF, "sbMakePDF", &F::MakePDF1, "PDF", "Make PDF"),
        BarSeparator(&F::ToolBar2),
        Button(&F::ToolBar2, &F::sbAddFixture, "sbAddFixture", &F::aAddFixture, "", ""),
        BarSeparator(&F::ToolBar2),
        // The pointer and the fixture tools take turns; autogroup is a setting.
        OwnButton(&F::ToolBar2, &F::tbPointer, "tbPointer", "Pointer", "Pointer", Enabled | Radio | Checked),
        OwnButton(&F::ToolBar2, &F::tbFixtures, "tbFixtures", "Fixtures", "Draw fixtures", Radio | OwnGroupEnd),
        OwnButton(&F::ToolBar2, &F::sbAutoGroup, "sbAutoGroup", "Autogroup", "Autogroup Items", Enabled | Checkable),
        Button(&F::ToolBar2, &F::sbUngroup, "sbUngroup", &F::Ungroup1, "Ungroup", "Ungroup"),
    };
    return table;
}

// Collects the actions of one radio group until its last item, then makes them exclusive.
class RadioGroups {
public:
    explicit RadioGroups(QObject* owner) : owner_(owner) {}

    void Add(QAction* action, unsigned start)
    {
        if (!(start & Radio))
            return;
        action->setCheckable(true);
        open_.push_back(action);
        if (!(start & OwnGroupEnd))
            return;
        auto* group = new QActionGroup(owner_);
        for (QAction* member : open_)
            group->addAction(member);
        open_.clear();
    }

private:
    QObject* owner_;
    std::vector<QAction*> open_;
};

void ApplyStart(QAction* action, unsigned start)
{
    action->setCheckable(action->isCheckable() || (start & (Checkable | Checked)));
    action->setChecked((start & Checked) != 0);
    action->setEnabled((start & (Enabled | Checkable)) != 0);
    action->setVisible((start & Hidden) == 0);
}

QAction* NewAction(TMainForm& form, const char* name, const char* caption)
{
    auto* action = new QAction(caption, &form);
    action->setObjectName(name);
    return action;
}

QMenu* NewMenu(TMainForm& form, const MenuEntry& entry)
{
    QMenu* menu = entry.parent     ? (form.*entry.parent)->addMenu(entry.caption)
                  : *entry.caption ? form.menuBar()->addMenu(entry.caption)
                                   : new QMenu(&form);
    menu->setObjectName(entry.name);
    menu->menuAction()->setObjectName(entry.name);
    return menu;
}

void CreateMenus(TMainForm& form, RadioGroups& groups)
{
    for (const MenuEntry& entry : MenuTable()) {
        switch (entry.entry) {
        case Entry::Menu:
            form.*entry.menu = NewMenu(form, entry);
            break;
        case Entry::SubMenu: {
            QMenu* menu = NewMenu(form, entry);
            form.*entry.menu = menu;
            groups.Add(menu->menuAction(), entry.start);
            menu->menuAction()->setEnabled((entry.start & Enabled) != 0);
            menu->menuAction()->setVisible((entry.start & Hidden) == 0);
            break;
        }
        case Entry::Item: {
            QAction* action = NewAction(form, entry.name, entry.caption);
            (form.*entry.parent)->addAction(action);
            groups.Add(action, entry.start);
            ApplyStart(action, entry.start);
            form.*entry.action = action;
            break;
        }
        case Entry::RecentFiles:
            for (size_t i = 0; i < form.Docs.size(); ++i) {
                QAction* doc = NewAction(form, (entry.name + std::to_string(i + 1)).c_str(), entry.caption);
                (form.*entry.parent)->addAction(doc);
                ApplyStart(doc, entry.start);
                form.Docs[i] = doc;
            }
            break;
        case Entry::Separator:
            (form.*entry.parent)->addSeparator();
            break;
        }
    }
}

QToolButton* NewButton(TMainForm& form, const ButtonEntry& entry, RadioGroups& groups)
{
    QToolBar* bar = form.*entry.bar;
    auto* button = new QToolButton(bar);
    QAction* action = entry.action ? form.*entry.action : NewAction(form, entry.name, entry.text);
    if (!entry.action) {
        groups.Add(action, entry.start);
        ApplyStart(action, entry.start);
    }
    if (*entry.text)
        action->setIconText(entry.text);
    if (*entry.hint)
        action->setToolTip(entry.hint);
    button->setDefaultAction(action);
    button->setObjectName(entry.name);
    bar->addWidget(button);
    return button;
}

void CreateButtons(TMainForm& form, RadioGroups& groups)
{
    for (const ButtonEntry& entry : ButtonTable()) {
        if (entry.button)
            form.*entry.button = NewButton(form, entry, groups);
        else
            (form.*entry.bar)->addSeparator();
    }
}

} // namespace

void CreateMainMenus(TMainForm& form)
{
    RadioGroups groups(&form);
    CreateMenus(form, groups);
    // The one command both tool bars show and no menu lists.
    form.aAddFixture = NewAction(form, "aAddFixture", "Add Fixture");
    form.aAddFixture->setEnabled(false);
}

void CreateToolButtons(TMainForm& form)
{
    RadioGroups groups(&form);
    CreateButtons(form, groups);
}
