#pragma once

#include <string>

// What the planogram reader needs of the catalog and picture file finder: the search for a catalog
// that travelled with its planogram, and the current catalog setting.
class CatalogFinder {
public:
    virtual ~CatalogFinder() = default;
    // The path under which the catalog was found (a hit becomes the current catalog), or empty.
    virtual std::string FindCatalog(const std::string& path) = 0;
    virtual std::string ReadCurrentDataFile() = 0;
    virtual void WriteCurrentDataFile(const std::string& path) = 0;
};
