#include "reports/PictureExport.h"
#include "reports/ExportOptions.h"

#include "planogram/Listmanager.h"
#include "testing/ScriptedUi.h"

#include "ExportFixture.h"
#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr TColor Wall = 0xC08040;

class PictureExport : public testing::Test, protected ExportDocument {
protected:
    ScriptedUi ui;
    TemporaryFolder folder;
    ExportSettings settings;
    std::string defaultExtension = "tif";

    void SetUp() override
    {
        MakeWall(60, 40, Wall);
        document.showDateTimeStamp = false;
        AddTestItem(document, "a", Rect(10, 10, 30, 30), clRed, SolidPicture(folder.File("red.bmp"), clRed));
        document.renderer.RedrawAll();
    }

    std::string Export(int filterIndex, const std::string& name)
    {
        ExportDisplay(mainWindow, document, filterIndex, folder.File(name), settings, defaultExtension);
        return folder.File(name);
    }
};

TEST_F(PictureExport, EachTypeWritesTheWallAtTheChosenResolution)
{
    const RgbImage low = RgbOf(document.backBitmap);
    ExpectSameImage(DecodedBy("bmptopnm " + Export(etBitmap, "low.bmp")), low, "bmp");
    EXPECT_EQ(defaultExtension, "bmp");
    ExpectSameImage(DecodedBy("tgatoppm " + Export(etTarga, "low.tga")), low, "tga");
    EXPECT_EQ(defaultExtension, "tga");

    settings.highResolution = true;
    const std::string high = Export(etBitmap, "high.bmp");
    const RgbImage doubled = DecodedBy("bmptopnm " + high);
    EXPECT_EQ(doubled.width, 120);
    EXPECT_EQ(doubled.height, 80);
    EXPECT_EQ(doubled.At(40, 40), (Rgb{255, 0, 0}));
    EXPECT_EQ(doubled.At(0, 0), (Rgb{0, 0, 0}));
    ExpectSameImage(DecodedBy("tgatoppm " + Export(etTarga, "high.tga")), doubled, "tga");

    settings.macintoshByteOrder = true;
    const std::string tiff = Export(etTIFF, "high.tif");
    EXPECT_EQ(ReadWholeFile(tiff).substr(0, 2), "MM");
    ExpectSameImage(DecodedBy("tifftopnm " + tiff), doubled, "tif");
    EXPECT_EQ(defaultExtension, "tif");

    // Nothing for an index the dialog does not have.
    Export(6, "other.png");
    EXPECT_FALSE(FileExists(folder.File("other.png")));
}

TEST_F(PictureExport, JpegFollowsQualityAndEncoding)
{
    settings.jpegQuality = 75;
    settings.progressive = false;
    const std::string baseline =
        RunCommand("djpeg -verbose -verbose -pnm " + Export(etJPEG, "b.jpg") + " 2>&1 >/dev/null");
    EXPECT_NE(baseline.find("Start Of Frame 0xc0"), std::string::npos) << baseline;
    EXPECT_EQ(defaultExtension, "jpg");
    settings.progressive = true;
    const std::string progressive =
        RunCommand("djpeg -verbose -verbose -pnm " + Export(etJPEG, "p.jpg") + " 2>&1 >/dev/null");
    EXPECT_NE(progressive.find("Start Of Frame 0xc2"), std::string::npos) << progressive;
    const RgbImage decoded = DecodedBy("djpeg -pnm " + folder.File("p.jpg"));
    EXPECT_EQ(decoded.width, 60);
    EXPECT_EQ(decoded.height, 40);
}

TEST_F(PictureExport, AFailedRenderIsReportedAndNothingWritten)
{
    settings.highResolution = true;
    mainWindow.bar.steps = 0;
    mainWindow.bar.cancelAtStep = 1;
    ui.AnswerMessage(MsgAnswer::OK);
    Export(etJPEG, "x.jpg");
    EXPECT_FALSE(FileExists(folder.File("x.jpg")));
    EXPECT_EQ(defaultExtension, "tif");
    const auto boxes = ui.CallsOf(ScriptedUi::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Export error occured");
    EXPECT_EQ(boxes[0].caption, "Export");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
}

TEST(ExportOptionsDialog, PagesAndResolutionFollowTheType)
{
    TExportOptions dialog;
    EXPECT_EQ(dialog.windowTitle(), "Export Options");
    EXPECT_EQ(dialog.ExportPage->currentWidget(), dialog.WebTab);
    ExportSettings settings = dialog.Settings();
    EXPECT_FALSE(settings.highResolution);
    EXPECT_EQ(settings.jpegQuality, 80);
    EXPECT_TRUE(settings.progressive);
    EXPECT_FALSE(settings.macintoshByteOrder);
    EXPECT_TRUE(settings.web.productPages);
    EXPECT_EQ(settings.web.maxWidth, "150");

    dialog.opHiRes->click();
    EXPECT_FALSE(dialog.opLowRes->isChecked());
    dialog.JPEGQuality->setValue(35);
    EXPECT_EQ(dialog.edQuality->text(), "35");
    dialog.ckProductPages->click();
    EXPECT_FALSE(dialog.edMaxW->isEnabled());

    dialog.PrepareFor(etJPEG);
    EXPECT_EQ(dialog.ExportPage->currentWidget(), dialog.JPEGTab);
    EXPECT_TRUE(dialog.Settings().highResolution);
    EXPECT_EQ(dialog.Settings().jpegQuality, 35);

    // Web pages force the low resolution until the next export.
    dialog.PrepareFor(etWebPage);
    EXPECT_EQ(dialog.ExportPage->currentWidget(), dialog.WebTab);
    EXPECT_TRUE(dialog.opLowRes->isChecked());
    EXPECT_FALSE(dialog.opLowRes->isEnabled());
    EXPECT_FALSE(dialog.opHiRes->isEnabled());
    EXPECT_FALSE(dialog.ExportPage->isTabEnabled(dialog.ExportPage->indexOf(dialog.TIFFTab)));
    EXPECT_FALSE(dialog.Settings().highResolution);

    dialog.PrepareFor(etBitmap);
    EXPECT_TRUE(dialog.opLowRes->isEnabled());
    EXPECT_TRUE(dialog.opHiRes->isEnabled());
    EXPECT_TRUE(dialog.ExportPage->isHidden());
    dialog.PrepareFor(etTIFF);
    EXPECT_FALSE(dialog.ExportPage->isHidden());
    EXPECT_EQ(dialog.ExportPage->currentWidget(), dialog.TIFFTab);
    EXPECT_TRUE(dialog.ExportPage->isTabEnabled(dialog.ExportPage->indexOf(dialog.TIFFTab)));
}

} // namespace
