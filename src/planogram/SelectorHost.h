#pragma once

#include "planogram/SelectorModel.h"

#include <string>

class PlanogramDocument;

// What the selector window asks of the main window: the active planogram, its catalog browser, the
// placing and delete commands, the units fixtures are made in, and the Catalog Manager. The main
// window implements it.
class SelectorHost {
public:
    virtual ~SelectorHost() = default;
    virtual PlanogramDocument* ActiveDocument() const = 0;
    virtual int PlanogramCount() const = 0;
    virtual bool AddCurrentProduct(int x, int y) = 0;
    virtual bool FindCatalogProduct(const std::string& key) = 0;
    virtual int DeleteSelected() = 0;
    virtual bool AddItemToActiveDocument(const std::string& index, const std::string& picture, int width, int height,
                                         double depth) = 0;
    virtual MakerUnits FixtureUnits() const = 0;
    // The bottom edge of the main window's control bar, in the main window's coordinates.
    virtual int ControlBarBottom() const = 0;
    // Shows the catalog in the Catalog Manager, modally; the selector follows each save.
    virtual void EditCatalog(const std::string& catalogFile) = 0;
};
