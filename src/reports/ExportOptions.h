#pragma once

#include "reports/PictureExport.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

// The options of an export: the resolution, and the page of the chosen type's own settings. Made once
// at start; its settings stay from one export to the next until the program ends.
class TExportOptions : public QDialog {
public:
    explicit TExportOptions(QWidget* parent = nullptr);

    // Shows the page of the export dialog's type (none for the bitmap and Targa types). Web pages are
    // always made from the screen picture, so their type fixes the low resolution.
    void PrepareFor(int filterIndex);
    ExportSettings Settings() const;

    void JPEGQualityChange();
    void opHiResClick();
    void opLowResClick();
    void ckProductPagesClick();

    QPushButton* Button1;
    QPushButton* Button2;
    QTabWidget* ExportPage;
    QWidget* WebTab;
    QGroupBox* GroupBox1;
    QCheckBox* ckProductPages;
    QWidget* JPEGTab;
    QLabel* Label1;
    QGroupBox* opProgressive;
    QButtonGroup* opProgressiveItems;
    QWidget* TIFFTab;
    QGroupBox* RadioGroup3;
    QButtonGroup* RadioGroup3Items;
    QLineEdit* edQuality;
    QSlider* JPEGQuality;
    QLabel* JStatus;
    QLabel* Label2;
    QLabel* Label3;
    QRadioButton* opHiRes;
    QRadioButton* opLowRes;
    QLineEdit* edMaxW;
    QLabel* Label4;
    QLabel* Label6;

private:
    void CreateWebTab();
    void CreateJPEGTab();
    void CreateTIFFTab();
};

extern TExportOptions* ExportOptions;
