#include "pdf/PdfGenericPSDevice.h"

#include "pdf/PdfAssert.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace PdfGdi;

namespace {

constexpr double QuarterTurn = std::numbers::pi / 2;
constexpr double FullTurn = 2 * std::numbers::pi;
// What is left of an arc below this angle is not drawn.
constexpr double SmallestSweep = 0.0001;
// Code, marker, two corners and the text length.
constexpr std::size_t CommandHeadSize = 28;
constexpr std::size_t BitmapInfoHeaderSize = 40;
// The device's matrix determinants below this are singular.
constexpr double SingularDeterminant = 1e-12;
// Decimals of a matrix written to cancel the one in force: the product must come out as the identity.
constexpr int InverseDecimals = 9;

// What the content stream carries of a matrix value: three decimals.
float Thousandths(double value) { return static_cast<float>(std::nearbyint(value * 1000) / 1000); }

int Saturated(std::int64_t value) { return PdfRound(static_cast<double>(value)); }

const char* LineCapOperator(TPdfPenEndCap cap)
{
    switch (cap) {
    case pecap_Round:
        return "1 J ";
    case pecap_Square:
        return "2 J ";
    case pecap_Flat:
        break;
    }
    return "0 J ";
}

// The pen width in the content stream: GDI draws widths 0 and 1 as the thinnest line.
double LineWidth(std::int32_t penWidth)
{
    if (penWidth == 0)
        return 0;
    if (penWidth == 1)
        return 0.5;
    return penWidth;
}

// The convenience text calls draw at the baseline and give the DC its own alignment back after.
class TBaselineAlignment {
public:
    explicit TBaselineAlignment(TPdfDCStackVar& state) : state_(state), saved_(state.textAlign)
    {
        state.textAlign = TPdfTextAlign{peal_BASELINE};
    }
    ~TBaselineAlignment() { state_.textAlign = saved_; }
    TBaselineAlignment(const TBaselineAlignment&) = delete;
    TBaselineAlignment& operator=(const TBaselineAlignment&) = delete;

private:
    TPdfDCStackVar& state_;
    TPdfTextAlign saved_;
};

bool HasWidth(const TRect& rect) { return rect.Right != rect.Left; }

} // namespace

// Measures of one text run, gathered step by step.
struct TPdfGenericPSDevice::TTextRun {
    int x = 0;
    int y = 0;
    std::u16string_view wide; // empty when the run came as 8-bit text
    std::string text;         // what is shown, in the font's 8-bit code
    bool replaced = false;
    int count = 0;
    std::span<const int> spacing;
    double size = 0;
    int ascent = 0;
    int cellHeight = 0;
    double horzScale = 0; // 0 = none
    bool exact = false;
    std::int64_t dx = 0;
    std::int64_t dy = 0;
    std::int64_t total = 0;
    std::int64_t width = 0;

    bool Wide() const { return !wide.empty() && !replaced; }
};

// ----- Output -----

void TPdfGenericPSDevice::PSStartOutput(TStream* stream)
{
    if (outputOpen_)
        throw Exception("Output is already open!");
    PdfAssert(stream != nullptr, "OutputStream must not be nil!");
    outputStream_ = stream;
    outputOpen_ = true;
    buffer_.Clear();
    psMode_ = pesUndefined;
    SetTextMatrixNeeded(true);
    SetWorldChanged(true);
    SetFigureMode(pesNoFigure);
    pathPending_ = false;
    movePending_ = true;
    // A new stream has nothing in force yet, whatever an earlier one left.
    while (RestoreWrittenData()) {
    }
    SaveWrittenData();
    buffer_.Append("q ");
}

void TPdfGenericPSDevice::PSEndOutput()
{
    if (!outputOpen_)
        throw Exception("Output is not open!");
    PSEndCurrentGraphic();
    PopWrittenStates();
    buffer_.Write(*outputStream_);
    outputStream_ = nullptr;
    buffer_.Clear();
    outputOpen_ = false;
}

void TPdfGenericPSDevice::InitDC()
{
    if (outputOpen_) {
        PSEndCurrentGraphic();
        PopWrittenStates();
        buffer_.Write(*outputStream_);
        buffer_.Clear();
    }
    TPdfGenericDevice::InitDC();
    if (outputOpen_) {
        SaveWrittenData();
        buffer_.Append("q ");
        SetWorldChanged(true);
    }
}

void TPdfGenericPSDevice::PSEndCurrentGraphic()
{
    if (outputOpen_) {
        if (psMode_ == pesGraphic)
            PSEndGraphic();
        else if (psMode_ == pesText)
            PSEndText();
    }
    SetWorldChanged(true);
}

void TPdfGenericPSDevice::EnsureOutput()
{
    if (!outputOpen_)
        PSCheckOutput();
    PdfAssert(outputOpen_, "Output is not open!");
}

void TPdfGenericPSDevice::PopWrittenStates()
{
    while (RestoreWrittenData())
        buffer_.Append("Q ");
}

// ----- Graphic objects and the q-levels -----

void TPdfGenericPSDevice::PSStartGraphic()
{
    EnsureOutput();
    if (psMode_ == pesText)
        PSEndText();
    psMode_ = pesGraphic;
    PSNeedWorld();
}

void TPdfGenericPSDevice::PSEndGraphic()
{
    if (psMode_ != pesGraphic)
        return;
    PSEndFigure();
    psMode_ = pesUndefined;
}

void TPdfGenericPSDevice::PSSaveState()
{
    PSStartGraphic();
    buffer_.Append("q ");
    SaveWrittenData();
}

void TPdfGenericPSDevice::PSRestoreState()
{
    PSEndText();
    if (RestoreWrittenData())
        buffer_.Append("Q ");
    SetWorldChanged(true);
}

int TPdfGenericPSDevice::SaveDC()
{
    // Output is open before the depth is taken, so that its own first q is never closed here.
    PSStartGraphic();
    DCStack().Top().writtenDepthAtSave = WrittenDepth();
    const int level = TPdfGenericDevice::SaveDC();
    PSSaveState();
    return level;
}

bool TPdfGenericPSDevice::RestoreDC(int level)
{
    if (!TPdfGenericDevice::RestoreDC(level))
        return false;
    // Besides the q of each level popped, the clip look-ahead may have opened q's inside them.
    const int depth = DCStack().Top().writtenDepthAtSave;
    while (WrittenDepth() > depth)
        PSRestoreState();
    return true;
}

void TPdfGenericPSDevice::PSNeedWorld()
{
    DCStack().World();
    if (!WorldChanged())
        return;
    PSEndFigure(); // cm may not stand inside a path
    const TPdfXForm& m = DCStack().Matrix();
    const TPdfXForm world{Thousandths(m.eM11),
                          -Thousandths(m.eM12),
                          -Thousandths(m.eM21),
                          Thousandths(m.eM22),
                          Thousandths(DCStack().PageXOffset() + double(m.eDx)),
                          -Thousandths(m.eDy)};
    if (!(world == WrittenData().cm)) {
        if (Modes().Contains(peDontStackWorldModifications) || !WriteInverse(WrittenData().cm))
            Restack();
        const double values[6] = {world.eM11, world.eM12, world.eM21, world.eM22, world.eDx, world.eDy};
        WriteMatrix(values, TPdfDeviceWorkBuffer::Decimals);
    }
    WrittenData().cm = world;
    movePending_ = true;
    SetWorldChanged(false);
}

// Cancels the matrix in force with its inverse; false when it has none.
bool TPdfGenericPSDevice::WriteInverse(const TPdfXForm& c)
{
    const double determinant = double(c.eM11) * c.eM22 - double(c.eM12) * c.eM21;
    if (std::fabs(determinant) <= SingularDeterminant)
        return false;
    const double inverse[6] = {c.eM22 / determinant,
                               -c.eM12 / determinant,
                               -c.eM21 / determinant,
                               c.eM11 / determinant,
                               (double(c.eM21) * c.eDy - double(c.eM22) * c.eDx) / determinant,
                               (double(c.eM12) * c.eDx - double(c.eM11) * c.eDy) / determinant};
    const double identity[6] = {1, 0, 0, 1, 0, 0};
    if (!std::equal(std::begin(inverse), std::end(inverse), std::begin(identity)))
        WriteMatrix(inverse, InverseDecimals);
    return true;
}

// Leaves every q-level and opens as many again: the matrix in force is then the page's own.
void TPdfGenericPSDevice::Restack()
{
    const int depth = WrittenDepth();
    PopWrittenStates();
    for (int i = 0; i < depth; ++i) {
        buffer_.Append("q ");
        SaveWrittenData();
    }
}

void TPdfGenericPSDevice::WriteMatrix(const double (&values)[6], int decimals)
{
    buffer_.AppendFloats(values, 5, decimals);
    buffer_.Append(" cm ");
}

TPoint TPdfGenericPSDevice::PSPointToPDF(int x, int y)
{
    DCStack().World();
    const TPdfXForm& m = DCStack().Matrix();
    return TPoint{PdfRound(x * double(m.eM11) + y * double(m.eM21) + m.eDx),
                  PdfRound(x * double(m.eM12) + y * double(m.eM22) + m.eDy)};
}

// ----- Figures and their paint -----

// The paint the device modes and the DC's pen and brush leave of what a figure asks.
void TPdfGenericPSDevice::AdjustPaint(bool& stroke, bool& fill)
{
    const TPdfDCStackVar& state = DC();
    if (fill && Modes().Contains(peNeverFill)) {
        stroke = true;
        fill = false;
    }
    if (fill && Modes().Contains(peWhiteBrushIsTransparent) && state.brush.color == clWhite)
        fill = false;
    if (fill && state.brush.style == pebs_Null)
        fill = false;
    if (stroke && state.pen.style == peps_Null)
        stroke = false;
}

// Only what the paint needs is written, and of that only what differs from what is in force.
void TPdfGenericPSDevice::PSWriteAttributes(bool stroke, bool fill, TPdfDeviceWorkBuffer& buffer)
{
    TPdfWriterStackVar& written = WrittenData();
    const TPdfDCStackVar& state = DC();
    if (fill && (written.mustWriteFill || state.brush.color != written.fillColor))
        WriteFillColor(buffer, state.brush.color);
    if (!stroke)
        return;
    const TPdfPenState& pen = state.pen;
    if (written.mustWriteStroke || pen.color != written.strokeColor) {
        buffer.AppendColor(pen.color, "RG ");
        written.strokeColor = pen.color;
    }
    const double width = LineWidth(pen.width);
    if (written.mustWriteStroke || width != written.lineWidth) {
        buffer.AppendFloat(width);
        buffer.Append("w ");
        written.lineWidth = width;
    }
    if (written.mustWriteStroke || pen.endCap != written.lineCap) {
        buffer.Append(LineCapOperator(pen.endCap));
        written.lineCap = pen.endCap;
    }
    if (pen.style != peps_Null && pen.style != written.dashStyle) {
        WriteDash(buffer, pen.style, width);
        written.dashStyle = pen.style;
    }
    written.mustWriteStroke = false;
}

void TPdfGenericPSDevice::WriteFillColor(TPdfDeviceWorkBuffer& buffer, TColor color)
{
    buffer.AppendColor(color, "rg ");
    TPdfWriterStackVar& written = WrittenData();
    written.fillColor = color;
    written.mustWriteFill = false;
}

// Dash lengths in points whatever the logical units: divided by the matrix's smaller scale.
void TPdfGenericPSDevice::WriteDash(TPdfDeviceWorkBuffer& buffer, TPdfPenStyles style, double width)
{
    const TPdfXForm& m = DCStack().Matrix();
    const double s =
        std::min(std::max(std::fabs(m.eM21), std::fabs(m.eM22)), std::max(std::fabs(m.eM11), std::fabs(m.eM12)));
    const double dot = width < 1 ? 0.25 / s : width;
    std::vector<double> lengths;
    switch (style) {
    case peps_Dash:
        lengths = {8 / s, 8 / s};
        break;
    case peps_Dot:
        lengths = {dot / s, 4 * dot / s};
        break;
    case peps_DashDot:
        lengths = {6 / s, 2 / s, 1 / s, 2 / s};
        break;
    case peps_DashDotDot:
        lengths = {6 / s, 4 / s, 1 / s, 4 / s, 1 / s, 4 / s};
        break;
    case peps_Solid:
    case peps_Null:
    case peps_InsideFrame:
        break;
    }
    buffer.Append("[");
    buffer.AppendFloats(lengths.data(), static_cast<int>(lengths.size()) - 1);
    buffer.Append("] 0 d ");
}

// Outside a path bracket the attributes go before the path, which is painted at once.
void TPdfGenericPSDevice::PSStartFigureCheck(bool stroke, bool fill)
{
    if (PathDepth() > 0)
        return;
    AdjustPaint(stroke, fill);
    PSWriteAttributes(stroke, fill, buffer_);
}

void TPdfGenericPSDevice::PSCheckStrokeFill(bool stroke, bool fill)
{
    pathPending_ = true;
    if (PathDepth() <= 0)
        PSEndFigureEx(stroke, fill, false);
}

// Paints a path still open as its figure mode asks; without a mode it is only ended, since
// nothing but path operators may follow an open path.
void TPdfGenericPSDevice::PSEndFigure()
{
    if (!pathPending_)
        return;
    const TPdfDCStackVar& state = DC();
    const TPdfPSFigureMode mode = FigureMode();
    const bool stroke = (mode == pesStroke || mode == pesStrokeAndFill) && state.pen.style != peps_Null;
    const bool fill = (mode == pesFill || mode == pesStrokeAndFill) && state.brush.style != pebs_Null;
    PSEndFigureEx(stroke, fill, mode == pesIntersectClip);
}

void TPdfGenericPSDevice::PSEndFigureEx(bool stroke, bool fill, bool clip)
{
    AdjustPaint(stroke, fill);
    PSWriteAttributes(stroke, fill, buffer_);
    const bool winding = DC().winding;
    if (clip) {
        buffer_.Append(winding ? "W " : "W* ");
        pathPending_ = true;
    }
    if (stroke && fill)
        buffer_.Append(winding ? "b " : "b* ");
    else if (stroke)
        buffer_.Append("S ");
    else if (fill)
        buffer_.Append(winding ? "f " : "f* ");
    else if (pathPending_)
        buffer_.Append("n ");
    SetFigureMode(pesNoFigure);
    pathPending_ = false;
    movePending_ = true;
}

void TPdfGenericPSDevice::StrokeAndFillPath(bool stroke, bool fill)
{
    if (psMode_ == pesGraphic && pathPending_)
        PSEndFigureEx(stroke, fill, false);
}

void TPdfGenericPSDevice::SelectClipPath(int /*mode*/)
{
    if (psMode_ == pesGraphic && pathPending_)
        PSEndFigureEx(false, false, true);
}

void TPdfGenericPSDevice::CloseFigure()
{
    if (!pathPending_)
        return;
    buffer_.Append(" h ");
    if (subpathStartValid_)
        current_ = subpathStart_;
}

// ----- Shapes -----

void TPdfGenericPSDevice::StartShape(bool stroke, bool fill)
{
    PSStartGraphic();
    PSStartFigureCheck(stroke, fill);
}

void TPdfGenericPSDevice::WritePoint(std::int64_t x, std::int64_t y, const char* op)
{
    buffer_.AppendInt(x);
    buffer_.AppendInt(y);
    buffer_.Append(op);
}

void TPdfGenericPSDevice::WriteLogicalPoint(TPoint point, const char* op) { WritePoint(point.X, dcY(point.Y), op); }

void TPdfGenericPSDevice::WritePendingMove()
{
    if (!movePending_)
        return;
    WriteLogicalPoint(current_, "m ");
    movePending_ = false;
}

// A rectangle from its logical corner (x, y), its height growing as the logical y does.
void TPdfGenericPSDevice::WriteRectangle(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height)
{
    buffer_.AppendInt(x);
    buffer_.AppendInt(dcY(Saturated(y)));
    buffer_.AppendInt(width);
    buffer_.AppendInt(DCStack().YAxisUp() ? height : -height);
    buffer_.Append("re ");
}

bool TPdfGenericPSDevice::MoveToEx(int x, int y, TPoint* old)
{
    if (old != nullptr)
        *old = current_;
    current_ = subpathStart_ = TPoint{x, y};
    subpathStartValid_ = true;
    movePending_ = true;
    return true;
}

void TPdfGenericPSDevice::LineTo(int x, int y)
{
    StartShape(true, false);
    WritePendingMove();
    WriteLogicalPoint(TPoint{x, y}, "l ");
    current_ = TPoint{x, y};
    PSCheckStrokeFill(true, false);
}

// A pixel is a filled unit square in its own colour, as GDI sets it.
void TPdfGenericPSDevice::SetPixelV(int x, int y, TColor color) { FillRect(x, y, 1, 1, color); }

void TPdfGenericPSDevice::Rectangle(int x1, int y1, int x2, int y2)
{
    StartShape(true, true);
    WriteRectangle(x1, y1, std::int64_t(x2) - x1, std::int64_t(y2) - y1);
    PSCheckStrokeFill(true, true);
}

void TPdfGenericPSDevice::FillRect(int x, int y, int width, int height, TColor color)
{
    PSStartGraphic();
    buffer_.Append("q ");
    buffer_.AppendColor(color, "rg ");
    WriteRectangle(x, y, width, height);
    buffer_.Append("f Q ");
}

void TPdfGenericPSDevice::Polygon(std::span<const TPoint> points)
{
    if (points.empty())
        return;
    StartShape(true, true);
    WriteLogicalPoint(points[0], "m ");
    for (const TPoint& point : points.subspan(1))
        WriteLogicalPoint(point, "l ");
    WriteLogicalPoint(points[0], "l ");
    PSCheckStrokeFill(true, true);
}

void TPdfGenericPSDevice::Polyline(std::span<const TPoint> points, bool to)
{
    if (points.empty())
        return;
    StartShape(true, false);
    if (to) {
        WritePendingMove();
        for (const TPoint& point : points)
            WriteLogicalPoint(point, "l ");
        current_ = points.back();
    } else {
        WriteLogicalPoint(points[0], "m ");
        for (const TPoint& point : points.subspan(1))
            WriteLogicalPoint(point, "l ");
    }
    movePending_ = !to;
    PSCheckStrokeFill(true, false);
}

// Bezier curves are lines: GDI strokes them and never fills.
void TPdfGenericPSDevice::PolyBezier(std::span<const TPoint> points, bool to)
{
    if (points.size() < (to ? 3u : 4u))
        return;
    StartShape(true, false);
    std::size_t next = 0;
    if (to) {
        WritePendingMove();
    } else {
        WriteLogicalPoint(points[next++], "m ");
        movePending_ = true;
    }
    for (; next + 2 < points.size(); next += 3) {
        for (std::size_t i = next; i < next + 3; ++i)
            WriteLogicalPoint(points[i], "");
        buffer_.Append("c ");
        if (to)
            current_ = points[next + 2];
    }
    PSCheckStrokeFill(true, false);
}

// One Bezier curve per call for the arc of `sweep` radians from `start` around (cx, cy), appended
// as coordinate pairs in the content stream's space; the first point only when the list is empty.
void TPdfGenericPSDevice::AngleArcToBezier(int cx, int cy, int rx, int ry, double start, double sweep,
                                           std::vector<double>& points)
{
    if (rx == 0 || ry == 0 || sweep == 0)
        return;
    const double h = sweep / 2, s = std::sin(h), c = std::cos(h);
    const double a = 1 - c, b = 4 * a / 3, t = s - (1 - a) * b / s;
    const double unit[4][2] = {{c, -s}, {c + b, -t}, {c + b, t}, {c, s}};
    const double angle = h + start, cosAngle = std::cos(angle), sinAngle = std::sin(angle);
    const double up = dcY(cy);
    for (std::size_t i = points.empty() ? 0 : 1; i < 4; ++i) {
        const double px = unit[i][0], py = unit[i][1];
        points.push_back((cosAngle * px - sinAngle * py) * rx + cx + 0.001);
        points.push_back((sinAngle * px + cosAngle * py) * ry + up + 0.001);
    }
}

// Curves of at most `step` each over the signed sweep; a sweep below zero turns clockwise.
void TPdfGenericPSDevice::AppendArcSegments(double cx, double cy, double rx, double ry, double start, double sweep,
                                            double step, std::vector<double>& points)
{
    if (!std::isfinite(start) || !std::isfinite(sweep))
        return;
    const int centreX = PdfRound(cx), centreY = PdfRound(cy), radiusX = PdfRound(rx), radiusY = PdfRound(ry);
    const double direction = sweep < 0 ? -1 : 1;
    double remaining = std::fabs(sweep);
    const auto segments = static_cast<std::size_t>(std::ceil(remaining / step)) + 1;
    points.reserve(points.size() + 2 * (1 + 3 * segments));
    while (remaining > step) {
        AngleArcToBezier(centreX, centreY, radiusX, radiusY, start, direction * step, points);
        start += direction * step;
        remaining -= step;
    }
    if (remaining > SmallestSweep)
        AngleArcToBezier(centreX, centreY, radiusX, radiusY, start, direction * remaining, points);
}

// The first point with `firstOp`, then a "c" for each three points.
void TPdfGenericPSDevice::WriteCurves(const std::vector<double>& points, const char* firstOp)
{
    buffer_.AppendFloat(points[0]);
    buffer_.AppendFloat(points[1]);
    buffer_.Append(firstOp);
    for (std::size_t i = 2; i + 5 < points.size(); i += 6) {
        for (std::size_t j = i; j < i + 6; ++j)
            buffer_.AppendFloat(points[j]);
        buffer_.Append("c ");
    }
}

TPoint TPdfGenericPSDevice::LastCurvePoint(const std::vector<double>& points) const
{
    const double x = points[points.size() - 2] - 0.001, y = points.back() - 0.001;
    return TPoint{PdfRound(x), Y2DC(PdfRound(y))};
}

void TPdfGenericPSDevice::Ellipse(int x1, int y1, int x2, int y2)
{
    PSStartGraphic();
    const double cx = (double(x1) + x2) / 2, cy = (double(y1) + y2) / 2;
    double rx = (std::fabs(double(x1) - x2) - 1) / 2, ry = (std::fabs(double(y1) - y2) - 1) / 2;
    rx = rx <= 0 ? 0.001 : rx;
    ry = ry <= 0 ? 0.001 : ry;
    std::vector<double> points;
    AppendArcSegments(cx, cy, rx, ry, 0, FullTurn, QuarterTurn, points);
    if (points.empty())
        return;
    PSStartFigureCheck(true, true);
    WriteCurves(points, "m ");
    buffer_.Append("h ");
    movePending_ = true;
    PSCheckStrokeFill(true, true);
}

// The curves of an arc of the box's ellipse, counter-clockwise from the ray through `start` to the
// ray through `end`.
std::vector<double> TPdfGenericPSDevice::PreprocessArc(const TRect& box, TPoint start, TPoint end)
{
    const double cx = (double(box.Left) + box.Right) / 2, cy = (double(box.Top) + box.Bottom) / 2;
    double rx = (std::fabs(double(box.Left) - box.Right) - 1) / 2,
           ry = (std::fabs(double(box.Top) - box.Bottom) - 1) / 2;
    rx = rx <= 0 ? 1e-5 : rx;
    ry = ry <= 0 ? 1e-5 : ry;
    const double startAngle = std::atan2(-(start.Y - cy) * rx, (start.X - cx) * ry);
    const double endAngle = std::atan2(-(end.Y - cy) * rx, (end.X - cx) * ry);
    double sweep = endAngle - startAngle;
    if (sweep < 0)
        sweep += FullTurn;
    sweep = std::min(sweep, FullTurn);
    const double step = sweep >= QuarterTurn ? std::max(sweep / 3, std::numbers::pi / 10) : QuarterTurn;
    std::vector<double> points;
    AppendArcSegments(cx, cy, rx, ry, startAngle, sweep, step, points);
    return points;
}

void TPdfGenericPSDevice::Arc(const TRect& box, TPoint start, TPoint end, bool to)
{
    PSStartGraphic();
    const std::vector<double> points = PreprocessArc(box, start, end);
    if (points.empty())
        return;
    PSStartFigureCheck(true, false);
    WriteCurves(points, "m ");
    if (to)
        current_ = LastCurvePoint(points);
    movePending_ = true;
    PSCheckStrokeFill(true, false);
}

void TPdfGenericPSDevice::Pie(const TRect& box, TPoint start, TPoint end)
{
    PSStartGraphic();
    const std::vector<double> points = PreprocessArc(box, start, end);
    if (points.empty())
        return;
    PSStartFigureCheck(true, true);
    const std::int64_t cx = (std::int64_t(box.Left) + box.Right) / 2;
    const int cy = dcY(Saturated((std::int64_t(box.Top) + box.Bottom) / 2));
    WritePoint(cx, cy, "m ");
    WriteCurves(points, "l ");
    WritePoint(cx, cy, "l ");
    movePending_ = true;
    PSCheckStrokeFill(true, true);
}

// A line from the current position to the arc's start, then the arc; both are lines, never filled.
void TPdfGenericPSDevice::AngleArc(int x, int y, int radius, float start, float sweep)
{
    PSStartGraphic();
    const double startAngle = start / 360.0 * FullTurn;
    const double sweepAngle = std::clamp(sweep / 360.0 * FullTurn, -FullTurn, FullTurn);
    std::vector<double> points;
    AppendArcSegments(x, y, radius, radius, startAngle, sweepAngle, QuarterTurn, points);
    if (points.empty())
        return;
    PSStartFigureCheck(true, false);
    WritePendingMove();
    WriteCurves(points, "l ");
    current_ = LastCurvePoint(points);
    movePending_ = true;
    PSCheckStrokeFill(true, false);
}

void TPdfGenericPSDevice::RoundRect(int x1, int y1, int x2, int y2, int width, int height)
{
    StartShape(true, true);
    const std::int64_t qx = width / 4, rx = 2 * qx, qy = height / 4, ry = 2 * qy;
    const std::int64_t left = x1, right = x2, top = dcY(y1), bottom = dcY(y2);
    const auto point = [this](std::int64_t x, std::int64_t y, const char* op) { WritePoint(x, y, op); };
    const auto curve = [this](std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by, std::int64_t cx,
                              std::int64_t cy) {
        WritePoint(ax, ay, "");
        WritePoint(bx, by, "");
        WritePoint(cx, cy, "c ");
    };
    point(left + rx, top, "m ");
    point(right - rx, top, "l ");
    curve(right - rx + qx, top, right, top - qy, right, top - ry);
    point(right, bottom + ry, "l ");
    curve(right, bottom + ry - qy, right - rx + qx, bottom, right - rx, bottom);
    point(left + rx, bottom, "l ");
    curve(left + rx - qx, bottom, left, bottom + ry - qy, left, bottom + ry);
    point(left, top - ry, "l ");
    curve(left, top - ry + qy, left + rx - qx, top, left + rx, top);
    PSCheckStrokeFill(true, true);
}

// ----- Clipping, fills, bitmaps and embedded commands -----

void TPdfGenericPSDevice::SelectClipRGN(int mode, const TRect& bounds, std::span<const TRect> rectangles)
{
    if (!Modes().Contains(peClipRectSupport) || mode <= 0)
        return;
    PSStartGraphic();
    const auto writeOrdered = [this](int x1, int y1, int x2, int y2) {
        const int left = std::min(x1, x2), top = std::min(y1, y2);
        WriteRectangle(left, top, std::int64_t(std::max(x1, x2)) - left, std::int64_t(std::max(y1, y2)) - top);
    };
    if (rectangles.empty())
        writeOrdered(bounds.Left, bounds.Top, bounds.Right, bounds.Bottom);
    for (TRect rectangle : rectangles) {
        DCStack().XYToDevice(rectangle.Left, rectangle.Top);
        DCStack().XYToDevice(rectangle.Right, rectangle.Bottom);
        writeOrdered(rectangle.Left, rectangle.Top, rectangle.Right, rectangle.Bottom);
    }
    buffer_.Append("W n ");
}

// Whole raster operations only: masks such as SRCAND share BLACKNESS's bits but draw no fill.
void TPdfGenericPSDevice::BitBlt(int x, int y, int width, int height, std::uint32_t rop)
{
    switch (rop) {
    case WHITENESS:
        FillRect(x, y, width, height, clWhite);
        break;
    case BLACKNESS:
        FillRect(x, y, width, height, clBlack);
        break;
    case PATCOPY:
        if (!Modes().Contains(peNoBITBLTFillRect))
            FillRect(x, y, width, height, DC().brush.color);
        break;
    default:
        break;
    }
}

int TPdfGenericPSDevice::StretchDIBits(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                                       int sourceHeight, std::span<const std::uint8_t> bits,
                                       std::span<const std::uint8_t> bitmapInfo, std::uint32_t usage, std::uint32_t rop)
{
    const bool rgbColors = usage == DIB_RGB_COLORS;
    std::span<const std::uint8_t> colorTable;
    if (rgbColors && bitmapInfo.size() > BitmapInfoHeaderSize)
        colorTable = bitmapInfo.subspan(BitmapInfoHeaderSize);
    const TRect source{sourceX, sourceY, Saturated(std::int64_t(sourceX) + sourceWidth),
                       Saturated(std::int64_t(sourceY) + sourceHeight)};
    return PSStretchDIBits(rgbColors, x, y, width, height, source, !Modes().Contains(peDontCropBitmaps), bits,
                           bitmapInfo, colorTable, rop);
}

void TPdfGenericPSDevice::GDIComment(std::span<const std::uint8_t> data)
{
    if (data.size() < CommandHeadSize || GetU32(&data[4]) != CommandCommentMarker)
        return;
    const std::uint32_t length = GetU32(&data[24]);
    if (std::uint64_t{length} + CommandHeadSize != data.size())
        return;
    const auto corner = [&](std::size_t at) {
        return PSPointToPDF(static_cast<std::int32_t>(GetU32(&data[at])),
                            static_cast<std::int32_t>(GetU32(&data[at + 4])));
    };
    const TPoint first = corner(8), second = corner(16);
    const std::string_view text(reinterpret_cast<const char*>(data.data()) + CommandHeadSize, length);
    PSCommand(TRect{first.X, first.Y, second.X, second.Y}, static_cast<std::int32_t>(GetU32(&data[0])), text);
}

// ----- Text -----

void TPdfGenericPSDevice::PSStartText(int& x, int& y)
{
    EnsureOutput();
    PSEndGraphic();
    const bool scaled = DCStack().TextXScale() != 1;
    if (WorldChanged() || TextRotated() || scaled)
        PSEndText();
    if (psMode_ != pesText) {
        PSNeedWorld();
        buffer_.Append("\nBT ");
        SetTextMatrixNeeded(true);
        psMode_ = pesText;
        movePending_ = true;
        textPosition_ = TPoint{};
        WrittenData().mustWriteText = true;
    }
    if (TextMatrixNeeded() || TextRotated() || scaled)
        WriteTextMatrix(x, y);
}

void TPdfGenericPSDevice::WriteTextMatrix(int& x, int& y)
{
    TPdfXForm t = DCStack().TextWorld();
    if (TextRotated()) {
        t.eDx = static_cast<float>(t.eDx + double(x));
        t.eDy = static_cast<float>(t.eDy + double(dcY(y)));
        x = 0;
        y = 0;
    }
    const double flip = DCStack().Flipped() ? -1 : 1;
    const double values[6] = {DCStack().TextXScale() * t.eM11, t.eM12, t.eM21, flip * t.eM22, t.eDx, t.eDy};
    buffer_.AppendFloats(values, 5);
    buffer_.Append(" Tm\n");
    textMatrix_ = TPdfXForm{static_cast<float>(values[0]), t.eM12, t.eM21, static_cast<float>(values[3]), t.eDx, t.eDy};
    SetTextMatrixNeeded(false);
    // Tm also starts a new line at its origin: the next Td counts from there.
    textPosition_ = TPoint{};
}

void TPdfGenericPSDevice::PSEndText()
{
    if (psMode_ != pesText)
        return;
    buffer_.Append("ET\n");
    psMode_ = pesUndefined;
    movePending_ = true;
    SetWorldChanged(true);
    WrittenData().mustWriteText = true;
}

void TPdfGenericPSDevice::TextOut(int x, int y, std::string_view text, const TRect* rect)
{
    TBaselineAlignment baseline(DC());
    ExtTextOut(x, y, DC().opaque ? ETO_OPAQUE : 0, rect != nullptr ? *rect : TRect{}, {}, text,
               static_cast<int>(text.size()), {});
}

void TPdfGenericPSDevice::TextExtOut(int x, int y, std::string_view text, std::span<const int> spacing,
                                     const TRect* rect)
{
    TBaselineAlignment baseline(DC());
    ExtTextOut(x, y, DC().opaque ? ETO_OPAQUE : 0, rect != nullptr ? *rect : TRect{}, {}, text,
               static_cast<int>(text.size()), spacing);
}

void TPdfGenericPSDevice::TextAppend(std::string_view text)
{
    TBaselineAlignment baseline(DC());
    ExtTextOut(textPosition_.X, textPosition_.Y, 0, TRect{}, {}, text, static_cast<int>(text.size()), {});
}

void TPdfGenericPSDevice::ExtTextOut(int x, int y, std::uint32_t options, const TRect& rect,
                                     std::u16string_view wideText, std::string_view text, int count,
                                     std::span<const int> spacing)
{
    const bool opaque =
        (options & ETO_OPAQUE) != 0 && !(Modes().Contains(peWhiteBrushIsTransparent) && DC().bkColor == clWhite);
    const bool clip = (options & ETO_CLIPPED) != 0 && !Modes().Contains(peNoTextRectClipping);
    const std::size_t available = text.empty() ? wideText.size() : text.size();
    count = static_cast<int>(std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(available)));
    if (count == 0) {
        if (opaque && HasWidth(rect))
            FillRect(rect.Left, rect.Top, Saturated(std::int64_t(rect.Right) - rect.Left),
                     Saturated(std::int64_t(rect.Bottom) - rect.Top), DC().bkColor);
        return;
    }
    if (DC().textAlign.Contains(peal_UPDATECP)) {
        x = current_.X;
        y = current_.Y;
    }
    PSWriteTextAttributes(nullptr, 0);
    TTextRun run;
    run.x = x;
    run.y = y;
    if (!PrepareRunText(run, text, wideText, count))
        return;
    // A spacing array that does not cover the run is not one.
    if (spacing.size() >= static_cast<std::size_t>(count))
        run.spacing = spacing.first(static_cast<std::size_t>(count));
    MeasureRun(run);
    if (DC().textAlign.Contains(peal_UPDATECP))
        current_ = TPoint{Saturated(x + (DC().fontData.escapement == 1800 ? -run.total : run.total)), y};
    const bool clipped = PaintRunBackground(run, rect, opaque, clip);
    int textX = x, textY = y;
    PSStartText(textX, textY);
    SetRunSpacing(run);
    PSWriteTextAttributes(&buffer_, run.size);
    LinkRun(run);
    const bool rotated = TextRotated();
    const double startX = rotated ? textX + double(run.dx) : TextOffsetX() + textX + double(run.dx);
    const int tx = PdfRound(startX / DCStack().TextXScale());
    const int ty = rotated ? Saturated(-run.dy) : dcY(Saturated(textY + run.dy));
    WriteRun(run, tx, ty);
    if (run.Wide())
        PSUsedCharsW(run.wide);
    else
        PSUsedChars(run.text);
    textPosition_ = TPoint{tx, ty};
    if (DC().fontData.underline != 0)
        UnderlineRun(run, tx, ty);
    if (clipped)
        PSRestoreState();
}

// The 8-bit text when there is one, else the wide text converted; the replacement hook may change
// it or drop the run (false).
bool TPdfGenericPSDevice::PrepareRunText(TTextRun& run, std::string_view text, std::u16string_view wideText, int count)
{
    const auto length = static_cast<std::size_t>(count);
    if (!text.empty()) {
        run.text = std::string(text.substr(0, length));
    } else {
        run.wide = wideText.substr(0, length);
        run.text = PSWideCharToMultiByte(run.wide);
    }
    run.count = count;
    if (replaceCallback_ == nullptr || !run.text.starts_with(replaceMarker_))
        return true;
    std::string replacement;
    replaceCallback_(replaceUserData_, ++replaceCounter_, run.text, replacement);
    if (replacement.empty())
        return false;
    run.text = std::move(replacement);
    run.replaced = true;
    return true;
}

// A positive font height asks for the cell: the size comes down in half units until the cell fits.
void TPdfGenericPSDevice::FitFontSize(TTextRun& run)
{
    const double requested = run.size;
    PSFontHeight(run.ascent, run.cellHeight, run.size);
    if (DC().fontData.height <= 0 || run.cellHeight <= requested)
        return;
    // Start just above the proportional guess, so that a huge size takes a few steps, not millions.
    const double guess = run.size * requested / run.cellHeight;
    run.size -= 0.5 * std::max(0.0, std::ceil((run.size - guess) / 0.5) - 1);
    PSFontHeight(run.ascent, run.cellHeight, run.size);
    while (run.cellHeight > requested && run.size > 0.5) {
        run.size -= 0.5;
        PSFontHeight(run.ascent, run.cellHeight, run.size);
    }
}

void TPdfGenericPSDevice::MeasureRun(TTextRun& run)
{
    TPdfDCStackVar& state = DC();
    run.size = std::fabs(double(state.fontData.height));
    FitFontSize(run);
    if (state.fontData.width != 0) {
        const double natural = run.size * PSGetFontWidth() / 1000;
        const double scale = natural != 0 ? std::fabs(double(state.fontData.width)) / natural : 0;
        run.horzScale = scale == 1 ? 0 : scale;
    }
    state.horzTextScale = static_cast<float>(run.horzScale);

    const TPdfTextAlign align = state.textAlign;
    if (align.Contains(peal_BASELINE))
        run.dy = 0;
    else if (align.Contains(peal_BOTTOM))
        run.dy = run.horzScale != 0 ? 0 : std::int64_t(run.ascent) - run.cellHeight;
    else
        run.dy = run.ascent;
    if (DCStack().YAxisUp())
        run.dy = -run.dy;

    for (int advance : run.spacing)
        run.total += advance;
    run.exact = Modes().Contains(peExactTextPositioning) && run.horzScale == 0;
    if (run.exact && run.total != 0) {
        run.width = run.total;
    } else {
        double width = run.Wide() ? PSTextWidthW(run.wide, run.size) : PSTextWidth(run.text, run.size);
        width *= DCStack().TextXScale();
        if (run.horzScale != 0)
            width *= run.horzScale;
        run.width = PdfRound(width);
        if (run.total == 0)
            run.total = PdfRound(run.width / double(DCStack().Matrix().eM11));
    }

    if (align.Contains(peal_CENTER))
        run.dx = -run.total / 2;
    else if (align.Contains(peal_RIGHT))
        run.dx = -run.total;
}

// The run's background and its clip; true when a q-level was opened for the clip.
bool TPdfGenericPSDevice::PaintRunBackground(const TTextRun& run, const TRect& rect, bool opaque, bool clip)
{
    const std::int64_t x = run.x, y = run.y;
    const bool given = HasWidth(rect) || rect.Bottom != rect.Top;
    const std::int64_t left = given ? rect.Left : x, top = given ? rect.Top : y;
    const std::int64_t right = given ? rect.Right : x + run.total, bottom = given ? rect.Bottom : y + run.dy;
    PSThumbnailFillRect(run.x, run.y, Saturated(run.total), Saturated(run.dy - 1), DC().textColor);
    const TColor background = DC().bkColor;
    if (clip && HasWidth(rect)) {
        PSStartGraphic();
        buffer_.Append("q ");
        SaveWrittenData();
        if (opaque)
            WriteFillColor(buffer_, background);
        WriteRectangle(left, top, right - left, bottom - top);
        buffer_.Append(opaque ? "W f " : "W n ");
        return true;
    }
    if (opaque) {
        PSStartGraphic();
        WriteFillColor(buffer_, background);
        WriteRectangle(left, top, right - left, bottom - top);
        buffer_.Append("f ");
    }
    return false;
}

// Word and character spacing that spread the font's natural width over the advance the run asks.
// A font that gives no widths (the standard fonts) leaves nothing to compare the advance with.
void TPdfGenericPSDevice::SetRunSpacing(const TTextRun& run)
{
    TPdfDCStackVar& state = DC();
    state.wordSpacing = 0;
    state.charSpacing = 0;
    const auto count = static_cast<std::int64_t>(run.text.size());
    if (run.horzScale != 0 || DCStack().Matrix().eM12 != 0 || count <= 1 || run.width == 0 ||
        run.total == run.width || run.exact || Modes().Contains(peDontAdjustTextSpacing))
        return;
    double difference = static_cast<double>(run.total - run.width);
    std::int64_t blanks = std::count(run.text.begin(), run.text.end(), ' ');
    if (blanks > 0) {
        const int blank = PSTextWidth(" ", run.size);
        if (blank / 2.0 + difference / blanks >= 0) {
            state.wordSpacing = static_cast<float>(difference / blanks);
            difference = 0;
        } else {
            state.wordSpacing = static_cast<float>(-(blank / 2));
            difference += static_cast<double>(blanks * (blank / 2));
        }
        --blanks;
    }
    // A run of blanks leaves no gap between other characters to spread over.
    const auto gaps = static_cast<double>(count - blanks - 1);
    if (difference != 0 && gaps >= 1)
        state.charSpacing = static_cast<float>(std::max(difference / gaps, -run.size / 5));
}

void TPdfGenericPSDevice::LinkRun(const TTextRun& run)
{
    if (!options_.Contains(peCreateAutoLinks) || !run.text.starts_with("http://"))
        return;
    // The box reaches one font size from the run's reference point toward its glyphs: down from the
    // top of a top-aligned run, up from a baseline or a bottom.
    const int reference = dcY(run.y);
    const double toward = dcY(Saturated(run.y + run.dy)) < reference ? -1 : 1;
    const TPoint first = PSPointToPDF(run.x, reference);
    const TPoint second = PSPointToPDF(Saturated(run.x + run.width), PdfRound(reference + toward * run.size));
    const int bottom = std::min(first.Y, second.Y);
    PSCreateHyperLink(first.X, bottom, second.X - first.X, std::max(first.Y, second.Y) - bottom, run.text, "");
}

void TPdfGenericPSDevice::WriteRun(const TTextRun& run, int tx, int ty)
{
    const std::int64_t moveX = std::int64_t(tx) - textPosition_.X, moveY = std::int64_t(ty) - textPosition_.Y;
    if (run.exact && !run.spacing.empty() && !run.replaced && WriteExactRun(run, moveX, moveY))
        return;
    buffer_.AppendInt(moveX);
    buffer_.AppendInt(moveY);
    buffer_.Append("Td(");
    buffer_.AppendClean(run.text);
    buffer_.Append(")Tj\n");
}

// Each glyph where the spacing array puts it: the font's advance minus the asked one, in
// thousandths of the font size in points, the rounding carried on to the next glyph.
bool TPdfGenericPSDevice::WriteExactRun(const TTextRun& run, std::int64_t moveX, std::int64_t moveY)
{
    const TPdfXForm& m = DCStack().Matrix();
    const double sizeInPoints = run.size * std::fabs(m.eM22);
    if (!(sizeInPoints > 0))
        return false;
    std::vector<int> widths(static_cast<std::size_t>(run.count), 0);
    const bool known = run.Wide() ? PSTextWidthArrayW(run.wide, sizeInPoints, 1000, widths)
                                  : PSTextWidthArray(run.text, sizeInPoints, 1000, widths);
    if (!known)
        return false;
    buffer_.AppendInt(moveX);
    buffer_.AppendInt(moveY);
    buffer_.Append("Td[");
    const std::size_t glyphs = std::min(run.text.size(), run.spacing.size());
    double carry = 0;
    for (std::size_t i = 0; i < glyphs; ++i) {
        const double requested = std::nearbyint(m.eM11 * double(run.spacing[i]) * 1000);
        const double adjustment = (carry + widths[i] - requested) / sizeInPoints;
        const double rounded = std::nearbyint(adjustment);
        carry = (adjustment - rounded) * sizeInPoints;
        buffer_.Append("(");
        buffer_.AppendClean(std::string_view(run.text).substr(i, 1));
        buffer_.Append(")");
        buffer_.AppendFloat(rounded);
    }
    buffer_.Append("]TJ \n");
    return true;
}

// A line under the run as it was drawn: from its start along the text matrix, one advance long.
void TPdfGenericPSDevice::UnderlineRun(const TTextRun& run, int tx, int ty)
{
    const TPdfXForm t = textMatrix_;
    const auto onPage = [&t](double u, double v, const char* op, TPdfDeviceWorkBuffer& buffer) {
        buffer.AppendFloat(t.eM11 * u + t.eM21 * v + t.eDx);
        buffer.AppendFloat(t.eM12 * u + t.eM22 * v + t.eDy);
        buffer.Append(op);
    };
    PSEndText();
    buffer_.Append("q ");
    buffer_.AppendColor(DC().textColor, "RG ");
    buffer_.AppendFloat(run.size / 10);
    buffer_.Append("w ");
    onPage(tx, ty, "m ", buffer_);
    onPage(tx + run.total / DCStack().TextXScale(), ty, "l s Q ", buffer_);
}

// ----- Hooks and strings -----

std::string TPdfGenericPSDevice::PSWideCharToMultiByte(std::u16string_view text) { return Utf16ToWin1252(text); }

void TPdfGenericPSDevice::SetTextReplacement(TPdfTextReplaceCallback callback, void* userData, std::string marker)
{
    replaceCallback_ = callback;
    replaceUserData_ = userData;
    replaceMarker_ = std::move(marker);
    replaceCounter_ = 0;
}

std::string TPdfGenericPSDevice::CleanStringBuffer(const void* bytes, std::size_t count)
{
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    std::string escaped;
    escaped.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t c = data[i];
        switch (c) {
        case '(':
        case ')':
        case '\\':
            escaped += '\\';
            escaped += static_cast<char>(c);
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\b':
            escaped += "\\b";
            break;
        default:
            if (c >= 32 && c <= 127) {
                escaped += static_cast<char>(c);
            } else {
                escaped += '\\';
                escaped += static_cast<char>('0' + (c >> 6));
                escaped += static_cast<char>('0' + ((c >> 3) & 7));
                escaped += static_cast<char>('0' + (c & 7));
            }
        }
    }
    return escaped;
}

std::string TPdfGenericPSDevice::CleanString(std::string_view text)
{
    return CleanStringBuffer(text.data(), text.size());
}

std::string TPdfGenericPSDevice::CleanStringBufferW(const void* bytes, std::size_t count)
{
    const auto* data = static_cast<const char*>(bytes);
    std::string escaped;
    escaped.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        if (data[i] == '(' || data[i] == ')' || data[i] == '\\')
            escaped += '\\';
        escaped += data[i];
    }
    return escaped;
}

// The text's bytes as they lie in memory on Windows: low byte first.
std::string TPdfGenericPSDevice::CleanStringW(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return CleanStringBufferW(bytes.data(), bytes.size());
}

void TPdfGenericPSDevice::SwapString(void* bytes, std::size_t count)
{
    auto* data = static_cast<std::uint8_t*>(bytes);
    for (std::size_t i = 0; i + 1 < count; i += 2)
        std::swap(data[i], data[i + 1]);
}
