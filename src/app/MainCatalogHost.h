#pragma once

#include "catalog/CatalogManager.h"

class TMainForm;

// The Catalog Manager's view of the program: the main window's scale and units mode, and the selector
// the main window shows.
class MainCatalogHost : public CatalogManagerHost {
public:
    explicit MainCatalogHost(TMainForm& mainForm) : mainForm_(mainForm) {}

    int DisplayScale() const override;
    unsigned char UnitsMode() const override;
    TStringGrid* SelectorGrid() override;
    bool SelectorVisible() const override;
    void HideSelector() override;
    void ShowSelector() override;
    std::unique_ptr<CatalogPictureEditor> NewPictureEditor() override;

private:
    TMainForm& mainForm_;
};
