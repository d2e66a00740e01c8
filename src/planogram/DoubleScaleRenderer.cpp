#include "planogram/DoubleScaleRenderer.h"

#include "catalog/Didbase.h"
#include "catalog/Didfilefinder.h"
#include "catalog/PictureFinder.h"
#include "planogram/Graphicsmanager.h"
#include "planogram/Listmanager.h"
#include "planogram/Picturehelpers.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/FilePaths.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"

#include <vector>

namespace {

constexpr int ItemFontSize = 20;

TRect WholeOf(const TBitmap& bitmap) { return Rect(0, 0, bitmap.Width(), bitmap.Height()); }

bool IsCollectionFile(const std::string& path) { return SameText(ExtractFileExt(path), ".zyb"); }

// Sets the manager's double-scale flag for one drawing and clears it however the drawing ends.
class DoubleSizeScope {
public:
    explicit DoubleSizeScope(GraphicsManager& graphics) : graphics_(graphics) { graphics_.doubleSize = true; }
    ~DoubleSizeScope() { graphics_.doubleSize = false; }
    DoubleSizeScope(const DoubleSizeScope&) = delete;
    DoubleSizeScope& operator=(const DoubleSizeScope&) = delete;

private:
    GraphicsManager& graphics_;
};

void DrawBackgroundPicture(PlanogramDocument& document, GraphicsManager& graphics, TBitmap& target)
{
    // Found as the screen finds it: the stored bytes may name the file in either reading.
    const std::string path = document.services.pictureFinder.FindPicture(document.backgroundPath);
    if (path.empty()) {
        Ui().MessageBox("The background image for this display could not be found and will not be printed.",
                        ApplicationTitle, MsgButtons::OK, MsgIcon::Warning);
        return;
    }
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    if (graphics.LoadPicture(path, picture) && !picture.Empty())
        target.Canvas().StretchDraw(WholeOf(target), picture);
}

void DrawWall(PlanogramDocument& document, GraphicsManager& graphics, TBitmap& target)
{
    TCanvas& canvas = target.Canvas();
    canvas.Brush.Color = document.backgroundColor;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(WholeOf(target));
    // The holes sit where the screen shows them, doubled, so products hung on them stay on them.
    if (document.pegHolesShown)
        document.renderer.DrawBackground(target, document.pegFirstX * 2, document.pegFirstY * 2, document.pegLastX * 2,
                                         document.pegLastY * 2);
    if (document.backgroundMode)
        DrawBackgroundPicture(document, graphics, target);
}

std::vector<ListOB> ItemCopies(const PlanogramDocument& document)
{
    std::vector<ListOB> copies;
    if (document.items)
        for (const ListOB* item = document.items->head; item; item = item->next)
            copies.push_back(*item);
    return copies;
}

// Draws every item; false when a cancel came before one of them.
bool DrawItems(PlanogramDocument& document, GraphicsManager& graphics, TBitmap& target, RenderMonitor& monitor)
{
    const std::string collection = document.catalog ? document.catalog->photoCollection : std::string();
    // As a redraw does: each picture is found and looked at once, however many items show it.
    GraphicsManager::DrawingPass pass(graphics);
    for (ListOB& item : ItemCopies(document)) {
        monitor.Step("Processing..." + item.index);
        if (monitor.Cancelled())
            return false;
        monitor.PumpEvents();
        item.left *= 2;
        item.top *= 2;
        item.right *= 2;
        item.bottom *= 2;
        item.picture = HighResolutionPicture(item, graphics, collection);
        DoubleSizeScope doubled(graphics);
        graphics.DrawItem(item, target, collection);
    }
    return true;
}

// The stamp is written over whatever the wall shows there, without a cell of the brush behind it.
void DrawStamp(TCanvas& canvas, const RenderStamp& stamp)
{
    const int size = canvas.Font.Size();
    const TBrushStyle style = canvas.Brush.Style;
    if (stamp.fontSize)
        canvas.Font.SetSize(*stamp.fontSize);
    canvas.Brush.Style = bsClear;
    canvas.TextOut(stamp.x, stamp.y, stamp.text);
    canvas.Brush.Style = style;
    canvas.Font.SetSize(size);
}

} // namespace

std::string HighResolutionPicture(const ListOB& item, const GraphicsManager& graphics,
                                  const std::string& collectionPath)
{
    if (FixtureKind(item.picture) || IsCollectionFile(collectionPath))
        return item.picture;
    ListOB twin = item;
    twin.picture = HighResolutionName(item.picture);
    const std::string face = graphics.FacePicturePath(twin);
    const bool bare = Trim(ExtractFilePath(item.picture)).empty();
    if (FileExists(face) || (bare && !collectionPath.empty() && FileExists(collectionPath + ExtractFileName(face))))
        return twin.picture;
    return item.picture;
}

bool RenderDoubleScale(PlanogramDocument& document, TBitmap& target, RenderMonitor& monitor,
                       const DoubleScaleOptions& options)
{
    GraphicsManager& graphics = options.graphics ? *options.graphics : document.graphics;
    target.SetPixelFormat(pf24bit);
    DrawWall(document, graphics, target);
    TCanvas& canvas = target.Canvas();
    const int fontSize = canvas.Font.Size();
    canvas.Font.SetSize(ItemFontSize);
    const bool drawn = DrawItems(document, graphics, target, monitor);
    canvas.Font.SetSize(fontSize);
    if (!drawn)
        return false;
    if (options.stamp)
        DrawStamp(canvas, *options.stamp);
    canvas.Brush.Color = clBlack;
    canvas.FrameRect(WholeOf(target));
    canvas.Brush.Color = document.backBitmap.Canvas().Brush.Color;
    return true;
}
