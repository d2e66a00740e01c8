#include "pdf/PdfGenericDevice.h"

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace PdfGdi;

namespace {

TPdfPenStyles PenStyle(std::uint32_t style)
{
    const std::uint32_t kind = style & PS_STYLE_MASK;
    if (kind <= peps_InsideFrame)
        return static_cast<TPdfPenStyles>(kind);
    // The user's own dash pattern is not kept: a dashed line is the nearest; alternate pixels are
    // a dotted line.
    if (kind == PS_USERSTYLE)
        return peps_Dash;
    if (kind == PS_ALTERNATE)
        return peps_Dot;
    return peps_Solid;
}

TPdfPenEndCap PenEndCap(std::uint32_t style)
{
    if (style & PS_ENDCAP_SQUARE)
        return pecap_Square;
    if (style & PS_ENDCAP_FLAT)
        return pecap_Flat;
    return pecap_Round;
}

// value * num / denom with a 64-bit product, truncated; false when it fails as GDI fails it.
bool ScaleValue(int value, int num, int denom, int& result)
{
    if (denom == 0)
        return false;
    const std::int64_t scaled = std::int64_t(value) * num / denom;
    if (scaled < std::numeric_limits<int>::min() || scaled > std::numeric_limits<int>::max())
        return false;
    result = static_cast<int>(scaled);
    return true;
}

struct MapModeUnits {
    int mode;
    double unitsPerInch;
};

constexpr MapModeUnits MetricMapModes[] = {
    {MM_LOMETRIC, 254}, {MM_HIMETRIC, 2540}, {MM_LOENGLISH, 100}, {MM_HIENGLISH, 1000}, {MM_TWIPS, 1440}};

constexpr std::size_t MaxSelectedFaceName = 127;

} // namespace

TPdfGenericDevice::TPdfGenericDevice() : dcStack_(*this) { InitDC(); }

void TPdfGenericDevice::InitDC()
{
    justificationExtra_ = 0;
    justificationCount_ = 0;
    justificationRemainder_ = 0;
    dcStack_.Clear();
    objects_.Clear();
    writerStack_.clear();
    dcStack_.SetUnitsPerInch(resolutionX_, resolutionY_);
    dcStack_.SetBaseMatrix(ScaleXForm(72.0 / resolutionX_, 72.0 / resolutionY_));
}

void TPdfGenericDevice::SetDeviceResolution(int x, int y)
{
    if (x <= 0 || y <= 0)
        return;
    resolutionX_ = x;
    resolutionY_ = y;
}

void TPdfGenericDevice::SetTextOffset(double x, double y)
{
    textOffsetX_ = x;
    textOffsetY_ = y;
}

int TPdfGenericDevice::SaveDC()
{
    dcStack_.Add();
    return dcStack_.Depth();
}

bool TPdfGenericDevice::RestoreDC(int level)
{
    const int depth = dcStack_.Depth();
    int popped = 0;
    if (level < 0 && level >= -depth)
        popped = dcStack_.Remove(-level);
    else if (level > 0 && level <= depth)
        popped = dcStack_.RemoveFrom(level);
    if (popped == 0)
        return false;
    dcStack_.SetYAxisUp(DC().yAxisUp);
    textMatrixNeeded_ = true;
    worldChanged_ = true;
    return true;
}

void TPdfGenericDevice::MarkMatrixChanged()
{
    DC().matrixDirty = true;
    worldChanged_ = true;
}

bool TPdfGenericDevice::SetPair(TPoint& field, int x, int y, TPoint* old)
{
    if (old != nullptr)
        *old = field;
    if (field == TPoint{x, y})
        return false;
    field = TPoint{x, y};
    MarkMatrixChanged();
    return true;
}

bool TPdfGenericDevice::SetWindowExtEx(int x, int y, TPoint* old)
{
    SetPair(DC().windowExt, x, y, old);
    return true;
}

bool TPdfGenericDevice::SetWindowOrgEx(int x, int y, TPoint* old)
{
    SetPair(DC().windowOrg, x, y, old);
    return true;
}

bool TPdfGenericDevice::SetViewPortExtEx(int x, int y, TPoint* old)
{
    if (SetPair(DC().viewportExt, x, y, old))
        DC().viewportExtSet = true;
    return true;
}

bool TPdfGenericDevice::SetViewPortOrgEx(int x, int y, TPoint* old)
{
    SetPair(DC().viewportOrg, x, y, old);
    return true;
}

bool TPdfGenericDevice::ScaleExtent(TPoint& extent, int xNum, int xDenom, int yNum, int yDenom, TPoint* old)
{
    if (old != nullptr)
        *old = extent;
    TPoint scaled;
    if (!ScaleValue(extent.X, xNum, xDenom, scaled.X) || !ScaleValue(extent.Y, yNum, yDenom, scaled.Y))
        return false;
    extent = scaled;
    MarkMatrixChanged();
    return true;
}

bool TPdfGenericDevice::ScaleViewportExtEx(int xNum, int xDenom, int yNum, int yDenom, TPoint* old)
{
    return ScaleExtent(DC().viewportExt, xNum, xDenom, yNum, yDenom, old);
}

bool TPdfGenericDevice::ScaleWindowExtEx(int xNum, int xDenom, int yNum, int yDenom, TPoint* old)
{
    return ScaleExtent(DC().windowExt, xNum, xDenom, yNum, yDenom, old);
}

int TPdfGenericDevice::SetMapMode(int mode)
{
    TPdfDCStackVar& state = DC();
    const int previous = state.mapMode;
    if (mode == previous)
        return previous;
    state.mapMode = mode;
    bool yAxisUp = false;
    for (const MapModeUnits& units : MetricMapModes) {
        if (units.mode == mode) {
            dcStack_.SetUnitsPerInch(units.unitsPerInch, units.unitsPerInch);
            yAxisUp = true;
        }
    }
    state.yAxisUp = yAxisUp;
    dcStack_.SetYAxisUp(yAxisUp);
    MarkMatrixChanged();
    dcStack_.ScaleBaseMatrix();
    return previous;
}

void TPdfGenericDevice::SetWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy)
{
    TPdfDCStackVar& state = DC();
    state.world = TPdfXForm{m11, m12, m21, m22, dx, dy};
    state.worldSet = true;
    MarkMatrixChanged();
}

bool TPdfGenericDevice::ModifyWorldTransform(const TPdfXForm& xform, int mode)
{
    TPdfDCStackVar& state = DC();
    switch (mode) {
    case MWT_IDENTITY:
        state.world = TPdfXForm{};
        state.worldSet = false;
        break;
    case MWT_LEFTMULTIPLY:
        CombineXFORMs(xform, state.world, state.world);
        state.worldSet = true;
        break;
    case MWT_RIGHTMULTIPLY:
        CombineXFORMs(state.world, xform, state.world);
        state.worldSet = true;
        break;
    default:
        return false;
    }
    MarkMatrixChanged();
    return true;
}

void TPdfGenericDevice::SetResolution(int x, int y)
{
    if (x == 0 || y == 0) {
        dcStack_.SetResolutionMatrix(dcStack_.ResolutionMatrix(), false);
        return;
    }
    const TPdfXForm old = dcStack_.ResolutionMatrix();
    const TPdfXForm matrix = ScaleXForm(72.0 / x, 72.0 / y);
    if (std::fabs(matrix.eM11 - old.eM11) > 0.001 || std::fabs(matrix.eM22 - old.eM22) > 0.001)
        worldChanged_ = true;
    dcStack_.SetResolutionMatrix(matrix, true);
}

std::int32_t TPdfGenericDevice::CreatePen(std::uint32_t style, std::int32_t width, TColor color)
{
    auto* pen = static_cast<TPdfDvPen*>(objects_.Add(pegdi_pen));
    pen->style = PenStyle(style);
    pen->endCap = PenEndCap(style);
    pen->width = width;
    pen->color = color;
    return pen->handle;
}

std::int32_t TPdfGenericDevice::CreateBrushIndirect(TPdfBrushStyles style, TColor color, std::int32_t hatch)
{
    auto* brush = static_cast<TPdfDvBrush*>(objects_.Add(pegdi_brush));
    brush->style = style;
    brush->color = color;
    brush->hatch = hatch;
    return brush->handle;
}

std::int32_t TPdfGenericDevice::CreatePalette(std::span<const std::uint32_t> entries)
{
    auto* palette = static_cast<TPdfDvPalette*>(objects_.Add(pegdi_palette));
    palette->entries.assign(entries.begin(), entries.end());
    return palette->handle;
}

std::int32_t TPdfGenericDevice::CreateFontIndirect(std::span<const std::uint8_t> logFont)
{
    auto* font = static_cast<TPdfDvFont*>(objects_.Add(pegdi_font));
    font->fontData = ReadPdfFontData(logFont);
    font->faceName = ReadPdfFaceName(logFont);
    return font->handle;
}

std::int32_t TPdfGenericDevice::SelectObject(std::int32_t handle)
{
    const TPdfBasicGDIObject* object = objects_.GetObjects(handle);
    if (object == nullptr)
        return 0;
    switch (object->objectType) {
    case pegdi_font:
        return SelectFont(static_cast<const TPdfDvFont&>(*object));
    case pegdi_brush:
        return SelectBrush(static_cast<const TPdfDvBrush&>(*object));
    case pegdi_pen:
        return SelectPen(static_cast<const TPdfDvPen&>(*object));
    case pegdi_palette:
        return SelectPaletteObject(static_cast<const TPdfDvPalette&>(*object));
    case pegdi_null:
        break;
    }
    return 0;
}

std::int32_t TPdfGenericDevice::SelectFont(const TPdfDvFont& font)
{
    if (font.faceName.empty())
        return 0;
    TPdfDCStackVar& state = DC();
    const std::int32_t previous = state.fontHandle;
    state.fontHandle = font.handle;
    if (font.fontData.escapement != state.fontData.escapement) {
        state.fontChanged = true;
        textMatrixNeeded_ = true;
    }
    state.fontData = font.fontData;
    state.selectedFaceName = font.faceName.substr(0, MaxSelectedFaceName);
    // Text is written in the face of the font selected last.
    state.faceName = state.selectedFaceName;
    return previous;
}

std::int32_t TPdfGenericDevice::SelectBrush(const TPdfDvBrush& brush)
{
    TPdfDCStackVar& state = DC();
    const std::int32_t previous = state.brushHandle;
    state.brushHandle = brush.handle;
    state.brush = TPdfBrushState{brush.style, brush.color, brush.hatch};
    return previous;
}

std::int32_t TPdfGenericDevice::SelectPen(const TPdfDvPen& pen)
{
    TPdfDCStackVar& state = DC();
    const std::int32_t previous = state.penHandle;
    state.penHandle = pen.handle;
    state.pen = TPdfPenState{pen.width, pen.style, pen.color, pen.endCap};
    return previous;
}

std::int32_t TPdfGenericDevice::SelectPaletteObject(const TPdfDvPalette& palette)
{
    TPdfDCStackVar& state = DC();
    const std::int32_t previous = state.paletteHandle;
    state.paletteHandle = palette.handle;
    return previous;
}

std::int32_t TPdfGenericDevice::SelectPalette(std::int32_t handle)
{
    const TPdfBasicGDIObject* object = objects_.GetObjects(handle);
    if (object == nullptr || object->objectType != pegdi_palette)
        return 0;
    return SelectPaletteObject(static_cast<const TPdfDvPalette&>(*object));
}

int TPdfGenericDevice::SetBKMode(int mode)
{
    TPdfDCStackVar& state = DC();
    const int previous = state.opaque ? OPAQUE : 0;
    state.opaque = mode == OPAQUE;
    return previous;
}

int TPdfGenericDevice::SetPolyFillMode(int mode)
{
    TPdfDCStackVar& state = DC();
    const int previous = state.winding ? WINDING : 0;
    state.winding = mode == WINDING;
    return previous;
}

void TPdfGenericDevice::SetTextAlign(std::uint32_t flags)
{
    TPdfDCStackVar& state = DC();
    state.rawTextAlign = flags;
    TPdfTextAlign align;
    if (flags & TA_UPDATECP)
        align.Include(peal_UPDATECP);
    if ((flags & TA_CENTER) == TA_CENTER)
        align.Include(peal_CENTER);
    else if (flags & TA_RIGHT)
        align.Include(peal_RIGHT);
    if (flags & TA_BOTTOM)
        align.Include(peal_BOTTOM);
    if ((flags & TA_BASELINE) == TA_BASELINE)
        align.Include(peal_BASELINE);
    state.textAlign = align;
}

void TPdfGenericDevice::SetTextJustification(int extra, int count)
{
    justificationExtra_ = extra;
    justificationCount_ = count;
    if (extra == 0)
        justificationRemainder_ = 0;
}

void TPdfGenericDevice::BeginPath(TPdfPSFigureMode mode)
{
    ++pathDepth_;
    figureMode_ = mode;
}

bool TPdfGenericDevice::EndPath()
{
    if (pathDepth_ >= 2) {
        CloseFigure();
        --pathDepth_;
        return true;
    }
    if (pathDepth_ == 1) {
        pathDepth_ = 0;
        figureMode_ = pesNoFigure;
        return true;
    }
    return false;
}

void TPdfGenericDevice::AbortPath()
{
    while (EndPath()) {
    }
}

void TPdfGenericDevice::IntersectClipRect(int left, int top, int right, int bottom)
{
    SelectClipRGN(RGN_AND, TRect{left, top, right, bottom}, {});
}

// Coordinates come from files: the sums saturate instead of overflowing.
int TPdfGenericDevice::dcY(int y) const
{
    const std::int64_t height = logicalPageHeight_;
    return PdfRound(static_cast<double>(dcStack_.YAxisUp() ? height + y : height - y));
}

int TPdfGenericDevice::Y2DC(int y) const
{
    const std::int64_t height = logicalPageHeight_;
    return PdfRound(static_cast<double>(dcStack_.YAxisUp() ? y - height : height - y));
}

void TPdfGenericDevice::SaveWrittenData()
{
    writerStack_.push_back(writerStack_.empty() ? TPdfWriterStackVar{} : writerStack_.back());
}

bool TPdfGenericDevice::RestoreWrittenData()
{
    if (writerStack_.empty())
        return false;
    writerStack_.pop_back();
    return true;
}

TPdfWriterStackVar& TPdfGenericDevice::WrittenData()
{
    if (writerStack_.empty())
        writerStack_.emplace_back();
    return writerStack_.back();
}
