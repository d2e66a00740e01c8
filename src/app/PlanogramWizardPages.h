#pragma once

#include "platform/core/UiServices.h"
#include "platform/graphics/Colors.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class SettingsStore;

// What the planogram setup wizard's pages ask of the windows and documents around them.
class PlanogramWizardWindows {
public:
    virtual ~PlanogramWizardWindows() = default;
    // Opens a planogram or template file; false when it could not be opened.
    virtual bool OpenPlanogram(const std::string& fileName) = 0;
    virtual void ShowCatalogWizard() = 0;
    virtual void CloseWizard() = 0;
    // Opens the chosen catalog and loads its records into the catalog grid; false on failure.
    virtual bool OpenCatalog(const std::string& fileName) = 0;
    // Loads a data-link catalog's table into the catalog grid; failures end it silently.
    virtual void LoadLinkedTable() = 0;
    // Makes and builds the display the pages describe; false when no document was made.
    virtual bool BuildDisplay() = 0;
};

// The display the wizard's values describe, in document units (quarter centimetres).
struct WizardDisplay {
    int displayWidth = 0, displayHeight = 0;
    double pegHoleSize = 0;
    int pegPitchV = 0, pegPitchH = 0;
    int pegFirstX = 0, pegFirstY = 0, pegLastX = 0, pegLastY = 0;
    bool pegHolesShown = false;
    bool backgroundMode = false;
    std::string backgroundPath;
    TColor backgroundColor = clWhite;
};

// The planogram setup wizard without its window: the page it shows, the choices on its pages, and
// what Next does on each page.
class PlanogramWizardPages {
public:
    enum Page {
        WelcomePage,
        DoWhatPage,
        HaveCatalogPage,
        CatalogPage,
        UnitsPage,
        SizePage,
        BackgroundPage,
        PegPage,
        AutoPage,
        ProductsPage,
        PlacementPage,
        FinishedPage,
        PageCount
    };
    enum DoWhat { NoChoice = -1, NewDisplay, OpenDisplay, OpenTemplate };
    enum DisplayType { Pegboard, Slatwall, Image, SolidColor };
    using Row = std::array<std::string, 3>;

    explicit PlanogramWizardPages(PlanogramWizardWindows& windows);

    // Starts again on the first page with the unit and peg values of the settings and no products.
    void FormShow(const SettingsStore& store);
    void ShowUnits(const SettingsStore& store);
    void NextClick(const SettingsStore& store);
    void BackClick();
    std::string NextCaption() const { return currentPage == FinishedPage ? "&Finish" : "&Next>"; }
    bool BackEnabled() const { return currentPage != WelcomePage; }

    // GridB: its title row, the entries, and always one empty row at its end.
    void AddProduct(const std::string& partNumber);
    void RemoveProduct(int row);
    // The entries between the title row and the empty last row.
    std::vector<Row> BuilderEntries() const;

    WizardDisplay Display() const;
    // The most visible height as the whole number the builder takes.
    int BestHeight() const;
    bool Automatic() const { return autoDisplay; }

    int currentPage = WelcomePage;
    int backStep = 1;

    // The choices on the pages, as the window's controls hold them.
    int doWhat = NewDisplay;
    std::string templateFile;
    bool haveCatalog = true;
    std::string catalogFile;
    bool inchUnits = false;
    std::string edWidth, edHeight;
    int displayType = Pegboard;
    std::string pictureFile;
    TColor backgroundColor = clWhite;
    // edPegTop, edPegBottom, edPegRight, edPegLeft, edPegYSpace, edPegXSpace, edPegSize.
    std::array<std::string, 7> peg;
    bool autoDisplay = false;
    std::vector<Row> gridB;
    bool autoShelves = false;
    std::string edBestHeight;
    int rankIndex = 0;
    bool showAtStart = true;
    std::string pegHeading;
    std::string unitLabel;
    FileDialogOptions OpenKQF;

private:
    // Each page's part of Next: false when the wizard stays on its page.
    bool PageAction(const SettingsStore& store);
    bool OpenChosenFile();
    bool RefuseSize() const;
    bool RefusePegValues() const;
    bool LinkedCatalog() const;
    void Restart();
    void ClearProducts();

    PlanogramWizardWindows& windows;
    // The unit the peg values and the most visible height were read for since the wizard was shown,
    // and the display height the most visible height was worked out from: going Back and Next again
    // keeps what was typed unless what it depends on changed.
    std::optional<bool> valuesInInches_;
    std::string bestHeightFrom_;
};
