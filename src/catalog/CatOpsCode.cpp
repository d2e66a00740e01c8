#include "catalog/CatOpsCode.h"

#include "platform/core/CodePage.h"
#include "platform/core/UiServices.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowPlacement.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TCatOps* CatOps = nullptr;

TCatOps::TCatOps(CatalogManager& manager, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), manager_(manager)
{
    setObjectName("CatOps");
    setWindowTitle("Catalog Manager Options");
    PageControl1 = new QTabWidget(this);
    PageControl1->addTab(CreateAssignmentPage(), "Data field assignment");
    PageControl1->addTab(CreateSourcePage(), "Imported Data Source");
    OKBtn = new QPushButton("OK", this);
    CancelBtn = new QPushButton("Cancel", this);
    HelpBtn = new QPushButton("&Help", this);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(HelpBtn, &QPushButton::clicked, this, ShowingErrors(this, &TCatOps::HelpBtnClick));
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {OKBtn, CancelBtn, HelpBtn})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    CentreOnScreen(*this);
    manager_.catalogOptions = this;
}

TCatOps::~TCatOps()
{
    if (manager_.catalogOptions == this)
        manager_.catalogOptions = nullptr;
}

QWidget* TCatOps::CreateAssignmentPage()
{
    TabSheet1 = new QWidget(this);
    TabSheet1->setObjectName("TabSheet1");
    const struct {
        const char* label;
        QComboBox** box;
        const char* name;
        CatalogFieldRole role;
    } rows[] = {
        {"Unique idendification for product:", &cbIndex, "cbIndex", RolePartNumber},
        {"Product description:", &cbDescription, "cbDescription", RoleDescription},
        {"Width:", &cbWidth, "cbWidth", RoleWidth},
        {"Height:", &cbHeight, "cbHeight", RoleHeight},
        {"Depth:", &cbDepth, "cbDepth", RoleDepth},
        {"Picture file name:", &cbPicName, "cbPicName", RolePictureName},
        {"Cost price:", &cbCostPrice, "cbCostPrice", RoleCostPrice},
        {"Retail price:", &cbRetailPrice, "cbRetailPrice", RoleSalePrice},
        {"Peg hole X coordinate:", &cbPegX, "cbPegX", RolePegX},
        {"Peg hole Y coordinate:", &cbPegY, "cbPegY", RolePegY},
        {"Inventory", &cbInventory, "cbInventory", RoleInventory},
        {"Low inventory alarm amount", &cbLowInventory, "cbLowInventory", RoleMinInventory},
        {"Sales quantity", &cbSalesQ, "cbSalesQ", RoleSellAmount},
        {"Category", &cbCategory, "cbCategory", RoleCategory},
        {"Brand", &cbBrand, "cbBrand", RoleBrand},
    };
    auto* grid = new QGridLayout(TabSheet1);
    grid->addWidget(new QLabel("Information type", TabSheet1), 0, 0);
    grid->addWidget(new QLabel("Catalog Column Names", TabSheet1), 0, 1);
    int line = 1;
    for (const auto& row : rows) {
        auto* label = new QLabel(row.label, TabSheet1);
        auto* box = new QComboBox(TabSheet1);
        box->setObjectName(row.name);
        label->setBuddy(box);
        *row.box = box;
        if (row.box == &cbPegY)
            lbPegY = label;
        grid->addWidget(label, line, 0);
        grid->addWidget(box, line, 1);
        boxes_.push_back({row.role, box});
        ++line;
    }
    return TabSheet1;
}

QWidget* TCatOps::CreateSourcePage()
{
    TabSheet2 = new QWidget(this);
    TabSheet2->setObjectName("TabSheet2");
    txtDataSource = new QLabel("Data was manually entered", TabSheet2);
    txtStatus = new QLabel("Up to date", TabSheet2);
    auto* grid = new QGridLayout(TabSheet2);
    grid->addWidget(new QLabel("Data source:", TabSheet2), 0, 0);
    grid->addWidget(txtDataSource, 0, 1);
    grid->addWidget(new QLabel("Status:", TabSheet2), 1, 0);
    grid->addWidget(txtStatus, 1, 1);
    grid->addWidget(new QLabel("Update options", TabSheet2), 2, 0);
    grid->setRowStretch(3, 1);
    return TabSheet2;
}

void TCatOps::FormShow()
{
    const std::vector<std::string> names = manager_.ColumnNames();
    for (const auto& [role, box] : boxes_) {
        box->clear();
        if (RoleHasNoneEntry(role))
            box->addItem("None");
        for (const std::string& name : names)
            box->addItem(toShownQString(name));
        const didBase* catalog = manager_.catalog.get();
        box->setCurrentIndex(catalog ? ComboEntryForRoleColumn(role, catalog->roles[role]) : 0);
    }
}

void TCatOps::HelpBtnClick()
{
    // As F1 asks: the context of the dialog's nearest window that has one.
    if (const int context = HelpContextOf(this); context != 0)
        TApplication::HelpContext(static_cast<std::uint32_t>(context));
}

RoleEntries TCatOps::Choices() const
{
    RoleEntries entries;
    for (const auto& [role, box] : boxes_)
        entries.emplace_back(role, box->currentIndex());
    return entries;
}

std::optional<RoleEntries> TCatOps::Show(bool firstPage)
{
    if (firstPage)
        PageControl1->setCurrentIndex(0);
    FormShow();
    if (Ui().ShowModal(*this) == mrCancel)
        return std::nullopt;
    return Choices();
}
