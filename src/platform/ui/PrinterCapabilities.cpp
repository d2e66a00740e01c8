#include "platform/ui/PrinterCapabilities.h"

#include "platform/ui/QtUiServices.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

TRect FromQRect(const QRect& rect) { return TRect{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1}; }

// The program's one printer, as the print and printer-setup dialogs have set it up.
class ProgramPrinterCapabilities : public PrinterCapabilities {
public:
    bool Installed() const override { return !QPrinterInfo::availablePrinterNames().isEmpty(); }
    TSize Resolution() const override
    {
        const int resolution = ProgramPrinter().resolution();
        return TSize{resolution, resolution};
    }
    TSize PagePixels() const override
    {
        const QRect page = ProgramPrinter().pageLayout().fullRectPixels(ProgramPrinter().resolution());
        return TSize{page.width(), page.height()};
    }
    TRect PrintableArea() const override
    {
        return FromQRect(ProgramPrinter().pageLayout().paintRectPixels(ProgramPrinter().resolution()));
    }
};

PrinterCapabilities*& Replacement()
{
    static PrinterCapabilities* printer = nullptr;
    return printer;
}

} // namespace

PrinterCapabilities& DefaultPrinter()
{
    static ProgramPrinterCapabilities programPrinter;
    return Replacement() != nullptr ? *Replacement() : programPrinter;
}

void SetDefaultPrinter(PrinterCapabilities* printer) { Replacement() = printer; }
