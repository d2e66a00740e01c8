#pragma once

#include "reports/CustomReport.h"

#include <QDialog>

class FileListBoxView;
class QCheckBox;
class QLabel;
class QPushButton;

// The template chooser of the custom reports: the ".xlt" files of the program's template folder (or
// of one found elsewhere), the choice to be told when a report is done, and a report of the template
// alone on a double-click.
class TwReporter : public QDialog {
    Q_OBJECT

public:
    explicit TwReporter(QWidget* parent = nullptr);

    // The chosen template's path, or empty.
    std::string TemplateFileName() const;
    bool NotifyWhenDone() const;

    void FormCreate();
    void Button3Click();
    void TemplateListDblClick();

    QLabel* Label1;
    FileListBoxView* TemplateList;
    QPushButton* Button1;
    QPushButton* Button2;
    QCheckBox* cbNotify;
    QPushButton* Button3;

private:
    SpreadsheetReportObjects objects_;
};

// The one chooser, made at start-up.
extern TwReporter* wReporter;
