#pragma once

#include "planogram/Kqfascii.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class SelectorHost;
class didBase;

// cbOP's comparisons by index: 0 "=", 1 "not =" compare the texts exactly; 2 ">", 3 "<", 4 "> or =",
// 5 "< or =" compare their leading numbers, 0 for a text that starts with none.
bool FilterMatches(int op, const std::string& value, const std::string& key);

// One builder entry for every product record of the catalog whose column passes the comparison with
// the key: its part number, the compared text as rank, facings "1". Records without a part number
// are passed over.
std::vector<BuilderEntry> FilterCatalog(didBase& catalog, int column, int op, const std::string& key);

// The filter window: the active planogram's builder list becomes the catalog's products that pass.
class TfrmFilter : public QDialog {
public:
    explicit TfrmFilter(SelectorHost& host, QWidget* parent = nullptr);

    // The active planogram's catalog columns to choose from; the lists stay without one.
    void FormShow();
    void Button1Click();
    void Button2Click();

    QComboBox* cbColumns;
    QComboBox* cbOP;
    QLineEdit* edKey;
    QPushButton* Button1;
    QPushButton* Button2;

private:
    SelectorHost& host_;
};
