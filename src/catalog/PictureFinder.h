#pragma once

#include <string>

class TBitmap;

// What the drawing needs of the catalog side: finding picture files that travelled with a
// planogram, and reading a picture out of a multi-image collection.
class PictureFinder {
public:
    virtual ~PictureFinder() = default;
    // The path under which the picture was found (the path itself, then its name in the current
    // catalog's folder, the current folder, the catalogs folder and the program's folder), or empty.
    virtual std::string FindPicture(const std::string& path) = 0;
    // Loads the collection's picture of that name into the bitmap; false when it cannot.
    virtual bool ReadCollectionImage(const std::string& collectionPath, const std::string& name, TBitmap& bitmap) = 0;
};
