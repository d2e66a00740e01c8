#include "platform/graphics/Palette.h"

namespace {

TPaletteEntry EntryOf(TColor color)
{
    const auto rgb = static_cast<COLORREF>(color);
    return {GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), 0};
}

} // namespace

TColor TPalette::Color(int index) const
{
    const TPaletteEntry& entry = Entries[static_cast<std::size_t>(index)];
    return static_cast<TColor>(RGB(entry.peRed, entry.peGreen, entry.peBlue));
}

int TPalette::NearestIndex(TColor color) const
{
    const TPaletteEntry wanted = EntryOf(ColorToRGB(color));
    int best = -1;
    int bestDistance = 0;
    for (int i = 0; i < Count(); ++i) {
        const TPaletteEntry& entry = Entries[static_cast<std::size_t>(i)];
        const int dr = entry.peRed - wanted.peRed;
        const int dg = entry.peGreen - wanted.peGreen;
        const int db = entry.peBlue - wanted.peBlue;
        const int distance = dr * dr + dg * dg + db * db;
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
            if (distance == 0)
                break;
        }
    }
    return best;
}

TPalette TPalette::StandardVGA()
{
    TPalette palette;
    for (TColor color : {clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clSilver, clGray, clRed, clLime,
                         clYellow, clBlue, clFuchsia, clAqua, clWhite})
        palette.Entries.push_back(EntryOf(color));
    return palette;
}

TPalette TPalette::BlackAndWhite() { return {{EntryOf(clBlack), EntryOf(clWhite)}}; }

TPalette TPalette::Grayscale()
{
    TPalette palette;
    for (int level = 0; level < 256; ++level) {
        const auto value = static_cast<std::uint8_t>(level);
        palette.Entries.push_back({value, value, value, 0});
    }
    return palette;
}
