#pragma once

// A GDI world transform: x' = x * eM11 + y * eM21 + eDx, y' = x * eM12 + y * eM22 + eDy.
struct TPdfXForm {
    float eM11 = 1;
    float eM12 = 0;
    float eM21 = 0;
    float eM22 = 1;
    float eDx = 0;
    float eDy = 0;
    friend bool operator==(const TPdfXForm&, const TPdfXForm&) = default;
};

inline TPdfXForm ScaleXForm(double scaleX, double scaleY)
{
    return TPdfXForm{static_cast<float>(scaleX), 0, 0, static_cast<float>(scaleY), 0, 0};
}

// result = a x b: first a, then b.
void CombineXFORMs(const TPdfXForm& a, const TPdfXForm& b, TPdfXForm& result);
