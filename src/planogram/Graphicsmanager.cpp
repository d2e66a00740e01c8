#include "planogram/Graphicsmanager.h"

#include "catalog/PictureFinder.h"
#include "imageformats/DecodedPictureCache.h"
#include "imageformats/PictureLoading.h"
#include "imageformats/Resampling.h"
#include "imageformats/TargaGraphic.h"
#include "planogram/DrawingSettings.h"
#include "planogram/Fixturerender.h"
#include "planogram/Listmanager.h"
#include "planogram/Picturehelpers.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr double InchesPerCentimetre = 0.394;
constexpr std::string_view Reorder = "REORDER!";
// How items' pictures are kept in the picture cache: decoded and then brought to the items' depth.
constexpr std::string_view AtItemDepth = " at item depth";
constexpr std::string_view CollectionReader = "collection";

std::uint64_t PixelBytes(int width, int height, int bitsPerPixel)
{
    return static_cast<std::uint64_t>(BytesPerScanLine(width, bitsPerPixel)) * static_cast<std::uint64_t>(height);
}

bool IsDrawableSize(long long width, long long height)
{
    return width <= GraphicsManager::MaxItemSide && height <= GraphicsManager::MaxItemSide &&
           width * height <= GraphicsManager::MaxItemPixels;
}

// The part of the item's box on the target, one pixel wider all round, so that the edges drawn are
// the box's own wherever they show.
TRect VisiblePart(const ListOB& item, const TBitmap& target)
{
    return Rect(std::max(item.left, -1), std::max(item.top, -1), std::min(item.right, target.Width() + 1),
                std::min(item.bottom, target.Height() + 1));
}

void DrawReorderWarning(TBitmap& itemBitmap)
{
    TCanvas& canvas = itemBitmap.Canvas();
    canvas.Brush.Color = clRed;
    canvas.Brush.Style = bsSolid;
    canvas.TextOut(5, itemBitmap.Height() - canvas.TextHeight(Reorder), Reorder);
}

// Items are composed at 32 bits per pixel. A kept picture of that depth is stretched onto an item
// by copying rows, where one of another depth would be converted pixel by pixel on every draw; the
// conversion made once here is that same one. A picture drawn once and gone is not worth converting
// whole. Every colour keeps its value, so what is transparent in a transparent picture stays so.
void BringToItemDepth(TBitmap& picture)
{
    if (BitsPerPixel(picture.PixelFormat()) != 32 &&
        PixelBytes(picture.Width(), picture.Height(), 32) <= DecodedPictures().LimitBytes())
        picture.SetPixelFormat(pfDevice);
}

// The size the item is drawn at, which its picture must cover.
TSize LeastSize(const ListOB& item) { return {item.right - item.left, item.bottom - item.top}; }

} // namespace

void DrawPlaceholder(const ListOB& item, TCanvas& canvas, const TRect& box)
{
    // Only the low 24 bits are a colour: a text hash may be negative.
    canvas.Brush.Color = static_cast<TColor>(item.color & 0xFFFFFF);
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(box);
    canvas.DrawEdge(box, EDGE_RAISED, BF_RECT);
    canvas.Font.Color = clWhite;
    canvas.TextOut(box.Left + 5, box.Top + box.Height() / 2, item.index);
}

GraphicsManager::GraphicsManager(PictureFinder& finder, const DrawingSettings& settings)
    : unitsMode(settings.UnitsMode()), displayScale(settings.DisplayScale()), tagFont(settings.TagFont()),
      tagColor(settings.TagColor()), finder_(finder), settings_(settings)
{
}

GraphicsManager::DrawingPass::DrawingPass(GraphicsManager& graphics)
    : graphics_(graphics), outer_(graphics.openPass_), files_(DecodedPictures())
{
    graphics_.openPass_ = this;
}

GraphicsManager::DrawingPass::~DrawingPass() { graphics_.openPass_ = outer_; }

const TBitmap* GraphicsManager::DrawingPass::StretchedPicture(const std::shared_ptr<const TBitmap>& picture, int width,
                                                              int height, TPixelFormat format)
{
    const int bits = BitsPerPixel(format);
    const int pictureBits = BitsPerPixel(picture->PixelFormat());
    if ((bits != 24 && bits != 32) || (pictureBits != 24 && pictureBits != 32) || picture->Transparent() ||
        width == picture->Width())
        return nullptr;
    Stretched& entry = stretched_[{picture.get(), width, height, format}];
    if (entry.picture.lock() != picture) {
        const int keptBits = BitsPerPixel(entry.pixels.PixelFormat());
        stretchedBytes_ -= PixelBytes(entry.pixels.Width(), entry.pixels.Height(), keptBits);
        entry.picture = picture;
        entry.draws = 0;
        entry.pixels.SetSize(0, 0);
    }
    if (!entry.pixels.Empty())
        return &entry.pixels;
    const std::uint64_t bytes = PixelBytes(width, height, bits);
    if (++entry.draws < 2 || stretchedBytes_ + bytes > MaxStretchedBytes)
        return nullptr;
    entry.pixels.SetPixelFormat(format);
    entry.pixels.SetSize(width, height);
    entry.pixels.Canvas().StretchDraw(Rect(0, 0, width, height), *picture);
    stretchedBytes_ += bytes;
    return &entry.pixels;
}

std::string GraphicsManager::FindPicture(const std::string& name)
{
    if (openPass_ == nullptr)
        return finder_.FindPicture(name);
    auto [found, first] = openPass_->found_.try_emplace(name);
    if (first)
        found->second = finder_.FindPicture(name);
    return found->second;
}

bool GraphicsManager::DrawItem(ListOB& item, TBitmap& target, const std::string& collectionPath)
{
    const long long boxWidth = static_cast<long long>(item.right) - item.left;
    const long long boxHeight = static_cast<long long>(item.bottom) - item.top;
    const bool fixture = FixtureKind(item.picture);
    isProduct = !fixture;
    if (boxWidth <= 0 || boxHeight <= 0)
        return true;
    if (!IsDrawableSize(boxWidth, boxHeight)) {
        const TRect visible = VisiblePart(item, target);
        if (!visible.IsEmpty())
            DrawPlaceholder(item, target.Canvas(), visible);
        return true;
    }
    const int width = static_cast<int>(boxWidth);
    const int height = static_cast<int>(boxHeight);
    const TRect box = Rect(0, 0, width, height);
    // A loaded picture is the cache's, shared with every item drawn from it: it is only read here.
    std::shared_ptr<const TBitmap> loaded;
    TBitmap drawn;
    bool placeholder = false;
    if (fixture) {
        drawn.SetSize(width, height);
        RenderFixture(item, drawn, doubleSize);
    } else if (!LoadProductPicture(item, collectionPath, loaded)) {
        drawn.SetSize(width, height);
        DrawPlaceholder(item, drawn.Canvas(), box);
        placeholder = true;
    }
    const TBitmap& picture = loaded ? *loaded : drawn;
    if (!picture.Transparent() && !(!fixture && AnyTagFlag()) && !item.reorder && item.rotation <= 0) {
        // Nothing goes over the picture and it is not turned: stretched straight onto the target, it
        // gives the pixels an item bitmap would, with one copy instead of three.
        const TBitmap* stretched = loaded && openPass_ != nullptr
                                       ? openPass_->StretchedPicture(loaded, width, height, target.PixelFormat())
                                       : nullptr;
        PutPicture(item, picture, stretched, target, placeholder);
        return true;
    }
    TBitmap itemBitmap;
    itemBitmap.SetSize(width, height);
    itemBitmap.Canvas().StretchDraw(box, picture);
    if (!fixture && AnyTagFlag())
        DrawTags(item, itemBitmap);
    if (item.reorder)
        DrawReorderWarning(itemBitmap);
    Compose(item, picture, itemBitmap, target, placeholder);
    return true;
}

bool GraphicsManager::AnyTagFlag() const
{
    return tagItemNr || tagPartNr || tagXY || tagBrand || tagCategory || tagCustom || tagStack || tagInventory ||
           tagUnitsSold;
}

std::string GraphicsManager::FacePicturePath(const ListOB& item) const
{
    const std::string prefix = item.face == 1 ? "side-" : item.face == 2 ? "top-" : "";
    const std::string folder = ExtractFilePath(item.picture);
    if (!Trim(folder).empty())
        return folder + prefix + ExtractFileName(item.picture);
    return pictureFolder + prefix + item.picture;
}

bool GraphicsManager::LoadProductPicture(const std::string& picture, const std::string& collectionPath, TBitmap& target)
{
    ListOB front;
    front.picture = picture;
    std::shared_ptr<const TBitmap> loaded;
    if (!LoadProductPicture(front, collectionPath, loaded))
        return false;
    target.Assign(*loaded);
    return true;
}

bool GraphicsManager::LoadProductPicture(const ListOB& item, const std::string& collectionPath,
                                         std::shared_ptr<const TBitmap>& picture)
{
    if (viewMode)
        return false;
    if (openPass_ == nullptr)
        return FindAndLoadProductPicture(item, collectionPath, picture);
    std::string key = collectionPath;
    key += '\0';
    key += item.picture;
    key += '\0';
    key += IntToStr(item.face);
    std::weak_ptr<const TBitmap>& taken = openPass_->pictures_[key];
    // An item larger than the one that took the picture may need it larger: the cache knows.
    const TSize least = LeastSize(item);
    if ((picture = taken.lock()) && picture->Width() >= least.cx && picture->Height() >= least.cy)
        return true;
    if (!FindAndLoadProductPicture(item, collectionPath, picture))
        return false;
    taken = picture;
    return true;
}

bool GraphicsManager::FindAndLoadProductPicture(const ListOB& item, const std::string& collectionPath,
                                                std::shared_ptr<const TBitmap>& picture)
{
    std::unique_ptr<TGraphic> reader = NewPictureReader(UpperCase(ExtractFileExt(item.picture)), ReaderTable::Drawing);
    if (reader == nullptr)
        return false;
    const bool fromCollection = UpperCase(ExtractFileExt(collectionPath)) == ".ZYB";
    const std::string found = FindPicture(fromCollection ? collectionPath : FacePicturePath(item));
    if (found.empty())
        return false;
    // A damaged picture must not stop the redraw of the whole planogram: it is drawn as its box, and
    // is not decoded again while its file stays as it is.
    try {
        if (SameText(ExtractFileExt(found), ".zyb")) {
            const std::string entry = ExtractFileName(item.picture);
            const std::string decoding = std::string(CollectionReader) + std::string(AtItemDepth);
            picture = DecodedPictures().UsablePicture(
                {found, entry, decoding}, LeastSize(item),
                [&](TBitmap& decoded, TSize least, TSize& whole) {
                    if (!finder_.ReadCollectionImage(found, entry, decoded))
                        return DecodeResult::Failed;
                    whole = {decoded.Width(), decoded.Height()};
                    ReduceToCover(decoded, least);
                    BringToItemDepth(decoded);
                    return DecodeResult::Picture;
                },
                unusablePictures_);
        } else {
            const std::string decoding = reader->ClassName() + std::string(AtItemDepth);
            picture = DecodedPictures().UsablePicture(
                {found, "", decoding}, LeastSize(item),
                [&](TBitmap& decoded, TSize least, TSize& whole) {
                    // A drawing shows no warnings: a picture read despite them is kept as any other,
                    // rather than read again on every redraw.
                    DecodeToDraw(*reader, found, decoded, least, whole, false);
                    BringToItemDepth(decoded);
                    return DecodeResult::Picture;
                },
                unusablePictures_);
        }
        return picture && !picture->Empty();
    } catch (const std::exception&) {
        return false;
    }
}

std::string GraphicsManager::TagText(const ListOB& item) const
{
    std::string text;
    if (tagCustom)
        text += item.customTag;
    if (tagItemNr)
        text += " nr.=" + IntToStr(item.itemNo);
    if (tagPartNr)
        text += "  part=" + item.index;
    if (tagStack)
        text += item.depth != 0 ? " depth=" + FloatToStr(item.hookdepth / item.depth) : std::string("depth=?");
    if (tagInventory)
        text += "  inventory=" + IntToStr(item.inventory);
    if (tagUnitsSold)
        text += "  units sold=" + IntToStr(item.unitsSold);
    if (tagCategory)
        text += " category=" + item.Category;
    if (tagBrand)
        text += " brand=" + item.Brand;
    if (tagXY)
        text += XYText(item);
    return text;
}

std::string GraphicsManager::XYText(const ListOB& item) const
{
    double x, y;
    if (unitsMode) {
        const double factor = settings_.UnitsInches() ? InchesPerCentimetre : 1.0;
        x = (item.left / 4) * factor;
        y = ((displayHeight - item.top) / 4) * factor;
    } else {
        // A scale of 0 from a damaged setting would divide by zero.
        const int scale = displayScale > 0 ? displayScale : 1;
        x = item.left / scale;
        y = (displayHeight - item.top) / scale;
    }
    if (doubleSize) {
        x /= 2;
        y /= 2;
    }
    return "  x=" + FloatToStr(x) + " y=" + FloatToStr(y) + " ";
}

void GraphicsManager::DrawTags(const ListOB& item, TBitmap& itemBitmap)
{
    const std::string text = TagText(item);
    TBitmap block;
    TCanvas& canvas = block.Canvas();
    canvas.Font = tagFont;
    int width = canvas.TextWidth(text);
    int height = canvas.TextHeight(text);
    if (doubleSize) {
        width = static_cast<int>(width * 1.5);
        height = static_cast<int>(height * 1.5);
        canvas.Font.SetSize(static_cast<int>(tagFont.Size() * 1.5));
    }
    const bool upright = item.tagRotation == 90;
    block.SetSize(upright ? height : width, upright ? width : height);
    canvas.Brush.Color = tagColor;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(Rect(0, 0, block.Width(), block.Height()));
    if (upright) {
        canvas.Font.SetHeight(-(canvas.Font.Size() * canvas.Font.PixelsPerInch() / 72));
        canvas.Font.Escapement = 900;
        canvas.TextOut(0, block.Height(), text);
    } else {
        canvas.TextOut(0, 0, text);
    }
    itemBitmap.Canvas().Draw(5, 5, block);
}

void GraphicsManager::Compose(ListOB& item, const TBitmap& picture, TBitmap& itemBitmap, TBitmap& target,
                              bool placeholder)
{
    if (item.rotation > 0) {
        RotateBitmap(item, itemBitmap, item.rotation, item.top, item.left, itemBitmap.Height(), itemBitmap.Width(),
                     target);
        return;
    }
    if (const std::optional<TColor> key = TransparentKey(picture, placeholder)) {
        itemBitmap.SetTransparentColor(*key);
        itemBitmap.SetTransparent(true);
        target.Canvas().Draw(item.left, item.top, itemBitmap);
        return;
    }
    target.Canvas().BitBlt(item.left, item.top, itemBitmap.Width(), itemBitmap.Height(), &itemBitmap.Canvas(), 0, 0,
                           SRCCOPY);
}

void GraphicsManager::PutPicture(const ListOB& item, const TBitmap& picture, const TBitmap* stretched, TBitmap& target,
                                 bool placeholder)
{
    const TRect place = Rect(item.left, item.top, item.right, item.bottom);
    if (stretched != nullptr)
        target.Canvas().StretchDrawFrom(place, picture, *stretched, TransparentKey(picture, placeholder));
    else if (const std::optional<TColor> key = TransparentKey(picture, placeholder))
        target.Canvas().StretchDrawKeyed(place, picture, *key);
    else
        target.Canvas().StretchDraw(place, picture);
}

std::optional<TColor> GraphicsManager::TransparentKey(const TBitmap& picture, bool placeholder) const
{
    // A placeholder's corner pixel is its edge's white, the colour of its part number: it is copied
    // as it is, so the number stays readable.
    if (!transparencySetting || !isProduct || placeholder)
        return std::nullopt;
    // The key is one pixel in from the picture's corner; a picture too small to have that pixel
    // is copied as it is.
    const TColor key = picture.Pixel(1, 1);
    if (key == CLR_INVALID)
        return std::nullopt;
    return key;
}

void GraphicsManager::RotateBitmap(ListOB& item, const TBitmap& source, double angle, int top, int left, int height,
                                   int width, TBitmap& target)
{
    ::RotateBitmap(item, source, angle, top, left, height, width, target, transparencySetting);
}

bool GraphicsManager::LoadPicture(const std::string& path, TBitmap& target)
{
    const std::shared_ptr<const TBitmap> picture = LoadCachedPicture(
        path, [this](const std::string& name) { return finder_.FindPicture(name); }, DecodedPictures());
    if (picture == nullptr)
        return false;
    // A picture the cache did not keep (too large, or warned about) is this load's alone: its pixels
    // move rather than being copied, so that it is never held twice. The cache made it changeable.
    if (picture.use_count() == 1)
        target.TakeOver(const_cast<TBitmap&>(*picture));
    else
        target.Assign(*picture);
    return true;
}

bool GraphicsManager::SaveTarga(const std::string& path, const TBitmap& bitmap)
{
    TTargaGraphic targa;
    targa.Assign(bitmap);
    targa.SaveToFile(path);
    return true;
}
