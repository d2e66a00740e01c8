// The main window's Tools menu commands, which show the options and the two wizards.
#include "app/Options.h"
#include "app/PlanogramWizard.h"
#include "app/SDIMain.h"
#include "catalog/CatWizardCode.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/SelectorCode.h"
#include "planogram/plandocCode.h"
#include "platform/core/CodePage.h"
#include "platform/ui/Application.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>

void TMainForm::SetOptionsWindow(TOptions& options)
{
    optionsWindow_ = &options;
    Options1->setEnabled(true);
    connect(Options1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::Options1Click));
}

void TMainForm::SetCatalogWizard(TCatalogWizard& wizard)
{
    catalogWizard_ = &wizard;
    CatalogWizard1->setEnabled(true);
    connect(CatalogWizard1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::CatalogWizard1Click));
}

void TMainForm::SetPlanogramWizard(TSUWizard& wizard)
{
    planogramWizard_ = &wizard;
    PlanogramWizard1->setEnabled(true);
    connect(PlanogramWizard1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::PlanogramWizard1Click));
}

void TMainForm::Options1Click()
{
    if (Ui().ShowModal(*optionsWindow_) == mrNone)
        return;
    if (Tplandoc* active = ActivePlanogram()) {
        PlanogramDocument& document = active->Document();
        document.unitsInches = unitsInches != 0;
        document.renderer.DrawRulers();
        document.alignToPeg = alignToPeg != 0;
    }
}

void TMainForm::CatalogWizard1Click() { Ui().ShowModal(*catalogWizard_); }

void TMainForm::PlanogramWizard1Click()
{
    const qsizetype windows = ClientArea->subWindowList().size();
    Ui().ShowModal(*planogramWizard_);
    // The wizard held the main window disabled, so the display it made or opened could not come
    // forward then.
    const QList<QMdiSubWindow*> frames = ClientArea->subWindowList();
    if (frames.size() > windows)
        ClientArea->setActiveSubWindow(frames.last());
}

void TMainForm::ShowPlanogramWizardAtStart()
{
    if (!planogramWizard_)
        return;
    planogramWizard_->show();
    planogramWizard_->repaint();
}

// Only the display the wizard builds is connected by the wizard: a planogram opened while the wizard
// merely stands open connects its own data link.
bool TMainForm::PlanogramWizardVisible() const
{
    return planogramWizard_ && planogramWizard_->isVisible() && planogramWizard_->Building();
}

BuilderHost* TMainForm::SelectorBuilder() { return selectorWindow_ ? &selectorWindow_->Builder() : nullptr; }

void TMainForm::ShowBuilderChoices(const std::string& bestHeight, int rankIndex)
{
    if (!selectorWindow_)
        return;
    selectorWindow_->edBestHeight->setText(toQString(bestHeight));
    selectorWindow_->cbRankBy->setCurrentIndex(rankIndex);
}

void TMainForm::ShowSelectorUnits()
{
    if (selectorWindow_)
        selectorWindow_->lbUnits->setText(unitsInches ? "inches" : "cm");
}

void TMainForm::ApplyUnits()
{
    ApplyUnitHints();
    ShowSelectorUnits();
    ApplyUnitsToChildren();
}

void TMainForm::ShowWelcomeChoice(bool welcome)
{
    if (planogramWizard_)
        planogramWizard_->ShowAtStart(welcome);
}
