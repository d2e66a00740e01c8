#include "platform/graphics/EmfRecords.h"

#include "platform/core/LittleEndian.h"
#include "platform/graphics/Graphic.h"

#include <bit>
#include <climits>

namespace {

[[noreturn]] void Invalid(const std::string& what)
{
    throw EInvalidGraphic(std::string(SInvalidMetafile) + ": " + what);
}

std::string Number(std::uint64_t value) { return std::to_string(value); }

std::size_t PaddedTo4(std::size_t size) { return (size + 3) / 4 * 4; }

bool IsPoly32(std::uint32_t type) { return type >= EMR_POLYBEZIER && type <= EMR_POLYLINETO; }
bool IsPoly16(std::uint32_t type) { return type >= EMR_POLYBEZIER16 && type <= EMR_POLYLINETO16; }

std::vector<TPoint> PointsAt(const TEmfRecord& record, std::size_t offset, std::uint32_t count, bool wide)
{
    const std::span<const std::uint8_t> bytes = record.Slice(offset, count, wide ? 8 : 4);
    std::vector<TPoint> points;
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* at = bytes.data() + i * (wide ? 8 : 4);
        if (wide)
            points.push_back(Point(static_cast<std::int32_t>(GetU32(at)), static_cast<std::int32_t>(GetU32(at + 4))));
        else
            points.push_back(Point(static_cast<std::int16_t>(GetU16(at)), static_cast<std::int16_t>(GetU16(at + 2))));
    }
    return points;
}

// The bytes of one row of a DIB, or 0 when the width and bit count give none.
std::uint64_t DibStride(std::int64_t width, unsigned bitCount)
{
    return (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
}

// The info header must describe a bitmap that the info block and the bits hold: a sane size and
// bit count, its colour table inside the info block, uncompressed rows inside the bits.
void CheckDib(const TEmfRecord& record, std::span<const std::uint8_t> info, std::size_t bitsSize, std::uint32_t usage)
{
    constexpr std::uint32_t InfoHeaderSize = 40;
    if (info.size() < InfoHeaderSize)
        record.Fail("a bitmap's info block is shorter than its header");
    const std::uint32_t headerSize = GetU32(info.data());
    if (headerSize < InfoHeaderSize || headerSize > info.size())
        record.Fail("a bitmap's header size does not fit its info block");
    const auto width = static_cast<std::int32_t>(GetU32(info.data() + 4));
    const auto height = static_cast<std::int32_t>(GetU32(info.data() + 8));
    const unsigned bitCount = GetU16(info.data() + 14);
    const std::uint32_t compression = GetU32(info.data() + 16);
    const std::uint32_t colorsUsed = GetU32(info.data() + 32);
    if (width <= 0 || height == 0 || height == INT_MIN)
        record.Fail("a bitmap has no size");
    const bool knownDepth =
        bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
    if (compression != Emf::BI_RGB && compression != Emf::BI_BITFIELDS)
        return;
    if (!knownDepth)
        record.Fail("a bitmap has a bit count of " + Number(bitCount));
    std::uint64_t tableBytes = 0;
    if (bitCount <= 8) {
        const std::uint64_t entries = colorsUsed != 0 ? colorsUsed : (1u << bitCount);
        tableBytes = entries * (usage == Emf::DIB_RGB_COLORS ? 4 : 2);
    } else if (compression == Emf::BI_BITFIELDS && headerSize == InfoHeaderSize) {
        tableBytes = 12;
    }
    if (tableBytes > info.size() - headerSize)
        record.Fail("a bitmap's colour table passes the end of its info block");
    const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (DibStride(width, bitCount) * rows > bitsSize)
        record.Fail("a bitmap's rows pass the end of its bits");
}

// offBmi, cbBmi, offBits and cbBits, one after another at `fieldsAt`.
TEmfDib DibAt(const TEmfRecord& record, std::size_t fieldsAt, std::uint32_t usage)
{
    TEmfDib dib;
    dib.Usage = usage;
    const std::uint32_t infoOffset = record.U32(fieldsAt);
    const std::uint32_t infoSize = record.U32(fieldsAt + 4);
    const std::uint32_t bitsOffset = record.U32(fieldsAt + 8);
    const std::uint32_t bitsSize = record.U32(fieldsAt + 12);
    if (infoSize == 0)
        return dib;
    dib.Info = record.Slice(infoOffset, infoSize);
    dib.Bits = record.Slice(bitsOffset, bitsSize);
    CheckDib(record, dib.Info, dib.Bits.size(), usage);
    return dib;
}

TEmfRegion RegionAt(const TEmfRecord& record, std::size_t sizeAt, std::size_t dataAt)
{
    constexpr std::uint32_t RegionHeaderSize = 32;
    constexpr std::uint32_t RectangleRegion = 1;
    TEmfRegion region;
    const std::uint32_t size = record.U32(sizeAt);
    if (size == 0)
        return region;
    const std::span<const std::uint8_t> data = record.Slice(dataAt, size);
    if (size < RegionHeaderSize || GetU32(data.data()) != RegionHeaderSize ||
        GetU32(data.data() + 4) != RectangleRegion)
        record.Fail("a region has no valid header");
    const std::uint32_t count = GetU32(data.data() + 8);
    if (static_cast<std::uint64_t>(count) * 16 > size - RegionHeaderSize)
        record.Fail("a region's rectangles pass the end of its data");
    region.Bounds = record.RectAt(dataAt + 16);
    for (std::uint32_t i = 0; i < count; ++i)
        region.Rects.push_back(record.RectAt(dataAt + RegionHeaderSize + std::size_t{i} * 16));
    return region;
}

} // namespace

std::uint32_t EmfMinimumRecordSize(std::uint32_t type)
{
    switch (type) {
    case EMR_HEADER:
        return EmfHeaderMinimumSize;
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
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16:
    case EMR_CREATEPEN:
    case EMR_ANGLEARC:
    case EMR_INVERTRGN:
    case EMR_PAINTRGN:
        return 28;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16:
    case EMR_SETCOLORADJUSTMENT:
    case EMR_SETWORLDTRANSFORM:
    case EMR_ROUNDRECT:
    case EMR_FILLRGN:
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
        return 32;
    case EMR_SETWINDOWEXTEX:
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETVIEWPORTORGEX:
    case EMR_SETBRUSHORGEX:
    case EMR_OFFSETCLIPRGN:
    case EMR_MOVETOEX:
    case EMR_LINETO:
    case EMR_CREATEPALETTE:
    case EMR_RESIZEPALETTE:
    case EMR_EXTSELECTCLIPRGN:
    case EMR_SETTEXTJUSTIFICATION:
        return 16;
    case EMR_EOF:
    case EMR_SETPIXELV:
    case EMR_SETPALETTEENTRIES:
        return 20;
    case EMR_SETMAPPERFLAGS:
    case EMR_SETMAPMODE:
    case EMR_SETBKMODE:
    case EMR_SETPOLYFILLMODE:
    case EMR_SETROP2:
    case EMR_SETSTRETCHBLTMODE:
    case EMR_SETTEXTALIGN:
    case EMR_SETTEXTCOLOR:
    case EMR_SETBKCOLOR:
    case EMR_RESTOREDC:
    case EMR_SELECTOBJECT:
    case EMR_DELETEOBJECT:
    case EMR_SELECTPALETTE:
    case EMR_SETARCDIRECTION:
    case EMR_SETMITERLIMIT:
    case EMR_SELECTCLIPPATH:
    case EMR_GDICOMMENT:
        return 12;
    case EMR_EXCLUDECLIPRECT:
    case EMR_INTERSECTCLIPRECT:
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_ELLIPSE:
    case EMR_RECTANGLE:
    case EMR_EXTFLOODFILL:
        return 24;
    case EMR_MODIFYWORLDTRANSFORM:
        return 36;
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO:
    case EMR_FRAMERGN:
        return 40;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        return 60;
    case EMR_BITBLT:
        return 100;
    case EMR_STRETCHBLT:
        return 108;
    case EMR_MASKBLT:
        return 128;
    case EMR_PLGBLT:
        return 140;
    case EMR_SETDIBITSTODEVICE:
        return 76;
    case EMR_STRETCHDIBITS:
        return 80;
    case EMR_EXTCREATEFONTINDIRECTW:
        return 104;
    case EMR_EXTCREATEPEN:
        return 52;
    default:
        return 8;
    }
}

TEmfRecord::TEmfRecord(std::span<const std::uint8_t> bytes) : bytes_(bytes), type_(0)
{
    if (bytes.size() < 8)
        Invalid("a record is shorter than its type and size");
    type_ = GetU32(bytes.data());
}

void TEmfRecord::Fail(const std::string& what) const { Invalid("record of type " + Number(type_) + ": " + what); }

std::span<const std::uint8_t> TEmfRecord::Slice(std::uint64_t offset, std::uint64_t count, std::uint64_t itemSize) const
{
    // Counts and offsets come from 32-bit fields and items are small, so the product cannot overflow.
    if (offset > bytes_.size() || count * itemSize > bytes_.size() - offset)
        Fail("a field passes the end of the record");
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count * itemSize));
}

std::uint8_t TEmfRecord::U8(std::size_t offset) const { return Slice(offset, 1)[0]; }
std::uint16_t TEmfRecord::U16(std::size_t offset) const { return GetU16(Slice(offset, 2).data()); }
std::uint32_t TEmfRecord::U32(std::size_t offset) const { return GetU32(Slice(offset, 4).data()); }
std::int32_t TEmfRecord::I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
float TEmfRecord::Float(std::size_t offset) const { return std::bit_cast<float>(U32(offset)); }

TRect TEmfRecord::RectAt(std::size_t offset) const
{
    return Rect(I32(offset), I32(offset + 4), I32(offset + 8), I32(offset + 12));
}

TPoint TEmfRecord::PointAt(std::size_t offset) const { return Point(I32(offset), I32(offset + 4)); }

TEmfHeader ReadEmfHeader(const TEmfRecord& record)
{
    if (record.Type() != EMR_HEADER || record.Size() < EmfHeaderMinimumSize || record.U32(40) != EmfSignature)
        Invalid("it does not start with an enhanced-metafile header");
    TEmfHeader header;
    header.Bounds = record.RectAt(8);
    header.Frame = record.RectAt(24);
    header.Signature = record.U32(40);
    header.Version = record.U32(44);
    header.Bytes = record.U32(48);
    header.Records = record.U32(52);
    header.Handles = record.U16(56);
    const std::uint32_t descriptionLength = record.U32(60);
    const std::uint32_t descriptionOffset = record.U32(64);
    header.PaletteEntries = record.U32(68);
    header.Device = TSize{record.I32(72), record.I32(76)};
    header.Millimeters = TSize{record.I32(80), record.I32(84)};
    if (descriptionLength != 0) {
        const std::span<const std::uint8_t> text = record.Slice(descriptionOffset, descriptionLength, 2);
        for (std::size_t i = 0; i < text.size(); i += 2)
            header.Description.push_back(static_cast<char16_t>(GetU16(text.data() + i)));
    }
    if (record.Size() >= 100 && record.U32(88) != 0)
        record.Slice(record.U32(92), record.U32(88));
    if (record.Size() >= EmfHeaderSize)
        header.Micrometers = TSize{record.I32(100), record.I32(104)};
    return header;
}

TEmfHeader ReadEmfFileHeader(std::span<const std::uint8_t> data)
{
    if (data.size() < 8 || GetU32(data.data()) != EMR_HEADER)
        Invalid("it does not start with an enhanced-metafile header");
    const std::uint32_t size = GetU32(data.data() + 4);
    if (size > data.size())
        Invalid("the file ends inside its header");
    if (size < EmfHeaderMinimumSize || size % 4 != 0)
        Invalid("its header has a size of " + Number(size) + " bytes");
    TEmfHeader header = ReadEmfHeader(TEmfRecord(data.first(size)));
    if (header.Bytes > data.size())
        Invalid("its header declares " + Number(header.Bytes) + " bytes, but the file holds " + Number(data.size()));
    if (header.Bytes < size || header.Bytes % 4 != 0)
        Invalid("its header declares " + Number(header.Bytes) + " bytes");
    return header;
}

TEmfReader::TEmfReader(std::span<const std::uint8_t> data) : header_(ReadEmfFileHeader(data))
{
    data_ = data.first(header_.Bytes);
    offset_ = GetU32(data.data() + 4);
}

std::optional<TEmfRecord> TEmfReader::Next()
{
    if (ended_ || offset_ == data_.size())
        return std::nullopt;
    const std::size_t remaining = data_.size() - offset_;
    const std::string where = " at byte " + Number(offset_);
    if (remaining < 8)
        Invalid("the record" + where + " is cut off");
    const std::uint32_t type = GetU32(data_.data() + offset_);
    const std::uint32_t size = GetU32(data_.data() + offset_ + 4);
    if (size < 8 || size % 4 != 0 || size > remaining)
        Invalid("the record" + where + " has a size of " + Number(size) + " bytes");
    if (size < EmfMinimumRecordSize(type))
        Invalid("the record of type " + Number(type) + where + " is shorter than its fields");
    TEmfRecord record(data_.subspan(offset_, size));
    offset_ += size;
    ended_ = type == EMR_EOF;
    return record;
}

std::vector<TPoint> ReadEmfPoints(const TEmfRecord& record)
{
    if (!IsPoly32(record.Type()) && !IsPoly16(record.Type()))
        record.Fail("it holds no points");
    return PointsAt(record, 28, record.U32(24), IsPoly32(record.Type()));
}

TEmfPolyPoly ReadEmfPolyPoly(const TEmfRecord& record)
{
    const std::uint32_t type = record.Type();
    if (type != EMR_POLYPOLYLINE && type != EMR_POLYPOLYGON && type != EMR_POLYPOLYLINE16 && type != EMR_POLYPOLYGON16)
        record.Fail("it holds no polygons");
    const bool wide = type == EMR_POLYPOLYLINE || type == EMR_POLYPOLYGON;
    const std::uint32_t polygons = record.U32(24);
    const std::uint32_t points = record.U32(28);
    const std::span<const std::uint8_t> counts = record.Slice(32, polygons, 4);
    TEmfPolyPoly result;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < counts.size(); i += 4) {
        result.Counts.push_back(GetU32(counts.data() + i));
        total += result.Counts.back();
    }
    if (total != points)
        record.Fail("its polygons' counts do not add up to its points");
    result.Points = PointsAt(record, 32 + counts.size(), points, wide);
    return result;
}

TEmfPolyDraw ReadEmfPolyDraw(const TEmfRecord& record)
{
    if (record.Type() != EMR_POLYDRAW && record.Type() != EMR_POLYDRAW16)
        record.Fail("it holds no point types");
    const bool wide = record.Type() == EMR_POLYDRAW;
    const std::uint32_t count = record.U32(24);
    TEmfPolyDraw result;
    result.Points = PointsAt(record, 28, count, wide);
    const std::span<const std::uint8_t> types = record.Slice(28 + std::uint64_t{count} * (wide ? 8 : 4), count);
    result.Types.assign(types.begin(), types.end());
    return result;
}

TEmfPen ReadEmfPen(const TEmfRecord& record)
{
    TEmfPen pen;
    pen.Index = record.U32(8);
    if (record.Type() == EMR_CREATEPEN) {
        pen.Style = record.U32(12);
        pen.Width = record.I32(16);
        pen.Color = record.U32(24);
        return pen;
    }
    if (record.Type() != EMR_EXTCREATEPEN)
        record.Fail("it creates no pen");
    // A pattern pen's bitmap, when there is one, must lie inside the record.
    if (record.U32(16) != 0) {
        record.Slice(record.U32(12), record.U32(16));
        record.Slice(record.U32(20), record.U32(24));
    }
    pen.Style = record.U32(28);
    pen.Width = record.I32(32);
    pen.BrushStyle = record.U32(36);
    pen.Color = record.U32(40);
    pen.Hatch = record.U32(44);
    const std::span<const std::uint8_t> entries = record.Slice(52, record.U32(48), 4);
    for (std::size_t i = 0; i < entries.size(); i += 4)
        pen.StyleEntries.push_back(GetU32(entries.data() + i));
    return pen;
}

void WriteEmfPen(TEmfWriter& writer, const TEmfPen& pen)
{
    writer.Begin(EMR_CREATEPEN);
    writer.U32(pen.Index);
    writer.U32(pen.Style);
    writer.I32(pen.Width);
    writer.I32(0);
    writer.U32(pen.Color);
    writer.End();
}

TEmfBrush ReadEmfBrush(const TEmfRecord& record)
{
    if (record.Type() != EMR_CREATEBRUSHINDIRECT)
        record.Fail("it creates no brush");
    return TEmfBrush{record.U32(8), record.U32(12), record.U32(16), record.U32(20)};
}

void WriteEmfBrush(TEmfWriter& writer, const TEmfBrush& brush)
{
    writer.Record(EMR_CREATEBRUSHINDIRECT,
                  {static_cast<std::int32_t>(brush.Index), static_cast<std::int32_t>(brush.Style),
                   static_cast<std::int32_t>(brush.Color), static_cast<std::int32_t>(brush.Hatch)});
}

namespace {

constexpr std::size_t FaceNameLength = 32;
// LOGFONTW, and the record written with the rest of an extended logical font left empty.
constexpr std::size_t LogFontSize = 92;
constexpr std::size_t FontRecordSize = 332;

} // namespace

TEmfFont ReadEmfFont(const TEmfRecord& record)
{
    if (record.Type() != EMR_EXTCREATEFONTINDIRECTW)
        record.Fail("it creates no font");
    TEmfFont font;
    font.Index = record.U32(8);
    font.Height = record.I32(12);
    font.Width = record.I32(16);
    font.Escapement = record.I32(20);
    font.Orientation = record.I32(24);
    font.Weight = record.I32(28);
    font.Italic = record.U8(32);
    font.Underline = record.U8(33);
    font.StrikeOut = record.U8(34);
    font.CharSet = record.U8(35);
    font.OutPrecision = record.U8(36);
    font.ClipPrecision = record.U8(37);
    font.Quality = record.U8(38);
    font.PitchAndFamily = record.U8(39);
    for (std::size_t i = 0; i < FaceNameLength; ++i) {
        const char16_t ch = record.U16(40 + 2 * i);
        if (ch == 0)
            break;
        font.FaceName.push_back(ch);
    }
    return font;
}

void WriteEmfFont(TEmfWriter& writer, const TEmfFont& font)
{
    writer.Begin(EMR_EXTCREATEFONTINDIRECTW);
    writer.U32(font.Index);
    writer.I32(font.Height);
    writer.I32(font.Width);
    writer.I32(font.Escapement);
    writer.I32(font.Orientation);
    writer.I32(font.Weight);
    for (std::uint8_t byte : {font.Italic, font.Underline, font.StrikeOut, font.CharSet, font.OutPrecision,
                              font.ClipPrecision, font.Quality, font.PitchAndFamily})
        writer.U8(byte);
    const std::size_t length = std::min(font.FaceName.size(), FaceNameLength - 1);
    for (std::size_t i = 0; i < length; ++i)
        writer.U16(font.FaceName[i]);
    writer.Zeros(2 * (FaceNameLength - length));
    writer.Zeros(FontRecordSize - 12 - LogFontSize);
    writer.End();
}

TEmfText ReadEmfText(const TEmfRecord& record)
{
    const bool wide = record.Type() == EMR_EXTTEXTOUTW;
    if (!wide && record.Type() != EMR_EXTTEXTOUTA)
        record.Fail("it draws no text");
    TEmfText text;
    text.Bounds = record.RectAt(8);
    text.GraphicsMode = record.U32(24);
    text.XScale = record.Float(28);
    text.YScale = record.Float(32);
    text.Reference = record.PointAt(36);
    const std::uint32_t count = record.U32(44);
    const std::uint32_t stringOffset = record.U32(48);
    text.Options = record.U32(52);
    // Without a rectangle the spacing's offset takes its place.
    const bool hasRect = (text.Options & Emf::ETO_NO_RECT) == 0;
    if (hasRect)
        text.Rect = record.RectAt(56);
    const std::uint32_t dxOffset = record.U32(hasRect ? 72 : 56);
    const std::span<const std::uint8_t> chars = record.Slice(stringOffset, count, wide ? 2 : 1);
    for (std::size_t i = 0; i < count; ++i)
        text.Chars.push_back(wide ? static_cast<char16_t>(GetU16(chars.data() + 2 * i)) : chars[i]);
    if (dxOffset != 0) {
        const std::uint64_t values = std::uint64_t{count} * ((text.Options & Emf::ETO_PDY) ? 2 : 1);
        const std::span<const std::uint8_t> dx = record.Slice(dxOffset, values, 4);
        for (std::size_t i = 0; i < dx.size(); i += 4)
            text.Dx.push_back(static_cast<std::int32_t>(GetU32(dx.data() + i)));
    }
    return text;
}

void WriteEmfTextW(TEmfWriter& writer, const TEmfText& text)
{
    constexpr std::uint32_t FixedSize = 76;
    const auto count = static_cast<std::uint32_t>(text.Chars.size());
    const auto dxOffset = static_cast<std::uint32_t>(FixedSize + PaddedTo4(2 * text.Chars.size()));
    writer.Begin(EMR_EXTTEXTOUTW);
    writer.Rect(text.Bounds);
    writer.U32(text.GraphicsMode);
    writer.Float(text.XScale);
    writer.Float(text.YScale);
    writer.Point(text.Reference);
    writer.U32(count);
    writer.U32(FixedSize);
    writer.U32(text.Options & ~Emf::ETO_NO_RECT);
    writer.Rect(text.Rect);
    writer.U32(text.Dx.empty() ? 0 : dxOffset);
    for (char16_t ch : text.Chars)
        writer.U16(ch);
    writer.Zeros(dxOffset - writer.RecordOffset());
    for (std::int32_t dx : text.Dx)
        writer.I32(dx);
    writer.End();
}

TEmfBitBlt ReadEmfBitBlt(const TEmfRecord& record)
{
    const bool stretch = record.Type() == EMR_STRETCHBLT;
    if (!stretch && record.Type() != EMR_BITBLT)
        record.Fail("it is no bit block transfer");
    TEmfBitBlt blt;
    blt.Bounds = record.RectAt(8);
    blt.DestOrigin = record.PointAt(24);
    blt.DestSize = TSize{record.I32(32), record.I32(36)};
    blt.Rop = record.U32(40);
    blt.SourceOrigin = record.PointAt(44);
    for (std::size_t i = 0; i < 6; ++i)
        blt.SourceTransform[i] = record.Float(52 + 4 * i);
    blt.SourceBkColor = record.U32(76);
    blt.Source = DibAt(record, 84, record.U32(80));
    blt.SourceSize = stretch ? TSize{record.I32(100), record.I32(104)} : blt.DestSize;
    return blt;
}

void WriteEmfBitBlt(TEmfWriter& writer, const TEmfBitBlt& blt)
{
    writer.Begin(EMR_BITBLT);
    writer.Rect(blt.Bounds);
    writer.Point(blt.DestOrigin);
    writer.I32(blt.DestSize.cx);
    writer.I32(blt.DestSize.cy);
    writer.U32(blt.Rop);
    writer.Point(blt.SourceOrigin);
    for (float value : blt.SourceTransform)
        writer.Float(value);
    writer.U32(blt.SourceBkColor);
    writer.U32(Emf::DIB_RGB_COLORS);
    writer.Zeros(16);
    writer.End();
}

TEmfStretchDIBits ReadEmfStretchDIBits(const TEmfRecord& record)
{
    if (record.Type() != EMR_STRETCHDIBITS)
        record.Fail("it stretches no bitmap");
    TEmfStretchDIBits stretch;
    stretch.Bounds = record.RectAt(8);
    stretch.DestOrigin = record.PointAt(24);
    stretch.SourceOrigin = record.PointAt(32);
    stretch.SourceSize = TSize{record.I32(40), record.I32(44)};
    stretch.Dib = DibAt(record, 48, record.U32(64));
    stretch.Rop = record.U32(68);
    stretch.DestSize = TSize{record.I32(72), record.I32(76)};
    return stretch;
}

void WriteEmfStretchDIBits(TEmfWriter& writer, const TEmfStretchDIBits& stretch)
{
    constexpr std::uint32_t FixedSize = 80;
    const auto infoSize = static_cast<std::uint32_t>(stretch.Dib.Info.size());
    const auto bitsOffset = static_cast<std::uint32_t>(FixedSize + PaddedTo4(infoSize));
    writer.Begin(EMR_STRETCHDIBITS);
    writer.Rect(stretch.Bounds);
    writer.Point(stretch.DestOrigin);
    writer.Point(stretch.SourceOrigin);
    writer.I32(stretch.SourceSize.cx);
    writer.I32(stretch.SourceSize.cy);
    writer.U32(infoSize == 0 ? 0 : FixedSize);
    writer.U32(infoSize);
    writer.U32(infoSize == 0 ? 0 : bitsOffset);
    writer.U32(static_cast<std::uint32_t>(stretch.Dib.Bits.size()));
    writer.U32(stretch.Dib.Usage);
    writer.U32(stretch.Rop);
    writer.I32(stretch.DestSize.cx);
    writer.I32(stretch.DestSize.cy);
    writer.Bytes(stretch.Dib.Info);
    writer.Zeros(bitsOffset - writer.RecordOffset());
    writer.Bytes(stretch.Dib.Bits);
    writer.End();
}

TEmfPalette ReadEmfPalette(const TEmfRecord& record)
{
    if (record.Type() != EMR_CREATEPALETTE)
        record.Fail("it creates no palette");
    TEmfPalette palette;
    palette.Index = record.U32(8);
    palette.Version = record.U16(12);
    const std::span<const std::uint8_t> entries = record.Slice(16, record.U16(14), 4);
    for (std::size_t i = 0; i < entries.size(); i += 4)
        palette.Entries.push_back(GetU32(entries.data() + i));
    return palette;
}

std::span<const std::uint8_t> ReadEmfComment(const TEmfRecord& record)
{
    if (record.Type() != EMR_GDICOMMENT)
        record.Fail("it is no comment");
    return record.Slice(12, record.U32(8));
}

TEmfRegion ReadEmfRegion(const TEmfRecord& record)
{
    switch (record.Type()) {
    case EMR_FILLRGN:
        return RegionAt(record, 24, 32);
    case EMR_FRAMERGN:
        return RegionAt(record, 24, 40);
    case EMR_INVERTRGN:
    case EMR_PAINTRGN:
        return RegionAt(record, 24, 28);
    case EMR_EXTSELECTCLIPRGN:
        return RegionAt(record, 8, 16);
    default:
        record.Fail("it holds no region");
    }
}

void TEmfWriter::Begin(std::uint32_t type)
{
    start_ = data_.size();
    U32(type);
    U32(0);
}

void TEmfWriter::End()
{
    data_.resize(start_ + PaddedTo4(data_.size() - start_), 0);
    PutU32(data_.data() + start_ + 4, static_cast<std::uint32_t>(data_.size() - start_));
    ++records_;
}

void TEmfWriter::U8(std::uint8_t value) { data_.push_back(value); }

void TEmfWriter::U16(unsigned value)
{
    std::uint8_t bytes[2];
    PutU16(bytes, value);
    data_.insert(data_.end(), bytes, bytes + 2);
}

void TEmfWriter::U32(std::uint32_t value)
{
    std::uint8_t bytes[4];
    PutU32(bytes, value);
    data_.insert(data_.end(), bytes, bytes + 4);
}

void TEmfWriter::I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }

void TEmfWriter::Float(float value) { U32(std::bit_cast<std::uint32_t>(value)); }

void TEmfWriter::Rect(const TRect& rect)
{
    for (int value : {rect.Left, rect.Top, rect.Right, rect.Bottom})
        I32(value);
}

void TEmfWriter::Point(TPoint point)
{
    I32(point.X);
    I32(point.Y);
}

void TEmfWriter::Bytes(std::span<const std::uint8_t> bytes) { data_.insert(data_.end(), bytes.begin(), bytes.end()); }

void TEmfWriter::Zeros(std::size_t count) { data_.resize(data_.size() + count, 0); }

std::uint32_t TEmfWriter::RecordOffset() const { return static_cast<std::uint32_t>(data_.size() - start_); }

void TEmfWriter::Record(std::uint32_t type, std::initializer_list<std::int32_t> fields)
{
    Begin(type);
    for (std::int32_t field : fields)
        I32(field);
    End();
}

void WriteEmfHeader(TEmfWriter& writer, const TEmfHeader& header)
{
    const auto descriptionLength = static_cast<std::uint32_t>(header.Description.size());
    writer.Begin(EMR_HEADER);
    writer.Rect(header.Bounds);
    writer.Rect(header.Frame);
    writer.U32(header.Signature);
    writer.U32(header.Version);
    writer.U32(header.Bytes);
    writer.U32(header.Records);
    writer.U16(header.Handles);
    writer.U16(0);
    writer.U32(descriptionLength);
    writer.U32(descriptionLength == 0 ? 0 : EmfHeaderSize);
    writer.U32(header.PaletteEntries);
    for (const TSize& size : {header.Device, header.Millimeters}) {
        writer.I32(size.cx);
        writer.I32(size.cy);
    }
    // No pixel format, no OpenGL records.
    writer.Zeros(12);
    writer.I32(header.Micrometers.cx);
    writer.I32(header.Micrometers.cy);
    for (char16_t ch : header.Description)
        writer.U16(ch);
    writer.End();
}

void WriteEmfEof(TEmfWriter& writer)
{
    // No palette entries; the offset where they would start, and the record's own size last.
    writer.Record(EMR_EOF, {0, 16, static_cast<std::int32_t>(EmfEofSize)});
}
