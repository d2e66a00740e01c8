#pragma once

#include "planogram/DocumentSelector.h"
#include "planogram/Makefixture.h"

#include <map>
#include <optional>
#include <string>

class BuilderHost;
class PlanogramDocument;
class SettingsStore;
class TStringGrid;
struct ListOB;

// The selector's current product, read from a row of its product grid by the catalog's role columns;
// a value without a column reads 0 or empty. Sizes in document units as the selector has always made
// them: value x 4, in an inch catalog value / 0.39 x 4.
struct SelectorProduct {
    int recordNumber = 0;
    std::string partNumber, description, pictureName;
    double width = 0, height = 0, costPrice = 0, retailPrice = 0, pegX = 0, pegY = 0;
    int widthQ = 0, heightQ = 0, pegXQ = 0, pegYQ = 0;
    int facings = 0;
};

// What the fixture tab shows and takes: its edits as texts, its lists as indexes.
struct FixtureTab {
    int type = 0; // cbFixtureType: 0 shelf, 1 divider, 2 pegboard, 3 base, 4 text box, 5 slatwall
    std::string width, height, depth;
    int fill = 0, edge = 0, textMode = 0, textAlign = 0;
    TColor color = 0;
    TFont font;
    std::string memo;
    std::string pegTop = "4", pegLeft = "4", pegRight = "4", pegBottom = "4", vSpace = "4", hSpace = "4", pegSize = "1";
};

// The units a maker works in: the main window's unit, scale and units mode.
struct MakerUnits {
    bool inches = false;
    int displayScale = 8;
    bool unitsMode = true;
};

// The selector's logic without its window: the catalog it shows, the current product, finding a part
// number in the product grid, the builder list of the active planogram, and the fixture tab.
class SelectorModel {
public:
    SelectorCatalog catalog;
    // Set while the builder places products; while it is set a placement follows the selector's
    // "automatically add shelves".
    bool building = false;
    // Set while a selected fixture is being shown: the fixture controls then change nothing.
    bool loading = false;

    SelectorProduct ReadProduct(const TStringGrid& products, int row) const;
    // The row of the part number in the product grid's part-number column, which becomes the grid's
    // current cell; an empty key finds nothing.
    std::optional<int> FindProductRow(TStringGrid& products, const std::string& partNumber) const;
    // The picture cell of a product row; empty without a picture column.
    std::string PictureOf(const TStringGrid& products, int row) const;
    // Where a picture is looked for: its own path, or the catalog's picture folder before a name
    // without a folder.
    std::string PicturePath(const std::string& picture) const;

    // The builder list is the document's; the grid shows it. A product row above 0 is marked.
    void AddToBuilderList(PlanogramDocument& document, const SelectorProduct& product, int productRow);
    // Entry n of the builder list (grid row n); the title and the trailing empty row are refused.
    bool ClearBuilderItem(PlanogramDocument& document, int row);
    void ClearBuilderList(PlanogramDocument& document);
    // A cell of the builder grid typed into: the entry of its row takes it.
    void BuilderCellEdited(PlanogramDocument& document, int col, int row, const std::string& text);
    // Builds the display from the builder grid: a most visible height that is no whole number
    // raises EConvertError, no rank mode (-1) does nothing and facings beyond what the wall holds are
    // refused, all before the planogram is touched. Then the planogram is cleared, the grid ranked
    // and placed while `building` is set, the builder list takes the grid's rows, and the items that
    // do not fit are deleted.
    void BuildDisplay(PlanogramDocument& document, TStringGrid& grid, BuilderHost& host, int rankMode,
                      const std::string& bestHeight, bool inches);
    // How many times a product row was added to the builder list with its mark.
    int Marks(int productRow) const;
    void ForgetMarks() { marks_.clear(); }

    // The fixture tab for a selected fixture: exact sizes in the user's units, its pegs, or the
    // stored defaults when it has none. Remembered, so that an update from unchanged edits keeps the
    // item's own sizes and pegs to the unit.
    FixtureTab ShowFixture(const ListOB& item, bool inches, const SettingsStore& settings);
    // A maker given the tab's inputs and the units; false when the maker refuses the sizes.
    static bool MakeFromTab(const FixtureTab& tab, const MakerUnits& units, MakeFixture& maker);
    // The current fixture of the document re-made from the tab; nothing for a product or while
    // loading. False when nothing changed.
    bool UpdateSelectedFixture(PlanogramDocument& document, const FixtureTab& tab, const MakerUnits& units);

private:
    // Product row -> times marked: a decoration of the view, never written into the catalog's cells.
    std::map<int, int> marks_;
    // The fixture as last shown, and the item it was shown for.
    std::optional<FixtureTab> shown_;
    const ListOB* shownItem_ = nullptr;
};
