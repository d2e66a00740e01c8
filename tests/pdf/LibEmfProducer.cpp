#include "LibEmfProducer.h"

#include <libEMF/emf.h>

void DrawWithLibEmf(const std::string& path)
{
    RECT frame = {0, 0, 2540, 2540};
    HDC dc = CreateEnhMetaFileA(0, path.c_str(), &frame, "Kestrame\0test\0");
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(255, 0, 0));
    SelectObject(dc, pen);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(dc, brush);
    Rectangle(dc, 10, 20, 110, 70);
    Ellipse(dc, 1, 2, 30, 40);
    POINT points[6] = {{0, 0}, {90, 0}, {90, 90}, {30, 30}, {60, 30}, {60, 60}};
    Polygon(dc, points, 3);
    INT counts[2] = {3, 3};
    PolyPolygon(dc, points, counts, 2);
    MoveToEx(dc, 5, 6, nullptr);
    LineTo(dc, 7, 8);
    SetTextColor(dc, RGB(0, 0, 128));
    TextOutA(dc, 5, 80, "Cola", 4);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 1, 1, 2, 2);
    DeleteObject(brush);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
}
