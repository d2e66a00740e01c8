#pragma once

#include "app/PictureSaving.h"
#include "catalog/CatalogManager.h"
#include "platform/core/Geometry.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Colors.h"

#include <memory>
#include <string>
#include <vector>

class DrawingSettings;
class GraphicsManager;
class PlanogramDocument;
class PictureFinder;
class Progress;
class TBitmap;

// What the optimise-size dialog was left holding when the user chose Optimize.
struct OptimizeSizeChoice {
    enum Side { Front, SideView, Top };
    int side = Front;
    // 0 centimetres, 1 inches.
    int unit = 0;
    std::string width;
    std::string height;
    std::string depth;
    bool bilinear = true;
};

// The drawing tools' grouped check buttons, of which at most one is down.
enum class PictureTool { None, CropDraw, CropDraw2, Measure, PegXY };
enum class ToolCursor { Default, Cross, HandPoint };
// Catalog capture: open or scan a display, crop it to its real size, then box and add each product.
enum class CaptureStep { Open, Crop, Boxes };

// The info bar's texts: what Add Product stores, and what Measure and Peg X/Y write.
struct CaptureEntry {
    std::string index;
    std::string description;
    std::string width;
    std::string height;
    std::string pegX;
    std::string pegY;
};

// Which entries the editor's menus offer as they open.
struct EditorMenuStates {
    bool saveOptimized = false;
    bool save = false;
    bool copy = false;
    bool undo = false;
    // Draw Crop, Draw Dots, both Connect entries, Remove Background and Optimize Size.
    bool pictureCommands = false;
};

// The picture editor without its window: the picture, its view scale, the tools' state, saving in
// the written formats, the sizes of the optimising commands and the questions asked on closing.
class PictureEditor {
public:
    PictureEditor(PictureFinder& finder, const DrawingSettings& settings);
    ~PictureEditor();
    PictureEditor(const PictureEditor&) = delete;
    PictureEditor& operator=(const PictureEditor&) = delete;

    static constexpr double MinZoom = 0.05;
    static constexpr double MaxZoom = 20;
    static constexpr double ZoomStep = 0.05;

    // Null until the first picture is loaded.
    std::unique_ptr<TBitmap> picture;
    // The picture before the last crop, first outline dot or Optimize Size.
    std::unique_ptr<TBitmap> undoSnapshot;
    double zoom = 1.0;
    // In view pixels; empty means none.
    TRect selection;
    TRect focusRect;
    bool dragging = false;
    bool modified = false;
    int dragStartX = 0;
    int dragStartY = 0;
    int dotSize = 4;
    int lastDotIndex = -1;
    std::vector<float> dotsX;
    std::vector<float> dotsY;
    bool addingDots = true;
    // Set by any key press, cleared by any key release.
    bool keyHeld = false;
    int selectedDot = -1;
    int rowCounter = 0;
    int curveOrder = 0;
    float curveEnd = 0;
    TColor fillColor = 0xFFFFFF;
    bool curveMode = true;
    // Where the saved picture's name goes on closing: a cell of this Catalog Manager's grid.
    CatalogManager* linkCatalog = nullptr;
    std::string linkPartNumber;
    std::string picturePath;
    int linkColumn = -1;
    bool catalogCapture = false;
    // Replaced with every picture.
    std::unique_ptr<GraphicsManager> graphics;
    EditorProduct product;

    // Steps while a picture is resampled (not owned; may be null).
    Progress* progress = nullptr;
    // The save dialog's state between runs.
    FileDialogOptions SaveDialog1;
    // The tools' buttons, the paint box's cursor and the marker shown while a dot is dragged.
    PictureTool tool = PictureTool::None;
    bool drawDotsDown = false;
    ToolCursor cursor = ToolCursor::Default;
    bool markerVisible = false;
    CaptureStep captureStep = CaptureStep::Open;
    CaptureEntry entry;
    // The size of the area the picture is shown in, for fitting.
    int clientWidth = 0;
    int clientHeight = 0;

    // A new empty picture, undo snapshot and graphics manager; false when they cannot be made.
    bool ResetPicture();
    // Loads the file (a failure is shown and leaves the picture empty), keeps the path it was found
    // under and fits the view; false only when the reset fails.
    bool OpenPicture(const std::string& path);
    void SetCatalogLink(CatalogManager& catalog, int column, const std::string& partNumber);
    // A scanned picture replaces the one shown. It has no file yet and counts as changed, so that
    // Save asks for a name and closing asks to save it.
    bool TakeScannedPicture(const TBitmap& scanned);
    bool HasPicture() const;

    // The largest zoom that shows the whole picture in the client area.
    void FitToWindow();
    // The zoom is kept within MinZoom..MaxZoom: the mouse mapping divides by it.
    void SetZoom(double factor);
    void ZoomIn() { SetZoom(zoom + ZoomStep); }
    void ZoomOut() { SetZoom(zoom - ZoomStep); }
    // The picture's size at the zoom, in whole view pixels.
    TSize ViewSize() const;

    // The drawing tools. The mouse arrives in picture pixels; the selection and the rubber band are
    // kept in view pixels.
    void MouseDown(int x, int y, bool rightButton);
    void MouseMove(int x, int y);
    void MouseUp(int x, int y);
    void DrawCropChanged();
    void DrawDotsChanged();
    // Nothing without a dot: the outline needs one.
    void ConnectStraight() { ConnectOutline(false); }
    void ConnectCurves() { ConnectOutline(true); }
    // Paints everything outside the outline (inside it with a key held) and the top-left pixel in the
    // fill colour, then starts a new outline.
    void RemoveBackground();
    // Writes the info bar's product into the next row of the linked Catalog Manager.
    void AddProduct();
    bool LinesEnabled() const { return addingDots && lastDotIndex >= 1; }
    bool CurvesEnabled() const { return addingDots && lastDotIndex >= 3; }
    bool RemoveBackgroundEnabled() const { return !addingDots; }
    // Forgets the dots: any change of the picture but the outline makes them stale.
    void ClearOutline();
    // The selection in picture pixels, within the picture.
    TRect SelectionInPicture() const;

    // Only a snapshot with pixels is offered: restoring an empty one would empty the picture.
    bool UndoAvailable() const;
    // The picture restored counts as changed when it is not what its file holds.
    void Undo();

    // Writes the picture back in its own format, or asks for a name and format first. True when it
    // was written; the picture then counts as saved.
    bool SavePicture();
    // Always asks, proposing the picture's name in its folder; a cancelled or failed save keeps the old
    // name.
    bool SaveAs();
    // Writes a copy resampled to 8 pixels a centimetre of the product's size, under a chosen name
    // ("-optimized" before the extension proposed). The picture keeps its own file and its changes; a
    // copy written over that file leaves the picture counted as changed, so that it is not lost.
    bool SaveOptimized();
    // Resizes the picture to the product's size on one side at 4 pixels a centimetre.
    bool OptimizeSize(const OptimizeSizeChoice& choice);

    // The save question before another picture replaces a changed one; false keeps the picture.
    bool MayReplacePicture();
    // The questions before the window closes; false keeps it open.
    bool CloseQuery();
    EditorMenuStates MenuStates() const;

private:
    bool CropToolDown() const { return tool == PictureTool::CropDraw || tool == PictureTool::CropDraw2; }
    bool BandToolDown() const { return CropToolDown() || tool == PictureTool::Measure; }
    void AddDot(int x, int y);
    // The first dot within the hit distance, or -1.
    int DotNear(int x, int y) const;
    void MoveSelectedDot(int x, int y);
    void ActInSelection(int x, int y);
    void Crop();
    void Measure();
    void TakePeg(int x, int y);
    void ConnectOutline(bool curve);
    // The straight outline over the picture, or the curve over the picture as it was.
    void DrawOutline();
    // The display's size typed by the user in its units, or nothing after saying why.
    std::optional<TSize> AskDisplaySize() const;

    // Which state of the picture each bitmap and the picture's file hold: every change makes a new
    // one, so that Undo can tell whether the picture it restores is the one saved.
    void NewPictureState();
    void PictureChanged();
    void TakeUndoSnapshot();
    void PictureSaved();
    bool SaveAskingIf(bool ask);
    // The save dialog run in the picture's folder with that name proposed; nothing when cancelled.
    std::optional<FileDialogResult> AskForName(const std::string& fileName);
    bool Write(const TBitmap& bitmap, const std::string& path, PictureFormat format);
    // A Cancel answer keeps the window open.
    bool AskToSaveChanges();
    bool AskToUpdateLink();
    bool HasLinkCell() const;

    PictureFinder& finder_;
    const DrawingSettings& settings_;
    // The file's state when no file holds the picture: a scan, or a file an optimised copy replaced.
    static constexpr unsigned long long NoState = 0;
    unsigned long long lastState_ = NoState;
    unsigned long long pictureState_ = NoState;
    unsigned long long snapshotState_ = NoState;
    unsigned long long savedState_ = NoState;
};

// The picture file the Picture Editor command opens for the planogram's current item: its front
// picture as a drawing finds it, else its picture name as it stands, so that the loader says why it
// cannot be read. Nothing without a current item, and for a fixture, whose picture text describes it.
std::optional<std::string> CurrentItemPicture(const PlanogramDocument& document, PictureFinder& finder);
