#pragma once

#include "catalog/Didbase.h"
#include "platform/core/UiServices.h"
#include "platform/ui/Progress.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

class CatalogManager;

// What the catalog wizard's pages ask of the windows around them.
class CatalogWizardWindows {
public:
    virtual ~CatalogWizardWindows() = default;
    virtual void ShowCatalogManager() = 0;
    // Through the Catalog Manager's own close query, which may keep it open.
    virtual void CloseCatalogManager() = 0;
    virtual void HideWizard() = 0;
    virtual void CloseWizard() = 0;
    // Above every other window, neither moved nor sized.
    virtual void KeepWizardOnTop() = 0;
};

// The catalog wizard without its window: the page it shows, the choices made on its pages, and
// what Next does on each page to the Catalog Manager's grid and catalog object. The wizard itself
// stores nothing; the user saves the catalog in the Catalog Manager.
class CatalogWizardPages {
public:
    enum Page {
        WelcomePage,
        DoWhatPage,
        ImportPage,
        FieldsPage,
        AssignmentsPage,
        UnitsPage,
        AddProductsPage,
        CellPage,
        DoNextPage,
        FinishedPage
    };
    enum DoWhat { CreateNew, ContinueExisting };
    enum ImportKind { ImportExcel, ImportTextFile, EnterManually };
    enum AddProducts { AddManually, AddWithWizard };
    enum DoNext { AddNextEntry, DoneAdding };
    enum Finished { Finish, StartPlanogramming };

    // One of the field assignment combo boxes: the role it assigns and its entries.
    struct FieldCombo {
        CatalogFieldRole role;
        std::vector<std::string> items;
        int selected = -1;
    };

    static const std::vector<std::string>& DefaultFields();

    CatalogWizardPages(CatalogManager& manager, CatalogWizardWindows& windows);

    void FormShow();
    // The Next logic of the current page; then `page` moves by `step` unless the page stays.
    void AdvancePage();
    void BackPage();
    std::string NextCaption() const;

    void FillFieldCombos();
    void ApplyToCatalogManager();
    // Stores the typed cell; true while the row has more columns.
    bool StoreCellAndAdvance();

    void AddField(const std::string& field);
    void RemoveField(int index);

    int page = WelcomePage;
    int step = 1;
    bool fieldsChanged = false;
    bool backEnabled = true;

    // The choices on the pages, as the window's controls hold them.
    DoWhat doWhat = CreateNew;
    ImportKind importKind = EnterManually;
    std::string maxRows = "1";
    std::string maxColumns = "1";
    std::vector<std::string> fields;
    // cbIndex, cbDescription, cbWidth, cbHeight, cbDepth, cbPicName, cbCostPrice, cbRetailPrice, cbPegX, cbPegY.
    std::array<FieldCombo, 10> combos;
    bool centimetres = true;
    AddProducts addProducts = AddManually;
    std::string cellInfo;
    std::string addInfo;
    DoNext doNext = AddNextEntry;
    Finished finished = Finish;
    // ProgressBar1 of the Excel import; by default one that no window shows.
    Progress* progressBar;
    FileDialogOptions OpenDialog1;
    FileDialogOptions dbImport;
    FileDialogOptions dbExcelImport;
    // Shows the planogram setup wizard; "Start planogramming" waits for it.
    std::function<void()> startPlanogramming;

private:
    // Each page's part of Next: false when the wizard stays on the page, else it moves by `step`.
    bool PageAction();
    bool ContinueExistingCatalog();
    bool ImportOrStart();
    bool Imported(bool read);
    bool StartProductEntry();
    bool FinishWizard();
    bool Importing() const { return importKind != EnterManually; }
    // A new empty catalog, once unsaved changes are saved or given up.
    bool StartNewCatalog();
    // The catalog entered by hand: new the first time in a showing, then the one being typed into, so
    // that going Back and Next again keeps the products typed.
    bool StartEnteredCatalog();
    // Asks for the grid's selected cell, showing what it holds, so that Next keeps it unless retyped.
    void PromptForSelectedCell();

    CatalogManager& manager;
    CatalogWizardWindows& windows;
    Progress unshownProgress;
    bool enteredCatalogStarted_ = false;
};
