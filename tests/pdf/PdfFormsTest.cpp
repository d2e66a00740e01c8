#include "pdf/PdfDevice.h"

#include "ImageTestSupport.h"
#include "PdfTestSupport.h"
#include "TestSupport.h"
#include "platform/core/Exceptions.h"
#include "platform/graphics/Colors.h"

#include <gtest/gtest.h>

// Forms recorded before the page and drawn on it by name, whatever the case: one nested in
// another, one moved by its offset, one linked to itself that is drawn once.
TEST(PdfForms, FormsAreRecordedOnceAndDrawnByName)
{
    TPdfDevice device;
    device.BeginDoc(612, 792, 72);
    device.StartXForm("Inner", 100, 50, 72, 72);
    device.FillRect(0, 0, 10, 10, clRed);
    device.StartXForm("Overlay", 144, 72, 144, 144, 0, "inner"); // ends Inner first
    device.FillRect(0, 0, 5, 5, clBlue);
    device.StartXForm("Shifted", 100, 100, 0, 0, 30);
    device.StartXForm("Loop", 10, 10, 72, 72, 0, "LOOP");
    device.EndXForm();
    device.StartPage(612, 792, 72, 72, 0);
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.StartXForm("Late", 10, 10, 72, 72); }),
              "Stream is active - XForm may not be created!");
    device.AddXFORM("Scaled", 10, 20, "[0 0 5 5]", "<< >>", 0, 108, 36);
    device.DrawXForm("OVERLAY");
    device.DrawXForm("shifted");
    device.DrawXForm("loop");
    device.DrawXForm("missing");
    device.EndPage();
    device.EndDoc();
    const std::string pdf = DeviceOutput(device);

    EXPECT_NE(pdf.find("/Type/XObject/Subtype/Form/FormType 1\n/Matrix [1 0 0 1 0 0]\n/BBox [ 0 0 72 36]\n/Resources "),
              std::string::npos);
    EXPECT_NE(pdf.find("/Type/XObject/Subtype/Form/FormType 1\n/Matrix [1.500 0 0 0.500 0 0]\n/BBox [0 0 5 5]\n"
                       "/Resources << >>\n/Length 0"),
              std::string::npos);
    EXPECT_NE(pdf.find("/Overlay Do\n/Inner Do\n q 1 0 0 1 0 -762 cm /Shifted Do Q\n/Loop Do\n"), std::string::npos);
    EXPECT_NE(pdf.find("/XObject << /Inner "), std::string::npos);

    TemporaryFolder folder;
    int status = -1;
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    // The inner form's red square stands at its form's top left, which the page draws at its own
    // bottom left; the overlay's blue one at the top left of its half-size box.
    WriteWholeFile(folder.File("forms.pdf"), pdf);
    const RgbImage page = DecodedBy("pdftoppm -r 72 '" + folder.File("forms.pdf") + "'");
    ASSERT_EQ(page.height, 792);
    EXPECT_EQ(page.At(5, 792 - 45), (Rgb{255, 0, 0}));
    EXPECT_EQ(page.At(1, 792 - 35), (Rgb{0, 0, 255}));
    EXPECT_EQ(page.At(50, 300), (Rgb{255, 255, 255}));
}
