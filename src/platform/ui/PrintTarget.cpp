#include "platform/ui/PrintTarget.h"

#include "platform/ui/QtUiServices.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

namespace {

class PrinterTarget : public PrintTarget {
public:
    explicit PrinterTarget(QPrinter& printer) : printer_(printer) {}

    void SetLandscape(bool landscape) override
    {
        printer_.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    void SetTitle(const QString& title) override { printer_.setDocName(title); }
    bool SupportsRaster() const override { return printer_.isValid(); }
    QRect PrintableArea() const override { return printer_.pageLayout().paintRectPixels(printer_.resolution()); }
    bool Begin() override { return painter_.begin(&printer_); }
    void DrawImage(const QRect& target, const QImage& image) override { painter_.drawImage(target, image); }
    bool End() override { return painter_.end(); }

private:
    QPrinter& printer_;
    QPainter painter_;
};

std::function<std::unique_ptr<PrintTarget>()>& Factory()
{
    static std::function<std::unique_ptr<PrintTarget>()> factory;
    return factory;
}

} // namespace

std::unique_ptr<PrintTarget> MakePrintTarget()
{
    if (Factory())
        return Factory()();
    return std::make_unique<PrinterTarget>(ProgramPrinter());
}

void SetPrintTargetFactory(std::function<std::unique_ptr<PrintTarget>()> factory) { Factory() = std::move(factory); }
