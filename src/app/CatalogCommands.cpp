// The main window's Catalog menu commands, which show the Catalog Manager and the picture editor.
#include "app/SDIMain.h"

#include "app/CatalogEditorWindow.h"
#include "app/picdocCode.h"
#include "catalog/DataMaker.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/SelectorCode.h"
#include "platform/ui/Application.h"
#include "platform/ui/QtUiServices.h"

#include <QAction>
#include <QToolButton>

void TMainForm::SetCatalogManager(TDForm& catalogManager)
{
    catalogManager_ = &catalogManager;
    for (QAction* command : {CatalogManager1, New2, Open2, NewDirectDataLink1})
        command->setEnabled(true);
    connect(CatalogManager1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::CatalogManager1Click));
    connect(New2, &QAction::triggered, this, ShowingErrors(this, &TMainForm::CatalogManager1Click));
    connect(Open2, &QAction::triggered, this, ShowingErrors(this, &TMainForm::Open2Click));
    connect(Edit2, &QAction::triggered, this, ShowingErrors(this, &TMainForm::Edit2Click));
    connect(NewDirectDataLink1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::NewDirectDataLink1Click));
    if (selectorWindow_)
        selectorWindow_->sbOpenDataFile->setEnabled(true);
}

void TMainForm::CatalogManager1Click() { catalogManager_->ShowNewCatalog(); }

void TMainForm::NewDirectDataLink1Click()
{
    // Shown without waiting for it: it must not drop behind this window, as an empty Catalog Manager
    // left by a cancelled link would.
    KeepAboveOwner(*catalogManager_, *this);
    catalogManager_->ShowNewDirectDataLink();
}

void TMainForm::Open2Click()
{
    if (const std::optional<FileDialogResult> choice = Ui().OpenDialog(CDopen))
        catalogManager_->ShowCatalogFile(choice->fileName);
}

void TMainForm::Edit2Click()
{
    const PlanogramDocument* document = ActiveDocument();
    if (document)
        EditCatalog(document->catalog ? document->catalog->fileName : std::string());
}

void TMainForm::EditCatalog(const std::string& catalogFile)
{
    if (catalogManager_)
        catalogManager_->EditPlanogramCatalog(catalogFile);
}

void TMainForm::PictureManager1Click()
{
    const std::unique_ptr<CatalogPictureEditor> editor = NewPictureEditor();
    if (const PlanogramDocument* document = ActiveDocument())
        if (const std::optional<std::string> picture = CurrentItemPicture(*document, pictureFinder_))
            editor->OpenPicture(*picture);
    editor->ShowModal();
}

std::unique_ptr<CatalogPictureEditor> TMainForm::NewPictureEditor()
{
    return std::make_unique<CatalogEditorWindow>(*new Tpicdoc(pictureFinder_, *this, this));
}
