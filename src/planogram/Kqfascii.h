#pragma once

#include "planogram/Listmanager.h"
#include "platform/core/Keyval.h"

#include <memory>
#include <string>
#include <vector>

class CatalogFinder;

// One entry of a planogram's builder list: part number, rank and facings.
struct BuilderEntry {
    std::string item;
    std::string rank;
    std::string facings;
    bool operator==(const BuilderEntry&) const = default;
};

// The planogram file (".kqf") and template (".kqt"): the header, the builder list and the items.
class kqfASCII : public KeyVal {
public:
    explicit kqfASCII(CatalogFinder& finder);

    CatalogFinder& finder;
    bool pegboardBackground = false;
    int listsize = 0;
    std::vector<BuilderEntry> builderItems;
    // Lent by the document when writing; made by Read and handed over with TakeItems.
    ListManager* items = nullptr;
    int bgColor = 0xFFFFFF;
    int pegrl = 0, pegrt = 0, pegrr = 0, pegrb = 0;
    double pegrad = 0;
    int pegvs = 0, peghs = 0;
    // Written as its file name; after Read, the path under which the catalog was found.
    std::string catalogPath;
    int Width = 0, Height = 0;
    int addAlign = 0, wrapDirection = 0;
    bool pegAlign = false, reoderAlarm = false;
    double zoomSetting = 1.0;
    int viewMode = 0;
    bool transparencySetting = true;
    bool tagStack = false, tagItemNr = false, tagPartNr = false, tagXY = false, tagUnitsSold = false,
         tagInventory = false, tagCategory = false, tagBrand = false, tagCustom = false;
    std::string tagFontName;
    int tagFontSize = 0, tagFontColor = 0, tagColor = 0;
    bool pictureBackground = false;
    std::string bgBMPpath, bgBMPMACpath; // as the file stores them (see StoredPath)
    std::string title;                   // the file's name, a path's bytes, or a template's caption

    // Writes every header field, the builder list and `items`, renumbering the items 1..n. A failure
    // is shown under "Open Error" and leaves any old file as it was.
    bool Write(const std::string& path);
    // Reads a file into the fields and a new item list. `openDocumentWindows` names a template's
    // title ("My Display 2").
    bool Read(const std::string& path, int openDocumentWindows);
    // The list Read built; the caller owns it from then on.
    std::unique_ptr<ListManager> TakeItems();

private:
    void WriteHeader();
    void WriteBuilderList();
    void WriteItem(const ListOB& item, int n);
    bool FindCatalogOf(const std::string& planogramPath);
    std::string FindCatalogBeside(const std::string& folder, const std::string& storedName);
    void ReadHeaderValues();
    void ReadBuilderList();
    void ReadItems();
    void ReadItem(ListOB& item, int n);
    bool ReportWriteFailure(const std::string& path);

    std::unique_ptr<ListManager> readItems_;
};
