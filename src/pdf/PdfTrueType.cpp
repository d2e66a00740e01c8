#include "pdf/PdfTrueType.h"

#include "platform/graphics/TrueTypeFile.h"

#include <algorithm>

namespace {

constexpr std::uint32_t TrueTypeVersion = 0x00010000;
constexpr int CompositeGlyph = -1;
constexpr unsigned ArgsAreWords = 0x01;
constexpr unsigned HasScale = 0x08;
constexpr unsigned MoreComponents = 0x20;
constexpr unsigned HasXYScale = 0x40;
constexpr unsigned HasTwoByTwo = 0x80;

bool Holds(std::string_view bytes, std::size_t at, std::size_t count)
{
    return at <= bytes.size() && count <= bytes.size() - at;
}

std::string_view TableBytes(std::string_view font, const TTrueTypeTable* table)
{
    return table == nullptr ? std::string_view() : font.substr(table->Offset, table->Length);
}

} // namespace

TPdf_TTF_CMAP::TPdf_TTF_CMAP(std::string_view font)
{
    const auto tables = ReadTableDirectory(font, 0);
    if (!tables)
        return;
    const std::string_view head = TableBytes(font, FindTable(*tables, TableTag("head")));
    const std::string_view maxp = TableBytes(font, FindTable(*tables, TableTag("maxp")));
    const std::string_view hhea = TableBytes(font, FindTable(*tables, TableTag("hhea")));
    const std::string_view hmtx = TableBytes(font, FindTable(*tables, TableTag("hmtx")));
    const std::string_view cmap = TableBytes(font, FindTable(*tables, TableTag("cmap")));
    if (!head.empty()) {
        if (head.size() < 20)
            return;
        unitsPerEm_ = static_cast<int>(BigEndian16(head, 18));
    }
    if (unitsPerEm_ == 0)
        unitsPerEm_ = 2048;
    if (!maxp.empty() && maxp.size() < 6)
        return;
    const std::size_t glyphCount = maxp.empty() ? 0 : BigEndian16(maxp, 4);
    used_.assign(glyphCount, 0);
    advances_.assign(glyphCount, 0);
    if (!ReadMetrics(hhea, hmtx) || !ReadCmap(cmap))
        return;
    failed_ = false;
}

bool TPdf_TTF_CMAP::ReadMetrics(std::string_view hhea, std::string_view hmtx)
{
    if (hhea.empty() || advances_.empty())
        return true;
    if (hhea.size() < 36)
        return false;
    const std::size_t metricCount = std::min<std::size_t>(BigEndian16(hhea, 34), advances_.size());
    if (metricCount == 0)
        return true;
    if (!Holds(hmtx, 0, 4 * metricCount))
        return false;
    for (std::size_t g = 0; g < advances_.size(); ++g) {
        const std::size_t at = 4 * std::min(g, metricCount - 1);
        advances_[g] = static_cast<int>(BigEndian16(hmtx, at));
    }
    return true;
}

bool TPdf_TTF_CMAP::ReadCmap(std::string_view cmap)
{
    if (cmap.size() < 4)
        return false;
    const unsigned subtableCount = BigEndian16(cmap, 2);
    if (!Holds(cmap, 4, 8 * std::size_t{subtableCount}))
        return false;
    for (unsigned s = 0; s < subtableCount; ++s) {
        const std::size_t at = BigEndian32(cmap, 4 + 8 * std::size_t{s} + 4);
        if (!Holds(cmap, at, 6))
            return false;
        const unsigned format = BigEndian16(cmap, at);
        if (format == 4 && !ReadFormat4(cmap, at))
            return false;
        if (format == 0) {
            if (!Holds(cmap, at + 6, 256))
                return false;
            std::copy_n(reinterpret_cast<const std::uint8_t*>(cmap.data() + at + 6), 256, byteTable_);
            hasByteTable_ = true;
        }
    }
    return hasFormat4_ || hasByteTable_;
}

// The last format 4 subtable is the one kept.
bool TPdf_TTF_CMAP::ReadFormat4(std::string_view cmap, std::size_t at)
{
    const std::size_t length = BigEndian16(cmap, at + 2);
    if (length < 14 || !Holds(cmap, at, length))
        return false;
    const std::string_view table = cmap.substr(at, length);
    const std::size_t segmentCount = BigEndian16(table, 6) / 2;
    const std::size_t glyphArrayAt = 16 + 8 * segmentCount;
    if (glyphArrayAt > table.size())
        return false;
    segments_.resize(segmentCount);
    for (std::size_t i = 0; i < segmentCount; ++i) {
        segments_[i].EndCode = BigEndian16(table, 14 + 2 * i);
        segments_[i].StartCode = BigEndian16(table, 16 + 2 * segmentCount + 2 * i);
        segments_[i].Delta = BigEndian16(table, 16 + 4 * segmentCount + 2 * i);
        segments_[i].RangeOffset = BigEndian16(table, 16 + 6 * segmentCount + 2 * i);
    }
    glyphIdArray_.resize((table.size() - glyphArrayAt) / 2);
    for (std::size_t i = 0; i < glyphIdArray_.size(); ++i)
        glyphIdArray_[i] = BigEndian16(table, glyphArrayAt + 2 * i);
    hasFormat4_ = true;
    return true;
}

int TPdf_TTF_CMAP::Format4Glyph(unsigned code) const
{
    const std::size_t segmentCount = segments_.size();
    for (std::size_t i = 0; i < segmentCount; ++i) {
        const Segment& segment = segments_[i];
        if (segment.EndCode < code || segment.StartCode > code)
            continue;
        if (segment.RangeOffset == 0)
            return static_cast<int>((code + segment.Delta) & 0xFFFF);
        // The range offset counts from the segment's own range-offset field to the glyph array.
        const std::size_t index = (code - segment.StartCode) + segment.RangeOffset / 2 + i;
        if (index < segmentCount || index - segmentCount >= glyphIdArray_.size())
            return 0;
        const unsigned glyph = glyphIdArray_[index - segmentCount];
        return glyph == 0 ? 0 : static_cast<int>((glyph + segment.Delta) & 0xFFFF);
    }
    return 0;
}

int TPdf_TTF_CMAP::GlyphOf(int code) const
{
    if (code < 1 || failed_)
        return 0;
    int glyph = 0;
    if (hasFormat4_)
        glyph = code <= 0xFFFF ? Format4Glyph(static_cast<unsigned>(code)) : 0;
    else
        glyph = ByteGlyph(code);
    return glyph < NumGlyphs() ? glyph : 0;
}

int TPdf_TTF_CMAP::ByteGlyph(int code) const
{
    if (!hasByteTable_ || code < 0 || code > 255)
        return 0;
    const int glyph = byteTable_[code];
    return glyph < NumGlyphs() ? glyph : 0;
}

int TPdf_TTF_CMAP::AdvanceWidth(int glyph) const
{
    return glyph >= 0 && glyph < NumGlyphs() ? advances_[static_cast<std::size_t>(glyph)] : 0;
}

void TPdf_TTF_CMAP::UseChar(int code, bool byteCode)
{
    if (code < 1)
        return;
    MarkGlyph(byteCode && hasByteTable_ && code < 256 ? ByteGlyph(code) : GlyphOf(code), code);
    if (code == 937)
        MarkGlyph(GlyphOf(8486), code);
    else if (code == 916)
        MarkGlyph(GlyphOf(8710), code);
}

void TPdf_TTF_CMAP::MarkGlyph(int glyph, int code)
{
    if (glyph < 0 || glyph >= NumGlyphs())
        return;
    used_[static_cast<std::size_t>(glyph)] = 1;
    if (glyph >= 1 && code >= 33)
        charsUsed_ = true;
}

namespace {

struct TGlyphTables {
    const std::vector<TTrueTypeTable>* Tables = nullptr;
    std::string_view Glyf;
    bool LongOffsets = false;
    // numGlyphs + 1 offsets into "glyf", each checked to lie within it and after the one before.
    std::vector<std::size_t> Starts;

    std::string_view Glyph(std::size_t glyph) const
    {
        return Glyf.substr(Starts[glyph], Starts[glyph + 1] - Starts[glyph]);
    }
};

std::optional<TGlyphTables> ReadGlyphTables(std::string_view font, const std::vector<TTrueTypeTable>& tables)
{
    const std::string_view head = TableBytes(font, FindTable(tables, TableTag("head")));
    const std::string_view maxp = TableBytes(font, FindTable(tables, TableTag("maxp")));
    const std::string_view loca = TableBytes(font, FindTable(tables, TableTag("loca")));
    TGlyphTables glyphs;
    glyphs.Tables = &tables;
    glyphs.Glyf = TableBytes(font, FindTable(tables, TableTag("glyf")));
    if (head.size() < 54 || maxp.size() < 6 || glyphs.Glyf.empty())
        return std::nullopt;
    glyphs.LongOffsets = BigEndian16(head, 50) != 0;
    const std::size_t glyphCount = BigEndian16(maxp, 4);
    const std::size_t entrySize = glyphs.LongOffsets ? 4 : 2;
    if (!Holds(loca, 0, entrySize * (glyphCount + 1)))
        return std::nullopt;
    glyphs.Starts.resize(glyphCount + 1);
    for (std::size_t g = 0; g <= glyphCount; ++g) {
        const std::size_t start =
            glyphs.LongOffsets ? BigEndian32(loca, 4 * g) : std::size_t{BigEndian16(loca, 2 * g)} * 2;
        if (start > glyphs.Glyf.size() || (g > 0 && start < glyphs.Starts[g - 1]))
            return std::nullopt;
        glyphs.Starts[g] = start;
    }
    return glyphs;
}

// Marks the components of a composite glyph; answers whether one was not marked before.
bool MarkComponents(std::string_view glyph, std::vector<std::uint8_t>& used)
{
    bool marked = false;
    std::size_t at = 10;
    unsigned flags = MoreComponents;
    while ((flags & MoreComponents) != 0 && Holds(glyph, at, 4)) {
        flags = BigEndian16(glyph, at);
        const std::size_t component = BigEndian16(glyph, at + 2);
        if (component < used.size() && used[component] == 0) {
            used[component] = 1;
            marked = true;
        }
        at += 4 + ((flags & ArgsAreWords) != 0 ? 4 : 2);
        if ((flags & HasScale) != 0)
            at += 2;
        else if ((flags & HasXYScale) != 0)
            at += 4;
        else if ((flags & HasTwoByTwo) != 0)
            at += 8;
    }
    return marked;
}

// A composite's components may be composites themselves: marking goes on until nothing new is.
void CloseOverComponents(const TGlyphTables& glyphs, std::vector<std::uint8_t>& used)
{
    bool marked = true;
    while (marked) {
        marked = false;
        for (std::size_t g = 0; g < used.size(); ++g) {
            const std::string_view glyph = glyphs.Glyph(g);
            if (used[g] != 0 && glyph.size() >= 10 && SignedBigEndian16(glyph, 0) == CompositeGlyph)
                marked = MarkComponents(glyph, used) || marked;
        }
    }
}

void PadToFour(std::string& bytes) { bytes.append((4 - bytes.size() % 4) % 4, '\0'); }

// The used glyphs' outlines one after another, each starting on an even offset as 16-bit "loca"
// entries need, and their "loca".
std::pair<std::string, std::string> CompactGlyphs(const TGlyphTables& glyphs, const std::vector<std::uint8_t>& used)
{
    const std::size_t glyphCount = glyphs.Starts.size() - 1;
    const std::size_t entrySize = glyphs.LongOffsets ? 4 : 2;
    std::string glyf;
    std::string loca((glyphCount + 1) * entrySize, '\0');
    const auto putStart = [&](std::size_t g) {
        const auto start = static_cast<std::uint32_t>(glyf.size());
        if (glyphs.LongOffsets)
            PutBigEndian32(loca, 4 * g, start);
        else
            PutBigEndian16(loca, 2 * g, start / 2);
    };
    for (std::size_t g = 0; g < glyphCount; ++g) {
        putStart(g);
        if (g < used.size() && used[g] != 0) {
            glyf.append(glyphs.Glyph(g));
            glyf.append(glyf.size() % 2, '\0');
        }
    }
    putStart(glyphCount);
    return {std::move(glyf), std::move(loca)};
}

} // namespace

std::optional<std::string> SubsetTrueType(std::string_view font, std::vector<std::uint8_t> used)
{
    if (font.size() < 12 || BigEndian32(font, 0) != TrueTypeVersion)
        return std::nullopt;
    const auto tables = ReadTableDirectory(font, 0);
    if (!tables)
        return std::nullopt;
    const auto glyphs = ReadGlyphTables(font, *tables);
    if (!glyphs)
        return std::nullopt;
    used.resize(std::min(used.size(), glyphs->Starts.size() - 1));
    CloseOverComponents(*glyphs, used);
    const auto [glyf, loca] = CompactGlyphs(*glyphs, used);

    const auto tableCount = static_cast<unsigned>(tables->size());
    std::string subset = OffsetTable(TrueTypeVersion, tableCount);
    subset.resize(12 + 16 * std::size_t{tableCount}, '\0');
    for (unsigned t = 0; t < tableCount; ++t) {
        const TTrueTypeTable& table = (*tables)[t];
        const std::size_t at = subset.size();
        if (table.Tag == TableTag("glyf"))
            subset.append(glyf);
        else if (table.Tag == TableTag("loca"))
            subset.append(loca);
        else
            subset.append(font.substr(table.Offset, table.Length));
        const std::size_t length = subset.size() - at;
        PadToFour(subset);
        const std::size_t entry = 12 + 16 * std::size_t{t};
        PutBigEndian32(subset, entry, table.Tag);
        PutBigEndian32(subset, entry + 4, TableChecksum(subset, at, subset.size()));
        PutBigEndian32(subset, entry + 8, static_cast<std::uint32_t>(at));
        PutBigEndian32(subset, entry + 12, static_cast<std::uint32_t>(length));
    }
    return subset;
}
