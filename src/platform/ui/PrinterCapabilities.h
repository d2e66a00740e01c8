#pragma once

#include "platform/core/Geometry.h"

// What the default printer offers, asked without starting a job. Behind an interface so that tests
// can have a printer, or none, whatever the machine's print system holds.
class PrinterCapabilities {
public:
    virtual ~PrinterCapabilities() = default;
    // At least one printer is installed.
    virtual bool Installed() const = 0;
    // Dots per inch, across and down.
    virtual TSize Resolution() const = 0;
    // The whole page in device pixels.
    virtual TSize PagePixels() const = 0;
    // The part of the page the printer can print on, in device pixels from the page's corner.
    virtual TRect PrintableArea() const = 0;
};

// The program's printer, unless a test has set another.
PrinterCapabilities& DefaultPrinter();
// Replaces it (tests); nullptr restores the program's printer.
void SetDefaultPrinter(PrinterCapabilities* printer);
