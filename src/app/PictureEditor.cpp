#include "app/PictureEditor.h"

#include "app/PictureOutline.h"

#include "catalog/CatalogManager.h"
#include "imageformats/PictureOperations.h"
#include "planogram/Graphicsmanager.h"
#include "planogram/Listmanager.h"
#include "planogram/Picturehelpers.h"
#include "planogram/PlanogramDocument.h"
#include "catalog/PictureFinder.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/ui/Application.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

constexpr std::string_view SaveOptimizedMissing =
    "Can't save optimized. Width or Height information missing for this product.";

constexpr double PixelsPerCm = 4;
// Catalog capture keeps the display at 4 pixels a unit, whichever unit the user types.
constexpr int PixelsPerDisplayUnit = 4;
constexpr double DisplayUnitsPerPixel = 0.25;
constexpr int MaxDisplaySize = 7500;
constexpr std::string_view DisplaySizeRange =
    "The display area's width and height must be whole numbers from 1 to 7500.";
constexpr double CmPerInch = 2.54;

// The two sizes a side of the product shows, and what is said when one of them is missing.
struct SidePair {
    const std::string& first;
    const std::string& second;
    std::string_view missing;
};

SidePair PairOfSide(const OptimizeSizeChoice& choice)
{
    switch (choice.side) {
    case OptimizeSizeChoice::SideView:
        return {choice.depth, choice.height, "The depth or height values are missing"};
    case OptimizeSizeChoice::Top:
        return {choice.width, choice.depth, "The width or depth values are missing"};
    default:
        return {choice.width, choice.height, "The width or height values are missing"};
    }
}

void Exclaim(std::string_view text, std::string_view caption)
{
    Ui().MessageBox(text, caption, MsgButtons::OK, MsgIcon::Warning);
}

// A 24-bit bitmap of the source resampled or stretched to the size.
void ResizeInto(const TBitmap& source, TBitmap& target, int width, int height, bool resample, Progress* progress)
{
    target.SetPixelFormat(pf24bit);
    target.SetSize(width, height);
    const TRect whole{0, 0, width, height};
    if (resample)
        ResampleBitmap(source, target, progress, whole, {0, 0, source.Width(), source.Height()});
    else
        target.Canvas().StretchDraw(whole, source);
}

// The name proposed for an optimised copy: the picture's own name with "-optimized" before its
// extension, so that accepting it never replaces the picture.
std::string OptimizedCopyName(const std::string& picturePath)
{
    const std::string name = ExtractFileName(picturePath);
    if (name.empty())
        return {};
    return ChangeFileExt(name, "") + "-optimized" + ExtractFileExt(name);
}

// Both paths name one existing file, whatever links or spellings lead to it.
bool SameFile(const std::string& first, const std::string& second)
{
    std::error_code error;
    return std::filesystem::equivalent(NativePath(first), NativePath(second), error);
}

} // namespace

PictureEditor::PictureEditor(PictureFinder& finder, const DrawingSettings& settings)
    : finder_(finder), settings_(settings)
{
    SaveDialog1.filter = PictureSaveFilter;
    SaveDialog1.defaultExt = DefaultExtensionOf(PictureFormat::JPEG);
}

PictureEditor::~PictureEditor() = default;

bool PictureEditor::ResetPicture()
{
    try {
        graphics = std::make_unique<GraphicsManager>(finder_, settings_);
        picture = std::make_unique<TBitmap>();
        undoSnapshot = std::make_unique<TBitmap>();
        ClearOutline();
        return true;
    } catch (const std::exception&) {
        // The caller learns of it through the result and frees the editor.
        return false;
    }
}

bool PictureEditor::OpenPicture(const std::string& path)
{
    if (!ResetPicture())
        return false;
    if (!ShowingExceptions([&] { return graphics->LoadPicture(path, *picture); }))
        picture = std::make_unique<TBitmap>();
    // The file the loader read, so that Save writes back to it rather than asking for a name.
    const std::string found = finder_.FindPicture(path);
    picturePath = found.empty() ? path : found;
    PictureChanged();
    PictureSaved();
    FitToWindow();
    return true;
}

bool PictureEditor::TakeScannedPicture(const TBitmap& scanned)
{
    if (!ResetPicture())
        return false;
    picture->Assign(scanned);
    picturePath.clear();
    PictureChanged();
    savedState_ = NoState;
    FitToWindow();
    return true;
}

void PictureEditor::SetCatalogLink(CatalogManager& catalog, int column, const std::string& partNumber)
{
    linkCatalog = &catalog;
    linkColumn = column;
    linkPartNumber = partNumber;
}

bool PictureEditor::HasPicture() const { return picture != nullptr && !picture->Empty(); }

void PictureEditor::FitToWindow()
{
    if (!HasPicture())
        return;
    const double ratioH = static_cast<double>(clientHeight) / picture->Height();
    const double ratioW = static_cast<double>(clientWidth) / picture->Width();
    SetZoom(std::min(ratioH, ratioW));
}

void PictureEditor::SetZoom(double factor) { zoom = std::clamp(factor, MinZoom, MaxZoom); }

TSize PictureEditor::ViewSize() const
{
    if (picture == nullptr)
        return {};
    return {static_cast<int>(picture->Width() * zoom), static_cast<int>(picture->Height() * zoom)};
}

bool PictureEditor::UndoAvailable() const { return undoSnapshot != nullptr && !undoSnapshot->Empty(); }

void PictureEditor::Undo()
{
    if (!UndoAvailable())
        return;
    picture->Assign(*undoSnapshot);
    pictureState_ = snapshotState_;
    modified = pictureState_ != savedState_;
    ClearOutline();
    SetZoom(zoom);
}

void PictureEditor::NewPictureState() { pictureState_ = ++lastState_; }

void PictureEditor::PictureChanged()
{
    NewPictureState();
    modified = true;
}

void PictureEditor::TakeUndoSnapshot()
{
    undoSnapshot->Assign(*picture);
    snapshotState_ = pictureState_;
}

void PictureEditor::PictureSaved()
{
    savedState_ = pictureState_;
    modified = false;
}

std::optional<FileDialogResult> PictureEditor::AskForName(const std::string& fileName)
{
    if (!picturePath.empty())
        SaveDialog1.initialDir = ExtractFileDir(picturePath);
    SaveDialog1.fileName = fileName;
    std::optional<FileDialogResult> choice = Ui().SaveDialog(SaveDialog1);
    if (!choice) {
        SaveDialog1.fileName.clear();
        return std::nullopt;
    }
    SaveDialog1.fileName = choice->fileName;
    SaveDialog1.filterIndex = choice->filterIndex;
    return choice;
}

bool PictureEditor::Write(const TBitmap& bitmap, const std::string& path, PictureFormat format)
{
    SaveDialog1.defaultExt = DefaultExtensionOf(format);
    return WritePicture(bitmap, path, format, *graphics);
}

bool PictureEditor::SavePicture() { return SaveAskingIf(NeedsSaveDialog(picturePath)); }

bool PictureEditor::SaveAs() { return SaveAskingIf(true); }

bool PictureEditor::SaveAskingIf(bool ask)
{
    if (!HasPicture())
        return false;
    std::string path = picturePath;
    std::optional<PictureFormat> format = WrittenFormatOf(path);
    if (ask) {
        const std::optional<FileDialogResult> choice = AskForName(SaveNamePreset(path));
        if (!choice)
            return false;
        path = choice->fileName;
        format = FormatOfFilterIndex(choice->filterIndex);
    }
    if (!Write(*picture, path, *format))
        return false;
    picturePath = path;
    PictureSaved();
    return true;
}

bool PictureEditor::SaveOptimized()
{
    if (!HasPicture())
        return false;
    if (product.width == 0 || product.height == 0) {
        Exclaim(SaveOptimizedMissing, ApplicationTitle);
        return false;
    }
    if (picture->Width() <= product.widthQuarterCm && picture->Height() <= product.heightQuarterCm) {
        Exclaim("Image is already optimized", ApplicationTitle);
        return false;
    }
    // 8 pixels a centimetre.
    const double width = 2.0 * product.widthQuarterCm;
    const double height = 2.0 * product.heightQuarterCm;
    switch (CheckNewPictureSize(width, height)) {
    case NewPictureSize::Missing:
        Exclaim(SaveOptimizedMissing, ApplicationTitle);
        return false;
    case NewPictureSize::TooLarge:
        ShowPictureTooLarge(width, height);
        return false;
    case NewPictureSize::Fine:
        break;
    }
    const std::optional<FileDialogResult> choice = AskForName(OptimizedCopyName(picturePath));
    if (!choice)
        return false;
    // Known before the write, which replaces the file's inode.
    const bool replacesOwnFile = SameFile(choice->fileName, picturePath);
    TBitmap optimized;
    ResizeInto(*picture, optimized, static_cast<int>(width), static_cast<int>(height), true, progress);
    // The full-size picture keeps its own file and changes: the optimised copy is another file.
    if (!Write(optimized, choice->fileName, FormatOfFilterIndex(choice->filterIndex)))
        return false;
    // Its file now holds the copy: the full-size picture is only here, and closing must ask to save it.
    if (replacesOwnFile) {
        savedState_ = NoState;
        modified = true;
    }
    return true;
}

bool PictureEditor::OptimizeSize(const OptimizeSizeChoice& choice)
{
    if (!HasPicture())
        return false;
    const SidePair pair = PairOfSide(choice);
    const double factor = choice.unit == 1 ? CmPerInch * PixelsPerCm : PixelsPerCm;
    const double width = Atof(pair.first) * factor;
    const double height = Atof(pair.second) * factor;
    const NewPictureSize size =
        pair.first.empty() || pair.second.empty() ? NewPictureSize::Missing : CheckNewPictureSize(width, height);
    if (size == NewPictureSize::Missing) {
        Exclaim(pair.missing, "Error");
        return false;
    }
    if (size == NewPictureSize::TooLarge) {
        ShowPictureTooLarge(width, height);
        return false;
    }
    TakeUndoSnapshot();
    TBitmap resized;
    ResizeInto(*picture, resized, static_cast<int>(width), static_cast<int>(height), choice.bilinear, progress);
    picture->TakeOver(resized);
    ClearOutline();
    PictureChanged();
    return true;
}

bool PictureEditor::AskToSaveChanges()
{
    switch (Ui().MessageBox("Save changes to picture", ApplicationTitle, MsgButtons::YesNoCancel, MsgIcon::Question)) {
    case MsgAnswer::Yes:
        // A cancelled or failed save keeps the window, so that the changes are not lost.
        return SavePicture();
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

bool PictureEditor::HasLinkCell() const
{
    return linkCatalog != nullptr && linkColumn >= 0 && linkColumn < linkCatalog->Grid.ColCount();
}

bool PictureEditor::AskToUpdateLink()
{
    const std::string question = "Update picture link for catalog item " + linkPartNumber + "?";
    switch (Ui().MessageBox(question, ApplicationTitle, MsgButtons::YesNoCancel, MsgIcon::Question)) {
    case MsgAnswer::Yes:
        linkCatalog->Grid.SetCells(linkColumn, linkCatalog->Grid.Row(), StoredPath(picturePath));
        linkCatalog->modified = true;
        return true;
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

bool PictureEditor::MayReplacePicture()
{
    // A capture's picture is only the means of measuring its display.
    return catalogCapture || !modified || AskToSaveChanges();
}

bool PictureEditor::CloseQuery()
{
    if (catalogCapture)
        return true;
    if (!MayReplacePicture())
        return false;
    if (!linkPartNumber.empty() && !picturePath.empty() && HasLinkCell())
        return AskToUpdateLink();
    return true;
}

void PictureEditor::ClearOutline()
{
    dotsX.clear();
    dotsY.clear();
    lastDotIndex = -1;
    selectedDot = -1;
    curveEnd = 0;
    addingDots = true;
    curveMode = true;
    markerVisible = false;
}

TRect PictureEditor::SelectionInPicture() const
{
    const TRect inPicture{static_cast<int>(selection.Left / zoom), static_cast<int>(selection.Top / zoom),
                          static_cast<int>(selection.Right / zoom), static_cast<int>(selection.Bottom / zoom)};
    if (!HasPicture())
        return {};
    return Intersection(inPicture, {0, 0, picture->Width(), picture->Height()});
}

void PictureEditor::MouseDown(int x, int y, bool rightButton)
{
    dragging = !rightButton;
    dragStartX = x;
    dragStartY = y;
    if (!addingDots) {
        selectedDot = DotNear(x, y);
        if (selectedDot < 0)
            return;
        MoveSelectedDot(x, y);
    } else if (drawDotsDown) {
        AddDot(x, y);
    }
    if (tool != PictureTool::None && !selection.IsEmpty())
        ActInSelection(x, y);
}

void PictureEditor::ActInSelection(int x, int y)
{
    if (PtInRect(SelectionInPicture(), {x, y})) {
        if (CropToolDown())
            Crop();
        else if (tool == PictureTool::Measure)
            Measure();
        else
            TakePeg(x, y);
        return;
    }
    selection = {};
    if (tool == PictureTool::CropDraw)
        tool = PictureTool::None;
    dragging = false;
}

void PictureEditor::MouseMove(int x, int y)
{
    if (dragging && BandToolDown()) {
        if (x != dragStartX && y != dragStartY)
            focusRect = {static_cast<int>(std::min(x, dragStartX) * zoom), static_cast<int>(std::min(y, dragStartY) * zoom),
                         static_cast<int>(std::max(x, dragStartX) * zoom), static_cast<int>(std::max(y, dragStartY) * zoom)};
    } else if (drawDotsDown && !CurvesEnabled()) {
        if (selectedDot >= 0)
            MoveSelectedDot(x, y);
        markerVisible = selectedDot >= 0 && dragging;
    } else if (!selection.IsEmpty()) {
        cursor = PtInRect(SelectionInPicture(), {x, y}) ? ToolCursor::HandPoint : ToolCursor::Default;
    }
}

void PictureEditor::MouseUp(int x, int y)
{
    dragging = false;
    if (drawDotsDown && !CurvesEnabled()) {
        markerVisible = false;
        if (selectedDot < 0 || !HasPicture())
            return;
        MoveSelectedDot(x, y);
        selectedDot = -1;
        DrawOutline();
        return;
    }
    if (!BandToolDown())
        return;
    selection = focusRect;
    focusRect = {};
}

void PictureEditor::DrawCropChanged() { cursor = CropToolDown() ? ToolCursor::Cross : ToolCursor::Default; }

void PictureEditor::DrawDotsChanged()
{
    if (!HasPicture())
        return;
    cursor = drawDotsDown ? ToolCursor::Cross : ToolCursor::Default;
    selection = {};
}

void PictureEditor::AddDot(int x, int y)
{
    if (!HasPicture())
        return;
    ++lastDotIndex;
    // The outline is drawn over the picture as it was before the first dot.
    if (lastDotIndex == 0)
        TakeUndoSnapshot();
    dotsX.push_back(static_cast<float>(x));
    dotsY.push_back(static_cast<float>(y));
}

int PictureEditor::DotNear(int x, int y) const
{
    const double reach = dotSize / zoom;
    for (size_t i = 0; i < dotsX.size(); ++i)
        if (std::abs(dotsX[i] - x) <= reach && std::abs(dotsY[i] - y) <= reach)
            return static_cast<int>(i);
    return -1;
}

void PictureEditor::MoveSelectedDot(int x, int y)
{
    dotsX[static_cast<size_t>(selectedDot)] = static_cast<float>(x);
    dotsY[static_cast<size_t>(selectedDot)] = static_cast<float>(y);
}

std::optional<TSize> PictureEditor::AskDisplaySize() const
{
    const int width = StrToInt(Ui().InputBox("Width", "Please enter the display area width in cm or inches", ""));
    const int height = StrToInt(Ui().InputBox("Height", "Please enter the display area height in cm or inches", ""));
    if (width < 1 || height < 1 || width > MaxDisplaySize || height > MaxDisplaySize) {
        Exclaim(DisplaySizeRange, ApplicationTitle);
        return std::nullopt;
    }
    const TSize size{width * PixelsPerDisplayUnit, height * PixelsPerDisplayUnit};
    if (CheckNewPictureSize(size.cx, size.cy) != NewPictureSize::Fine) {
        ShowPictureTooLarge(size.cx, size.cy);
        return std::nullopt;
    }
    return size;
}

void PictureEditor::Crop()
{
    const TRect part = SelectionInPicture();
    if (part.IsEmpty())
        return;
    const bool capture = tool == PictureTool::CropDraw2;
    TSize size{part.Width(), part.Height()};
    if (capture) {
        const std::optional<TSize> display = AskDisplaySize();
        if (!display)
            return;
        size = *display;
    }
    TakeUndoSnapshot();
    TBitmap cropped;
    cropped.SetPixelFormat(IsPaletteFormat(picture->PixelFormat()) ? pf24bit : picture->PixelFormat());
    cropped.SetSize(size.cx, size.cy);
    cropped.Canvas().CopyRect({0, 0, size.cx, size.cy}, picture->Canvas(), part);
    picture->TakeOver(cropped);
    if (capture)
        captureStep = CaptureStep::Boxes;
    ClearOutline();
    SetZoom(zoom);
    tool = PictureTool::None;
    cursor = ToolCursor::Default;
    selection = {};
    dragging = false;
    PictureChanged();
}

void PictureEditor::Measure()
{
    entry.width = FloatToStr(selection.Width() / zoom * DisplayUnitsPerPixel);
    entry.height = FloatToStr(selection.Height() / zoom * DisplayUnitsPerPixel);
    tool = PictureTool::None;
    dragging = false;
}

void PictureEditor::TakePeg(int x, int y)
{
    entry.pegX = FloatToStr((x - selection.Left / zoom) * DisplayUnitsPerPixel);
    entry.pegY = FloatToStr((y - selection.Top / zoom) * DisplayUnitsPerPixel);
    tool = PictureTool::None;
    dragging = false;
}

void PictureEditor::DrawOutline()
{
    if (curveMode) {
        curveOrder = 3;
        curveEnd = static_cast<float>(dotsX.size());
        // The curve is always drawn on the picture as it was before the first dot.
        picture->Assign(*undoSnapshot);
        DrawCurveOutline(picture->Canvas(), {dotsX, dotsY}, fillColor);
    } else {
        DrawStraightOutline(picture->Canvas(), {dotsX, dotsY});
    }
    // A guide, not a change to ask about; but a file saved with it no longer holds the picture Undo
    // brings back.
    NewPictureState();
    cursor = ToolCursor::Default;
}

void PictureEditor::ConnectOutline(bool curve)
{
    if (!HasPicture() || lastDotIndex < 0)
        return;
    curveMode = curve;
    DrawOutline();
    addingDots = false;
    SetZoom(zoom);
}

void PictureEditor::RemoveBackground()
{
    if (!HasPicture() || lastDotIndex < 0)
        return;
    curveOrder = 3;
    curveEnd = static_cast<float>(dotsX.size());
    picture->Assign(*undoSnapshot);
    // A palette may lack the fill colour: its nearest entry could be one the product shows, which
    // would then draw as transparent.
    if (IsPaletteFormat(picture->PixelFormat()))
        picture->SetPixelFormat(pf24bit);
    TCanvas& canvas = picture->Canvas();
    canvas.Pen.Mode = pmCopy;
    canvas.Pen.Style = psDash;
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = fillColor;
    const TSize size{picture->Width(), picture->Height()};
    FillPath(*picture, OutlinePath({dotsX, dotsY}, curveMode, size, !keyHeld), fillColor);
    // Product pictures are drawn with a corner pixel's colour as transparent.
    picture->SetPixel(0, 0, fillColor);
    ClearOutline();
    SetZoom(zoom);
    PictureChanged();
    dragging = false;
}

void PictureEditor::AddProduct()
{
    if (linkCatalog == nullptr || linkCatalog->catalog == nullptr)
        return;
    TStringGrid& grid = linkCatalog->Grid;
    const int row = rowCounter + 1;
    // One row more than the products, as Enter leaves it in the last row.
    grid.SetRowCount(std::max(grid.RowCount(), row) + 1);
    const std::pair<CatalogFieldRole, const std::string*> cells[] = {{RolePartNumber, &entry.index},
                                                                     {RoleDescription, &entry.description},
                                                                     {RoleWidth, &entry.width},
                                                                     {RoleHeight, &entry.height}};
    // The role table rather than ColumnOf: a catalog not yet saved counts no fields, while its grid
    // has every column. An absent role (-1) or a column past the grid is left alone.
    for (const auto& [role, text] : cells)
        grid.SetCells(linkCatalog->catalog->roles[static_cast<size_t>(role)], row, *text);
    ++rowCounter;
    linkCatalog->modified = true;
}

EditorMenuStates PictureEditor::MenuStates() const
{
    EditorMenuStates states;
    states.save = HasPicture();
    states.saveOptimized = states.save && !product.partNumber.empty();
    states.copy = states.save;
    states.undo = UndoAvailable();
    states.pictureCommands = states.save;
    return states;
}

std::optional<std::string> CurrentItemPicture(const PlanogramDocument& document, PictureFinder& finder)
{
    const ListOB* item = document.items ? document.items->current : nullptr;
    if (item == nullptr || FixtureKind(item->picture))
        return std::nullopt;
    ListOB front;
    front.picture = item->picture;
    const std::string found = finder.FindPicture(document.graphics.FacePicturePath(front));
    return found.empty() ? item->picture : found;
}
