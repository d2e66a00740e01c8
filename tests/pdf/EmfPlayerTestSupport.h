#pragma once

#include "pdf/PdfGenericDevice.h"
#include "platform/core/Exceptions.h"
#include "platform/graphics/EmfRecords.h"

#include <ranges>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

// A device that writes down each virtual operation the player calls as "Name(a,b,...)". Pen, brush
// and font are noted as "pen(style,width,colour)", "brush(style,colour,hatch)" and "font(face,height)"
// before the first drawing after they change. An operation named in `failOn` raises.
class TRecordingDevice : public TPdfGenericDevice {
public:
    std::vector<std::string> calls;
    std::string failOn;
    bool pageOpens = true;
    // While the page opened: base matrix scales and offsets, frame scales, frame offset, units per
    // inch and viewport extent.
    std::string fitting;

    std::string Calls() const { return Joined(0, calls.size()); }
    // The calls between opening the page and ending the graphic and closing the page.
    std::string Drawn() const { return calls.size() < 3 ? "" : Joined(1, calls.size() - 2); }

    bool CheckOpenPage(int x1, int y1, int resX, int resY) override
    {
        TPdfDCStack& s = DCStack();
        const TPdfXForm& m = s.BaseMatrix();
        fitting = Text(m.eM11, m.eM22, m.eDx, m.eDy, s.FrameScaleX(), s.FrameScaleY(), s.FrameOffset(),
                       s.UnitsPerInchX(), s.UnitsPerInchY(), DC().viewportExt);
        Log("CheckOpenPage", x1, y1, resX, resY);
        return pageOpens;
    }
    void CheckCloseOpenPage(bool opened) override { Log("CheckCloseOpenPage", opened); }
    void PSEndCurrentGraphic() override { Log("PSEndCurrentGraphic"); }
    void PolyBezier(std::span<const TPoint> points, bool to) override { Draw("PolyBezier", points, to); }
    void Polygon(std::span<const TPoint> points) override { Draw("Polygon", points); }
    void Polyline(std::span<const TPoint> points, bool to) override { Draw("Polyline", points, to); }
    void SetPixelV(int x, int y, TColor color) override { Draw("SetPixelV", x, y, color); }
    bool MoveToEx(int x, int y, TPoint*) override { return Log("MoveToEx", x, y), true; }
    int SaveDC() override { return Log("SaveDC"), TPdfGenericDevice::SaveDC(); }
    bool RestoreDC(int level) override { return Log("RestoreDC", level), TPdfGenericDevice::RestoreDC(level); }
    void PSRestoreState() override { Log("Q"); }
    void PSSaveState() override { Log("q"); }
    void AngleArc(int x, int y, int r, float start, float sweep) override { Draw("AngleArc", x, y, r, start, sweep); }
    void Ellipse(int x1, int y1, int x2, int y2) override { Draw("Ellipse", x1, y1, x2, y2); }
    void Rectangle(int x1, int y1, int x2, int y2) override { Draw("Rectangle", x1, y1, x2, y2); }
    void RoundRect(int x1, int y1, int x2, int y2, int w, int h) override { Draw("RoundRect", x1, y1, x2, y2, w, h); }
    void Arc(const TRect& box, TPoint start, TPoint end, bool to) override { Draw("Arc", box, start, end, to); }
    void Chord(const TRect& box, TPoint start, TPoint end) override { Draw("Chord", box, start, end); }
    void Pie(const TRect& box, TPoint start, TPoint end) override { Draw("Pie", box, start, end); }
    void LineTo(int x, int y) override { Draw("LineTo", x, y); }
    void PolyDraw(std::span<const TPoint> points, std::span<const std::uint8_t> types) override
    {
        Draw("PolyDraw", points, std::vector<int>(types.begin(), types.end()));
    }
    bool EndPath() override { return Log("EndPath"), TPdfGenericDevice::EndPath(); }
    void StrokeAndFillPath(bool stroke, bool fill) override { Draw("StrokeAndFillPath", stroke, fill); }
    void CloseFigure() override { Log("CloseFigure"); }
    void SelectClipPath(int mode) override { Log("SelectClipPath", mode); }
    void SelectClipRGN(int mode, const TRect& bounds, std::span<const TRect> rects) override
    {
        Log("SelectClipRGN", mode, bounds, rects);
    }
    void GDIComment(std::span<const std::uint8_t> data) override
    {
        Log("GDIComment", std::string(data.begin(), data.end()));
    }
    void BitBlt(int x, int y, int width, int height, std::uint32_t rop) override
    {
        Draw("BitBlt", x, y, width, height, Hex(rop));
    }
    int StretchDIBits(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                      std::span<const std::uint8_t> bits, std::span<const std::uint8_t> bitmapInfo, std::uint32_t usage,
                      std::uint32_t rop) override
    {
        Draw("StretchDIBits", x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight,
             "bits" + std::to_string(bits.size()), "info" + std::to_string(bitmapInfo.size()), usage, Hex(rop));
        return 1;
    }
    void ExtTextOut(int x, int y, std::uint32_t options, const TRect& rect, std::u16string_view wideText,
                    std::string_view text, int count, std::span<const int> spacing) override
    {
        Draw("ExtTextOut", x, y, Hex(options), rect, "W" + std::string(wideText.begin(), wideText.end()),
             "A" + std::string(text), count, spacing);
    }

private:
    std::string Joined(std::size_t from, std::size_t to) const
    {
        std::string text;
        for (std::size_t i = from; i < to; ++i)
            text += (text.empty() ? "" : " ") + calls[i];
        return text;
    }
    static std::string Hex(std::uint32_t value)
    {
        std::ostringstream out;
        out << "0x" << std::hex << value;
        return out.str();
    }
    template <typename T> static void Put(std::ostream& out, const T& value)
    {
        if constexpr (std::is_same_v<T, TPoint>) {
            out << value.X << ':' << value.Y;
        } else if constexpr (std::is_same_v<T, TRect>) {
            out << value.Left << ':' << value.Top << ':' << value.Right << ':' << value.Bottom;
        } else if constexpr (std::is_same_v<T, bool>) {
            out << (value ? "true" : "false");
        } else if constexpr (std::ranges::range<T> && !std::is_convertible_v<T, std::string_view>) {
            out << '[';
            for (bool first = true; const auto& item : value) {
                out << (first ? "" : " ");
                Put(out, item);
                first = false;
            }
            out << ']';
        } else {
            out << value;
        }
    }
    template <typename... Args> static std::string Text(const Args&... args)
    {
        std::ostringstream out;
        bool first = true;
        ((out << (first ? "" : ","), Put(out, args), first = false), ...);
        return out.str();
    }
    template <typename... Args> void Log(const std::string& name, const Args&... args)
    {
        if (failOn == name)
            throw Exception(name + " failed");
        calls.push_back(name + "(" + Text(args...) + ")");
    }
    template <typename... Args> void Draw(const std::string& name, const Args&... args)
    {
        const TPdfDCStackVar& s = DC();
        const std::string objects[] = {"pen(" + Text(int(s.pen.style), s.pen.width, Hex(s.pen.color)) + ")",
                                       "brush(" + Text(int(s.brush.style), Hex(s.brush.color), s.brush.hatch) + ")",
                                       "font(" + Text(s.selectedFaceName, s.fontData.height) + ")"};
        for (std::size_t i = 0; i < 3; ++i) {
            if (noted_[i] != objects[i])
                calls.push_back(objects[i]);
            noted_[i] = objects[i];
        }
        Log(name, args...);
    }

    std::string noted_[3] = {"pen(0,0,0x0)", "brush(0,0x0,0)", "font(,10)"};
};

// A metafile put together record by record behind a header of a 1-inch frame on a device of 100
// pixels per inch with 4 handles; Bytes() adds EOF and fills in the header's size and record count.
struct TEmfBuilder {
    TEmfHeader header = [] {
        TEmfHeader h;
        h.Bounds = TRect{0, 0, 100, 100};
        h.Frame = TRect{0, 0, 2540, 2540};
        h.Handles = 4;
        h.Device = TSize{1000, 1000};
        h.Millimeters = TSize{254, 254};
        return h;
    }();
    TEmfWriter records;
    bool withEof = true;

    std::vector<std::uint8_t> Bytes() const
    {
        TEmfWriter tail;
        if (withEof)
            WriteEmfEof(tail);
        TEmfHeader complete = header;
        complete.Bytes = static_cast<std::uint32_t>(EmfHeaderSize + records.Data().size() + tail.Data().size());
        complete.Records = 1 + records.Records() + tail.Records();
        TEmfWriter out;
        WriteEmfHeader(out, complete);
        std::vector<std::uint8_t> bytes = out.Data();
        bytes.insert(bytes.end(), records.Data().begin(), records.Data().end());
        bytes.insert(bytes.end(), tail.Data().begin(), tail.Data().end());
        return bytes;
    }
};
