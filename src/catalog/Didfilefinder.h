#pragma once

#include "catalog/CatalogFinder.h"
#include "platform/settings/SettingsStore.h"

#include <initializer_list>
#include <string>

class TFileListBox;

// Finds the catalogs and pictures a planogram names when they are not where the stored path says
// (they travel between computers with their planograms), keeps the current catalog, and points file
// lists at the program's template and example folders. Stored paths may be Windows paths; a name
// that is not found as written is matched in each folder without regard to letter case.
class Didfilefinder : public CatalogFinder {
public:
    Didfilefinder() = default;
    explicit Didfilefinder(SettingsStore settings);

    // The stored current catalog; the catalogs folder when none is stored.
    std::string ReadCurrentDataFile() override;
    void WriteCurrentDataFile(const std::string& path) override;

    // The program's folders, each with its final delimiter.
    std::string CatalogsFolder() const;
    std::string TemplateFolder() const;
    std::string ExampleFolder() const;

    // Shows the current catalog's folder in the list and selects the catalog.
    void SelectCurrentCatalog(TFileListBox& fileList);
    // The list's mask becomes "*.kqt" ("*.kqf"); when the template (example) folder holds such files,
    // the list shows that folder.
    void ListTemplates(TFileListBox& fileList);
    void ListExamples(TFileListBox& fileList);

    // The path under which the catalog was found, or empty; a hit becomes the current catalog. The
    // paths searched for are as a file stores them (see StoredPath); the paths returned are the
    // system's.
    std::string FindCatalog(const std::string& path) override;
    // The path under which the picture was found, or empty; the current catalog stays.
    std::string FindPicture(const std::string& path);
    // The same search with `catalogFile`'s folder in place of the current catalog's: where a drawing
    // of that catalog's products finds their pictures.
    std::string FindPictureOfCatalog(const std::string& path, const std::string& catalogFile);

private:
    // The path itself when it exists, else its file name in the first of `folders` (each with its
    // final delimiter) that holds it; empty when none does. The path is as a file stores it: each
    // of its readings is tried in every place before the next place.
    std::string FirstFound(const std::string& path, std::initializer_list<std::string> folders);
    void ListFolder(TFileListBox& fileList, const std::string& folder, const std::string& mask);

    SettingsStore settings_;
};

// The name of a picture's high-resolution twin: "H" before the file name, in the same folder
// ("C:\Pics\cola.jpg" gives "C:\Pics\Hcola.jpg", "shelf1.jpg" gives "Hshelf1.jpg").
std::string HighResolutionName(const std::string& picture);

// The file a stored path names where it stands (each of its readings, the name in any letter case),
// or empty.
std::string ExistingStoredFile(const std::string& stored);
