// The main window's Load Product List and Product Details commands on the active planogram.
#include "app/ProductCommands.h"
#include "app/SDIMain.h"
#include "app/SmallDialogs.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/SelectorCode.h"
#include "platform/core/CodePage.h"
#include "platform/core/UiServices.h"
#include "platform/ui/Application.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

namespace {

constexpr int BuilderPage = 3;

std::string Lines(const std::vector<std::string>& entries)
{
    std::string text;
    for (const std::string& entry : entries)
        text += entry + "\n";
    return text;
}

} // namespace

void TMainForm::ConnectProductCommands()
{
    connect(LoadProductList1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::LoadProductList1Click));
    connect(ProductDetails1, &QAction::triggered, this, ShowingErrors(this, &TMainForm::ProductDetails1Click));
}

void TMainForm::LoadProductList1Click()
{
    PlanogramDocument* document = ActiveDocument();
    if (!document || !document->catalog || !selectorWindow_ || !frmLoadListOps || !frmMissingItems)
        return;
    frmLoadListOps->List1->clear();
    if (Ui().ShowModal(*frmLoadListOps) != mrOk)
        return;
    const std::string text = fromQString(frmLoadListOps->List1->toPlainText());
    if (text.empty()) {
        Ui().MessageBox("List is empty. Please add product part numbers to the list and try again.",
                        "Load Product List", MsgButtons::OK, MsgIcon::Warning);
        return;
    }
    frmMissingItems->Memo1->clear();
    const std::vector<std::string> entries = ProductListEntries(text);
    if (entries.empty()) {
        Ui().MessageBox("The list seems to be empty", "Load From List", MsgButtons::OK, MsgIcon::Warning);
        return;
    }
    const LoadedProductList list =
        LoadProductList(*document->catalog, entries, fromQString(frmLoadListOps->edAmount->text()),
                        frmLoadListOps->cbAmount->currentIndex() == 1, document->displayWidth, document->displayHeight);
    if (list.refused)
        return;
    document->SetBuilderList(list.rows);
    document->FillBuilderGrid();
    selectorWindow_->PageControl1->setCurrentIndex(BuilderPage);
    selectorWindow_->BuildDisplay();
    document->modified = true;
    if (list.missing.empty())
        return;
    frmMissingItems->Memo1->setPlainText(toQString(Lines(list.missing)));
    Ui().ShowModal(*frmMissingItems);
}

void TMainForm::ProductDetails1Click()
{
    PlanogramDocument* document = ActiveDocument();
    if (!document || !document->items || !document->items->current || !PDetails)
        return;
    ListOB& item = *document->items->current;
    const DetailUnits units{unitsInches != 0, unitsMode != 0, displayScale};
    const ProductDetailsTexts texts = ProductDetailsOf(item, document->catalog.get(), units);
    const std::pair<QLabel*, const std::string*> labels[] = {
        {PDetails->txtProduct, &texts.product}, {PDetails->txtDes, &texts.description},
        {PDetails->txtPic, &texts.picture},     {PDetails->txtW, &texts.width},
        {PDetails->txtH, &texts.height},        {PDetails->txtD, &texts.depth},
        {PDetails->txtVSide, &texts.face},      {PDetails->txtPHUnit, &texts.hookUnit},
        {PDetails->txtSC, &texts.stackCount}};
    for (const auto& [label, text] : labels)
        label->setText(toShownQString(*text));
    PDetails->edPHDepth->setText(toQString(texts.hookDepth));
    if (Ui().ShowModal(*PDetails) != mrOk)
        return;
    ApplyHookDepth(item, fromQString(PDetails->edPHDepth->text()), units);
    document->modified = true;
}
