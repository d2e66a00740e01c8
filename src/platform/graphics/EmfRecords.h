#pragma once

#include "platform/core/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The records of an enhanced metafile in their published layouts: little-endian, each record a type,
// a byte size (a multiple of 4) and its fields. Records are written and read field by field; the
// reader checks every size, count and offset against the record and the data, raising
// EInvalidGraphic for anything that does not fit, so that a player can trust what it is given.

constexpr std::uint32_t EMR_HEADER = 1;
constexpr std::uint32_t EMR_POLYBEZIER = 2;
constexpr std::uint32_t EMR_POLYGON = 3;
constexpr std::uint32_t EMR_POLYLINE = 4;
constexpr std::uint32_t EMR_POLYBEZIERTO = 5;
constexpr std::uint32_t EMR_POLYLINETO = 6;
constexpr std::uint32_t EMR_POLYPOLYLINE = 7;
constexpr std::uint32_t EMR_POLYPOLYGON = 8;
constexpr std::uint32_t EMR_SETWINDOWEXTEX = 9;
constexpr std::uint32_t EMR_SETWINDOWORGEX = 10;
constexpr std::uint32_t EMR_SETVIEWPORTEXTEX = 11;
constexpr std::uint32_t EMR_SETVIEWPORTORGEX = 12;
constexpr std::uint32_t EMR_SETBRUSHORGEX = 13;
constexpr std::uint32_t EMR_EOF = 14;
constexpr std::uint32_t EMR_SETPIXELV = 15;
constexpr std::uint32_t EMR_SETMAPPERFLAGS = 16;
constexpr std::uint32_t EMR_SETMAPMODE = 17;
constexpr std::uint32_t EMR_SETBKMODE = 18;
constexpr std::uint32_t EMR_SETPOLYFILLMODE = 19;
constexpr std::uint32_t EMR_SETROP2 = 20;
constexpr std::uint32_t EMR_SETSTRETCHBLTMODE = 21;
constexpr std::uint32_t EMR_SETTEXTALIGN = 22;
constexpr std::uint32_t EMR_SETCOLORADJUSTMENT = 23;
constexpr std::uint32_t EMR_SETTEXTCOLOR = 24;
constexpr std::uint32_t EMR_SETBKCOLOR = 25;
constexpr std::uint32_t EMR_OFFSETCLIPRGN = 26;
constexpr std::uint32_t EMR_MOVETOEX = 27;
constexpr std::uint32_t EMR_SETMETARGN = 28;
constexpr std::uint32_t EMR_EXCLUDECLIPRECT = 29;
constexpr std::uint32_t EMR_INTERSECTCLIPRECT = 30;
constexpr std::uint32_t EMR_SCALEVIEWPORTEXTEX = 31;
constexpr std::uint32_t EMR_SCALEWINDOWEXTEX = 32;
constexpr std::uint32_t EMR_SAVEDC = 33;
constexpr std::uint32_t EMR_RESTOREDC = 34;
constexpr std::uint32_t EMR_SETWORLDTRANSFORM = 35;
constexpr std::uint32_t EMR_MODIFYWORLDTRANSFORM = 36;
constexpr std::uint32_t EMR_SELECTOBJECT = 37;
constexpr std::uint32_t EMR_CREATEPEN = 38;
constexpr std::uint32_t EMR_CREATEBRUSHINDIRECT = 39;
constexpr std::uint32_t EMR_DELETEOBJECT = 40;
constexpr std::uint32_t EMR_ANGLEARC = 41;
constexpr std::uint32_t EMR_ELLIPSE = 42;
constexpr std::uint32_t EMR_RECTANGLE = 43;
constexpr std::uint32_t EMR_ROUNDRECT = 44;
constexpr std::uint32_t EMR_ARC = 45;
constexpr std::uint32_t EMR_CHORD = 46;
constexpr std::uint32_t EMR_PIE = 47;
constexpr std::uint32_t EMR_SELECTPALETTE = 48;
constexpr std::uint32_t EMR_CREATEPALETTE = 49;
constexpr std::uint32_t EMR_SETPALETTEENTRIES = 50;
constexpr std::uint32_t EMR_RESIZEPALETTE = 51;
constexpr std::uint32_t EMR_REALIZEPALETTE = 52;
constexpr std::uint32_t EMR_EXTFLOODFILL = 53;
constexpr std::uint32_t EMR_LINETO = 54;
constexpr std::uint32_t EMR_ARCTO = 55;
constexpr std::uint32_t EMR_POLYDRAW = 56;
constexpr std::uint32_t EMR_SETARCDIRECTION = 57;
constexpr std::uint32_t EMR_SETMITERLIMIT = 58;
constexpr std::uint32_t EMR_BEGINPATH = 59;
constexpr std::uint32_t EMR_ENDPATH = 60;
constexpr std::uint32_t EMR_CLOSEFIGURE = 61;
constexpr std::uint32_t EMR_FILLPATH = 62;
constexpr std::uint32_t EMR_STROKEANDFILLPATH = 63;
constexpr std::uint32_t EMR_STROKEPATH = 64;
constexpr std::uint32_t EMR_FLATTENPATH = 65;
constexpr std::uint32_t EMR_WIDENPATH = 66;
constexpr std::uint32_t EMR_SELECTCLIPPATH = 67;
constexpr std::uint32_t EMR_ABORTPATH = 68;
constexpr std::uint32_t EMR_GDICOMMENT = 70;
constexpr std::uint32_t EMR_FILLRGN = 71;
constexpr std::uint32_t EMR_FRAMERGN = 72;
constexpr std::uint32_t EMR_INVERTRGN = 73;
constexpr std::uint32_t EMR_PAINTRGN = 74;
constexpr std::uint32_t EMR_EXTSELECTCLIPRGN = 75;
constexpr std::uint32_t EMR_BITBLT = 76;
constexpr std::uint32_t EMR_STRETCHBLT = 77;
constexpr std::uint32_t EMR_MASKBLT = 78;
constexpr std::uint32_t EMR_PLGBLT = 79;
constexpr std::uint32_t EMR_SETDIBITSTODEVICE = 80;
constexpr std::uint32_t EMR_STRETCHDIBITS = 81;
constexpr std::uint32_t EMR_EXTCREATEFONTINDIRECTW = 82;
constexpr std::uint32_t EMR_EXTTEXTOUTA = 83;
constexpr std::uint32_t EMR_EXTTEXTOUTW = 84;
constexpr std::uint32_t EMR_POLYBEZIER16 = 85;
constexpr std::uint32_t EMR_POLYGON16 = 86;
constexpr std::uint32_t EMR_POLYLINE16 = 87;
constexpr std::uint32_t EMR_POLYBEZIERTO16 = 88;
constexpr std::uint32_t EMR_POLYLINETO16 = 89;
constexpr std::uint32_t EMR_POLYPOLYLINE16 = 90;
constexpr std::uint32_t EMR_POLYPOLYGON16 = 91;
constexpr std::uint32_t EMR_POLYDRAW16 = 92;
constexpr std::uint32_t EMR_CREATEMONOBRUSH = 93;
constexpr std::uint32_t EMR_CREATEDIBPATTERNBRUSHPT = 94;
constexpr std::uint32_t EMR_EXTCREATEPEN = 95;
constexpr std::uint32_t EMR_SETTEXTJUSTIFICATION = 120;

// " EMF" as the header's signature field holds it.
constexpr std::uint32_t EmfSignature = 0x464D4520;
constexpr std::uint32_t EmfVersion = 0x10000;
// The header up to szlMillimeters, and with the extensions up to szlMicrometers.
constexpr std::uint32_t EmfHeaderMinimumSize = 88;
constexpr std::uint32_t EmfHeaderSize = 108;
constexpr std::uint32_t EmfEofSize = 20;
// Object indices with this bit name the stock object of the low bits.
constexpr std::uint32_t EmfStockObject = 0x80000000;

// Stock objects, pen and brush styles, hatches, modes and options as the records hold them; in a
// namespace of their own, since the PDF writer's GDI emulation names some of them too.
namespace Emf {
constexpr std::uint32_t WHITE_BRUSH = 0;
constexpr std::uint32_t NULL_BRUSH = 5;
constexpr std::uint32_t BLACK_PEN = 7;
constexpr std::uint32_t NULL_PEN = 8;
constexpr std::uint32_t SYSTEM_FONT = 13;
constexpr std::uint32_t PS_SOLID = 0;
constexpr std::uint32_t PS_NULL = 5;
constexpr std::uint32_t BS_SOLID = 0;
constexpr std::uint32_t BS_NULL = 1;
constexpr std::uint32_t BS_HATCHED = 2;
constexpr std::uint32_t HS_HORIZONTAL = 0;
constexpr std::uint32_t HS_VERTICAL = 1;
constexpr std::uint32_t HS_FDIAGONAL = 2;
constexpr std::uint32_t HS_BDIAGONAL = 3;
constexpr std::uint32_t HS_CROSS = 4;
constexpr std::uint32_t HS_DIAGCROSS = 5;
constexpr std::uint32_t TRANSPARENT = 1;
constexpr std::uint32_t OPAQUE = 2;
constexpr std::uint32_t R2_NOT = 6;
constexpr std::uint32_t R2_XORPEN = 7;
constexpr std::uint32_t R2_COPYPEN = 13;
constexpr std::uint32_t TA_NOUPDATECP = 0;
constexpr std::uint32_t TA_LEFT = 0;
constexpr std::uint32_t TA_TOP = 0;
constexpr std::uint32_t ETO_OPAQUE = 0x0002;
constexpr std::uint32_t ETO_CLIPPED = 0x0004;
constexpr std::uint32_t ETO_NO_RECT = 0x0100;
constexpr std::uint32_t ETO_PDY = 0x2000;
constexpr std::uint32_t GM_COMPATIBLE = 1;
constexpr std::uint32_t RGN_COPY = 5;
constexpr std::uint32_t DIB_RGB_COLORS = 0;
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr std::uint32_t FW_NORMAL = 400;
constexpr std::uint32_t FW_BOLD = 700;
constexpr int MM_TEXT = 1;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;
} // namespace Emf

class TEmfWriter;

inline constexpr std::string_view SInvalidMetafile = "Metafile is not valid";

// The bytes a record of this type needs at least for its fixed fields (8 for a type without any).
std::uint32_t EmfMinimumRecordSize(std::uint32_t type);

// One record inside a metafile's bytes. Every field is read through an accessor that raises
// EInvalidGraphic when the field does not lie inside the record.
class TEmfRecord {
public:
    // The record's bytes: the type, the size equal to the span's size, the fields.
    explicit TEmfRecord(std::span<const std::uint8_t> bytes);

    std::uint32_t Type() const { return type_; }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(bytes_.size()); }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }

    std::uint8_t U8(std::size_t offset) const;
    std::uint16_t U16(std::size_t offset) const;
    std::uint32_t U32(std::size_t offset) const;
    std::int32_t I32(std::size_t offset) const;
    float Float(std::size_t offset) const;
    // RECTL (left, top, right, bottom) and POINTL.
    TRect RectAt(std::size_t offset) const;
    TPoint PointAt(std::size_t offset) const;
    // `count` items of `itemSize` bytes at a record-relative offset, which must all lie inside.
    std::span<const std::uint8_t> Slice(std::uint64_t offset, std::uint64_t count, std::uint64_t itemSize = 1) const;

    [[noreturn]] void Fail(const std::string& what) const;

private:
    std::span<const std::uint8_t> bytes_;
    std::uint32_t type_;
};

struct TEmfHeader {
    TRect Bounds;
    // In 0.01 mm.
    TRect Frame;
    std::uint32_t Signature = EmfSignature;
    std::uint32_t Version = EmfVersion;
    std::uint32_t Bytes = 0;
    std::uint32_t Records = 0;
    std::uint16_t Handles = 0;
    std::u16string Description;
    std::uint32_t PaletteEntries = 0;
    TSize Device;
    TSize Millimeters;
    TSize Micrometers;
};

// Checks the first record of a metafile's bytes (type 1, the signature, a size and nBytes that lie
// within the data) and reads it.
TEmfHeader ReadEmfFileHeader(std::span<const std::uint8_t> data);
TEmfHeader ReadEmfHeader(const TEmfRecord& record);

// Walks the records of a metafile whose header has been checked, up to nBytes; each record's size
// is checked against the data and against its type's fixed fields.
class TEmfReader {
public:
    explicit TEmfReader(std::span<const std::uint8_t> data);

    const TEmfHeader& Header() const { return header_; }
    // The records behind the header, one by one; none after EMR_EOF or at the end of the metafile's
    // bytes.
    std::optional<TEmfRecord> Next();

private:
    std::span<const std::uint8_t> data_;
    TEmfHeader header_;
    std::size_t offset_ = 0;
    bool ended_ = false;
};

// POLYBEZIER to POLYLINETO and their 16-bit forms: the points, widened to 32 bits.
std::vector<TPoint> ReadEmfPoints(const TEmfRecord& record);

// POLYPOLYLINE, POLYPOLYGON and their 16-bit forms: the points count by count.
struct TEmfPolyPoly {
    std::vector<std::uint32_t> Counts;
    std::vector<TPoint> Points;
};
TEmfPolyPoly ReadEmfPolyPoly(const TEmfRecord& record);

// POLYDRAW and POLYDRAW16: each point with its type byte.
struct TEmfPolyDraw {
    std::vector<TPoint> Points;
    std::vector<std::uint8_t> Types;
};
TEmfPolyDraw ReadEmfPolyDraw(const TEmfRecord& record);

// CREATEPEN and EXTCREATEPEN (whose brush style, hatch and style entries a plain pen lacks).
struct TEmfPen {
    std::uint32_t Index = 0;
    std::uint32_t Style = Emf::PS_SOLID;
    std::int32_t Width = 0;
    std::uint32_t Color = 0;
    std::uint32_t BrushStyle = Emf::BS_SOLID;
    std::uint32_t Hatch = 0;
    std::vector<std::uint32_t> StyleEntries;
};
TEmfPen ReadEmfPen(const TEmfRecord& record);
void WriteEmfPen(TEmfWriter& writer, const TEmfPen& pen);

// CREATEBRUSHINDIRECT.
struct TEmfBrush {
    std::uint32_t Index = 0;
    std::uint32_t Style = Emf::BS_SOLID;
    std::uint32_t Color = 0;
    std::uint32_t Hatch = 0;
};
TEmfBrush ReadEmfBrush(const TEmfRecord& record);
void WriteEmfBrush(TEmfWriter& writer, const TEmfBrush& brush);

// EXTCREATEFONTINDIRECTW: the logical font (LOGFONTW); the face name holds at most 31 characters.
struct TEmfFont {
    std::uint32_t Index = 0;
    std::int32_t Height = 0;
    std::int32_t Width = 0;
    std::int32_t Escapement = 0;
    std::int32_t Orientation = 0;
    std::int32_t Weight = Emf::FW_NORMAL;
    std::uint8_t Italic = 0;
    std::uint8_t Underline = 0;
    std::uint8_t StrikeOut = 0;
    std::uint8_t CharSet = 0;
    std::uint8_t OutPrecision = 0;
    std::uint8_t ClipPrecision = 0;
    std::uint8_t Quality = 0;
    std::uint8_t PitchAndFamily = 0;
    std::u16string FaceName;
};
TEmfFont ReadEmfFont(const TEmfRecord& record);
void WriteEmfFont(TEmfWriter& writer, const TEmfFont& font);

// EXTTEXTOUTA and EXTTEXTOUTW: the characters (8-bit ones widened) and their spacing, one dx per
// character, or a dx and a dy with ETO_PDY.
struct TEmfText {
    TRect Bounds;
    std::uint32_t GraphicsMode = Emf::GM_COMPATIBLE;
    float XScale = 0;
    float YScale = 0;
    TPoint Reference;
    std::uint32_t Options = 0;
    TRect Rect;
    std::u16string Chars;
    std::vector<std::int32_t> Dx;
};
TEmfText ReadEmfText(const TEmfRecord& record);
void WriteEmfTextW(TEmfWriter& writer, const TEmfText& text);

// A device-independent bitmap inside a record: its BITMAPINFO and its bits, both checked to lie in
// the record and to hold what the info header describes. Empty spans when the record has none.
struct TEmfDib {
    std::uint32_t Usage = Emf::DIB_RGB_COLORS;
    std::span<const std::uint8_t> Info;
    std::span<const std::uint8_t> Bits;
};

// BITBLT and STRETCHBLT (the source size only in the latter; the destination's otherwise).
struct TEmfBitBlt {
    TRect Bounds;
    TPoint DestOrigin;
    TSize DestSize;
    std::uint32_t Rop = 0;
    TPoint SourceOrigin;
    float SourceTransform[6] = {1, 0, 0, 1, 0, 0};
    std::uint32_t SourceBkColor = 0;
    TSize SourceSize;
    TEmfDib Source;
};
TEmfBitBlt ReadEmfBitBlt(const TEmfRecord& record);
// A BITBLT without a source bitmap.
void WriteEmfBitBlt(TEmfWriter& writer, const TEmfBitBlt& blt);

// STRETCHDIBITS.
struct TEmfStretchDIBits {
    TRect Bounds;
    TPoint DestOrigin;
    TSize DestSize;
    TPoint SourceOrigin;
    TSize SourceSize;
    std::uint32_t Rop = 0;
    TEmfDib Dib;
};
TEmfStretchDIBits ReadEmfStretchDIBits(const TEmfRecord& record);
void WriteEmfStretchDIBits(TEmfWriter& writer, const TEmfStretchDIBits& stretch);

// CREATEPALETTE: the palette's entries as 0x00BBGGRR plus the flags byte on top.
struct TEmfPalette {
    std::uint32_t Index = 0;
    std::uint16_t Version = 0;
    std::vector<std::uint32_t> Entries;
};
TEmfPalette ReadEmfPalette(const TEmfRecord& record);

// GDICOMMENT: the comment's data.
std::span<const std::uint8_t> ReadEmfComment(const TEmfRecord& record);

// The region of FILLRGN, FRAMERGN, INVERTRGN, PAINTRGN and EXTSELECTCLIPRGN (none in the last when
// its data size is 0): its bounds and rectangles.
struct TEmfRegion {
    TRect Bounds;
    std::vector<TRect> Rects;
};
TEmfRegion ReadEmfRegion(const TEmfRecord& record);

// Builds records one after another, each padded to a multiple of 4 bytes with its size filled in.
class TEmfWriter {
public:
    void Begin(std::uint32_t type);
    void End();

    void U8(std::uint8_t value);
    void U16(unsigned value);
    void U32(std::uint32_t value);
    void I32(std::int32_t value);
    void Float(float value);
    void Rect(const TRect& rect);
    void Point(TPoint point);
    void Bytes(std::span<const std::uint8_t> bytes);
    void Zeros(std::size_t count);
    // The offset of the next field from the start of the record being built.
    std::uint32_t RecordOffset() const;

    // A record of fixed 32-bit fields.
    void Record(std::uint32_t type, std::initializer_list<std::int32_t> fields);

    const std::vector<std::uint8_t>& Data() const { return data_; }
    std::uint32_t Records() const { return records_; }

private:
    std::vector<std::uint8_t> data_;
    std::size_t start_ = 0;
    std::uint32_t records_ = 0;
};

void WriteEmfHeader(TEmfWriter& writer, const TEmfHeader& header);
void WriteEmfEof(TEmfWriter& writer);
