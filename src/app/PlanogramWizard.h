#pragma once

#include "app/PlanogramWizardPages.h"
#include "catalog/DidADOData.h"
#include "platform/core/UiServices.h"

#include <QDialog>

#include <array>
#include <memory>

class Didfilefinder;
class FileListBoxView;
class PlanogramDocument;
class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class StringGridView;
class TCatalogWizard;
class TMainForm;
class TStringGrid;
class didBase;

// The planogram setup wizard: twelve pages without tabs that lead a user from a catalog, a unit, a
// wall and its background to a new planogram, built from a product list when it is automatic. It stays
// on top of the program's windows. The window shows the pages; PlanogramWizardPages decides what each
// Next does. While it is shown it reads data links through its own database components.
class TSUWizard : public QDialog, private PlanogramWizardWindows, private DataLinkHost {
    Q_OBJECT

public:
    explicit TSUWizard(TMainForm& mainForm, QWidget* parent = nullptr);
    ~TSUWizard() override;

    // The catalog wizard is shown for a user without a catalog, and its "Start planogramming" shows
    // this wizard.
    void ConnectCatalogWizard(TCatalogWizard& wizard);

    PlanogramWizardPages pages;

    // Ticks or clears "Show at program start" as the options now say.
    void ShowAtStart(bool show);

    // Handlers.
    void FormShow();
    void FormClose();
    void bNextClick();
    void bBackClick();
    void rbDoWhatClick();
    void rbDisplayTypeClick();
    void Button1Click();
    void Button2Click();
    void bAddClick();
    void bRemoveClick();

    TStringGrid& GridP();
    TStringGrid& GridB();
    // While Finish builds a display, the wizard connects its data link itself.
    bool Building() const { return building_; }

    QTabWidget* PageControl1 = nullptr;
    QButtonGroup* rbDoWhat = nullptr;
    FileListBoxView* TemplateList = nullptr;
    QLabel* Label4 = nullptr;
    QButtonGroup* rbHaveCat = nullptr;
    FileListBoxView* CatalogList = nullptr;
    QPushButton* Button1 = nullptr;
    QButtonGroup* rbUnits = nullptr;
    QLineEdit* edWidth = nullptr;
    QLineEdit* edHeight = nullptr;
    QLabel* lbUnitW1 = nullptr;
    QLabel* lbUnitH1 = nullptr;
    QButtonGroup* rbDisplayType = nullptr;
    QPushButton* Button2 = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* lbPegHeading = nullptr;
    // edPegTop, edPegBottom, edPegRight, edPegLeft, edPegYSpace, edPegXSpace, edPegSize.
    std::array<QLineEdit*, 7> pegEdits{};
    QButtonGroup* rbAutoDisplay = nullptr;
    StringGridView* GridPView = nullptr;
    StringGridView* GridBView = nullptr;
    QPushButton* bAdd = nullptr;
    QPushButton* bRemove = nullptr;
    QCheckBox* ckAutoShelves = nullptr;
    QLineEdit* edBestHeight = nullptr;
    QLabel* lbUnitHeight = nullptr;
    QListWidget* RankList = nullptr;
    QPushButton* bBack = nullptr;
    QPushButton* bNext = nullptr;
    QPushButton* CancelBtn = nullptr;
    QCheckBox* ckShowAtStart = nullptr;
    FileDialogOptions FindCat;
    FileDialogOptions OpenPictureDialog1;
    std::unique_ptr<TdADOConnection> dADOConnection1;
    std::unique_ptr<TdADODataset> dADODataset1;

protected:
    void showEvent(QShowEvent* event) override;
    // Cancel, the window's close button and Escape close alike; a build that runs keeps the wizard.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QWidget* WelcomePage();
    QWidget* DoWhatPage();
    QWidget* HaveCatalogPage();
    QWidget* CatalogPage();
    QWidget* UnitsPage();
    QWidget* SizePage();
    QWidget* BackgroundPage();
    QWidget* PegPage();
    QWidget* AutoPage();
    QWidget* ProductsPage();
    QWidget* PlacementPage();
    QWidget* FinishedPage();
    QWidget* TextPage(const char* heading, const char* text);
    QLineEdit* LabelledEdit(QVBoxLayout& layout, const char* caption, QLabel** unit);
    void CreateButtons(QVBoxLayout& layout);
    void ConnectHandlers();
    // The choices on the pages go to the page machine, and back to the controls after it ran.
    void ReadControls();
    void ShowPages();
    void ReadGridB();
    void ShowGridB();
    void ShowSwatch();
    // The part number of the catalog grid's selected row; empty without a part-number column or a
    // product row.
    std::string SelectedPartNumber();

    // What the pages ask of the windows around them.
    bool OpenPlanogram(const std::string& fileName) override;
    void ShowCatalogWizard() override;
    void CloseWizard() override;
    bool OpenCatalog(const std::string& fileName) override;
    void LoadLinkedTable() override;
    bool BuildDisplay() override;

    // The build on Finish. A list asking for more of a product than the wall holds is refused, after
    // telling the user, before any display is made.
    bool FacingsFitTheWall();
    bool SetUpDocument(PlanogramDocument& document);
    void FillDocument(PlanogramDocument& document);
    void PlaceProducts(PlanogramDocument& document);
    void SetBuilding(bool building);

    // The wizard's own components, through which the linked table fills the catalog grid.
    TdADOConnection& DataConnection() override { return *dADOConnection1; }
    TdADODataset& DataSet() override { return *dADODataset1; }
    bool PlanogramWizardVisible() override { return true; }
    void UpdateCatalogBar() override {}

    TMainForm& mainForm_;
    TCatalogWizard* catalogWizard_ = nullptr;
    std::unique_ptr<Didfilefinder> fileFinder;
    std::unique_ptr<didBase> catalog;
    bool building_ = false;
};

extern TSUWizard* SUWizard;
