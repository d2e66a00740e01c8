#pragma once

// The data type of a drag that carries the selector's current catalog product onto a wall. The drop
// places that product; no other drag places anything.
inline constexpr const char* CatalogProductMimeType = "application/x-kestrame-catalog-product";
