#pragma once

#include "platform/graphics/RasterOps.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <initializer_list>

// Rounds halves to even, as the device's arithmetic does everywhere, and keeps the result inside
// the int range whatever the drawing asked for.
inline int PdfRound(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::nearbyint(std::clamp(value, double(INT_MIN), double(INT_MAX))));
}

// A set of enumeration values, one bit each, as the device's flag sets are kept.
template <typename E> class TPdfSet {
public:
    constexpr TPdfSet() = default;
    constexpr TPdfSet(std::initializer_list<E> items)
    {
        for (E item : items)
            Include(item);
    }
    constexpr bool Contains(E item) const { return (bits_ & Bit(item)) != 0; }
    constexpr TPdfSet& Include(E item)
    {
        bits_ |= Bit(item);
        return *this;
    }
    constexpr TPdfSet& Exclude(E item)
    {
        bits_ &= ~Bit(item);
        return *this;
    }
    constexpr bool Empty() const { return bits_ == 0; }
    // The set as a word of bits, bit n for the value n, as callers outside the device pass it.
    constexpr std::uint32_t Bits() const { return bits_; }
    static constexpr TPdfSet FromBits(std::uint32_t bits)
    {
        TPdfSet set;
        set.bits_ = bits;
        return set;
    }
    friend bool operator==(const TPdfSet&, const TPdfSet&) = default;

private:
    static constexpr std::uint32_t Bit(E item) { return 1u << static_cast<unsigned>(item); }
    std::uint32_t bits_ = 0;
};

enum TPdfBasicGDIObjectType : std::uint8_t { pegdi_null, pegdi_font, pegdi_brush, pegdi_pen, pegdi_palette };

// The GDI pen style numbers.
enum TPdfPenStyles : std::uint8_t {
    peps_Solid,
    peps_Dash,
    peps_Dot,
    peps_DashDot,
    peps_DashDotDot,
    peps_Null,
    peps_InsideFrame
};

enum TPdfBrushStyles : std::uint8_t { pebs_Solid, pebs_Null, pebsHatched, pebs_Pattern };

enum TPdfStockObjects {
    pestock_WHITE_BRUSH,
    pestock_LTGRAY_BRUSH,
    pestock_GRAY_BRUSH,
    pestock_DKGRAY_BRUSH,
    pestock_BLACK_BRUSH,
    pestock_NULL_BRUSH,
    pestock_WHITE_PEN,
    pestock_BLACK_PEN,
    pestock_NULL_PEN,
    pestock_OEM_FIXED_FONT,
    pestock_ANSI_FIXED_FONT,
    pestock_ANSI_VAR_FONT,
    pestock_SYSTEM_FONT,
    pestock_DEVICE_DEFAULT_FONT,
    pestock_DEFAULT_PALETTE,
    pestock_SYSTEM_FIXED_FONT,
    pestock_DEFAULT_GUI_FONT,
    pestock_DC_BRUSH
};
constexpr int PdfStockObjectCount = pestock_DC_BRUSH + 1;

enum TPdfPSFigureMode { pesNoFigure, pesStroke, pesFill, pesStrokeAndFill, pesIntersectClip };

enum TPdfTextAlignFlag { peal_BASELINE, peal_BOTTOM, peal_CENTER, peal_LEFT, peal_RIGHT, peal_UPDATECP };
using TPdfTextAlign = TPdfSet<TPdfTextAlignFlag>;

enum TPdfDevMode {
    peNoBITBLTFillRect,
    peNeverFill,
    peWhiteBrushIsTransparent,
    peExactTextPositioning,
    peNoTextRectClipping,
    peClipRectSupport,
    peDontStackWorldModifications,
    peDontAdjustTextSpacing,
    peDontCropBitmaps
};
using TPdfDevModes = TPdfSet<TPdfDevMode>;

// GDI numbers the metafile records carry; in a namespace of their own, as the platform's canvas may
// know them too.
namespace PdfGdi {

constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;

constexpr int MWT_IDENTITY = 1;
constexpr int MWT_LEFTMULTIPLY = 2;
constexpr int MWT_RIGHTMULTIPLY = 3;

constexpr int OPAQUE = 2;
constexpr int WINDING = 2;
constexpr int AD_CLOCKWISE = 2;
constexpr int RGN_AND = 1;

constexpr std::uint32_t TA_UPDATECP = 1;
constexpr std::uint32_t TA_RIGHT = 2;
constexpr std::uint32_t TA_CENTER = 6;
constexpr std::uint32_t TA_BOTTOM = 8;
constexpr std::uint32_t TA_BASELINE = 24;

constexpr std::uint32_t PS_STYLE_MASK = 0x0F;
constexpr std::uint32_t PS_USERSTYLE = 7;
constexpr std::uint32_t PS_ALTERNATE = 8;
constexpr std::uint32_t PS_ENDCAP_SQUARE = 0x100;
constexpr std::uint32_t PS_ENDCAP_FLAT = 0x200;

constexpr std::uint32_t ETO_OPAQUE = 2;
constexpr std::uint32_t ETO_CLIPPED = 4;

constexpr std::uint32_t DIB_RGB_COLORS = 0;

} // namespace PdfGdi
