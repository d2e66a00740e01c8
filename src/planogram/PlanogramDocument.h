#pragma once

#include "catalog/DidADOData.h"
#include "catalog/Didbase.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentRenderer.h"
#include "planogram/DocumentSetup.h"
#include "planogram/Graphicsmanager.h"
#include "planogram/Kqfascii.h"
#include "planogram/Listmanager.h"
#include "planogram/PegHoles.h"
#include "planogram/Undo.h"
#include "planogram/Zoom.h"
#include "platform/graphics/Bitmap.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CatalogFinder;
class DocumentMainWindow;
class DocumentSelector;
class DocumentSetupDialog;
class DocumentView;
class PictureFinder;
class SettingsStore;
class TDataSource;
class TdADOConnection;
class TdADODataset;

enum class MouseButton { Left, Right, Middle };

// The windows and services a document works with; none is owned.
struct DocumentServices {
    DocumentMainWindow& mainWindow;
    DocumentSelector& selector;
    DocumentSetupDialog& setupDialog;
    DocumentView& view;
    CatalogFinder& catalogFinder;
    PictureFinder& pictureFinder;
};

// A planogram document: the wall of a store display with the ordered list of items on it, its
// catalog, the back bitmap of the whole wall (one pixel per document unit, a quarter centimetre),
// and the renderer, undo and zoom that work on it. The document window shows it and forwards its
// events here. A data-link catalog reads through the document's own database components.
class PlanogramDocument final : public DataLinkHost {
public:
    // Walls larger than 1200 inches in either direction are refused.
    static constexpr int MaxDisplayUnits = 12183;

    explicit PlanogramDocument(const DocumentServices& services);
    ~PlanogramDocument();
    PlanogramDocument(const PlanogramDocument&) = delete;
    PlanogramDocument& operator=(const PlanogramDocument&) = delete;

    // Attaches the current catalog and sets the wall up. Width and height in document units; both 0
    // ask the Document Setup dialog. False, with the reason shown, when no document could be made;
    // the caller alone disposes of the document then.
    bool NewDocument(int width, int height);
    // Shows the Document Setup dialog and applies it: 0 cancelled, invalid or template chosen,
    // 1 applied, 2 no catalog chosen (nothing applied). A template chosen is kept in chosenTemplate.
    int ValidateDisplaySize();
    // Mode 1 moves every item lying wholly outside the wall to a diagonal row from the corner, mode 2
    // deletes it; true when any item was outside.
    bool FitItemsToDisplay(int mode);
    // Removes every item and repaints the empty wall.
    void ClearAll();
    void FillBuilderGrid();
    void FillLayoutGrid();
    void BuildPegHoleList();
    // Moves the current item so that its hook point sits on the nearest peg column and row; only for
    // a catalog record with both peg offsets, and only when the wall has holes.
    void SnapToPegHole();

    // Places the catalog's current product with its first guess at (x, y) in document units, to the
    // right of the current item, wrapping rows, aligning, hanging on peg holes, adding shelves and
    // grouping as the placement settings say. False, with the reason shown, when it cannot be placed.
    bool AddCatalogItem(int x, int y);
    // Appends an item with the texts and box (fixtures, drawn or made); it becomes current.
    bool AddItem(const std::string& index, const std::string& picture, int left, int top, int width, int height,
                 double depth);
    // A current fixture takes the new description, size and depth; false (nothing changed) when the
    // current item is a product or there is none.
    bool UpdateCurrentItem(const std::string& picture, int width, int height, double depth);
    // Turns the current item to the angle in degrees (asked for when the text is empty); stored as
    // 0..359. False when nothing turned.
    bool RotateCurrent(const std::string& angleText);
    // The edit commands on the current item.
    void CopyCurrent();
    bool Paste();
    bool Duplicate();
    bool Cut();
    // The delete command: 1 when the current item was deleted, 0 without one.
    int DeleteSelected();
    // Puts the undo snapshot back, redraws the wall and frames the restored item.
    bool UndoLastEdit();
    // Redraws the wall within the area and has its window area painted again.
    void RedrawArea(const TRect& area);
    // The main window's read-outs for a point: x from the wall's left, y above its floor, in the
    // user's units.
    void ShowPosition(int x, int y);

    // Mouse editing on the wall, at points in document units. A press selects the topmost item at
    // the point with its group; a drag moves the selection, or on empty wall gathers the items under
    // a rubber band into a group (pointer tool) or draws a fixture (fixture tools).
    bool SelectAt(int x, int y);
    // Selects the list's next (or previous) item with its group, from the head (tail) when none is
    // current or the end is reached.
    void SelectNeighbour(bool next);
    void MouseDownAt(int x, int y, MouseButton button);
    void TrackMouseEdit(int x, int y);
    // A fixture whose peg texts are no numbers raises EConvertError, after the band is cleared.
    void FinishMouseEdit(int x, int y);
    // The drag frame while a button is down, in document units.
    void DragFeedback(const TRect& rect);

    // Every removal of items goes through here: the removed items' groups are dissolved, links to
    // them cleared, and the undo told before they are freed. Returns how many were removed.
    int RemoveItems(const std::function<bool(const ListOB&)>& doomed);
    void RemoveItem(ListOB* item);

    // The main window's Tags and View menus into the drawing settings; true when a setting changed.
    bool TakeMenuChecks(const TagMenuChecks& checks);
    // The document commands on the current item and its group (0 up, 1 down, 2 left, 3 right for
    // nudges; views 0 front, 1 side, 2 top; align mode 1 tops, 0 bottoms). Each marks the document
    // when it changed anything and repaints what changed.
    void UngroupAll();
    void Ungroup();
    void InventoryAlarmOn();
    void InventoryAlarmOff();
    bool FlipView(int view, ListOB& item);
    void AlignGroup(ListOB& item, int mode);
    // The distance in the user's units.
    void SpaceGroup(ListOB& item, double distance);
    // The widest space between items in the user's unit that SpaceGroup takes: the widest display.
    double LargestSpace() const;
    void NudgeGroup(int direction, int amount);
    void SetCurrentX(int x);
    void SetCurrentY(int y);
    void ApplyColorMode(int mode);
    void ClearManualColors();
    // A key on the wall: Delete deletes, the arrows nudge. True when the key was used.
    bool KeyDown(int key);
    // The popup menu's commands on the current item.
    void SendCurrentToFront();
    void SendCurrentToBack();
    bool SetCurrentColor(TColor color);
    void ClearCurrentColor();
    // Removes the current item without an undo snapshot, the item counter kept.
    bool RemoveCurrent();
    bool SetCustomTag(const std::string& text);
    // Tags > Custom Text checked and the current item's custom tag asked for; the document is marked
    // when the tag or the stored tag settings change, also when the question is cancelled.
    bool EnterCustomTag();

    // What the window takes when it is first shown: the main window's tag font and colour, the
    // placement settings back at automatic, and the options of the settings store.
    void TakeShowSettings(const SettingsStore& settings);
    // The placement settings and the builder list as the main window and the selector change them;
    // a change marks the document modified.
    void SetPlacementSettings(int newAddAlign, int newWrapDirection);
    void SetBuilderList(std::vector<BuilderEntry> list);

    void SetZoom(double factor);
    void FitToWindow();
    TRect WindowRectOf(const TRect& rect) const;
    // Records the selection frame (empty for none) and has its window area painted again.
    void DrawSelection(const TRect& rect);

    TdADOConnection& DataConnection() override { return *dADOConnection1; }
    TdADODataset& DataSet() override { return *dADODataset1; }
    bool PlanogramWizardVisible() override { return services.mainWindow.PlanogramWizardVisible(); }
    void UpdateCatalogBar() override { services.mainWindow.UpdateCatalogBar(); }

    DocumentServices services;
    // The database components a data-link catalog reads its products through.
    std::unique_ptr<TdADOConnection> dADOConnection1;
    std::unique_ptr<TdADODataset> dADODataset1;
    std::unique_ptr<TDataSource> DataSource1;

    TRect dragFrom, groupRect;
    // The item whose box stands for the selection; null for none.
    ListOB* selectedBox = nullptr;
    TRect focusRect;
    PegHoleList pegHoles;
    TRect oldFrameRect;
    // Frame of the selected item or group in document units; empty when nothing is selected.
    TRect selectionRect;
    bool showDataLoadingDialog = true;
    bool showDateTimeStamp = true;
    bool alignToPeg = false;
    bool inventoryAlarm = false;
    int colorMode = 0;
    unsigned char placeDirection = 1;
    // Set only while products are placed automatically: each new row gets a shelf under it.
    bool autoAddShelves = false;
    int shelfGap = 0;
    // The row being filled: the horizontal extent of its widest item and the vertical extent of its
    // tallest; empty when the next product starts a new row.
    TRect rowRect;
    // Placement settings, stored in the planogram file; set once, when the document is made.
    int addAlign = 0;
    int displayScale = 0;
    unsigned char unitsMode = 1;
    int wrapDirection = 0;
    bool pegHolesShown = false;
    // Unsaved changes: every change of the items, the header values or the builder list sets it;
    // zooming and selecting do not.
    bool modified = false;
    // The last item number given out.
    int itemCounter = 0;
    // Mouse editing.
    bool mouseDown = false;
    bool mouseIdle = true;
    int pressX = 0, pressY = 0, releaseX = 0, releaseY = 0;
    int grabDX = 0, grabDY = 0;
    bool grabbed = false;
    bool moved = false;
    int groupMembers = 0;
    TRect oldBox;
    // The selected item's product was found in the catalog, so its peg offsets are its own.
    bool selectedProductFound = false;
    int displayWidth = 0, displayHeight = 0;
    float typedWidth = 0, typedHeight = 0;
    TBitmap backBitmap;
    // The background picture stretched to the wall; null when none.
    std::unique_ptr<TBitmap> backgroundPicture;
    std::string backgroundPath, backgroundMacPath;
    bool backgroundMode = false;
    std::vector<BuilderEntry> builderList;
    std::unique_ptr<ListManager> items;
    GraphicsManager graphics;
    ZoomClass zoom;
    std::unique_ptr<didBase> catalog;
    TColor backgroundColor = clWhite;
    std::string fileName;
    int pegFirstX = 0, pegFirstY = 0, pegLastX = 0, pegLastY = 0;
    double pegHoleSize = 0;
    int pegPitchV = 0, pegPitchH = 0;
    double pegDepth = 0;
    int pegDepthUnits = 52;
    std::optional<ListOB> copyItem;
    Undo undo;
    double cmPerInch = 0.394;
    int unitsPerCm = 4;
    bool unitsInches = false;
    bool untitled = true;
    // The template the setup dialog's template page closed with OK on (empty for none chosen): the
    // document makes nothing of it, the main window opens it as a planogram file.
    std::string chosenTemplate;
    // The rulers' pictures: xRuler above the wall, yRuler beside it.
    TBitmap xRuler, yRuler;
    DocumentRenderer renderer;

private:
    void SetUpDataComponents();
    bool OpenCatalog();
    void GroupByBand(const TRect& band);
    // Moves the items of the list by (dx, dy) with their turned bounds, repainting what they leave
    // and cover, and marks the document.
    void MoveItems(const std::vector<ListOB*>& members, int dx, int dy);
    void RepaintGroupOf(ListOB& item, const TRect& before);
    void DrawFixture(const TRect& band);
    void CommitTextBox();
    bool MoveSelection(int dx, int dy);
    // No item is selected: frame, read-outs and the fixture update are cleared.
    void Deselect();
    // The item is selected: its group framed anew when asked, the selector and read-outs follow it.
    void ShowSelected(ListOB& item, bool newGroup);
    // Where the next product goes after the previous item (none: the caller's point).
    TPoint PlacementPoint(ListOB* previous, ListOB& item, int x, int y);
    // The catalog's current product into a new item, numbered next.
    void FillFromCatalog(ListOB& item);
    // A shelf under the new row, as long as the wall; the product placed stays current.
    void AddRowShelf();
    // Selects the item with its frame; none empties the frame.
    void FrameItem(ListOB* item);
    // Lowers the last item number by the removed items, never below the highest number left.
    void LowerItemCounter(int removed);
    bool TakeDisplaySize(int width, int height);
    void ApplySetup(const DisplaySetup& setup);
    void ShowWallSetUp();
};
