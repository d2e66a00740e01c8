#include "app/CatalogEditorWindow.h"

#include "app/picdocCode.h"

CatalogEditorWindow::CatalogEditorWindow(Tpicdoc& editor) : editor_(&editor) {}

CatalogEditorWindow::~CatalogEditorWindow()
{
    if (editor_ && !editor_->isVisible())
        editor_->deleteLater();
}

bool CatalogEditorWindow::OpenPicture(const std::string& path) { return editor_->OpenPicture(path); }

bool CatalogEditorWindow::ScanPicture() { return editor_->ScanPicture(); }

void CatalogEditorWindow::SetCatalogLink(CatalogManager& catalog, int column, const std::string& partNumber)
{
    editor_->SetCatalogLink(catalog, column, partNumber);
}

void CatalogEditorWindow::SetProduct(const EditorProduct& product) { editor_->model.product = product; }

void CatalogEditorWindow::SetCatalogCapture(bool capture) { editor_->model.catalogCapture = capture; }

void CatalogEditorWindow::ShowModal() { Ui().ShowModal(*editor_); }
