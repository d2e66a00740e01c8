#include "app/NewDoc.h"
#include "app/PlanogramFiles.h"
#include "planogram/plandocCode.h"

#include "TestSupport.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/FileListBoxView.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

// The program folder pointed at a fresh folder with two catalogs and a template.
class ScopedProgramFolder {
public:
    ScopedProgramFolder()
    {
        if (const char* previous = std::getenv("KESTRAME_PROGRAM_DIR"))
            previous_ = previous;
        setenv("KESTRAME_PROGRAM_DIR", folder_.Path().c_str(), 1);
        ForceDirectories(Catalogs());
        ForceDirectories(folder_.File("Template"));
        WriteWholeFile(Catalogs() + "/shop.ctf", "");
        WriteWholeFile(Catalogs() + "/other.vdx", "");
        WriteWholeFile(File("Template/corner.kqt"), "");
        WriteWholeFile(File("Template/notes.txt"), "");
    }
    ~ScopedProgramFolder()
    {
        if (previous_)
            setenv("KESTRAME_PROGRAM_DIR", previous_->c_str(), 1);
        else
            unsetenv("KESTRAME_PROGRAM_DIR");
    }
    std::string Catalogs() const { return folder_.File("Catalogs"); }
    std::string File(const std::string& name) const { return folder_.File(name); }

private:
    TemporaryFolder folder_;
    std::optional<std::string> previous_;
};

class NewDocBox : public testing::Test {
protected:
    std::string Option(const std::string& name) const { return store.ReadString("Options", name, "<none>"); }
    static std::string Text(const QLineEdit* edit) { return fromQString(edit->text()); }
    static std::string Text(const QLabel* label) { return fromQString(label->text()); }

    // Shows the dialog modally; `act` runs inside it and either closes it or leaves it open, in which
    // case it is cancelled. The values it closed with, if any.
    static std::optional<DocumentSetupValues> RunModal(TNewDocBox& box, const std::function<void()>& act)
    {
        QTimer::singleShot(0, &box, [&] {
            act();
            if (box.isVisible())
                box.reject();
        });
        return box.ShowModal();
    }

    // A blank display of the given custom size in centimetres, with the shop catalog.
    void BlankCustom(const std::string& width, const std::string& height)
    {
        box.PageNewDoc->setCurrentIndex(1);
        box.txtWidth->setText(QString::fromStdString(width));
        box.txtHeight->setText(QString::fromStdString(height));
        box.CatList->Files().SetFileName(program.Catalogs() + "/shop.ctf");
    }

    ScopedSettingsFolder settings;
    ScopedProgramFolder program;
    SettingsStore store;
    ScriptedUi ui;
    bool inches = false;
    TNewDocBox box{[this] { return inches; }, store};
};

constexpr const char* CmWidth = "Invalid width value. Min Value 30cm, Max value 3000cm";
constexpr const char* InchHeight = "Invalid height value. Min value 12 Inches. Max value 1200 inches.";

} // namespace

TEST(NewDocModel, PictureNameGivesTheCustomSize)
{
    const auto full = SizeFromPictureName("/pics/120x240 back wall.jpg");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->width, "120");
    EXPECT_EQ(full->height, "240");
    const auto noBlank = SizeFromPictureName("C:\\Pics\\120x240.jpg");
    ASSERT_TRUE(noBlank);
    EXPECT_EQ(noBlank->width, "120");
    EXPECT_EQ(noBlank->height, "");
    // The folder's blanks and x's do not count; a blank before the "x" gives no height.
    const auto blankFirst = SizeFromPictureName("/my x folder/back 90x200.jpg");
    ASSERT_TRUE(blankFirst);
    EXPECT_EQ(blankFirst->width, "back 90");
    EXPECT_EQ(blankFirst->height, "");
    EXPECT_FALSE(SizeFromPictureName("/box x/wall.jpg"));
    EXPECT_FALSE(SizeFromPictureName(""));
}

TEST(NewDocModel, UnitKeysAndDefaultsStayApart)
{
    ScopedSettingsFolder settings;
    SettingsStore store;
    DocumentSetupValues cm, inch;
    ReadNewDocPresets(store, false, cm);
    ReadNewDocPresets(store, true, inch);
    const std::vector<std::string> cmDefaults = {"100", "200", "300", "189", "200", "250", "4",
                                                 "4",   "4",   "4",   "4",   "4",   "1",   "13"};
    const std::vector<std::string> inchDefaults = {"48",  "72",  "96",  "48", "72", "96",  "1.5",
                                                   "1.5", "1.5", "1.5", "2",  "2",  "0.5", "5.122"};
    for (size_t i = 0; i < NewDocPresetCount; ++i) {
        EXPECT_EQ(cm.*NewDocPresets()[i], cmDefaults[i]) << i;
        EXPECT_EQ(inch.*NewDocPresets()[i], inchDefaults[i]) << i;
    }

    inch.edWidth2 = "abc";
    inch.edPegDepth = "";
    WriteNewDocSettings(store, true, inch);
    EXPECT_EQ(store.ReadString("Options", "InchWidth2", "-"), "abc");
    EXPECT_EQ(store.ReadString("Options", "InchPegDepth", "-"), "");
    EXPECT_FALSE(store.ValueExists("Options", "cmWidth2"));
    DocumentSetupValues again;
    ReadNewDocPresets(store, false, again);
    EXPECT_EQ(again.edWidth2, "200");
    ReadNewDocPresets(store, true, again);
    EXPECT_EQ(again.edWidth2, "abc");
    EXPECT_EQ(again.edPegDepth, "");
}

TEST(NewDocModel, PageSetting)
{
    ScopedSettingsFolder settings;
    SettingsStore store;
    EXPECT_EQ(ReadNewDocPage(store), 0);
    DocumentSetupValues values;
    values.templatePage = false;
    WriteNewDocSettings(store, false, values);
    EXPECT_EQ(store.ReadString("Options", "NewDocPage", "-"), "1");
    EXPECT_EQ(ReadNewDocPage(store), 1);
    store.WriteString("Options", "NewDocPage", "7");
    EXPECT_EQ(ReadNewDocPage(store), 0);
}

TEST(NewDocModel, RefusalIsTheDocumentCheckAndTemplatesPass)
{
    DocumentSetupValues values;
    values.catalogFile = "/catalogs/shop.ctf";
    EXPECT_FALSE(NewDocRefusal(values, false));
    values.edWidth1 = "0";
    const auto zero = NewDocRefusal(values, false);
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->text, CmWidth);
    EXPECT_EQ(zero->caption, "Alert");
    EXPECT_EQ(zero->icon, MsgIcon::Warning);
    values.templatePage = true;
    EXPECT_FALSE(NewDocRefusal(values, false));
    values.templatePage = false;
    values.edWidth1 = "100";
    values.catalogFile.clear();
    const auto noCatalog = NewDocRefusal(values, false);
    ASSERT_TRUE(noCatalog);
    EXPECT_EQ(noCatalog->text, "No catalog was selected.");
    EXPECT_EQ(noCatalog->caption, "Catalog");
    // An open display is not asked for a catalog.
    values.catalogAsked = false;
    EXPECT_FALSE(NewDocRefusal(values, false));
}

TEST_F(NewDocBox, ShowingFillsCaptionsLabelsAndPresetsOfTheUnit)
{
    store.WriteString("Options", "cmWidth3", "333");
    store.WriteString("Options", "InchPegRad", "0.25");
    box.FormShow();
    EXPECT_EQ(fromQString(box.RadioGroupW->title()), "Width in centemeters");
    EXPECT_EQ(fromQString(box.RadioGroupH->title()), "Height in centemeters");
    EXPECT_EQ(fromQString(box.RadioGroupWItems->button(3)->text()), "Custom(cm)");
    EXPECT_EQ(fromQString(box.RadioGroupHItems->button(3)->text()), "Custom(cm)");
    EXPECT_EQ(Text(box.edWidth1), "100");
    EXPECT_EQ(Text(box.edWidth3), "333");
    EXPECT_EQ(Text(box.edHeight1), "189");
    EXPECT_EQ(Text(box.edPegRad), "1");
    EXPECT_EQ(Text(box.edPegDepth), "13");
    for (QLabel* label : box.unitLabels)
        EXPECT_EQ(Text(label), "cm");

    inches = true;
    box.FormShow();
    EXPECT_EQ(fromQString(box.RadioGroupW->title()), "Width in inches");
    EXPECT_EQ(fromQString(box.RadioGroupH->title()), "Height in inches");
    EXPECT_EQ(fromQString(box.RadioGroupWItems->button(3)->text()), "Custom(inch)");
    EXPECT_EQ(Text(box.edWidth3), "96");
    EXPECT_EQ(Text(box.edHeight2), "72");
    EXPECT_EQ(Text(box.ed1PegTop), "1.5");
    EXPECT_EQ(Text(box.edVPegSpace), "2");
    EXPECT_EQ(Text(box.edPegRad), "0.25");
    EXPECT_EQ(Text(box.edPegDepth), "5.122");
    for (QLabel* label : box.unitLabels)
        EXPECT_EQ(Text(label), "inches");
}

TEST_F(NewDocBox, ListsOnTheFindersFoldersAndTheCurrentCatalog)
{
    box.FormShow();
    EXPECT_EQ(box.TemplateList->Files().Items(), std::vector<std::string>{"corner.kqt"});
    EXPECT_EQ(box.CatList->Files().Items(), (std::vector<std::string>{"other.vdx", "shop.ctf"}));
    EXPECT_EQ(box.CatList->Files().ItemIndex(), -1);
    store.WriteString("Options", "CurrentDataFile", program.Catalogs() + "/shop.ctf");
    box.FormShow();
    EXPECT_EQ(box.CatList->Files().FileName(), program.Catalogs() + "/shop.ctf");
    EXPECT_EQ(box.CatList->currentRow(), 1);
}

TEST_F(NewDocBox, PageSettingSelectsThePageAndOkStoresTheActiveOne)
{
    store.WriteString("Options", "NewDocPage", "1");
    EXPECT_TRUE(RunModal(box, [&] {
        EXPECT_EQ(box.PageNewDoc->currentIndex(), 1);
        box.PageNewDoc->setCurrentIndex(0);
        box.Button1->click();
    }));
    EXPECT_EQ(Option("NewDocPage"), "0");
    box.PageNewDoc->setCurrentIndex(1);
    box.FormShow();
    EXPECT_EQ(box.PageNewDoc->currentIndex(), 0);
    // Cancel stores nothing.
    EXPECT_FALSE(RunModal(box, [&] {
        box.PageNewDoc->setCurrentIndex(1);
        box.Button2->click();
    }));
    EXPECT_EQ(Option("NewDocPage"), "0");
}

TEST_F(NewDocBox, OkWritesTheFourteenTextsToTheUnitsKeys)
{
    inches = true;
    const auto values = RunModal(box, [&] {
        BlankCustom("100", "80");
        box.edWidth1->setText("50");
        box.edHeight3->setText("120");
        box.ed1PegBottom->setText("2.5");
        box.edPegDepth->setText("6");
        box.Button1->click();
    });
    ASSERT_TRUE(values);
    EXPECT_FALSE(values->templatePage);
    EXPECT_EQ(values->RadioGroupW, 3);
    EXPECT_EQ(values->txtWidth, "100");
    EXPECT_EQ(values->catalogFile, program.Catalogs() + "/shop.ctf");
    const std::vector<std::pair<const char*, const char*>> expected = {
        {"InchWidth1", "50"},    {"InchWidth2", "72"},     {"InchWidth3", "96"},   {"InchHeight1", "48"},
        {"InchHeight2", "72"},   {"InchHeight3", "120"},   {"InchPegTop", "1.5"},  {"InchPegLeft", "1.5"},
        {"InchPegRight", "1.5"}, {"InchPegBottom", "2.5"}, {"InchVPegSpace", "2"}, {"InchHPegSpace", "2"},
        {"InchPegRad", "0.5"},   {"InchPegDepth", "6"}};
    for (const auto& [key, text] : expected)
        EXPECT_EQ(Option(key), text) << key;
    EXPECT_EQ(Option("cmWidth1"), "<none>");
    EXPECT_EQ(Option("NewDocPage"), "1");
    // The custom size, background, colour and catalog are not remembered.
    const std::vector<std::string> names = SettingsStore().Load().ValueNames("Options");
    EXPECT_EQ(names.size(), 15u);

    box.FormShow();
    EXPECT_EQ(Text(box.edHeight3), "120");
    inches = false;
    box.FormShow();
    EXPECT_EQ(Text(box.edHeight3), "250");
}

TEST_F(NewDocBox, OkRefusesInvalidBlankDisplaysAndStaysOpen)
{
    bool stillOpen = false;
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(RunModal(box, [&] {
        BlankCustom("29", "100");
        box.Button1->click();
        stillOpen = box.isVisible();
    }));
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, CmWidth);
    EXPECT_EQ(ui.Calls()[0].caption, "Alert");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(Option("cmWidth1"), "<none>");
    EXPECT_EQ(Option("NewDocPage"), "<none>");

    // A preset "0", a huge preset and a peg text that is no number are refused too; fixing the
    // text lets OK through.
    inches = true;
    ui.ClearCalls();
    for (int box = 0; box < 3; ++box)
        ui.AnswerMessage(MsgAnswer::OK);
    const auto values = RunModal(box, [&] {
        BlankCustom("100", "100");
        box.RadioGroupHItems->button(1)->click();
        box.edHeight2->setText("0");
        box.Button1->click();
        box.edHeight2->setText("100000");
        box.Button1->click();
        box.edHeight2->setText("60");
        box.edVPegSpace->setText("two");
        box.Button1->click();
        box.edVPegSpace->setText("2");
        box.Button1->click();
    });
    ASSERT_TRUE(values);
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{InchHeight, InchHeight,
                                        "Invalid peg hole value. Every peg value must be a number of 0 or more."}));
    EXPECT_EQ(Option("InchHeight2"), "60");
}

TEST_F(NewDocBox, TemplatePageChecksNoSizes)
{
    const auto values = RunModal(box, [&] {
        BlankCustom("1", "x");
        box.PageNewDoc->setCurrentIndex(0);
        box.TemplateList->Files().SetItemIndex(0);
        box.Button1->click();
    });
    ASSERT_TRUE(values);
    EXPECT_TRUE(values->templatePage);
    EXPECT_EQ(values->templateFile, program.File("Template/corner.kqt"));
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(NewDocBox, BackgroundPictureSetsTheCustomSizeFromItsName)
{
    box.FormShow();
    box.PageNewDoc->setCurrentIndex(1);
    ui.AnswerFile(FileDialogResult{"/pics/120x240 back wall.jpg"});
    box.SelectWallBGItems->button(3)->click();
    EXPECT_FALSE(box.imageGroup->isHidden());
    EXPECT_EQ(Text(box.lbBGPath), "/pics/120x240 back wall.jpg");
    EXPECT_EQ(Text(box.txtWidth), "120");
    EXPECT_EQ(Text(box.txtHeight), "240");
    EXPECT_EQ(box.RadioGroupWItems->checkedId(), 3);
    EXPECT_EQ(box.RadioGroupHItems->checkedId(), 3);
    EXPECT_EQ(box.Values().pictureFileName, "/pics/120x240 back wall.jpg");

    // "Change Image": no blank after the "x" gives an empty height; no "x" leaves both edits.
    ui.AnswerFile(FileDialogResult{"/pics/150x90.jpg"});
    box.Button4->click();
    EXPECT_EQ(Text(box.txtWidth), "150");
    EXPECT_EQ(Text(box.txtHeight), "");
    box.RadioGroupWItems->button(0)->click();
    ui.AnswerFile(FileDialogResult{"/pics/wall.jpg"});
    box.Button4->click();
    EXPECT_EQ(Text(box.txtWidth), "150");
    EXPECT_EQ(box.RadioGroupWItems->checkedId(), 0);
    EXPECT_EQ(Text(box.lbBGPath), "/pics/wall.jpg");

    // Cancelling changes nothing; another kind hides the image group.
    ui.AnswerFile(std::nullopt);
    box.Button4->click();
    EXPECT_EQ(Text(box.lbBGPath), "/pics/wall.jpg");
    box.SelectWallBGItems->button(1)->click();
    EXPECT_TRUE(box.imageGroup->isHidden());
    ui.AnswerFile(std::nullopt);
    box.SelectWallBGItems->button(3)->click();
    EXPECT_TRUE(box.imageGroup->isHidden());
    EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST_F(NewDocBox, ColourAndFoundCatalog)
{
    box.FormShow();
    ui.AnswerColor(0x00336699);
    box.Panel1->click();
    EXPECT_EQ(box.Values().panelColor, 0x00336699);
    ui.AnswerColor(std::nullopt);
    box.Panel1->click();
    EXPECT_EQ(box.Values().panelColor, 0x00336699);

    TemporaryFolder elsewhere;
    WriteWholeFile(elsewhere.File("far.vdx"), "");
    ui.AnswerFile(FileDialogResult{elsewhere.File("far.vdx")});
    box.Button3->click();
    const auto dialogs = ui.CallsOf(ScriptedUi::Kind::OpenDialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].fileOptions.title, "Find Catalog Files");
    EXPECT_EQ(dialogs[0].fileOptions.defaultExt, "ctf");
    EXPECT_EQ(dialogs[0].fileOptions.filter,
              "Kestrame Catalog Files (*.vdx,*.ddl, *.ctf)|*.vdx;*.ddl;*.ctf|Corvandel Catalog File|*.vdx|"
              "Kestrame Direct Data Link (*.ddl)|*.ddl|Kestrame Catalog (*.ctf)|*.ctf");
    EXPECT_EQ(box.Values().catalogFile, elsewhere.File("far.vdx"));
}

TEST_F(NewDocBox, HideCatalogsHidesTheCatalogGroup)
{
    box.SetHideCatalogs(true);
    box.FormShow();
    EXPECT_TRUE(box.GroupBox1->isHidden());
    EXPECT_FALSE(box.Values().catalogAsked);
    box.SetHideCatalogs(false);
    box.FormShow();
    EXPECT_FALSE(box.GroupBox1->isHidden());
    EXPECT_TRUE(box.Values().catalogAsked);
}

namespace {

// Planograms made and set up by the real commands, with the real setup dialog and catalog finder.
class OpenDocumentSetup : public NewDocBox {
protected:
    FakeMainWindow mainWindow;
    FakeSelector selector;
    FakeCatalogKinds catalogs;
    Didfilefinder finder{store};
    FakePictureFinder pictures;
    QMdiArea area;
    LongOperations busy;
    FileDialogOptions openDialog, saveDialog;
    PlanogramFiles files{PlanogramFilesSeams{area, mainWindow, [this]() -> DocumentSelector& { return selector; },
                                             finder, pictures, openDialog, saveDialog, busy, [](const std::string&) {},
                                             [] {}}};

    PlanogramDocument& Document() { return files.ActivePlanogram()->Document(); }

    // New, on the blank page: a 100 x 200 cm peg board with holes 1 cm wide from 4 cm on.
    void NewPegBoard()
    {
        store.WriteString("Options", "CurrentDataFile", program.Catalogs() + "/shop.ctf");
        store.WriteString("Options", "NewDocPage", "1");
        files.SetDocumentSetupDialog(&box);
        QTimer::singleShot(0, &box, [&] {
            box.RadioGroupHItems->button(1)->click();
            box.Button1->click();
        });
        ASSERT_TRUE(files.NewPlanogram());
        ASSERT_TRUE(Document().pegHolesShown);
    }

    // The Document Setup command with the wall kind switched on the dialog; true when applied.
    bool SwitchWallKind(int kind)
    {
        QTimer::singleShot(0, &box, [&] {
            box.SelectWallBGItems->button(kind)->click();
            box.Button1->click();
            if (box.isVisible())
                box.reject();
        });
        return files.DocumentSetup();
    }
};

} // namespace

TEST_F(OpenDocumentSetup, LeavesTheCurrentCatalogAlone)
{
    NewPegBoard();
    // The catalog file has gone since; the open display keeps its own.
    const std::string gone = program.Catalogs() + "/gone.ctf";
    store.WriteString("Options", "CurrentDataFile", gone);
    EXPECT_TRUE(SwitchWallKind(1));
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_EQ(Option("CurrentDataFile"), gone);
}

TEST_F(OpenDocumentSetup, SwitchingTheWallKindRedrawsWithTheNewKind)
{
    NewPegBoard();
    PlanogramDocument& document = Document();
    EXPECT_EQ(document.displayWidth, 400);
    EXPECT_EQ(document.displayHeight, 800);
    EXPECT_EQ(document.backBitmap.Pixel(16, 16), clBlack);

    ASSERT_TRUE(SwitchWallKind(1));
    EXPECT_FALSE(document.pegHolesShown);
    EXPECT_FALSE(document.backgroundMode);
    EXPECT_EQ(document.backBitmap.Pixel(16, 16), clWhite);

    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            picture.SetPixel(x, y, clRed);
    const std::string path = program.File("red.bmp");
    picture.SaveToFile(path);
    ui.AnswerFile(FileDialogResult{path});
    ASSERT_TRUE(SwitchWallKind(3));
    EXPECT_TRUE(document.backgroundMode);
    EXPECT_FALSE(document.pegHolesShown);
    EXPECT_EQ(document.backgroundPath, path);
    EXPECT_EQ(document.backBitmap.Pixel(16, 16), clRed);

    ASSERT_TRUE(SwitchWallKind(0));
    EXPECT_TRUE(document.pegHolesShown);
    EXPECT_FALSE(document.backgroundMode);
    EXPECT_EQ(document.backBitmap.Pixel(16, 16), clBlack);
    EXPECT_EQ(document.backBitmap.Pixel(30, 30), clWhite);
}
