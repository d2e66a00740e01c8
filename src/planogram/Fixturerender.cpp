#include "planogram/Fixturerender.h"

#include "planogram/Listmanager.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

#include <algorithm>

namespace {

constexpr TColor LightGrey = 0xC0C0C0;
constexpr int DividerSlotSpacing = 16;

int IntAttribute(std::string_view text, std::string_view name) { return Atoi(FixtureRender::GetAttribute(text, name)); }

TBrushStyle BrushStyleOf(int number)
{
    return number >= bsSolid && number <= bsDiagCross ? static_cast<TBrushStyle>(number) : bsSolid;
}

TRect WholeOf(TBitmap& bitmap) { return Rect(0, 0, bitmap.Width(), bitmap.Height()); }

// 0 raised edge, 2 one-pixel black frame, anything else none.
void DrawEdgeStyle(const ListOB& item, TBitmap& bitmap)
{
    TCanvas& canvas = bitmap.Canvas();
    switch (IntAttribute(item.picture, "edgestyle")) {
    case 0:
        canvas.DrawEdge(WholeOf(bitmap), EDGE_RAISED, BF_RECT);
        break;
    case 2:
        canvas.Brush.Color = clBlack;
        canvas.Brush.Style = bsSolid;
        canvas.FrameRect(WholeOf(bitmap));
        break;
    default:
        break;
    }
}

void FillWithStyle(TBitmap& bitmap, TColor color, int style)
{
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.Color = color;
    canvas.Brush.Style = BrushStyleOf(style);
    canvas.FillRect(WholeOf(bitmap));
}

// The holes of one peg row: a square of `size` at every multiple of `step` from `first` to `last`.
// Holes that touch or overlap merge into one run, which gives the same pixels with one fill.
void DrawPegRow(TCanvas& canvas, int y, long long first, long long last, long long step, int size)
{
    if (first > last)
        return;
    if (step <= size) {
        const long long lastHole = first + (last - first) / step * step;
        canvas.FillRect(Rect(static_cast<int>(first), y, static_cast<int>(lastHole) + size, y + size));
        return;
    }
    for (long long x = first; x <= last; x += step)
        canvas.FillRect(Rect(static_cast<int>(x), y, static_cast<int>(x) + size, y + size));
}

// The first multiple of `step` that is at least `from` (and at least 0).
long long FirstMultipleFrom(long long from, long long step)
{
    if (from <= 0)
        return 0;
    return (from + step - 1) / step * step;
}

// A stored length times the drawing scale, kept within the int range.
long long Scaled(long long length, int scale) { return std::clamp(length * scale, -(1LL << 40), 1LL << 40); }

} // namespace

std::string FixtureRender::GetAttribute(std::string_view text, std::string_view name)
{
    const std::string key = "<" + std::string(name) + "=";
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos)
        return {};
    const std::size_t start = at + key.size();
    const std::size_t end = text.find('>', start);
    return std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

void FixtureRender::ParseAttributes(const ListOB& item)
{
    const std::string& text = item.picture;
    PegSize = Atof(GetAttribute(text, "PegSize"));
    VPegSpace = IntAttribute(text, "VPegSpace");
    HPegSpace = IntAttribute(text, "HPegSpace");
    FirstVPeg = IntAttribute(text, "FirstVPeg");
    FirstHPeg = IntAttribute(text, "FirstHPeg");
    LastVPeg = IntAttribute(text, "LastVPeg");
    LastHPeg = IntAttribute(text, "LastHPeg");
    value = GetAttribute(text, "value");
    bgcolor = IntAttribute(text, "bgcolor");
    boxcolor = IntAttribute(text, "boxcolor");
    fillstyle = IntAttribute(text, "fillstyle");
    edgestyle = IntAttribute(text, "edgestyle");
    textalign = IntAttribute(text, "textalign");
    textmode = IntAttribute(text, "textmode");
}

void FixtureRender::DrawShelf(const ListOB& item, TBitmap& bitmap)
{
    FillWithStyle(bitmap, IntAttribute(item.picture, "boxcolor"), IntAttribute(item.picture, "fillstyle"));
    DrawEdgeStyle(item, bitmap);
}

void FixtureRender::DrawDivider(const ListOB& item, TBitmap& bitmap)
{
    const std::string color = GetAttribute(item.picture, "boxcolor");
    FillWithStyle(bitmap, color.empty() ? clWhite : Atoi(color), IntAttribute(item.picture, "fillstyle"));
    DrawEdgeStyle(item, bitmap);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.Color = clBlack;
    canvas.Brush.Style = bsSolid;
    for (int y = 2; y < bitmap.Height(); y += DividerSlotSpacing)
        canvas.Ellipse(5, y, bitmap.Width() - 5, y + 10);
}

void FixtureRender::DrawText(const ListOB& item, TBitmap& bitmap)
{
    const std::string& text = item.picture;
    TCanvas& canvas = bitmap.Canvas();
    canvas.Font.Name = GetAttribute(text, "font");
    canvas.Font.Color = IntAttribute(text, "fontcolor");
    const int size = IntAttribute(text, "fontsize");
    canvas.Font.SetSize(doubleSize ? size * 2 : size);
    canvas.Brush.Color = IntAttribute(text, "boxcolor");
    TRect whole = WholeOf(bitmap);
    canvas.FillRect(whole);
    value = GetAttribute(text, "value");
    textmode = IntAttribute(text, "textmode");
    textalign = IntAttribute(text, "textalign");
    if (textmode != 0) {
        const unsigned alignment = textalign == 1 ? DT_CENTER : textalign == 2 ? DT_RIGHT : DT_LEFT;
        canvas.DrawText(value, whole, DT_WORDBREAK | DT_EDITCONTROL | alignment);
    } else {
        canvas.DrawText(value, whole, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    DrawEdgeStyle(item, bitmap);
}

void FixtureRender::DrawPegboard(const ListOB& item, TBitmap& bitmap)
{
    const std::string& text = item.picture;
    const int scale = doubleSize ? 2 : 1;
    // A hole larger than the bitmap draws the same pixels as one as large as it.
    const double pegSize =
        std::min(Atof(GetAttribute(text, "PegSize")) * scale, double(bitmap.Width() + bitmap.Height()));
    const int size = static_cast<int>(pegSize);
    // A step below 1 (0 for a slatwall, or a damaged file's negative one) counts as 1.
    const long long step = std::max(1LL, Scaled(IntAttribute(text, "VPegSpace"), scale));
    const long long hstep = std::max(1LL, Scaled(IntAttribute(text, "HPegSpace"), scale));
    const long long firstRow = Scaled(IntAttribute(text, "FirstVPeg"), scale);
    const long long firstColumn = Scaled(IntAttribute(text, "FirstHPeg"), scale);
    // In double size the bitmap is already twice as large, so only the margin doubles.
    const long long lastRow = bitmap.Height() - Scaled(IntAttribute(text, "LastVPeg"), scale);
    const long long lastColumn = bitmap.Width() - Scaled(IntAttribute(text, "LastHPeg"), scale);

    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.Color = IntAttribute(text, "bgcolor");
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(WholeOf(bitmap));
    if (size > 0) {
        canvas.Brush.Color = clBlack;
        const long long columnFrom = FirstMultipleFrom(firstColumn, hstep);
        const long long columnTo = std::min<long long>(lastColumn, bitmap.Width() - 1);
        const long long rowTo = std::min<long long>(lastRow, bitmap.Height() - 1);
        for (long long y = FirstMultipleFrom(firstRow, step); y <= rowTo; y += step)
            DrawPegRow(canvas, static_cast<int>(y), columnFrom, columnTo, hstep, size);
    }
    DrawEdgeStyle(item, bitmap);
}

bool RenderFixture(const ListOB& item, TBitmap& bitmap, bool doubleSize)
{
    const std::string& text = item.picture;
    FixtureRender render;
    render.doubleSize = doubleSize;
    if (text == "p" || text.find("<pegboard>") != std::string::npos)
        render.DrawPegboard(item, bitmap);
    else if (text.find("<shelf>") != std::string::npos)
        render.DrawShelf(item, bitmap);
    else if (text.find("<text>") != std::string::npos)
        render.DrawText(item, bitmap);
    else if (text == "dv" || text.find("<dv>") != std::string::npos)
        render.DrawDivider(item, bitmap);
    else if (text == "s")
        FillWithStyle(bitmap, LightGrey, bsSolid);
    else
        return false;
    return true;
}
