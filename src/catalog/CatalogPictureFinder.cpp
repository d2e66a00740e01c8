#include "catalog/CatalogPictureFinder.h"

#include "catalog/Zyb.h"

namespace {

constexpr std::uint32_t CollectionImageIndex = 1;

} // namespace

CatalogPictureFinder::CatalogPictureFinder(SettingsStore settings) : finder_(std::move(settings)) {}

std::string CatalogPictureFinder::FindPicture(const std::string& path) { return finder_.FindPicture(path); }

bool CatalogPictureFinder::ReadCollectionImage(const std::string& collectionPath, const std::string& name,
                                               TBitmap& bitmap)
{
    ZybFile collection;
    return collection.ReadImage(collectionPath, name, bitmap, CollectionImageIndex);
}
