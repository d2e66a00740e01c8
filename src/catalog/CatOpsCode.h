#pragma once

#include "catalog/CatalogManager.h"

#include <QDialog>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;

// Which column of the catalog in the Catalog Manager holds which field role: one combo box per role,
// listing the column titles, "None" first for the roles a catalog may lack. It changes nothing
// itself; the Catalog Manager takes the choices after OK. While it lives, it is the options dialog
// the Catalog Manager shows.
class TCatOps : public QDialog, public CatalogOptionsDialog {
    Q_OBJECT

public:
    explicit TCatOps(CatalogManager& manager, QWidget* parent = nullptr);
    ~TCatOps() override;

    // Shown modally, on the first page when asked; nothing after Cancel.
    std::optional<RoleEntries> Show(bool firstPage) override;
    void FormShow();
    void HelpBtnClick();
    // Each role's chosen entry.
    RoleEntries Choices() const;

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QComboBox* cbIndex = nullptr;
    QComboBox* cbDescription = nullptr;
    QComboBox* cbWidth = nullptr;
    QComboBox* cbHeight = nullptr;
    QComboBox* cbDepth = nullptr;
    QComboBox* cbPicName = nullptr;
    QComboBox* cbCostPrice = nullptr;
    QComboBox* cbRetailPrice = nullptr;
    QComboBox* cbPegX = nullptr;
    QComboBox* cbPegY = nullptr;
    QLabel* lbPegY = nullptr;
    QComboBox* cbInventory = nullptr;
    QComboBox* cbLowInventory = nullptr;
    QComboBox* cbSalesQ = nullptr;
    QComboBox* cbCategory = nullptr;
    QComboBox* cbBrand = nullptr;
    QLabel* txtDataSource = nullptr;
    QLabel* txtStatus = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

private:
    QWidget* CreateAssignmentPage();
    QWidget* CreateSourcePage();

    struct RoleBox {
        CatalogFieldRole role;
        QComboBox* box;
    };
    std::vector<RoleBox> boxes_; // in the page's order
    CatalogManager& manager_;
};

// The program's one instance (not owned); null until main makes it.
extern TCatOps* CatOps;
