#include "app/SmallDialogs.h"

#include "pdf/PdfSecurity.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/StringList.h"
#include "platform/core/UiServices.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

TPDetails* PDetails = nullptr;
TpdfOP* pdfOP = nullptr;
TfrmMissingItems* frmMissingItems = nullptr;
TfrmLoadListOps* frmLoadListOps = nullptr;

namespace {

constexpr Qt::WindowFlags FixedDialogFrame = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint;

QPushButton* ClosingButton(QDialog& dialog, const char* text, QDialog::DialogCode code)
{
    auto* button = new QPushButton(text, &dialog);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, code] { dialog.done(code); });
    return button;
}

// The buttons in a row at the foot of the dialog's layout.
void AddButtonRow(QBoxLayout& layout, std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : buttons)
        row->addWidget(button);
    layout.addLayout(row);
}

QCheckBox* CheckBox(QWidget* parent, QLayout* layout, const char* caption, bool checked)
{
    auto* box = new QCheckBox(caption, parent);
    box->setChecked(checked);
    layout->addWidget(box);
    return box;
}

QLineEdit* PasswordEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet("lineedit-password-character: 42");
    return edit;
}

// The memo's lines as the class library counts them: a final line end starts no line of its own.
TStringList MemoLines(const QPlainTextEdit& memo)
{
    TStringList lines;
    lines.SetText(fromQString(memo.toPlainText()));
    return lines;
}

} // namespace

TPDetails::TPDetails(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Product Details");
    setModal(true);
    auto* form = new QFormLayout;
    const auto value = [this] { return new QLabel(this); };
    txtProduct = value(), txtDes = value(), txtPic = value(), txtW = value(), txtH = value(), txtD = value();
    txtPHUnit = value(), txtSC = value(), txtVSide = value();
    edPHDepth = new QLineEdit(this);
    form->addRow("Product", txtProduct);
    form->addRow("Description", txtDes);
    form->addRow("Picture", txtPic);
    form->addRow("Width (front)", txtW);
    form->addRow("Height (front)", txtH);
    form->addRow("Depth (front)", txtD);
    auto* hookDepth = new QHBoxLayout;
    hookDepth->addWidget(edPHDepth);
    hookDepth->addWidget(txtPHUnit);
    form->addRow("Peg hook depth", hookDepth);
    form->addRow("Stack Count", txtSC);
    form->addRow("Visible Face", txtVSide);
    Button1 = ClosingButton(*this, "&Ok", QDialog::Accepted);
    Button2 = ClosingButton(*this, "&Cancel", QDialog::Rejected);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    AddButtonRow(*layout, {Button1, Button2});
}

TpdfOP::TpdfOP(QWidget* parent) : QDialog(parent, FixedDialogFrame)
{
    setWindowTitle("PDF Options");
    setModal(true);
    PageControl1 = new QTabWidget(this);

    auto* content = new QWidget(PageControl1);
    auto* reports = new QGroupBox("Reports", content);
    auto* reportList = new QVBoxLayout(reports);
    cbListing = CheckBox(reports, reportList, "Product Listing", false);
    cbInvest = CheckBox(reports, reportList, "Investment and Profit", false);
    cbSpace = CheckBox(reports, reportList, "Space Usage", false);
    cbFixture = CheckBox(reports, reportList, "Fixture Listing", false);
    cbMoved = CheckBox(reports, reportList, "Sales Ranked by Units Moved", false);
    cbTurnover = CheckBox(reports, reportList, "Sales Ranked by Turnover", false);
    cbProfit = CheckBox(reports, reportList, "Sales Ranked by Profit", false);
    rgPlanogramType = new QGroupBox("Planogram", content);
    auto* types = new QVBoxLayout(rgPlanogramType);
    rbScreenOptimized = new QRadioButton("Screen Optimized", rgPlanogramType);
    rbPrintOptimized = new QRadioButton("Print Optimized", rgPlanogramType);
    rbScreenOptimized->setChecked(true);
    types->addWidget(rbScreenOptimized);
    types->addWidget(rbPrintOptimized);
    auto* contentLayout = new QHBoxLayout(content);
    contentLayout->addWidget(reports);
    contentLayout->addWidget(rgPlanogramType);
    PageControl1->addTab(content, "PDF Content");

    auto* options = new QWidget(PageControl1);
    auto* optionsLayout = new QVBoxLayout(options);
    auto* compression = new QFormLayout;
    cbCompressImage = new QComboBox(options);
    cbCompressImage->addItems({"None", "Maximum", "High", "Medium", "Low"});
    cbCompressImage->setCurrentIndex(0);
    compression->addRow("Image Compression:", cbCompressImage);
    optionsLayout->addLayout(compression);
    auto* security = new QGroupBox("Document Security", options);
    auto* securityLayout = new QFormLayout(security);
    edPassword = PasswordEdit(security);
    edPasswordEdit = PasswordEdit(security);
    securityLayout->addRow("Password to open", edPassword);
    securityLayout->addRow("Password to edit", edPasswordEdit);
    cbPrint = new QCheckBox("Allow Printing", security);
    cbEdit = new QCheckBox("Allow Editing", security);
    cbCopy = new QCheckBox("Allow Copying", security);
    for (QCheckBox* allow : {cbPrint, cbEdit, cbCopy}) {
        allow->setChecked(true);
        securityLayout->addRow(allow);
    }
    optionsLayout->addWidget(security);
    cbTumbnail = CheckBox(options, optionsLayout, "Create Thumbails", false);
    cbLaunch = CheckBox(options, optionsLayout, "View in Acrobat Reader", false);
    cbTumbnail->hide();
    cbLaunch->hide();
    PageControl1->addTab(options, "PDF Options");

    Button1 = new QPushButton("&Ok", this);
    connect(Button1, &QPushButton::clicked, this, &TpdfOP::Button1Click);
    Button2 = ClosingButton(*this, "&Cancel", QDialog::Rejected);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    AddButtonRow(*layout, {Button1, Button2});
    CentreOnScreen(*this);
}

int TpdfOP::PlanogramType() const { return rbPrintOptimized->isChecked() ? 1 : 0; }

// The file's security handler takes a letter as its byte in PDFDocEncoding, as readers convert what
// the user types: a letter without one would be written as another, and the user's own password
// would no longer open the file.
bool TpdfOP::PasswordsFit() const
{
    for (QLineEdit* edit : {edPassword, edPasswordEdit}) {
        const std::string text = edit->text().toStdString();
        if (Win1252CanHold(text) && PdfDocEncodedPassword(Utf8ToWin1252(text)))
            continue;
        Ui().MessageBox(PdfPasswordLettersMessage, "PDF Options", MsgButtons::OK, MsgIcon::Exclamation);
        for (int tab = 0; tab < PageControl1->count(); ++tab)
            if (PageControl1->widget(tab)->isAncestorOf(edit))
                PageControl1->setCurrentIndex(tab);
        edit->setFocus();
        return false;
    }
    return true;
}

void TpdfOP::Button1Click()
{
    if (PasswordsFit())
        done(QDialog::Accepted);
}

TfrmMissingItems::TfrmMissingItems(QWidget* parent) : QDialog(parent, FixedDialogFrame)
{
    setWindowTitle("Missing Products");
    setModal(true);
    Label1 = new QLabel("The following items could not be added to your planogram  because they could  not be found in "
                        "your product catalog or the width or height of the items were not defined.",
                        this);
    Label1->setWordWrap(true);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Button1 = ClosingButton(*this, "&Ok", QDialog::Accepted);
    Button2 = new QPushButton("&Save", this);
    connect(Button2, &QPushButton::clicked, this, ShowingErrors(this, &TfrmMissingItems::Button2Click));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Memo1);
    AddButtonRow(*layout, {Button1, Button2});
    CentreOnScreen(*this);
}

void TfrmMissingItems::Button2Click()
{
    FileDialogOptions SaveDialog1;
    SaveDialog1.defaultExt = "txt";
    SaveDialog1.filter = "Text File|*.txt";
    const std::optional<FileDialogResult> chosen = Ui().SaveDialog(SaveDialog1);
    if (!chosen)
        return;
    const std::string& path = chosen->fileName;
    try {
        TextFileWriter file(path);
        const TStringList lines = MemoLines(*Memo1);
        for (int i = 0; i < lines.Count(); ++i)
            file.WriteLine(lines[i]);
        file.Commit();
    } catch (const Exception& error) {
        Ui().MessageBox("Could not save the file " + path + ".\n" + error.Message(), "Open Error", MsgButtons::OK,
                        MsgIcon::Error);
    }
}

TfrmLoadListOps::TfrmLoadListOps(QWidget* parent) : QDialog(parent, FixedDialogFrame)
{
    setWindowTitle("Load Product List");
    setModal(true);
    Label1 = new QLabel("Add", this);
    edAmount = new QLineEdit("5", this);
    cbAmount = new QComboBox(this);
    cbAmount->addItems({"products", "rows of products"});
    cbAmount->setCurrentIndex(0);
    Label2 = new QLabel("per line in list.", this);
    Label3 = new QLabel("Product List:", this);
    List1 = new QPlainTextEdit(this);
    Button3 = new QPushButton("&Paste Text to List", this);
    Button4 = new QPushButton("&Load Text File", this);
    cbReplace = new QCheckBox("Replace existing products in planogram", this);
    cbReplace->setChecked(true);
    cbReplace->hide();
    Button1 = ClosingButton(*this, "&Ok", QDialog::Accepted);
    Button2 = ClosingButton(*this, "&Cancel", QDialog::Rejected);
    connect(Button3, &QPushButton::clicked, this, ShowingErrors(this, &TfrmLoadListOps::Button3Click));
    connect(Button4, &QPushButton::clicked, this, ShowingErrors(this, &TfrmLoadListOps::Button4Click));

    auto* amount = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{Label1, edAmount, cbAmount, Label2})
        amount->addWidget(widget);
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(Button3);
    listButtons->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(amount);
    layout->addWidget(Label3);
    layout->addWidget(List1);
    layout->addLayout(listButtons);
    layout->addWidget(cbReplace);
    AddButtonRow(*layout, {Button1, Button2});
    CentreOnScreen(*this);
}

void TfrmLoadListOps::Button3Click() { List1->insertPlainText(QGuiApplication::clipboard()->text()); }

void TfrmLoadListOps::Button4Click()
{
    FileDialogOptions LoadListDialog;
    LoadListDialog.defaultExt = "txt";
    LoadListDialog.filter = "Text File|*.txt|Any File|*.*";
    const std::optional<FileDialogResult> chosen = Ui().OpenDialog(LoadListDialog);
    if (!chosen)
        return;
    TStringList lines;
    lines.LoadFromFile(chosen->fileName);
    QStringList shown;
    for (int i = 0; i < lines.Count(); ++i)
        shown.append(toQString(lines[i]));
    List1->setPlainText(shown.join('\n'));
}
