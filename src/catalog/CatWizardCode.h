#pragma once

#include "catalog/CatalogWizardPages.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class StepProgressBar;
class TDForm;

// The catalog wizard: pages without tabs that lead a new user through building a catalog in the
// Catalog Manager. The window shows the pages; CatalogWizardPages decides what each Next does.
class TCatalogWizard : public QDialog, private CatalogWizardWindows {
    Q_OBJECT

public:
    explicit TCatalogWizard(TDForm& catalogManager, QWidget* parent = nullptr);

    CatalogWizardPages pages;

    // Hands "Start planogramming" the planogram setup wizard and offers the choice.
    void SetStartPlanogramming(std::function<void()> start);

    // Handlers.
    void FormShow();
    void bNextClick();
    void bBackClick();
    void bCancelClick();
    void rgImportClick();
    void lFieldsClick();
    void bAddFieldClick();
    void bRemoveClick();
    void bPicClick();

    QTabWidget* PageControl1 = nullptr;
    QPushButton* bBack = nullptr;
    QPushButton* bNext = nullptr;
    QPushButton* bCancel = nullptr;
    QButtonGroup* rgDoWhat = nullptr;
    QButtonGroup* rgImport = nullptr;
    QGroupBox* gbRowCol = nullptr;
    QLineEdit* edMaxR = nullptr;
    QLineEdit* edMaxC = nullptr;
    StepProgressBar* ProgressBar1 = nullptr;
    QListWidget* lFields = nullptr;
    QLineEdit* edNewField = nullptr;
    QPushButton* bAddField = nullptr;
    QPushButton* bRemove = nullptr;
    // cbIndex, cbDescription, cbWidth, cbHeight, cbDepth, cbPicName, cbCostPrice, cbRetailPrice, cbPegX, cbPegY.
    std::array<QComboBox*, 10> fieldCombos{};
    QButtonGroup* rgUnits = nullptr;
    QButtonGroup* rgAddManualOrNot = nullptr;
    QLabel* lbAddInfo = nullptr;
    QLineEdit* edCellInfo = nullptr;
    QPushButton* bPic = nullptr;
    QButtonGroup* rgDoNext = nullptr;
    QButtonGroup* rgFinished = nullptr;
    FileDialogOptions OpenPictureDialog1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* WelcomePage();
    QWidget* DoWhatPage();
    QWidget* ImportPage();
    QWidget* FieldsPage();
    QWidget* AssignmentsPage();
    QWidget* UnitsPage();
    QWidget* AddProductsPage();
    QWidget* CellPage();
    QWidget* DoNextPage();
    QWidget* FinishedPage();
    void ConnectHandlers();
    // The choices on the pages go to the page machine, and back to the controls after it ran.
    void ReadControls();
    void ShowPages();
    void ShowFields();
    void SetStaysOnTop(bool onTop);

    void ShowCatalogManager() override;
    void CloseCatalogManager() override;
    void HideWizard() override;
    void CloseWizard() override;
    void KeepWizardOnTop() override;

    TDForm& catalogManager_;
    // The last Next showed the Catalog Manager.
    bool managerShown_ = false;
};
