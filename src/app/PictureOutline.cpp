#include "app/PictureOutline.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <array>

namespace {

constexpr int CurveOrder = 3;
constexpr float CurveStep = 0.05f;
constexpr int DotSquare = 4;

// The periodic basis over integer knots: N(i, k, t) is N(0, k, t) shifted by i and wrapped into 0..n.
float Basis(int i, int k, float t, int n, float curveEnd);

float FirstBasis(int k, float t, int n, float curveEnd)
{
    if (k == 1) {
        if (t >= 0 && t < 1)
            return 1;
        return t == curveEnd && t >= 0 && t <= 1 ? 1.0f : 0.0f;
    }
    // Knot j is j, so neither denominator (k - 1 and k - 1) is ever 0 for k > 1.
    const float rising = t / static_cast<float>(k - 1) * FirstBasis(k - 1, t, n, curveEnd);
    const float falling = (static_cast<float>(k) - t) / static_cast<float>(k - 1) * Basis(1, k - 1, t, n, curveEnd);
    return rising + falling;
}

float Basis(int i, int k, float t, int n, float curveEnd)
{
    if (i == 0)
        return FirstBasis(k, t, n, curveEnd);
    float shifted = t - static_cast<float>(i) + static_cast<float>(n);
    while (shifted >= static_cast<float>(n))
        shifted -= static_cast<float>(n);
    while (shifted < 0)
        shifted += static_cast<float>(n);
    return FirstBasis(k, shifted, n, curveEnd);
}

// Over n >= 3 dots N(i, 3, t) is 0 unless (t - i) mod n lies in [0, 3): with one index to spare on
// each side for rounding, only the dots from j - 3 to j + 1 can weigh, j being t's whole part. Fewer
// dots than that are all summed.
constexpr int FewDots = 6;

struct Weighing {
    std::array<int, FewDots> dots;
    int count;
};

Weighing WeighingDots(float t, int n)
{
    Weighing weighing{{}, 0};
    if (n < FewDots) {
        for (int i = 0; i < n; ++i)
            weighing.dots[static_cast<size_t>(weighing.count++)] = i;
        return weighing;
    }
    constexpr int Span = 5;
    const int first = ((static_cast<int>(t) - 3) % n + n) % n;
    // In index order, as the full sum adds them: those wrapped past the last dot come first.
    for (int wrapped : {1, 0})
        for (int m = 0; m < Span; ++m)
            if ((first + m >= n) == (wrapped == 1))
                weighing.dots[static_cast<size_t>(weighing.count++)] = (first + m) % n;
    return weighing;
}

TPoint CurveAt(const OutlineDots& dots, float t)
{
    const int n = dots.Count();
    const float curveEnd = static_cast<float>(n);
    float x = 0;
    float y = 0;
    const Weighing weighing = WeighingDots(t, n);
    for (int k = 0; k < weighing.count; ++k) {
        const int i = weighing.dots[static_cast<size_t>(k)];
        const float weight = Basis(i, CurveOrder, t, n, curveEnd);
        x += weight * dots.x[static_cast<size_t>(i)];
        y += weight * dots.y[static_cast<size_t>(i)];
    }
    return {static_cast<int>(x), static_cast<int>(y)};
}

TRect DotSquareAt(const OutlineDots& dots, int i)
{
    const int x = static_cast<int>(dots.x[static_cast<size_t>(i)]);
    const int y = static_cast<int>(dots.y[static_cast<size_t>(i)]);
    return {x, y, x + DotSquare, y + DotSquare};
}

QPolygon PolygonOf(const std::vector<TPoint>& points)
{
    QPolygon polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const TPoint& point : points)
        polygon.append(QPoint(point.X, point.Y));
    return polygon;
}

void Fill(QImage& image, const QPainterPath& path, QColor color)
{
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillPath(path, color);
}

} // namespace

std::vector<TPoint> CurvePoints(const OutlineDots& dots)
{
    const int n = dots.Count();
    if (n == 0)
        return {};
    const float end = static_cast<float>(n);
    std::vector<TPoint> points{CurveAt(dots, 0)};
    for (float t = CurveStep; t < end; t += CurveStep)
        points.push_back(CurveAt(dots, t));
    points.push_back(CurveAt(dots, end));
    return points;
}

std::vector<TPoint> ControlPolygon(const OutlineDots& dots)
{
    std::vector<TPoint> points;
    for (int i = 0; i <= dots.Count() && dots.Count() > 0; ++i) {
        const size_t dot = static_cast<size_t>(i % dots.Count());
        points.push_back({static_cast<int>(dots.x[dot]), static_cast<int>(dots.y[dot])});
    }
    return points;
}

void DrawStraightOutline(TCanvas& canvas, const OutlineDots& dots)
{
    canvas.Polyline(ControlPolygon(dots));
    for (int i = 0; i < dots.Count(); ++i)
        canvas.Rectangle(DotSquareAt(dots, i));
}

void DrawCurveOutline(TCanvas& canvas, const OutlineDots& dots, TColor fillColor)
{
    canvas.Polyline(CurvePoints(dots));
    canvas.Pen.Mode = pmXor;
    canvas.Pen.Style = psDot;
    canvas.Polyline(ControlPolygon(dots));
    canvas.Pen.Style = psSolid;
    canvas.Pen.Mode = pmCopy;
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = fillColor;
}

QPainterPath OutlinePath(const OutlineDots& dots, bool curve, TSize picture, bool outside)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    if (curve) {
        path.addPolygon(PolygonOf(CurvePoints(dots)));
    } else {
        path.addPolygon(PolygonOf(ControlPolygon(dots)));
        for (int i = 0; i < dots.Count(); ++i) {
            const TRect square = DotSquareAt(dots, i);
            path.addRect(square.Left, square.Top, square.Width(), square.Height());
        }
    }
    path.closeSubpath();
    if (outside)
        path.addRect(0, 0, picture.cx, picture.cy);
    return path;
}

void FillPath(TBitmap& picture, const QPainterPath& path, TColor color)
{
    QImage view = picture.ImageView();
    Fill(view, path, QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
}
