// The enhanced-metafile player of TPdfGenericDevice: walks a metafile's records and calls the
// device's operations for each. Metafiles come from other programs too, so every record is read
// through the checked EMF reader: a record that does not hold what it claims is passed over, and
// the walk ends where the records stop making sense.
#include "pdf/PdfGenericDevice.h"

#include "platform/core/LittleEndian.h"
#include "platform/graphics/EmfRecords.h"
#include "platform/graphics/Graphic.h"

#include <cmath>
#include <functional>
#include <optional>
#include <type_traits>

namespace {

constexpr int FallbackResolution = 96;
constexpr double HundredthsMmPerInch = 2540;
constexpr double MmPerInch = 25.4;

[[noreturn]] void NotAnEnhancedMetafile() { throw Exception("This is not an enhanced metafile"); }

// The header fields the player uses.
struct TPlayerHeader {
    std::uint32_t size = 0;
    TRect bounds;
    TRect frame; // 0.01 mm
    std::uint32_t records = 0;
    std::uint16_t handles = 0;
    TSize device;
    TSize millimeters;
};

TPlayerHeader ReadPlayerHeader(std::span<const std::uint8_t> data)
{
    if (data.size() < 8 || GetU32(data.data()) != EMR_HEADER)
        NotAnEnhancedMetafile();
    const std::uint32_t size = GetU32(data.data() + 4);
    if (size < EmfHeaderMinimumSize || size % 4 != 0 || size > data.size())
        NotAnEnhancedMetafile();
    const TEmfRecord record(data.first(size));
    if (record.U32(40) != EmfSignature)
        NotAnEnhancedMetafile();
    TPlayerHeader header;
    header.size = size;
    header.bounds = record.RectAt(8);
    header.frame = record.RectAt(24);
    header.records = record.U32(52);
    header.handles = record.U16(56);
    header.device = TSize{record.I32(72), record.I32(76)};
    header.millimeters = TSize{record.I32(80), record.I32(84)};
    return header;
}

// Pixels per inch of the metafile's device from its pixel and millimetre sizes; 96 where the
// millimetres are 0 or the result is no resolution.
int HeaderResolution(int pixels, int millimeters)
{
    if (millimeters == 0)
        return FallbackResolution;
    const int resolution = PdfRound(pixels / (millimeters / MmPerInch));
    return resolution > 0 ? resolution : FallbackResolution;
}

// One axis of fitting the frame into the page area: the frame's scale and the area's far end in
// metafile pixels.
struct TAxisFit {
    double frameScale = 1;
    int end = 0;
};

TAxisFit FitAxis(int frameStart, int frameEnd, int offset, int extent, int deviceResolution, int resolution)
{
    const double frameSize = std::fabs(double(frameEnd) - frameStart);
    if (extent <= 0 || frameSize == 0)
        return {1, PdfRound(frameEnd / HundredthsMmPerInch * resolution)};
    const int start = PdfRound(double(offset) / deviceResolution * resolution);
    const std::int64_t end = std::int64_t{PdfRound(double(extent) / deviceResolution * resolution)} + start;
    return {PdfRound(extent * HundredthsMmPerInch / deviceResolution) / frameSize, PdfRound(double(end))};
}

// Keeps the device values a metafile changes and brings them back however the playing ends.
class TDeviceValuesKeeper {
public:
    explicit TDeviceValuesKeeper(TPdfGenericDevice& device)
        : device_(device), stack_(device.DCStack()), unitsPerInchX_(stack_.UnitsPerInchX()),
          unitsPerInchY_(stack_.UnitsPerInchY()), baseMatrix_(stack_.BaseMatrix()), frameOffset_(stack_.FrameOffset()),
          frameScaleX_(stack_.FrameScaleX()), frameScaleY_(stack_.FrameScaleY()), resolutionX_(device.ResolutionX()),
          resolutionY_(device.ResolutionY())
    {
        stack_.SetFrameScale(1, 1);
    }
    ~TDeviceValuesKeeper()
    {
        stack_.SetUnitsPerInch(unitsPerInchX_, unitsPerInchY_);
        stack_.SetBaseMatrix(baseMatrix_);
        stack_.SetFrameOffset(frameOffset_);
        stack_.SetFrameScale(frameScaleX_, frameScaleY_);
        device_.SetDeviceResolution(resolutionX_, resolutionY_);
        device_.SetWorldChanged(true);
    }
    TDeviceValuesKeeper(const TDeviceValuesKeeper&) = delete;
    TDeviceValuesKeeper& operator=(const TDeviceValuesKeeper&) = delete;

private:
    TPdfGenericDevice& device_;
    TPdfDCStack& stack_;
    double unitsPerInchX_;
    double unitsPerInchY_;
    TPdfXForm baseMatrix_;
    TPoint frameOffset_;
    double frameScaleX_;
    double frameScaleY_;
    int resolutionX_;
    int resolutionY_;
};

// Fits the frame onto the page area, sets the device up for the metafile's units and opens the page.
bool FitFrame(TPdfGenericDevice& device, const TPlayerHeader& header, int x, int y, int width, int height,
              int resolutionX, int resolutionY)
{
    TPdfDCStack& stack = device.DCStack();
    const TRect& frame = header.frame;
    // The picture's place is in device pixels; the base matrix moves in points.
    const auto offsetX = static_cast<float>(x * 72.0 / device.ResolutionX());
    const auto offsetY = static_cast<float>(y * 72.0 / device.ResolutionY());
    int resX = FallbackResolution, resY = FallbackResolution;
    int x1 = 0, y1 = 0;
    if (header.bounds.Right != 0 && frame.Right != 0) {
        resX = resolutionX > 0 ? resolutionX : HeaderResolution(header.device.cx, header.millimeters.cx);
        resY = resolutionY > 0 ? resolutionY : HeaderResolution(header.device.cy, header.millimeters.cy);
        const TAxisFit fitX = FitAxis(frame.Left, frame.Right, x, width, device.ResolutionX(), resX);
        const TAxisFit fitY = FitAxis(frame.Top, frame.Bottom, y, height, device.ResolutionY(), resY);
        x1 = fitX.end;
        y1 = fitY.end;
        stack.SetFrameScale(fitX.frameScale, fitY.frameScale);
        stack.SetBaseMatrix(TPdfXForm{static_cast<float>(72.0 / resX * fitX.frameScale), 0, 0,
                                      static_cast<float>(72.0 / resY * fitY.frameScale), offsetX, offsetY});
    } else {
        if (header.millimeters.cx != 0 && header.millimeters.cy != 0) {
            resX = HeaderResolution(header.device.cx, header.millimeters.cx);
            resY = HeaderResolution(header.device.cy, header.millimeters.cy);
        }
        x1 = frame.Right;
        y1 = frame.Bottom;
        stack.SetBaseMatrix(
            TPdfXForm{static_cast<float>(72.0 / resX), 0, 0, static_cast<float>(72.0 / resY), offsetX, offsetY});
    }
    stack.SetFrameOffset(TPoint{PdfRound(-double(frame.Left) * resX / HundredthsMmPerInch),
                                PdfRound(-double(frame.Top) * resY / HundredthsMmPerInch)});
    stack.SetUnitsPerInch(resX, resY);
    device.DC().viewportExt = TPoint{resX, resY};
    return device.CheckOpenPage(x1, y1, resX, resY);
}

// The value a typed record reader returns, or none when the record does not hold what it claims.
template <typename Read> std::optional<std::invoke_result_t<Read>> Checked(Read read)
{
    try {
        return read();
    } catch (const EInvalidGraphic&) {
        return std::nullopt;
    }
}

class TEmfPlayer {
public:
    TEmfPlayer(TPdfGenericDevice& device, std::span<const std::uint8_t> data, const TPlayerHeader& header)
        : device_(device), data_(data), handles_(std::size_t{header.handles} + 1, 0), next_(header.size),
          // The header is one of the records.
          remaining_(header.records == 0 ? 0 : header.records - 1)
    {
    }

    void Walk()
    {
        while (remaining_ > 0) {
            const std::optional<TEmfRecord> record = RecordAt(next_);
            if (!record || record->Type() == EMR_EOF)
                return;
            next_ += record->Size();
            --remaining_;
            if (record->Size() >= EmfMinimumRecordSize(record->Type()))
                Play(*record);
        }
    }

private:
    // The record at a byte offset; none where no whole, aligned record of at least 8 bytes lies.
    std::optional<TEmfRecord> RecordAt(std::size_t offset) const
    {
        if (offset > data_.size() || data_.size() - offset < 8)
            return std::nullopt;
        const std::uint32_t size = GetU32(data_.data() + offset + 4);
        if (size < 8 || size % 4 != 0 || size > data_.size() - offset)
            return std::nullopt;
        return TEmfRecord(data_.subspan(offset, size));
    }

    void Play(const TEmfRecord& record);
    void PlayPoints(const TEmfRecord& record);
    void PlayPolyPoly(const TEmfRecord& record);
    void PlayCreate(const TEmfRecord& record);
    void PlayDelete(std::uint32_t index);
    void PlayClipRect(const TEmfRecord& record);
    void PlayClipRegion(const TEmfRecord& record);
    void PlayBlt(const TEmfRecord& record);
    void PlayText(const TEmfRecord& record);
    void CreateObject(std::uint32_t index, const std::function<std::int32_t()>& create);
    std::int32_t Translate(std::uint32_t index) const;
    void LookAheadForClip();
    bool RegionSelectionFollows();
    bool ClipSupported() const { return device_.Modes().Contains(peClipRectSupport); }

    TPdfGenericDevice& device_;
    std::span<const std::uint8_t> data_;
    // The metafile's object indices to the device's handles.
    std::vector<std::int32_t> handles_;
    std::size_t next_;
    std::uint32_t remaining_;
    // A q is open for a clip that a coming region selection replaces; that selection closes it.
    bool clipSaved_ = false;
    // No region selection follows before the save level ends for a look-ahead from up to here.
    std::size_t noRegionUntil_ = 0;
};

void TEmfPlayer::Play(const TEmfRecord& r)
{
    TPdfGenericDevice& d = device_;
    switch (r.Type()) {
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
        PlayPoints(r);
        break;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16:
        PlayPolyPoly(r);
        break;
    case EMR_SETWINDOWEXTEX:
        d.SetWindowExtEx(r.I32(8), r.I32(12));
        break;
    case EMR_SETWINDOWORGEX:
        d.SetWindowOrgEx(r.I32(8), r.I32(12));
        break;
    case EMR_SETVIEWPORTEXTEX:
        d.SetViewPortExtEx(r.I32(8), r.I32(12));
        break;
    case EMR_SETVIEWPORTORGEX:
        d.SetViewPortOrgEx(r.I32(8), r.I32(12));
        break;
    case EMR_SETBRUSHORGEX:
        d.SetBrushOrgEx(r.I32(8), r.I32(12));
        break;
    case EMR_SETPIXELV:
        d.SetPixelV(r.I32(8), r.I32(12), r.I32(16));
        break;
    case EMR_SETMAPMODE:
        d.SetMapMode(r.I32(8));
        break;
    case EMR_SETBKMODE:
        d.SetBKMode(r.I32(8));
        break;
    case EMR_SETPOLYFILLMODE:
        d.SetPolyFillMode(r.I32(8));
        break;
    case EMR_SETROP2:
        d.SetRop2(r.I32(8));
        break;
    case EMR_SETTEXTALIGN:
        d.SetTextAlign(r.U32(8));
        break;
    case EMR_SETTEXTCOLOR:
        d.SetTextColor(r.I32(8));
        break;
    case EMR_SETBKCOLOR:
        d.SetBKColor(r.I32(8));
        break;
    case EMR_OFFSETCLIPRGN:
        d.OffsetClipRgn();
        break;
    case EMR_MOVETOEX:
        d.MoveToEx(r.I32(8), r.I32(12), nullptr);
        break;
    case EMR_EXCLUDECLIPRECT:
    case EMR_INTERSECTCLIPRECT:
        PlayClipRect(r);
        break;
    case EMR_SCALEVIEWPORTEXTEX:
        d.ScaleViewportExtEx(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
        break;
    case EMR_SCALEWINDOWEXTEX:
        d.ScaleWindowExtEx(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
        break;
    case EMR_SAVEDC:
        d.SaveDC();
        break;
    case EMR_RESTOREDC:
        d.RestoreDC(r.I32(8));
        break;
    case EMR_SETWORLDTRANSFORM:
        d.SetWorldTransform(r.Float(8), r.Float(12), r.Float(16), r.Float(20), r.Float(24), r.Float(28));
        break;
    case EMR_MODIFYWORLDTRANSFORM:
        d.ModifyWorldTransform(TPdfXForm{r.Float(8), r.Float(12), r.Float(16), r.Float(20), r.Float(24), r.Float(28)},
                               r.I32(32));
        break;
    case EMR_SELECTOBJECT:
        d.SelectObject(Translate(r.U32(8)));
        break;
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_CREATEPALETTE:
    case EMR_EXTCREATEFONTINDIRECTW:
        PlayCreate(r);
        break;
    case EMR_DELETEOBJECT:
        PlayDelete(r.U32(8));
        break;
    case EMR_ANGLEARC:
        d.AngleArc(r.I32(8), r.I32(12), r.I32(16), r.Float(20), r.Float(24));
        break;
    case EMR_ELLIPSE:
        d.Ellipse(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
        break;
    case EMR_RECTANGLE:
        d.Rectangle(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
        break;
    case EMR_ROUNDRECT:
        d.RoundRect(r.I32(8), r.I32(12), r.I32(16), r.I32(20), r.I32(24), r.I32(28));
        break;
    case EMR_ARC:
    case EMR_ARCTO:
        d.Arc(r.RectAt(8), r.PointAt(24), r.PointAt(32), r.Type() == EMR_ARCTO);
        break;
    case EMR_CHORD:
        d.Chord(r.RectAt(8), r.PointAt(24), r.PointAt(32));
        break;
    case EMR_PIE:
        d.Pie(r.RectAt(8), r.PointAt(24), r.PointAt(32));
        break;
    case EMR_SELECTPALETTE:
        d.SelectPalette(Translate(r.U32(8)));
        break;
    case EMR_REALIZEPALETTE:
        d.RealizePalette();
        break;
    case EMR_LINETO:
        d.LineTo(r.I32(8), r.I32(12));
        break;
    case EMR_POLYDRAW:
        if (const auto draw = Checked([&] { return ReadEmfPolyDraw(r); }); draw && !draw->Points.empty())
            d.PolyDraw(draw->Points, draw->Types);
        break;
    case EMR_SETARCDIRECTION:
        d.SetArcDirection(r.I32(8));
        break;
    case EMR_BEGINPATH:
        d.BeginPath(pesStrokeAndFill);
        break;
    case EMR_ENDPATH:
        d.EndPath();
        break;
    case EMR_CLOSEFIGURE:
        d.CloseFigure();
        break;
    case EMR_FILLPATH:
        d.StrokeAndFillPath(false, true);
        break;
    case EMR_STROKEANDFILLPATH:
        d.StrokeAndFillPath(true, true);
        break;
    case EMR_STROKEPATH:
        d.StrokeAndFillPath(true, false);
        break;
    case EMR_SELECTCLIPPATH:
        d.SelectClipPath(r.I32(8));
        break;
    case EMR_ABORTPATH:
        d.AbortPath();
        break;
    case EMR_GDICOMMENT:
        if (const auto comment = Checked([&] { return ReadEmfComment(r); }))
            d.GDIComment(*comment);
        break;
    case EMR_FILLRGN:
        d.FillRgnData();
        break;
    case EMR_FRAMERGN:
        d.FrameRgnData();
        break;
    case EMR_INVERTRGN:
        d.InvertRgnData();
        break;
    case EMR_PAINTRGN:
        d.PaintRgnData();
        break;
    case EMR_EXTSELECTCLIPRGN:
        PlayClipRegion(r);
        break;
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_STRETCHDIBITS:
        PlayBlt(r);
        break;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        PlayText(r);
        break;
    case EMR_SETTEXTJUSTIFICATION:
        d.SetTextJustification(r.I32(8), r.I32(12));
        break;
    default:
        // The header, mapper flags, stretch mode, colour adjustment, meta region, palette entries and
        // size, flood fill, miter limit, path flattening and widening, mask and parallelogram blts,
        // DIBs set to the device, 16-bit poly-draw, pattern brushes and every later type are not
        // drawn by this device.
        break;
    }
}

void TEmfPlayer::PlayPoints(const TEmfRecord& record)
{
    const auto points = Checked([&] { return ReadEmfPoints(record); });
    if (!points || points->empty())
        return;
    switch (record.Type()) {
    case EMR_POLYBEZIER:
    case EMR_POLYBEZIER16:
        device_.PolyBezier(*points, false);
        break;
    case EMR_POLYBEZIERTO:
    case EMR_POLYBEZIERTO16:
        device_.PolyBezier(*points, true);
        break;
    case EMR_POLYGON:
    case EMR_POLYGON16:
        device_.Polygon(*points);
        break;
    case EMR_POLYLINE:
    case EMR_POLYLINE16:
        device_.Polyline(*points, false);
        break;
    case EMR_POLYLINETO:
    case EMR_POLYLINETO16:
        device_.Polyline(*points, true);
        break;
    }
}

// Polygons are filled as one path so that the inner ones cut holes; polylines of the 16-bit record
// are stroked as one path too, each left open as drawn.
void TEmfPlayer::PlayPolyPoly(const TEmfRecord& record)
{
    const auto poly = Checked([&] { return ReadEmfPolyPoly(record); });
    if (!poly || poly->Counts.empty())
        return;
    const bool polygons = record.Type() == EMR_POLYPOLYGON || record.Type() == EMR_POLYPOLYGON16;
    const bool asOnePath = record.Type() != EMR_POLYPOLYLINE;
    if (asOnePath)
        device_.BeginPath(polygons ? pesStrokeAndFill : pesStroke);
    const std::span<const TPoint> points = poly->Points;
    std::size_t start = 0;
    for (const std::uint32_t count : poly->Counts) {
        const std::span<const TPoint> part = points.subspan(start, count);
        start += count;
        if (polygons)
            device_.Polygon(part);
        else
            device_.Polyline(part, false);
    }
    if (!asOnePath)
        return;
    if (polygons)
        device_.CloseFigure();
    device_.EndPath();
    if (device_.PathDepth() == 0)
        device_.StrokeAndFillPath(true, polygons);
}

void TEmfPlayer::PlayCreate(const TEmfRecord& record)
{
    switch (record.Type()) {
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN:
        if (const auto pen = Checked([&] { return ReadEmfPen(record); }))
            CreateObject(pen->Index, [&] { return device_.CreatePen(pen->Style, pen->Width, pen->Color); });
        break;
    case EMR_CREATEBRUSHINDIRECT: {
        const TEmfBrush brush = ReadEmfBrush(record);
        // Style numbers beyond the four GDI brush styles (pattern brushes) are drawn solid.
        const TPdfBrushStyles style =
            brush.Style <= pebs_Pattern ? static_cast<TPdfBrushStyles>(brush.Style) : pebs_Solid;
        CreateObject(brush.Index, [&] {
            return device_.CreateBrushIndirect(style, static_cast<TColor>(brush.Color),
                                               static_cast<std::int32_t>(brush.Hatch));
        });
        break;
    }
    case EMR_CREATEPALETTE:
        if (const auto palette = Checked([&] { return ReadEmfPalette(record); }))
            CreateObject(palette->Index, [&] { return device_.CreatePalette(palette->Entries); });
        break;
    case EMR_EXTCREATEFONTINDIRECTW:
        CreateObject(record.U32(8), [&] { return device_.CreateFontIndirect(record.Bytes().subspan(12)); });
        break;
    }
}

void TEmfPlayer::PlayDelete(std::uint32_t index)
{
    device_.DeleteObject(Translate(index));
    // The index is free again; a later record must not reach a handle the device reuses.
    if (index < handles_.size())
        handles_[index] = 0;
}

// An index outside the header's handle count names no slot: such a record is passed over.
void TEmfPlayer::CreateObject(std::uint32_t index, const std::function<std::int32_t()>& create)
{
    if (index < handles_.size())
        handles_[index] = create();
}

std::int32_t TEmfPlayer::Translate(std::uint32_t index) const
{
    if (index & EmfStockObject)
        return device_.Objects().GetStockObject(static_cast<int>(index & ~EmfStockObject));
    return index < handles_.size() ? handles_[index] : 0;
}

void TEmfPlayer::PlayClipRect(const TEmfRecord& record)
{
    if (!ClipSupported())
        return;
    LookAheadForClip();
    if (record.Type() == EMR_INTERSECTCLIPRECT)
        device_.IntersectClipRect(record.I32(8), record.I32(12), record.I32(16), record.I32(20));
    else
        device_.ExcludeClipRect();
}

void TEmfPlayer::PlayClipRegion(const TEmfRecord& record)
{
    if (!ClipSupported())
        return;
    const auto region = Checked([&] { return ReadEmfRegion(record); });
    if (!region)
        return;
    if (clipSaved_) {
        device_.PSRestoreState();
        clipSaved_ = false;
    }
    if (record.U32(8) == 0)
        return;
    LookAheadForClip();
    device_.SelectClipRGN(record.I32(12), region->Bounds, region->Rects);
}

// A clip that a later region selection replaces must be undone by then, and the content stream can
// only drop a clip by closing its q: when such a selection follows within the current save level,
// a q opens here.
void TEmfPlayer::LookAheadForClip()
{
    if (clipSaved_ || next_ <= noRegionUntil_)
        return;
    if (RegionSelectionFollows()) {
        clipSaved_ = true;
        device_.PSSaveState();
    }
}

// Whether a region selection follows before the current save level ends. When none does, no look-ahead
// from a record up to where this one stopped can find one either, since the level ends there for each
// of them too: that stretch is not walked again, so that many clips cost no more than one walk.
bool TEmfPlayer::RegionSelectionFollows()
{
    int depth = 0;
    std::size_t offset = next_;
    for (std::uint32_t left = remaining_; left > 0; --left) {
        const std::optional<TEmfRecord> record = RecordAt(offset);
        if (!record)
            break;
        const std::uint32_t type = record->Type();
        if (type == EMR_EXTSELECTCLIPRGN)
            return true;
        if (type == EMR_EOF || (type == EMR_RESTOREDC && --depth < 0))
            break;
        if (type == EMR_SAVEDC)
            ++depth;
        offset += record->Size();
    }
    noRegionUntil_ = offset;
    return false;
}

// A BITBLT's source is drawn only as a plain copy: the device draws bitmaps opaque, so a mask
// (SRCAND, SRCPAINT, SRCINVERT) drawn that way would paint a box. A STRETCHBLT's bitmap is drawn
// whatever its raster operation, and a failure to draw it leaves the rest of the page to play.
void TEmfPlayer::PlayBlt(const TEmfRecord& record)
{
    if (record.Type() == EMR_STRETCHDIBITS) {
        if (const auto stretch = Checked([&] { return ReadEmfStretchDIBits(record); }))
            device_.StretchDIBits(stretch->DestOrigin.X, stretch->DestOrigin.Y, stretch->DestSize.cx,
                                  stretch->DestSize.cy, stretch->SourceOrigin.X, stretch->SourceOrigin.Y,
                                  stretch->SourceSize.cx, stretch->SourceSize.cy, stretch->Dib.Bits, stretch->Dib.Info,
                                  stretch->Dib.Usage, stretch->Rop);
        return;
    }
    const auto blt = Checked([&] { return ReadEmfBitBlt(record); });
    if (!blt)
        return;
    if (blt->Source.Info.empty()) {
        device_.BitBlt(blt->DestOrigin.X, blt->DestOrigin.Y, blt->DestSize.cx, blt->DestSize.cy, blt->Rop);
        return;
    }
    const auto drawSource = [&] {
        device_.StretchDIBits(blt->DestOrigin.X, blt->DestOrigin.Y, blt->DestSize.cx, blt->DestSize.cy,
                              blt->SourceOrigin.X, blt->SourceOrigin.Y, blt->SourceSize.cx, blt->SourceSize.cy,
                              blt->Source.Bits, blt->Source.Info, blt->Source.Usage, blt->Rop);
    };
    if (record.Type() == EMR_BITBLT) {
        if (blt->Rop == SRCCOPY)
            drawSource();
        return;
    }
    try {
        drawSource();
    } catch (const Exception&) {
    }
}

void TEmfPlayer::PlayText(const TEmfRecord& record)
{
    const auto text = Checked([&] { return ReadEmfText(record); });
    if (!text)
        return;
    const std::span<const int> spacing = text->Dx;
    const int count = static_cast<int>(text->Chars.size());
    if (record.Type() == EMR_EXTTEXTOUTW) {
        device_.ExtTextOut(text->Reference.X, text->Reference.Y, text->Options, text->Rect, text->Chars, {}, count,
                           spacing);
        return;
    }
    // The reader widens 8-bit characters; they go to the device as the bytes they were.
    std::string bytes;
    for (const char16_t ch : text->Chars)
        bytes.push_back(static_cast<char>(ch));
    device_.ExtTextOut(text->Reference.X, text->Reference.Y, text->Options, text->Rect, {}, bytes, count, spacing);
}

} // namespace

bool TPdfGenericDevice::PlayEnhMetaFile(std::span<const std::uint8_t> data, int x, int y, int width, int height,
                                        bool headerOnly, int resolutionX, int resolutionY)
{
    if (data.empty())
        return false;
    const TDeviceValuesKeeper keeper(*this);
    const TPlayerHeader header = ReadPlayerHeader(data);
    const bool opened = FitFrame(*this, header, x, y, width, height, resolutionX, resolutionY);
    if (headerOnly)
        return opened;
    TEmfPlayer(*this, data, header).Walk();
    PSEndCurrentGraphic();
    CheckCloseOpenPage(opened);
    return opened;
}
