#pragma once

#include <optional>
#include <string>
#include <vector>

class PlanogramDocument;

// What the main window's menus look at of the active planogram when they open.
struct DocumentState {
    bool planogram = false;
    bool items = false;   // the list is not empty
    bool current = false; // an item is current
    bool first = false;   // the current item is the list's first
    bool last = false;    // ... its last
    bool linked = false;  // it has a group or child link
    int groupMembers = 0; // unturned members of the selected group
    bool manualColor = false;
    bool copied = false;     // an item was copied
    bool backBitmap = false; // the wall is drawn
    bool undo = false;       // the undo holds a snapshot
};

DocumentState StateOf(const PlanogramDocument* document);

struct FileEnabling {
    bool loadProductList = false, documentSetup = false, save = false, saveAs = false, exportFile = false,
         makePdf = false, print = false;
};
struct EditEnabling {
    bool cut = false, copy = false, deleteItem = false, duplicate = false, paste = false, copyWall = false,
         undo = false;
};
struct ProductEnabling {
    bool addFixture = false, selectNext = false, selectPrevious = false, ungroupAll = false, flip = false,
         productDetails = false, deleteItem = false, sendToFront = false, sendToBack = false, bringForward = false,
         bringBackward = false, rotate = false, align = false, space = false, ungroup = false;
};

FileEnabling FileMenuEnabling(const DocumentState& state);
EditEnabling EditMenuEnabling(const DocumentState& state);
ProductEnabling ProductMenuEnabling(const DocumentState& state);

// A typed position in document units, rounded: centimetres x 4, inches / 0.3937 x 4, or the display
// scale's units; nothing for a text that is no number.
std::optional<int> TypedPosition(const std::string& text, bool unitsMode, bool inches, int displayScale);

// The window list's entries for the MDI children in stacking order (bottom first): listed and numbered
// from the bottom one up, "1 caption", so that the active window comes last; its entry is checked.
struct WindowEntry {
    std::string caption;
    int child = 0; // index into the stacking order
    bool checked = false;
};
std::vector<WindowEntry> WindowEntries(const std::vector<std::string>& captions, int active);
