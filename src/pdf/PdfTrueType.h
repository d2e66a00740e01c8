#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the font resources need of a TrueType file's tables: the character map (format 4, and the
// byte table of format 0), the glyph count, the advance widths and the units per em. Every offset
// and length is checked against the file; a file that is cut short, or has neither character map,
// leaves the reader failed.
class TPdf_TTF_CMAP {
public:
    explicit TPdf_TTF_CMAP(std::string_view font);

    bool Failed() const { return failed_; }
    bool HasByteTable() const { return hasByteTable_; }
    int NumGlyphs() const { return static_cast<int>(advances_.size()); }
    int UnitsPerEm() const { return unitsPerEm_; }

    // The glyph of a character code, 0 when the font has none.
    int GlyphOf(int code) const;
    // The glyph of the byte table (format 0), 0 when there is none.
    int ByteGlyph(int code) const;
    int AdvanceWidth(int glyph) const;

    // Marks the glyph of a code as used for subsetting: the byte table's when `byteCode` is set and
    // there is one, else the character map's. Ohm and increment also keep their look-alikes (the
    // Greek capital omega and delta), which Windows text may hold in their place.
    void UseChar(int code, bool byteCode);
    const std::vector<std::uint8_t>& UsedGlyphs() const { return used_; }
    bool CharsUsed() const { return charsUsed_; }

private:
    struct Segment {
        unsigned EndCode;
        unsigned StartCode;
        unsigned Delta;
        unsigned RangeOffset;
    };

    bool ReadCmap(std::string_view cmap);
    bool ReadFormat4(std::string_view cmap, std::size_t at);
    bool ReadMetrics(std::string_view hhea, std::string_view hmtx);
    int Format4Glyph(unsigned code) const;
    void MarkGlyph(int glyph, int code);

    bool failed_ = true;
    bool hasFormat4_ = false;
    bool hasByteTable_ = false;
    bool charsUsed_ = false;
    int unitsPerEm_ = 2048;
    std::vector<Segment> segments_;
    std::vector<unsigned> glyphIdArray_;
    std::uint8_t byteTable_[256] = {};
    std::vector<std::uint8_t> used_;
    std::vector<int> advances_;
};

// A TrueType file that keeps the outlines of the used glyphs only (and of the components of used
// composite glyphs, at any depth); the other glyphs are left empty, so glyph numbers stay. Nothing
// when the file is not a TrueType-outline font or its glyph tables do not hold together.
std::optional<std::string> SubsetTrueType(std::string_view font, std::vector<std::uint8_t> used);
