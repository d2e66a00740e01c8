#include "ado/DataLinkDialog.h"

#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/UiServices.h"
#include "platform/services/OdbcBackend.h"
#include "platform/ui/Application.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr std::string_view Caption = "Data Link Properties";
constexpr std::string_view PreselectedDriver = "SQLite3";

// Entries show "name - description"; the name alone is kept as the entry's data.
void AddEntries(QComboBox& box, const std::vector<OdbcSourceEntry>& entries)
{
    for (const OdbcSourceEntry& entry : entries) {
        const std::string shown = entry.description.empty() ? entry.name : entry.name + " - " + entry.description;
        box.addItem(toQString(shown), toQString(entry.name));
    }
}

// Selects the entry of the name, adding it when the driver manager does not list it.
void SelectEntry(QComboBox& box, const std::string& name)
{
    int index = box.findData(toQString(name));
    if (index < 0) {
        box.addItem(toQString(name), toQString(name));
        index = box.count() - 1;
    }
    box.setCurrentIndex(index);
}

std::string EntryName(const QComboBox& box) { return fromQString(box.currentData().toString()); }

std::string Text(const QLineEdit& edit) { return fromQString(edit.text()); }

} // namespace

TDataLinkDialog::TDataLinkDialog(const DataLinkSettings& initial, QWidget* parent) : QDialog(parent)
{
    setObjectName("DataLinkDialog");
    setWindowTitle(toQString(Caption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CreateSourceBox());
    layout->addWidget(CreateLoginBox());
    auto* buttons = new QHBoxLayout;
    TestBtn = new QPushButton(tr("Test Connection"), this);
    OKBtn = new QPushButton(tr("OK"), this);
    CancelBtn = new QPushButton(tr("Cancel"), this);
    OKBtn->setDefault(true);
    buttons->addWidget(TestBtn);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);
    connect(BrowseBtn, &QPushButton::clicked, this, ShowingErrors(this, &TDataLinkDialog::BrowseClick));
    connect(TestBtn, &QPushButton::clicked, this, ShowingErrors(this, &TDataLinkDialog::TestConnectionClick));
    connect(OKBtn, &QPushButton::clicked, this, ShowingErrors(this, &TDataLinkDialog::OKBtnClick));
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    // Picking an entry chooses its kind of source.
    connect(cbDataSource, &QComboBox::activated, rbDataSource, [this] { rbDataSource->setChecked(true); });
    connect(cbDriver, &QComboBox::activated, rbDriver, [this] { rbDriver->setChecked(true); });
    FillSources();
    Show(initial);
}

QWidget* TDataLinkDialog::CreateSourceBox()
{
    auto* box = new QGroupBox(tr("Connect to"), this);
    auto* form = new QFormLayout(box);
    rbDataSource = new QRadioButton(tr("ODBC data source"), box);
    cbDataSource = new QComboBox(box);
    form->addRow(rbDataSource, cbDataSource);
    rbDriver = new QRadioButton(tr("Driver"), box);
    cbDriver = new QComboBox(box);
    form->addRow(rbDriver, cbDriver);
    auto* database = new QHBoxLayout;
    edDatabase = new QLineEdit(box);
    BrowseBtn = new QPushButton(tr("Browse..."), box);
    database->addWidget(edDatabase);
    database->addWidget(BrowseBtn);
    form->addRow(tr("Database"), database);
    edServer = new QLineEdit(box);
    form->addRow(tr("Server"), edServer);
    edPort = new QLineEdit(box);
    form->addRow(tr("Port"), edPort);
    return box;
}

QWidget* TDataLinkDialog::CreateLoginBox()
{
    auto* box = new QGroupBox(tr("Log on"), this);
    auto* form = new QFormLayout(box);
    edUserName = new QLineEdit(box);
    form->addRow(tr("User name"), edUserName);
    edPassword = new QLineEdit(box);
    edPassword->setEchoMode(QLineEdit::Password);
    form->addRow(tr("Password"), edPassword);
    form->addRow(new QLabel(tr("A password is stored as plain text with the connection."), box));
    edOtherSettings = new QLineEdit(box);
    edOtherSettings->setPlaceholderText("key=value;...");
    form->addRow(tr("Other settings"), edOtherSettings);
    return box;
}

void TDataLinkDialog::FillSources()
{
    AddEntries(*cbDataSource, Odbc().DataSources());
    AddEntries(*cbDriver, Odbc().Drivers());
    const int sqlite = cbDriver->findData(toQString(PreselectedDriver));
    if (sqlite >= 0)
        cbDriver->setCurrentIndex(sqlite);
}

void TDataLinkDialog::Show(const DataLinkSettings& settings)
{
    // A new data source starts with no choice made, so that OK asks for one.
    rbDataSource->setChecked(settings.source == DataLinkSettings::Source::DataSource);
    rbDriver->setChecked(settings.source == DataLinkSettings::Source::Driver);
    if (settings.source == DataLinkSettings::Source::DataSource)
        SelectEntry(*cbDataSource, settings.dataSource);
    if (settings.source == DataLinkSettings::Source::Driver)
        SelectEntry(*cbDriver, settings.driver);
    edDatabase->setText(toQString(settings.database));
    edServer->setText(toQString(settings.server));
    edPort->setText(toQString(settings.port));
    edUserName->setText(toQString(settings.userName));
    edPassword->setText(toQString(settings.password));
    edOtherSettings->setText(toQString(settings.otherSettings));
}

DataLinkSettings TDataLinkDialog::Settings() const
{
    DataLinkSettings settings;
    if (rbDataSource->isChecked() && cbDataSource->currentIndex() >= 0) {
        settings.source = DataLinkSettings::Source::DataSource;
        settings.dataSource = EntryName(*cbDataSource);
    } else if (rbDriver->isChecked() && cbDriver->currentIndex() >= 0) {
        settings.source = DataLinkSettings::Source::Driver;
        settings.driver = EntryName(*cbDriver);
        settings.database = Text(*edDatabase);
        settings.server = Text(*edServer);
        settings.port = Text(*edPort);
    }
    settings.userName = Text(*edUserName);
    settings.password = Text(*edPassword);
    settings.otherSettings = Text(*edOtherSettings);
    return settings;
}

void TDataLinkDialog::BrowseClick()
{
    FileDialogOptions options;
    options.title = "Database";
    options.filter = "All files (*.*)|*.*";
    options.fileName = Text(*edDatabase);
    if (const std::optional<FileDialogResult> choice = Ui().OpenDialog(options))
        edDatabase->setText(PathToQString(choice->fileName));
}

void TDataLinkDialog::TestConnectionClick()
{
    Ui().MessageBox(Settings().TestConnection(), Caption, MsgButtons::OK, MsgIcon::Information);
}

void TDataLinkDialog::OKBtnClick()
{
    const std::string missing = Settings().MissingChoice();
    if (!missing.empty()) {
        Ui().MessageBox(missing, Caption, MsgButtons::OK, MsgIcon::Warning);
        return;
    }
    accept();
}
