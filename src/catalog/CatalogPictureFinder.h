#pragma once

#include "catalog/Didfilefinder.h"
#include "catalog/PictureFinder.h"

// The drawing's picture finder on the catalog side: the file finder for picture files, the
// multi-image collection file for pictures inside a collection.
class CatalogPictureFinder : public PictureFinder {
public:
    CatalogPictureFinder() = default;
    explicit CatalogPictureFinder(SettingsStore settings);

    std::string FindPicture(const std::string& path) override;
    // The collection's picture of that name with the index the program files its pictures under.
    bool ReadCollectionImage(const std::string& collectionPath, const std::string& name, TBitmap& bitmap) override;

private:
    Didfilefinder finder_;
};
