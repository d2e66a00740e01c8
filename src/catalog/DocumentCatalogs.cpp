#include "catalog/DocumentCatalogs.h"

#include "catalog/Didascii.h"
#include "catalog/Didctf2.h"

bool DidDocumentCatalog::Open(const std::string& path)
{
    try {
        return catalog_->Open(path, nullptr);
    } catch (const std::exception&) {
        return false;
    }
}

std::unique_ptr<DocumentCatalog> DidDocumentCatalogMaker::NewCatalog(CatalogKind kind)
{
    switch (kind) {
    case CatalogKind::Binary:
        return std::make_unique<DidDocumentCatalog>(std::make_unique<didCTF2>());
    case CatalogKind::Text:
        return std::make_unique<DidDocumentCatalog>(std::make_unique<didASCII>());
    case CatalogKind::DataLink:
        break;
    }
    return nullptr;
}
