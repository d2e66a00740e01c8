#pragma once

#include "planogram/DrawingSettings.h"

// Drawing settings of a window in inches at 8 pixels a unit, white tags in the default font.
class PlainDrawingSettings : public DrawingSettings {
public:
    TFont TagFont() const override { return {}; }
    TColor TagColor() const override { return clWhite; }
    bool UnitsMode() const override { return true; }
    int DisplayScale() const override { return 8; }
    bool UnitsInches() const override { return true; }
};
