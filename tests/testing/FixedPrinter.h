#pragma once

#include "platform/ui/PrinterCapabilities.h"

// The test double of the default printer: answers what its fields say, installed as the default
// printer while it lives. By default an installed 600 dpi printer with an A4 page.
class FixedPrinter : public PrinterCapabilities {
public:
    FixedPrinter() { SetDefaultPrinter(this); }
    ~FixedPrinter() override { SetDefaultPrinter(nullptr); }
    FixedPrinter(const FixedPrinter&) = delete;
    FixedPrinter& operator=(const FixedPrinter&) = delete;

    bool Installed() const override { return installed; }
    TSize Resolution() const override { return resolution; }
    TSize PagePixels() const override { return pagePixels; }
    TRect PrintableArea() const override { return printableArea; }

    bool installed = true;
    TSize resolution{600, 600};
    TSize pagePixels{4960, 7016};
    TRect printableArea{100, 100, 4860, 6916};
};
