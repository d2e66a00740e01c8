#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class TMainForm;

// The program-wide options: hints, the planogram wizard at start, aligning to peg holes, the date
// stamp, the loading notice and the unit. They live in the settings section "Options"; OK stores them
// and gives them at once to the main window, the selector and every open planogram.
class TOptions : public QDialog {
    Q_OBJECT

public:
    explicit TOptions(TMainForm& mainForm, QWidget* parent = nullptr);

    void FormShow();
    void comOKClick();
    void comCancelClick();

    QCheckBox* Tips = nullptr;
    QCheckBox* Welcome = nullptr;
    QCheckBox* AlignToPeg = nullptr;
    QCheckBox* DateTime = nullptr;
    QCheckBox* ShowLoading = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* comOK = nullptr;
    QPushButton* comCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainForm& mainForm_;
};
