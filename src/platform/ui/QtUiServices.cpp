#include "platform/ui/QtUiServices.h"

#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/FileFilter.h"
#include "platform/ui/ModalResult.h"

#include <QApplication>
#include <QColorDialog>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QWindow>

#include <memory>
#include <vector>

namespace {

// What the services show is message text, UTF-8.
QString MessageQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The windows one modal showing disables: those visible when it starts, enabled again when it ends.
// Disabling a window disables its child windows too; the modal window and every window shown while
// it waits are kept usable, so that a window the modal one shows (the Catalog Manager from a wizard)
// can be worked in. A popup (a menu, a list) belongs to the widget it opened from and stays as
// usable as that widget, so that a blocked window offers no commands.
class ModalBlock : public QObject {
public:
    explicit ModalBlock(QWidget& modal)
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window != &modal && window->isVisible() && window->isEnabled()) {
                window->setEnabled(false);
                disabled_.emplace_back(window);
            }
        KeepUsable(modal);
        qApp->installEventFilter(this);
    }
    ~ModalBlock() override
    {
        qApp->removeEventFilter(this);
        for (const QPointer<QWidget>& window : disabled_)
            if (window)
                window->setEnabled(true);
    }
    ModalBlock(const ModalBlock&) = delete;
    ModalBlock& operator=(const ModalBlock&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget->isWindow() && widget->windowType() != Qt::Popup &&
            !IsBlocked(*widget))
            KeepUsable(*widget);
        // The window manager still offers to close a disabled window: a blocked one stays, as a window
        // that Qt's own modal dialog blocks does. The program's own closes go through.
        if (event->type() == QEvent::Close && event->spontaneous() && !widget->isEnabled()) {
            event->ignore();
            return true;
        }
        return false;
    }

private:
    // Enables a window disabled only through its parent; one disabled on purpose stays so.
    static void KeepUsable(QWidget& window)
    {
        if (!window.isEnabled() && !window.testAttribute(Qt::WA_ForceDisabled))
            window.setEnabled(true);
    }
    bool IsBlocked(const QWidget& window) const
    {
        for (const QPointer<QWidget>& blocked : disabled_)
            if (blocked == &window)
                return true;
        return false;
    }

    std::vector<QPointer<QWidget>> disabled_;
};

// Ends the modal loop when the window is hidden by the program (closed, accepted, rejected); a
// window the user minimises is hidden spontaneously and keeps the loop going.
class HideWatch : public QObject {
public:
    explicit HideWatch(QEventLoop& loop) : loop_(loop) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && !event->spontaneous())
            loop_.quit();
        return false;
    }

private:
    QEventLoop& loop_;
};

QMessageBox::StandardButtons StandardButtons(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OK:
        return QMessageBox::Ok;
    case MsgButtons::OKCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon BoxIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

MsgAnswer Answer(int button, MsgButtons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return MsgAnswer::OK;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    case QMessageBox::Abort:
        return MsgAnswer::Abort;
    case QMessageBox::Ignore:
        return MsgAnswer::Ignore;
    }
    // Closed by the window's close button: what the box's cancelling button would have given.
    return buttons == MsgButtons::OK ? MsgAnswer::OK : MsgAnswer::Cancel;
}

QColor ToQColor(DialogColor color)
{
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

DialogColor FromQColor(const QColor& color)
{
    return static_cast<DialogColor>(color.red()) | (static_cast<DialogColor>(color.green()) << 8) |
           (static_cast<DialogColor>(color.blue()) << 16);
}

QFont ToQFont(const FontChoice& choice)
{
    QFont font(toQString(choice.name));
    if (choice.size > 0)
        font.setPointSize(choice.size);
    font.setBold((choice.style & FontBold) != 0);
    font.setItalic((choice.style & FontItalic) != 0);
    font.setUnderline((choice.style & FontUnderline) != 0);
    font.setStrikeOut((choice.style & FontStrikeOut) != 0);
    return font;
}

FontChoice FromQFont(const QFont& font, DialogColor color)
{
    FontChoice choice;
    choice.name = fromQString(font.family());
    choice.size = font.pointSize();
    choice.style = (font.bold() ? FontBold : 0) | (font.italic() ? FontItalic : 0) |
                   (font.underline() ? FontUnderline : 0) | (font.strikeOut() ? FontStrikeOut : 0);
    choice.color = color;
    return choice;
}

// The system's file dialog gave a name typed without an extension that of the chosen entry (the
// default extension only when the entry names none), and asked before replacing a file under that
// name; the entry is read when the user confirms, so that a change of entry counts.
class EntryExtensionDialog : public QFileDialog {
public:
    EntryExtensionDialog(QWidget* parent, const QString& caption, std::vector<std::string> extensions,
                         QString defaultExtension)
        : QFileDialog(parent, caption), extensions_(std::move(extensions)),
          defaultExtension_(std::move(defaultExtension))
    {
    }

    void accept() override
    {
        const qsizetype entry = nameFilters().indexOf(selectedNameFilter());
        const bool named = entry >= 0 && entry < static_cast<qsizetype>(extensions_.size()) &&
                           !extensions_[static_cast<std::size_t>(entry)].empty();
        setDefaultSuffix(named ? MessageQString(extensions_[static_cast<std::size_t>(entry)]) : defaultExtension_);
        QFileDialog::accept();
    }

private:
    std::vector<std::string> extensions_;
    QString defaultExtension_;
};

} // namespace

QWidget* DialogParent() { return QApplication::activeWindow(); }

void KeepAboveOwner(QWidget& window, QWidget& owner)
{
    QWidget* ownedWindow = window.window();
    QWidget* ownerWindow = owner.window();
    if (ownerWindow == ownedWindow)
        return;
    ownedWindow->winId();
    ownerWindow->winId();
    QWindow* above = ownedWindow->windowHandle();
    QWindow* below = ownerWindow->windowHandle();
    for (const QWindow* link = below; link != nullptr; link = link->transientParent())
        if (link == above)
            return;
    above->setTransientParent(below);
}

QtUiServices::QtUiServices() = default;

QtUiServices::~QtUiServices() = default;

QPrinter& ProgramPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

QPrinter& QtUiServices::Printer() { return ProgramPrinter(); }

MsgAnswer QtUiServices::MessageBox(std::string_view text, std::string_view caption, MsgButtons buttons, MsgIcon icon)
{
    // A message may quote a product's text, which may be long.
    QMessageBox box(BoxIcon(icon), MessageQString(caption), Utf8ToShownQString(text), StandardButtons(buttons),
                    DialogParent());
    return Answer(box.exec(), buttons);
}

std::optional<std::string> QtUiServices::InputQuery(std::string_view caption, std::string_view prompt,
                                                    std::string_view defaultValue)
{
    bool accepted = false;
    const QString answer = QInputDialog::getText(DialogParent(), MessageQString(caption), MessageQString(prompt),
                                                 QLineEdit::Normal, MessageQString(defaultValue), &accepted);
    if (!accepted)
        return std::nullopt;
    return answer.toStdString();
}

std::optional<FileDialogResult> QtUiServices::FileDialog(const FileDialogOptions& options, bool save)
{
    QStringList names;
    std::vector<std::string> extensions;
    for (const FileFilter& entry : ParseFileFilter(options.filter)) {
        names.append(MessageQString(QtNameFilter(entry)));
        extensions.push_back(EntryExtension(entry));
    }
    EntryExtensionDialog dialog(DialogParent(), MessageQString(options.title), std::move(extensions),
                                MessageQString(options.defaultExt));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    if (!names.isEmpty()) {
        dialog.setNameFilters(names);
        const int index = options.filterIndex >= 1 && options.filterIndex <= names.size() ? options.filterIndex - 1 : 0;
        dialog.selectNameFilter(names[index]);
    }
    if (!options.initialDir.empty())
        dialog.setDirectory(PathToQString(NativePath(options.initialDir)));
    if (!options.fileName.empty())
        dialog.selectFile(PathToQString(NativePath(options.fileName)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    FileDialogResult result;
    result.fileName = PathFromQString(dialog.selectedFiles().first());
    result.filterIndex = static_cast<int>(names.indexOf(dialog.selectedNameFilter())) + 1;
    if (result.filterIndex < 1)
        result.filterIndex = options.filterIndex;
    return result;
}

std::optional<FileDialogResult> QtUiServices::OpenDialog(const FileDialogOptions& options)
{
    return FileDialog(options, false);
}

std::optional<FileDialogResult> QtUiServices::SaveDialog(const FileDialogOptions& options)
{
    return FileDialog(options, true);
}

std::optional<DialogColor> QtUiServices::ColorDialog(DialogColor initial)
{
    const QColor chosen = QColorDialog::getColor(ToQColor(initial), DialogParent());
    if (!chosen.isValid())
        return std::nullopt;
    return FromQColor(chosen);
}

std::optional<FontChoice> QtUiServices::FontDialog(const FontChoice& initial)
{
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, ToQFont(initial), DialogParent());
    if (!accepted)
        return std::nullopt;
    return FromQFont(chosen, initial.color);
}

bool QtUiServices::PrintDialog(PrintChoice& choice)
{
    QPrinter& printer = Printer();
    QPrintDialog dialog(&printer, DialogParent());
    dialog.setMinMax(choice.minPage, choice.maxPage);
    printer.setCopyCount(choice.copies);
    printer.setCollateCopies(choice.collate);
    printer.setFromTo(choice.allPages ? 0 : choice.fromPage, choice.allPages ? 0 : choice.toPage);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice.copies = printer.copyCount();
    choice.collate = printer.collateCopies();
    choice.allPages = printer.printRange() != QPrinter::PageRange;
    if (!choice.allPages) {
        choice.fromPage = printer.fromPage();
        choice.toPage = printer.toPage();
    }
    return true;
}

namespace {

QtMessageHandler messagesBefore = nullptr;

void PassAllButNonNativePrinterWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // Qt answers its own handler as the one before when none was installed.
    if (messagesBefore &&
        (type != QtWarningMsg || message != QLatin1String("QPageSetupDialog: Cannot be used on non-native printers")))
        messagesBefore(type, context, message);
}

// Qt's page setup dialog warns on stderr when it is made for a printer that is no system printer, as
// the program's is on a machine without a print system (its output then goes to a PDF file); the
// dialog sets that printer's page all the same, so while it is made that one warning is dropped.
struct NonNativePrinterWarningDropped {
    NonNativePrinterWarningDropped() { messagesBefore = qInstallMessageHandler(&PassAllButNonNativePrinterWarning); }
    ~NonNativePrinterWarningDropped() { qInstallMessageHandler(messagesBefore); }
    NonNativePrinterWarningDropped(const NonNativePrinterWarningDropped&) = delete;
    NonNativePrinterWarningDropped& operator=(const NonNativePrinterWarningDropped&) = delete;
};

std::unique_ptr<QPageSetupDialog> PageSetupDialog(QPrinter& printer, QWidget* parent)
{
    const NonNativePrinterWarningDropped quiet;
    return std::make_unique<QPageSetupDialog>(&printer, parent);
}

} // namespace

bool QtUiServices::PrinterSetupDialog()
{
    return PageSetupDialog(Printer(), DialogParent())->exec() == QDialog::Accepted;
}

int QtUiServices::ShowModal(QWidget& window)
{
    // Owned by the window it was opened from, so that the window manager never puts it behind that
    // window while it waits, disabled, for this one.
    if (QWidget* opener = DialogParent())
        KeepAboveOwner(window, *opener);
    ClearModalResult(window);
    const ModalBlock block(window);
    QEventLoop loop;
    HideWatch watch(loop);
    QPointer<QWidget> shown(&window);
    window.installEventFilter(&watch);
    QObject::connect(&window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window.show();
    window.raise();
    window.activateWindow();
    if (window.isVisible())
        loop.exec();
    if (!shown)
        return mrCancel;
    shown->removeEventFilter(&watch);
    return ModalResultOf(*shown);
}
