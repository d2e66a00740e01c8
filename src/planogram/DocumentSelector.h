#pragma once

#include "platform/graphics/Canvas.h"

#include <optional>
#include <string>

#include <array>

class TBitmap;
class TStringGrid;
class didBase;
struct ListOB;

// What the selector takes of the active planogram's catalog.
struct SelectorCatalog {
    didBase* catalog = nullptr; // not owned
    std::string file;           // catalogFile; lbCat1 shows its name
    std::string units;
    // The catalog's columns of the roles record number to peg Y; -1 for a role it lacks.
    std::array<int, 12> roleColumns{};
    std::string pictureFolder;
};

// What the selector's fixture page gives the fixture maker for a fixture drawn with the mouse.
struct FixtureMakerInputs {
    TColor color = 0;  // ColorDialog1: box and font colour
    int fillStyle = 0; // cbFixFill
    int edgeStyle = 0; // cbFixEdge
    int textAlign = 0; // cbTxtAlign
    int textMode = 0;  // cbTextLine: 1 "Multi Line Text"
    TFont font;        // FontDialog1
    // The peg texts as typed: edVPegSpace, edHPegSpace, ed1PegTop, ed1PegLeft, ed1PegBottom,
    // ed1PegRight, edPegRad.
    std::string vPegSpace, hPegSpace, pegTop, pegLeft, pegBottom, pegRight, pegSize;
};

// What a planogram document uses of the selector tool window: showing it, its builder and layout
// grids and its layout thumbnail.
class DocumentSelector {
public:
    virtual ~DocumentSelector() = default;
    virtual void Hide() = 0;
    virtual void Show() = 0;
    virtual bool Visible() const = 0;
    // Makes the layout thumbnail and the product picture visible.
    virtual void ShowImages() = 0;
    virtual TStringGrid& GridB() = 0;
    virtual TStringGrid& GridL() = 0;
    // The product grid the catalog is loaded into, and the grid of the builder's ranking.
    virtual TStringGrid& GridP() = 0;
    virtual TStringGrid& GridA() = 0;
    // The active planogram's catalog, loaded into GridP: its first product becomes current and
    // its picture is shown.
    virtual void TakeCatalog(const SelectorCatalog& catalog) = 0;
    // The catalog is going away: forget it and empty lbCat1; without a planogram the pictures hide too.
    virtual void DropCatalog(bool hidePictures) = 0;
    // While the builder places products, a placement follows "automatically add shelves".
    virtual bool Building() const = 0;
    virtual bool AutoAddShelves() const = 0;
    // The picture of the layout thumbnail imLayout, and the notice that it was drawn.
    virtual TBitmap& LayoutImage() = 0;
    virtual void LayoutImageChanged() = 0;
    // Shows the product of that part number in the selector's catalog view.
    virtual void FindCatalogItem(const std::string& partNumber) = 0;
    // Shows a selected fixture's settings on the fixture page.
    virtual void ShowFixtureInSelector(const ListOB& item) = 0;
    // "Update Selected Fixture" is offered only while a fixture is selected.
    virtual void EnableUpdateFixture(bool enabled) = 0;
    // The fixture page's inputs; nothing while there is no fixture page to take them from.
    virtual std::optional<FixtureMakerInputs> FixtureInputs() const = 0;
};
