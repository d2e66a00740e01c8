#include "planogram/FilterCode.h"

#include "catalog/Didbase.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/SelectorHost.h"
#include "platform/core/CodePage.h"
#include "platform/core/Numbers.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowPlacement.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void AddFilterRow(std::vector<BuilderEntry>& rows, const std::string& part, const std::string& rank)
{
    rows.push_back(BuilderEntry{part, rank, "1"});
}

} // namespace

bool FilterMatches(int op, const std::string& value, const std::string& key)
{
    switch (op) {
    case 0:
        return value == key;
    case 1:
        return value != key;
    case 2:
        return Atof(value) > Atof(key);
    case 3:
        return Atof(value) < Atof(key);
    case 4:
        return Atof(value) >= Atof(key);
    case 5:
        return Atof(value) <= Atof(key);
    default:
        return false;
    }
}

std::vector<BuilderEntry> FilterCatalog(didBase& catalog, int column, int op, const std::string& key)
{
    std::vector<BuilderEntry> rows;
    const int partColumn = catalog.ColumnOf(RolePartNumber);
    const int records = catalog.ProductRecordCount();
    for (int record = 1; record <= records; ++record) {
        const std::string value = catalog.GetFieldText(column, record);
        const std::string part = catalog.GetFieldText(partColumn, record);
        if (!part.empty() && FilterMatches(op, value, key))
            AddFilterRow(rows, part, value);
    }
    return rows;
}

TfrmFilter::TfrmFilter(SelectorHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), host_(host)
{
    setWindowTitle("Filter");
    setModal(true);
    cbColumns = new QComboBox(this);
    cbOP = new QComboBox(this);
    for (const char* op : {"=", "not =", ">", "<", "> or =", "< or ="})
        cbOP->addItem(op);
    edKey = new QLineEdit(this);
    Button1 = new QPushButton("&Ok", this);
    Button2 = new QPushButton("&Cancel", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Add items where", this));
    auto* condition = new QHBoxLayout;
    condition->addWidget(cbColumns);
    condition->addWidget(cbOP);
    condition->addWidget(edKey);
    layout->addLayout(condition);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, ShowingErrors(this, &TfrmFilter::Button1Click));
    connect(Button2, &QPushButton::clicked, this, &TfrmFilter::Button2Click);
    setFixedSize(sizeHint());
    CentreOnScreen(*this);
}

void TfrmFilter::FormShow()
{
    PlanogramDocument* document = host_.ActiveDocument();
    if (!document || !document->catalog)
        return;
    const didBase& catalog = *document->catalog;
    cbColumns->clear();
    for (int column = 0; column < catalog.fieldCount; ++column)
        cbColumns->addItem(column < static_cast<int>(catalog.columnNames.size())
                               ? toShownQString(catalog.columnNames[static_cast<size_t>(column)])
                               : QString());
    cbColumns->setCurrentIndex(0);
    cbOP->setCurrentIndex(0);
}

void TfrmFilter::Button1Click()
{
    PlanogramDocument* document = host_.ActiveDocument();
    if (!document || !document->catalog)
        return;
    document->SetBuilderList(
        FilterCatalog(*document->catalog, cbColumns->currentIndex(), cbOP->currentIndex(), fromQString(edKey->text())));
    document->FillBuilderGrid();
    accept();
}

void TfrmFilter::Button2Click() { reject(); }
