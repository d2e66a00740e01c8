// The main window's Tools menu commands, which show the options and the catalog wizard.
#include "app/Options.h"
#include "app/SDIMain.h"
#include "catalog/CatWizardCode.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/SelectorCode.h"
#include "planogram/plandocCode.h"
#include "platform/ui/Application.h"

#include <QAction>
#include <QLabel>

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

void TMainForm::ShowSelectorUnits()
{
    if (selectorWindow_)
        selectorWindow_->lbUnits->setText(unitsInches ? "inches" : "cm");
}
