#pragma once

#include "platform/graphics/Canvas.h"
#include "platform/graphics/EmfRecords.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

class TMetafile;

// GetDeviceCaps' questions that a metafile canvas answers.
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// The device a metafile is recorded for: a screen of 96 pixels per inch unless a printer's
// resolution and page are given.
struct TReferenceDevice {
    int PixelsPerInchX = 96;
    int PixelsPerInchY = 96;
    TSize Pixels{1920, 1440};
    TSize Millimeters{508, 381};
};

// A printer's page of `pixels` at the given resolution.
TReferenceDevice PrinterDevice(int pixelsPerInchX, int pixelsPerInchY, TSize pixels);

// Records what is drawn on it as EMF records instead of painting, and completes its metafile when
// it is destroyed. Only records that the PDF writer's player acts on are written: a call that
// cannot be expressed with them raises EInvalidGraphicOperation rather than dropping the drawing.
class TMetafileCanvas : public TCustomCanvas {
public:
    explicit TMetafileCanvas(TMetafile& metafile, const TReferenceDevice& device = TReferenceDevice());
    ~TMetafileCanvas() override;

    using TCustomCanvas::Ellipse;
    using TCustomCanvas::Rectangle;

    // LOGPIXELSX/Y, HORZRES/VERTRES and HORZSIZE/VERTSIZE of the reference device; 0 for any other.
    int GetDeviceCaps(int index) const;
    void SetMapMode(int mode);
    void SetWindowExtEx(int cx, int cy);
    void SetViewportExtEx(int cx, int cy);
    void SaveDC();
    // Back to the state of the last SaveDC.
    void RestoreDC();
    void GdiComment(std::span<const std::uint8_t> data);

    // The clip rectangle, or the reference device's page when none is set.
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

    // A metafile has no pixels to read: CLR_INVALID, as GDI answers.
    TColor Pixel(int x, int y) const override;
    void SetPixel(int x, int y, TColor color) override;

    void StretchDraw(const TRect& rect, const TGraphic& graphic) override;
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) override;
    bool BitBlt(int x, int y, int width, int height, TCanvas* source, int sourceX, int sourceY,
                std::uint32_t rop) override;

    void TextOut(int x, int y, std::string_view text) override;
    void TextRect(const TRect& rect, int x, int y, std::string_view text) override;
    int DrawText(std::string_view text, TRect& rect, unsigned format) override;
    TSize TabbedTextOut(int x, int y, std::string_view text, std::span<const int> tabStops, int tabOrigin) override;

private:
    enum ObjectKind { PenObject, BrushObject, FontObject };
    // An object selected into the device context: its index (a stock object's with the high bit),
    // and its create record written with index 0, to tell whether the wanted one is already in.
    struct TSelected {
        std::uint32_t Index = 0;
        std::vector<std::uint8_t> Definition;
    };
    // What SaveDC keeps and RestoreDC brings back; unset values have not been recorded yet. The
    // pen mode starts as the device context's own, so that only other modes are recorded.
    struct TDcState {
        std::array<TSelected, 3> Objects;
        std::optional<std::uint32_t> Rop2 = Emf::R2_COPYPEN;
        std::optional<std::uint32_t> TextColor, BkMode, BkColor, TextAlign;
        std::optional<TRect> Clip;
    };

    // Writes an object's create record at an object index.
    using TCreateRecord = std::function<void(TEmfWriter&, std::uint32_t)>;

    // Creates and selects the object unless the same one is selected; the one it replaces is
    // deleted when nothing holds it any more.
    void Select(ObjectKind kind, const TCreateRecord& create);
    void Replace(ObjectKind kind, TSelected wanted);
    void SelectStock(ObjectKind kind, std::uint32_t stock);
    void SelectPen();
    void SelectBrush();
    void SelectFont();
    bool InUse(std::uint32_t index) const;
    void ReleaseIfUnused(std::uint32_t index);
    void SetState(std::optional<std::uint32_t>& recorded, std::uint32_t type, std::uint32_t value);
    void PrepareLines();
    void PrepareFigures();
    void PrepareText();
    void RecordBox(std::uint32_t type, int x1, int y1, int x2, int y2);
    void RecordPoly(std::uint32_t type, std::span<const TPoint> points);
    void RecordPatternFill(const TRect& rect, std::uint32_t rop);
    void RecordText(int x, int y, std::uint32_t options, const TRect& rect, std::string_view text);
    [[noreturn]] void NotRecordable(const std::string& call) const;
    std::vector<std::uint8_t> Completed() const;

    TMetafile& metafile_;
    TReferenceDevice device_;
    TEmfWriter records_;
    TDcState state_;
    std::vector<TDcState> saved_;
    // Which object indices hold a created object; index 0 is reserved.
    std::vector<bool> used_ = {true};
    std::size_t highestIndex_ = 0;
    // Where the device context's current position is, which TextOut does not move.
    std::optional<TPoint> recordedPos_;
};
