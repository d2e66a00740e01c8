#include "planogram/DocumentRenderer.h"

#include "catalog/Didbase.h"
#include "catalog/PictureFinder.h"
#include "imageformats/PictureOperations.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSelector.h"
#include "planogram/DocumentSetup.h"
#include "planogram/DocumentView.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/Rectservices.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/Progress.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int RulerThickness = 15;

int Scaled(int value, int scale)
{
    return static_cast<int>(std::clamp<std::int64_t>(static_cast<std::int64_t>(value) * scale, INT_MIN, INT_MAX));
}

TRect WholeOf(const TBitmap& bitmap) { return Rect(0, 0, bitmap.Width(), bitmap.Height()); }

// Fills the part of the block inside the bitmap with the pixel value: its first row pixel by pixel,
// and the others, where pixels take whole bytes, as copies of that row.
void FillBlock(TBitmap& bitmap, const TRect& block, std::uint32_t value)
{
    const TRect inside = Intersection(block, WholeOf(bitmap));
    if (inside.IsEmpty())
        return;
    const int bits = BitsPerPixel(bitmap.PixelFormat());
    for (int y = inside.Top; y < inside.Bottom; ++y) {
        if (y > inside.Top && bits % 8 == 0) {
            const auto offset = static_cast<std::size_t>(inside.Left) * static_cast<std::size_t>(bits / 8);
            std::memcpy(bitmap.ScanLine(y) + offset, bitmap.ScanLine(inside.Top) + offset,
                        static_cast<std::size_t>(inside.Width()) * static_cast<std::size_t>(bits / 8));
            continue;
        }
        for (int x = inside.Left; x < inside.Right; ++x)
            bitmap.SetPixelValue(x, y, value);
    }
}

void CopyBlock(TBitmap& target, const TRect& targetRect, TBitmap& source, int sourceX, int sourceY)
{
    if (targetRect.IsEmpty())
        return;
    target.Canvas().CopyRect(targetRect, source.Canvas(),
                             Rect(sourceX, sourceY, sourceX + targetRect.Width(), sourceY + targetRect.Height()));
}

void Line(TCanvas& canvas, int x1, int y1, int x2, int y2)
{
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

// Ruler labels are whole user units, the distance rounded to the nearest one.
std::string RulerLabel(double userUnits) { return IntToStr(static_cast<std::int64_t>(std::floor(userUnits + 0.5))); }

void PrepareRuler(TBitmap& ruler)
{
    TCanvas& canvas = ruler.Canvas();
    canvas.Font.Name = "Arial";
    canvas.Font.SetSize(7);
    canvas.Font.Color = clBlack;
    canvas.Brush.Color = clWhite;
    canvas.Brush.Style = bsSolid;
    canvas.Pen.Color = clBlack;
    canvas.FillRect(WholeOf(ruler));
}

} // namespace

DocumentRenderer::DocumentRenderer(PlanogramDocument& document) : document_(document) {}

TRect DocumentRenderer::DrawnArea(const ListOB& item)
{
    const TRect box = item.PlacementBox();
    if (!(item.rotation > 0))
        return box;
    const std::int64_t width = static_cast<std::int64_t>(item.right) - item.left;
    const std::int64_t height = static_cast<std::int64_t>(item.bottom) - item.top;
    // Too large a box is drawn as its placeholder, unturned.
    if (width <= 0 || height <= 0 || width > GraphicsManager::MaxItemSide || height > GraphicsManager::MaxItemSide)
        return box;
    return UnionOf(box, RotationSquare(item.left, item.top, static_cast<int>(width), static_cast<int>(height)));
}

void DocumentRenderer::FillWall(TBitmap& bitmap, const TRect& area)
{
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.Color = document_.backgroundColor;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(area);
}

void DocumentRenderer::DrawWall(const TRect& area)
{
    PlanogramDocument& document = document_;
    if (document.pegHolesShown) {
        // Holes whose corner lies up to a side before the area still reach into it.
        const int side = std::max(static_cast<int>(document.pegHoleSize), 1);
        DrawBackground(document.backBitmap, area.Left - side + 1, area.Top - side + 1, area.Right - 1, area.Bottom - 1);
    } else if (document.backgroundMode && document.backgroundPicture) {
        CopyBlock(document.backBitmap, Intersection(area, WholeOf(*document.backgroundPicture)),
                  *document.backgroundPicture, std::max(area.Left, 0), std::max(area.Top, 0));
    }
}

void DocumentRenderer::DrawBackground(TBitmap& bitmap, int left, int top, int right, int bottom)
{
    const PlanogramDocument& document = document_;
    const bool documentScale =
        bitmap.Width() == document.backBitmap.Width() && bitmap.Height() == document.backBitmap.Height();
    const int scale = documentScale ? 1 : 2;
    const int side = static_cast<int>(document.pegHoleSize * scale);
    if (side <= 0)
        return;
    // Only holes that can show in the bitmap are walked.
    const PegHoleList::Axis columns = PegHoleList::Positions(
        Scaled(document.pegFirstX, scale), Scaled(document.pegLastX, scale), Scaled(document.pegPitchH, scale),
        std::max(left, 1 - side), std::min(right, bitmap.Width() - 1));
    const PegHoleList::Axis rows = PegHoleList::Positions(
        Scaled(document.pegFirstY, scale), Scaled(document.pegLastY, scale), Scaled(document.pegPitchV, scale),
        std::max(top, 1 - side), std::min(bottom, bitmap.Height() - 1));
    const std::uint32_t black = bitmap.ValueOfColor(clBlack);
    for (int row = 0; row < rows.count; ++row)
        for (int column = 0; column < columns.count; ++column) {
            const int x = columns.At(column), y = rows.At(row);
            FillBlock(bitmap, Rect(x, y, x + side, y + side), black);
        }
}

void DocumentRenderer::RedrawAll()
{
    PlanogramDocument& document = document_;
    // Every change of the items is redrawn: the main window's commands follow from here.
    document.services.mainWindow.DocumentChanged(document);
    TBitmap& back = document.backBitmap;
    FillWall(back, WholeOf(back));
    DrawWall(WholeOf(back));
    Progress& bar = document.services.mainWindow.ProgressBar();
    bar.SetPosition(0);
    bar.SetMax(document.itemCounter);
    bar.SetStep(1);
    const std::string collection = document.catalog ? document.catalog->photoCollection : std::string();
    if (document.items) {
        GraphicsManager::DrawingPass pass(document.graphics);
        for (ListOB* item = document.items->head; item; item = item->next) {
            bar.StepIt();
            document.graphics.DrawItem(*item, back, collection);
        }
    }
    if (!document.selectionRect.IsEmpty())
        document.DrawSelection(document.selectionRect);
    document.services.view.WallChanged();
    bar.SetPosition(0);
}

void DocumentRenderer::RedrawArea(const TRect& area)
{
    PlanogramDocument& document = document_;
    document.services.mainWindow.DocumentChanged(document);
    TBitmap& back = document.backBitmap;
    const TRect dirty = Intersection(area, WholeOf(back));
    if (dirty.IsEmpty())
        return;
    std::vector<ListOB*> meeting;
    TRect touched = dirty;
    if (document.pegHolesShown)
        InflateBy(touched, std::max(static_cast<int>(document.pegHoleSize), 1));
    if (document.items) {
        for (ListOB* item = document.items->head; item; item = item->next) {
            const TRect drawn = DrawnArea(*item);
            if (Intersects(drawn, dirty)) {
                meeting.push_back(item);
                touched = UnionOf(touched, drawn);
            }
        }
    }
    // Items are drawn whole; what they (or holes) draw outside the area is put back afterwards, so
    // that the items over them stay on top.
    touched = Intersection(touched, WholeOf(back));
    TBitmap kept;
    kept.SetPixelFormat(back.PixelFormat());
    kept.SetSize(touched.Width(), touched.Height());
    CopyBlock(kept, WholeOf(kept), back, touched.Left, touched.Top);

    FillWall(back, dirty);
    DrawWall(dirty);
    const std::string collection = document.catalog ? document.catalog->photoCollection : std::string();
    GraphicsManager::DrawingPass pass(document.graphics);
    for (ListOB* item : meeting)
        document.graphics.DrawItem(*item, back, collection);

    const TRect bands[] = {Rect(touched.Left, touched.Top, touched.Right, dirty.Top),
                           Rect(touched.Left, dirty.Bottom, touched.Right, touched.Bottom),
                           Rect(touched.Left, dirty.Top, dirty.Left, dirty.Bottom),
                           Rect(dirty.Right, dirty.Top, touched.Right, dirty.Bottom)};
    for (const TRect& band : bands)
        CopyBlock(back, band, kept, band.Left - touched.Left, band.Top - touched.Top);
}

TRect DocumentRenderer::GroupArea(const ListOB* item, bool drawn) const
{
    if (!item)
        return TRect{};
    const auto areaOf = [drawn](const ListOB& member) {
        if (drawn)
            return DrawnArea(member);
        return member.rotation > 0 && !member.rotatedBox.IsEmpty() ? member.rotatedBox : member.PlacementBox();
    };
    TRect area = areaOf(*item);
    // A damaged chain that loops is walked no longer than the list.
    int steps = document_.items ? document_.items->Count() : 0;
    for (const ListOB* member = item->groupItem   ? item->groupItem
                                : item->childItem ? item
                                                  : nullptr;
         member && steps-- > 0; member = member->childItem)
        area = UnionOf(area, areaOf(*member));
    return area;
}

void DocumentRenderer::RedrawRect() { RedrawGroup(document_.selectionRect); }

void DocumentRenderer::RedrawGroup(const TRect& oldArea)
{
    PlanogramDocument& document = document_;
    const ListOB* current = document.items ? document.items->current : nullptr;
    RedrawArea(UnionOf(oldArea, GroupArea(current, true)));
    if (!oldArea.IsEmpty())
        document.services.view.InvalidateWindowRect(document.WindowRectOf(oldArea));
    document.DrawSelection(GroupArea(current, false));
    RefreshLayoutThumbnail();
}

void DocumentRenderer::RefreshLayoutThumbnail()
{
    DocumentSelector& selector = document_.services.selector;
    TBitmap& image = selector.LayoutImage();
    TBitmap& back = document_.backBitmap;
    if (image.Empty() || back.Empty())
        return;
    const double scale = std::max(static_cast<double>(back.Height()) / image.Height(),
                                  static_cast<double>(back.Width()) / image.Width());
    const TRect area = Rect(0, 0, static_cast<int>(std::lround(back.Width() / scale)),
                            static_cast<int>(std::lround(back.Height() / scale)));
    image.Canvas().FillRect(WholeOf(image));
    image.Canvas().StretchDraw(area, back);
    image.Canvas().DrawFocusRect(area);
    selector.LayoutImageChanged();
}

bool DocumentRenderer::LoadBackground()
{
    PlanogramDocument& document = document_;
    TBitmap& back = document.backBitmap;
    back.SetSize(0, 0);
    if (document.backgroundMode)
        LoadBackgroundPicture();
    if (document.catalog)
        document.catalog->First();
    try {
        // A wall as large as a shop's is written once, in its own colour.
        back.SetSizeFilled(document.displayWidth, document.displayHeight, document.backgroundColor);
    } catch (const std::exception&) {
        back.SetSize(0, 0);
        Ui().MessageBox("Memory allocation error.", "Error", MsgButtons::OK, MsgIcon::Stop);
        return false;
    }
    document.graphics.displayHeight = document.displayHeight;
    DrawWall(WholeOf(back));
    document.services.view.ZoomChanged();
    document.services.view.SizeWindowToWall();
    return true;
}

// A picture that cannot be shown leaves the stored path and mode as they are, so that the next save
// keeps them: only the showing is left out, and the wall's colour stands in.
void DocumentRenderer::LoadBackgroundPicture()
{
    PlanogramDocument& document = document_;
    document.backgroundPicture.reset();
    std::string path = document.services.pictureFinder.FindPicture(document.backgroundPath);
    if (path.empty()) {
        Ui().MessageBox("The background picture for this display could not be found.", ApplicationTitle, MsgButtons::OK,
                        MsgIcon::Warning);
        FileDialogOptions options;
        options.title = "Find Missing Background Picture";
        options.filter = TPicture::GraphicFilter();
        const std::optional<FileDialogResult> chosen = Ui().OpenDialog(options);
        path = chosen ? chosen->fileName : std::string();
    }
    document.services.setupDialog.ClearPictureFileName();
    if (path.empty()) {
        Ui().MessageBox("The background image for this display could not be found and will not be displayed.",
                        ApplicationTitle, MsgButtons::OK, MsgIcon::Warning);
        return;
    }
    document.backgroundPath = StoredPath(path);
    StretchBackgroundPicture(path);
}

void DocumentRenderer::StretchBackgroundPicture(const std::string& path)
{
    PlanogramDocument& document = document_;
    // A picture that exists but cannot be read says why: the loader names an unknown kind itself,
    // a reader's error is shown here.
    try {
        TBitmap picture;
        if (!document.graphics.LoadPicture(path, picture) || picture.Empty())
            return;
        auto stretched = std::make_unique<TBitmap>();
        stretched->SetSize(document.displayWidth, document.displayHeight);
        stretched->Canvas().StretchDraw(WholeOf(*stretched), picture);
        document.backgroundPicture = std::move(stretched);
    } catch (const Exception& error) {
        Ui().MessageBox(error.Message(), ApplicationTitle, MsgButtons::OK, MsgIcon::Warning);
    } catch (const std::bad_alloc&) {
        Ui().MessageBox("Memory allocation error.", "Error", MsgButtons::OK, MsgIcon::Stop);
    }
}

void DocumentRenderer::DrawRulers()
{
    PlanogramDocument& document = document_;
    document.xRuler.SetSize(document.zoom.ToScreen(document.backBitmap.Width()), RulerThickness);
    document.yRuler.SetSize(RulerThickness, document.zoom.ToScreen(document.backBitmap.Height()));
    if (document.unitsInches) {
        DrawVerticalRuler(document.yRuler, 0.39, 10, 120, 120);
        DrawHorizontalRuler(document.xRuler, 0.39, 10, 120, 120);
    } else {
        DrawVerticalRuler(document.yRuler, 1, 2, 20, 40);
        DrawHorizontalRuler(document.xRuler, 1, 2, 20, 40);
    }
}

double DocumentRenderer::UserUnits(int pixels, double labelFactor) const
{
    return pixels / document_.zoom.Factor() * labelFactor * 0.25;
}

void DocumentRenderer::DrawVerticalRuler(TBitmap& ruler, double labelFactor, int small, int medium, int large)
{
    if (ruler.Empty())
        return;
    PrepareRuler(ruler);
    TCanvas& canvas = ruler.Canvas();
    const int width = ruler.Width(), height = ruler.Height();
    // Measured upward from the bottom edge.
    for (int y = height; y >= 1; --y) {
        const int distance = height - y;
        if (distance % small == 0)
            Line(canvas, width - width / 3, y, width, y);
        if (distance % medium == 0)
            Line(canvas, width - width / 2, y, width, y);
        if (distance % large == 0) {
            Line(canvas, 0, y, width, y);
            canvas.TextOut(0, y + 2, RulerLabel(UserUnits(distance, labelFactor)));
        }
    }
    Line(canvas, 0, 1, width, 1);
    canvas.TextOut(0, -1, FloatToStr(UserUnits(height, labelFactor)));
    Line(canvas, 0, height - 1, width, height - 1);
    canvas.TextOut(0, height - 11, "0");
}

void DocumentRenderer::DrawHorizontalRuler(TBitmap& ruler, double labelFactor, int small, int medium, int large)
{
    if (ruler.Empty())
        return;
    PrepareRuler(ruler);
    TCanvas& canvas = ruler.Canvas();
    const int width = ruler.Width(), height = ruler.Height();
    for (int x = 0; x < width; ++x) {
        if (x % small == 0)
            Line(canvas, x, height, x, height - height / 3);
        if (x % medium == 0)
            Line(canvas, x, height, x, height - height / 2);
        if (x % large == 0) {
            Line(canvas, x, 0, x, height);
            canvas.TextOut(x + 2, 0, RulerLabel(UserUnits(x, labelFactor)));
        }
    }
    Line(canvas, 1, 0, 1, height);
    canvas.TextOut(3, 0, "0");
    Line(canvas, width - 1, 0, width - 1, height);
    canvas.TextOut(width - 11, 0, FloatToStr(UserUnits(width, labelFactor)));
}
