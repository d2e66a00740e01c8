#include "reports/PictureExport.h"

#include "platform/core/FilePaths.h"
#include "testing/ScriptedUi.h"

#include "ExportFixture.h"
#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class PictureExport : public testing::Test, protected ExportDocument {
protected:
    ScriptedUi ui;
    TemporaryFolder folder;
    ExportSettings settings;
    std::string defaultExtension = "tif";

    void SetUp() override
    {
        MakeWall(60, 40, 0xC08040);
        document.showDateTimeStamp = false;
        AddTestItem(document, "a", Rect(10, 10, 30, 30), clRed, SolidPicture(folder.File("red.bmp"), clRed));
        document.renderer.RedrawAll();
    }
    // What the outside tool decodes from the file the export writes; the extension set is checked.
    RgbImage Export(int filterIndex, const std::string& name, const std::string& tool)
    {
        ExportDisplay(mainWindow, document, filterIndex, folder.File(name), settings, defaultExtension);
        EXPECT_EQ(defaultExtension, ExtractFileExt(name).substr(1));
        return DecodedBy(tool + " " + folder.File(name));
    }
    std::string JpegFrame(const std::string& name)
    {
        const std::string trace = RunCommand("djpeg -verbose -verbose -pnm " + folder.File(name) + " 2>&1 >/dev/null");
        return trace.substr(trace.find("Start Of Frame"), 19);
    }
};

TEST_F(PictureExport, EachTypeWritesTheWallAtTheChosenResolution)
{
    const RgbImage low = RgbOf(document.backBitmap);
    ExpectSameImage(Export(etBitmap, "low.bmp", "bmptopnm"), low, "bmp");
    ExpectSameImage(Export(etTarga, "low.tga", "tgatoppm"), low, "tga");

    settings.highResolution = true;
    const RgbImage high = Export(etBitmap, "high.bmp", "bmptopnm");
    EXPECT_EQ(high.width, 120);
    EXPECT_EQ(high.height, 80);
    EXPECT_EQ(high.At(40, 40), (Rgb{255, 0, 0}));
    EXPECT_EQ(high.At(0, 0), (Rgb{0, 0, 0}));
    ExpectSameImage(Export(etTarga, "high.tga", "tgatoppm"), high, "tga");
    settings.macintoshByteOrder = true;
    ExpectSameImage(Export(etTIFF, "high.tif", "tifftopnm"), high, "tif");
    EXPECT_EQ(ReadWholeFile(folder.File("high.tif")).substr(0, 2), "MM");

    settings.jpegQuality = 75;
    settings.progressive = false;
    EXPECT_EQ(Export(etJPEG, "b.jpg", "djpeg -pnm").width, 120);
    EXPECT_EQ(JpegFrame("b.jpg"), "Start Of Frame 0xc0");
    settings.progressive = true;
    EXPECT_EQ(Export(etJPEG, "p.jpg", "djpeg -pnm").height, 80);
    EXPECT_EQ(JpegFrame("p.jpg"), "Start Of Frame 0xc2");
}

TEST_F(PictureExport, AFailedRenderIsReportedAndNothingWritten)
{
    settings.highResolution = true;
    mainWindow.bar.steps = 0;
    mainWindow.bar.cancelAtStep = 1;
    ui.AnswerMessage(MsgAnswer::OK);
    ExportDisplay(mainWindow, document, etJPEG, folder.File("x.jpg"), settings, defaultExtension);
    EXPECT_FALSE(FileExists(folder.File("x.jpg")));
    EXPECT_EQ(defaultExtension, "tif");
    EXPECT_EQ(ui.Calls().at(0).text, "Export error occured");
    EXPECT_EQ(ui.Calls().at(0).caption, "Export");
    EXPECT_EQ(ui.Calls().at(0).icon, MsgIcon::Exclamation);
    // An index the dialog does not have writes nothing.
    ExportDisplay(mainWindow, document, 6, folder.File("x.png"), ExportSettings(), defaultExtension);
    EXPECT_FALSE(FileExists(folder.File("x.png")));
}

} // namespace
