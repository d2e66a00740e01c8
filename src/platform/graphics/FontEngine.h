#pragma once

#include "platform/core/Geometry.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What a font measures at one em size: pixels for the screen, 1000 for the PDF writer. The first
// group is the cell as Windows lays out text (ascent and descent from the OS/2 Windows values); the
// second the outline metrics (typographic ascent, descent negative, cap and x height, box).
struct TFontMetrics {
    int EmHeight = 0;
    int Ascent = 0;
    int Descent = 0;
    int Height = 0;
    int InternalLeading = 0;
    int ExternalLeading = 0;
    int AveCharWidth = 0;
    int MaxCharWidth = 0;

    int TypoAscent = 0;
    int TypoDescent = 0;
    int CapHeight = 0;
    int XHeight = 0;
    // Degrees, counter-clockwise from vertical (negative for a font slanted to the right).
    int ItalicAngle = 0;
    // Left, top (highest point), right, bottom (lowest point, negative below the baseline).
    TRect FontBox;
    int UnderlinePosition = 0;
    int UnderlineThickness = 0;
    int StrikeoutPosition = 0;
    int StrikeoutSize = 0;

    // The byte codes the font has glyphs for run from FirstChar to LastChar.
    int FirstChar = 0;
    int LastChar = 0;
};

// One rendered glyph, one bit per pixel (leftmost pixel in the high bit), placed relative to the
// pen position on the baseline: its top-left pixel lies at (pen x + Left, pen y + Top).
struct TGlyphImage {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Rows = 0;
    int Pitch = 0;
    std::vector<std::uint8_t> Bits;

    bool Ink(int x, int y) const { return (Bits[static_cast<std::size_t>(y * Pitch + (x >> 3))] >> (7 - (x & 7))) & 1; }
};

// A TrueType face, read once and shared by everything that measures or draws with it. Text is
// Windows-1252 bytes; each byte goes through Unicode to the font's character map.
class TFontFace {
public:
    struct Impl;
    explicit TFontFace(std::unique_ptr<Impl> impl);
    ~TFontFace();
    TFontFace(const TFontFace&) = delete;
    TFontFace& operator=(const TFontFace&) = delete;

    const std::string& FamilyName() const;
    // The font file in the model's form, and the face's number inside a collection.
    const std::string& FileName() const;
    int FaceIndex() const;
    bool Bold() const;
    bool Italic() const;
    int UnitsPerEm() const;
    // 2 for a symbol font (its map holds the codes at 0xF000 and up), 0 for a text font.
    int CharSet() const;

    TFontMetrics Metrics(int emHeight) const;
    // The em size that gives a cell `cellHeight` high, as a positive font height asks.
    int EmForCellHeight(int cellHeight) const;

    // Glyph number of a byte code, 0 when the font has none.
    int GlyphIndex(unsigned char code) const;
    // Advance width of a byte code in font units, and at an em size (rounded as MulDiv rounds).
    int AdvanceUnits(unsigned char code) const;
    int CharWidth(unsigned char code, int emHeight) const;
    std::array<int, 256> CharWidths(int emHeight) const;
    int TextWidth(std::string_view text, int emHeight) const;

    // The TrueType file of this face alone: the file itself, or the face's tables taken out of a
    // collection into a font file of their own.
    std::string FontData() const;

    // The glyph of a byte code, monochrome, at an em size and turned by `escapement` tenths of a
    // degree counter-clockwise. Kept for later calls.
    const TGlyphImage& Glyph(unsigned char code, int emHeight, int escapement) const;

private:
    std::unique_ptr<Impl> impl_;
};

// Finds faces through fontconfig and opens them with FreeType. One engine serves the whole program.
class TFontEngine {
public:
    static TFontEngine& Instance();

    TFontEngine();
    ~TFontEngine();
    TFontEngine(const TFontEngine&) = delete;
    TFontEngine& operator=(const TFontEngine&) = delete;

    // The face that best matches a family name (Windows-1252), weight and slant. "Arial",
    // "Times New Roman" and "Courier New" are served by the metric-compatible Liberation fonts.
    // Raises EInvalidGraphic "Cannot load font data!" when no scalable font can be opened.
    std::shared_ptr<const TFontFace> Face(std::string_view name, bool bold, bool italic);
    // A face of a given font file (a collection's member by its number).
    std::shared_ptr<const TFontFace> FaceFromFile(std::string_view fileName, int faceIndex);

    // The family asked of fontconfig for a name the program uses.
    static std::string FamilyForName(std::string_view name);

    // FreeType's library, kept alive by the engine and by every face opened through it.
    struct Library;

private:
    std::shared_ptr<Library> library_;
    std::map<std::string, std::shared_ptr<const TFontFace>> byRequest_;
    std::map<std::string, std::shared_ptr<const TFontFace>> byFile_;
};
