#pragma once

#include "platform/core/Geometry.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/FontEngine.h"
#include "platform/graphics/Raster.h"
#include "platform/graphics/RasterOps.h"
#include "platform/graphics/TextLayout.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TBitmap;
class TGraphic;

// What GetPixel answers for a point outside the bitmap or the clip rectangle.
constexpr TColor CLR_INVALID = static_cast<TColor>(0xFFFFFFFFu);

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

class TCanvas;

// What every canvas offers: pen, brush and font, the pen position, and the drawing and measuring
// calls, so that drawing code runs unchanged on a bitmap and on a metafile. Coordinates are the
// canvas's units; text is measured by the font engine at the font's size in those units.
class TCustomCanvas {
public:
    TCustomCanvas() = default;
    TCustomCanvas(const TCustomCanvas&) = delete;
    TCustomCanvas& operator=(const TCustomCanvas&) = delete;
    virtual ~TCustomCanvas() = default;

    TPen Pen;
    TBrush Brush;
    TFont Font;
    // The raster operation of CopyRect.
    std::uint32_t CopyMode = SRCCOPY;

    virtual TRect ClipRect() const = 0;
    virtual void SetClipRect(const TRect& rect) = 0;

    TPoint PenPos() const { return penPos_; }
    void SetPenPos(TPoint position) { penPos_ = position; }
    virtual void MoveTo(int x, int y) = 0;
    // A line from the pen position, leaving out its last pixel; the pen position moves to (x, y).
    virtual void LineTo(int x, int y) = 0;
    virtual void Polyline(std::span<const TPoint> points) = 0;
    virtual void Polygon(std::span<const TPoint> points) = 0;

    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    void Ellipse(const TRect& rect) { Ellipse(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    virtual void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) = 0;
    // The part of the ellipse in the box from the ray through (x3, y3) counter-clockwise to the
    // ray through (x4, y4); a pie adds the two radii and fills its wedge.
    virtual void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    virtual void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;

    // The brush alone, ignoring the pen and its mode.
    virtual void FillRect(const TRect& rect) = 0;
    // A frame one pixel wide, inside the rectangle, in the brush.
    virtual void FrameRect(const TRect& rect) = 0;
    virtual void DrawEdge(const TRect& rect, unsigned edge, unsigned flags) = 0;
    // A dotted frame inverted into the pixels: drawn twice it leaves them as they were.
    virtual void DrawFocusRect(const TRect& rect) = 0;
    virtual void InvertRect(const TRect& rect) = 0;

    virtual TColor Pixel(int x, int y) const = 0;
    virtual void SetPixel(int x, int y, TColor color) = 0;

    // A graphic at its size; a transparent bitmap leaves out the pixels of its transparent colour.
    void Draw(int x, int y, const TGraphic& graphic);
    // A graphic stretched into the rectangle, each pixel taken from the nearest source pixel.
    virtual void StretchDraw(const TRect& rect, const TGraphic& graphic) = 0;
    // Part of a bitmap's canvas stretched into a rectangle, with CopyMode.
    virtual void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) = 0;
    // SRCCOPY and SRCINVERT take the source canvas; PATCOPY, BLACKNESS and WHITENESS need none.
    // Any other operation draws nothing and answers false.
    virtual bool BitBlt(int x, int y, int width, int height, TCanvas* source, int sourceX, int sourceY,
                        std::uint32_t rop) = 0;

    // Text at (x, y), the top left of its cell; on a solid brush the cell is filled with the brush
    // colour first. The pen position moves to the end of the text.
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    int TextWidth(std::string_view text) const;
    int TextHeight(std::string_view text) const;
    TSize TextExtent(std::string_view text) const;
    // Text at (x, y) shown only inside the rectangle, which a solid brush fills first.
    virtual void TextRect(const TRect& rect, int x, int y, std::string_view text) = 0;
    // Lines laid out in the rectangle; answers the height of the text. With DT_CALCRECT nothing is
    // drawn and the rectangle's right and bottom take the size of the text.
    virtual int DrawText(std::string_view text, TRect& rect, unsigned format) = 0;
    // Text whose tabs move to the next tab stop; answers the size of what was drawn.
    virtual TSize TabbedTextOut(int x, int y, std::string_view text, std::span<const int> tabStops, int tabOrigin) = 0;

protected:
    // A TAB-separated piece of a tabbed text and where it starts.
    struct TTabbedPiece {
        int X = 0;
        std::string_view Text;
    };
    // The pieces of a tabbed text from x; `end` takes the right end of the last one.
    std::vector<TTabbedPiece> TabbedPieces(int x, std::string_view text, std::span<const int> tabStops, int tabOrigin,
                                           int& end) const;
    // DrawText with DT_CALCRECT: the rectangle takes the size of the text, whose height is answered.
    int CalcTextRect(std::string_view text, TRect& rect, unsigned format) const;

    TPoint penPos_;
};

// Draws on a bitmap as the Windows device context of the class library's canvas does: integer
// coordinates, figures covering their box without its right and bottom edges, pen and brush
// applied with the pen's mode, text without smoothing so that every drawn colour stays exact.
class TCanvas : public TCustomCanvas {
public:
    explicit TCanvas(TBitmap& bitmap);

    TBitmap& Bitmap() { return bitmap_; }

    using TCustomCanvas::Ellipse;
    using TCustomCanvas::Rectangle;

    // Drawing stays inside the clip rectangle, which starts as the whole bitmap.
    TRect ClipRect() const override;
    void SetClipRect(const TRect& rect) override;

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(std::span<const TPoint> points) override;
    void Polygon(std::span<const TPoint> points) override;

    void Rectangle(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) override;
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;

    void FillRect(const TRect& rect) override;
    void FrameRect(const TRect& rect) override;
    void DrawEdge(const TRect& rect, unsigned edge, unsigned flags) override;
    void DrawFocusRect(const TRect& rect) override;
    void InvertRect(const TRect& rect) override;

    TColor Pixel(int x, int y) const override;
    void SetPixel(int x, int y, TColor color) override;

    void StretchDraw(const TRect& rect, const TGraphic& graphic) override;
    // StretchDraw leaving out the pixels of `key`, without marking the bitmap transparent (it may be
    // shared).
    void StretchDrawKeyed(const TRect& rect, const TBitmap& bitmap, TColor key);
    // StretchDraw, or StretchDrawKeyed with the key, of a bitmap of 24 or 32 bits onto a rect wider or
    // narrower than it, its pixels read from `stretched`: a copy of it stretched to the rect's size, in
    // its pixel format or the canvas's. The pixels are those the bitmap gives, each row read in one
    // piece.
    void StretchDrawFrom(const TRect& rect, const TBitmap& bitmap, const TBitmap& stretched, std::optional<TColor> key);
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) override;
    bool BitBlt(int x, int y, int width, int height, TCanvas* source, int sourceX, int sourceY,
                std::uint32_t rop) override;

    void TextOut(int x, int y, std::string_view text) override;
    void TextRect(const TRect& rect, int x, int y, std::string_view text) override;
    int DrawText(std::string_view text, TRect& rect, unsigned format) override;
    TSize TabbedTextOut(int x, int y, std::string_view text, std::span<const int> tabStops, int tabOrigin) override;

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
    // `stretched`, when given, holds the source already stretched to dest's size.
    void CopyPixels(const TRect& dest, const TBitmap& source, const TRect& sourceRect, bool keyed, TColor key,
                    std::uint32_t rop, const TBitmap* stretched = nullptr);

    TBitmap& bitmap_;
    TRect clip_;
    bool clipSet_ = false;
    int styleStep_ = 0;
};
