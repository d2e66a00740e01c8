#include "app/SmallDialogs.h"

#include "platform/core/FilePaths.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCursor>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

struct Shown {
    QString what;
    QString expected;
};

void ExpectAll(const std::vector<Shown>& table)
{
    for (const Shown& row : table)
        EXPECT_EQ(row.what, row.expected);
}

} // namespace

TEST(SmallDialogs, CaptionsItemsAndDefaults)
{
    TPDetails details;
    TpdfOP pdf;
    TfrmMissingItems missing;
    TfrmLoadListOps list;
    const auto checked = [](const QAbstractButton* box) { return box->isChecked() ? "checked" : "unchecked"; };
    ExpectAll({
        {details.windowTitle(), "Product Details"},
        {details.Button1->text(), "&Ok"},
        {details.Button2->text(), "&Cancel"},
        {pdf.windowTitle(), "PDF Options"},
        {pdf.PageControl1->tabText(0), "PDF Content"},
        {pdf.PageControl1->tabText(1), "PDF Options"},
        {pdf.cbListing->text(), "Product Listing"},
        {pdf.cbInvest->text(), "Investment and Profit"},
        {pdf.cbSpace->text(), "Space Usage"},
        {pdf.cbFixture->text(), "Fixture Listing"},
        {pdf.cbMoved->text(), "Sales Ranked by Units Moved"},
        {pdf.cbTurnover->text(), "Sales Ranked by Turnover"},
        {pdf.cbProfit->text(), "Sales Ranked by Profit"},
        {pdf.rgPlanogramType->title(), "Planogram"},
        {pdf.rbScreenOptimized->text() + " " + checked(pdf.rbScreenOptimized), "Screen Optimized checked"},
        {pdf.rbPrintOptimized->text(), "Print Optimized"},
        {Items(pdf.cbCompressImage).join(","), "None,Maximum,High,Medium,Low"},
        {pdf.cbCompressImage->currentText(), "None"},
        {pdf.cbPrint->text() + " " + checked(pdf.cbPrint), "Allow Printing checked"},
        {pdf.cbEdit->text() + " " + checked(pdf.cbEdit), "Allow Editing checked"},
        {pdf.cbCopy->text() + " " + checked(pdf.cbCopy), "Allow Copying checked"},
        {pdf.cbTumbnail->text() + " " + checked(pdf.cbTumbnail), "Create Thumbails unchecked"},
        {pdf.cbLaunch->text() + " " + checked(pdf.cbLaunch), "View in Acrobat Reader unchecked"},
        {pdf.edPassword->text() + pdf.edPasswordEdit->text(), ""},
        {missing.windowTitle(), "Missing Products"},
        {missing.Label1->text(),
         "The following items could not be added to your planogram  because they could  not be found in your "
         "product catalog or the width or height of the items were not defined."},
        {missing.Button1->text(), "&Ok"},
        {missing.Button2->text(), "&Save"},
        {list.windowTitle(), "Load Product List"},
        {list.Label1->text(), "Add"},
        {list.edAmount->text(), "5"},
        {Items(list.cbAmount).join(","), "products,rows of products"},
        {list.cbAmount->currentText(), "products"},
        {list.Label2->text(), "per line in list."},
        {list.Label3->text(), "Product List:"},
        {list.List1->toPlainText(), ""},
        {list.Button3->text(), "&Paste Text to List"},
        {list.Button4->text(), "&Load Text File"},
        {list.cbReplace->text() + " " + checked(list.cbReplace), "Replace existing products in planogram checked"},
        {list.Button1->text(), "&Ok"},
        {list.Button2->text(), "&Cancel"},
    });
    EXPECT_EQ(pdf.PlanogramType(), 0);
    EXPECT_EQ(pdf.edPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(pdf.edPasswordEdit->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(pdf.cbTumbnail->isHidden());
    EXPECT_TRUE(pdf.cbLaunch->isHidden());
    EXPECT_TRUE(list.cbReplace->isHidden());
    for (QCheckBox* report :
         {pdf.cbListing, pdf.cbInvest, pdf.cbSpace, pdf.cbFixture, pdf.cbMoved, pdf.cbTurnover, pdf.cbProfit})
        EXPECT_FALSE(report->isChecked()) << report->text().toStdString();
    // The password fields show a star for each character.
    pdf.edPassword->setText("ab");
    pdf.show();
    pdf.PageControl1->setCurrentIndex(1);
    EXPECT_EQ(pdf.edPassword->displayText(), "**");

    details.Button1->click();
    EXPECT_EQ(details.result(), QDialog::Accepted);
    list.Button2->click();
    EXPECT_EQ(list.result(), QDialog::Rejected);
}

class MissingItemsSave : public testing::Test {
protected:
    ScriptedUi ui;
    TemporaryFolder folder;
    TfrmMissingItems missing;
    std::string path = folder.File("missing.txt");

    MissingItemsSave() { missing.Memo1->setPlainText("A\nB"); }
};

TEST_F(MissingItemsSave, SaveWritesTheMemosLinesWithCrLf)
{
    ui.AnswerFile(FileDialogResult{path, 1});
    missing.Button2->click();
    EXPECT_EQ(ReadWholeFile(path), "A\r\nB\r\n");
    const ScriptedUi::Call dialog = ui.CallsOf(ScriptedUi::Kind::SaveDialog).at(0);
    EXPECT_EQ(dialog.fileOptions.defaultExt, "txt");
    EXPECT_EQ(dialog.fileOptions.filter, "Text File|*.txt");
}

TEST_F(MissingItemsSave, CancelWritesNothingAndAFailedWriteKeepsTheOldFile)
{
    ui.AnswerFile(std::nullopt);
    missing.Button2->click();
    EXPECT_FALSE(FileExists(path));

    WriteWholeFile(path, "old\r\n");
    missing.Memo1->setPlainText(QString(20000, 'x'));
    ui.AnswerFile(FileDialogResult{path, 1});
    ui.AnswerMessage(MsgAnswer::OK);
    {
        FileSizeLimit limit(4096);
        missing.Button2->click();
    }
    EXPECT_EQ(ReadWholeFile(path), "old\r\n");
    const ScriptedUi::Call box = ui.CallsOf(ScriptedUi::Kind::MessageBox).at(0);
    EXPECT_EQ(box.text.rfind("Could not save the file " + path + ".\n", 0), 0u) << box.text;
    EXPECT_GT(box.text.size(), ("Could not save the file " + path + ".\n").size());
    EXPECT_EQ(box.caption, "Open Error");
}

TEST(LoadListOps, PasteGoesToTheCaretAndLoadingReplacesTheList)
{
    ScriptedUi ui;
    TemporaryFolder folder;
    TfrmLoadListOps list;
    list.List1->setPlainText("A\nC");
    QTextCursor caret = list.List1->textCursor();
    caret.setPosition(2);
    list.List1->setTextCursor(caret);
    QGuiApplication::clipboard()->setText("B\n");
    list.Button3->click();
    EXPECT_EQ(list.List1->toPlainText(), "A\nB\nC");

    for (const char* text : {"X1\r\nX2\r\n", "X1\nX2\n"}) {
        WriteWholeFile(folder.File("list.txt"), text);
        ui.AnswerFile(FileDialogResult{folder.File("list.txt"), 1});
        list.Button4->click();
        EXPECT_EQ(list.List1->toPlainText(), "X1\nX2");
    }
    const ScriptedUi::Call dialog = ui.CallsOf(ScriptedUi::Kind::OpenDialog).at(0);
    EXPECT_EQ(dialog.fileOptions.defaultExt, "txt");
    EXPECT_EQ(dialog.fileOptions.filter, "Text File|*.txt|Any File|*.*");
}
