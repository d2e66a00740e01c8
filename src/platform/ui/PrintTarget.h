#pragma once

#include <QRect>

#include <functional>
#include <memory>

class QImage;
class QPrinter;
class QString;

// The page a one-page print job goes to: what the printer offers, and the job itself. Behind an
// interface because Qt takes even an unknown printer as valid, and without a print system prints
// to a file in silence, so refusals cannot be had from a real printer in tests.
class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    virtual void SetLandscape(bool landscape) = 0;
    // The job's title, as the print queue shows it.
    virtual void SetTitle(const QString& title) = 0;
    // The printer can take a raster image.
    virtual bool SupportsRaster() const = 0;
    // The printable part of the page in device pixels; drawing coordinates start at its corner.
    virtual QRect PrintableArea() const = 0;
    // Starts the job; false when the printer refuses it.
    virtual bool Begin() = 0;
    virtual void DrawImage(const QRect& target, const QImage& image) = 0;
    // Sends the page; false when that failed.
    virtual bool End() = 0;
};

// The job on the program's printer.
std::unique_ptr<PrintTarget> MakePrintTarget();
// Makes the targets MakePrintTarget gives from now on; an empty function restores the printer's.
void SetPrintTargetFactory(std::function<std::unique_ptr<PrintTarget>()> factory);
