#pragma once

#include "catalog/CatalogManager.h"

#include <QPointer>

class Tpicdoc;

// A picture editor window the application owns, as the Catalog Manager and the main window drive it.
// Shown modally, the window frees itself on closing; one never shown, or left open by the modal
// showing, goes with this object.
class CatalogEditorWindow : public CatalogPictureEditor {
public:
    explicit CatalogEditorWindow(Tpicdoc& editor);
    ~CatalogEditorWindow() override;
    CatalogEditorWindow(const CatalogEditorWindow&) = delete;
    CatalogEditorWindow& operator=(const CatalogEditorWindow&) = delete;

    bool OpenPicture(const std::string& path) override;
    bool ScanPicture() override;
    void SetCatalogLink(CatalogManager& catalog, int column, const std::string& partNumber) override;
    void SetProduct(const EditorProduct& product) override;
    void SetCatalogCapture(bool capture) override;
    void ShowModal() override;

private:
    QPointer<Tpicdoc> editor_;
};
