#pragma once

#include "pdf/PdfDeviceWorkBuffer.h"
#include "pdf/PdfGenericDevice.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TStream;

// What the content stream is in the middle of: nothing, a text object (BT) or a graphic.
enum TPdfPSMode { pesUndefined, pesText, pesGraphic };

// The export's options that reach the content stream.
enum TPdfOption { peCreateAutoLinks };
using TPdfOptions = TPdfSet<TPdfOption>;

// Asked for each text run that begins with the marker; what it leaves in `replacement` is shown
// instead, and an empty replacement drops the run.
using TPdfTextReplaceCallback = void (*)(void* userData, int counter, std::string_view text, std::string& replacement);

// A content-stream device: turns the GDI drawing of a page into the operators of its PDF content
// stream. Colours, line attributes and the cm matrix are written only where they differ from what
// is in force at the current q-level, so a page of shapes in one pen writes them once.
//
// The PS* hooks are what the document device answers: fonts, widths, images, links and the page.
// The defaults here draw text without any font knowledge.
class TPdfGenericPSDevice : public TPdfGenericDevice {
public:
    static constexpr std::size_t WorkBufferSize = 2000;
    // The second word of a GDI comment that carries a command for the document.
    static constexpr std::uint32_t CommandCommentMarker = 120269;

    void InitDC() override;
    void PSEndCurrentGraphic() override;
    void PolyBezier(std::span<const TPoint> points, bool to) override;
    void Polygon(std::span<const TPoint> points) override;
    void Polyline(std::span<const TPoint> points, bool to) override;
    void SetPixelV(int x, int y, TColor color) override;
    bool MoveToEx(int x, int y, TPoint* old) override;
    int SaveDC() override;
    // Closes every q opened since the level restored to was saved, one Q each.
    bool RestoreDC(int level) override;
    void PSRestoreState() override;
    void PSSaveState() override;
    // Angles in degrees; a negative sweep turns clockwise, and at most one full turn is drawn.
    void AngleArc(int x, int y, int radius, float start, float sweep) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    // Fills in its own q ... Q, so the colour does not stay in force.
    void FillRect(int x, int y, int width, int height, TColor color) override;
    void RoundRect(int x1, int y1, int x2, int y2, int width, int height) override;
    void Arc(const TRect& box, TPoint start, TPoint end, bool to) override;
    void Pie(const TRect& box, TPoint start, TPoint end) override;
    void LineTo(int x, int y) override;
    void StrokeAndFillPath(bool stroke, bool fill) override;
    void CloseFigure() override;
    void SelectClipPath(int mode) override;
    void SelectClipRGN(int mode, const TRect& bounds, std::span<const TRect> rectangles) override;
    void GDIComment(std::span<const std::uint8_t> data) override;
    // Fills for WHITENESS, BLACKNESS and PATCOPY; no other raster operation draws here.
    void BitBlt(int x, int y, int width, int height, std::uint32_t rop) override;
    int StretchDIBits(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                      std::span<const std::uint8_t> bits, std::span<const std::uint8_t> bitmapInfo, std::uint32_t usage,
                      std::uint32_t rop) override;
    void ExtTextOut(int x, int y, std::uint32_t options, const TRect& rect, std::u16string_view wideText,
                    std::string_view text, int count, std::span<const int> spacing) override;

    // Starts a page's content on the stream; the content is written there when the output ends.
    virtual void PSStartOutput(TStream* stream);
    virtual void PSEndOutput();
    // Whether output is open; the document device opens a page's content here when it can.
    virtual bool PSCheckOutput() { return outputOpen_; }
    virtual void PSWriteAttributes(bool stroke, bool fill, TPdfDeviceWorkBuffer& buffer);
    // Writes the font and text state for the current font at `size`; no buffer: only prepare.
    virtual void PSWriteTextAttributes(TPdfDeviceWorkBuffer* /*buffer*/, double /*size*/) {}
    // The font's average character width per 1000 units of size.
    virtual int PSGetFontWidth() { return 10; }
    virtual int PSFontNr() { return 1; }
    // The advance of a run at `size`, in the units of size.
    virtual int PSTextWidth(std::string_view /*text*/, double /*size*/) { return 100; }
    virtual int PSTextWidthW(std::u16string_view /*text*/, double /*size*/) { return 100; }
    virtual void PSFontHeight(int& ascent, int& cellHeight, double /*size*/)
    {
        ascent = 10;
        cellHeight = 10;
    }
    // One advance per character at `size`, times `scale`; false when the font cannot tell.
    virtual bool PSTextWidthArray(std::string_view /*text*/, double /*size*/, int /*scale*/, std::span<int> /*widths*/)
    {
        return false;
    }
    virtual bool PSTextWidthArrayW(std::u16string_view /*text*/, double /*size*/, int /*scale*/,
                                   std::span<int> /*widths*/)
    {
        return false;
    }
    // Wide text as the 8-bit text of the current font; here Windows-1252.
    virtual std::string PSWideCharToMultiByte(std::u16string_view text);
    // A command a drawing embeds for the document; `rect` in PDF points.
    virtual void PSCommand(const TRect& /*rect*/, int /*code*/, std::string_view /*text*/) {}
    // Cuts the source rectangle out of a bitmap; false when nothing was cut.
    virtual bool PSCropDIBits(std::span<const std::uint8_t> /*bitmapInfo*/, std::span<const std::uint8_t> /*bits*/,
                              const TRect& /*source*/, std::vector<std::uint8_t>& /*croppedInfo*/,
                              std::vector<std::uint8_t>& /*croppedBits*/)
    {
        return false;
    }
    // Draws a bitmap into the destination; `colorTable` is empty unless the bitmap carries RGB
    // colours. Returns the image's number, 0 when nothing was drawn.
    virtual int PSStretchDIBits(bool /*rgbColors*/, double /*x*/, double /*y*/, double /*width*/, double /*height*/,
                                const TRect& /*source*/, bool /*mayCrop*/, std::span<const std::uint8_t> /*bits*/,
                                std::span<const std::uint8_t> /*bitmapInfo*/,
                                std::span<const std::uint8_t> /*colorTable*/, std::uint32_t /*rop*/)
    {
        return 0;
    }
    // A bar in the page's thumbnail.
    virtual void PSThumbnailFillRect(int /*x*/, int /*y*/, int /*width*/, int /*height*/, TColor /*color*/) {}
    virtual void PSCreateHyperLink(int /*x*/, int /*y*/, int /*width*/, int /*height*/, std::string_view /*address*/,
                                   std::string_view /*second*/)
    {
    }
    // The characters a font must carry.
    virtual void PSUsedChars(std::string_view /*text*/) {}
    virtual void PSUsedCharsW(std::u16string_view /*text*/) {}

    // Text at the baseline, with the DC's background when it is opaque.
    void TextOut(int x, int y, std::string_view text, const TRect* rect = nullptr);
    void TextExtOut(int x, int y, std::string_view text, std::span<const int> spacing, const TRect* rect = nullptr);
    // Text where the last run was written.
    void TextAppend(std::string_view text);

    void PSStartGraphic();
    void PSEndGraphic();
    // Opens a text object at need; a rotated run moves (x, y) into the text matrix and zeroes them.
    void PSStartText(int& x, int& y);
    void PSEndText();
    // Writes the cm matrix that maps logical units to points when it is not the one in force.
    void PSNeedWorld();
    // A logical point in PDF points.
    TPoint PSPointToPDF(int x, int y);

    // Escapes bytes for a PDF literal string: the string syntax's own bytes and the common controls
    // with a backslash, bytes outside 32..127 as a backslash and three octal digits.
    static std::string CleanStringBuffer(const void* bytes, std::size_t count);
    static std::string CleanString(std::string_view text);
    // The same for UTF-16 text: only "(", ")" and "\" are escaped.
    static std::string CleanStringBufferW(const void* bytes, std::size_t count);
    static std::string CleanStringW(std::u16string_view text);
    // Swaps each pair of bytes: UTF-16 little-endian to big-endian and back.
    static void SwapString(void* bytes, std::size_t count);

    TPdfDeviceWorkBuffer& WorkBuffer() { return buffer_; }
    bool OutputOpen() const { return outputOpen_; }
    TPdfPSMode PSMode() const { return psMode_; }
    TPoint TextPosition() const { return textPosition_; }
    TPdfOptions Options() const { return options_; }
    void SetOptions(TPdfOptions options) { options_ = options; }
    void SetTextReplacement(TPdfTextReplaceCallback callback, void* userData, std::string marker);

private:
    struct TTextRun;

    void EnsureOutput();
    void PopWrittenStates();
    void Restack();
    bool WriteInverse(const TPdfXForm& matrix);
    void WriteMatrix(const double (&values)[6], int decimals);
    void AdjustPaint(bool& stroke, bool& fill);
    void WriteFillColor(TPdfDeviceWorkBuffer& buffer, TColor color);
    void WriteDash(TPdfDeviceWorkBuffer& buffer, TPdfPenStyles style, double width);
    void PSStartFigureCheck(bool stroke, bool fill);
    void PSCheckStrokeFill(bool stroke, bool fill);
    void PSEndFigure();
    void PSEndFigureEx(bool stroke, bool fill, bool clip);
    void StartShape(bool stroke, bool fill);
    void WritePoint(std::int64_t x, std::int64_t y, const char* op);
    void WriteLogicalPoint(TPoint point, const char* op);
    void WritePendingMove();
    void WriteRectangle(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height);
    void WriteCurves(const std::vector<double>& points, const char* firstOp);
    TPoint LastCurvePoint(const std::vector<double>& points) const;
    void AngleArcToBezier(int cx, int cy, int rx, int ry, double start, double sweep, std::vector<double>& points);
    void AppendArcSegments(double cx, double cy, double rx, double ry, double start, double sweep, double step,
                           std::vector<double>& points);
    std::vector<double> PreprocessArc(const TRect& box, TPoint start, TPoint end);
    void WriteTextMatrix(int& x, int& y);
    bool PrepareRunText(TTextRun& run, std::string_view text, std::u16string_view wideText, int count);
    void FitFontSize(TTextRun& run);
    void MeasureRun(TTextRun& run);
    bool PaintRunBackground(const TTextRun& run, const TRect& rect, bool opaque, bool clip);
    void SetRunSpacing(const TTextRun& run);
    void LinkRun(const TTextRun& run);
    void WriteRun(const TTextRun& run, int tx, int ty);
    bool WriteExactRun(const TTextRun& run, std::int64_t moveX, std::int64_t moveY);
    void UnderlineRun(const TTextRun& run, int tx, int ty);

    TPdfDeviceWorkBuffer buffer_{WorkBufferSize};
    bool outputOpen_ = false;
    TStream* outputStream_ = nullptr;
    TPdfPSMode psMode_ = pesUndefined;
    bool pathPending_ = false;
    bool movePending_ = true;
    TPoint current_;
    TPoint subpathStart_;
    bool subpathStartValid_ = false;
    TPoint textPosition_;
    TPdfXForm textMatrix_;
    TPdfOptions options_;
    TPdfTextReplaceCallback replaceCallback_ = nullptr;
    void* replaceUserData_ = nullptr;
    std::string replaceMarker_;
    int replaceCounter_ = 0;
};
