#include "catalog/ZYBBrowserCode.h"
#include "platform/graphics/Bitmap.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class Browser : public testing::Test {
protected:
    void SetUp() override
    {
        path = folder.File("pics.zyb");
        ZybFile zyb;
        for (const char* name : {"cola.bmp", "Caf\xE9.jpg"}) {
            TBitmap picture;
            picture.SetPixelFormat(pf24bit);
            picture.SetSize(name[0] == 'c' ? 30 : 12, 20);
            picture.SetPixel(0, 0, 0x0000FF);
            ASSERT_TRUE(zyb.Append(path, name, picture, 1));
        }
    }

    std::vector<std::string> Listed(const TZYBBrowser& browser)
    {
        std::vector<std::string> names;
        for (int i = 0; i < browser.ImagesList->count(); ++i)
            names.push_back(browser.ImagesList->item(i)->text().toStdString());
        return names;
    }

    TemporaryFolder folder;
    ScriptedUi ui;
    std::string path;
};

} // namespace

TEST_F(Browser, ListsTheCollectionAndShowsTheClickedPicture)
{
    TZYBBrowser browser;
    EXPECT_EQ(browser.windowTitle().toStdString(), "Corvandel Multiple Image Browser");
    EXPECT_EQ(browser.Label1->text().toStdString(), "Available Images:");
    EXPECT_EQ(browser.Button1->text().toStdString(), "&Ok");
    browser.SetCollectionPath(path);
    browser.show();
    EXPECT_EQ(Listed(browser), (std::vector<std::string>{"cola.bmp", "Caf\xC3\xA9.jpg"}));
    EXPECT_TRUE(ui.Calls().empty());

    browser.ImagesList->setCurrentRow(1);
    browser.ImagesListClick();
    EXPECT_EQ(browser.Image1->pixmap().size(), QSize(12, 20));
    EXPECT_EQ(browser.Image1->size(), QSize(12, 20));
    browser.ImagesList->setCurrentRow(0);
    browser.ImagesListClick();
    EXPECT_EQ(browser.Image1->pixmap().toImage().pixel(0, 0), qRgb(0xFF, 0, 0));
    EXPECT_TRUE(ui.Calls().empty());

    browser.Button1->click();
    EXPECT_EQ(browser.result(), QDialog::Accepted);
    EXPECT_FALSE(browser.isVisible());
    EXPECT_TRUE(browser.CollectionPath().empty());
    EXPECT_TRUE(browser.Image1->pixmap().isNull());
}

TEST_F(Browser, AsksForACollectionWhenNoneIsSet)
{
    ui.AnswerFile(FileDialogResult{path, 1});
    TZYBBrowser browser;
    browser.show();
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].kind, ScriptedUi::Kind::OpenDialog);
    EXPECT_EQ(ui.Calls()[0].fileOptions.filter, "Corvandel Multi Image (*.zyb)|*.zyb");
    EXPECT_EQ(ui.Calls()[0].fileOptions.defaultExt, "zyb");
    EXPECT_EQ(browser.CollectionPath(), path);
    EXPECT_EQ(Listed(browser).size(), 2u);
    browser.reject();
}

TEST_F(Browser, ClosesWhenTheUserCancels)
{
    ui.AnswerFile(std::nullopt);
    TZYBBrowser browser;
    browser.show();
    QApplication::processEvents();
    EXPECT_FALSE(browser.isVisible());
    EXPECT_EQ(browser.result(), QDialog::Rejected);
    EXPECT_EQ(browser.ImagesList->count(), 0);
}
