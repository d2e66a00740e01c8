#pragma once

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The product details a command fills and reads back: only the peg hook depth is edited.
class TPDetails : public QDialog {
public:
    explicit TPDetails(QWidget* parent = nullptr);

    QLabel* txtProduct;
    QLabel* txtDes;
    QLabel* txtPic;
    QLabel* txtW;
    QLabel* txtH;
    QLabel* txtD;
    QLineEdit* edPHDepth;
    QLabel* txtPHUnit;
    QLabel* txtSC;
    QLabel* txtVSide;
    QPushButton* Button1;
    QPushButton* Button2;
};

// What a PDF of the planogram holds and how it is protected.
class TpdfOP : public QDialog {
public:
    explicit TpdfOP(QWidget* parent = nullptr);

    // 0 screen optimised, 1 print optimised.
    int PlanogramType() const;
    // True when every letter of both passwords has a byte in PDFDocEncoding; otherwise says so and
    // shows the first password that has not, with the focus on it.
    bool PasswordsFit() const;
    // Closes the dialog with its choices, unless a password cannot be written.
    void Button1Click();

    QTabWidget* PageControl1;
    QCheckBox* cbListing;
    QCheckBox* cbInvest;
    QCheckBox* cbSpace;
    QCheckBox* cbFixture;
    QCheckBox* cbMoved;
    QCheckBox* cbTurnover;
    QCheckBox* cbProfit;
    QGroupBox* rgPlanogramType;
    QRadioButton* rbScreenOptimized;
    QRadioButton* rbPrintOptimized;
    QComboBox* cbCompressImage;
    QLineEdit* edPassword;
    QLineEdit* edPasswordEdit;
    QCheckBox* cbPrint;
    QCheckBox* cbEdit;
    QCheckBox* cbCopy;
    QCheckBox* cbTumbnail;
    QCheckBox* cbLaunch;
    QPushButton* Button1;
    QPushButton* Button2;
};

// The part numbers a product list could not place, which the user may save as a text file.
class TfrmMissingItems : public QDialog {
public:
    explicit TfrmMissingItems(QWidget* parent = nullptr);

    // Saves the memo's lines where the save dialog says; a cancelled dialog writes nothing, a failed
    // write says so and keeps the old file.
    void Button2Click();

    QLabel* Label1;
    QPlainTextEdit* Memo1;
    QPushButton* Button1;
    QPushButton* Button2;
};

// A list of part numbers to build a display from, and how many go on a line.
class TfrmLoadListOps : public QDialog {
public:
    explicit TfrmLoadListOps(QWidget* parent = nullptr);

    // Pastes the clipboard's text into the list at the caret.
    void Button3Click();
    // Replaces the list by the lines of the text file the open dialog gives.
    void Button4Click();

    QLabel* Label1;
    QLineEdit* edAmount;
    QComboBox* cbAmount;
    QLabel* Label2;
    QLabel* Label3;
    QPlainTextEdit* List1;
    QPushButton* Button3;
    QPushButton* Button4;
    QCheckBox* cbReplace;
    QPushButton* Button1;
    QPushButton* Button2;
};

// The program's single instances (not owned); null until main makes them.
extern TPDetails* PDetails;
extern TpdfOP* pdfOP;
extern TfrmMissingItems* frmMissingItems;
extern TfrmLoadListOps* frmLoadListOps;
