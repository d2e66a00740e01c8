#include "app/Options.h"

#include "app/SDIMain.h"
#include "app/StartupSettings.h"
#include "platform/core/Seams.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowPlacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr std::string_view Section = "Options";
constexpr int InchesEntry = 1;

QCheckBox* CheckBox(QWidget* form, QVBoxLayout& layout, const char* caption, bool checked)
{
    auto* box = new QCheckBox(caption, form);
    box->setChecked(checked);
    layout.addWidget(box);
    return box;
}

} // namespace

TOptions::TOptions(TMainForm& mainForm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), mainForm_(mainForm)
{
    setObjectName("Options");
    setWindowTitle("Options");
    auto* layout = new QVBoxLayout(this);
    Tips = CheckBox(this, *layout, "Tips", true);
    Welcome = CheckBox(this, *layout, "Start with Planogram Wizard", true);
    AlignToPeg = CheckBox(this, *layout, "Align to Peg Holes", false);
    DateTime = CheckBox(this, *layout, "Time Date Stamp on Planograms", true);
    ShowLoading = CheckBox(this, *layout, "Show Loading Data Dialog Box", true);
    Label1 = new QLabel("Unit of meassurement:", this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->addItems({"Centemeters", "Inches"});
    ComboBox1->setCurrentIndex(-1);
    auto* unit = new QHBoxLayout;
    unit->addWidget(Label1);
    unit->addWidget(ComboBox1, 1);
    layout->addLayout(unit);
    comOK = new QPushButton("&OK", this);
    comOK->setDefault(true);
    comCancel = new QPushButton("&Cancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(comOK);
    buttons->addWidget(comCancel);
    layout->addLayout(buttons);
    connect(comOK, &QPushButton::clicked, this, ShowingErrors(this, &TOptions::comOKClick));
    connect(comCancel, &QPushButton::clicked, this, ShowingErrors(this, &TOptions::comCancelClick));
    setFixedSize(sizeHint());
    CentreOnScreen(*this);
}

void TOptions::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TOptions::FormShow()
{
    const SettingsFile settings = SettingsStore().Load();
    Welcome->setChecked(settings.ReadBool(Section, "Welcome", true));
    mainForm_.alignToPeg = settings.ReadBool(Section, "AlignToPeg", false) ? 1 : 0;
    AlignToPeg->setChecked(mainForm_.alignToPeg != 0);
    // The box shows what the hints now are, so that OK keeps them as they were.
    mainForm_.showHints = settings.ReadBool(Section, "Tips", true);
    Tips->setChecked(mainForm_.showHints);
    DateTime->setChecked(settings.ReadBool(Section, "ShowDateTimeStamp", true));
    ShowLoading->setChecked(settings.ReadBool(Section, "ShowDataLoadingDialog", true));
    const std::string units = ResolvedUnits(settings.ReadString(Section, "Units", "none"), CountryCode());
    ComboBox1->setCurrentIndex(UnitsAreInches(units) ? InchesEntry : 0);
}

void TOptions::comOKClick()
{
    const SettingsStore store;
    mainForm_.showHints = Tips->isChecked();
    store.WriteBool(Section, "Tips", Tips->isChecked());
    store.WriteBool(Section, "Welcome", Welcome->isChecked());
    mainForm_.ShowWelcomeChoice(Welcome->isChecked());
    mainForm_.alignToPeg = AlignToPeg->isChecked() ? 1 : 0;
    store.WriteBool(Section, "AlignToPeg", AlignToPeg->isChecked());
    store.WriteBool(Section, "ShowDateTimeStamp", DateTime->isChecked());
    store.WriteBool(Section, "ShowDataLoadingDialog", ShowLoading->isChecked());
    const bool inches = ComboBox1->currentIndex() == InchesEntry;
    if (!inches)
        ComboBox1->setCurrentIndex(0);
    mainForm_.unitsInches = inches ? 1 : 0;
    mainForm_.ApplyUnits();
    mainForm_.ApplyOptionsToChildren();
    store.WriteString(Section, "Units", inches ? "inches" : "cm");
    accept();
}

void TOptions::comCancelClick() { reject(); }
