#pragma once

#include "catalog/CatalogManager.h"

// A Catalog Manager host without a selector, for tests of what the Catalog Manager's callers do.
class QuietCatalogHost : public CatalogManagerHost {
public:
    int DisplayScale() const override { return 3; }
    unsigned char UnitsMode() const override { return 1; }
    TStringGrid* SelectorGrid() override { return nullptr; }
    bool SelectorVisible() const override { return false; }
    void HideSelector() override {}
    void ShowSelector() override {}
    std::unique_ptr<CatalogPictureEditor> NewPictureEditor() override { return nullptr; }
};
