#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class didBase;
class DocumentSelector;
class ListManager;
class PlanogramDocument;
class kqfASCII;

// What an open compares of a catalog product: its picture link and its depth in document units.
struct CatalogProduct {
    std::string picture;
    double depth = 0;
};

// Finds a part number in the document's catalog; nothing when the catalog lacks it.
using ProductLookup = std::function<std::optional<CatalogProduct>(const std::string& partNumber)>;
ProductLookup ProductsOf(didBase& catalog);
// The file the document's catalog was opened from; empty when it has none.
std::string CatalogFileOf(const didBase* catalog);

// The catalog-mismatch question of one open: asked at most once, and its answer holds for the item
// that raised it and every later item of the file.
struct MismatchQuestion {
    std::uint8_t& ask;               // not asked yet
    std::uint8_t& updateFromCatalog; // the user chose the catalog's values
    std::function<bool()> askUser;   // true for Yes
};

// Header values of the file into the document and its renderer's settings; the zoom is applied
// later, once the wall exists.
void CopyHeaderIntoDocument(const kqfASCII& file, PlanogramDocument& document);

// The file's items, in file order, appended to the document's (empty) item list, with picture links
// and depths compared against the catalog, then their group and child links resolved.
void LoadFileItems(const ListManager& fileItems, PlanogramDocument& document, const ProductLookup& products,
                   MismatchQuestion& question);

// Group and child numbers become links to the items of those numbers. A number that matches no item
// stays unlinked, and a child link that would close a chain into a ring is left out, so every walk
// along a group ends.
void ResolveItemLinks(ListManager& items);

// Depths in document units agree within a small relative tolerance: a depth converted from inches
// and written as text must not count as changed.
bool DepthsAgree(double a, double b);

// The picture path as compared and linked: a name without a folder is put into the catalog's
// picture folder; "(null)" is no picture.
std::string PictureInFolder(const std::string& picture, const std::string& folder);

// The document's state into a file object for writing; the item list is lent, not copied.
void FillFileFromDocument(kqfASCII& file, PlanogramDocument& document);
