#pragma once

#include "platform/graphics/Canvas.h"

// The main window's settings that drawings take: the tag font and colour the user chose, and how
// measurements are shown.
class DrawingSettings {
public:
    virtual ~DrawingSettings() = default;
    virtual TFont TagFont() const = 0;
    virtual TColor TagColor() const = 0;
    // 0: sizes are multiplied by the display scale; otherwise centimetres or inches.
    virtual bool UnitsMode() const = 0;
    virtual int DisplayScale() const = 0;
    // Measurements are shown in inches rather than centimetres.
    virtual bool UnitsInches() const = 0;
};
