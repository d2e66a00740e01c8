#pragma once

#include "planogram/DocumentSelector.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/StringGrid.h"

// The selector's builder and layout grids and its layout thumbnail, kept by the main window for the
// documents while the selector tool window itself is not part of the program: with no window to show
// it is never visible.
class SelectorGrids : public DocumentSelector {
public:
    void Hide() override {}
    void Show() override {}
    bool Visible() const override { return false; }
    void ShowImages() override {}
    TStringGrid& GridB() override { return gridB_; }
    TStringGrid& GridL() override { return gridL_; }
    TStringGrid& GridP() override { return gridP_; }
    TStringGrid& GridA() override { return gridA_; }
    void TakeCatalog(const SelectorCatalog&) override {}
    void DropCatalog(bool) override {}
    bool Building() const override { return false; }
    bool AutoAddShelves() const override { return false; }
    TBitmap& LayoutImage() override { return layout_; }
    void LayoutImageChanged() override {}
    // Without the selector window nothing is found or shown, and no fixture can be drawn.
    void FindCatalogItem(const std::string&) override {}
    void ShowFixtureInSelector(const ListOB&) override {}
    void EnableUpdateFixture(bool) override {}
    std::optional<FixtureMakerInputs> FixtureInputs() const override { return std::nullopt; }

private:
    TStringGrid gridB_{3, 2};
    TStringGrid gridL_{2, 2};
    TStringGrid gridP_{2, 2};
    TStringGrid gridA_{2, 2};
    TBitmap layout_;
};
