#pragma once

#include "pdf/PdfGdiTypes.h"
#include "platform/graphics/Colors.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The measures of a logical font, as its first 28 bytes hold them.
struct TPdfFontData {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0; // tenths of a degree
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    friend bool operator==(const TPdfFontData&, const TPdfFontData&) = default;
};

// Byte sizes of a wide logical font: the measures, then 32 UTF-16 units of face name.
constexpr std::size_t PdfFontDataSize = 28;
constexpr std::size_t PdfFaceNameUnits = 32;

// Reads the measures from the start of a wide logical font; bytes beyond `bytes` read as 0.
TPdfFontData ReadPdfFontData(std::span<const std::uint8_t> bytes);
// The face name of a wide logical font, up to its first zero unit and never beyond its 32 units
// or `bytes`, as Windows-1252 text ('?' for characters it cannot hold).
std::string ReadPdfFaceName(std::span<const std::uint8_t> bytes);

class TPdfBasicGDIObject {
public:
    explicit TPdfBasicGDIObject(TPdfBasicGDIObjectType type = pegdi_null) : objectType(type) {}
    virtual ~TPdfBasicGDIObject() = default;
    // A text for diagnostics: the class name and the object's main values.
    virtual std::string Description() const { return "TPdfBasicGDIObject"; }

    TPdfBasicGDIObjectType objectType;
    std::int32_t level = 0;
    std::int32_t handle = 0;
};

class TPdfDvFont : public TPdfBasicGDIObject {
public:
    TPdfDvFont() : TPdfBasicGDIObject(pegdi_font) {}
    std::string Description() const override;

    TPdfFontData fontData;
    std::string faceName;
};

class TPdfDvBrush : public TPdfBasicGDIObject {
public:
    TPdfDvBrush() : TPdfBasicGDIObject(pegdi_brush) {}
    std::string Description() const override;

    TPdfBrushStyles style = pebs_Solid;
    TColor color = clBlack;
    std::int32_t hatch = 0;
};

// Pen end caps.
enum TPdfPenEndCap : std::uint8_t { pecap_Round, pecap_Square, pecap_Flat };

class TPdfDvPen : public TPdfBasicGDIObject {
public:
    TPdfDvPen() : TPdfBasicGDIObject(pegdi_pen) {}
    std::string Description() const override;

    std::int32_t width = 0; // logical units
    TPdfPenStyles style = peps_Solid;
    TColor color = clBlack;
    TPdfPenEndCap endCap = pecap_Round;
};

class TPdfDvPalette : public TPdfBasicGDIObject {
public:
    TPdfDvPalette() : TPdfBasicGDIObject(pegdi_palette) {}
    std::string Description() const override;

    std::vector<std::uint32_t> entries;
};
