#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The choices of the picture editor's optimise-size command: the side, the unit and the product's
// sizes the picture is fitted to.
class TfrmPicOptimizeOps : public QDialog {
public:
    explicit TfrmPicOptimizeOps(QWidget* parent = nullptr);

    // The unit the caller works in becomes the choice, until the dialog has been shown once: the
    // main window's unit is only known after start-up. Index 0 is centimetres, any other inches.
    void SetUnitBeforeFirstShowing(bool inches);

    QComboBox* cbSide;
    QComboBox* cbUnit;
    QLineEdit* edWidth;
    QLineEdit* edHeight;
    QLineEdit* edDepth;
    QCheckBox* cbBLScale;
    QPushButton* Button1;
    QPushButton* Button2;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool shown_ = false;
};

// The program's one instance (not owned); null until main makes it.
extern TfrmPicOptimizeOps* frmPicOptimizeOps;
