#pragma once

#include "platform/core/UiServices.h"
#include "platform/ui/Progress.h"

#include <QDialog>
#include <QProgressBar>

class CatalogManager;
class QLabel;
class QLineEdit;
class QPushButton;

// A progress bar that model code steps, showing each change at once.
class StepProgressBar : public QProgressBar, public Progress {
public:
    explicit StepProgressBar(QWidget* parent);

protected:
    void Changed() override;
};

// Imports a rectangle of a workbook's active sheet into the Catalog Manager's grid.
class TExcelImporter : public QDialog {
    Q_OBJECT

public:
    explicit TExcelImporter(CatalogManager& manager, QWidget* parent = nullptr);

    void FormShow();
    // Asks for the workbook and imports it; closes the window unless the file choice was cancelled.
    void Button1Click();
    void Button2Click();

    QLabel* Label1 = nullptr;
    QLineEdit* edRow = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edCol = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    StepProgressBar* ProgressBar1 = nullptr;
    FileDialogOptions OpenDialog1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    CatalogManager& manager_;
};

// The program's one instance (not owned); null until main makes it.
extern TExcelImporter* ExcelImporter;
