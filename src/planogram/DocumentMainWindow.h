#pragma once

#include "planogram/DrawingSettings.h"

#include <optional>
#include <string>

class PlanogramDocument;
class Progress;

// The checked states of the main window's tag and view menu items that a new document's renderer
// starts from.
struct TagMenuChecks {
    bool itemNumber = false;       // ItemNumber1
    bool partNumber = false;       // PartNumber1
    bool xyLocation = false;       // XYLocation1
    bool stackCount = false;       // StackCount1
    bool currentInventory = false; // CurrentInventory1
    bool unitsSold = false;        // UnitsSold1
    bool category = false;         // Category1
    bool brand = false;            // Brand1
    bool customText = false;       // CustomText1
    bool placementBoxes = false;   // PlacementBoxes1
    bool transparency = true;      // On1
};

// What a planogram document reads and drives of the main window: its drawing settings, display
// scale, menus, the shared progress bar, the print-cancel flag and the loading notice. The main
// window implements it; document windows reach it only through here.
class DocumentMainWindow : public DrawingSettings {
public:
    virtual void SetDisplayScale(int scale) = 0;
    virtual TagMenuChecks TagChecks() const = 0;
    virtual Progress& ProgressBar() = 0;
    // Set by the print status window's Cancel; long loops poll and clear it.
    virtual bool PrintCancelled() const = 0;
    virtual void RequestPrintCancel() = 0;
    virtual void ClearPrintCancel() = 0;
    // The notice that product data is loading, shown without waiting when the options ask for it.
    virtual void ShowLoadingNotice() = 0;
    virtual void CloseLoadingNotice() = 0;
    // The "Autogroup Items" tool button is down: a placed product joins the previous one's group.
    virtual bool AutoGroupDown() const = 0;
    // "Reorder Alarm" is "On": products at or below their minimum inventory are flagged.
    virtual bool ReorderAlarmOn() const = 0;
    // "Pointer" is the tool: the mouse selects, moves and groups; else it draws fixtures.
    virtual bool PointerToolDown() const = 0;
    // The fixture kind of the checked drawing item: 0 shelf, 1 section divider, 2 pegboard,
    // 4 text box, 5 slatwall.
    virtual int FixtureDrawingKind() const = 0;
    virtual void EnableUngroup(bool enabled) = 0;
    // View > Placement Boxes instead of Product Pictures.
    virtual void ShowPlacementBoxes() = 0;
    // Checks Tags > Custom Text.
    virtual void CheckCustomText() = 0;
    // The tag colour dialog, from the colour it last gave; nothing when cancelled.
    virtual std::optional<TColor> PickTagColor() = 0;
    // The X and Y read-outs show these texts; empty texts clear them.
    virtual void ShowPosition(const std::string& x, const std::string& y) = 0;
    // The document became the active one: menus, catalog bar and selector follow it.
    virtual void DocumentActivated(PlanogramDocument& document) = 0;
    // The document's items, or the item copied from it, may have changed: the commands that depend
    // on them follow when it is the active one.
    virtual void DocumentChanged(const PlanogramDocument& document) = 0;
    // Saves this document (not necessarily the active one), asking for a name when it has none.
    // True only when it was written; the saver then clears its `modified`.
    virtual bool SaveDocument(PlanogramDocument& document) = 0;
    // The document's window is closing and the document goes with it: forget it, and reset the
    // catalog bar when it was the last one.
    virtual void DocumentClosed(PlanogramDocument& document) = 0;
    // The catalog bar shows the active document's current product.
    virtual void UpdateCatalogBar() = 0;
    // The planogram setup wizard is shown: it connects data-link catalogs itself.
    virtual bool PlanogramWizardVisible() const = 0;
    // The product details of the active planogram's current item.
    virtual void ShowProductDetails() = 0;
};
