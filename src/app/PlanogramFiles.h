#pragma once

#include "app/LongOperations.h"

#include <cstdint>
#include <functional>
#include <string>

class CatalogFinder;
class DocumentMainWindow;
class DocumentSelector;
class DocumentSetupDialog;
class PictureFinder;
class PlanogramDocument;
class QMdiArea;
class QMdiSubWindow;
class Tplandoc;
struct FileDialogOptions;

// What the planogram file commands work with; none is owned.
struct PlanogramFilesSeams {
    QMdiArea& area;                              // the planogram windows
    DocumentMainWindow& mainWindow;              // what each document reads and drives of the main window
    std::function<DocumentSelector&()> selector; // the selector window, once it exists
    CatalogFinder& catalogFinder;
    PictureFinder& pictureFinder;
    FileDialogOptions& openDialog; // the open dialog's choices, kept from one open to the next
    FileDialogOptions& saveDialog; // the same for Save As
    LongOperations& busy;
    // A planogram was written under this path: the recent list takes it.
    std::function<void(const std::string& path)> saved;
    // A planogram was opened, made or set up: the main window follows the active one, forced.
    std::function<void()> synchronise;
};

// Opening, saving, Save As, New and Document Setup of planograms, each in a window of its own in
// the MDI area. Each command returns true when it did what it was asked; none starts while an open,
// save or print runs.
class PlanogramFiles {
public:
    explicit PlanogramFiles(const PlanogramFilesSeams& seams);

    // The document setup dialog the documents show (not owned); New does nothing without one.
    void SetDocumentSetupDialog(DocumentSetupDialog* dialog) { setupDialog_ = dialog; }
    bool HasDocumentSetupDialog() const { return setupDialog_ != nullptr; }

    // An empty path asks for one with the open dialog.
    bool OpenPlanogram(std::string path);
    bool SavePlanogram(bool askForName);
    // Saves the document of that window, asking for a name when it has none or `askForName` is set.
    bool SaveWindow(Tplandoc& window, bool askForName);
    // A blank display as the Document Setup dialog describes it, or the template chosen on it,
    // opened untitled.
    bool NewPlanogram();
    // A new display that the caller sets up instead of the Document Setup dialog: `setUp` makes the
    // window's document (its wall, through NewDocument) and answers whether it did; the window is
    // freed when it did not. Then `fill` puts the display's contents on it, as the active planogram.
    // The whole runs as one long operation; false when none could start or no document was made.
    bool NewSetUpPlanogram(const std::function<bool(PlanogramDocument&)>& setUp,
                           const std::function<void(PlanogramDocument&)>& fill);
    // The Document Setup command of the active planogram: its wall takes the new size, background
    // and peg holes; items left wholly outside are moved to its upper left corner. True when applied.
    bool DocumentSetup();
    // The save dialog's filter changed: the file name takes that filter's extension.
    void SaveTypeChange(int filterIndex);

    // The active MDI child when it is a planogram window; while NewSetUpPlanogram fills a display,
    // that display's, whichever window the window system holds active (a wizard shown modally keeps
    // the main window and its planogram windows inactive).
    Tplandoc* ActivePlanogram() const;
    Tplandoc* WindowOf(const PlanogramDocument& document) const;

    // The catalog-mismatch question of the open that runs: not asked yet, and what was answered.
    std::uint8_t openMismatchAsk = 0;
    std::uint8_t openUpdateFromCatalog = 0;

private:
    Tplandoc* NewPlanogramWindow(QMdiSubWindow*& frame);
    // The work of OpenPlanogram and NewPlanogram once they hold the long operation.
    bool OpenPlanogramFile(const std::string& path);
    bool NewBlankPlanogram(std::string& chosenTemplate);
    // A window for a new display, titled `caption` and the number of windows, whose document `setUp`
    // makes; nullptr, the window freed and the reason shown, when that fails.
    Tplandoc* NewDisplayWindow(const std::string& caption, const std::function<bool(PlanogramDocument&)>& setUp);
    bool OpenInto(Tplandoc& window, QMdiSubWindow& frame, const std::string& path, int openWindows);
    bool AskMismatchUpdate();
    bool ApplyDocumentSetup(PlanogramDocument& document);

    PlanogramFilesSeams seams_;
    DocumentSetupDialog* setupDialog_ = nullptr;
    Tplandoc* filling_ = nullptr;
};
