#pragma once

#include "catalog/Didbase.h"
#include "planogram/DocumentCatalog.h"

#include <memory>

// A catalog as a planogram document uses it, over the catalog interface.
class DidDocumentCatalog : public DocumentCatalog {
public:
    explicit DidDocumentCatalog(std::unique_ptr<didBase> catalog) : catalog_(std::move(catalog)) {}

    didBase& Base() { return *catalog_; }

    // A catalog file that cannot be read counts as one that does not open.
    bool Open(const std::string& path) override;
    bool First() override { return catalog_->First(); }
    std::string PhotoCollection() const override { return catalog_->photoCollection; }
    void SetUnitsMode(unsigned char mode) override { catalog_->unitsMode = mode; }
    void SetDisplayScale(int scale) override { catalog_->displayScale = scale; }
    int PegXQ() const override { return catalog_->pegXQ; }
    int PegYQ() const override { return catalog_->pegYQ; }
    bool FindByKey(const std::string& partNumber) override { return catalog_->FindByKey(partNumber); }
    std::string PictureName() const override { return catalog_->pictureName; }
    double DepthQ() const override { return catalog_->depthQ; }
    std::string FileName() const override { return catalog_->fileName; }

private:
    std::unique_ptr<didBase> catalog_;
};

// Makes binary and text catalogs for documents; data-link catalogs cannot be opened yet.
class DidDocumentCatalogMaker : public DocumentCatalogMaker {
public:
    std::unique_ptr<DocumentCatalog> NewCatalog(CatalogKind kind) override;
};
