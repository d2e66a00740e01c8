#pragma once

#include "reports/QuickReports.h"
#include "reports/ReportText.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class PlanogramDocument;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QTextEdit;

// The Quick Reports window: makes one of the seven reports on the active planogram, shows it for
// reading and editing, and saves or prints what it shows.
class TqReports : public QDialog {
    Q_OBJECT

public:
    // `activeDocument` answers the planogram reported on, null for none.
    explicit TqReports(std::function<PlanogramDocument*()> activeDocument, QWidget* parent = nullptr);

    // The generators, as the Make PDF command also calls them without showing the window.
    void MakeProductListing();
    void MakeInvestmentProfit();
    void MakeSpaceUsage();
    void MakeSpaceUsageForPdf();
    void MakeFixtureListing();
    void MakeSalesRanking(int kind);

    // The shown lines as Windows-1252 bytes, edits included.
    std::vector<std::string> Lines() const;

    void FormShow();
    void Button3Click();
    void Button1Click();
    void Button2Click();

    QFrame* Panel1;
    QLabel* Label1;
    QComboBox* cbReportType;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QCheckBox* cbFitDescription;
    QTextEdit* RichEdit1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The list's item index; -1 when the text shown is no item's (typed by the user).
    int ChosenReport() const;
    void Generate(const std::function<void(QuickReports&)>& make);
    void ShowReport();

    std::function<PlanogramDocument*()> activeDocument_;
    TReportText report_;
    QuickReports generators_{report_};
};

// The one Quick Reports window, made at start-up; null until then.
extern TqReports* qReports;
