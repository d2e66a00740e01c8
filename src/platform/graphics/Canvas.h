#pragma once

#include "platform/core/Geometry.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/FontEngine.h"
#include "platform/graphics/Raster.h"
#include "platform/graphics/TextLayout.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class TBitmap;
class TGraphic;

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// What GetPixel answers for a point outside the bitmap or the clip rectangle.
constexpr TColor CLR_INVALID = static_cast<TColor>(0xFFFFFFFFu);

// Raster operations of BitBlt and CopyRect.
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t SRCINVERT = 0x00660046;
constexpr std::uint32_t PATCOPY = 0x00F00021;
constexpr std::uint32_t BLACKNESS = 0x00000042;
constexpr std::uint32_t WHITENESS = 0x00FF0062;

// DrawEdge: each edge is an outer and an inner border, raised or sunken; the flags pick the sides.
constexpr unsigned BDR_RAISEDOUTER = 0x0001;
constexpr unsigned BDR_SUNKENOUTER = 0x0002;
constexpr unsigned BDR_RAISEDINNER = 0x0004;
constexpr unsigned BDR_SUNKENINNER = 0x0008;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned BF_LEFT = 0x0001;
constexpr unsigned BF_TOP = 0x0002;
constexpr unsigned BF_RIGHT = 0x0004;
constexpr unsigned BF_BOTTOM = 0x0008;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;

// Dashes are drawn by pens one pixel wide; a wider pen draws solid. An inside-frame pen keeps a
// figure's outline inside its box.
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

// The font style set, as bits: bit 0 bold, bit 1 italic, then underline and strike-out.
using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 0x01;
constexpr TFontStyles fsItalic = 0x02;
constexpr TFontStyles fsUnderline = 0x04;
constexpr TFontStyles fsStrikeOut = 0x08;

// A font by name, style and size. Height < 0 is the em size in pixels, Height > 0 the cell height;
// Size is in points at PixelsPerInch, and setting PixelsPerInch keeps the size in points.
// Escapement turns the text counter-clockwise, in tenths of a degree.
class TFont {
public:
    std::string Name = "MS Sans Serif";
    TColor Color = clWindowText;
    TFontStyles Style = 0;
    int Escapement = 0;

    int Size() const { return size_; }
    void SetSize(int size);
    int Height() const { return height_; }
    void SetHeight(int height);
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int pixelsPerInch);

    // The face that draws this font, and its em size in pixels.
    std::shared_ptr<const TFontFace> Face() const;
    int EmHeight() const;

private:
    int size_ = 8;
    int height_ = -11;
    int pixelsPerInch_ = 96;
};

// Draws on a bitmap as the Windows device context of the class library's canvas does: integer
// coordinates, figures covering their box without its right and bottom edges, pen and brush
// applied with the pen's mode, text without smoothing so that every drawn colour stays exact.
class TCanvas {
public:
    explicit TCanvas(TBitmap& bitmap);

    TBitmap& Bitmap() { return bitmap_; }

    TPen Pen;
    TBrush Brush;
    TFont Font;
    // The raster operation of CopyRect.
    std::uint32_t CopyMode = SRCCOPY;

    // Drawing stays inside the clip rectangle, which starts as the whole bitmap.
    TRect ClipRect() const;
    void SetClipRect(const TRect& rect);

    TPoint PenPos() const { return penPos_; }
    void SetPenPos(TPoint position) { penPos_ = position; }
    void MoveTo(int x, int y);
    // A line from the pen position, leaving out its last pixel; the pen position moves to (x, y).
    void LineTo(int x, int y);
    void Polyline(std::span<const TPoint> points);
    void Polygon(std::span<const TPoint> points);

    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& rect) { Ellipse(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
    // The part of the ellipse in the box from the ray through (x3, y3) counter-clockwise to the
    // ray through (x4, y4); a pie adds the two radii and fills its wedge.
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);

    // The brush alone, ignoring the pen and its mode.
    void FillRect(const TRect& rect);
    // A frame one pixel wide, inside the rectangle, in the brush.
    void FrameRect(const TRect& rect);
    void DrawEdge(const TRect& rect, unsigned edge, unsigned flags);
    // A dotted frame inverted into the pixels: drawn twice it leaves them as they were.
    void DrawFocusRect(const TRect& rect);
    void InvertRect(const TRect& rect);

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // A graphic at its size; a transparent bitmap leaves out the pixels of its transparent colour.
    void Draw(int x, int y, const TGraphic& graphic);
    // A graphic stretched into the rectangle, each pixel taken from the nearest source pixel.
    void StretchDraw(const TRect& rect, const TGraphic& graphic);
    // Part of another canvas stretched into a rectangle, with CopyMode.
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
    // SRCCOPY and SRCINVERT take the source canvas; PATCOPY, BLACKNESS and WHITENESS need none.
    // Any other operation draws nothing and answers false.
    bool BitBlt(int x, int y, int width, int height, TCanvas* source, int sourceX, int sourceY, std::uint32_t rop);

    // Text at (x, y), the top left of its cell; on a solid brush the cell is filled with the brush
    // colour first. The pen position moves to the end of the text.
    void TextOut(int x, int y, std::string_view text);
    int TextWidth(std::string_view text);
    int TextHeight(std::string_view text);
    TSize TextExtent(std::string_view text);
    // Text at (x, y) shown only inside the rectangle, which a solid brush fills first.
    void TextRect(const TRect& rect, int x, int y, std::string_view text);
    // Lines laid out in the rectangle; answers the height of the text. With DT_CALCRECT nothing is
    // drawn and the rectangle's right and bottom take the size of the text.
    int DrawText(std::string_view text, TRect& rect, unsigned format);
    // Text whose tabs move to the next tab stop; answers the size of what was drawn.
    TSize TabbedTextOut(int x, int y, std::string_view text, std::span<const int> tabStops, int tabOrigin);

private:
    TRaster MakeRaster() const;
    TInk PenInk(const TRaster& raster) const;
    TInk BrushInk(const TRaster& raster, TPenMode mode) const;
    bool PenVisible() const { return Pen.Style != psClear && Pen.Width > 0; }
    int PenWidth() const { return std::max(1, Pen.Width); }
    TRect PenOuterBox(const TRect& box) const;
    void DrawLine(TRaster& raster, TPoint from, TPoint to);
    void DrawFigure(const TRect& box, const TRowRuns& outer, const TRowRuns& inner);
    void DrawArcOrPie(const TRect& box, TPoint start, TPoint end, bool pie);
    void DrawGlyphs(TRaster& raster, int x, int y, std::string_view text);
    void CopyPixels(const TRect& dest, TBitmap& source, const TRect& sourceRect, bool keyed, TColor key,
                    std::uint32_t rop);

    TBitmap& bitmap_;
    TPoint penPos_;
    TRect clip_;
    bool clipSet_ = false;
    int styleStep_ = 0;
};
