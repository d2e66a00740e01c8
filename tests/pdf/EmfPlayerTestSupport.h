#pragma once

#include "pdf/PdfGenericDevice.h"
#include "platform/core/Exceptions.h"
#include "platform/graphics/EmfRecords.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// A device that writes down each virtual operation the player calls, with its arguments, as
// "Name(a,b,...)". Pen, brush and font are noted as "pen(...)", "brush(...)" and "font(...)" before
// the first drawing that uses them after they change. An operation named in `failOn` raises.
class TRecordingDevice : public TPdfGenericDevice {
public:
    std::vector<std::string> calls;
    std::string failOn;
    bool pageOpens = true;
    // The device values while the page opened.
    TPdfXForm openBase;
    double openFrameScaleX = 0, openFrameScaleY = 0, openUnitsX = 0, openUnitsY = 0;
    TPoint openFrameOffset, openViewportExt;

    std::string Calls() const { return Joined(0, calls.size()); }
    // The calls between opening the page and ending the graphic and closing the page.
    std::string Drawn() const { return calls.size() < 3 ? "" : Joined(1, calls.size() - 2); }

    bool CheckOpenPage(int x1, int y1, int resX, int resY) override
    {
        openBase = DCStack().BaseMatrix();
        openFrameScaleX = DCStack().FrameScaleX();
        openFrameScaleY = DCStack().FrameScaleY();
        openUnitsX = DCStack().UnitsPerInchX();
        openUnitsY = DCStack().UnitsPerInchY();
        openFrameOffset = DCStack().FrameOffset();
        openViewportExt = DC().viewportExt;
        Log("CheckOpenPage", x1, y1, resX, resY);
        return pageOpens;
    }
    void CheckCloseOpenPage(bool opened) override { Log("CheckCloseOpenPage", opened); }
    void PSEndCurrentGraphic() override { Log("PSEndCurrentGraphic"); }
    void PolyBezier(std::span<const TPoint> points, bool to) override { Draw("PolyBezier", points, to); }
    void Polygon(std::span<const TPoint> points) override { Draw("Polygon", points); }
    void Polyline(std::span<const TPoint> points, bool to) override { Draw("Polyline", points, to); }
    void SetPixelV(int x, int y, TColor color) override { Draw("SetPixelV", x, y, color); }
    bool MoveToEx(int x, int y, TPoint*) override
    {
        Log("MoveToEx", x, y);
        return true;
    }
    int SaveDC() override
    {
        Log("SaveDC");
        return TPdfGenericDevice::SaveDC();
    }
    bool RestoreDC(int level) override
    {
        Log("RestoreDC", level);
        return TPdfGenericDevice::RestoreDC(level);
    }
    void PSRestoreState() override { Log("Q"); }
    void PSSaveState() override { Log("q"); }
    void AngleArc(int x, int y, int radius, float start, float sweep) override
    {
        Draw("AngleArc", x, y, radius, start, sweep);
    }
    void Ellipse(int x1, int y1, int x2, int y2) override { Draw("Ellipse", x1, y1, x2, y2); }
    void Rectangle(int x1, int y1, int x2, int y2) override { Draw("Rectangle", x1, y1, x2, y2); }
    void RoundRect(int x1, int y1, int x2, int y2, int width, int height) override
    {
        Draw("RoundRect", x1, y1, x2, y2, width, height);
    }
    void Arc(const TRect& box, TPoint start, TPoint end, bool to) override { Draw("Arc", box, start, end, to); }
    void Chord(const TRect& box, TPoint start, TPoint end) override { Draw("Chord", box, start, end); }
    void Pie(const TRect& box, TPoint start, TPoint end) override { Draw("Pie", box, start, end); }
    void LineTo(int x, int y) override { Draw("LineTo", x, y); }
    void PolyDraw(std::span<const TPoint> points, std::span<const std::uint8_t> types) override
    {
        Draw("PolyDraw", points, std::vector<int>(types.begin(), types.end()));
    }
    bool EndPath() override
    {
        Log("EndPath");
        return TPdfGenericDevice::EndPath();
    }
    void StrokeAndFillPath(bool stroke, bool fill) override { Draw("StrokeAndFillPath", stroke, fill); }
    void CloseFigure() override { Log("CloseFigure"); }
    void SelectClipPath(int mode) override { Log("SelectClipPath", mode); }
    void SelectClipRGN(int mode, const TRect& bounds, std::span<const TRect> rectangles) override
    {
        Log("SelectClipRGN", mode, bounds, std::vector<TRect>(rectangles.begin(), rectangles.end()));
    }
    void GDIComment(std::span<const std::uint8_t> data) override
    {
        Log("GDIComment", std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
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
        std::string wide;
        for (const char16_t ch : wideText)
            wide.push_back(ch < 0x80 ? static_cast<char>(ch) : '?');
        Draw("ExtTextOut", x, y, Hex(options), rect, "W" + wide, "A" + std::string(text), count,
             std::vector<int>(spacing.begin(), spacing.end()));
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
    static void Put(std::ostringstream& out, const TPoint& point) { out << point.X << ':' << point.Y; }
    static void Put(std::ostringstream& out, const TRect& rect)
    {
        out << rect.Left << ':' << rect.Top << ':' << rect.Right << ':' << rect.Bottom;
    }
    static void Put(std::ostringstream& out, bool value) { out << (value ? "true" : "false"); }
    template <typename T> static void Put(std::ostringstream& out, const T& value) { out << value; }
    template <typename T> static void Put(std::ostringstream& out, std::span<const T> items)
    {
        out << '[';
        for (std::size_t i = 0; i < items.size(); ++i) {
            out << (i ? " " : "");
            Put(out, items[i]);
        }
        out << ']';
    }
    template <typename T> static void Put(std::ostringstream& out, const std::vector<T>& items)
    {
        Put(out, std::span<const T>(items));
    }

    template <typename... Args> void Log(const char* name, const Args&... args)
    {
        if (failOn == name)
            throw Exception(std::string(name) + " failed");
        std::ostringstream out;
        out << name << '(';
        bool first = true;
        ((out << (first ? "" : ","), Put(out, args), first = false), ...);
        out << ')';
        calls.push_back(out.str());
    }

    template <typename... Args> void Draw(const char* name, const Args&... args)
    {
        NoteObjects();
        Log(name, args...);
    }

    void NoteObjects()
    {
        const TPdfDCStackVar& state = DC();
        std::ostringstream pen, brush;
        pen << "pen(" << int(state.pen.style) << ',' << state.pen.width << ',' << Hex(state.pen.color) << ')';
        brush << "brush(" << int(state.brush.style) << ',' << Hex(state.brush.color) << ',' << state.brush.hatch << ')';
        const std::string font = "font(" + state.selectedFaceName + ',' + std::to_string(state.fontData.height) + ')';
        for (auto [noted, now] : {std::pair{&pen_, pen.str()}, {&brush_, brush.str()}, {&font_, font}}) {
            if (*noted != now)
                calls.push_back(now);
            *noted = now;
        }
    }

    std::string pen_ = "pen(0,0,0x0)", brush_ = "brush(0,0x0,0)", font_ = "font(,10)";
};

// A metafile put together record by record behind a header of a 1-inch frame on a device of 100
// pixels per inch; Bytes() adds EOF and fills in the header's size and record count.
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
