#pragma once

// Stand-ins for the catalog and picture finders, for tests of the code that searches through them,
// and a Catalog Manager host without a product selector.

#include "catalog/CatalogFinder.h"
#include "catalog/CatalogManager.h"
#include "catalog/PictureFinder.h"
#include "platform/core/FilePaths.h"

#include <map>
#include <string>
#include <vector>

class FakeCatalogFinder : public CatalogFinder {
public:
    std::string current = "/catalogs/products.ctf";
    std::vector<std::string> written;

    std::string FindCatalog(const std::string& path) override { return path; }
    std::string ReadCurrentDataFile() override { return current; }
    void WriteCurrentDataFile(const std::string& path) override
    {
        current = path;
        written.push_back(path);
    }
};

// Finds existing files under their own path, and the names it was told of.
class FakePictureFinder : public PictureFinder {
public:
    std::map<std::string, std::string> files;

    std::string FindPicture(const std::string& path) override
    {
        const auto hit = files.find(path);
        if (hit != files.end())
            return hit->second;
        return !path.empty() && FileExists(path) ? path : std::string();
    }
    bool ReadCollectionImage(const std::string&, const std::string&, TBitmap&) override { return false; }
};

class NoSelectorHost : public CatalogManagerHost {
public:
    int DisplayScale() const override { return 8; }
    unsigned char UnitsMode() const override { return 1; }
    TStringGrid* SelectorGrid() override { return nullptr; }
    bool SelectorVisible() const override { return false; }
    void HideSelector() override {}
    void ShowSelector() override {}
    std::unique_ptr<CatalogPictureEditor> NewPictureEditor() override { return nullptr; }
};
