#pragma once

#include "planogram/Kqfascii.h"

#include <string>
#include <vector>

class didBase;
struct ListOB;

// The entries of a typed, pasted or loaded product list: one per line, without surrounding blanks,
// tabs or line ends; a line left empty is no entry.
std::vector<std::string> ProductListEntries(const std::string& text);

// The builder rows of a product list: one per entry, numbered by its place in the list; the row of a
// product the catalog lacks, or that has no width or height, stays empty and its entry is missing.
// Refused (after telling the user) when a product's facings are more than the display holds.
struct LoadedProductList {
    std::vector<BuilderEntry> rows;
    std::vector<std::string> missing;
    bool refused = false;
};

// Facings: the amount (1 when it is no number), for rows of products that many times the products
// that fit across the display (sizes in document units).
LoadedProductList LoadProductList(didBase& catalog, const std::vector<std::string>& entries, const std::string& amount,
                                  bool rowsOfProducts, int displayWidth, int displayHeight);

// How the main window measures: inches or centimetres, and the scale used when not in quarter
// centimetres (unitsMode false).
struct DetailUnits {
    bool inches = false;
    bool unitsMode = true;
    int displayScale = 8;
};

// What Product Details shows of an item: its own catalog record's texts (empty when the catalog
// lacks it), its hook depth in the user's unit and how many of it stack on the hook.
struct ProductDetailsTexts {
    std::string product, description, picture, width, height, depth, face, hookDepth, hookUnit, stackCount;
};

// Looks the item's record up and leaves the catalog at the record that was current.
ProductDetailsTexts ProductDetailsOf(const ListOB& item, didBase* catalog, const DetailUnits& units);
// The typed hook depth becomes the item's, in the user's unit and in document units (truncated);
// a text that is no number raises EConvertError and changes nothing.
void ApplyHookDepth(ListOB& item, const std::string& text, const DetailUnits& units);
