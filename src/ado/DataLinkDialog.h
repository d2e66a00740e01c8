#pragma once

#include "ado/DataLinkSettings.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The data-link dialog: a thin window over DataLinkSettings. The data sources and drivers are the
// ODBC driver manager's; OK closes only once a data source or a driver is chosen.
class TDataLinkDialog : public QDialog {
public:
    explicit TDataLinkDialog(const DataLinkSettings& initial, QWidget* parent = nullptr);

    DataLinkSettings Settings() const;
    void BrowseClick();
    void TestConnectionClick();
    void OKBtnClick();

    QRadioButton* rbDataSource = nullptr;
    QComboBox* cbDataSource = nullptr;
    QRadioButton* rbDriver = nullptr;
    QComboBox* cbDriver = nullptr;
    QLineEdit* edDatabase = nullptr;
    QPushButton* BrowseBtn = nullptr;
    QLineEdit* edServer = nullptr;
    QLineEdit* edPort = nullptr;
    QLineEdit* edUserName = nullptr;
    QLineEdit* edPassword = nullptr;
    QLineEdit* edOtherSettings = nullptr;
    QPushButton* TestBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    void FillSources();
    void Show(const DataLinkSettings& settings);
    QWidget* CreateSourceBox();
    QWidget* CreateLoginBox();
};
