#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The notice shown, without waiting, while an open loads a planogram's product data.
class TfrmLoading : public QDialog {
public:
    explicit TfrmLoading(QWidget* parent = nullptr);

    QLabel* Label1;
    QPushButton* Button1;
};

// The program's one loading notice (not owned); null until main makes it.
extern TfrmLoading* frmLoading;
