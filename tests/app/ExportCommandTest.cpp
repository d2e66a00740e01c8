#include "MainFormFixture.h"

#include "platform/core/FilePaths.h"
#include "reports/ExportOptions.h"

#include "ImageTestSupport.h"

#include <QAction>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>

#include <string>

class ExportCommand : public MainFormFixture {
protected:
    TExportOptions options{form.get()};
    TemporaryFolder out;

    ExportCommand() { ExportOptions = &options; }
    ~ExportCommand() override { ExportOptions = nullptr; }

    void Export(int filterIndex, const std::string& name, int modalResult = mrOk)
    {
        ui.AnswerFile(FileDialogResult{out.File(name), filterIndex});
        ui.AnswerModal(modalResult);
        form->Export1->trigger();
    }
};

TEST_F(ExportCommand, ExportsTheExampleWall)
{
    EXPECT_FALSE(form->Export1->isEnabled());
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    ASSERT_TRUE(form->Export1->isEnabled());
    EXPECT_EQ(form->sbExport->defaultAction(), form->Export1);
    const TBitmap& back = Active().backBitmap;

    // Cancelling either dialog writes nothing.
    ui.AnswerFile(std::nullopt);
    form->Export1->trigger();
    Export(1, "cancelled.jpg", mrCancel);
    EXPECT_FALSE(FileExists(out.File("cancelled.jpg")));
    const auto saves = ui.CallsOf(ScriptedUi::Kind::SaveDialog);
    ASSERT_EQ(saves.size(), 2u);
    EXPECT_EQ(saves[0].caption, "Export");
    EXPECT_EQ(saves[0].fileOptions.defaultExt, "tif");
    EXPECT_EQ(saves[0].fileOptions.filter, ExportFilter);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::ModalWindow).at(0).text, "ExportOptions");

    options.opHiRes->click();
    options.JPEGQuality->setValue(35);
    EXPECT_EQ(options.edQuality->text(), "35");
    Export(1, "wall.jpg");
    const RgbImage high = DecodedBy("djpeg -pnm " + out.File("wall.jpg"));
    EXPECT_EQ(high.width, back.Width() * 2);
    EXPECT_EQ(high.height, back.Height() * 2);

    // Web pages are made from the screen picture.
    Export(4, "wall.html");
    EXPECT_FALSE(options.opHiRes->isEnabled());
    EXPECT_EQ(DecodedBy("djpeg -pnm " + out.File("wall.jpg")).width, back.Width());
    EXPECT_NE(ReadWholeFile(out.File("wall.html")).find("<h1>wall</h1>"), std::string::npos);

    Export(3, "wall.tif");
    EXPECT_TRUE(options.opHiRes->isEnabled());
    EXPECT_EQ(DecodedBy("tifftopnm " + out.File("wall.tif")).width, back.Width());
    ui.AnswerFile(std::nullopt);
    form->Export1->trigger();
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).back().fileOptions.defaultExt, "tif");
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).back().fileOptions.filterIndex, 3);
}
