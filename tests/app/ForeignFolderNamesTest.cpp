// A planogram in a folder named in Cyrillic, on a catalog and pictures named in Cyrillic and French:
// made, saved, and reopened by every road a path comes in by, with the saved file's bytes checked.
#include "app/CommandLine.h"
#include "app/HelpWindow.h"
#include "app/MainFormFixture.h"
#include "app/NewDoc.h"
#include "app/OpenFileServer.h"

#include "planogram/SelectorCode.h"
#include "platform/core/FilePaths.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/FileListBoxView.h"
#include "platform/ui/QtUiServices.h"
#include "platform/ui/StringGrid.h"
#include "reports/DisplayRender.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

#include <chrono>
#include <thread>

namespace {

// "Дом", "Товары", "Сок", "Полка", "Угол" in UTF-8; "Café" in UTF-8 and in Windows-1252.
const std::string Dom = "\xD0\x94\xD0\xBE\xD0\xBC";
const std::string Goods = "\xD0\xA2\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x80\xD1\x8B";
const std::string Juice = "\xD0\xA1\xD0\xBE\xD0\xBA";
const std::string Shelf = "\xD0\x9F\xD0\xBE\xD0\xBB\xD0\xBA\xD0\xB0";
const std::string Corner = "\xD0\xA3\xD0\xB3\xD0\xBE\xD0\xBB";
const std::string CafeUtf8 = "Caf\xC3\xA9";
const std::string CafeWin1252 = "Caf\xE9";

class ForeignFolderNames : public MainFormFixture {
protected:
    ForeignFolderNames() : home(root.Path() + "/" + Dom + "/")
    {
        ForceDirectories(home);
        std::string catalog = ReadWholeFile(ExampleFilesFolder + "Catalogs/Sample.ctf");
        catalog = Replaced(catalog, "\tSK-101.jpg\t", "\t" + Juice + ".bmp\t");
        catalog = Replaced(catalog, "\tBR-501.jpg\t", "\t" + CafeWin1252 + ".bmp\t");
        WriteWholeFile(home + Goods + ".ctf", catalog);
        FramedPicture(home + Juice + ".bmp", clRed);
        FramedPicture(home + CafeUtf8 + ".bmp", clBlue);
        ShowSelector();
    }

    // White round the edge, which the drawing takes as transparent, and the colour inside.
    static void FramedPicture(const std::string& path, TColor color)
    {
        TBitmap picture;
        picture.SetPixelFormat(pf24bit);
        picture.SetSize(10, 10);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                picture.SetPixel(x, y, x < 2 || y < 2 || x > 7 || y > 7 ? clWhite : color);
        picture.SaveToFile(path);
    }

    void ShowSelector()
    {
        selector = std::make_unique<TSelector>(*form, form.get());
        form->SetSelector(*selector);
    }

    void Restart(const std::vector<std::string>& commandLine)
    {
        selector.reset();
        form.reset();
        SetProgramCommandLine(commandLine);
        form = std::make_unique<TMainForm>();
        form->SetDocumentSetupDialog(&setup);
        ShowSelector();
        form->show();
        SetProgramCommandLine({});
    }

    void CloseAll()
    {
        form->ClientArea->closeAllSubWindows();
        for (QMdiSubWindow* frame : form->ClientArea->subWindowList())
            delete frame;
        ASSERT_EQ(Windows(), 0);
    }

    std::string Caption() const { return form->ClientArea->subWindowList().front()->windowTitle().toStdString(); }

    // Each product shows its own picture: red juice, blue café.
    void ExpectDrawnFromPictures()
    {
        ASSERT_EQ(Active().items->Count(), 2);
        for (ListOB* item = Active().items->head; item; item = item->next) {
            const TColor expected = item->index == "SK-101" ? clRed : clBlue;
            EXPECT_EQ(Active().backBitmap.Pixel((item->left + item->right) / 2, (item->top + item->bottom) / 2),
                      expected)
                << item->index;
        }
    }

    TemporaryFolder root;
    const std::string home;
    std::unique_ptr<TSelector> selector;
};

TEST_F(ForeignFolderNames, APlanogramSavedThereReopensByEveryRoadWithItsPictures)
{
    DocumentSetupValues values;
    values.SelectWallBG = 1;
    values.catalogFile = home + Goods + ".ctf";
    setup.answer = values;
    ASSERT_TRUE(form->NewPlanogram());
    for (const char* product : {"SK-101", "BR-501"}) {
        ASSERT_TRUE(form->FindCatalogProduct(product));
        ASSERT_TRUE(form->AddCurrentProduct(product[0] == 'S' ? 40 : 200, 40));
    }
    ExpectDrawnFromPictures();
    const std::string saved = home + Shelf + ".kqf";
    ui.AnswerFile(FileDialogResult{saved, 1});
    ASSERT_TRUE(form->SavePlanogram(true));
    EXPECT_EQ(Caption(), Shelf + ".kqf");

    // The catalog is named in UTF-8, which alone can hold it; the café keeps the original's bytes.
    const std::string bytes = ReadWholeFile(saved);
    EXPECT_NE(bytes.find("\r\nHeader.CatalogName=" + Goods + ".ctf\r\n"), std::string::npos);
    EXPECT_NE(bytes.find(".picture=" + Juice + ".bmp\r\n"), std::string::npos);
    EXPECT_NE(bytes.find(".picture=" + CafeWin1252 + ".bmp\r\n"), std::string::npos);

    CloseAll();
    Restart({saved});
    ASSERT_EQ(Windows(), 1);
    EXPECT_EQ(Active().fileName, saved);
    EXPECT_EQ(Caption(), Shelf + ".kqf");
    emit form->View1->aboutToShow();
    EXPECT_EQ(form->View1->actions().back()->text().toStdString(), "1 " + Shelf + ".kqf");
    ExpectDrawnFromPictures();

    CloseAll();
    form->OpenRecent1Click();
    EXPECT_EQ(form->Docs[0]->text().toStdString(), Shelf + ".kqf");
    EXPECT_TRUE(form->Docs[0]->isVisible());
    form->DocClick(0);
    ASSERT_EQ(Windows(), 1);
    EXPECT_EQ(Caption(), Shelf + ".kqf");
    ExpectDrawnFromPictures();

    CloseAll();
    ASSERT_TRUE(form->StartOpenFileServer());
    bool handedOver = false;
    std::thread secondStart([&] { handedOver = HandOverToRunningProgram(saved, 5000); });
    for (int i = 0; i < 500 && Windows() == 0; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    secondStart.join();
    EXPECT_TRUE(handedOver);
    ASSERT_EQ(Windows(), 1);
    EXPECT_EQ(Active().fileName, saved);
    ExpectDrawnFromPictures();
    EXPECT_TRUE(ui.MessageTexts().empty());
}

TEST_F(ForeignFolderNames, BackgroundPicturesAndDropsKeepTheirNames)
{
    // An accented background outside the folder is stored in Windows-1252, one inside it in UTF-8.
    const std::string accented = root.Path() + "/" + CafeUtf8 + ".bmp";
    FramedPicture(accented, clGreen);
    for (const std::string& background : {accented, home + Juice + ".bmp"}) {
        DocumentSetupValues values;
        values.SelectWallBG = 3;
        values.pictureFileName = background;
        values.catalogFile = home + Goods + ".ctf";
        setup.answer = values;
        ASSERT_TRUE(form->NewPlanogram());
        const std::string saved = home + Shelf + ".kqf";
        ui.AnswerFile(FileDialogResult{saved, 1});
        ASSERT_TRUE(form->SavePlanogram(true));
        const std::string stored = background == accented ? root.Path() + "/" + CafeWin1252 + ".bmp" : background;
        EXPECT_NE(ReadWholeFile(saved).find("\r\nHeader.bgBMPpath=" + stored + "\r\n"), std::string::npos);
        CloseAll();

        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(QString::fromUtf8(saved))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        ASSERT_EQ(Windows(), 1);
        EXPECT_EQ(Active().fileName, saved);
        EXPECT_EQ(Active().backgroundPath, stored);
        const TColor shown = background == accented ? clGreen : clRed;
        EXPECT_EQ(Active().backBitmap.Pixel(Active().backBitmap.Width() / 2, Active().backBitmap.Height() / 2), shown);
        // The exported wall finds it by the same readings.
        TBitmap exported;
        exported.SetSize(Active().backBitmap.Width() * 2, Active().backBitmap.Height() * 2);
        ASSERT_TRUE(RenderDisplayBitmap(*form, &Active(), &exported));
        EXPECT_EQ(exported.Pixel(exported.Width() / 2, exported.Height() / 2), shown);
        CloseAll();
    }
    EXPECT_TRUE(ui.MessageTexts().empty());
}

TEST_F(ForeignFolderNames, LinkPictureStoresTheChosenNameInTheCatalogsOwnForm)
{
    DocumentSetupValues values;
    values.SelectWallBG = 1;
    values.catalogFile = home + Goods + ".ctf";
    setup.answer = values;
    ASSERT_TRUE(form->NewPlanogram());
    TStringGrid& products = selector->GridP();
    const std::string accented = root.Path() + "/" + CafeUtf8 + ".bmp";
    for (const auto& [row, chosen] : {std::pair{2, accented}, std::pair{3, home + Juice + ".bmp"}}) {
        ASSERT_TRUE(products.SetRow(row));
        ui.AnswerFile(FileDialogResult{chosen, 1});
        selector->comUpdateClick();
    }
    const std::string catalog = ReadWholeFile(home + Goods + ".ctf");
    EXPECT_NE(catalog.find("\tHoney Flakes 375 g\t" + root.Path() + "/" + CafeWin1252 + ".bmp\t"), std::string::npos);
    EXPECT_NE(catalog.find("\tChoco Puffs 450 g\t" + home + Juice + ".bmp\t"), std::string::npos);
    EXPECT_TRUE(ui.MessageTexts().empty());
}

TEST_F(ForeignFolderNames, MessagesQuotePathsAsTheSystemNamesThem)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    const std::string target = home + Shelf + "-" + CafeUtf8 + ".kqf";
    ui.AnswerFile(FileDialogResult{target, 1});
    ui.AnswerMessage(MsgAnswer::OK);
    {
        FileSizeLimit limit(200);
        EXPECT_FALSE(form->SavePlanogram(true));
    }
    ASSERT_EQ(ui.MessageTexts().size(), 1u);
    EXPECT_EQ(ui.MessageTexts()[0].rfind("Could not save the file " + target + ".\n", 0), 0u) << ui.MessageTexts()[0];

    // Through the real message box.
    QtUiServices boxes;
    UiServices* scripted = SetUi(&boxes);
    const std::string help = home + Corner + ".chm";
    QString shown;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        shown = box->text();
        box->done(QMessageBox::Ok);
    });
    EXPECT_EQ(ShowHelpContext(help, 1), nullptr);
    SetUi(scripted);
    EXPECT_EQ(shown, QString::fromUtf8("Could not open the help file " + help));
}

TEST_F(ForeignFolderNames, AWindowsPathStoredInWindows1252StillFindsItsPicture)
{
    std::string planogram = ReadWholeFile(ExampleFilesFolder + "Examples/Sample Wall.kqf");
    // The original wrote the catalog's accented name in Windows-1252 beside the planogram.
    WriteWholeFile(home + CafeUtf8 + ".ctf", ReadWholeFile(home + Goods + ".ctf"));
    planogram = Replaced(planogram, "Header.CatalogName=Sample.ctf", "Header.CatalogName=" + CafeWin1252 + ".ctf");
    planogram = Replaced(planogram, "S5.picture=SK-101.jpg", "S5.picture=C:\\Pics\\caf\xE9.bmp");
    const std::string path = home + "Old.kqf";
    WriteWholeFile(path, planogram);
    ui.AnswerMessage(MsgAnswer::No); // keep the planogram's own pictures
    ASSERT_TRUE(form->OpenPlanogram(path));
    EXPECT_EQ(Active().catalog->fileName, home + CafeUtf8 + ".ctf");
    const ListOB& item = Item(5);
    EXPECT_EQ(item.picture, "C:\\Pics\\caf\xE9.bmp");
    EXPECT_EQ(Active().backBitmap.Pixel((item.left + item.right) / 2, (item.top + item.bottom) / 2), clBlue);

    // Saved again, both keep the bytes the original wrote.
    ui.AnswerFile(FileDialogResult{home + "Again.kqf", 1});
    ASSERT_TRUE(form->SavePlanogram(true));
    const std::string bytes = ReadWholeFile(home + "Again.kqf");
    EXPECT_NE(bytes.find("\r\nHeader.CatalogName=" + CafeWin1252 + ".ctf\r\n"), std::string::npos);
    EXPECT_NE(bytes.find(".picture=C:\\Pics\\caf\xE9.bmp\r\n"), std::string::npos);
}

TEST_F(ForeignFolderNames, DocumentSetupListsTemplatesAndCatalogsInSuchFolders)
{
    const std::string program = home + Corner + "/";
    for (const char* folder : {"Catalogs", "Template"})
        ForceDirectories(program + folder);
    WriteWholeFile(program + "Catalogs/" + Goods + ".ctf", "");
    WriteWholeFile(program + "Template/" + Corner + ".kqt", "");
    setenv("KESTRAME_PROGRAM_DIR", program.c_str(), 1);
    TNewDocBox box([] { return false; }, SettingsStore());
    box.FormShow();
    ASSERT_EQ(box.TemplateList->count(), 1);
    EXPECT_EQ(box.TemplateList->item(0)->text().toStdString(), Corner + ".kqt");
    ASSERT_EQ(box.CatList->count(), 1);
    EXPECT_EQ(box.CatList->item(0)->text().toStdString(), Goods + ".ctf");
    box.CatList->setCurrentRow(0);
    EXPECT_EQ(box.CatList->Files().FileName(), program + "Catalogs/" + Goods + ".ctf");
}

} // namespace
