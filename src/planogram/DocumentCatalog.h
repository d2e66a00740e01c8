#pragma once

#include <memory>
#include <string>

// The catalog kinds a document opens, by the extension of the catalog file.
enum class CatalogKind { Binary, Text, DataLink };

// What a planogram document needs of its product catalog; the catalog side implements it.
class DocumentCatalog {
public:
    virtual ~DocumentCatalog() = default;
    // Opens the catalog file as a record source; reports its own failures.
    virtual bool Open(const std::string& path) = 0;
    virtual bool First() = 0;
    // The folder or multi-image file that holds the product pictures.
    virtual std::string PhotoCollection() const = 0;
    virtual void SetUnitsMode(unsigned char mode) = 0;
    virtual void SetDisplayScale(int scale) = 0;
    // The current record's peg offsets in document units; 0 when it has none.
    virtual int PegXQ() const = 0;
    virtual int PegYQ() const = 0;
    // Makes the product with this part number the current record; false when there is none.
    virtual bool FindByKey(const std::string& partNumber) = 0;
    // The current record's picture file and depth in document units.
    virtual std::string PictureName() const = 0;
    virtual double DepthQ() const = 0;
    // The path of the catalog file that is open.
    virtual std::string FileName() const = 0;
};

// Makes the empty catalog of a kind; nothing for a kind that cannot be opened here.
class DocumentCatalogMaker {
public:
    virtual ~DocumentCatalogMaker() = default;
    virtual std::unique_ptr<DocumentCatalog> NewCatalog(CatalogKind kind) = 0;
};
