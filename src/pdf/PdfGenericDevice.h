#pragma once

#include "pdf/PdfDCStack.h"
#include "pdf/PdfGenericDeviceObjects.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What has already been written to the content stream at one q-level, so that unchanged
// attributes are not written again.
struct TPdfWriterStackVar {
    TColor fillColor = clBlack;
    double fontSize = 10;
    std::string fontName = "Arial";
    TColor strokeColor = clBlack;
    double lineWidth = 0;
    TPdfPenStyles dashStyle = peps_Solid;
    TPdfPenEndCap lineCap = pecap_Round;
    TPdfXForm cm;
    std::int32_t fontWeight = 0;
    std::uint8_t fontItalic = 0;
    std::uint8_t fontCharset = 0;
    TColor textColor = clBlack;
    float charSpacing = 0;
    float wordSpacing = 0;
    double horzScale = 0;
    bool mustWriteStroke = true;
    bool mustWriteFill = true;
    bool mustWriteText = true;
};

// A device context without any device behind it: the GDI objects, the device-context levels and
// the matrix they fold into. Drawing does nothing here; the content-stream device draws.
class TPdfGenericDevice {
public:
    TPdfGenericDevice();
    virtual ~TPdfGenericDevice() = default;
    TPdfGenericDevice(const TPdfGenericDevice&) = delete;
    TPdfGenericDevice& operator=(const TPdfGenericDevice&) = delete;

    // Forgets the page's objects and levels and starts again at the device resolution.
    virtual void InitDC();
    // Plays an enhanced metafile's records on this device, its frame fitted into the page area at
    // (x, y) of `width` by `height` device pixels (0 or less: the frame's own size). Resolutions of 0
    // or less are the header's. With `headerOnly` only the page is opened. Returns what
    // CheckOpenPage answered; false for no data.
    virtual bool PlayEnhMetaFile(std::span<const std::uint8_t> data, int x, int y, int width, int height,
                                 bool headerOnly, int resolutionX, int resolutionY);
    virtual bool CheckOpenPage(int /*x1*/, int /*y1*/, int /*resX*/, int /*resY*/) { return false; }
    virtual void CheckCloseOpenPage(bool /*opened*/) {}
    virtual void PSEndCurrentGraphic() {}
    virtual void PolyBezier(std::span<const TPoint> /*points*/, bool /*to*/) {}
    virtual void Polygon(std::span<const TPoint> /*points*/) {}
    virtual void Polyline(std::span<const TPoint> /*points*/, bool /*to*/) {}
    virtual void PolyPolyline(std::span<const TPoint> /*points*/, std::span<const int> /*counts*/) {}
    virtual void PolyPolygon(std::span<const TPoint> /*points*/, std::span<const int> /*counts*/) {}
    virtual void SetPixelV(int /*x*/, int /*y*/, TColor /*color*/) {}
    virtual bool MoveToEx(int /*x*/, int /*y*/, TPoint* /*old*/) { return true; }
    // Pushes a copy of the current level; returns the new save level.
    virtual int SaveDC();
    // GDI's RestoreDC: a negative level goes back that many saves, a positive one to the state
    // saved by that SaveDC; a level outside the saves is ignored and answers false.
    virtual bool RestoreDC(int level);
    virtual void PSRestoreState() {}
    virtual void PSSaveState() {}
    virtual void AngleArc(int /*x*/, int /*y*/, int /*radius*/, float /*start*/, float /*sweep*/) {}
    virtual void Ellipse(int /*x1*/, int /*y1*/, int /*x2*/, int /*y2*/) {}
    virtual void Rectangle(int /*x1*/, int /*y1*/, int /*x2*/, int /*y2*/) {}
    virtual void FillRect(int /*x*/, int /*y*/, int /*width*/, int /*height*/, TColor /*color*/) {}
    virtual void RoundRect(int /*x1*/, int /*y1*/, int /*x2*/, int /*y2*/, int /*width*/, int /*height*/) {}
    virtual void Arc(const TRect& /*box*/, TPoint /*start*/, TPoint /*end*/, bool /*to*/) {}
    virtual void Chord(const TRect& /*box*/, TPoint /*start*/, TPoint /*end*/) {}
    virtual void Pie(const TRect& /*box*/, TPoint /*start*/, TPoint /*end*/) {}
    virtual void LineTo(int /*x*/, int /*y*/) {}
    virtual void PolyDraw(std::span<const TPoint> /*points*/, std::span<const std::uint8_t> /*types*/) {}
    // Closes one path bracket; a nested one only closes its figure. False when none was open.
    virtual bool EndPath();
    virtual void StrokeAndFillPath(bool /*stroke*/, bool /*fill*/) {}
    virtual void CloseFigure() {}
    virtual void SelectClipPath(int /*mode*/) {}
    // `rectangles` in device units; none means `bounds` alone.
    virtual void SelectClipRGN(int /*mode*/, const TRect& /*bounds*/, std::span<const TRect> /*rectangles*/) {}
    virtual void GDIComment(std::span<const std::uint8_t> /*data*/) {}
    virtual void BitBlt(int /*x*/, int /*y*/, int /*width*/, int /*height*/, std::uint32_t /*rop*/) {}
    virtual int StretchDIBits(int /*x*/, int /*y*/, int /*width*/, int /*height*/, int /*sourceX*/, int /*sourceY*/,
                              int /*sourceWidth*/, int /*sourceHeight*/, std::span<const std::uint8_t> /*bits*/,
                              std::span<const std::uint8_t> /*bitmapInfo*/, std::uint32_t /*usage*/,
                              std::uint32_t /*rop*/)
    {
        return 0;
    }
    // Either `wideText` or `text` holds the run; `spacing` may be empty.
    virtual void ExtTextOut(int /*x*/, int /*y*/, std::uint32_t /*options*/, const TRect& /*rect*/,
                            std::u16string_view /*wideText*/, std::string_view /*text*/, int /*count*/,
                            std::span<const int> /*spacing*/)
    {
    }

    // Mapping. Each returns the old pair in `old` when asked.
    bool SetWindowExtEx(int x, int y, TPoint* old = nullptr);
    bool SetWindowOrgEx(int x, int y, TPoint* old = nullptr);
    bool SetViewPortExtEx(int x, int y, TPoint* old = nullptr);
    bool SetViewPortOrgEx(int x, int y, TPoint* old = nullptr);
    // GDI fails a zero denominator and a result outside 32 bits; so does this.
    bool ScaleViewportExtEx(int xNum, int xDenom, int yNum, int yDenom, TPoint* old = nullptr);
    bool ScaleWindowExtEx(int xNum, int xDenom, int yNum, int yDenom, TPoint* old = nullptr);
    // Returns the previous mode.
    int SetMapMode(int mode);
    void SetWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy);
    // False for a mode GDI does not know.
    bool ModifyWorldTransform(const TPdfXForm& xform, int mode);
    void SetResolution(int x, int y);

    // Objects; each create returns the new handle.
    std::int32_t CreatePen(std::uint32_t style, std::int32_t width, TColor color);
    std::int32_t CreateBrushIndirect(TPdfBrushStyles style, TColor color, std::int32_t hatch);
    std::int32_t CreatePalette(std::span<const std::uint32_t> entries);
    // `logFont`: the bytes of a wide logical font, measures then 32 UTF-16 units of face name.
    std::int32_t CreateFontIndirect(std::span<const std::uint8_t> logFont);
    bool DeleteObject(std::int32_t handle) { return objects_.Delete(handle); }
    // Returns the previously selected handle of the object's kind; 0 when nothing was selected.
    std::int32_t SelectObject(std::int32_t handle);
    std::int32_t SelectPalette(std::int32_t handle);
    void RealizePalette() {}

    // Device-context attributes; the setters of modes return the previous mode.
    int SetBKMode(int mode);
    int SetPolyFillMode(int mode);
    void SetTextAlign(std::uint32_t flags);
    void SetTextColor(TColor color) { DC().textColor = color; }
    void SetBKColor(TColor color) { DC().bkColor = color; }
    void SetRop2(std::int32_t rop) { DC().rop2 = rop; }
    void SetBrushOrgEx(int x, int y) { DC().brushOrg = TPoint{x, y}; }
    void SetArcDirection(int direction) { DC().clockwiseArcs = direction == PdfGdi::AD_CLOCKWISE; }
    void SetTextJustification(int extra, int count);

    // Paths.
    void BeginPath(TPdfPSFigureMode mode);
    void AbortPath();
    void IntersectClipRect(int left, int top, int right, int bottom);
    int ExcludeClipRect() { return 0; }
    int OffsetClipRgn() { return 0; }
    int FillRgnData() { return 0; }
    int FrameRgnData() { return 0; }
    int InvertRgnData() { return 0; }
    int PaintRgnData() { return 0; }

    // Logical y to the content stream's upward y, and back.
    int dcY(int y) const;
    int Y2DC(int y) const;

    // The record of what is written at the current q-level.
    void SaveWrittenData();
    bool RestoreWrittenData();
    TPdfWriterStackVar& WrittenData();
    int WrittenDepth() const { return static_cast<int>(writerStack_.size()); }

    TPdfDCStackVar& DC() { return dcStack_.Data(); }
    TPdfDCStack& DCStack() { return dcStack_; }
    TPdfGenericDeviceObjects& Objects() { return objects_; }

    int ResolutionX() const { return resolutionX_; }
    int ResolutionY() const { return resolutionY_; }
    void SetDeviceResolution(int x, int y);
    TPdfDevModes Modes() const { return modes_; }
    void SetModes(TPdfDevModes modes) { modes_ = modes; }
    bool WorldChanged() const { return worldChanged_; }
    void SetWorldChanged(bool changed) { worldChanged_ = changed; }
    bool TextMatrixNeeded() const { return textMatrixNeeded_; }
    void SetTextMatrixNeeded(bool needed) { textMatrixNeeded_ = needed; }
    bool TextRotated() const { return textRotated_; }
    void SetTextRotated(bool rotated) { textRotated_ = rotated; }
    double TextOffsetX() const { return textOffsetX_; }
    double TextOffsetY() const { return textOffsetY_; }
    void SetTextOffset(double x, double y);
    int PathDepth() const { return pathDepth_; }
    void SetPathDepth(int depth) { pathDepth_ = depth; }
    TPdfPSFigureMode FigureMode() const { return figureMode_; }
    void SetFigureMode(TPdfPSFigureMode mode) { figureMode_ = mode; }
    int LogicalPageHeight() const { return logicalPageHeight_; }
    void SetLogicalPageHeight(int height) { logicalPageHeight_ = height; }
    int TextJustificationExtra() const { return justificationExtra_; }
    int TextJustificationCount() const { return justificationCount_; }
    int TextJustificationRemainder() const { return justificationRemainder_; }
    void SetTextJustificationRemainder(int remainder) { justificationRemainder_ = remainder; }

private:
    bool SetPair(TPoint& field, int x, int y, TPoint* old);
    bool ScaleExtent(TPoint& extent, int xNum, int xDenom, int yNum, int yDenom, TPoint* old);
    void MarkMatrixChanged();
    std::int32_t SelectFont(const TPdfDvFont& font);
    std::int32_t SelectBrush(const TPdfDvBrush& brush);
    std::int32_t SelectPen(const TPdfDvPen& pen);
    std::int32_t SelectPaletteObject(const TPdfDvPalette& palette);

    int resolutionX_ = 72;
    int resolutionY_ = 72;
    int justificationExtra_ = 0;
    int justificationCount_ = 0;
    int justificationRemainder_ = 0;
    bool textMatrixNeeded_ = true;
    bool worldChanged_ = true;
    bool textRotated_ = false;
    double textOffsetX_ = 0;
    double textOffsetY_ = 0;
    TPdfDCStack dcStack_;
    std::vector<TPdfWriterStackVar> writerStack_;
    TPdfGenericDeviceObjects objects_;
    TPdfPSFigureMode figureMode_ = pesNoFigure;
    int pathDepth_ = 0;
    int logicalPageHeight_ = 0;
    TPdfDevModes modes_;
};
