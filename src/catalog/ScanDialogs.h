#pragma once

#include "platform/services/ScannerBackend.h"

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;
class TTwain;

// The list of scanners to choose the one scans come from.
class TSelectSourceDialog : public QDialog {
    Q_OBJECT

public:
    TSelectSourceDialog(const std::vector<ScanDevice>& devices, const std::string& current, QWidget* parent);

    // The chosen device's name; nothing when cancelled.
    std::optional<std::string> Choose();

    QTableWidget* lvSources;

private:
    std::vector<ScanDevice> devices_;
};

// The scanner's settings before a scan: mode, resolution and the document source where the device
// has them; Scan, Cancel, the progress of a read and a status line.
class TScanDialog : public QDialog {
    Q_OBJECT

public:
    TScanDialog(TTwain& connection, QWidget* parent);

    void ShowStatus(ScanStatus status);
    void Scan();

    QComboBox* cbMode;
    QComboBox* cbResolution;
    QComboBox* cbSource;
    QPushButton* bScan;
    QPushButton* bCancel;
    QProgressBar* pbProgress;
    QLabel* lStatus;

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void LoadOptions();
    void ShowCurrent(QComboBox* box, const ScanValue& value);
    void Choose(QComboBox* box, const char* name);
    void CancelOrClose();

    TTwain& connection_;
    QTimer* progressTimer_;
};

// The progress of a scan started without the scan dialog, with Cancel.
class TScanProgressWindow : public QDialog {
    Q_OBJECT

public:
    TScanProgressWindow(TTwain& connection, QWidget* parent);

    // Escape: as Cancel.
    void reject() override;

    QProgressBar* pbProgress;
    QPushButton* bCancel;

private:
    TTwain& connection_;
};

// The text a scanner's status is shown with in the scan dialog.
std::string ScanStatusText(ScanStatus status);
