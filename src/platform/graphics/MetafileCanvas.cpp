#include "platform/graphics/MetafileCanvas.h"

#include "platform/core/CodePage.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"

#include <algorithm>

namespace {

std::uint32_t Rgb(TColor color) { return static_cast<std::uint32_t>(ColorToRGB(color)) & 0xFFFFFF; }

std::uint32_t Rop2Of(TPenMode mode)
{
    switch (mode) {
    case pmNot:
        return Emf::R2_NOT;
    case pmXor:
        return Emf::R2_XORPEN;
    default:
        return Emf::R2_COPYPEN;
    }
}

std::uint32_t HatchOf(TBrushStyle style)
{
    switch (style) {
    case bsHorizontal:
        return Emf::HS_HORIZONTAL;
    case bsVertical:
        return Emf::HS_VERTICAL;
    case bsFDiagonal:
        return Emf::HS_FDIAGONAL;
    case bsBDiagonal:
        return Emf::HS_BDIAGONAL;
    case bsCross:
        return Emf::HS_CROSS;
    default:
        return Emf::HS_DIAGCROSS;
    }
}

TRect BoundsOf(std::span<const TPoint> points)
{
    TRect bounds = Rect(points.front().X, points.front().Y, points.front().X, points.front().Y);
    for (const TPoint& p : points)
        bounds = Rect(std::min(bounds.Left, p.X), std::min(bounds.Top, p.Y), std::max(bounds.Right, p.X),
                      std::max(bounds.Bottom, p.Y));
    return bounds;
}

// The bitmap as a bottom-up 24-bit DIB: its info header and its rows, each padded to 4 bytes.
void MakeDib24(const TBitmap& bitmap, std::vector<std::uint8_t>& info, std::vector<std::uint8_t>& bits)
{
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    info.assign(40, 0);
    PutU32(info.data(), 40);
    PutU32(info.data() + 4, static_cast<std::uint32_t>(width));
    PutU32(info.data() + 8, static_cast<std::uint32_t>(height));
    PutU16(info.data() + 12, 1);
    PutU16(info.data() + 14, 24);
    PutU32(info.data() + 20, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(height)));
    bits.assign(stride * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bits.data() + stride * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const auto color = static_cast<std::uint32_t>(bitmap.Pixel(x, y));
            row[3 * x] = static_cast<std::uint8_t>(color >> 16);
            row[3 * x + 1] = static_cast<std::uint8_t>(color >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(color);
        }
    }
}

int ReferencePixels(int hundredthsOfMillimetre, int pixels, int millimetres)
{
    return MulDiv(hundredthsOfMillimetre, pixels, millimetres * 100);
}

} // namespace

TReferenceDevice PrinterDevice(int pixelsPerInchX, int pixelsPerInchY, TSize pixels)
{
    return TReferenceDevice{
        pixelsPerInchX, pixelsPerInchY, pixels,
        TSize{MulDiv(pixels.cx, 254, pixelsPerInchX * 10), MulDiv(pixels.cy, 254, pixelsPerInchY * 10)}};
}

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, const TReferenceDevice& device)
    : metafile_(metafile), device_(device)
{
    Font.SetPixelsPerInch(device.PixelsPerInchY);
}

TMetafileCanvas::~TMetafileCanvas() { metafile_.SetData(Completed()); }

std::vector<std::uint8_t> TMetafileCanvas::Completed() const
{
    TEmfHeader header;
    header.Frame = Rect(0, 0, metafile_.MMWidth(), metafile_.MMHeight());
    header.Bounds = Rect(0, 0, ReferencePixels(metafile_.MMWidth(), device_.Pixels.cx, device_.Millimeters.cx),
                         ReferencePixels(metafile_.MMHeight(), device_.Pixels.cy, device_.Millimeters.cy));
    header.Bytes = static_cast<std::uint32_t>(EmfHeaderSize + records_.Data().size() + EmfEofSize);
    header.Records = records_.Records() + 2;
    header.Handles = static_cast<std::uint16_t>(highestIndex_ + 1);
    header.Device = device_.Pixels;
    header.Millimeters = device_.Millimeters;
    header.Micrometers = TSize{device_.Millimeters.cx * 1000, device_.Millimeters.cy * 1000};
    TEmfWriter metafile;
    WriteEmfHeader(metafile, header);
    metafile.Bytes(records_.Data());
    WriteEmfEof(metafile);
    return metafile.Data();
}

int TMetafileCanvas::GetDeviceCaps(int index) const
{
    switch (index) {
    case LOGPIXELSX:
        return device_.PixelsPerInchX;
    case LOGPIXELSY:
        return device_.PixelsPerInchY;
    case HORZRES:
        return device_.Pixels.cx;
    case VERTRES:
        return device_.Pixels.cy;
    case HORZSIZE:
        return device_.Millimeters.cx;
    case VERTSIZE:
        return device_.Millimeters.cy;
    default:
        return 0;
    }
}

void TMetafileCanvas::SetMapMode(int mode) { records_.Record(EMR_SETMAPMODE, {mode}); }

void TMetafileCanvas::SetWindowExtEx(int cx, int cy) { records_.Record(EMR_SETWINDOWEXTEX, {cx, cy}); }

void TMetafileCanvas::SetViewportExtEx(int cx, int cy) { records_.Record(EMR_SETVIEWPORTEXTEX, {cx, cy}); }

void TMetafileCanvas::SaveDC()
{
    records_.Record(EMR_SAVEDC, {});
    saved_.push_back(state_);
}

void TMetafileCanvas::RestoreDC()
{
    if (saved_.empty())
        return;
    records_.Record(EMR_RESTOREDC, {-1});
    const TDcState leaving = std::move(state_);
    state_ = std::move(saved_.back());
    saved_.pop_back();
    for (const TSelected& object : leaving.Objects)
        ReleaseIfUnused(object.Index);
    // The restored context has the position it had when saved, which this canvas did not keep.
    recordedPos_.reset();
}

void TMetafileCanvas::GdiComment(std::span<const std::uint8_t> data)
{
    records_.Begin(EMR_GDICOMMENT);
    records_.U32(static_cast<std::uint32_t>(data.size()));
    records_.Bytes(data);
    records_.End();
}

TRect TMetafileCanvas::ClipRect() const
{
    return state_.Clip.value_or(Rect(0, 0, device_.Pixels.cx, device_.Pixels.cy));
}

void TMetafileCanvas::SetClipRect(const TRect& rect)
{
    // A new clip rectangle replaces the old one, so the old clip goes first.
    if (state_.Clip)
        records_.Record(EMR_EXTSELECTCLIPRGN, {0, static_cast<std::int32_t>(Emf::RGN_COPY)});
    records_.Record(EMR_INTERSECTCLIPRECT, {rect.Left, rect.Top, rect.Right, rect.Bottom});
    state_.Clip = rect;
}

bool TMetafileCanvas::InUse(std::uint32_t index) const
{
    const auto holds = [index](const TDcState& state) {
        return std::any_of(state.Objects.begin(), state.Objects.end(),
                           [index](const TSelected& object) { return object.Index == index; });
    };
    return holds(state_) || std::any_of(saved_.begin(), saved_.end(), holds);
}

void TMetafileCanvas::ReleaseIfUnused(std::uint32_t index)
{
    if (index == 0 || (index & EmfStockObject) != 0 || InUse(index))
        return;
    records_.Record(EMR_DELETEOBJECT, {static_cast<std::int32_t>(index)});
    used_[index] = false;
}

void TMetafileCanvas::Replace(ObjectKind kind, TSelected wanted)
{
    const std::uint32_t old = state_.Objects[kind].Index;
    records_.Record(EMR_SELECTOBJECT, {static_cast<std::int32_t>(wanted.Index)});
    state_.Objects[kind] = std::move(wanted);
    ReleaseIfUnused(old);
}

void TMetafileCanvas::Select(ObjectKind kind, const TCreateRecord& create)
{
    TEmfWriter definition;
    create(definition, 0);
    const TSelected& current = state_.Objects[kind];
    if (current.Index != 0 && current.Definition == definition.Data())
        return;
    const auto free = std::find(used_.begin() + 1, used_.end(), false);
    const auto index = static_cast<std::uint32_t>(free - used_.begin());
    if (free == used_.end())
        used_.push_back(true);
    else
        *free = true;
    highestIndex_ = std::max<std::size_t>(highestIndex_, index);
    create(records_, index);
    Replace(kind, TSelected{index, definition.Data()});
}

void TMetafileCanvas::SelectStock(ObjectKind kind, std::uint32_t stock)
{
    if (state_.Objects[kind].Index != (EmfStockObject | stock))
        Replace(kind, TSelected{EmfStockObject | stock, {}});
}

void TMetafileCanvas::SelectPen()
{
    if (Pen.Style == psClear) {
        SelectStock(PenObject, Emf::NULL_PEN);
        return;
    }
    // The pen styles are numbered as the records number them.
    TEmfPen pen;
    pen.Style = static_cast<std::uint32_t>(Pen.Style);
    pen.Width = Pen.Width;
    pen.Color = Rgb(Pen.Color);
    Select(PenObject, [&pen](TEmfWriter& writer, std::uint32_t index) {
        pen.Index = index;
        WriteEmfPen(writer, pen);
    });
}

void TMetafileCanvas::SelectBrush()
{
    if (Brush.Style == bsClear) {
        SelectStock(BrushObject, Emf::NULL_BRUSH);
        return;
    }
    TEmfBrush brush;
    brush.Style = Brush.Style == bsSolid ? Emf::BS_SOLID : Emf::BS_HATCHED;
    brush.Color = Rgb(Brush.Color);
    brush.Hatch = Brush.Style == bsSolid ? 0 : HatchOf(Brush.Style);
    Select(BrushObject, [&brush](TEmfWriter& writer, std::uint32_t index) {
        brush.Index = index;
        WriteEmfBrush(writer, brush);
    });
}

void TMetafileCanvas::SelectFont()
{
    TEmfFont font;
    font.Height = Font.Height();
    font.Escapement = Font.Escapement;
    font.Orientation = Font.Escapement;
    font.Weight = (Font.Style & fsBold) ? Emf::FW_BOLD : Emf::FW_NORMAL;
    font.Italic = (Font.Style & fsItalic) ? 1 : 0;
    font.Underline = (Font.Style & fsUnderline) ? 1 : 0;
    font.StrikeOut = (Font.Style & fsStrikeOut) ? 1 : 0;
    font.CharSet = static_cast<std::uint8_t>(Font.Face()->CharSet());
    font.FaceName = Win1252ToUtf16(Font.Name);
    Select(FontObject, [&font](TEmfWriter& writer, std::uint32_t index) {
        font.Index = index;
        WriteEmfFont(writer, font);
    });
}

void TMetafileCanvas::SetState(std::optional<std::uint32_t>& recorded, std::uint32_t type, std::uint32_t value)
{
    if (recorded == value)
        return;
    records_.Record(type, {static_cast<std::int32_t>(value)});
    recorded = value;
}

void TMetafileCanvas::PrepareLines()
{
    SelectPen();
    SetState(state_.Rop2, EMR_SETROP2, Rop2Of(Pen.Mode));
}

void TMetafileCanvas::PrepareFigures()
{
    PrepareLines();
    SelectBrush();
}

void TMetafileCanvas::PrepareText()
{
    SelectFont();
    SetState(state_.TextColor, EMR_SETTEXTCOLOR, Rgb(Font.Color));
    if (Brush.Style == bsClear) {
        SetState(state_.BkMode, EMR_SETBKMODE, Emf::TRANSPARENT);
    } else {
        SetState(state_.BkMode, EMR_SETBKMODE, Emf::OPAQUE);
        SetState(state_.BkColor, EMR_SETBKCOLOR, Rgb(Brush.Color));
    }
    SetState(state_.TextAlign, EMR_SETTEXTALIGN, Emf::TA_NOUPDATECP | Emf::TA_TOP | Emf::TA_LEFT);
}

void TMetafileCanvas::MoveTo(int x, int y)
{
    records_.Record(EMR_MOVETOEX, {x, y});
    penPos_ = Point(x, y);
    recordedPos_ = penPos_;
}

void TMetafileCanvas::LineTo(int x, int y)
{
    PrepareLines();
    if (recordedPos_ != penPos_)
        MoveTo(penPos_.X, penPos_.Y);
    records_.Record(EMR_LINETO, {x, y});
    penPos_ = Point(x, y);
    recordedPos_ = penPos_;
}

void TMetafileCanvas::RecordPoly(std::uint32_t type, std::span<const TPoint> points)
{
    records_.Begin(type);
    records_.Rect(BoundsOf(points));
    records_.U32(static_cast<std::uint32_t>(points.size()));
    for (const TPoint& p : points)
        records_.Point(p);
    records_.End();
}

void TMetafileCanvas::Polyline(std::span<const TPoint> points)
{
    // Fewer than two points draw nothing, on a bitmap as in GDI.
    if (points.size() < 2)
        return;
    PrepareLines();
    RecordPoly(EMR_POLYLINE, points);
}

void TMetafileCanvas::Polygon(std::span<const TPoint> points)
{
    if (points.size() < 2)
        return;
    PrepareFigures();
    RecordPoly(EMR_POLYGON, points);
}

void TMetafileCanvas::RecordBox(std::uint32_t type, int x1, int y1, int x2, int y2)
{
    records_.Record(type, {x1, y1, x2, y2});
}

void TMetafileCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    PrepareFigures();
    RecordBox(EMR_RECTANGLE, x1, y1, x2, y2);
}

void TMetafileCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    PrepareFigures();
    RecordBox(EMR_ELLIPSE, x1, y1, x2, y2);
}

void TMetafileCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight)
{
    PrepareFigures();
    records_.Record(EMR_ROUNDRECT, {x1, y1, x2, y2, cornerWidth, cornerHeight});
}

void TMetafileCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    PrepareLines();
    records_.Record(EMR_ARC, {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TMetafileCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    PrepareFigures();
    records_.Record(EMR_PIE, {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TMetafileCanvas::RecordPatternFill(const TRect& rect, std::uint32_t rop)
{
    if (rect.IsEmpty())
        return;
    TEmfBitBlt blt;
    blt.Bounds = Rect(rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1);
    blt.DestOrigin = Point(rect.Left, rect.Top);
    blt.DestSize = TSize{rect.Width(), rect.Height()};
    blt.Rop = rop;
    WriteEmfBitBlt(records_, blt);
}

void TMetafileCanvas::FillRect(const TRect& rect)
{
    SelectBrush();
    RecordPatternFill(rect, PATCOPY);
}

void TMetafileCanvas::FrameRect(const TRect& rect)
{
    if (rect.IsEmpty())
        return;
    SelectBrush();
    const TRect sides[] = {
        Rect(rect.Left, rect.Top, rect.Right, rect.Top + 1),
        Rect(rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom),
        Rect(rect.Left, rect.Top + 1, rect.Left + 1, rect.Bottom - 1),
        Rect(rect.Right - 1, rect.Top + 1, rect.Right, rect.Bottom - 1),
    };
    for (const TRect& side : sides)
        RecordPatternFill(side, PATCOPY);
}

void TMetafileCanvas::NotRecordable(const std::string& call) const
{
    throw EInvalidGraphicOperation("Cannot record " + call + " on a metafile canvas");
}

void TMetafileCanvas::DrawEdge(const TRect&, unsigned, unsigned) { NotRecordable("DrawEdge"); }

void TMetafileCanvas::DrawFocusRect(const TRect&) { NotRecordable("DrawFocusRect"); }

void TMetafileCanvas::InvertRect(const TRect&) { NotRecordable("InvertRect"); }

TColor TMetafileCanvas::Pixel(int, int) const { return CLR_INVALID; }

void TMetafileCanvas::SetPixel(int x, int y, TColor color)
{
    records_.Record(EMR_SETPIXELV, {x, y, static_cast<std::int32_t>(Rgb(color))});
}

void TMetafileCanvas::StretchDraw(const TRect& rect, const TGraphic& graphic)
{
    if (graphic.Empty())
        return;
    // Leaving out a key colour needs a mask, which the recorded records cannot carry.
    if (graphic.Transparent())
        NotRecordable("a transparent Draw");
    const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic);
    TBitmap converted;
    if (bitmap == nullptr) {
        converted.Assign(graphic);
        bitmap = &converted;
    }
    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> bits;
    MakeDib24(*bitmap, info, bits);
    TEmfStretchDIBits stretch;
    stretch.Bounds = Rect(rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1);
    stretch.DestOrigin = Point(rect.Left, rect.Top);
    stretch.DestSize = TSize{rect.Width(), rect.Height()};
    stretch.SourceSize = TSize{bitmap->Width(), bitmap->Height()};
    stretch.Rop = SRCCOPY;
    stretch.Dib = TEmfDib{Emf::DIB_RGB_COLORS, info, bits};
    WriteEmfStretchDIBits(records_, stretch);
}

void TMetafileCanvas::CopyRect(const TRect&, TCanvas&, const TRect&) { NotRecordable("CopyRect"); }

bool TMetafileCanvas::BitBlt(int x, int y, int width, int height, TCanvas*, int, int, std::uint32_t rop)
{
    switch (rop) {
    case PATCOPY:
        SelectBrush();
        [[fallthrough]];
    case WHITENESS:
    case BLACKNESS:
        RecordPatternFill(Rect(x, y, x + width, y + height), rop);
        return true;
    case SRCCOPY:
        NotRecordable("BitBlt with a source");
    case SRCINVERT:
        NotRecordable("BitBlt with SRCINVERT");
    default:
        return false;
    }
}

void TMetafileCanvas::RecordText(int x, int y, std::uint32_t options, const TRect& rect, std::string_view text)
{
    const auto face = Font.Face();
    const int em = Font.EmHeight();
    TEmfText record;
    record.Reference = Point(x, y);
    record.Options = options;
    record.Rect = rect;
    int width = 0;
    for (char ch : text) {
        const std::u16string wide = Win1252ToUtf16(std::string_view(&ch, 1));
        record.Chars.push_back(wide.size() == 1 ? wide.front() : u'?');
        record.Dx.push_back(face->CharWidth(static_cast<unsigned char>(ch), em));
        width += record.Dx.back();
    }
    record.Bounds = Rect(x, y, x + width, y + TextHeight(text));
    WriteEmfTextW(records_, record);
}

void TMetafileCanvas::TextOut(int x, int y, std::string_view text)
{
    PrepareText();
    RecordText(x, y, 0, TRect{}, text);
    penPos_ = Point(x + TextWidth(text), y);
}

void TMetafileCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text)
{
    PrepareText();
    RecordText(x, y, Emf::ETO_CLIPPED | (Brush.Style == bsSolid ? Emf::ETO_OPAQUE : 0), rect, text);
}

int TMetafileCanvas::DrawText(std::string_view text, TRect& rect, unsigned format)
{
    if (format & DT_CALCRECT)
        return CalcTextRect(text, rect, format);
    NotRecordable("DrawText");
}

TSize TMetafileCanvas::TabbedTextOut(int x, int y, std::string_view text, std::span<const int> tabStops, int tabOrigin)
{
    const int height = TextHeight(text);
    int end = x;
    const std::vector<TTabbedPiece> pieces = TabbedPieces(x, text, tabStops, tabOrigin, end);
    if (Brush.Style == bsSolid) {
        SelectBrush();
        RecordPatternFill(Rect(x, y, end, y + height), PATCOPY);
    }
    PrepareText();
    for (const TTabbedPiece& piece : pieces)
        if (!piece.Text.empty())
            RecordText(piece.X, y, 0, TRect{}, piece.Text);
    return TSize{end - x, height};
}
