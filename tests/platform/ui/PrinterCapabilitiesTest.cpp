#include "platform/ui/PrinterCapabilities.h"
#include "platform/ui/QtUiServices.h"

#include "testing/FixedPrinter.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include <gtest/gtest.h>

// The program's printer answers its page at its own resolution; a test double replaces it while it lives.
TEST(PrinterCapabilities, ProgramPrinterAnswersItsPageAtItsResolution)
{
    QPrinter& printer = ProgramPrinter();
    const QPageLayout saved = printer.pageLayout();
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);

    const TSize resolution = DefaultPrinter().Resolution();
    EXPECT_EQ(resolution.cx, printer.resolution());
    EXPECT_EQ(resolution.cy, printer.resolution());
    const TSize page = DefaultPrinter().PagePixels();
    // Qt keeps page sizes in whole points.
    EXPECT_NEAR(page.cx, 297 / 25.4 * resolution.cx, resolution.cx / 72.0);
    EXPECT_NEAR(page.cy, 210 / 25.4 * resolution.cy, resolution.cy / 72.0);
    const TRect area = DefaultPrinter().PrintableArea();
    EXPECT_GE(area.Left, 0);
    EXPECT_GE(area.Top, 0);
    EXPECT_LE(area.Right, page.cx);
    EXPECT_LE(area.Bottom, page.cy);
    EXPECT_GT(area.Width(), page.cx / 2);
    printer.setPageLayout(saved);

    {
        FixedPrinter fixed;
        fixed.installed = false;
        EXPECT_FALSE(DefaultPrinter().Installed());
        EXPECT_EQ(DefaultPrinter().Resolution(), (TSize{600, 600}));
    }
    EXPECT_EQ(DefaultPrinter().Resolution().cx, printer.resolution());
}
