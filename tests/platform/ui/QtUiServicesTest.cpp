#include "platform/ui/QtUiServices.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/ModalResult.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <vector>

TEST(QtUiServices, MessageBoxShowsTextCaptionButtonsAndIcon)
{
    QtUiServices ui;
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        buttons = static_cast<int>(box->standardButtons());
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(ui.MessageBox("Save changes to caf\xC3\xA9?", "Kestrame", MsgButtons::YesNoCancel, MsgIcon::Question),
              MsgAnswer::No);
    EXPECT_EQ(text, QString::fromUtf8("Save changes to café?"));
    EXPECT_EQ(caption, "Kestrame");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttons, static_cast<int>(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
}

TEST(QtUiServices, InputBoxCancelledGivesTheDefault)
{
    QtUiServices ui;
    WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(ui.InputBox("Spacing", "Enter space between items", "0"), "0");
    WhenModal([](QWidget* modal) {
        auto* input = qobject_cast<QInputDialog*>(modal);
        input->setTextValue("12");
        input->accept();
    });
    EXPECT_EQ(ui.InputBox("Spacing", "Enter space between items", "0"), "12");
}

namespace {

// Types a name into the dialog's file name box, as a user does. selectFile leaves that box alone
// once it has the focus, which the dialog gives it whenever its window becomes active in time.
void TypeFileName(QFileDialog* dialog, const QString& name)
{
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
}

} // namespace

TEST(QtUiServices, SaveDialogReturnsTheFileAndFilterIndex)
{
    TemporaryFolder folder;
    QtUiServices ui;
    FileDialogOptions options;
    options.title = "Save Planogram";
    options.filter = "Kestrame File (*.kqf)|*.kqf|Kestrame Template (*.kqt)|*.kqt|Any File|*.*";
    options.initialDir = folder.Path();
    options.defaultExt = "kqf";
    // A bare name takes the chosen entry's extension; an entry without one leaves the default.
    for (const auto& [entry, name] : {std::pair{2, "/plan.kqt"}, std::pair{3, "/plan.kqf"}}) {
        QStringList filters;
        WhenModal([&, entry = entry](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            filters = dialog->nameFilters();
            dialog->selectNameFilter(filters[entry - 1]);
            TypeFileName(dialog, "plan");
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const auto chosen = ui.SaveDialog(options);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(filters, (QStringList{"Kestrame File (*.kqf)", "Kestrame Template (*.kqt)", "Any File (*.*)"}));
        EXPECT_EQ(chosen->filterIndex, entry);
        EXPECT_EQ(chosen->fileName.substr(chosen->fileName.size() - 9), name);
    }

    // A type the user picks gives a typed name its extension; a type of several patterns the default.
    for (const auto& [index, expected] : std::vector<std::pair<int, std::string>>{{1, "/plan.kqt"}, {2, "/plan.kqf"}}) {
        WhenModal([&, index = index](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            dialog->selectNameFilter(dialog->nameFilters()[index]);
            emit dialog->filterSelected(dialog->nameFilters()[index]);
            TypeFileName(dialog, "plan");
            QMetaObject::invokeMethod(dialog, "accept");
        });
        options.filter = "Kestrame File (*.kqf)|*.kqf|Kestrame Template (*.kqt)|*.kqt|Both|*.kqf;*.kqt";
        const auto typed = ui.SaveDialog(options);
        ASSERT_TRUE(typed);
        EXPECT_EQ(typed->fileName.substr(typed->fileName.size() - expected.size()), expected);
    }

    WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(ui.OpenDialog(options));
}

TEST(QtUiServices, FileDialogsKeepPathsBeyondWindows1252)
{
    TemporaryFolder root;
    const std::string folder = root.Path() + "/\xD0\x94\xD0\xBE\xD0\xBC"; // "Дом"
    ASSERT_TRUE(ForceDirectories(folder));
    const std::string file = folder + "/\xD0\x9F\xD0\xBE\xD0\xBB\xD0\xBA\xD0\xB0.kqf"; // "Полка.kqf"
    WriteWholeFile(file, "KQF");
    QtUiServices ui;
    QString shownFolder;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        shownFolder = dialog->directory().absolutePath();
        TypeFileName(dialog, QString::fromUtf8(file));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    FileDialogOptions options;
    options.filter = "Kestrame File (*.kqf)|*.kqf";
    options.initialDir = folder;
    const auto chosen = ui.OpenDialog(options);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(shownFolder, QString::fromUtf8(folder));
    EXPECT_EQ(chosen->fileName, file);
}

namespace {

// A window whose close handler refuses while `refuse` is set, as a form with unsaved edits asks first.
class RefusingWindow : public QWidget {
public:
    using QWidget::QWidget;
    bool refuse = true;

protected:
    void closeEvent(QCloseEvent* event) override { event->setAccepted(!refuse); }
};

} // namespace

// The main window and a tool window are visible when a window of the main window's is shown modally:
// both are disabled while it waits, a window the modal one shows meanwhile stays usable while a
// popup of the main window's stays disabled, and both come back enabled with the result the window
// was closed with.
TEST(QtUiServices, ShowModalDisablesOnlyTheWindowsVisibleAtTheStart)
{
    QtUiServices ui;
    QWidget mainWindow;
    QWidget tool(&mainWindow, Qt::Tool);
    RefusingWindow modal(&mainWindow, Qt::Window);
    QWidget shownLater(&mainWindow, Qt::Window);
    QMenu mainsPopup(&mainWindow);
    QMenu modalsPopup(&modal);
    mainsPopup.addAction("Delete");
    modalsPopup.addAction("Copy");
    mainWindow.show();
    tool.show();
    bool mainDisabled = false, toolDisabled = false, modalUsable = false, laterUsable = false, keptOpen = false;
    bool mainsPopupDisabled = false, modalsPopupUsable = false;
    QTimer::singleShot(0, [&] {
        mainDisabled = !mainWindow.isEnabled();
        toolDisabled = !tool.isEnabled();
        modalUsable = modal.isEnabled();
        shownLater.show();
        laterUsable = shownLater.isEnabled();
        mainsPopup.popup(QPoint(0, 0));
        mainsPopupDisabled = !mainsPopup.isEnabled();
        mainsPopup.hide();
        modalsPopup.popup(QPoint(0, 0));
        modalsPopupUsable = modalsPopup.isEnabled();
        modalsPopup.hide();
        SetModalResult(modal, mrOk);
        keptOpen = modal.isVisible() && ModalResultOf(modal) == mrCancel;
        modal.refuse = false;
        SetModalResult(modal, 6);
    });
    EXPECT_EQ(ui.ShowModal(modal), 6);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(toolDisabled);
    EXPECT_TRUE(modalUsable);
    EXPECT_TRUE(laterUsable);
    EXPECT_TRUE(mainsPopupDisabled);
    EXPECT_TRUE(modalsPopupUsable);
    EXPECT_TRUE(keptOpen);
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_TRUE(tool.isEnabled());
    EXPECT_FALSE(modal.isVisible());
}

// A window shown modally is owned by the window it was opened from, so that the window manager keeps
// it above that window; a window is never made an owner of its own owner.
TEST(QtUiServices, ShowModalKeepsTheWindowAboveTheOneItWasOpenedFrom)
{
    QtUiServices ui;
    QWidget mainWindow;
    QDialog dialog;
    mainWindow.show();
    mainWindow.activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &mainWindow);
    const QWindow* owner = nullptr;
    QTimer::singleShot(0, [&] {
        owner = dialog.windowHandle()->transientParent();
        dialog.accept();
    });
    EXPECT_EQ(ui.ShowModal(dialog), mrOk);
    EXPECT_EQ(owner, mainWindow.windowHandle());

    QWidget ownersOwner;
    KeepAboveOwner(mainWindow, dialog);
    EXPECT_EQ(mainWindow.windowHandle()->transientParent(), nullptr);
    KeepAboveOwner(mainWindow, ownersOwner);
    EXPECT_EQ(mainWindow.windowHandle()->transientParent(), ownersOwner.windowHandle());
}

// A dialog answers by accept and reject; a window already shown is waited for alike, and closing it
// without a result answers Cancel.
TEST(QtUiServices, ShowModalAnswersTheWayTheWindowClosed)
{
    QtUiServices ui;
    QDialog dialog;
    QTimer::singleShot(0, [&] { dialog.accept(); });
    EXPECT_EQ(ui.ShowModal(dialog), mrOk);
    QTimer::singleShot(0, [&] { dialog.reject(); });
    EXPECT_EQ(ui.ShowModal(dialog), mrCancel);
    QWidget window;
    window.show();
    bool waited = false;
    QTimer::singleShot(0, [&] {
        waited = window.isVisible();
        window.close();
    });
    EXPECT_EQ(ui.ShowModal(window), mrCancel);
    EXPECT_TRUE(waited);
}

// Without a print system the program's printer writes PDF files, for which Qt's page setup dialog
// warns; it works all the same, and says nothing. Other warnings pass as before.
TEST(QtUiServices, PrintSetupWarnsNothingOfAPrinterOfNoPrintSystem)
{
    static std::vector<std::string> warnings;
    const QtMessageHandler before =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtWarningMsg && !message.startsWith("This plugin")) // the offscreen platform's own
                warnings.push_back(message.toStdString());
        });
    QString shown;
    WhenModal([&](QWidget* modal) {
        shown = modal->metaObject()->className();
        qWarning("another warning");
        qobject_cast<QDialog*>(modal)->accept();
    });
    EXPECT_TRUE(QtUiServices().PrinterSetupDialog());
    qInstallMessageHandler(before);
    EXPECT_EQ(shown, "QPageSetupDialog");
    EXPECT_EQ(warnings, std::vector<std::string>{"another warning"});
}
